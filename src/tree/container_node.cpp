// Child lists: how nodes are put into and taken out of a container, with the rules on
// which kinds a container accepts. Every check comes before the first change, and a node
// that a list drops is kept alive by a reference taken before the drop.
#include <toveldom/node_base.h>
#include <toveldom/node_ptr.h>

#include <type_traits>

#include "frame/alloc.h"
#include "frame/private_interface.h"

namespace LUMA_7_4_0 {

namespace {

constexpr unsigned bit(tagITOVELDOMNodeType t) { return 1u << t; }

// The node kinds each container accepts as new children through the public operations.
constexpr unsigned kElementChildren =
    bit(NODE_ELEMENT) | bit(NODE_TEXT) | bit(NODE_CDATA_SECTION) | bit(NODE_ENTITY_REFERENCE) |
    bit(NODE_PROCESSING_INSTRUCTION) | bit(NODE_COMMENT) | bit(NODE_DOCUMENT_FRAGMENT);
constexpr unsigned kAttributeChildren =
    bit(NODE_TEXT) | bit(NODE_ENTITY_REFERENCE) | bit(NODE_DOCUMENT_FRAGMENT);
constexpr unsigned kDocumentChildren = bit(NODE_ELEMENT) | bit(NODE_PROCESSING_INSTRUCTION) |
                                       bit(NODE_COMMENT) | bit(NODE_DOCUMENT_TYPE) |
                                       bit(NODE_DOCUMENT_FRAGMENT);

template <class I> constexpr unsigned acceptedKinds() {
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>)
        return kDocumentChildren;
    else if constexpr (std::is_same_v<I, ITOVELDOMAttribute>)
        return kAttributeChildren;
    else if constexpr (std::is_same_v<I, ITOVELDOMDocumentType>)
        return 0;
    else
        return kElementChildren; // element and fragment
}

bool accepts(unsigned kinds, tagITOVELDOMNodeType t) {
    int v = int(t);
    return v >= 0 && v < 32 && (kinds & (1u << unsigned(v))) != 0;
}

[[noreturn]] void fail(unsigned short code) { throw TOVELDOMException(code); }

// True when candidate is node itself or one of its ancestors.
bool isSelfOrAncestor(ITOVELDOMNode* candidate, ITOVELDOMNode* node) {
    if (candidate == node) return true;
    CNodePtr<ITOVELDOMNode> at = CNodePtr<ITOVELDOMNode>::adopt(node->get_parentNode());
    while (at) {
        if (at.get() == candidate) return true;
        at = CNodePtr<ITOVELDOMNode>::adopt(at->get_parentNode());
    }
    return false;
}

// The first child of the given kind, without a reference.
template <class C> ITOVELDOMNode* firstOfKind(const C& container, tagITOVELDOMNodeType t) {
    for (int i = 0; i < container.childCount(); ++i) {
        ITOVELDOMNode* child = container.childAt(i);
        if (child->get_nodeType() == t) return child;
    }
    return nullptr;
}

} // namespace

template <class I>
CContainerNode<I>::CContainerNode(ITOVELDOMDocument* owner, ITOVELDOMNode* parent)
    : CNodeBase<I>(owner, parent), childNodes(nullptr), soleChild(nullptr) {}

template <class I> CContainerNode<I>::~CContainerNode() {
    clearChildNodes();
    if (childNodes) childNodes->Release();
}

template <class I> CTOVELDOMNodeList& CContainerNode<I>::ensureList() const {
    if (!childNodes) {
        CTOVELDOMNodeList* list = make<CTOVELDOMNodeList>();
        list->AddRef();
        if (soleChild) {
            list->appendElement(soleChild); // cannot fail: the inline slots have room
            soleChild->Release();
            soleChild = nullptr;
        }
        childNodes = list;
    }
    return *childNodes;
}

template <class I> void CContainerNode<I>::appendHeld(ITOVELDOMNode* node) {
    if (!childNodes && !soleChild) {
        node->AddRef();
        soleChild = node;
        return;
    }
    ensureList().appendElement(node);
}

template <class I> ITOVELDOMDocument* CContainerNode<I>::childOwner() const {
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>)
        return const_cast<CContainerNode*>(this);
    else
        return this->ownerDocument;
}

// Only the attribute keeps its children in a lighter form; its kind says how they come
// into being (attribute.cpp).
template <class I> void CContainerNode<I>::prepareChildren() const {}

template <class I> void CContainerNode<I>::clearChildNodes() {
    if (ITOVELDOMNode* only = soleChild) {
        privateInterface(only)->setParentNode(nullptr);
        soleChild = nullptr;
        only->Release();
    }
    if (!childNodes) return;
    for (int i = 0; i < childNodes->count(); ++i)
        privateInterface(childNodes->elementAt(i))->setParentNode(nullptr);
    childNodes->clear();
}

template <class I> ITOVELDOMNodeList* CContainerNode<I>::get_childNodes() const {
    prepareChildren();
    CTOVELDOMNodeList& list = ensureList();
    list.AddRef();
    return &list;
}

template <class I> ITOVELDOMNode* CContainerNode<I>::get_firstChild() const {
    prepareChildren();
    ITOVELDOMNode* child = childAt(0);
    if (child) child->AddRef();
    return child;
}

template <class I> ITOVELDOMNode* CContainerNode<I>::get_lastChild() const {
    prepareChildren();
    ITOVELDOMNode* child = childAt(childCount() - 1);
    if (child) child->AddRef();
    return child;
}

template <class I> bool CContainerNode<I>::hasChildNodes() const {
    prepareChildren();
    return childCount() > 0;
}

template <class I>
ITOVELDOMNode* CContainerNode<I>::insertBefore(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) {
    if (!newChild) fail(NULL_POINTER_ERR);
    prepareChildren();
    ITOVELDOMNode* self = this;
    tagITOVELDOMNodeType kind = newChild->get_nodeType();
    if (!accepts(acceptedKinds<I>(), kind)) fail(HIERARCHY_REQUEST_ERR);

    if (kind == NODE_DOCUMENT_FRAGMENT) {
        // A fragment into itself would move its first child to its end forever.
        if (newChild == self) fail(HIERARCHY_REQUEST_ERR);
        CNodePtr<ITOVELDOMNode> first;
        while ((first = CNodePtr<ITOVELDOMNode>::adopt(newChild->get_firstChild())))
            CNodePtr<ITOVELDOMNode>::adopt(insertBefore(first, refChild));
        newChild->AddRef();
        return newChild;
    }
    if (kind == NODE_ELEMENT) {
        if constexpr (std::is_same_v<I, ITOVELDOMElement>) {
            if (isSelfOrAncestor(newChild, self)) fail(HIERARCHY_REQUEST_ERR);
        }
        if constexpr (std::is_same_v<I, ITOVELDOMDocument>) {
            if (firstOfKind(*this, NODE_ELEMENT)) fail(HIERARCHY_REQUEST_ERR);
        }
    }
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>) {
        if (kind == NODE_DOCUMENT_TYPE && firstOfKind(*this, NODE_DOCUMENT_TYPE))
            fail(HIERARCHY_REQUEST_ERR);
    }
    insert(newChild, refChild);
    newChild->AddRef();
    return newChild;
}

template <class I> ITOVELDOMNode* CContainerNode<I>::appendChild(ITOVELDOMNode* newChild) {
    return this->insertBefore(newChild, nullptr);
}

template <class I>
ITOVELDOMNode* CContainerNode<I>::replaceChild(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) {
    if (!oldChild) fail(NULL_POINTER_ERR);
    if (!newChild) return this->removeChild(oldChild);
    prepareChildren();
    ITOVELDOMNode* self = this;
    tagITOVELDOMNodeType kind = newChild->get_nodeType();
    if (!accepts(acceptedKinds<I>(), kind)) fail(HIERARCHY_REQUEST_ERR);

    CNodePtr<ITOVELDOMNode> keep(oldChild); // the caller's result, taken before any drop
    if (kind == NODE_DOCUMENT_FRAGMENT) {
        if (newChild == self) fail(HIERARCHY_REQUEST_ERR);
        if (childCount() > 0) ensureList();
        if (!childNodes || childNodes->find(oldChild) < 0) fail(NOT_FOUND_ERR);
        CNodePtr<ITOVELDOMNode> next = CNodePtr<ITOVELDOMNode>::adopt(oldChild->get_nextSibling());
        remove(oldChild);
        CNodePtr<ITOVELDOMNode> first;
        while ((first = CNodePtr<ITOVELDOMNode>::adopt(newChild->get_firstChild())))
            CNodePtr<ITOVELDOMNode>::adopt(insertBefore(first, next));
        return keep.detach();
    }
    if (kind == NODE_ELEMENT) {
        if constexpr (std::is_same_v<I, ITOVELDOMElement>) {
            if (isSelfOrAncestor(newChild, self)) fail(HIERARCHY_REQUEST_ERR);
        }
        if constexpr (std::is_same_v<I, ITOVELDOMDocument>) {
            ITOVELDOMNode* current = firstOfKind(*this, NODE_ELEMENT);
            if (current && current != oldChild) fail(HIERARCHY_REQUEST_ERR);
        }
    }
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>) {
        if (kind == NODE_DOCUMENT_TYPE) {
            ITOVELDOMNode* current = firstOfKind(*this, NODE_DOCUMENT_TYPE);
            if (current && current != oldChild) fail(HIERARCHY_REQUEST_ERR);
        }
    }
    replace(newChild, oldChild);
    return keep.detach();
}

template <class I> ITOVELDOMNode* CContainerNode<I>::removeChild(ITOVELDOMNode* oldChild) {
    if (!oldChild) fail(NULL_POINTER_ERR);
    prepareChildren();
    CNodePtr<ITOVELDOMNode> keep(oldChild);
    remove(oldChild);
    return keep.detach();
}

// The owner check of insert and replace: a child must belong to this container's document.
// A document also adopts a document type that no document owns yet.
template <class I> static void checkOwner(ITOVELDOMNode* newChild, ITOVELDOMDocument* owner) {
    CNodePtr<ITOVELDOMDocument> childOwner =
        CNodePtr<ITOVELDOMDocument>::adopt(newChild->get_ownerDocument());
    if (childOwner.get() == owner) return;
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>) {
        if (!childOwner && newChild->get_nodeType() == NODE_DOCUMENT_TYPE) return;
    }
    fail(WRONG_DOCUMENT_ERR);
}

template <class I>
void CContainerNode<I>::insert(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) {
    if (!newChild) fail(NULL_POINTER_ERR);
    checkOwner<I>(newChild, childOwner());
    prepareChildren();
    CTOVELDOMNodeList& list = ensureList();
    int refIndex = -1;
    if (refChild) {
        refIndex = list.find(refChild);
        if (refIndex < 0) fail(NOT_FOUND_ERR);
    }
    ITOVELDOMPrivate* child = privateInterface(newChild);
    list.reserveOne();

    // Detach from the old parent; `moved` keeps the node alive until our list holds it.
    CNodePtr<ITOVELDOMNode> moved;
    if (CNodePtr<ITOVELDOMNode> oldParent =
            CNodePtr<ITOVELDOMNode>::adopt(newChild->get_parentNode()))
        moved = CNodePtr<ITOVELDOMNode>::adopt(oldParent->removeChild(newChild));

    int position = list.count();
    if (refChild && refChild != newChild)
        position = list.find(refChild);
    else if (refChild)
        position = refIndex;
    list.insertElementAt(newChild, position);
    child->setParentNode(this);
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>) child->setOwnerDocument(childOwner());
}

template <class I>
void CContainerNode<I>::replace(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) {
    if (!newChild || !oldChild) fail(NULL_POINTER_ERR);
    checkOwner<I>(newChild, childOwner());
    prepareChildren();
    if (childCount() > 0) ensureList();
    if (!childNodes || childNodes->find(oldChild) < 0) fail(NOT_FOUND_ERR);
    // Replacing a child by itself leaves the list as it is.
    if (newChild == oldChild) return;
    ITOVELDOMPrivate* child = privateInterface(newChild);
    ITOVELDOMPrivate* old = privateInterface(oldChild);

    CNodePtr<ITOVELDOMNode> moved;
    if (CNodePtr<ITOVELDOMNode> oldParent =
            CNodePtr<ITOVELDOMNode>::adopt(newChild->get_parentNode()))
        moved = CNodePtr<ITOVELDOMNode>::adopt(oldParent->removeChild(newChild));

    int index = childNodes->find(oldChild);
    old->setParentNode(nullptr);
    childNodes->replaceElementAt(newChild, index);
    child->setParentNode(this);
    if constexpr (std::is_same_v<I, ITOVELDOMDocument>) child->setOwnerDocument(childOwner());
}

template <class I> void CContainerNode<I>::remove(ITOVELDOMNode* oldChild) {
    prepareChildren();
    if (childCount() > 0) ensureList();
    int index = childNodes && oldChild ? childNodes->find(oldChild) : -1;
    if (index < 0) fail(NOT_FOUND_ERR);
    privateInterface(oldChild)->setParentNode(nullptr);
    childNodes->removeElementAt(index);
}

template <class I> ITOVELDOMNode* CContainerNode<I>::getChildLeftSibling(ITOVELDOMNode* child) {
    if (!child) {
        if constexpr (std::is_same_v<I, ITOVELDOMDocumentFragment>) fail(NULL_STRING_ERR);
        fail(NULL_POINTER_ERR);
    }
    prepareChildren();
    if (!childNodes) return nullptr; // no child, or one without neighbours
    int index = childNodes->find(child);
    ITOVELDOMNode* sibling = index > 0 ? childNodes->elementAt(index - 1) : nullptr;
    if (sibling) sibling->AddRef();
    return sibling;
}

template <class I> ITOVELDOMNode* CContainerNode<I>::getChildRightSibling(ITOVELDOMNode* child) {
    if (!child) fail(NULL_POINTER_ERR);
    prepareChildren();
    if (!childNodes) return nullptr; // no child, or one without neighbours
    int index = childNodes->find(child);
    ITOVELDOMNode* sibling = index >= 0 ? childNodes->elementAt(index + 1) : nullptr;
    if (sibling) sibling->AddRef();
    return sibling;
}

template <class I> void CContainerNode<I>::appendNewChild(ITOVELDOMNode* node) {
    prepareChildren();
    if (node) appendHeld(node);
}

template <class I>
void CContainerNode<I>::appendChildCopies(ITOVELDOMNode* copy, ITOVELDOMDocument* newOwner) const {
    ITOVELDOMPrivate* target = privateInterface(copy);
    const int n = childCount();
    for (int i = 0; i < n; ++i) {
        CNodePtr<ITOVELDOMNode> child = CNodePtr<ITOVELDOMNode>::adopt(childAt(i)->cloneNode(true));
        ITOVELDOMPrivate* moved = privateInterface(child);
        moved->setParentNode(copy);
        if (newOwner) moved->setOwnerDocument(newOwner);
        target->appendNewChild(child);
    }
}

template <class I> void CContainerNode<I>::setOwnerDocument(ITOVELDOMDocument* doc) {
    if (!doc) fail(NULL_POINTER_ERR);
    this->ownerDocument = doc;
    for (int i = 0; i < childCount(); ++i) privateInterface(childAt(i))->setOwnerDocument(doc);
}

template class CContainerNode<ITOVELDOMDocument>;
template class CContainerNode<ITOVELDOMElement>;
template class CContainerNode<ITOVELDOMAttribute>;
template class CContainerNode<ITOVELDOMDocumentType>;
template class CContainerNode<ITOVELDOMDocumentFragment>;

} // namespace LUMA_7_4_0

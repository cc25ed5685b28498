// Defaults shared by all node kinds, and the leaf behaviour of text, CDATA, comment and
// processing instruction nodes.
#include <type_traits>

#include <toveldom/character_data.h>
#include <toveldom/implementation.h>
#include <toveldom/node_base.h>

#include "frame/alloc.h"
#include "frame/node_heap.h"
#include "frame/refcount.h"
#include "frame/shared_string.h"
#include "nodes/private_cast.h"

namespace LUMA_7_4_0 {

template <class I>
CNodeBase<I>::CNodeBase(ITOVELDOMDocument* owner, ITOVELDOMNode* parent)
    : refCount(0), ownerDocument(owner), parentNode(parent) {}

template <class I> CNodeBase<I>::~CNodeBase() = default;

template <class I> char const* CNodeBase<I>::get_nodeValue() { return nullptr; }
template <class I> void CNodeBase<I>::put_nodeValue(char const*) {}

template <class I> ITOVELDOMNode* CNodeBase<I>::get_parentNode() const {
    if (parentNode) parentNode->AddRef();
    return parentNode;
}

template <class I> ITOVELDOMNode* CNodeBase<I>::get_previousSibling() const {
    if (!parentNode) return nullptr;
    return privateInterface(parentNode)->getChildLeftSibling(const_cast<CNodeBase*>(this));
}

template <class I> ITOVELDOMNode* CNodeBase<I>::get_nextSibling() const {
    if (!parentNode) return nullptr;
    return privateInterface(parentNode)->getChildRightSibling(const_cast<CNodeBase*>(this));
}

template <class I> ITOVELDOMNamedNodeMap* CNodeBase<I>::get_attributes() const { return nullptr; }

template <class I> ITOVELDOMDocument* CNodeBase<I>::get_ownerDocument() const {
    if (ownerDocument) ownerDocument->AddRef();
    return ownerDocument;
}

template <class I> char const* CNodeBase<I>::get_namespaceURI() const { return nullptr; }
template <class I> char const* CNodeBase<I>::get_prefix() { return nullptr; }
template <class I> void CNodeBase<I>::put_prefix(char const*) {}
template <class I> char const* CNodeBase<I>::get_localName() { return this->get_nodeName(); }

template <class I> bool CNodeBase<I>::supports(char const* feature, char const* version) const {
    CTOVELDOMImplementation* implementation = CTOVELDOMImplementation::getInstance();
    return implementation && implementation->hasFeature(feature, version);
}

template <class I> char const* CNodeBase<I>::get_text() try {
    return resultCache.set(getText());
} catch (...) {
    rethrowAsLibraryError();
}

template <class I> char const* CNodeBase<I>::get_xml() try {
    std::string& out = resultCache.fresh();
    getXML(out);
    return out.c_str();
} catch (...) {
    rethrowAsLibraryError();
}

template <class I> int CNodeBase<I>::AddRef() { return ++refCount; }

template <class I> int CNodeBase<I>::Release() {
    int left = --refCount;
    if (left == 0) destroyNode(this, [](void* node) { delete static_cast<CNodeBase*>(node); });
    return left;
}

template <class I> int CNodeBase<I>::GetRef() { return refCount; }

template <class I> void* CNodeBase<I>::operator new(size_t size) { return nodeAllocate(size); }
template <class I> void CNodeBase<I>::operator delete(void* object, size_t size) noexcept {
    nodeFree(object, size);
    if (std::is_same<I, ITOVELDOMDocument>::value) documentDied();
}
template <class I> void CNodeBase<I>::setNamespaceURI(char const*) {}
template <class I> void CNodeBase<I>::setParentNode(ITOVELDOMNode* parent) { parentNode = parent; }

template <class I> void CNodeBase<I>::setOwnerDocument(ITOVELDOMDocument* doc) {
    if (!doc) throw TOVELDOMException(NULL_POINTER_ERR);
    ownerDocument = doc;
}

// --- leaves -------------------------------------------------------------------------------

template <class I> ITOVELDOMNodeList* CLeafNode<I>::get_childNodes() const {
    CTOVELDOMNodeList* list = make<CTOVELDOMNodeList>();
    list->AddRef();
    return list;
}

template <class I> ITOVELDOMNode* CLeafNode<I>::get_firstChild() const { return nullptr; }
template <class I> ITOVELDOMNode* CLeafNode<I>::get_lastChild() const { return nullptr; }
template <class I> bool CLeafNode<I>::hasChildNodes() const { return false; }

[[noreturn]] static void refuseChildren() { throw TOVELDOMException(HIERARCHY_REQUEST_ERR); }

template <class I> ITOVELDOMNode* CLeafNode<I>::insertBefore(ITOVELDOMNode*, ITOVELDOMNode*) {
    refuseChildren();
}
template <class I> ITOVELDOMNode* CLeafNode<I>::replaceChild(ITOVELDOMNode*, ITOVELDOMNode*) {
    refuseChildren();
}
template <class I> ITOVELDOMNode* CLeafNode<I>::removeChild(ITOVELDOMNode*) { refuseChildren(); }
template <class I> ITOVELDOMNode* CLeafNode<I>::appendChild(ITOVELDOMNode*) { refuseChildren(); }
template <class I> void CLeafNode<I>::insert(ITOVELDOMNode*, ITOVELDOMNode*) { refuseChildren(); }
template <class I> void CLeafNode<I>::replace(ITOVELDOMNode*, ITOVELDOMNode*) { refuseChildren(); }
template <class I> void CLeafNode<I>::remove(ITOVELDOMNode*) { refuseChildren(); }
template <class I> ITOVELDOMNode* CLeafNode<I>::getChildLeftSibling(ITOVELDOMNode*) {
    refuseChildren();
}
template <class I> ITOVELDOMNode* CLeafNode<I>::getChildRightSibling(ITOVELDOMNode*) {
    refuseChildren();
}
template <class I> void CLeafNode<I>::appendNewChild(ITOVELDOMNode*) { refuseChildren(); }

template class CNodeBase<ITOVELDOMDocument>;
template class CNodeBase<ITOVELDOMElement>;
template class CNodeBase<ITOVELDOMAttribute>;
template class CNodeBase<ITOVELDOMText>;
template class CNodeBase<ITOVELDOMCDATASection>;
template class CNodeBase<ITOVELDOMComment>;
template class CNodeBase<ITOVELDOMProcessingInstruction>;
template class CNodeBase<ITOVELDOMDocumentType>;
template class CNodeBase<ITOVELDOMDocumentFragment>;
template class CLeafNode<ITOVELDOMText>;
template class CLeafNode<ITOVELDOMCDATASection>;
template class CLeafNode<ITOVELDOMComment>;
template class CLeafNode<ITOVELDOMProcessingInstruction>;

} // namespace LUMA_7_4_0

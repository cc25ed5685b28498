// The shared bodies of the node classes. Each concrete class derives first from its public
// interface and second from ITOVELDOMPrivate; these templates sit between, so that every
// default behaviour (the null getters, the refused child operations of leaves, the child
// list of containers) is written once and bound to every kind that shares it.
//
// The member definitions live in the library, which instantiates the templates for its
// nine interfaces; hosts only see the declarations. What the node classes inherit as
// their own members is exported (a host deriving from a node class needs it, and a
// host's undefined-behaviour checks need the templates' type information); constructors,
// destructors and the helpers below are the library's and stay inside.
#ifndef TOVELDOM_NODE_BASE_H
#define TOVELDOM_NODE_BASE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include <toveldom/export.h>
#include <toveldom/interfaces.h>
#include <toveldom/node_list.h>

namespace LUMA_7_4_0 {

// Two of the library's own types that every node embeds. Hosts see their size and nothing
// else: the members are defined inside the library, and only the library uses them.

// One string per node that get_xml, get_text and some look-ups fill and return.
class CResultCache {
public:
    inline CResultCache();
    inline ~CResultCache();
    CResultCache(const CResultCache&) = delete;
    CResultCache& operator=(const CResultCache&) = delete;

    inline std::string& get();
    inline std::string& fresh();
    inline const char* set(std::string text);
    inline const char* c_str();

private:
    std::string* value;
};

// Text the nodes of one document share: element and attribute names, namespace URIs.
class CSharedString {
public:
    inline CSharedString();
    inline explicit CSharedString(const char* text);
    CSharedString(const char* text, size_t length);
    inline CSharedString(const CSharedString& other);
    inline CSharedString(CSharedString&& other) noexcept;
    inline CSharedString& operator=(CSharedString other) noexcept;
    inline ~CSharedString();

    inline const char* c_str() const;
    inline size_t size() const;
    inline bool empty() const;
    inline bool operator==(const char* text) const;
    inline std::string str() const;
    inline uint32_t keyHash() const;
    inline void unshare();

private:
    struct Rep;
    static void destroy(Rep* rep);
    Rep* rep;
};

// Reference count, owner document, parent, result cache, and the defaults of every kind.
template <class I> class TOVELDOM_API CNodeBase : public I, public ITOVELDOMPrivate {
public:
    char const* get_nodeValue() override;                   // null
    void put_nodeValue(char const* value) override;         // does nothing
    ITOVELDOMNode* get_parentNode() const override;         // +1 ref, or null
    ITOVELDOMNode* get_previousSibling() const override;    // asks the parent
    ITOVELDOMNode* get_nextSibling() const override;        // asks the parent
    ITOVELDOMNamedNodeMap* get_attributes() const override; // null
    ITOVELDOMDocument* get_ownerDocument() const override;  // +1 ref, or null
    char const* get_namespaceURI() const override;          // null
    char const* get_prefix() override;                      // null
    void put_prefix(char const* prefix) override;           // does nothing
    char const* get_localName() override;                   // the node name
    bool supports(char const* feature, char const* version) const override;
    char const* get_text() override; // getText() kept in the result cache
    char const* get_xml() override;  // getXML() kept in the result cache
    int AddRef() override;
    int Release() override;

    void setNamespaceURI(char const* uri) override;         // does nothing
    void setParentNode(ITOVELDOMNode* parent) override;     // stores it, no reference
    void setOwnerDocument(ITOVELDOMDocument* doc) override; // NULL_POINTER_ERR for null

    TOVELDOM_LOCAL virtual ~CNodeBase();
    virtual int GetRef();

    // Nodes come from the library's node storage (small, same-sized objects by the
    // million), not from the general heap.
    static void* operator new(size_t size);
    static void operator delete(void* object, size_t size) noexcept;

    // For the library: the raw links, no reference added.
    TOVELDOM_LOCAL ITOVELDOMDocument* ownerPtr() const { return ownerDocument; }
    TOVELDOM_LOCAL ITOVELDOMNode* parentPtr() const { return parentNode; }

protected:
    TOVELDOM_LOCAL CNodeBase(ITOVELDOMDocument* owner, ITOVELDOMNode* parent);

    int32_t refCount;
    ITOVELDOMDocument* ownerDocument;
    ITOVELDOMNode* parentNode;
    CResultCache resultCache;
};

// Text, CDATA section, comment, processing instruction: no children, ever.
template <class I> class TOVELDOM_API CLeafNode : public CNodeBase<I> {
public:
    ITOVELDOMNodeList* get_childNodes() const override; // a new empty list (+1 ref)
    ITOVELDOMNode* get_firstChild() const override;     // null
    ITOVELDOMNode* get_lastChild() const override;      // null
    bool hasChildNodes() const override;                // false
    // The child operations all throw HIERARCHY_REQUEST_ERR.
    ITOVELDOMNode* insertBefore(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) override;
    ITOVELDOMNode* replaceChild(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* removeChild(ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* appendChild(ITOVELDOMNode* newChild) override;
    void insert(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) override;
    void replace(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) override;
    void remove(ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* getChildLeftSibling(ITOVELDOMNode* child) override;
    ITOVELDOMNode* getChildRightSibling(ITOVELDOMNode* child) override;
    void appendNewChild(ITOVELDOMNode* node) override;

protected:
    using CNodeBase<I>::CNodeBase;
};

// Document, element, attribute, document type, fragment: an ordered child list holding
// one reference per child. Which kinds a container accepts is decided by its node type.
template <class I> class TOVELDOM_API CContainerNode : public CNodeBase<I> {
public:
    ITOVELDOMNodeList* get_childNodes() const override; // the live list (+1 ref)
    ITOVELDOMNode* get_firstChild() const override;
    ITOVELDOMNode* get_lastChild() const override;
    bool hasChildNodes() const override;
    ITOVELDOMNode* insertBefore(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) override;
    ITOVELDOMNode* replaceChild(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* removeChild(ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* appendChild(ITOVELDOMNode* newChild) override;
    void insert(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) override;
    void replace(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) override;
    void remove(ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* getChildLeftSibling(ITOVELDOMNode* child) override;
    ITOVELDOMNode* getChildRightSibling(ITOVELDOMNode* child) override;
    void appendNewChild(ITOVELDOMNode* node) override;
    void setOwnerDocument(ITOVELDOMDocument* doc) override; // re-owns the whole subtree

    // For the library: the children without a reference. A node with one child keeps it
    // in a slot of its own and makes the list object only when a second child arrives or
    // somebody asks for the list (get_childNodes): most elements of a document hold one
    // text node. childList() is that list, null while there is none.
    TOVELDOM_LOCAL CTOVELDOMNodeList* childList() const { return childNodes; }
    TOVELDOM_LOCAL int childCount() const {
        return childNodes ? childNodes->count() : (soleChild ? 1 : 0);
    }
    TOVELDOM_LOCAL ITOVELDOMNode* childAt(int i) const {
        return childNodes ? childNodes->elementAt(i) : (i == 0 ? soleChild : nullptr);
    }

protected:
    TOVELDOM_LOCAL CContainerNode(ITOVELDOMDocument* owner, ITOVELDOMNode* parent);
    TOVELDOM_LOCAL ~CContainerNode() override;

    // Clears every child's parent, then releases the children last to first.
    TOVELDOM_LOCAL void clearChildNodes();
    // Brings the children into being where a node keeps them in a lighter form until
    // asked (an attribute's value); called before every child operation.
    TOVELDOM_LOCAL void prepareChildren() const;
    // The list, created on first need with the sole child moved into it
    // (OUT_OF_MEMORY_ERR when it cannot be).
    TOVELDOM_LOCAL CTOVELDOMNodeList& ensureList() const;
    // Appends node, adding the reference that keeps it.
    TOVELDOM_LOCAL void appendHeld(ITOVELDOMNode* node);
    // The document children must belong to: the document itself for a document.
    TOVELDOM_LOCAL ITOVELDOMDocument* childOwner() const;
    // Appends a deep copy of every child to copy (whose parent they become), bypassing the
    // checks of the public operations; newOwner, when given, re-owns each copy. The child
    // count is read once, as a copy must not see children it added itself.
    TOVELDOM_LOCAL void appendChildCopies(ITOVELDOMNode* copy,
                                          ITOVELDOMDocument* newOwner = nullptr) const;

    mutable CTOVELDOMNodeList* childNodes;
    mutable ITOVELDOMNode* soleChild; // the only child while there is no list (one reference)
};

class ITOVELDOMElement;
// The attribute keeps its value in a lighter form until its children are asked for.
template <> TOVELDOM_LOCAL void CContainerNode<ITOVELDOMAttribute>::prepareChildren() const;
extern template class CNodeBase<ITOVELDOMDocument>;
extern template class CNodeBase<ITOVELDOMElement>;
extern template class CNodeBase<ITOVELDOMAttribute>;
extern template class CNodeBase<ITOVELDOMText>;
extern template class CNodeBase<ITOVELDOMCDATASection>;
extern template class CNodeBase<ITOVELDOMComment>;
extern template class CNodeBase<ITOVELDOMProcessingInstruction>;
extern template class CNodeBase<ITOVELDOMDocumentType>;
extern template class CNodeBase<ITOVELDOMDocumentFragment>;
extern template class CLeafNode<ITOVELDOMText>;
extern template class CLeafNode<ITOVELDOMCDATASection>;
extern template class CLeafNode<ITOVELDOMComment>;
extern template class CLeafNode<ITOVELDOMProcessingInstruction>;
extern template class CContainerNode<ITOVELDOMDocument>;
extern template class CContainerNode<ITOVELDOMElement>;
extern template class CContainerNode<ITOVELDOMAttribute>;
extern template class CContainerNode<ITOVELDOMDocumentType>;
extern template class CContainerNode<ITOVELDOMDocumentFragment>;

} // namespace LUMA_7_4_0

#endif

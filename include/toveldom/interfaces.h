// The node interfaces a host programs against. Virtual operations appear in their fixed
// slot order: hosts built against these declarations depend on it, so never reorder,
// insert or remove a virtual here.
//
// Ownership in one rule: every operation that returns a node, list, map, document type or
// the implementation adds one reference that the caller releases; arguments are borrowed.
// Strings returned as char const* point into the node and stay valid until the node
// changes that string (see each interface).
#ifndef TOVELDOM_INTERFACES_H
#define TOVELDOM_INTERFACES_H

#include <string>

#include <toveldom/export.h>

namespace LUMA_7_4_0 {

// W3C DOM numbering of node types. The library produces 1-4 and 7-11 only.
enum tagITOVELDOMNodeType {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_ENTITY_REFERENCE = 5,
    NODE_ENTITY = 6,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
    NODE_DOCUMENT_TYPE = 10,
    NODE_DOCUMENT_FRAGMENT = 11,
    NODE_NOTATION = 12,
};

class ITOVELDOMNode;
class ITOVELDOMNodeList;
class ITOVELDOMNamedNodeMap;
class ITOVELDOMDocument;
class ITOVELDOMDocumentType;
class ITOVELDOMDocumentFragment;
class ITOVELDOMElement;
class ITOVELDOMAttribute;
class ITOVELDOMText;
class ITOVELDOMComment;
class ITOVELDOMCDATASection;
class ITOVELDOMProcessingInstruction;
class ITOVELDOMImplementation;
class ITOVELDOMOrderDef;

// Interfaces have no virtual destructor: objects die through Release().
#define TOVELDOM_INTERFACE_DTOR(Name)                                                              \
protected:                                                                                         \
    ~Name() = default;

class TOVELDOM_API ITOVELDOMNode {
public:
    virtual char const* get_nodeName() const = 0;
    virtual char const* get_nodeValue() = 0;
    virtual void put_nodeValue(char const* value) = 0;
    virtual tagITOVELDOMNodeType get_nodeType() const = 0;
    virtual ITOVELDOMNode* get_parentNode() const = 0;
    virtual ITOVELDOMNodeList* get_childNodes() const = 0;
    virtual ITOVELDOMNode* get_firstChild() const = 0;
    virtual ITOVELDOMNode* get_lastChild() const = 0;
    virtual ITOVELDOMNode* get_previousSibling() const = 0;
    virtual ITOVELDOMNode* get_nextSibling() const = 0;
    virtual ITOVELDOMNamedNodeMap* get_attributes() const = 0;
    virtual ITOVELDOMDocument* get_ownerDocument() const = 0;
    virtual char const* get_namespaceURI() const = 0;
    virtual char const* get_prefix() = 0;
    virtual void put_prefix(char const* prefix) = 0;
    virtual char const* get_localName() = 0;
    // Inserts newChild before refChild (at the end when refChild is null); returns newChild
    // (+1 ref). Throws and leaves the tree unchanged when a check fails.
    virtual ITOVELDOMNode* insertBefore(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) = 0;
    // Puts newChild in oldChild's place; returns oldChild (+1 ref).
    virtual ITOVELDOMNode* replaceChild(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) = 0;
    // Takes oldChild out; returns it (+1 ref).
    virtual ITOVELDOMNode* removeChild(ITOVELDOMNode* oldChild) = 0;
    virtual ITOVELDOMNode* appendChild(ITOVELDOMNode* newChild) = 0;
    virtual bool hasChildNodes() const = 0;
    virtual ITOVELDOMNode* cloneNode(bool deep) = 0;
    virtual bool supports(char const* feature, char const* version) const = 0;
    virtual char const* get_nodeTypeString() const = 0;
    virtual char const* get_text() = 0;
    virtual void put_text(char const* text) = 0;
    virtual char const* get_xml() = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMNode)
};

class TOVELDOM_API ITOVELDOMNodeList {
public:
    virtual long get_length() const = 0;
    // Element index with +1 ref, or null outside [0, length).
    virtual ITOVELDOMNode* get_item(long index) const = 0;
    // The element at the shared cursor (+1 ref), advancing it; null past the end.
    virtual ITOVELDOMNode* nextNode() = 0;
    virtual void reset() = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMNodeList)
};

class TOVELDOM_API ITOVELDOMNamedNodeMap {
public:
    virtual long get_length() const = 0;
    virtual ITOVELDOMNode* getNamedItem(char const* name) const = 0;
    // Stores node under its node name (+1 ref held by the map); returns the node it
    // replaced, carrying the map's former reference, or null.
    virtual ITOVELDOMNode* setNamedItem(ITOVELDOMNode* node) = 0;
    // Returns the removed node carrying the map's reference, or null.
    virtual ITOVELDOMNode* removeNamedItem(char const* name) = 0;
    virtual ITOVELDOMNode* get_item(long index) const = 0;
    virtual ITOVELDOMNode* getNamedItemNS(char const* namespaceURI,
                                          char const* localName) const = 0;
    virtual ITOVELDOMNode* removeNamedItemNS(char const* namespaceURI, char const* localName) = 0;
    virtual ITOVELDOMNode* nextNode() = 0;
    virtual void reset() = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMNamedNodeMap)
};

// The library's second face of every node class: how nodes change each other's links and
// print themselves. Every node handed to a tree operation must implement it.
class TOVELDOM_API ITOVELDOMPrivate {
public:
    virtual std::string getText() = 0;
    virtual void getXML(std::string& out) = 0;
    virtual void insert(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) = 0;
    virtual void replace(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) = 0;
    virtual void remove(ITOVELDOMNode* oldChild) = 0;
    virtual void setNamespaceURI(char const* uri) = 0;
    virtual void setParentNode(ITOVELDOMNode* parent) = 0;
    virtual void setOwnerDocument(ITOVELDOMDocument* document) = 0;
    virtual ITOVELDOMNode* getChildLeftSibling(ITOVELDOMNode* child) = 0;
    virtual ITOVELDOMNode* getChildRightSibling(ITOVELDOMNode* child) = 0;
    virtual void appendNewChild(ITOVELDOMNode* node) = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMPrivate)
};

class TOVELDOM_API ITOVELDOMImplementation {
public:
    // True for "XML" or "DOM" (any case) with version "1.0".
    virtual bool hasFeature(char const* feature, char const* version) const = 0;
    virtual ITOVELDOMDocumentType* createDocumentType(char const* qualifiedName,
                                                      char const* publicId,
                                                      char const* systemId) const = 0;
    virtual ITOVELDOMDocument* createDocument(char const* namespaceURI, char const* qualifiedName,
                                              ITOVELDOMDocumentType* doctype) const = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMImplementation)
};

class TOVELDOM_API ITOVELDOMDocument : public ITOVELDOMNode {
public:
    virtual ITOVELDOMDocumentType* get_doctype() const = 0;
    virtual ITOVELDOMImplementation* get_implementation() const = 0;
    virtual ITOVELDOMElement* get_documentElement() const = 0;
    virtual ITOVELDOMElement* createElement(char const* tagName) const = 0;
    virtual ITOVELDOMDocumentFragment* createDocumentFragment() const = 0;
    virtual ITOVELDOMText* createTextNode(char const* data) const = 0;
    virtual ITOVELDOMComment* createComment(char const* data) const = 0;
    virtual ITOVELDOMCDATASection* createCDATASection(char const* data) const = 0;
    virtual ITOVELDOMProcessingInstruction* createProcessingInstruction(char const* target,
                                                                        char const* data) const = 0;
    virtual ITOVELDOMAttribute* createAttribute(char const* name) const = 0;
    virtual ITOVELDOMNode* createEntityReference(char const* name) const = 0;
    virtual ITOVELDOMNodeList* getElementsByTagName(char const* name) const = 0;
    virtual ITOVELDOMNode* importNode(ITOVELDOMNode* node, bool deep) = 0;
    virtual ITOVELDOMElement* createElementNS(char const* namespaceURI,
                                              char const* qualifiedName) const = 0;
    virtual ITOVELDOMAttribute* createAttributeNS(char const* namespaceURI,
                                                  char const* qualifiedName) const = 0;
    virtual ITOVELDOMNodeList* getElementsByTagNameNS(char const* namespaceURI,
                                                      char const* localName) const = 0;
    virtual bool get_resolveExternals() const = 0;
    virtual void put_resolveExternals(bool resolve) = 0;
    virtual bool get_preserveWhiteSpace() const = 0;
    virtual void put_preserveWhiteSpace(bool preserve) = 0;
    virtual void put_encoding(char const* encoding, char const* unused) = 0;
    virtual void put_encoding(char const* encoding) = 0;
    virtual char const* get_encoding() const = 0;
    virtual bool load(char const* fileName) = 0;
    virtual bool loadXML(char const* text, int length) = 0;
    virtual bool save(char* fileName) = 0;
    virtual ITOVELDOMNodeList* getElementsByTagNameNoCase(char const* name) const = 0;
    virtual ITOVELDOMNodeList* getElementsByTagNameNSNoCase(char const* namespaceURI,
                                                            char const* localName) const = 0;
    virtual void setIndentation(char const* unit) = 0;
    virtual void setIndentLevel(int level) = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMDocument)
};

class TOVELDOM_API ITOVELDOMElement : public ITOVELDOMNode {
public:
    virtual char const* get_tagName() const = 0;
    virtual char const* getAttribute(char const* name) = 0;
    virtual void setAttribute(char const* name, char const* value) = 0;
    virtual void removeAttribute(char const* name) = 0;
    virtual ITOVELDOMAttribute* getAttributeNode(char const* name) const = 0;
    virtual ITOVELDOMAttribute* setAttributeNode(ITOVELDOMAttribute* attribute) = 0;
    virtual ITOVELDOMAttribute* removeAttributeNode(ITOVELDOMAttribute* attribute) = 0;
    virtual ITOVELDOMNodeList* getElementsByTagName(char const* name) const = 0;
    virtual bool normalize() = 0;
    virtual char const* getAttributeNS(char const* namespaceURI, char const* localName) = 0;
    virtual void setAttributeNS(char const* namespaceURI, char const* qualifiedName,
                                char const* value) = 0;
    virtual void removeAttributeNS(char const* namespaceURI, char const* localName) = 0;
    virtual ITOVELDOMAttribute* getAttributeNodeNS(char const* namespaceURI,
                                                   char const* localName) const = 0;
    virtual ITOVELDOMAttribute* setAttributeNodeNS(ITOVELDOMAttribute* attribute) = 0;
    virtual ITOVELDOMNodeList* getElementsByTagNameNS(char const* namespaceURI,
                                                      char const* localName) const = 0;
    virtual ITOVELDOMNodeList* getElementsByTagNameNoCase(char const* name) const = 0;
    virtual ITOVELDOMNodeList* getElementsByTagNameNSNoCase(char const* namespaceURI,
                                                            char const* localName) const = 0;
    virtual void setNamespaceURI(char const* uri) = 0;
    virtual void order(ITOVELDOMOrderDef const* definition) = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMElement)
};

class TOVELDOM_API ITOVELDOMAttribute : public ITOVELDOMNode {
public:
    virtual char const* get_name() const = 0;
    virtual bool get_specified() const = 0;
    virtual char const* get_value() = 0;
    virtual void put_value(char const* value) = 0;
    virtual ITOVELDOMElement* get_ownerElement() const = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMAttribute)
};

class TOVELDOM_API ITOVELDOMProcessingInstruction : public ITOVELDOMNode {
public:
    virtual char const* get_target() const = 0;
    virtual char const* get_data() const = 0;
    virtual void put_data(char const* data) = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMProcessingInstruction)
};

class TOVELDOM_API ITOVELDOMDocumentType : public ITOVELDOMNode {
public:
    virtual char const* get_name() const = 0;
    virtual ITOVELDOMNamedNodeMap* get_entities() const = 0;
    virtual ITOVELDOMNamedNodeMap* get_notations() const = 0;
    virtual char const* get_publicID() const = 0;
    virtual char const* get_systemID() const = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMDocumentType)
};

class TOVELDOM_API ITOVELDOMDocumentFragment : public ITOVELDOMNode {
    TOVELDOM_INTERFACE_DTOR(ITOVELDOMDocumentFragment)
};

// Lengths and offsets count bytes of the UTF-8 data.
class TOVELDOM_API ITOVELDOMCharacterData : public ITOVELDOMNode {
public:
    virtual char const* get_data() const = 0;
    virtual void put_data(char const* data) = 0;
    virtual long get_length() const = 0;
    virtual char const* substringData(long offset, long count) = 0;
    virtual void appendData(char const* data) = 0;
    virtual void insertData(long offset, char const* data) = 0;
    virtual void deleteData(long offset, long count) = 0;
    virtual void replaceData(long offset, long count, char const* data) = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMCharacterData)
};

class TOVELDOM_API ITOVELDOMText : public ITOVELDOMCharacterData {
public:
    virtual ITOVELDOMText* splitText(long offset) = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMText)
};

class TOVELDOM_API ITOVELDOMComment : public ITOVELDOMCharacterData {
    TOVELDOM_INTERFACE_DTOR(ITOVELDOMComment)
};

class TOVELDOM_API ITOVELDOMCDATASection : public ITOVELDOMText {
    TOVELDOM_INTERFACE_DTOR(ITOVELDOMCDATASection)
};

// How CTOVELDOMElement::order regroups and sorts element children.
class TOVELDOM_API ITOVELDOMOrderDef {
public:
    enum eSort : int { eSortAscending = 0, eSortDescending = 1 };

    virtual void setGroup(char const* name, unsigned const& rank) = 0;
    virtual unsigned getGroupRank(char const* name) const = 0;
    virtual unsigned getGroupSize() const = 0;
    virtual void setSort(char const* tagName, unsigned const& tagLevel, eSort const& order,
                         bool const& caseSensitive) = 0;
    virtual char* getSortTagName() const = 0;
    virtual unsigned getSortTagLevel() const = 0;
    virtual eSort getSortOrder() const = 0;
    virtual bool getSortSensitivity() const = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    TOVELDOM_INTERFACE_DTOR(ITOVELDOMOrderDef)
};

#undef TOVELDOM_INTERFACE_DTOR

} // namespace LUMA_7_4_0

#endif

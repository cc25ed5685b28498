// CTOVELDOMElement: a tag name, a namespace URI, children and an attribute map.
#ifndef TOVELDOM_ELEMENT_H
#define TOVELDOM_ELEMENT_H

#include <cstdint>
#include <string>

#include <toveldom/dynamic_array.h>
#include <toveldom/export.h>
#include <toveldom/named_node_map.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

class CParsedAttributes;

class TOVELDOM_API CTOVELDOMElement : public CContainerNode<ITOVELDOMElement> {
public:
    static char const* const m_nodeType; // "element"

    // One child element while ordering: its sort key (pointing into the node's own text
    // cache, or null) and the node (no reference held).
    struct TOVELDOM_API SortElementDef {
        char const* key = nullptr;
        ITOVELDOMNode* node = nullptr;
        int32_t refCount = 0;

        virtual int AddRef() { return ++refCount; }
        virtual int Release() {
            int left = --refCount;
            if (left == 0) delete this;
            return left;
        }
        virtual ~SortElementDef() = default;
    };

    CTOVELDOMElement();
    CTOVELDOMElement(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* tagName,
                     char const* namespaceURI);
    // For the library: names the parser already shares among the nodes of a document.
    TOVELDOM_LOCAL CTOVELDOMElement(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                    CSharedString tagName, CSharedString namespaceURI);

    // ITOVELDOMNode
    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNamedNodeMap* get_attributes() const override; // +1 ref
    char const* get_namespaceURI() const override;          // "" when none
    char const* get_prefix() override;
    void put_prefix(char const* prefix) override;
    char const* get_localName() override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    void put_text(char const* text) override;

    // ITOVELDOMElement
    char const* get_tagName() const override;
    // The value in the result cache; "" (never null) when absent.
    char const* getAttribute(char const* name) override;
    void setAttribute(char const* name, char const* value) override;
    void removeAttribute(char const* name) override;
    ITOVELDOMAttribute* getAttributeNode(char const* name) const override;
    // Returns the replaced attribute carrying the map's former reference, or null.
    ITOVELDOMAttribute* setAttributeNode(ITOVELDOMAttribute* attribute) override;
    ITOVELDOMAttribute* removeAttributeNode(ITOVELDOMAttribute* attribute) override;
    ITOVELDOMNodeList* getElementsByTagName(char const* name) const override;
    bool normalize() override;
    char const* getAttributeNS(char const* namespaceURI, char const* localName) override;
    void setAttributeNS(char const* namespaceURI, char const* qualifiedName,
                        char const* value) override;
    void removeAttributeNS(char const* namespaceURI, char const* localName) override;
    ITOVELDOMAttribute* getAttributeNodeNS(char const* namespaceURI,
                                           char const* localName) const override;
    ITOVELDOMAttribute* setAttributeNodeNS(ITOVELDOMAttribute* attribute) override;
    ITOVELDOMNodeList* getElementsByTagNameNS(char const* namespaceURI,
                                              char const* localName) const override;
    ITOVELDOMNodeList* getElementsByTagNameNoCase(char const* name) const override;
    ITOVELDOMNodeList* getElementsByTagNameNSNoCase(char const* namespaceURI,
                                                    char const* localName) const override;
    void setNamespaceURI(char const* uri) override; // null stores ""
    void order(ITOVELDOMOrderDef const* definition) override;

    // ITOVELDOMPrivate
    std::string getText() override;
    void getXML(std::string& out) override;
    void setOwnerDocument(ITOVELDOMDocument* doc) override; // children and attributes too

    virtual void clearChildren();

    // Namespace declarations (attributes named xmlns or xmlns:prefix).
    ITOVELDOMAttribute* findNamespaceDecl(char const* prefix);
    bool checkNamespaceConflict(char const* prefix, char const* namespaceURI,
                                ITOVELDOMAttribute** existing);
    bool findAncestorNamespaceDecl(char const* prefix, char const* namespaceURI);
    // Declares prefix -> namespaceURI here unless an ancestor already does; drops an own
    // unspecified duplicate. NAMESPACE_CONFLICT_ERR when this element binds it otherwise.
    void resolveNamespaceDecl(char const* prefix, char const* namespaceURI);
    // Declares on this element what its own name, its attributes and its element children
    // need (not recursive).
    void addNamespaceDeclarations();
    // Stores a new attribute under name without any check (the parser's path).
    bool createAttribute(char const* name, char const* value, bool specified,
                         char const* namespaceURI);

    // Pre-order walks below this element, appending matches to list (a CTOVELDOMNodeList).
    void getChildElementsByTagName(char const* name, ITOVELDOMNodeList* list, bool noCase) const;
    void getChildElementsByTagNameNS(char const* namespaceURI, char const* localName,
                                     ITOVELDOMNodeList* list, bool noCase) const;

    // Sorts one ordering group by key (stable; caseSensitive picks the comparator).
    void sort(CDynamicArray<SortElementDef>& group, bool caseSensitive);

protected:
    ~CTOVELDOMElement() override;

private:
    friend struct ElementAccess; // the library's way in (src/nodes/node_access.h)

    static int x_s_strcoll(const void* a, const void* b);
    static int x_i_strcoll(const void* a, const void* b);

    // Detaches attr from this element and drops the map's reference.
    TOVELDOM_LOCAL void dropAttribute(ITOVELDOMNode* attr);

    // Makes nodes of the parsed attributes and stores them in the map, in their order.
    TOVELDOM_LOCAL void materializeAttributes() const;
    // The map, made if there is none, without turning parsed attributes into nodes.
    TOVELDOM_LOCAL CTOVELDOMNamedNodeMap& mapAsIs() const;
    // Makes our attribute and stores it under name, replacing one of that name in its place.
    TOVELDOM_LOCAL void storeNewAttribute(CTOVELDOMNamedNodeMap& map, const CSharedString& name,
                                          const char* value, size_t valueLength, bool specified,
                                          const CSharedString& namespaceURI) const;

    mutable CTOVELDOMNamedNodeMap* attributes;
    mutable CParsedAttributes* parsedAttributes; // null once they are nodes
    CSharedString tagName;
    CSharedString namespaceURI;
};

} // namespace LUMA_7_4_0

#endif

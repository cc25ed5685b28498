// CTOVELDOMAttribute: a name, a namespace URI, and a value made of child text nodes.
#ifndef TOVELDOM_ATTRIBUTE_H
#define TOVELDOM_ATTRIBUTE_H

#include <string>

#include <toveldom/export.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

// Stored in an element's attribute map, never in a child list: it has an owner element
// (kept in the parent link) but no parent and no siblings.
class TOVELDOM_API CTOVELDOMAttribute : public CContainerNode<ITOVELDOMAttribute> {
public:
    static char const* const m_nodeType; // "attribute"

    CTOVELDOMAttribute();
    CTOVELDOMAttribute(ITOVELDOMDocument* doc, ITOVELDOMNode* ownerElement, char const* name,
                       char const* namespaceURI, bool specified);
    // For the library: names the parser already shares among the nodes of a document.
    TOVELDOM_LOCAL CTOVELDOMAttribute(ITOVELDOMDocument* doc, ITOVELDOMNode* ownerElement,
                                      CSharedString name, CSharedString namespaceURI,
                                      bool specified);

    char const* get_nodeName() const override;
    char const* get_nodeValue() override; // the value, in the result cache
    void put_nodeValue(char const* value) override;
    tagITOVELDOMNodeType get_nodeType() const override;
    ITOVELDOMNode* get_parentNode() const override;      // null
    ITOVELDOMNode* get_previousSibling() const override; // null
    ITOVELDOMNode* get_nextSibling() const override;     // null
    char const* get_namespaceURI() const override;
    char const* get_prefix() override;
    void put_prefix(char const* prefix) override;
    char const* get_localName() override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    char const* get_nodeTypeString() const override;
    char const* get_text() override;
    void put_text(char const* text) override;

    char const* get_name() const override;
    bool get_specified() const override;
    char const* get_value() override;
    void put_value(char const* value) override;
    ITOVELDOMElement* get_ownerElement() const override; // +1 ref, or null

    std::string getText() override;
    void getXML(std::string& out) override;
    void setNamespaceURI(char const* uri) override;
    void setOwnerDocument(ITOVELDOMDocument* doc) override; // names unshared on a change

    virtual void clearChildren();
    // The owner element without a reference.
    virtual ITOVELDOMNode* getParentElement();

protected:
    ~CTOVELDOMAttribute() override;

private:
    friend struct AttributeAccess; // the library's way in (src/nodes/node_access.h)

    // A value set through the attribute is kept as a string and turns into the text child
    // that holds it only when somebody asks for the children: most attributes are only
    // ever read and printed.
    TOVELDOM_LOCAL void setPendingValue(const char* value, size_t length);
    TOVELDOM_LOCAL void materializeValue();
    TOVELDOM_LOCAL CSharedString sharedWithCopy(const CSharedString& text) const;

    CSharedString name;
    CSharedString namespaceURI;
    std::string pendingValue;
    bool specified;
    bool valuePending = false;
};

} // namespace LUMA_7_4_0

#endif

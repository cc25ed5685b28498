// CTOVELDOMDocument: the root of a tree, the factory of its nodes, and the settings that
// loading and printing use.
#ifndef TOVELDOM_DOCUMENT_H
#define TOVELDOM_DOCUMENT_H

#include <cstdint>
#include <string>

#include <toveldom/export.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

class TOVELDOM_API CTOVELDOMDocument : public CContainerNode<ITOVELDOMDocument> {
public:
    static char const* const m_nodeName; // "#document"
    static char const* const m_nodeType; // "document"

    CTOVELDOMDocument();

    // ITOVELDOMNode
    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* get_parentNode() const override;        // null
    ITOVELDOMNode* get_previousSibling() const override;   // null
    ITOVELDOMNode* get_nextSibling() const override;       // null
    ITOVELDOMDocument* get_ownerDocument() const override; // null
    char const* get_namespaceURI() const override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    void put_text(char const* text) override; // NOT_IMPLEMENTED_ERR

    // ITOVELDOMDocument
    ITOVELDOMDocumentType* get_doctype() const override;
    ITOVELDOMImplementation* get_implementation() const override;
    ITOVELDOMElement* get_documentElement() const override;
    ITOVELDOMElement* createElement(char const* tagName) const override;
    ITOVELDOMDocumentFragment* createDocumentFragment() const override;
    ITOVELDOMText* createTextNode(char const* data) const override;
    ITOVELDOMComment* createComment(char const* data) const override;
    ITOVELDOMCDATASection* createCDATASection(char const* data) const override;
    ITOVELDOMProcessingInstruction* createProcessingInstruction(char const* target,
                                                                char const* data) const override;
    ITOVELDOMAttribute* createAttribute(char const* name) const override;
    ITOVELDOMNode* createEntityReference(char const* name) const override;
    ITOVELDOMNodeList* getElementsByTagName(char const* name) const override;
    ITOVELDOMNode* importNode(ITOVELDOMNode* node, bool deep) override;
    ITOVELDOMElement* createElementNS(char const* namespaceURI,
                                      char const* qualifiedName) const override;
    ITOVELDOMAttribute* createAttributeNS(char const* namespaceURI,
                                          char const* qualifiedName) const override;
    ITOVELDOMNodeList* getElementsByTagNameNS(char const* namespaceURI,
                                              char const* localName) const override;
    bool get_resolveExternals() const override;
    void put_resolveExternals(bool resolve) override;
    bool get_preserveWhiteSpace() const override;
    void put_preserveWhiteSpace(bool preserve) override;
    void put_encoding(char const* encoding, char const* unused) override;
    void put_encoding(char const* encoding) override;
    char const* get_encoding() const override;
    bool load(char const* fileName) override;
    bool loadXML(char const* text, int length) override;
    bool save(char* fileName) override;
    ITOVELDOMNodeList* getElementsByTagNameNoCase(char const* name) const override;
    ITOVELDOMNodeList* getElementsByTagNameNSNoCase(char const* namespaceURI,
                                                    char const* localName) const override;
    void setIndentation(char const* unit) override; // null is taken as ""
    void setIndentLevel(int level) override;

    // ITOVELDOMPrivate
    std::string getText() override;
    void getXML(std::string& out) override;
    void setNamespaceURI(char const* uri) override;
    void setParentNode(ITOVELDOMNode* parent) override;     // HIERARCHY_REQUEST_ERR
    void setOwnerDocument(ITOVELDOMDocument* doc) override; // HIERARCHY_REQUEST_ERR

    // Installs the document element after the document type, or last (+1 ref).
    virtual ITOVELDOMElement* put_documentElement(ITOVELDOMElement* element);

    void setVersion(char const* version); // null stores "1.0"
    void setStandalone(bool standalone);
    char const* getVersion() const { return version.c_str(); }
    bool getStandalone() const { return standalone; }
    // Loading with a named external DTD left unread (see toveldom/loading.h).
    void setExternalDTDSkipped(bool skip) { skipExternalDTD = skip; }
    bool getExternalDTDSkipped() const { return skipExternalDTD; }
    // Removes every child (the parser's reset before and after a load).
    void clearDocument() { clearChildNodes(); }

protected:
    ~CTOVELDOMDocument() override;

private:
    friend class CTOVELDOMElement;
    friend class CTOVELDOMDocumentFragment;
    friend struct SerializeAccess;
    friend struct ParseContext;
    virtual int getIndentLevel();
    virtual char const* getIndentation();
    TOVELDOM_LOCAL ITOVELDOMDocument* selfPtr() const;

    int32_t indentLevel;
    std::string indentation;
    std::string namespaceURI;
    std::string version;
    std::string encoding;
    bool standalone;
    bool resolveExternals;
    bool preserveWhiteSpace;
    bool skipExternalDTD = false;
};

} // namespace LUMA_7_4_0

#endif

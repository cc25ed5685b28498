// CTOVELDOMDocumentType: the name, identifiers and internal subset of a document type
// declaration. A container whose public child operations are refused.
#ifndef TOVELDOM_DOCUMENT_TYPE_H
#define TOVELDOM_DOCUMENT_TYPE_H

#include <string>

#include <toveldom/export.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

class TOVELDOM_API CTOVELDOMDocumentType : public CContainerNode<ITOVELDOMDocumentType> {
public:
    static char const* const m_nodeType; // "documenttype"

    CTOVELDOMDocumentType();
    // Note the order: the system identifier comes before the public one.
    CTOVELDOMDocumentType(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* name,
                          char const* systemID, char const* publicID, char const* internalSubset);

    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    char const* get_text() override; // always ""
    // The public child operations and put_text throw NO_MODIFICATION_ALLOWED_ERR.
    void put_text(char const* text) override;
    ITOVELDOMNode* insertBefore(ITOVELDOMNode* newChild, ITOVELDOMNode* refChild) override;
    ITOVELDOMNode* replaceChild(ITOVELDOMNode* newChild, ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* removeChild(ITOVELDOMNode* oldChild) override;
    ITOVELDOMNode* appendChild(ITOVELDOMNode* newChild) override;

    char const* get_name() const override;
    ITOVELDOMNamedNodeMap* get_entities() const override;  // NOT_IMPLEMENTED_ERR
    ITOVELDOMNamedNodeMap* get_notations() const override; // NOT_IMPLEMENTED_ERR
    char const* get_publicID() const override;
    char const* get_systemID() const override;

    std::string getText() override; // ""
    void getXML(std::string& out) override;

    virtual void clearChildren();

    char const* getInternalSubset() const { return internalSubset.c_str(); }

protected:
    ~CTOVELDOMDocumentType() override;

private:
    std::string name;
    std::string publicID;
    std::string systemID;
    std::string internalSubset;
};

} // namespace LUMA_7_4_0

#endif

// CTOVELDOMDocumentFragment: a parentless container whose children move into the place
// where it is inserted.
#ifndef TOVELDOM_DOCUMENT_FRAGMENT_H
#define TOVELDOM_DOCUMENT_FRAGMENT_H

#include <string>

#include <toveldom/export.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

class TOVELDOM_API CTOVELDOMDocumentFragment : public CContainerNode<ITOVELDOMDocumentFragment> {
public:
    static char const* const m_nodeName; // "#document-fragment"
    static char const* const m_nodeType; // "documentfragment"

    explicit CTOVELDOMDocumentFragment(ITOVELDOMDocument* doc);

    char const* get_nodeName() const override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* get_parentNode() const override;      // null
    ITOVELDOMNode* get_previousSibling() const override; // null
    ITOVELDOMNode* get_nextSibling() const override;     // null
    ITOVELDOMNode* cloneNode(bool deep) override;
    void put_text(char const* text) override; // replaces the children by one text node

    std::string getText() override;
    void getXML(std::string& out) override;
    void setParentNode(ITOVELDOMNode* parent) override; // HIERARCHY_REQUEST_ERR

    virtual void clearChildren();

protected:
    ~CTOVELDOMDocumentFragment() override;
};

} // namespace LUMA_7_4_0

#endif

#include <toveldom/character_data.h>
#include <toveldom/document_fragment.h>
#include <toveldom/factories.h>
#include <toveldom/node_ptr.h>

#include "frame/alloc.h"
#include "nodes/private_cast.h"
#include "nodes/text_content.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMDocumentFragment::m_nodeName = "#document-fragment";
char const* const CTOVELDOMDocumentFragment::m_nodeType = "documentfragment";

CTOVELDOMDocumentFragment::CTOVELDOMDocumentFragment(ITOVELDOMDocument* doc)
    : CContainerNode(doc, nullptr) {}

CTOVELDOMDocumentFragment::~CTOVELDOMDocumentFragment() = default;

char const* CTOVELDOMDocumentFragment::get_nodeName() const { return m_nodeName; }
tagITOVELDOMNodeType CTOVELDOMDocumentFragment::get_nodeType() const {
    return NODE_DOCUMENT_FRAGMENT;
}
char const* CTOVELDOMDocumentFragment::get_nodeTypeString() const { return m_nodeType; }
ITOVELDOMNode* CTOVELDOMDocumentFragment::get_parentNode() const { return nullptr; }
ITOVELDOMNode* CTOVELDOMDocumentFragment::get_previousSibling() const { return nullptr; }
ITOVELDOMNode* CTOVELDOMDocumentFragment::get_nextSibling() const { return nullptr; }
void CTOVELDOMDocumentFragment::clearChildren() { clearChildNodes(); }

void CTOVELDOMDocumentFragment::setParentNode(ITOVELDOMNode*) {
    throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
}

std::string CTOVELDOMDocumentFragment::getText() {
    std::string text;
    appendTextContent(this, text);
    return text;
}

void CTOVELDOMDocumentFragment::put_text(char const* text) {
    CNodePtr<ITOVELDOMNode> node;
    if (text) node = CNodePtr<ITOVELDOMNode>(make<CTOVELDOMText>(ownerDocument, nullptr, text));
    clearChildNodes();
    if (node) CNodePtr<ITOVELDOMNode>::adopt(appendChild(node));
}

ITOVELDOMNode* CTOVELDOMDocumentFragment::cloneNode(bool deep) try {
    ITOVELDOMDocumentFragment* copy = gpfnCreateXMLFragment_7_4_0
                                          ? gpfnCreateXMLFragment_7_4_0(ownerDocument)
                                          : tryMake<CTOVELDOMDocumentFragment>(ownerDocument);
    if (!copy) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    CNodePtr<ITOVELDOMNode> hold(copy);
    if (deep) appendChildCopies(copy);
    return hold.detach();
} catch (...) {
    rethrowAsLibraryError();
}

} // namespace LUMA_7_4_0

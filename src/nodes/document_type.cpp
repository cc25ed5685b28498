#include <toveldom/document_type.h>
#include <toveldom/node_ptr.h>

#include "frame/alloc.h"
#include "frame/shared_string.h"
#include "nodes/private_cast.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMDocumentType::m_nodeType = "documenttype";

CTOVELDOMDocumentType::CTOVELDOMDocumentType() : CContainerNode(nullptr, nullptr) {}

CTOVELDOMDocumentType::CTOVELDOMDocumentType(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                             char const* name, char const* systemID,
                                             char const* publicID, char const* internalSubset)
    : CContainerNode(doc, parent), name(name ? name : ""), publicID(publicID ? publicID : ""),
      systemID(systemID ? systemID : ""), internalSubset(internalSubset ? internalSubset : "") {}

CTOVELDOMDocumentType::~CTOVELDOMDocumentType() = default;

char const* CTOVELDOMDocumentType::get_nodeName() const { return name.c_str(); }
tagITOVELDOMNodeType CTOVELDOMDocumentType::get_nodeType() const { return NODE_DOCUMENT_TYPE; }
char const* CTOVELDOMDocumentType::get_nodeTypeString() const { return m_nodeType; }
char const* CTOVELDOMDocumentType::get_name() const { return name.c_str(); }
char const* CTOVELDOMDocumentType::get_publicID() const { return publicID.c_str(); }
char const* CTOVELDOMDocumentType::get_systemID() const { return systemID.c_str(); }
char const* CTOVELDOMDocumentType::get_text() { return resultCache.fresh().c_str(); }
std::string CTOVELDOMDocumentType::getText() { return std::string(); }
void CTOVELDOMDocumentType::clearChildren() { clearChildNodes(); }

[[noreturn]] static void refuse() { throw TOVELDOMException(NO_MODIFICATION_ALLOWED_ERR); }

void CTOVELDOMDocumentType::put_text(char const*) { refuse(); }
ITOVELDOMNode* CTOVELDOMDocumentType::insertBefore(ITOVELDOMNode*, ITOVELDOMNode*) { refuse(); }
ITOVELDOMNode* CTOVELDOMDocumentType::replaceChild(ITOVELDOMNode*, ITOVELDOMNode*) { refuse(); }
ITOVELDOMNode* CTOVELDOMDocumentType::removeChild(ITOVELDOMNode*) { refuse(); }
ITOVELDOMNode* CTOVELDOMDocumentType::appendChild(ITOVELDOMNode*) { refuse(); }

ITOVELDOMNamedNodeMap* CTOVELDOMDocumentType::get_entities() const {
    throw TOVELDOMException(NOT_IMPLEMENTED_ERR);
}
ITOVELDOMNamedNodeMap* CTOVELDOMDocumentType::get_notations() const {
    throw TOVELDOMException(NOT_IMPLEMENTED_ERR);
}

ITOVELDOMNode* CTOVELDOMDocumentType::cloneNode(bool deep) try {
    auto* copy = make<CTOVELDOMDocumentType>(ownerDocument, nullptr, name.c_str(), systemID.c_str(),
                                             publicID.c_str(), internalSubset.c_str());
    CNodePtr<ITOVELDOMNode> hold(copy);
    if (deep) appendChildCopies(copy);
    return hold.detach();
} catch (...) {
    rethrowAsLibraryError();
}

} // namespace LUMA_7_4_0

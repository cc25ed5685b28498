#include "nodes/character_data.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMComment::m_nodeName = "#comment";
char const* const CTOVELDOMComment::m_nodeType = "comment";

CTOVELDOMComment::CTOVELDOMComment() : CCharacterData(nullptr, nullptr, nullptr) {}
CTOVELDOMComment::CTOVELDOMComment(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* data)
    : CCharacterData(doc, parent, data) {}

char const* CTOVELDOMComment::get_nodeName() const { return m_nodeName; }
tagITOVELDOMNodeType CTOVELDOMComment::get_nodeType() const { return NODE_COMMENT; }
char const* CTOVELDOMComment::get_nodeTypeString() const { return m_nodeType; }
ITOVELDOMNode* CTOVELDOMComment::cloneNode(bool) { return cloneCharacterData(*this); }

void CTOVELDOMComment::getXML(std::string& out) { out.append("<!--").append(value).append("-->"); }

} // namespace LUMA_7_4_0

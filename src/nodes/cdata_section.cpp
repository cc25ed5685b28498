#include "nodes/character_data.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMCDATASection::m_nodeName = "#cdata-section";
char const* const CTOVELDOMCDATASection::m_nodeType = "cdatasection";

CTOVELDOMCDATASection::CTOVELDOMCDATASection() : CCharacterData(nullptr, nullptr, nullptr) {}
CTOVELDOMCDATASection::CTOVELDOMCDATASection(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                             char const* data)
    : CCharacterData(doc, parent, data) {}

char const* CTOVELDOMCDATASection::get_nodeName() const { return m_nodeName; }
tagITOVELDOMNodeType CTOVELDOMCDATASection::get_nodeType() const { return NODE_CDATA_SECTION; }
char const* CTOVELDOMCDATASection::get_nodeTypeString() const { return m_nodeType; }
ITOVELDOMNode* CTOVELDOMCDATASection::cloneNode(bool) { return cloneCharacterData(*this); }

ITOVELDOMText* CTOVELDOMCDATASection::splitText(long offset) {
    return splitCharacterData(*this, offset);
}

void CTOVELDOMCDATASection::setNamespaceURI(char const*) {
    throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
}

// The data goes out unchanged, even when it contains "]]>" itself.
void CTOVELDOMCDATASection::getXML(std::string& out) {
    out.append("<![CDATA[").append(value).append("]]>");
}

} // namespace LUMA_7_4_0

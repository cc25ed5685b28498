#include "nodes/character_data.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMText::m_nodeName = "#text";
char const* const CTOVELDOMText::m_nodeType = "text";

CTOVELDOMText::CTOVELDOMText() : CCharacterData(nullptr, nullptr, nullptr) {}
CTOVELDOMText::CTOVELDOMText(ITOVELDOMDocument* doc, ITOVELDOMNode* parent, char const* data)
    : CCharacterData(doc, parent, data) {}

char const* CTOVELDOMText::get_nodeName() const { return m_nodeName; }
tagITOVELDOMNodeType CTOVELDOMText::get_nodeType() const { return NODE_TEXT; }
char const* CTOVELDOMText::get_nodeTypeString() const { return m_nodeType; }
ITOVELDOMNode* CTOVELDOMText::cloneNode(bool) { return cloneCharacterData(*this); }
ITOVELDOMText* CTOVELDOMText::splitText(long offset) { return splitCharacterData(*this, offset); }

} // namespace LUMA_7_4_0

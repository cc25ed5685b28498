#include <toveldom/processing_instruction.h>

#include "frame/alloc.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMProcessingInstruction::m_nodeType = "processinginstruction";

CTOVELDOMProcessingInstruction::CTOVELDOMProcessingInstruction() : CLeafNode(nullptr, nullptr) {}

CTOVELDOMProcessingInstruction::CTOVELDOMProcessingInstruction(ITOVELDOMDocument* doc,
                                                               ITOVELDOMNode* parent,
                                                               char const* target, char const* data)
    : CLeafNode(doc, parent), target(target ? target : ""), data(data ? data : "") {}

char const* CTOVELDOMProcessingInstruction::get_nodeName() const { return target.c_str(); }
char const* CTOVELDOMProcessingInstruction::get_localName() { return target.c_str(); }
char const* CTOVELDOMProcessingInstruction::get_nodeValue() { return data.c_str(); }
void CTOVELDOMProcessingInstruction::put_nodeValue(char const* value) { put_data(value); }
tagITOVELDOMNodeType CTOVELDOMProcessingInstruction::get_nodeType() const {
    return NODE_PROCESSING_INSTRUCTION;
}
char const* CTOVELDOMProcessingInstruction::get_nodeTypeString() const { return m_nodeType; }
char const* CTOVELDOMProcessingInstruction::get_text() { return data.c_str(); }
void CTOVELDOMProcessingInstruction::put_text(char const* text) { put_data(text); }
char const* CTOVELDOMProcessingInstruction::get_target() const { return target.c_str(); }
char const* CTOVELDOMProcessingInstruction::get_data() const { return data.c_str(); }
void CTOVELDOMProcessingInstruction::put_data(char const* value) try {
    data = value ? value : "";
} catch (...) {
    rethrowAsLibraryError();
}
std::string CTOVELDOMProcessingInstruction::getText() { return data; }

ITOVELDOMNode* CTOVELDOMProcessingInstruction::cloneNode(bool) try {
    auto* copy =
        make<CTOVELDOMProcessingInstruction>(ownerDocument, nullptr, target.c_str(), data.c_str());
    copy->AddRef();
    return copy;
} catch (...) {
    rethrowAsLibraryError();
}

void CTOVELDOMProcessingInstruction::getXML(std::string& out) {
    out.append("<?").append(target);
    if (!data.empty()) out.append(" ").append(data);
    out.append("?>");
}

} // namespace LUMA_7_4_0

// CTOVELDOMProcessingInstruction: a leaf holding a target and data.
#ifndef TOVELDOM_PROCESSING_INSTRUCTION_H
#define TOVELDOM_PROCESSING_INSTRUCTION_H

#include <string>

#include <toveldom/export.h>
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

class TOVELDOM_API CTOVELDOMProcessingInstruction
    : public CLeafNode<ITOVELDOMProcessingInstruction> {
public:
    static char const* const m_nodeType; // "processinginstruction"

    CTOVELDOMProcessingInstruction();
    CTOVELDOMProcessingInstruction(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                   char const* target, char const* data);

    char const* get_nodeName() const override; // the target
    char const* get_localName() override;      // the target
    char const* get_nodeValue() override;      // the data
    void put_nodeValue(char const* value) override;
    tagITOVELDOMNodeType get_nodeType() const override;
    char const* get_nodeTypeString() const override;
    ITOVELDOMNode* cloneNode(bool deep) override;
    char const* get_text() override; // the data, no cache
    void put_text(char const* text) override;
    char const* get_target() const override;
    char const* get_data() const override;
    void put_data(char const* data) override;
    std::string getText() override;
    void getXML(std::string& out) override;

private:
    std::string target;
    std::string data;
};

} // namespace LUMA_7_4_0

#endif

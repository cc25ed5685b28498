#include "nodes/text_content.h"

#include <vector>

#include <toveldom/character_data.h>
#include <toveldom/document_fragment.h>
#include <toveldom/element.h>

#include "nodes/private_cast.h"

namespace LUMA_7_4_0 {

void appendTextContent(ITOVELDOMNode* container, std::string& out) {
    // Each level is a library element (or the fragment at the top) and the next child
    // to visit.
    struct Level {
        const CTOVELDOMElement* element;
        const CTOVELDOMDocumentFragment* fragment;
        int next;
        int count() const { return element ? element->childCount() : fragment->childCount(); }
        ITOVELDOMNode* at(int i) const {
            return element ? element->childAt(i) : fragment->childAt(i);
        }
    };
    std::vector<Level> stack;
    if (const CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(container))
        stack.push_back({element, nullptr, 0});
    else if (const auto* fragment = asExactly<CTOVELDOMDocumentFragment>(container))
        stack.push_back({nullptr, fragment, 0});
    else {
        out += privateInterface(container)->getText();
        return;
    }
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.count()) {
            stack.pop_back();
            continue;
        }
        ITOVELDOMNode* child = level.at(level.next++);
        if (const CTOVELDOMText* text = asExactly<CTOVELDOMText>(child)) {
            out += text->data();
        } else if (const CTOVELDOMCDATASection* cdata = asExactly<CTOVELDOMCDATASection>(child)) {
            out += cdata->data();
        } else if (const CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(child)) {
            if (element->childCount() > 0) stack.push_back({element, nullptr, 0});
        } else {
            tagITOVELDOMNodeType kind = child->get_nodeType();
            if (kind == NODE_ELEMENT || kind == NODE_TEXT || kind == NODE_CDATA_SECTION)
                out += privateInterface(child)->getText();
        }
    }
}

} // namespace LUMA_7_4_0

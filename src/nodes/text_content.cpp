#include "nodes/text_content.h"

#include <vector>

#include <toveldom/character_data.h>
#include <toveldom/document_fragment.h>
#include <toveldom/element.h>

#include "tree/private_cast.h"

namespace LUMA_7_4_0 {

namespace {

// A library container's children, or null for a host's own class.
template <class C> bool childrenOf(ITOVELDOMNode* node, const CTOVELDOMNodeList*& list) {
    if (C* c = asExactly<C>(node)) {
        list = c->childList();
        return true;
    }
    return false;
}
} // namespace

void appendTextContent(ITOVELDOMNode* container, std::string& out) {
    struct Level {
        const CTOVELDOMNodeList* list;
        int next;
    };
    const CTOVELDOMNodeList* top = nullptr;
    if (!childrenOf<CTOVELDOMElement>(container, top) &&
        !childrenOf<CTOVELDOMDocumentFragment>(container, top)) {
        out += privateOf(container)->getText();
        return;
    }
    std::vector<Level> stack;
    stack.push_back({top, 0});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (!level.list || level.next >= level.list->count()) {
            stack.pop_back();
            continue;
        }
        ITOVELDOMNode* child = level.list->elementAt(level.next++);
        if (const CTOVELDOMText* text = asExactly<CTOVELDOMText>(child)) {
            out += text->data();
        } else if (const CTOVELDOMCDATASection* cdata = asExactly<CTOVELDOMCDATASection>(child)) {
            out += cdata->data();
        } else if (CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(child)) {
            if (element->childCount() > 0) stack.push_back({element->childList(), 0});
        } else {
            tagITOVELDOMNodeType kind = child->get_nodeType();
            if (kind == NODE_ELEMENT || kind == NODE_TEXT || kind == NODE_CDATA_SECTION)
                out += privateOf(child)->getText();
        }
    }
}

} // namespace LUMA_7_4_0

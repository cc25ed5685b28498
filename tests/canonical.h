// The canonical form of a loaded tree, as the conformance suite's reference outputs write
// it: the processing instructions and the document element in document order, comments
// and the document type left out; every element as a start and an end tag (never empty-
// element syntax) with its attributes sorted by name; text and CDATA sections as escaped
// character data; processing instructions as "<?target data?>" with one space after the
// target. Character data and attribute values escape &, <, >, " and the three white-space
// characters tab, line feed and carriage return (&#9; &#10; &#13;).
//
// The writer reads the tree only through the public interfaces, so it checks what a host
// sees, and holds every reference it takes in a CNodePtr.
#ifndef TOVELDOM_TESTS_CANONICAL_H
#define TOVELDOM_TESTS_CANONICAL_H

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <toveldom/toveldom.h>

namespace tovel_test {

using namespace LUMA_7_4_0;

inline void appendCanonicalEscaped(std::string& out, const char* data) {
    for (const char* p = data ? data : ""; *p; ++p) {
        switch (*p) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += *p;
            break;
        }
    }
}

inline void appendCanonicalPI(std::string& out, ITOVELDOMNode* node) {
    auto* pi = static_cast<ITOVELDOMProcessingInstruction*>(node);
    out += "<?";
    out += pi->get_target();
    out += ' ';
    out += pi->get_data();
    out += "?>";
}

// Attribute names and values of an element, sorted by name (bytes of UTF-8 compare in
// code point order).
inline std::vector<std::pair<std::string, std::string>> sortedAttributes(ITOVELDOMNode* element) {
    std::vector<std::pair<std::string, std::string>> out;
    CNodePtr<ITOVELDOMNamedNodeMap> map =
        CNodePtr<ITOVELDOMNamedNodeMap>::adopt(element->get_attributes());
    if (!map) return out;
    for (long i = 0; i < map->get_length(); ++i) {
        auto attribute = CNodePtr<ITOVELDOMNode>::adopt(map->get_item(i));
        auto* a = static_cast<ITOVELDOMAttribute*>(attribute.get());
        out.emplace_back(a->get_name(), a->get_value());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Appends the canonical form of node (an element or a child of one). Iterative: a work
// list of nodes to open and tags to close, so deep trees cost no native stack.
inline void appendCanonicalNode(std::string& out, ITOVELDOMNode* root) {
    struct Step {
        CNodePtr<ITOVELDOMNode> node; // null: close the tag below
        std::string closeTag;
    };
    std::vector<Step> work;
    work.push_back({CNodePtr<ITOVELDOMNode>(root), {}});
    while (!work.empty()) {
        Step step = std::move(work.back());
        work.pop_back();
        if (!step.node) {
            out += "</" + step.closeTag + ">";
            continue;
        }
        ITOVELDOMNode* node = step.node;
        switch (node->get_nodeType()) {
        case NODE_ELEMENT: {
            std::string name = node->get_nodeName();
            out += "<" + name;
            for (const auto& [attributeName, value] : sortedAttributes(node)) {
                out += " " + attributeName + "=\"";
                appendCanonicalEscaped(out, value.c_str());
                out += "\"";
            }
            out += ">";
            work.push_back({CNodePtr<ITOVELDOMNode>(), name});
            // Children go on the work list last first, so they come off in order.
            for (auto child = CNodePtr<ITOVELDOMNode>::adopt(node->get_lastChild()); child;
                 child = CNodePtr<ITOVELDOMNode>::adopt(child->get_previousSibling()))
                work.push_back({child, {}});
            break;
        }
        case NODE_TEXT:
        case NODE_CDATA_SECTION:
            appendCanonicalEscaped(out, static_cast<ITOVELDOMCharacterData*>(node)->get_data());
            break;
        case NODE_PROCESSING_INSTRUCTION:
            appendCanonicalPI(out, node);
            break;
        default:
            break; // comments carry no canonical text
        }
    }
}

// The canonical form of a whole document.
inline std::string canonicalForm(ITOVELDOMDocument* document) {
    std::string out;
    for (auto child = CNodePtr<ITOVELDOMNode>::adopt(document->get_firstChild()); child;
         child = CNodePtr<ITOVELDOMNode>::adopt(child->get_nextSibling())) {
        switch (child->get_nodeType()) {
        case NODE_ELEMENT:
            appendCanonicalNode(out, child);
            break;
        case NODE_PROCESSING_INSTRUCTION:
            appendCanonicalPI(out, child);
            break;
        default:
            break; // comments and the document type
        }
    }
    return out;
}

} // namespace tovel_test

#endif

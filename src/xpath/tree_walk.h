// A node's children as the walks read them: straight from the library's child list, or
// through the interfaces for a host's own node classes.
#ifndef TOVELDOM_SRC_XPATH_TREE_WALK_H
#define TOVELDOM_SRC_XPATH_TREE_WALK_H

#include <string>
#include <vector>

#include <toveldom/element.h>
#include <toveldom/interfaces.h>
#include <toveldom/named_node_map.h>
#include <toveldom/node_list.h>
#include <toveldom/node_ptr.h>

#include "nodes/node_access.h"
#include "nodes/private_cast.h"
#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

struct Kids {
    CTOVELDOMNodeList* list = nullptr;
    ITOVELDOMNode* one = nullptr;     // the only child, held outside a list
    ITOVELDOMNode* generic = nullptr; // a host's node, asked each time
    int count = 0;

    ITOVELDOMNode* at(int i) const { return list ? (*list)[i] : generic ? genericAt(i) : one; }
    ITOVELDOMNode* genericAt(int i) const;
};

Kids kidsOf(ITOVELDOMNode* node);
int indexIn(const Kids& kids, ITOVELDOMNode* child); // -1 when not there
void appendAttributeValue(ITOVELDOMNode* attr, std::string& out);
bool isDeclaration(ITOVELDOMNode* attr);

// Calls visit(attribute) for each attribute of element in the tree's order, namespace
// declarations included.
template <class Visit> void forEachAttributeNode(ITOVELDOMNode* element, Visit&& visit) {
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(element)) {
        const CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*e);
        if (!map) return;
        for (__MAPPOS pos = map->begin(); pos;)
            if (ITOVELDOMNode* attr = map->nextValue(pos)) visit(attr);
        return;
    }
    CNodePtr<ITOVELDOMNamedNodeMap> map =
        CNodePtr<ITOVELDOMNamedNodeMap>::adopt(element->get_attributes());
    if (!map) return;
    for (long i = 0, n = map->get_length(); i < n; ++i) {
        ITOVELDOMNode* attr = map->get_item(i);
        if (!attr) continue;
        attr->Release(); // the map keeps it
        visit(attr);
    }
}

// Calls visit(node) for the nodes below top in document order until it returns false;
// returns false when stopped.
// An explicit stack: a document may nest deeper than the call stack allows.
template <class Visit> bool walkBelow(ITOVELDOMNode* top, Visit&& visit) {
    struct Level {
        Kids kids;
        int next;
    };
    std::vector<Level> stack;
    stack.push_back(Level{kidsOf(top), 0});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.kids.count) {
            stack.pop_back();
            continue;
        }
        ITOVELDOMNode* child = level.kids.at(level.next++);
        Kind k = tree::kindOf(child);
        if (k == Kind::Other) continue;
        if (!visit(child, k)) return false;
        if (k == Kind::Element && kidsOf(child).count) stack.push_back(Level{kidsOf(child), 0});
    }
    return true;
}

} // namespace xpath
} // namespace LUMA_7_4_0

#endif

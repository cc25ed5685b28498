// A node's children as the walks read them: straight from the library's child list, or
// through the interfaces for a host's own node classes.
#ifndef TOVELDOM_SRC_XPATH_TREE_WALK_H
#define TOVELDOM_SRC_XPATH_TREE_WALK_H

#include <string>

#include <toveldom/element.h>
#include <toveldom/interfaces.h>
#include <toveldom/named_node_map.h>
#include <toveldom/node_list.h>
#include <toveldom/node_ptr.h>

#include "nodes/node_access.h"
#include "nodes/private_cast.h"

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

} // namespace xpath
} // namespace LUMA_7_4_0

#endif

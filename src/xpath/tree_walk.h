// A node's children as the walks read them: straight from the library's child list, or
// through the interfaces for a host's own node classes.
#ifndef TOVELDOM_SRC_XPATH_TREE_WALK_H
#define TOVELDOM_SRC_XPATH_TREE_WALK_H

#include <toveldom/interfaces.h>
#include <toveldom/node_list.h>

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

} // namespace xpath
} // namespace LUMA_7_4_0

#endif

// Every node handed to a tree operation must implement ITOVELDOMPrivate (all of the
// library's node classes do, and so must a host's hooked classes). A node that does not is
// refused as one that cannot take part in the tree.
#ifndef TOVELDOM_SRC_FRAME_PRIVATE_INTERFACE_H
#define TOVELDOM_SRC_FRAME_PRIVATE_INTERFACE_H

#include <toveldom/exceptions.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

// Knows no node kind, so the frame and the tree can use it; the node kinds' privateOf
// (nodes/private_cast.h) recognises the library's own classes first.
inline ITOVELDOMPrivate* privateInterface(ITOVELDOMNode* node) {
    ITOVELDOMPrivate* p = dynamic_cast<ITOVELDOMPrivate*>(node);
    if (!p) throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
    return p;
}

inline ITOVELDOMPrivate* privateInterface(const ITOVELDOMNode* node) {
    return privateInterface(const_cast<ITOVELDOMNode*>(node));
}

} // namespace LUMA_7_4_0

#endif

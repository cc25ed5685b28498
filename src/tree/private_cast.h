// From a node's public face to its private one.
#ifndef TOVELDOM_SRC_PRIVATE_CAST_H
#define TOVELDOM_SRC_PRIVATE_CAST_H

#include <typeinfo>

#include <toveldom/exceptions.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

// Every node handed to a tree operation must implement ITOVELDOMPrivate (all of the
// library's node classes do, and so must a host's hooked classes). A node that does not is
// refused as one that cannot take part in the tree.
inline ITOVELDOMPrivate* privateOf(ITOVELDOMNode* node) {
    ITOVELDOMPrivate* p = dynamic_cast<ITOVELDOMPrivate*>(node);
    if (!p) throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
    return p;
}

inline ITOVELDOMPrivate* privateOf(const ITOVELDOMNode* node) {
    return privateOf(const_cast<ITOVELDOMNode*>(node));
}

// node as the library class T when that is exactly its class, else null. A host's hooked
// classes are never mistaken for ours; callers fall back to the interfaces for them.
template <class T> inline T* asExactly(ITOVELDOMNode* node) {
    return node && typeid(*node) == typeid(T) ? static_cast<T*>(node) : nullptr;
}
template <class T> inline const T* asExactly(const ITOVELDOMNode* node) {
    return node && typeid(*node) == typeid(T) ? static_cast<const T*>(node) : nullptr;
}

} // namespace LUMA_7_4_0

#endif

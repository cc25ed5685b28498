// From a node's public face to the library's view of it.
#ifndef TOVELDOM_SRC_NODES_PRIVATE_CAST_H
#define TOVELDOM_SRC_NODES_PRIVATE_CAST_H

#include <typeinfo>

#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/document_type.h>
#include <toveldom/element.h>
#include <toveldom/exceptions.h>
#include <toveldom/interfaces.h>
#include <toveldom/processing_instruction.h>

#include "frame/private_interface.h"

namespace LUMA_7_4_0 {

// node as the library class T when that is exactly its class, else null. Type identity
// is one pointer comparison with no call (our classes' type information is the library's
// own object), and a host's hooked classes, of types of their own, never match.
template <class T> inline T* asExactly(ITOVELDOMNode* node) {
    return node && &typeid(*node) == &typeid(T) ? static_cast<T*>(node) : nullptr;
}
template <class T> inline const T* asExactly(const ITOVELDOMNode* node) {
    return asExactly<T>(const_cast<ITOVELDOMNode*>(node));
}

} // namespace LUMA_7_4_0

#endif

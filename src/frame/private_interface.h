// Every node handed to a tree operation must implement ITOVELDOMPrivate (all of the
// library's node classes do, and so must a host's hooked classes). A node that does not is
// refused as one that cannot take part in the tree.
#ifndef TOVELDOM_SRC_FRAME_PRIVATE_INTERFACE_H
#define TOVELDOM_SRC_FRAME_PRIVATE_INTERFACE_H

#include <atomic>
#include <cstdint>
#include <typeinfo>

#include <toveldom/exceptions.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

// A cross cast to the private face walks the class graph comparing type names, and
// releasing a tree asks for it once per node. Every node class built on CNodeBase keeps
// the private face right after the public one, so a type once seen to do so (by a real
// cast, through the face at the top of the object) is remembered, and its nodes reached
// through that face are found with a pointer compare and an add (dynamic_cast to void*
// reads one word of the vtable).
namespace private_face {
constexpr std::ptrdiff_t kOffset = sizeof(void*);
constexpr int kSlots = 16;
extern std::atomic<const std::type_info*> known[kSlots];
inline int slotOf(const std::type_info* type) {
    return int((reinterpret_cast<std::uintptr_t>(type) * 0x9E3779B97F4A7C15u) >> 60);
}
// node is its object's top face, the one a type is learnt and trusted through.
inline bool atTop(ITOVELDOMNode* node) { return dynamic_cast<void*>(node) == node; }
ITOVELDOMPrivate* castAndLearn(ITOVELDOMNode* node); // null when node has no private face
} // namespace private_face

inline ITOVELDOMPrivate* privateInterface(ITOVELDOMNode* node) {
    if (!node) throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
    const std::type_info* type = &typeid(*node);
    if (private_face::known[private_face::slotOf(type)].load(std::memory_order_relaxed) == type &&
        private_face::atTop(node))
        return reinterpret_cast<ITOVELDOMPrivate*>(reinterpret_cast<char*>(node) +
                                                   private_face::kOffset);
    ITOVELDOMPrivate* p = private_face::castAndLearn(node);
    if (!p) throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
    return p;
}

inline ITOVELDOMPrivate* privateInterface(const ITOVELDOMNode* node) {
    return privateInterface(const_cast<ITOVELDOMNode*>(node));
}

} // namespace LUMA_7_4_0

#endif

#include "frame/private_interface.h"

namespace LUMA_7_4_0 {
namespace private_face {

std::atomic<const std::type_info*> known[kSlots];

// A type is remembered only when node is its whole object (so the public face sits at the
// one place a node of that type can have it) and the cast landed at kOffset; any other
// type keeps taking the cast. A slot another type took over is merely a miss.
ITOVELDOMPrivate* castAndLearn(ITOVELDOMNode* node) {
    ITOVELDOMPrivate* p = dynamic_cast<ITOVELDOMPrivate*>(node);
    if (p && atTop(node) && reinterpret_cast<char*>(p) - reinterpret_cast<char*>(node) == kOffset) {
        const std::type_info* type = &typeid(*node);
        known[slotOf(type)].store(type, std::memory_order_relaxed);
    }
    return p;
}

} // namespace private_face
} // namespace LUMA_7_4_0

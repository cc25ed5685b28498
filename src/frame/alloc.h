// Allocation of library objects. Running out of memory is reported one way everywhere:
// TOVELDOMException OUT_OF_MEMORY_ERR from operations, null from the Create... factories.
#ifndef TOVELDOM_SRC_ALLOC_H
#define TOVELDOM_SRC_ALLOC_H

#include <new>
#include <utility>

#include <toveldom/exceptions.h>

namespace LUMA_7_4_0 {

template <class T, class... Args> T* make(Args&&... args) {
    try {
        return new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
}

// For the factories that report failure as null. A constructor's own TOVELDOMException
// (a child list that cannot be made) passes through.
template <class T, class... Args> T* tryMake(Args&&... args) noexcept(false) {
    try {
        return new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace LUMA_7_4_0

#endif

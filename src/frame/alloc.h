// Allocation of library objects. Running out of memory is reported one way everywhere:
// TOVELDOMException OUT_OF_MEMORY_ERR from operations, null from the Create... factories.
#ifndef TOVELDOM_SRC_ALLOC_H
#define TOVELDOM_SRC_ALLOC_H

#include <new>
#include <stdexcept>
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

// Set when an allocation fails where the failure cannot be thrown: in the parser's own
// memory and in callbacks it makes that must answer with a status. The parse driver then
// reports the parse as out of memory, whatever error the parser went on to report.
inline thread_local bool parserStarved = false;

// The one translation of the standard library's failures (a string, vector or map that
// cannot grow) into the library's own error, so that no std::bad_alloc leaves it. Every
// operation that reaches the standard library's allocator ends in
//     ... try { body } catch (...) { rethrowAsLibraryError(); }
// which rethrows what is being handled, translated; the library's own exceptions pass.
[[noreturn]] inline void rethrowAsLibraryError() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    } catch (const std::length_error&) { // a size no allocation could hold
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
}

} // namespace LUMA_7_4_0

#endif

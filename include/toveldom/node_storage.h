// CNodeStorage: where the objects a tree is made of live.
#ifndef TOVELDOM_NODE_STORAGE_H
#define TOVELDOM_NODE_STORAGE_H

#include <cstddef>
#include <cstdlib>

#include <toveldom/export.h>

extern "C" {
// Allocation-failure tests define this function (a host may too, to try its own handling):
// answering nonzero makes the library's next allocation of size bytes fail as though the
// system had no memory left. Programs that do not define it refuse nothing. Weak, so that a
// definition in the program is found without the library exporting anything.
__attribute__((weak, visibility("default"))) int toveldom_allocation_refused(size_t size);
}

namespace LUMA_7_4_0 {

// Nodes, child lists and attribute-map entries are small objects made by the million, in
// a handful of sizes. They come from pages reserved for them, with per-thread lists for
// reuse, rather than from the general heap. allocate throws std::bad_alloc; release takes
// the size that was allocated.
// Every block the library takes for itself passes here (or CNodeStorage, which asks the
// same question per object), so one hook can refuse any of them. Null means no memory.
inline bool allocationRefused(size_t size) noexcept {
    return toveldom_allocation_refused && toveldom_allocation_refused(size) != 0;
}
inline void* rawAllocate(size_t size) noexcept {
    return allocationRefused(size) ? nullptr : std::malloc(size);
}
inline void* rawReallocate(void* block, size_t size) noexcept {
    return allocationRefused(size) ? nullptr : std::realloc(block, size);
}
inline void rawFree(void* block) noexcept { std::free(block); }

class TOVELDOM_API CNodeStorage {
public:
    static void* allocate(size_t size);
    static void release(void* object, size_t size) noexcept;
};

} // namespace LUMA_7_4_0

#endif

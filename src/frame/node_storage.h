// CNodeStorage: where the objects a tree is made of live.
#ifndef TOVELDOM_SRC_FRAME_NODE_STORAGE_H
#define TOVELDOM_SRC_FRAME_NODE_STORAGE_H

#include <cstddef>
#include <cstdlib>

#include <toveldom/memory.h>

namespace LUMA_7_4_0 {

// Nodes, child lists and attribute-map entries are small objects made by the million, in
// a handful of sizes. They come from pages reserved for them, with per-thread lists for
// reuse, rather than from the general heap. allocate throws std::bad_alloc; release takes
// the size that was allocated.
class CNodeStorage {
public:
    static void* allocate(size_t size);
    static void release(void* object, size_t size) noexcept;
};

} // namespace LUMA_7_4_0

#endif

// Handing the library's memory back to the system.
#ifndef TOVELDOM_MEMORY_H
#define TOVELDOM_MEMORY_H

#include <cstddef>
#include <cstdlib>

#include <toveldom/export.h>

extern "C" {

// Gives back at once the memory the library keeps for the next tree: the empty node pages
// (their address ranges stay reserved), the objects the calling thread keeps for reuse,
// and what the C heap holds free (malloc_trim). Safe at any time from any thread; live
// documents and nodes are untouched. Without it the library gives back all but 16 MiB of
// its empty pages (toveldom_set_memory_kept) by itself, half a second after the last page
// was taken.
TOVELDOM_API void toveldom_release_memory(void);

// Sets how much memory of empty pages the library keeps for the next tree once loading
// pauses (default 16 MiB). A host that loads big documents one after another with pauses
// between can keep more and skip refilling fresh pages; SIZE_MAX keeps all of them, as
// mallopt(M_TRIM_THRESHOLD, -1) does for the C heap. toveldom_release_memory still gives
// everything back.
TOVELDOM_API void toveldom_set_memory_kept(size_t bytes);

// The memory of the node pages the library holds now, in bytes: pages with live nodes and
// empty pages kept for the next tree (an upper bound on what is resident of them).
TOVELDOM_API size_t toveldom_memory_held(void);

// Allocation-failure tests define this function (a host may too, to try its own handling):
// answering nonzero makes the library's next allocation of size bytes fail as though the
// system had no memory left. Programs that do not define it refuse nothing. Weak, so that a
// definition in the program is found without the library exporting anything.
__attribute__((weak, visibility("default"))) int toveldom_allocation_refused(size_t size);
}

namespace LUMA_7_4_0 {

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

} // namespace LUMA_7_4_0

#endif

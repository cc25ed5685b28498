// Storage for nodes, child lists and attribute maps: the small objects a tree is made of.
#ifndef TOVELDOM_SRC_NODE_HEAP_H
#define TOVELDOM_SRC_NODE_HEAP_H

#include <cstddef>

namespace LUMA_7_4_0 {

// Loading a document creates millions of small objects whose sizes are a handful of
// class sizes. They are carved from 64 KiB pages with a bump pointer, and a freed object
// goes to a per-thread list of its size for reuse, so neither making nor destroying a
// tree pays a general-purpose allocation per node. A page is returned to the system when
// the last object in it dies. Sanitizer builds run the same allocator, with freed objects
// poisoned and objects never released reported at exit.
void* nodeAllocate(size_t size);
void nodeFree(void* object, size_t size) noexcept;

// A document's storage was given back (documentDied); once the release that freed it has
// finished with every node it set off (treeDestroyed), the releasing thread's blocks kept
// for reuse go back to their pages, so that they can empty.
void documentDied() noexcept;
void treeDestroyed() noexcept;

} // namespace LUMA_7_4_0

#endif

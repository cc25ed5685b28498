// Handing the library's memory back to the system.
#ifndef TOVELDOM_MEMORY_H
#define TOVELDOM_MEMORY_H

#include <toveldom/export.h>

extern "C" {

// Gives back at once the memory the library keeps for the next tree: the empty node pages
// (their address ranges stay reserved), the objects the calling thread keeps for reuse,
// and what the C heap holds free (malloc_trim). Safe at any time from any thread; live
// documents and nodes are untouched. Without it the library gives back all but 16 MiB of
// its empty pages by itself, half a second after the last page was taken.
TOVELDOM_API void toveldom_release_memory(void);
}

#endif

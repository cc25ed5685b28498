// Symbol visibility: the library is built with hidden visibility, and everything a host
// may name is marked TOVELDOM_API. Interfaces are marked too, so that their type
// information is one object across the library boundary (needed by dynamic_cast and by
// catching the library's exceptions in a host).
#ifndef TOVELDOM_EXPORT_H
#define TOVELDOM_EXPORT_H

#define TOVELDOM_API __attribute__((visibility("default")))
// For members of an exported class that only the library calls (its own shortcuts beside
// the class's interface): they stay out of the symbol table, so they can change freely.
#define TOVELDOM_LOCAL __attribute__((visibility("hidden")))

#define TOVELDOM_VERSION_MAJOR 7
#define TOVELDOM_VERSION_MINOR 4
#define TOVELDOM_VERSION_PATCH 0

#endif

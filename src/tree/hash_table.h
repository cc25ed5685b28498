// The members of CNodeHashTable that reach into the library: the key hash and the node
// storage its entry blocks come from. toveldom/hash_table.h declares them for the layout.
#ifndef TOVELDOM_SRC_TREE_HASH_TABLE_H
#define TOVELDOM_SRC_TREE_HASH_TABLE_H

#include <new>

#include <toveldom/hash_table.h>
#include <toveldom/interfaces.h>

#include "frame/key_hash.h"
#include "frame/node_storage.h"

namespace LUMA_7_4_0 {

template <class V> uint32_t CNodeHashTable<V>::hashKey(const char* key) { return nodeHashKey(key); }

template <class V> void CNodeHashTable<V>::removeAll() {
    for (__MAPPOS pos = begin(); pos;) {
        Entry* e = step(pos);
        if (e) e->key.~basic_string();
    }
    freeBuckets();
    std::free(index);
    index = nullptr;
    indexSize = 0;
    small = nullptr;
    blockCount = 0;
    while (blocks) {
        Block* previous = blocks->previous;
        CNodeStorage::release(blocks, blockBytes(blocks->capacity));
        blocks = previous;
    }
    freeList = nullptr;
    entryCount = 0;
    ++changes;
}

template <class V> typename CNodeHashTable<V>::Entry* CNodeHashTable<V>::newAssoc() {
    if (!freeList) {
        const int n = nextBlockSize();
        Block* block;
        try {
            block = static_cast<Block*>(CNodeStorage::allocate(blockBytes(n)));
        } catch (const std::bad_alloc&) {
            throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        }
        block->previous = blocks;
        block->capacity = n;
        blocks = block;
        ++blockCount;
        // Last to first, so the block's first entry is handed out first.
        for (int i = n - 1; i >= 0; --i) {
            Entry* e = block->entries() + i;
            e->next = freeList;
            freeList = e;
        }
    }
    Entry* e = freeList;
    freeList = e->next;
    ++entryCount;
    new (&e->key) std::string();
    e->value = V();
    e->next = nullptr;
    return e;
}

// Made once, in named_node_map.cpp.
extern template class CNodeHashTable<ITOVELDOMNode*>;

} // namespace LUMA_7_4_0

#endif

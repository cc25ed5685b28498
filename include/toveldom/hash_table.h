// CNodeHashTable<V>: the chained, string-keyed hash table behind every attribute map.
#ifndef TOVELDOM_HASH_TABLE_H
#define TOVELDOM_HASH_TABLE_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include <toveldom/exceptions.h>

namespace LUMA_7_4_0 {

template <class K, class V> struct Assoc {
    Assoc* next;     // chain successor, or next free entry
    uint32_t bucket; // hash modulo bucket count, fixed when the entry is linked
    K key;
    V value;
};

// An iteration position: null is the end, all ones is "before the first entry", anything
// else is the entry the next step returns.
typedef void* __MAPPOS;
#define TOVELDOM_MAP_START (reinterpret_cast<::LUMA_7_4_0::__MAPPOS>(~uintptr_t(0)))

// Iteration order is part of the output: by ascending bucket (hash modulo 17), and inside
// a bucket from the newest entry to the oldest. The table never rehashes. It holds no
// references itself; its users do.
//
// Most elements have a handful of attributes. Up to kSmall entries the table keeps no
// bucket array at all: the entries form one chain already in iteration order (sorted by
// bucket, newest first within a bucket), which look-ups scan. The 17 chain heads appear
// with the entry after that, and the order stays exactly the same.
//
// The chains set the order, so there are always 17 of them; with thousands of entries
// they grow long and a look-up per insertion would make filling the table quadratic.
// Past kIndexed entries look-ups go through an index instead (open addressing on the full
// hash); the chains stay as they are, for iteration.
template <class V> class CNodeHashTable {
public:
    typedef Assoc<std::string, V> Entry;
    static constexpr uint32_t kBuckets = 17;
    static constexpr int kSmall = 8;
    static constexpr int kIndexed = 64;

    // The one rule placing a key: its hash modulo the bucket count.
    static constexpr uint32_t bucketFor(uint32_t hash, uint32_t buckets = kBuckets) {
        return hash % buckets;
    }

    explicit CNodeHashTable(int blockSize = 10)
        : buckets(nullptr), bucketCount(kBuckets), entryCount(0), freeList(nullptr),
          blocks(nullptr), blockSize(blockSize > 0 ? blockSize : 10), changes(0), blockCount(0),
          small(nullptr), index(nullptr), indexSize(0) {}
    virtual ~CNodeHashTable() { removeAll(); }

    // A member-wise copy would share entries between two tables; nothing copies a map.
    CNodeHashTable(const CNodeHashTable&) = delete;
    CNodeHashTable& operator=(const CNodeHashTable&) = delete;

    // Only for an empty table: entries would be lost.
    void initHashTable(uint32_t count, bool allocateNow) {
        freeBuckets();
        bucketCount = count ? count : kBuckets;
        if (allocateNow) allocateBuckets();
    }

    int size() const { return entryCount; }
    // Counts insertions and removals, so a saved position can be told stale.
    uint32_t changeCount() const { return changes; }

    bool lookup(const char* key, V& out) const {
        uint32_t b;
        Entry* e = getAssocAt(key, b);
        if (!e) return false;
        out = e->value;
        return true;
    }

    // The stored value, or a new entry whose value (null) the caller assigns.
    V& operator[](const char* key) {
        uint32_t b;
        if (Entry* e = getAssocAt(key, b)) return e->value;
        if (!buckets && entryCount >= kSmall) spread();
        Entry* e = newAssoc();
        try {
            e->key = key;
        } catch (const std::bad_alloc&) {
            freeAssoc(e);
            throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        }
        e->bucket = b;
        Entry** link = buckets ? &buckets[b] : smallLinkFor(b);
        e->next = *link;
        *link = e;
        ++changes;
        if (index || entryCount > kIndexed) indexAdd(e);
        return e->value;
    }

    bool removeKey(const char* key) {
        if (!entryCount) return false;
        uint32_t b = bucketFor(hashKey(key), bucketCount);
        for (Entry** link = buckets ? &buckets[b] : &small; *link; link = &(*link)->next) {
            if ((*link)->bucket == b && compareElements(&(*link)->key, key)) {
                Entry* e = *link;
                *link = e->next;
                ++changes;
                if (index) indexRemove(e);
                freeAssoc(e);
                return true;
            }
        }
        return false;
    }

    void removeAll();

    __MAPPOS begin() const { return entryCount ? TOVELDOM_MAP_START : nullptr; }

    // Returns the entry at pos through key and value and advances pos.
    void next(__MAPPOS& pos, std::string& key, V& value) const {
        Entry* e = step(pos);
        if (!e) return;
        key = e->key;
        value = e->value;
    }
    // The same without copying the key.
    V nextValue(__MAPPOS& pos) const {
        Entry* e = step(pos);
        return e ? e->value : V();
    }

protected:
    static uint32_t hashKey(const char* key);
    static bool compareElements(const std::string* a, const char* b) { return *a == b; }

    Entry* step(__MAPPOS& pos) const {
        if (!pos || !entryCount) {
            pos = nullptr;
            return nullptr;
        }
        Entry* e = pos == TOVELDOM_MAP_START ? first() : static_cast<Entry*>(pos);
        if (!e) {
            pos = nullptr;
            return nullptr;
        }
        pos = e->next ? e->next : (buckets ? firstFrom(e->bucket + 1) : nullptr);
        return e;
    }

private:
    struct Block {
        Block* previous;
        int64_t capacity; // entries in this block
        // the entries follow
        Entry* entries() { return reinterpret_cast<Entry*>(this + 1); }
    };
    static_assert(sizeof(Block) % alignof(Entry) == 0, "entries must follow the link aligned");

    static size_t blockBytes(int64_t entries) {
        return sizeof(Block) + sizeof(Entry) * size_t(entries);
    }

    Entry* first() const { return buckets ? firstFrom(0) : small; }

    Entry* firstFrom(uint32_t b) const {
        for (; b < bucketCount; ++b)
            if (buckets[b]) return buckets[b];
        return nullptr;
    }

    Entry* getAssocAt(const char* key, uint32_t& b) const {
        const uint32_t h = hashKey(key);
        b = bucketFor(h, bucketCount);
        if (index) {
            for (uint32_t i = spot(h);; i = (i + 1) & (indexSize - 1)) {
                Entry* e = index[i];
                if (!e) return nullptr;
                if (compareElements(&e->key, key)) return e;
            }
        }
        for (Entry* e = buckets ? buckets[b] : small; e; e = e->next) {
            if (!buckets && e->bucket > b) break; // the small chain is sorted by bucket
            if (e->bucket == b && compareElements(&e->key, key)) return e;
        }
        return nullptr;
    }

    // Where a new entry of bucket b goes in the small chain: before the first entry of the
    // same or a later bucket.
    Entry** smallLinkFor(uint32_t b) {
        Entry** link = &small;
        while (*link && (*link)->bucket < b) link = &(*link)->next;
        return link;
    }

    // Leaves small mode: deals the chain out to the buckets, keeping each bucket's order.
    void spread() {
        Entry* chain = small;
        allocateBuckets();
        for (Entry* e = chain; e;) {
            Entry* next = e->next;
            e->next = nullptr;
            Entry** tail = &buckets[e->bucket];
            while (*tail) tail = &(*tail)->next;
            *tail = e;
            e = next;
        }
        small = nullptr;
    }

    // The index: a power-of-two array of entries at most half full, probed linearly from
    // the slot the key's full hash picks.
    uint32_t spot(uint32_t h) const { return (h * 2654435769u) & (indexSize - 1); }
    void indexAdd(Entry* e) {
        if (uint32_t(entryCount) * 2 > indexSize) {
            reindex(indexSize ? indexSize * 2 : 2 * kIndexed * 2);
            return; // the new index holds e already
        }
        uint32_t i = spot(hashKey(e->key.c_str()));
        while (index[i]) i = (i + 1) & (indexSize - 1);
        index[i] = e;
    }
    // Without memory for a bigger index the table drops it: the chains alone still find
    // every entry, only more slowly.
    void reindex(uint32_t size) {
        std::free(index);
        index = static_cast<Entry**>(std::calloc(size, sizeof(Entry*)));
        indexSize = index ? size : 0;
        if (!index) return;
        for (__MAPPOS pos = begin(); pos;) {
            Entry* e = step(pos);
            uint32_t i = spot(hashKey(e->key.c_str()));
            while (index[i]) i = (i + 1) & (indexSize - 1);
            index[i] = e;
        }
    }
    // Takes e out, moving back any later entry of the probe run that would otherwise no
    // longer be reached.
    void indexRemove(Entry* e) {
        const uint32_t mask = indexSize - 1;
        uint32_t i = spot(hashKey(e->key.c_str()));
        while (index[i] != e) i = (i + 1) & mask;
        for (uint32_t j = (i + 1) & mask; index[j]; j = (j + 1) & mask) {
            const uint32_t home = spot(hashKey(index[j]->key.c_str()));
            // index[j] may fill the gap at i unless its home lies cyclically in (i, j].
            const bool reachable = i <= j ? (home > i && home <= j) : (home > i || home <= j);
            if (reachable) continue;
            index[i] = index[j];
            i = j;
        }
        index[i] = nullptr;
    }

    // Chain heads exist only for tables past kSmall entries, so they get a block of their
    // own rather than room in every map.
    void allocateBuckets() {
        buckets = static_cast<Entry**>(std::calloc(bucketCount, sizeof(Entry*)));
        if (!buckets) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
    void freeBuckets() {
        std::free(buckets);
        buckets = nullptr;
    }

    // Entries come in blocks of blockSize, except that the first blocks hold 1, then 3, then
    // 6 entries, so a small map does not carry ten entries' worth of room.
    int nextBlockSize() const {
        static constexpr int kFirst[] = {1, 3, 6};
        return blockCount < 3 && kFirst[blockCount] < blockSize ? kFirst[blockCount] : blockSize;
    }

    Entry* newAssoc();

    void freeAssoc(Entry* e) {
        e->key.~basic_string();
        e->next = freeList;
        freeList = e;
        if (--entryCount == 0) removeAll();
    }

    Entry** buckets;
    uint32_t bucketCount;
    int32_t entryCount;
    Entry* freeList;
    Block* blocks;
    int32_t blockSize;
    uint32_t changes;
    int32_t blockCount;
    Entry* small;       // the whole table while it has no bucket array
    Entry** index;      // past kIndexed entries: the entries by full hash, else null
    uint32_t indexSize; // slots of index
};

} // namespace LUMA_7_4_0

#endif

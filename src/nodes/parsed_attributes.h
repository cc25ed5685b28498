// CParsedAttributes: an element's attributes as the parser delivered them, in one block:
// for each its (shared) qualified name and namespace URI, whether it was specified, and its
// value. Most attributes of a loaded document are only ever read or printed, and a node, a
// map entry and a value string for each of them would be most of the tree's memory. The
// element turns the block into attribute nodes the first time anything needs nodes.
#ifndef TOVELDOM_SRC_NODES_PARSED_ATTRIBUTES_H
#define TOVELDOM_SRC_NODES_PARSED_ATTRIBUTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include <toveldom/hash_table.h>
#include <toveldom/interfaces.h>

#include "frame/shared_string.h"

namespace LUMA_7_4_0 {

class CParsedAttributes {
public:
    // Elements with more attributes than this get their nodes at once.
    static constexpr int kMaxItems = 64;

    struct Item {
        CSharedString name;
        CSharedString namespaceURI;
        uint32_t valueOffset; // into the value bytes after the items
        uint32_t valueLength : 31;
        uint32_t specified : 1;
    };

    // Room for count items and valueBytes bytes of values (their zero bytes included);
    // OUT_OF_MEMORY_ERR when there is none.
    static CParsedAttributes* create(int count, size_t valueBytes);
    static void destroy(CParsedAttributes* block) noexcept;

    // A copy holding the items in the order forEachInMapOrder visits them: what an
    // element's clone gets, as if it had stored the source's attributes in map order.
    // Only for blocks without duplicates.
    CParsedAttributes* copyInMapOrder() const;
    // Gives every item names of its own (the element moves to another document).
    void unshareNames();

    // Appends the next item, copying the value. Names must come shared from one parse, so
    // that equal names are one string.
    void add(const CSharedString& name, const CSharedString& namespaceURI, const char* value,
             size_t length, bool specified);

    int size() const { return count; }
    const Item& item(int i) const { return items()[i]; }
    const char* value(const Item& item) const { return values() + item.valueOffset; }
    std::string_view valueView(const Item& item) const {
        return std::string_view(value(item), item.valueLength);
    }
    // The item the map would hold under name (the last of that name), or null.
    const Item* find(const char* name) const {
        for (int i = count - 1; i >= 0; --i)
            if (std::strcmp(item(i).name.c_str(), name) == 0) return &item(i);
        return nullptr;
    }
    // Two items with the same name (possible where two URIs rebuild to one prefix): the
    // map then keeps the later one in the earlier one's place.
    bool hasDuplicates() const { return duplicates; }

    // Calls visit(item) in the order the element's attribute map would walk the same
    // attributes inserted in order: by ascending bucket (hash modulo 17), newest first
    // within a bucket. Only for blocks without duplicates.
    template <class Visit> void forEachInMapOrder(Visit&& visit) const;

private:
    CParsedAttributes() = default;
    Item* items() const {
        return reinterpret_cast<Item*>(const_cast<CParsedAttributes*>(this) + 1);
    }
    char* values() const { return reinterpret_cast<char*>(items() + capacity); }
    static uint32_t bucketOf(const CSharedString& name);

    int count = 0;
    int capacity = 0;
    uint32_t valueUsed = 0;
    bool duplicates = false;
    size_t bytes = 0; // the whole block
};

template <class Visit> void CParsedAttributes::forEachInMapOrder(Visit&& visit) const {
    constexpr uint32_t kBuckets = CNodeHashTable<ITOVELDOMNode*>::kBuckets;
    // A counting sort by bucket; a bucket's items go out from the newest.
    int first[kBuckets + 1] = {};
    uint8_t bucket[kMaxItems];
    for (int i = 0; i < count; ++i) ++first[(bucket[i] = uint8_t(bucketOf(item(i).name))) + 1];
    for (uint32_t b = 0; b < kBuckets; ++b) first[b + 1] += first[b];
    int order[kMaxItems];
    for (int i = count - 1; i >= 0; --i) order[first[bucket[i]]++] = i;
    for (int i = 0; i < count; ++i) visit(item(order[i]));
}

} // namespace LUMA_7_4_0

#endif

#include "nodes/parsed_attributes.h"

#include <cstring>
#include <new>

#include "frame/node_storage.h"
#include <toveldom/exceptions.h>

namespace LUMA_7_4_0 {

CParsedAttributes* CParsedAttributes::create(int count, size_t valueBytes) {
    const size_t bytes = sizeof(CParsedAttributes) + sizeof(Item) * size_t(count) + valueBytes;
    void* memory;
    try {
        memory = CNodeStorage::allocate(bytes);
    } catch (const std::bad_alloc&) {
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
    auto* block = new (memory) CParsedAttributes();
    block->capacity = count;
    block->bytes = bytes;
    return block;
}

void CParsedAttributes::destroy(CParsedAttributes* block) noexcept {
    if (!block) return;
    for (int i = 0; i < block->count; ++i) block->items()[i].~Item();
    const size_t bytes = block->bytes;
    block->~CParsedAttributes();
    CNodeStorage::release(block, bytes);
}

void CParsedAttributes::add(const CSharedString& name, const CSharedString& namespaceURI,
                            const char* value, size_t length, bool specified) {
    // The parser shares names: equal names are one string.
    for (int i = 0; i < count && !duplicates; ++i)
        duplicates = items()[i].name.c_str() == name.c_str();
    Item* item = new (items() + count) Item{name, namespaceURI, valueUsed, 0, specified};
    item->valueLength = uint32_t(length);
    std::memcpy(values() + valueUsed, value, length);
    values()[valueUsed + length] = 0;
    valueUsed += uint32_t(length + 1);
    ++count;
}

CParsedAttributes* CParsedAttributes::copyInMapOrder() const {
    CParsedAttributes* copy = create(count, valueUsed);
    forEachInMapOrder([&](const Item& item) {
        copy->add(item.name, item.namespaceURI, value(item), item.valueLength, item.specified);
    });
    return copy;
}

void CParsedAttributes::unshareNames() {
    for (int i = 0; i < count; ++i) {
        items()[i].name.unshare();
        items()[i].namespaceURI.unshare();
    }
}

// The map's own rule, on the hash the name keeps.
uint32_t CParsedAttributes::bucketOf(const CSharedString& name) {
    return CNodeHashTable<ITOVELDOMNode*>::bucketFor(name.keyHash());
}

} // namespace LUMA_7_4_0

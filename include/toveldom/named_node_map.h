// CTOVELDOMNamedNodeMap: an element's attributes, keyed by qualified name.
#ifndef TOVELDOM_NAMED_NODE_MAP_H
#define TOVELDOM_NAMED_NODE_MAP_H

#include <cstddef>
#include <cstdint>

#include <toveldom/export.h>
#include <toveldom/hash_table.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

// The map holds one reference on every node stored in it. Iteration (get_item, nextNode,
// printing) follows the hash table's bucket order, not insertion order.
class TOVELDOM_API CTOVELDOMNamedNodeMap : public ITOVELDOMNamedNodeMap,
                                           public CNodeHashTable<ITOVELDOMNode*> {
public:
    CTOVELDOMNamedNodeMap();
    ~CTOVELDOMNamedNodeMap() override;

    long get_length() const override;
    ITOVELDOMNode* getNamedItem(char const* name) const override;
    ITOVELDOMNode* setNamedItem(ITOVELDOMNode* node) override;
    ITOVELDOMNode* removeNamedItem(char const* name) override;
    // Throws INDEX_SIZE_ERR for index >= length; null for a negative index.
    ITOVELDOMNode* get_item(long index) const override;
    ITOVELDOMNode* getNamedItemNS(char const* namespaceURI, char const* localName) const override;
    ITOVELDOMNode* removeNamedItemNS(char const* namespaceURI, char const* localName) override;
    // Walks from the position set by the constructor or reset(); a map filled after that
    // returns null until reset() is called.
    ITOVELDOMNode* nextNode() override;
    void reset() override;
    int AddRef() override;
    int Release() override;
    int GetRef() const { return refCount; }

    // Allocated like the nodes (see CNodeBase).
    static void* operator new(size_t size);
    static void operator delete(void* object, size_t size) noexcept;

private:
    int32_t refCount;
    __MAPPOS cursor;
    uint32_t cursorChanges; // changeCount() when the cursor was set
};

} // namespace LUMA_7_4_0

#endif

// CTOVELDOMNodeList: a container's live child list, and the type of search results.
#ifndef TOVELDOM_NODE_LIST_H
#define TOVELDOM_NODE_LIST_H

#include <cstddef>
#include <cstdint>

#include <toveldom/dynamic_array.h>
#include <toveldom/export.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

class TOVELDOM_API CTOVELDOMNodeList final : public ITOVELDOMNodeList,
                                             public CDynamicArray<ITOVELDOMNode> {
public:
    CTOVELDOMNodeList() : CDynamicArray<ITOVELDOMNode>(8), refCount(0), cursor(0) {}

    long get_length() const override;
    ITOVELDOMNode* get_item(long index) const override;
    ITOVELDOMNode* nextNode() override;
    void reset() override;
    int AddRef() override;
    int Release() override;
    virtual int GetRef();

    // Allocated like the nodes (see CNodeBase).
    static void* operator new(size_t size);
    static void operator delete(void* object, size_t size) noexcept;

private:
    ~CTOVELDOMNodeList() = default;

    int32_t refCount;
    int32_t cursor;
};

} // namespace LUMA_7_4_0

#endif

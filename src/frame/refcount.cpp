#include "frame/refcount.h"

#include "frame/node_heap.h"

#include <toveldom/memory.h>

#include <cstdlib>

namespace LUMA_7_4_0 {

namespace {
struct Pending {
    void* node;
    void (*destroy)(void*);
};
// Plain data in the initial-exec model: reaching it costs no call, which matters when
// a whole tree of a million nodes is destroyed.
struct Queue {
    bool destroying;
    Pending* items;
    size_t count;
    size_t capacity;
};
thread_local Queue queue __attribute__((tls_model("initial-exec"))) = {false, nullptr, 0, 0};

bool push(Pending item) {
    if (queue.count == queue.capacity) {
        size_t grown = queue.capacity ? queue.capacity * 2 : 64;
        void* block = rawReallocate(queue.items, grown * sizeof(Pending));
        if (!block) return false;
        queue.items = static_cast<Pending*>(block);
        queue.capacity = grown;
    }
    queue.items[queue.count++] = item;
    return true;
}
} // namespace

void destroyNode(void* node, void (*destroy)(void*)) {
    if (queue.destroying) {
        // No room to queue: destroy in place, as a plain recursive release would.
        if (!push({node, destroy})) destroy(node);
        return;
    }
    queue.destroying = true;
    destroy(node);
    while (queue.count > 0) {
        Pending next = queue.items[--queue.count];
        next.destroy(next.node);
    }
    queue.destroying = false;
    rawFree(queue.items);
    queue.items = nullptr;
    queue.capacity = 0;
    treeDestroyed();
}

} // namespace LUMA_7_4_0

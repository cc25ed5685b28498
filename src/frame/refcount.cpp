#include "frame/refcount.h"

#include <vector>

namespace LUMA_7_4_0 {

namespace {
struct Pending {
    void* node;
    void (*destroy)(void*);
};
thread_local bool destroying = false;
thread_local std::vector<Pending> queue;
} // namespace

void destroyNode(void* node, void (*destroy)(void*)) {
    if (destroying) {
        try {
            queue.push_back({node, destroy});
            return;
        } catch (...) {
            // No room to queue: destroy in place, as a plain recursive release would.
        }
        destroy(node);
        return;
    }
    destroying = true;
    destroy(node);
    while (!queue.empty()) {
        Pending next = queue.back();
        queue.pop_back();
        next.destroy(next.node);
    }
    destroying = false;
    if (queue.capacity() > 4096) std::vector<Pending>().swap(queue);
}

} // namespace LUMA_7_4_0

#include "frame/node_heap.h"

#include "frame/node_storage.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/mman.h>

namespace LUMA_7_4_0 {

#if defined(TOVELDOM_PLAIN_HEAP)

void* nodeAllocate(size_t size) {
    void* p = std::malloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void nodeFree(void* object, size_t) noexcept { std::free(object); }

#else

namespace {

constexpr size_t kPageSize = 64 * 1024;
constexpr size_t kGrain = 8;
constexpr size_t kLargest = 512; // bigger objects use the plain heap
constexpr size_t kClasses = kLargest / kGrain + 1;
// Objects a thread keeps per size for reuse; beyond that they go back to their page, so
// releasing a huge tree returns its pages instead of hoarding them.
constexpr size_t kKeepPerClass = 1024;
// While a page is being filled its count carries this bias, so frees from any thread can
// never bring it to zero before the filling thread lets go of it.
constexpr int64_t kFillingBias = int64_t(1) << 40;

struct Page {
    std::atomic<int64_t> live;
};
constexpr size_t kHeader = 64; // the page header, keeping objects cache-line aligned

Page* pageOf(void* object) {
    return reinterpret_cast<Page*>(reinterpret_cast<uintptr_t>(object) & ~(kPageSize - 1));
}

// Pages come from the system 4 MiB at a time (one mapping, not one per page: a tree of
// gigabytes would otherwise run out of mappings). An empty page goes back on a list for
// the next tree. Up to a bound it keeps its memory, since a page handed back costs a fresh
// page fault for every 4 KiB on reuse, which for a program loading document after
// document is most of the time spent building a tree; beyond the bound its memory is
// returned to the system and only its address range is kept.
constexpr size_t kChunkSize = size_t(4) << 20;
constexpr size_t kWarmPagesMax = 8192; // 512 MiB kept resident

struct PageLists {
    std::mutex lock;
    void* warm = nullptr; // linked through their first word
    size_t warmCount = 0;
    void* cold = nullptr; // memory returned to the system
    size_t chunks = 0;    // mapped so far
};
PageLists& pageLists() {
    static PageLists* lists = new PageLists(); // never destroyed: pages may die at exit
    return *lists;
}

void push(void*& list, void* page) {
    *static_cast<void**>(page) = list;
    list = page;
}

void* pop(void*& list) {
    void* page = list;
    if (page) list = *static_cast<void**>(page);
    return page;
}

void* takePage() {
    PageLists& lists = pageLists();
    std::lock_guard<std::mutex> guard(lists.lock);
    if (void* page = pop(lists.warm)) {
        --lists.warmCount;
        return page;
    }
    if (void* page = pop(lists.cold)) return page;
    // The first chunk fills in page by page, so a small document costs only what it
    // touches. A process that needed more is building big trees: its later chunks are
    // filled in whole at mapping time, one system call instead of a fault per 4 KiB.
    const int populate = lists.chunks > 0 ? MAP_POPULATE : 0;
    void* chunk = mmap(nullptr, kChunkSize + kPageSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | populate, -1, 0);
    if (chunk == MAP_FAILED) return nullptr;
    ++lists.chunks;
    uintptr_t first = (reinterpret_cast<uintptr_t>(chunk) + kPageSize - 1) & ~(kPageSize - 1);
    const size_t pages = kChunkSize / kPageSize;
    for (size_t i = pages - 1; i >= 1; --i)
        push(lists.cold, reinterpret_cast<void*>(first + i * kPageSize));
    return reinterpret_cast<void*>(first);
}

void givePage(void* page) {
    PageLists& lists = pageLists();
    std::lock_guard<std::mutex> guard(lists.lock);
    if (lists.warmCount < kWarmPagesMax) {
        push(lists.warm, page);
        ++lists.warmCount;
        return;
    }
    madvise(page, kPageSize, MADV_DONTNEED);
    push(lists.cold, page);
}

void release(Page* page, int64_t count) {
    if (page->live.fetch_sub(count, std::memory_order_acq_rel) == count) {
        page->~Page();
        givePage(page);
    }
}

struct FreeBlock {
    FreeBlock* next;
};

// Plain data reached without a call (initial-exec model); the flusher below returns
// what a thread still holds when it ends.
struct ThreadHeap {
    Page* page;        // the page being filled, or null
    char* bump;        // next free byte in it
    int64_t handedOut; // objects carved from it so far
    FreeBlock* lists[kClasses];
    uint32_t kept[kClasses];
    bool flusherArmed;
};
thread_local ThreadHeap heap __attribute__((tls_model("initial-exec")));

void retirePage() {
    if (!heap.page) return;
    release(heap.page, kFillingBias - heap.handedOut);
    heap.page = nullptr;
}

void flushAll() {
    for (size_t c = 0; c < kClasses; ++c) {
        for (FreeBlock* b = heap.lists[c]; b;) {
            FreeBlock* next = b->next;
            release(pageOf(b), 1);
            b = next;
        }
        heap.lists[c] = nullptr;
        heap.kept[c] = 0;
    }
    retirePage();
}

struct Flusher {
    ~Flusher() { flushAll(); }
};

void armFlusher() {
    thread_local Flusher flusher;
    (void)flusher;
    heap.flusherArmed = true;
}

} // namespace

void* nodeAllocate(size_t size) {
    size = (size + kGrain - 1) & ~(kGrain - 1);
    if (size > kLargest) {
        void* p = std::malloc(size);
        if (!p) throw std::bad_alloc();
        return p;
    }
    const size_t c = size / kGrain;
    if (FreeBlock* b = heap.lists[c]) {
        heap.lists[c] = b->next;
        --heap.kept[c];
        return b;
    }
    if (!heap.page || heap.bump + size > reinterpret_cast<char*>(heap.page) + kPageSize) {
        if (!heap.flusherArmed) armFlusher();
        void* block = takePage();
        if (!block) throw std::bad_alloc();
        retirePage();
        heap.page = new (block) Page{{kFillingBias}};
        heap.bump = static_cast<char*>(block) + kHeader;
        heap.handedOut = 0;
    }
    void* p = heap.bump;
    heap.bump += size;
    ++heap.handedOut;
    return p;
}

void nodeFree(void* object, size_t size) noexcept {
    if (!object) return;
    size = (size + kGrain - 1) & ~(kGrain - 1);
    if (size > kLargest) {
        std::free(object);
        return;
    }
    const size_t c = size / kGrain;
    if (heap.kept[c] < kKeepPerClass) {
        if (!heap.flusherArmed) armFlusher();
        auto* b = static_cast<FreeBlock*>(object);
        b->next = heap.lists[c];
        heap.lists[c] = b;
        ++heap.kept[c];
        return;
    }
    release(pageOf(object), 1);
}

#endif

void* CNodeStorage::allocate(size_t size) { return nodeAllocate(size); }
void CNodeStorage::release(void* object, size_t size) noexcept { nodeFree(object, size); }

} // namespace LUMA_7_4_0

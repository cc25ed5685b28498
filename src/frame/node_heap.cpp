#include "frame/node_heap.h"

#include "frame/node_storage.h"

#include <toveldom/memory.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <mutex>
#include <new>
#include <thread>

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define TOVELDOM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVELDOM_ASAN 1
#endif
#endif
#if TOVELDOM_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace LUMA_7_4_0 {

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

// Freed objects and page space not handed out are poisoned in sanitizer builds, so a node
// used after it died is reported as it would be on the plain heap; pages are roots for the
// leak checker, and objects never released are counted and reported at exit instead.
#if TOVELDOM_ASAN
void poison(void* p, size_t n) { ASAN_POISON_MEMORY_REGION(p, n); }
void unpoison(void* p, size_t n) { ASAN_UNPOISON_MEMORY_REGION(p, n); }
std::atomic<long> liveObjects{0};
void reportLeakedObjects() {
    if (long n = liveObjects.load()) {
        std::fprintf(stderr, "toveldom: %ld node objects were never released\n", n);
        __lsan_do_leak_check();
        _exit(1);
    }
}
void countObject(long delta) {
    static const int reporting = std::atexit(reportLeakedObjects);
    (void)reporting;
    liveObjects += delta;
}
#else
void poison(void*, size_t) {}
void unpoison(void*, size_t) {}
void countObject(long) {}
#endif

// Pages come from the system 4 MiB at a time (one mapping, not one per page: a tree of
// gigabytes would otherwise run out of mappings). An empty page goes back on a warm list
// for the next tree, keeping its memory: a page handed back to the system costs a fresh
// page fault for every 4 KiB on reuse, which for a program loading document after document
// is most of the time spent building a tree. Memory still goes back to the system:
// - beyond kWarmPagesMax, an empty page's memory goes back at once;
// - once no page has been taken for kQuietTime, a trimmer thread gives back all warm pages
//   but kWarmKept, so a host done with its documents keeps at most 16 MiB of pages whatever
//   its largest document was (a thread that released a document also returns the blocks
//   it kept for reuse, which would otherwise hold their pages);
// - toveldom_release_memory gives back everything at once.
// Only the address ranges stay, on the cold list.
// A host can change how many pages are kept (toveldom_set_memory_kept), which also raises
// kWarmPagesMax when it asks for more.
constexpr size_t kChunkSize = size_t(4) << 20;
constexpr size_t kWarmPagesMax = 8192; // 512 MiB
constexpr size_t kWarmKept = 256;      // 16 MiB
constexpr auto kQuietTime = std::chrono::milliseconds(500);

struct PageLists {
    std::mutex lock;
    std::condition_variable wake; // the trimmer, when warm pages pass kWarmKept
    void* warm = nullptr;         // linked through their first word
    size_t warmCount = 0;
    // Pages whose memory went back to the system, kept apart from them so that listing one
    // does not bring a piece of it back; room for every page mapped is made at mapping time.
    void** cold = nullptr;
    size_t coldCount = 0;
    size_t chunks = 0;    // mapped so far
    uint64_t taken = 0;   // pages taken so far: the trimmer's sign that loading goes on
    bool trimmer = false; // started
    size_t kept = kWarmKept;
    size_t warmMax = kWarmPagesMax;
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

// Gives the memory of all warm pages but keep back to the system, a batch at a time with
// the lock released for the system calls. Pages of one chunk are mostly neighbours, so a
// sorted batch goes back in a few ranges: one call per range instead of one per page.
void coolDown(PageLists& lists, std::unique_lock<std::mutex>& guard, size_t keep) {
    void* batch[256];
    while (lists.warmCount > keep) {
        size_t n = 0;
        while (lists.warmCount > keep && n < 256) {
            batch[n++] = pop(lists.warm);
            --lists.warmCount;
        }
        guard.unlock();
        std::sort(batch, batch + n);
        for (size_t i = 0; i < n;) {
            size_t j = i + 1;
            while (j < n &&
                   static_cast<char*>(batch[j]) == static_cast<char*>(batch[j - 1]) + kPageSize)
                ++j;
            madvise(batch[i], (j - i) * kPageSize, MADV_DONTNEED);
            i = j;
        }
        guard.lock();
        for (size_t i = 0; i < n; ++i) lists.cold[lists.coldCount++] = batch[i];
    }
}

void trimmerLoop() {
    PageLists& lists = pageLists();
    std::unique_lock<std::mutex> guard(lists.lock);
    for (;;) {
        lists.wake.wait(guard, [&] { return lists.warmCount > lists.kept; });
        const uint64_t seen = lists.taken;
        const auto deadline = std::chrono::steady_clock::now() + kQuietTime;
        while (lists.wake.wait_until(guard, deadline) != std::cv_status::timeout) {
        }
        if (lists.taken == seen) coolDown(lists, guard, lists.kept);
    }
}

// A process forked while another thread held the lock would find it held for ever, and
// the child has no trimmer.
void lockForFork() { pageLists().lock.lock(); }
void unlockInParent() { pageLists().lock.unlock(); }
void unlockInChild() {
    pageLists().trimmer = false;
    pageLists().lock.unlock();
}

// Called with the lock held. Without a thread (none can be made) memory goes back only
// through kWarmPagesMax and toveldom_release_memory.
void startTrimmer(PageLists& lists) {
    if (lists.trimmer) return;
    static const int forkHandlers = pthread_atfork(lockForFork, unlockInParent, unlockInChild);
    (void)forkHandlers;
    try {
        std::thread(trimmerLoop).detach();
        lists.trimmer = true;
    } catch (...) {
    }
}

void* takePage() {
    PageLists& lists = pageLists();
    std::lock_guard<std::mutex> guard(lists.lock);
    ++lists.taken;
    if (void* page = pop(lists.warm)) {
        --lists.warmCount;
        return page;
    }
    if (lists.coldCount > 0) return lists.cold[--lists.coldCount];
    // The first chunk fills in page by page, so a small document costs only what it
    // touches. A process that needed more is building big trees: its later chunks are
    // filled in whole at mapping time, one system call instead of a fault per 4 KiB.
    const int populate = lists.chunks > 0 ? MAP_POPULATE : 0;
    const size_t pages = kChunkSize / kPageSize;
    void** room =
        static_cast<void**>(rawReallocate(lists.cold, (lists.chunks + 1) * pages * sizeof(void*)));
    if (!room) return nullptr;
    lists.cold = room;
    if (allocationRefused(kChunkSize)) return nullptr;
    void* chunk = mmap(nullptr, kChunkSize + kPageSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | populate, -1, 0);
    if (chunk == MAP_FAILED) return nullptr;
    ++lists.chunks;
    uintptr_t first = (reinterpret_cast<uintptr_t>(chunk) + kPageSize - 1) & ~(kPageSize - 1);
    poison(reinterpret_cast<void*>(first), kChunkSize);
#if TOVELDOM_ASAN
    __lsan_register_root_region(reinterpret_cast<void*>(first), kChunkSize);
#endif
    for (size_t i = pages; i-- > 0;)
        unpoison(reinterpret_cast<void*>(first + i * kPageSize), kHeader);
    for (size_t i = pages - 1; i >= 1; --i)
        lists.cold[lists.coldCount++] = reinterpret_cast<void*>(first + i * kPageSize);
    return reinterpret_cast<void*>(first);
}

void givePage(void* page) {
    PageLists& lists = pageLists();
    std::lock_guard<std::mutex> guard(lists.lock);
    if (lists.warmCount < lists.warmMax) {
        push(lists.warm, page);
        if (++lists.warmCount == lists.kept + 1) {
            startTrimmer(lists);
            lists.wake.notify_one();
        }
        return;
    }
    madvise(page, kPageSize, MADV_DONTNEED);
    lists.cold[lists.coldCount++] = page;
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

// A kept block's link, read while the rest of it stays poisoned.
FreeBlock* nextOf(FreeBlock* b) {
    unpoison(b, sizeof(FreeBlock));
    FreeBlock* next = b->next;
    poison(b, sizeof(FreeBlock));
    return next;
}

// Plain data reached without a call (initial-exec model); the flusher below returns
// what a thread still holds when it ends.
struct ThreadHeap {
    Page* page;        // the page being filled, or null
    char* bump;        // next free byte in it
    int64_t handedOut; // objects carved from it so far
    FreeBlock* lists[kClasses];
    uint32_t kept[kClasses];
    bool flusherArmed;
    bool documentDied; // in the release under way on this thread
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
            FreeBlock* next = nextOf(b);
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
        void* p = rawAllocate(size);
        if (!p) throw std::bad_alloc();
        return p;
    }
    if (allocationRefused(size)) throw std::bad_alloc();
    const size_t c = size / kGrain;
    if (FreeBlock* b = heap.lists[c]) {
        heap.lists[c] = nextOf(b);
        --heap.kept[c];
        unpoison(b, size);
        countObject(1);
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
    unpoison(p, size);
    countObject(1);
    return p;
}

void nodeFree(void* object, size_t size) noexcept {
    if (!object) return;
    size = (size + kGrain - 1) & ~(kGrain - 1);
    if (size > kLargest) {
        rawFree(object);
        return;
    }
    countObject(-1);
    const size_t c = size / kGrain;
    if (heap.kept[c] < kKeepPerClass) {
        if (!heap.flusherArmed) armFlusher();
        auto* b = static_cast<FreeBlock*>(object);
        b->next = heap.lists[c];
        poison(b, size);
        heap.lists[c] = b;
        ++heap.kept[c];
        return;
    }
    poison(object, size);
    release(pageOf(object), 1);
}

void documentDied() noexcept { heap.documentDied = true; }

// This thread has just freed a document's tree. The blocks it keeps for reuse would hold
// their pages, and so would the page it is filling: both go back now, so that the pages
// empty and the trimmer can give their memory back. (A thread that loads its next
// document at once takes the same pages again, still warm.)
void treeDestroyed() noexcept {
    if (!heap.documentDied) return;
    heap.documentDied = false;
    flushAll();
}

void* CNodeStorage::allocate(size_t size) { return nodeAllocate(size); }
void CNodeStorage::release(void* object, size_t size) noexcept { nodeFree(object, size); }

} // namespace LUMA_7_4_0

extern "C" void toveldom_release_memory(void) {
    using namespace LUMA_7_4_0;
    flushAll();
    PageLists& lists = pageLists();
    {
        std::unique_lock<std::mutex> guard(lists.lock);
        coolDown(lists, guard, 0);
    }
    malloc_trim(0);
}

extern "C" void toveldom_set_memory_kept(size_t bytes) {
    using namespace LUMA_7_4_0;
    PageLists& lists = pageLists();
    std::unique_lock<std::mutex> guard(lists.lock);
    lists.kept = bytes / kPageSize;
    lists.warmMax = std::max(kWarmPagesMax, lists.kept);
    if (lists.warmCount > lists.kept) {
        startTrimmer(lists);
        lists.wake.notify_one();
    }
}

extern "C" size_t toveldom_memory_held(void) {
    using namespace LUMA_7_4_0;
    PageLists& lists = pageLists();
    std::lock_guard<std::mutex> guard(lists.lock);
    return (lists.chunks * (kChunkSize / kPageSize) - lists.coldCount) * kPageSize;
}

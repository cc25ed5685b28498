// CDynamicArray<T>: a growable array of counted pointers with four inline slots. Every
// child list, search result and ordering group list is one.
#ifndef TOVELDOM_DYNAMIC_ARRAY_H
#define TOVELDOM_DYNAMIC_ARRAY_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <toveldom/exceptions.h>
#include <toveldom/memory.h>

namespace LUMA_7_4_0 {

// The array holds one reference on each element: taken on insertion, dropped on removal.
// Out-of-range indices never throw (false, -1 or null); growth failure throws
// OUT_OF_MEMORY_ERR and keeps the old storage.
template <class T> class CDynamicArray {
public:
    static constexpr int32_t kInlineSlots = 4;

    explicit CDynamicArray(int growBy = 8)
        : capacity(kInlineSlots), count_(0), growBy(growBy > 0 ? growBy : 8), storage(inlineSlots),
          hint(0) {}
    ~CDynamicArray() {
        releaseAll();
        if (!isInline()) rawFree(storage);
    }
    CDynamicArray(const CDynamicArray&) = delete;

    int size() const { return count_; }
    int count() const { return count_; }
    bool isInline() const { return storage == inlineSlots; }
    int getCapacity() const { return capacity; }

    T* elementAt(int i) const { return (i < 0 || i >= count_) ? nullptr : storage[i]; }
    T*& operator[](int i) { return storage[i]; }
    T* operator[](int i) const { return storage[i]; }
    T** getElements() { return storage; }

    // First index >= start holding x, or -1.
    int indexOf(T const* x, int start) const {
        if (start < 0 || start >= count_) return -1;
        for (int i = start; i < count_; ++i)
            if (storage[i] == x) return i;
        return -1;
    }

    // Index of x, or -1. Walking a list forwards or backwards asks for neighbours of the
    // last position found, so that position and its two neighbours are checked before the
    // scan: sibling navigation over n children stays linear instead of quadratic.
    int find(T const* x) const {
        for (int i = hint - 1; i <= hint + 1; ++i) {
            if (i >= 0 && i < count_ && storage[i] == x) return hint = i;
        }
        int i = indexOf(x, 0);
        if (i >= 0) hint = i;
        return i;
    }

    bool insertElementAt(T* x, int i) {
        if (i < 0 || i > count_) return false;
        if (count_ + 1 > capacity) {
            grow(i);
        } else if (i < count_) {
            std::memmove(storage + i + 1, storage + i, sizeof(T*) * (count_ - i));
        }
        storage[i] = x;
        x->AddRef();
        ++count_;
        return true;
    }
    bool appendElement(T* x) { return insertElementAt(x, count_); }

    // Makes room for one more element now, so that a later insertion cannot fail after the
    // caller has started changing things.
    void reserveOne() {
        if (count_ + 1 > capacity) grow(count_);
    }

    bool replaceElementAt(T* x, int i) {
        if (i < 0 || i >= count_) return false;
        x->AddRef();
        T* old = storage[i];
        storage[i] = x;
        old->Release();
        return true;
    }

    bool removeElementAt(int i) {
        if (i < 0 || i >= count_) return false;
        T* old = storage[i];
        std::memmove(storage + i, storage + i + 1, sizeof(T*) * (count_ - i - 1));
        --count_;
        old->Release();
        return true;
    }

    // Overwrites slot i without touching any count (reordering an array whose elements
    // are all kept); ignored outside [0, count).
    void moveElementTo(T const* x, int i) {
        if (i >= 0 && i < count_) storage[i] = const_cast<T*>(x);
    }

    void clear() {
        releaseAll();
        hint = 0;
    }

    CDynamicArray& operator=(const CDynamicArray& src) {
        if (&src == this) return *this;
        if (src.count_ > capacity) {
            T** block = static_cast<T**>(rawAllocate(sizeof(T*) * src.count_));
            if (!block) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
            releaseAll();
            if (!isInline()) rawFree(storage);
            storage = block;
            capacity = src.count_;
        } else {
            clear();
        }
        for (int i = src.count_ - 1; i >= 0; --i) {
            storage[i] = src.storage[i];
            storage[i]->AddRef();
        }
        count_ = src.count_;
        return *this;
    }

private:
    // Small arrays grow by growBy slots (4, 12, 20, 28, ... with the default 8): most
    // elements have few children and the steps keep them tight. Past 64 slots the growth
    // turns geometric (x1.5), so appending n elements costs O(n) copies, not O(n^2).
    void grow(int gap) {
        int64_t next = capacity < 64 ? int64_t(capacity) + growBy : int64_t(capacity) * 3 / 2;
        if (next > INT32_MAX) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        T** block = static_cast<T**>(rawAllocate(sizeof(T*) * size_t(next)));
        if (!block) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        std::memcpy(block, storage, sizeof(T*) * gap);
        std::memcpy(block + gap + 1, storage + gap, sizeof(T*) * (count_ - gap));
        if (!isInline()) rawFree(storage);
        storage = block;
        capacity = int32_t(next);
    }
    void releaseAll() {
        // Count first, then release last to first: a release may run arbitrary
        // destructors, and they must never see a half-emptied array.
        while (count_ > 0) {
            T* last = storage[--count_];
            last->Release();
        }
    }

    int32_t capacity;
    int32_t count_;
    int32_t growBy;
    T** storage;
    T* inlineSlots[kInlineSlots];
    mutable int32_t hint;
};

} // namespace LUMA_7_4_0

#endif

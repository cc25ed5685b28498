// CBuffer<char>: the growable byte buffer behind the escaping routines and the parser's
// text accumulator.
#ifndef TOVELDOM_BUFFER_H
#define TOVELDOM_BUFFER_H

#include <cstdlib>
#include <cstring>

#include <toveldom/exceptions.h>
#include <toveldom/export.h>
#include <toveldom/memory.h>

namespace LUMA_7_4_0 {

// Every capacity is a whole multiple of the increment, and growth is by whole increments
// (the printer uses 1024, the parser 4096). The buffer never appends a terminating zero.
// A failed allocation throws OUT_OF_MEMORY_ERR and leaves the buffer as it was.
template <class T> class CBuffer {
public:
    CBuffer(unsigned long initial, unsigned long increment)
        : start_(nullptr), capacity_(0), count_(0), increment_(increment ? increment : 1) {
        unsigned long want = roundUp(initial);
        if (want) {
            start_ = static_cast<T*>(rawAllocate(want * sizeof(T)));
            if (!start_) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
            capacity_ = want;
        }
    }
    ~CBuffer() {
        capacity_ = 0;
        rawFree(start_);
        start_ = nullptr;
        count_ = 0;
    }
    // Copies would share one block between two owners; nothing needs them.
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

    void reset() { count_ = 0; }
    T* start() { return start_; }
    const T* start() const { return start_; }
    unsigned long count() const { return count_; }
    unsigned long capacity() const { return capacity_; }

    void reserve(unsigned long n) {
        if (n > capacity_) growTo(n);
    }
    void append(const T* bytes, unsigned long length) {
        if (count_ + length > capacity_) growTo(count_ + length);
        if (length) std::memcpy(start_ + count_, bytes, length * sizeof(T));
        count_ += length;
    }
    void append(T byte) {
        if (count_ + 1 > capacity_) growTo(count_ + 1);
        start_[count_++] = byte;
    }

private:
    unsigned long roundUp(unsigned long n) const {
        return (n + increment_ - 1) / increment_ * increment_;
    }
    void growTo(unsigned long n) {
        unsigned long want = roundUp(n);
        T* block = static_cast<T*>(rawReallocate(start_, want * sizeof(T)));
        if (!block) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        start_ = block;
        capacity_ = want;
    }

    T* start_;
    unsigned long capacity_;
    unsigned long count_;
    unsigned long increment_;
};

} // namespace LUMA_7_4_0

#endif

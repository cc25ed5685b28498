// CNodePtr<T>: scoped holder of one reference on a counted object.
#ifndef TOVELDOM_NODE_PTR_H
#define TOVELDOM_NODE_PTR_H

namespace LUMA_7_4_0 {

// Counted objects start at 0 and the creator adds the first reference. The holder adds
// one when built from a raw pointer; to take over a result that already carries the
// caller's reference (every getter's result), use adopt() or assign through operator&.
template <class T> class CNodePtr {
public:
    T* p;

    CNodePtr() : p(nullptr) {}
    CNodePtr(T* ptr) : p(ptr) {
        if (p) p->AddRef();
    }
    CNodePtr(const CNodePtr& other) : CNodePtr(other.p) {}
    CNodePtr(CNodePtr&& other) noexcept : p(other.p) { other.p = nullptr; }
    virtual ~CNodePtr() {
        if (p) p->Release();
    }
    CNodePtr& operator=(CNodePtr other) noexcept {
        T* old = p;
        p = other.p;
        other.p = old;
        return *this;
    }

    // Wraps a pointer that already carries one reference for us.
    static CNodePtr adopt(T* owned) {
        CNodePtr holder;
        holder.p = owned;
        return holder;
    }
    // Hands our reference to the caller (the +1 a public operation returns).
    [[nodiscard]] T* detach() {
        T* out = p;
        p = nullptr;
        return out;
    }
    T* get() const { return p; }

    operator T*() const { return p; }
    T* operator->() const { return p; }
    bool operator!() const { return p == nullptr; }
    // Out-argument for an operation that returns an owned reference; the old value is
    // not released.
    T** operator&() { return &p; }
};

} // namespace LUMA_7_4_0

#endif

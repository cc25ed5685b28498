// CSharedString: an immutable string that the nodes carrying it share.
#ifndef TOVELDOM_SHARED_STRING_H
#define TOVELDOM_SHARED_STRING_H

#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>

#include <toveldom/export.h>

namespace LUMA_7_4_0 {

// Element and attribute names and namespace URIs repeat on every element of a document:
// a loaded document shares one copy of each among all the nodes that carry it. The count
// is atomic because copies may end up in documents used by different threads. The empty
// string needs no storage.
class TOVELDOM_API CSharedString {
public:
    CSharedString() : rep(nullptr) {}
    explicit CSharedString(const char* text) : CSharedString(text, text ? std::strlen(text) : 0) {}
    CSharedString(const char* text, size_t length);
    CSharedString(const CSharedString& other) : rep(other.rep) {
        if (rep) rep->refs.fetch_add(1, std::memory_order_relaxed);
    }
    CSharedString(CSharedString&& other) noexcept : rep(other.rep) { other.rep = nullptr; }
    CSharedString& operator=(CSharedString other) noexcept {
        Rep* old = rep;
        rep = other.rep;
        other.rep = old;
        return *this;
    }
    ~CSharedString() {
        if (rep && rep->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) destroy(rep);
    }

    const char* c_str() const { return rep ? rep->text : ""; }
    size_t size() const { return rep ? rep->length : 0; }
    bool empty() const { return rep == nullptr; }
    bool operator==(const char* text) const { return std::strcmp(c_str(), text ? text : "") == 0; }
    std::string str() const { return std::string(c_str(), size()); }

private:
    struct Rep {
        std::atomic<int> refs;
        size_t length;
        char text[1];
    };
    static void destroy(Rep* rep);
    Rep* rep;
};

} // namespace LUMA_7_4_0

#endif

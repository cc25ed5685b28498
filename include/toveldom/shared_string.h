// CSharedString: an immutable string that the nodes carrying it share.
#ifndef TOVELDOM_SHARED_STRING_H
#define TOVELDOM_SHARED_STRING_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <toveldom/export.h>

namespace LUMA_7_4_0 {

// Element and attribute names and namespace URIs repeat on every element of a document:
// a loaded document shares one copy of each among all the nodes that carry it. Sharing
// never crosses documents: a node moving to another document takes copies of its own
// (unshare), and a copy of a node without a document shares nothing. Since a document is
// used by one thread at a time, the count is a plain integer. The empty string needs no
// storage.
class TOVELDOM_API CSharedString {
public:
    CSharedString() : rep(nullptr) {}
    explicit CSharedString(const char* text) : CSharedString(text, text ? std::strlen(text) : 0) {}
    CSharedString(const char* text, size_t length);
    CSharedString(const CSharedString& other) : rep(other.rep) {
        if (rep) ++rep->refs;
    }
    CSharedString(CSharedString&& other) noexcept : rep(other.rep) { other.rep = nullptr; }
    CSharedString& operator=(CSharedString other) noexcept {
        Rep* old = rep;
        rep = other.rep;
        other.rep = old;
        return *this;
    }
    ~CSharedString() {
        if (rep && --rep->refs == 0) destroy(rep);
    }

    const char* c_str() const { return rep ? rep->text : ""; }
    size_t size() const { return rep ? rep->length : 0; }
    bool empty() const { return rep == nullptr; }
    bool operator==(const char* text) const { return std::strcmp(c_str(), text ? text : "") == 0; }
    std::string str() const { return std::string(c_str(), size()); }
    // The attribute map's hash of the text (names are the keys of attribute maps), worked
    // out once when the text is stored.
    uint32_t keyHash() const { return rep ? rep->hash : 0; }
    // Makes this string the only holder of its text.
    void unshare() {
        if (rep && rep->refs > 1) *this = CSharedString(rep->text, rep->length);
    }

private:
    struct Rep {
        int refs;
        uint32_t hash;
        size_t length;
        char text[1];
    };
    static void destroy(Rep* rep);
    Rep* rep;
};

} // namespace LUMA_7_4_0

#endif

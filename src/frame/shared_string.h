// The members of CSharedString and CResultCache, the library's own types that the node
// classes embed (their declarations are in toveldom/node_base.h, for the layout only).
#ifndef TOVELDOM_SRC_FRAME_SHARED_STRING_H
#define TOVELDOM_SRC_FRAME_SHARED_STRING_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {

// Element and attribute names and namespace URIs repeat on every element of a document:
// a loaded document shares one copy of each among all the nodes that carry it. Sharing
// never crosses documents: a node moving to another document takes copies of its own
// (unshare), and a copy of a node without a document shares nothing. Since a document is
// used by one thread at a time, the count is a plain integer. The empty string needs no
// storage.
struct CSharedString::Rep {
    int refs;
    uint32_t hash; // the attribute map's hash of text (names are the keys of attribute maps)
    size_t length;
    char text[1];
};

inline CSharedString::CSharedString() : rep(nullptr) {}
inline CSharedString::CSharedString(const char* text)
    : CSharedString(text, text ? std::strlen(text) : 0) {}
inline CSharedString::CSharedString(const CSharedString& other) : rep(other.rep) {
    if (rep) ++rep->refs;
}
inline CSharedString::CSharedString(CSharedString&& other) noexcept : rep(other.rep) {
    other.rep = nullptr;
}
inline CSharedString& CSharedString::operator=(CSharedString other) noexcept {
    Rep* old = rep;
    rep = other.rep;
    other.rep = old;
    return *this;
}
inline CSharedString::~CSharedString() {
    if (rep && --rep->refs == 0) destroy(rep);
}
inline const char* CSharedString::c_str() const { return rep ? rep->text : ""; }
inline size_t CSharedString::size() const { return rep ? rep->length : 0; }
inline bool CSharedString::empty() const { return rep == nullptr; }
inline bool CSharedString::operator==(const char* text) const {
    return std::strcmp(c_str(), text ? text : "") == 0;
}
inline std::string CSharedString::str() const { return std::string(c_str(), size()); }
// Worked out once, when the text is stored.
inline uint32_t CSharedString::keyHash() const { return rep ? rep->hash : 0; }
// Makes this string the only holder of its text.
inline void CSharedString::unshare() {
    if (rep && rep->refs > 1) *this = CSharedString(rep->text, rep->length);
}

// Most nodes are never asked for a result, so the string is allocated on first use.
inline CResultCache::CResultCache() : value(nullptr) {}
inline CResultCache::~CResultCache() { delete value; }
inline std::string& CResultCache::get() {
    if (!value) value = new (std::nothrow) std::string();
    if (!value) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    return *value;
}
// Empties the cache and returns it for filling.
inline std::string& CResultCache::fresh() {
    std::string& s = get();
    s.clear();
    return s;
}
inline const char* CResultCache::set(std::string text) {
    get() = std::move(text);
    return value->c_str();
}
inline const char* CResultCache::c_str() { return get().c_str(); }

} // namespace LUMA_7_4_0

#endif

// What the sources of the host layer share: turning the interfaces' exceptions into
// toveldom::error, the checks on names and content, and the encoded printer.
#ifndef TOVELDOM_SRC_DOM_DOM_INTERNAL_H
#define TOVELDOM_SRC_DOM_DOM_INTERNAL_H

#include <string>
#include <string_view>

#include <toveldom/dom.hpp>
#include <toveldom/exceptions.h>

namespace toveldom::detail {

// Called inside a catch block: rethrows what is caught as toveldom::error (a parse error
// carries path), or as it is when it already is one.
[[noreturn]] void rethrow_as_error(const std::string& path = {});

// Runs f, so that nothing but toveldom::error leaves the layer.
template <class F> auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (...) {
        rethrow_as_error();
    }
}

[[noreturn]] void fail(int code, const std::string& message);

// The handles' private parts, for the layer's own sources.
struct access {
    template <class Handle> static Handle as(node&& n) noexcept { return Handle(std::move(n)); }
    static node make(ITOVELDOMNode* p, ITOVELDOMDocument* doc) noexcept { return node(p, doc); }
    // A handle on p (whose reference it takes over) in the same tree as n.
    static node sibling(const node& n, ITOVELDOMNode* p) noexcept { return n.sibling(p); }
    static ITOVELDOMDocument* document_of(const node& n) noexcept { return n.doc_; }
};

// The checks the interfaces' factories leave out; what names the thing in messages.
void check_name(std::string_view name, const char* what);
void check_text(std::string_view text, const char* what);
void check_comment(std::string_view text);
void check_cdata(std::string_view text);
void check_instruction(std::string_view target, std::string_view data);

// The scalar that starts at s[i], with i moved past it; -1, with i moved one byte on, where
// the bytes are not UTF-8 (overlong forms and surrogates included).
inline long next_scalar(std::string_view s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : 0;
    if (extra == 0 || c > 0xF4 || s.size() - i < size_t(extra)) return -1;
    long scalar = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + size_t(k)]);
        if ((t & 0xC0) != 0x80) return -1;
        scalar = (scalar << 6) | (t & 0x3F);
    }
    static const long smallest[] = {0, 0x80, 0x800, 0x10000};
    if (scalar < smallest[extra] || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF))
        return -1;
    i += size_t(extra);
    return scalar;
}

// A NUL-terminated copy for the interfaces.
inline std::string z(std::string_view s) { return std::string(s); }

// The printed text of xml() (UTF-8, as the interfaces print it) in encoding. In text and
// attribute values a character the encoding lacks becomes a character reference, in CDATA
// it gets a section of its own; in names, comments, instructions and the document type it
// cannot be written and is refused. doctype is the printed document type, skipped as a
// whole. head: the first bytes of the file the document was read from, whose byte order
// mark (or byte order) the output keeps, or empty.
std::string encode_printed(std::string_view printed, const std::string& encoding,
                           std::string_view doctype, const std::string& head = {});

} // namespace toveldom::detail

#endif

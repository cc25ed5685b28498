// toveldom/dom.hpp: the library for C++ hosts in owned handles, ranges and one exception.
//
//   toveldom::document doc = toveldom::document::load_file("types.xml");
//   for (toveldom::element type : doc.root().children("mime-type"))
//       std::cout << type.attribute_or("type", "?") << '\n';
//   doc.save("types.xml");
//
// Every handle (document, node, element, attribute, text_node) owns one reference on the
// object it names, and a node handle also keeps its document alive: copying adds a
// reference, moving hands it over, destruction releases it. A default-made handle is null
// and tests false (except document, whose default is a new empty document). Everything the
// library reports is thrown as toveldom::error. `.get()` reaches the object's interface in
// namespace LUMA_7_4_0 for anything this layer leaves out; adopt() and retain() make a
// handle from such a pointer.
#ifndef TOVELDOM_DOM_HPP
#define TOVELDOM_DOM_HPP

#include <charconv>
#include <cstddef>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#include <toveldom/export.h>
#include <toveldom/interfaces.h>

namespace toveldom {

using LUMA_7_4_0::ITOVELDOMAttribute;
using LUMA_7_4_0::ITOVELDOMDocument;
using LUMA_7_4_0::ITOVELDOMElement;
using LUMA_7_4_0::ITOVELDOMNode;
using LUMA_7_4_0::ITOVELDOMText;

class node;
class document;
class element;
class attribute;
class text_node;
namespace detail {
struct access;
}

// ---- errors ---------------------------------------------------------------------------------

enum class error_kind {
    tree,  // a refused operation; code() is a TOVELDOMErrorCode or one of errc below
    parse, // malformed input; code() is the parser's error number
    file,  // a file that cannot be read or written; code() is FILE_IO_ERR (30004)
};

// Codes the layer adds for what it refuses itself, numbered as the W3C DOM numbers them.
namespace errc {
constexpr int invalid_character = 5; // not an XML name, or a character XML does not allow
constexpr int not_supported = 9;     // an output encoding that cannot write the document
constexpr int syntax = 12;           // content that would end its comment, CDATA or instruction
constexpr int namespace_error = 14;  // a prefix that no declaration in scope binds
constexpr int type_mismatch = 17;    // attribute_as on text that is not wholly such a value
} // namespace errc

// what() is "PATH:LINE:COLUMN: MESSAGE (error N)", leaving out the path and position where
// they are not known.
class TOVELDOM_API error : public std::runtime_error {
public:
    error(error_kind kind, int code, const std::string& message, const std::string& path = {},
          long line = 0, long column = 0, long offset = -1);

    int code() const noexcept { return code_; }
    error_kind kind() const noexcept { return kind_; }
    long line() const noexcept { return line_; }     // 1-based; 0 when unknown
    long column() const noexcept { return column_; } // 1-based, as editors count; 0 when unknown
    long offset() const noexcept { return offset_; } // byte offset in the input; -1 when unknown
    const std::string& path() const noexcept { return path_; }
    const std::string& message() const noexcept { return message_; } // without path or position

private:
    error_kind kind_;
    int code_;
    long line_, column_, offset_;
    std::string path_, message_;
};

// ---- options --------------------------------------------------------------------------------

struct load_options {
    bool preserve_whitespace = false; // keep white-space-only text and inner runs as they are
    bool resolve_externals = false;   // read the external DTD and external entities
    std::string encoding;             // read the input in this encoding whatever it declares
};

struct output_options {
    bool indent = false;            // one element per line, nested by indent_unit
    std::string indent_unit = "  "; // one level of nesting
    // Any name of output_encodings(); characters it lacks become character references. Empty:
    // UTF-8 for xml() of a node, the document's declared encoding for a document.
    std::string encoding;
    bool final_newline = false; // end with a line feed (save() always does)
};

struct find_options {
    std::optional<std::string> namespace_uri; // match the local name in this namespace
    bool ignore_case = false;                 // compare names without regard to letter case
};

// The encodings output_options::encoding accepts: UTF-8, UTF-16 (with a byte order mark,
// little-endian), UTF-16LE, UTF-16BE, ISO-8859-1, US-ASCII and every registry encoding, by
// any of its names (ASCII case ignored).
TOVELDOM_API bool is_output_encoding(std::string_view name);
TOVELDOM_API std::vector<std::string> output_encodings();

// ---- handles --------------------------------------------------------------------------------

enum class node_type {
    none = 0,
    element = 1,
    attribute = 2,
    text = 3,
    cdata = 4,
    processing_instruction = 7,
    comment = 8,
    document = 9,
    document_type = 10,
    fragment = 11,
};

template <class Handle> class sibling_range;
using node_range = sibling_range<node>;
using element_range = sibling_range<element>;

class TOVELDOM_API node {
public:
    node() noexcept = default;
    node(const node& other) noexcept;
    node(node&& other) noexcept : node_(other.node_), doc_(other.doc_) {
        other.node_ = nullptr;
        other.doc_ = nullptr;
    }
    node& operator=(const node& other) noexcept;
    node& operator=(node&& other) noexcept;
    ~node();

    // Takes over the reference that p carries (what every interface getter returns).
    static node adopt(ITOVELDOMNode* p);
    // Adds a reference of its own; p stays the caller's.
    static node retain(ITOVELDOMNode* p);

    explicit operator bool() const noexcept { return node_ != nullptr; }
    ITOVELDOMNode* get() const noexcept { return node_; }
    friend bool operator==(const node& a, const node& b) noexcept { return a.node_ == b.node_; }
    friend bool operator!=(const node& a, const node& b) noexcept { return a.node_ != b.node_; }

    node_type type() const;
    std::string_view name() const;          // qualified name; "#text", "#comment"... for others
    std::string_view local_name() const;    // the name after its prefix
    std::string_view namespace_uri() const; // "" when none
    std::string value() const; // data of text, CDATA, comment and instruction; attribute value
    std::string text() const;  // text content: an element's text with its descendants'

    element parent() const; // null at the top and for attributes
    node next() const;      // next sibling of any kind
    node previous() const;
    node_range nodes() const; // every child, in order
    document owner_document() const;

    std::string xml(const output_options& options = {}) const;
    // Takes the node out of its parent (an attribute out of its element); the handle stays.
    void remove() const;

    element as_element() const;     // null unless an element
    text_node as_text() const;      // null unless text or CDATA
    attribute as_attribute() const; // null unless an attribute

    // XPath 1.0 from this node (see toveldom/xpath.hpp, included below): the selected nodes
    // in document order, and the first of them (null when none). Prefixes are bound by
    // namespaces, prefix then URI.
    std::vector<node>
    select(std::string_view expression,
           const std::vector<std::pair<std::string, std::string>>& namespaces = {}) const;
    node select_one(std::string_view expression,
                    const std::vector<std::pair<std::string, std::string>>& namespaces = {}) const;

protected:
    node(ITOVELDOMNode* p, ITOVELDOMDocument* doc) noexcept : node_(p), doc_(doc) {}
    // Shares this handle's document with a node of the same tree; p carries its reference.
    node sibling(ITOVELDOMNode* p) const noexcept;
    void reset() noexcept;
    // xml() with the first bytes of the file a document was read from (see document::save).
    std::string print(const output_options& options, const std::string& head) const;

    ITOVELDOMNode* node_ = nullptr;
    ITOVELDOMDocument* doc_ = nullptr; // one reference; null for a document itself

    friend struct detail::access;
    template <class> friend class sibling_range;
};

// Text and CDATA sections.
class TOVELDOM_API text_node : public node {
public:
    text_node() noexcept = default;
    static text_node adopt(ITOVELDOMText* p);
    static text_node retain(ITOVELDOMText* p);
    ITOVELDOMText* get() const noexcept;

    // Valid until the node's data changes or the node goes.
    std::string_view value() const;
    void set_value(std::string_view value);
    bool is_cdata() const;

private:
    explicit text_node(node&& n) noexcept : node(std::move(n)) {}
    friend struct detail::access;
};

class TOVELDOM_API attribute : public node {
public:
    attribute() noexcept = default;
    static attribute adopt(ITOVELDOMAttribute* p);
    static attribute retain(ITOVELDOMAttribute* p);
    ITOVELDOMAttribute* get() const noexcept;

    // Valid until the attribute's value changes or the attribute goes.
    std::string_view value() const;
    void set_value(std::string_view value);
    element owner_element() const;
    // xmlns or xmlns:prefix
    bool is_namespace_declaration() const;

private:
    explicit attribute(node&& n) noexcept : node(std::move(n)) {}
    friend struct detail::access;
};

template <class T> struct attribute_traits;

class TOVELDOM_API element : public node {
public:
    element() noexcept = default;
    static element adopt(ITOVELDOMElement* p);
    static element retain(ITOVELDOMElement* p);
    ITOVELDOMElement* get() const noexcept;

    // --- walking: element children only, by qualified name (empty: any name)
    element_range children(std::string_view name = {}) const;
    element child(std::string_view name = {}) const; // the first; null when absent
    element next_sibling(std::string_view name = {}) const;
    element previous_sibling(std::string_view name = {}) const;

    // --- attributes
    // The value, or nothing when the element has no such attribute; valid until that
    // attribute changes or goes.
    std::optional<std::string_view> attribute(std::string_view name) const;
    std::string attribute_or(std::string_view name, std::string_view fallback) const;
    // Integers, floating point and bool ("true", "false", "1", "0"): nothing when absent; an
    // error (errc::type_mismatch) when the text is not wholly a value of T.
    template <class T> std::optional<T> attribute_as(std::string_view name) const;
    class attribute attribute_node(std::string_view name) const; // null when absent
    void set_attribute(std::string_view name, std::string_view value);
    template <class T, class = std::enable_if_t<std::is_arithmetic_v<T>>>
    void set_attribute(std::string_view name, T value) {
        set_attribute(name, std::string_view(attribute_traits<T>::format(value)));
    }
    void remove_attribute(std::string_view name);
    // In the element's stored order; namespace declarations only when asked for.
    std::vector<class attribute> attributes(bool with_namespace_declarations = false) const;

    // --- text
    std::string child_text(std::string_view name) const; // "" when there is no such child
    void set_text(std::string_view value);               // replaces every child

    // --- building: names are checked as XML names, content as legal XML text
    element append_element(std::string_view name, std::string_view namespace_uri = {});
    element prepend_element(std::string_view name, std::string_view namespace_uri = {});
    element insert_element_before(const node& ref, std::string_view name,
                                  std::string_view namespace_uri = {});
    text_node append_text(std::string_view value);
    text_node append_cdata(std::string_view value); // refuses "]]>"
    node append_comment(std::string_view value);    // refuses "--" and a final "-"
    node append_processing_instruction(std::string_view target, std::string_view data = {});

    // --- searching: every descendant element that matches (the element itself excluded)
    std::vector<element> find_all(std::string_view name, const find_options& options = {}) const;

private:
    explicit element(node&& n) noexcept : node(std::move(n)) {}
    [[noreturn]] void attribute_mismatch(std::string_view name, std::string_view text,
                                         const char* wanted) const;
    element make_child(std::string_view name, std::string_view namespace_uri, const node* before,
                       bool first);
    friend struct detail::access;
};

class TOVELDOM_API document : public node {
public:
    // A new empty document (UTF-8, no element yet).
    document();
    explicit document(std::nullptr_t) noexcept {}
    static document adopt(ITOVELDOMDocument* p);
    static document retain(ITOVELDOMDocument* p);
    ITOVELDOMDocument* get() const noexcept;

    static document load_file(const std::string& path, const load_options& options = {});
    static document parse(std::string_view text, const load_options& options = {});

    element root() const; // null while there is none
    // Writes xml(options) and a final line feed, in the declared encoding unless
    // options.encoding names another. A document this handle loaded keeps the byte order
    // mark it was read with (UTF-8, UTF-16) and UTF-16's byte order.
    void save(const std::string& path, const output_options& options = {}) const;
    std::string xml(const output_options& options = {}) const;
    // The encoding the declaration names ("UTF-8" for a new document).
    std::string encoding() const;

    // --- building at the top: the document element, and comments and instructions
    element append_element(std::string_view name, std::string_view namespace_uri = {});
    node append_comment(std::string_view value);
    node append_processing_instruction(std::string_view target, std::string_view data = {});

    // Every element that matches, the document element included.
    std::vector<element> find_all(std::string_view name, const find_options& options = {}) const;

private:
    explicit document(node&& n) noexcept : node(std::move(n)) {}
    friend struct detail::access;
    std::string head_; // the first bytes of what load_file or parse read
};

// ---- ranges ---------------------------------------------------------------------------------

// Children in order: every node, or only elements with an optional name. The range keeps
// the name; iterators are forward iterators over handles. Removing the current child in
// the loop is safe.
template <class Handle> class sibling_range {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Handle;
        using difference_type = std::ptrdiff_t;
        using pointer = const Handle*;
        using reference = const Handle&;

        iterator() = default;
        reference operator*() const noexcept { return current_; }
        pointer operator->() const noexcept { return &current_; }
        iterator& operator++() {
            current_ = std::move(next_);
            if (current_) next_ = sibling_range::advance(current_, name_);
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const iterator& a, const iterator& b) noexcept {
            return a.current_ == b.current_;
        }
        friend bool operator!=(const iterator& a, const iterator& b) noexcept { return !(a == b); }

    private:
        friend class sibling_range;
        iterator(Handle first, std::string_view name) : current_(std::move(first)), name_(name) {
            if (current_) next_ = sibling_range::advance(current_, name_);
        }
        // The next one is found before the current one is handed out, so that the body of
        // a loop may remove the current one.
        Handle current_, next_;
        std::string_view name_;
    };

    sibling_range(Handle first, std::string name)
        : first_(std::move(first)), name_(std::move(name)) {}
    iterator begin() const { return iterator(first_, name_); }
    iterator end() const { return iterator(); }
    bool empty() const noexcept { return !first_; }

private:
    static Handle advance(const Handle& from, std::string_view name);
    Handle first_;
    std::string name_;
};

template <> TOVELDOM_API node sibling_range<node>::advance(const node& from, std::string_view);
template <>
TOVELDOM_API element sibling_range<element>::advance(const element& from, std::string_view name);

// ---- attribute values -----------------------------------------------------------------------

namespace detail {
// The value, or nothing when absent, copied (cheaper than attribute() for a one-off read).
TOVELDOM_API std::optional<std::string> attribute_text(const element& e, std::string_view name);
} // namespace detail

template <class T> struct attribute_traits {
    static_assert(std::is_integral_v<T> || std::is_floating_point_v<T>,
                  "attribute_as reads integers, floating point and bool");
    static constexpr const char* wanted = std::is_floating_point_v<T> ? "a number"
                                          : std::is_signed_v<T>       ? "an integer"
                                                                      : "a non-negative integer";
    static bool parse(std::string_view text, T& out) {
        if (text.empty()) return false;
        std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), out);
        return r.ec == std::errc() && r.ptr == text.data() + text.size();
    }
    static std::string format(T value) {
        char buffer[64];
        std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
        return std::string(buffer, r.ptr);
    }
};

template <> struct attribute_traits<bool> {
    static constexpr const char* wanted = "true, false, 1 or 0";
    static bool parse(std::string_view text, bool& out) {
        if (text == "true" || text == "1") return out = true, true;
        if (text == "false" || text == "0") return out = false, true;
        return false;
    }
    static std::string format(bool value) { return value ? "true" : "false"; }
};

template <class T> std::optional<T> element::attribute_as(std::string_view name) const {
    std::optional<std::string> text = detail::attribute_text(*this, name);
    if (!text) return std::nullopt;
    T value{};
    if (!attribute_traits<T>::parse(*text, value))
        attribute_mismatch(name, *text, attribute_traits<T>::wanted);
    return value;
}

} // namespace toveldom

#include <toveldom/xpath.hpp>

#endif

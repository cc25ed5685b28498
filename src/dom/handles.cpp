// The handles: references held and handed on, walking, attributes, text and building.
//
// Every interface getter returns its result with one reference added; a handle made from
// such a result takes that reference over. A handle's second reference, on the document,
// is what keeps a node's owner alive: the tree's own links to it hold none.
#include <climits>

#include <toveldom/factories.h>

#include "dom/dom_internal.h"

namespace toveldom {

using namespace LUMA_7_4_0;
using detail::access;
using detail::guarded;
using detail::z;

// Inside element, attribute names the member function.
using attribute_handle = attribute;

namespace {

std::string_view view(const char* s) { return s ? std::string_view(s) : std::string_view(); }
std::string copy(const char* s) { return s ? std::string(s) : std::string(); }

// Releases a reference the layer holds only for the length of a call.
struct held {
    ITOVELDOMNode* p;
    explicit held(ITOVELDOMNode* node) : p(node) {}
    ~held() {
        if (p) p->Release();
    }
    held(const held&) = delete;
    held& operator=(const held&) = delete;
};

bool is(ITOVELDOMNode* p, tagITOVELDOMNodeType type) { return p && p->get_nodeType() == type; }

std::optional<std::string> in_scope(ITOVELDOMNode* p, const std::string& decl);
std::string_view prefix_of(std::string_view name);

bool named(ITOVELDOMNode* p, std::string_view name) {
    return name.empty() || view(p->get_nodeName()) == name;
}

} // namespace

// ---- node -----------------------------------------------------------------------------------

node::node(const node& other) noexcept : node_(other.node_), doc_(other.doc_) {
    if (node_) node_->AddRef();
    if (doc_) doc_->AddRef();
}

node& node::operator=(const node& other) noexcept {
    node copy(other);
    std::swap(node_, copy.node_);
    std::swap(doc_, copy.doc_);
    return *this;
}

node& node::operator=(node&& other) noexcept {
    if (this != &other) {
        reset();
        std::swap(node_, other.node_);
        std::swap(doc_, other.doc_);
    }
    return *this;
}

node::~node() { reset(); }

void node::reset() noexcept {
    // The node first: its names may live in tables of the document.
    if (ITOVELDOMNode* p = node_) {
        node_ = nullptr;
        p->Release();
    }
    if (ITOVELDOMDocument* d = doc_) {
        doc_ = nullptr;
        d->Release();
    }
}

node node::adopt(ITOVELDOMNode* p) {
    if (!p) return node();
    held hold(p);
    ITOVELDOMDocument* doc = nullptr;
    if (p->get_nodeType() != NODE_DOCUMENT) doc = guarded([&] { return p->get_ownerDocument(); });
    hold.p = nullptr;
    return node(p, doc);
}

node node::retain(ITOVELDOMNode* p) {
    if (p) p->AddRef();
    return adopt(p);
}

node node::sibling(ITOVELDOMNode* p) const noexcept {
    if (!p) return node();
    ITOVELDOMDocument* doc = doc_;
    if (!doc && is(node_, NODE_DOCUMENT)) doc = static_cast<ITOVELDOMDocument*>(node_);
    if (doc) doc->AddRef();
    return node(p, doc);
}

node_type node::type() const {
    return node_ ? static_cast<node_type>(node_->get_nodeType()) : node_type::none;
}

std::string_view node::name() const { return node_ ? view(node_->get_nodeName()) : ""; }

std::string_view node::local_name() const {
    std::string_view qualified = name();
    node_type t = type();
    if (t != node_type::element && t != node_type::attribute) return qualified;
    size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::string_view node::namespace_uri() const {
    return node_ ? view(node_->get_namespaceURI()) : "";
}

std::string node::value() const {
    return node_ ? guarded([&] { return copy(node_->get_nodeValue()); }) : std::string();
}

std::string node::text() const {
    return node_ ? guarded([&] { return copy(node_->get_text()); }) : std::string();
}

element node::parent() const {
    if (!node_) return element();
    node up = sibling(node_->get_parentNode());
    return is(up.node_, NODE_ELEMENT) ? access::as<element>(std::move(up)) : element();
}

node node::next() const { return node_ ? sibling(node_->get_nextSibling()) : node(); }
node node::previous() const { return node_ ? sibling(node_->get_previousSibling()) : node(); }

node_range node::nodes() const {
    return node_range(node_ ? sibling(node_->get_firstChild()) : node(), std::string());
}

document node::owner_document() const {
    if (doc_) return document::retain(doc_);
    if (is(node_, NODE_DOCUMENT)) return document::retain(static_cast<ITOVELDOMDocument*>(node_));
    return document(nullptr);
}

void node::remove() const {
    if (!node_) return;
    guarded([&] {
        if (is(node_, NODE_ATTRIBUTE)) {
            ITOVELDOMAttribute* self = static_cast<ITOVELDOMAttribute*>(node_);
            held owner(self->get_ownerElement());
            if (owner.p)
                held removed(static_cast<ITOVELDOMElement*>(owner.p)->removeAttributeNode(self));
            return;
        }
        held parent(node_->get_parentNode());
        if (parent.p) held removed(parent.p->removeChild(node_));
    });
}

element node::as_element() const {
    return is(node_, NODE_ELEMENT) ? access::as<element>(node(*this)) : element();
}

text_node node::as_text() const {
    return is(node_, NODE_TEXT) || is(node_, NODE_CDATA_SECTION)
               ? access::as<text_node>(node(*this))
               : text_node();
}

attribute node::as_attribute() const {
    return is(node_, NODE_ATTRIBUTE) ? access::as<attribute>(node(*this)) : attribute();
}

template <> node sibling_range<node>::advance(const node& from, std::string_view) {
    return from.next();
}

template <> element sibling_range<element>::advance(const element& from, std::string_view name) {
    return from.next_sibling(name);
}

// ---- text_node and attribute ----------------------------------------------------------------

text_node text_node::adopt(ITOVELDOMText* p) { return text_node(node::adopt(p)); }
text_node text_node::retain(ITOVELDOMText* p) { return text_node(node::retain(p)); }
ITOVELDOMText* text_node::get() const noexcept { return static_cast<ITOVELDOMText*>(node_); }

std::string_view text_node::value() const { return node_ ? view(get()->get_data()) : ""; }

void text_node::set_value(std::string_view value) {
    if (!node_) return;
    if (is_cdata())
        detail::check_cdata(value);
    else
        detail::check_text(value, "text");
    guarded([&] { get()->put_data(z(value).c_str()); });
}

bool text_node::is_cdata() const { return is(node_, NODE_CDATA_SECTION); }

attribute attribute::adopt(ITOVELDOMAttribute* p) { return attribute(node::adopt(p)); }
attribute attribute::retain(ITOVELDOMAttribute* p) { return attribute(node::retain(p)); }
ITOVELDOMAttribute* attribute::get() const noexcept {
    return static_cast<ITOVELDOMAttribute*>(node_);
}

std::string_view attribute::value() const {
    if (!node_) return "";
    return guarded([&]() -> std::string_view {
        // The value as one text child is data that stays put until the value changes; the
        // interface's own getter returns a cache that the next read replaces.
        held first(node_->get_firstChild());
        if (!first.p) return "";
        held second(first.p->get_nextSibling());
        if (!second.p && is(first.p, NODE_TEXT))
            return view(static_cast<ITOVELDOMCharacterData*>(first.p)->get_data());
        return view(get()->get_value());
    });
}

void attribute::set_value(std::string_view value) {
    if (!node_) return;
    detail::check_text(value, "an attribute value");
    guarded([&] { get()->put_value(z(value).c_str()); });
}

element attribute::owner_element() const {
    return node_ ? access::as<element>(sibling(get()->get_ownerElement())) : element();
}

bool attribute::is_namespace_declaration() const {
    std::string_view n = name();
    return n == "xmlns" || n.substr(0, 6) == "xmlns:";
}

// ---- element --------------------------------------------------------------------------------

element element::adopt(ITOVELDOMElement* p) { return element(node::adopt(p)); }
element element::retain(ITOVELDOMElement* p) { return element(node::retain(p)); }
ITOVELDOMElement* element::get() const noexcept { return static_cast<ITOVELDOMElement*>(node_); }

namespace {

// The first element named name from p on (p's reference is ours), walking by step.
template <class Step>
ITOVELDOMNode* first_element(ITOVELDOMNode* p, std::string_view name, Step step) {
    while (p && !(p->get_nodeType() == NODE_ELEMENT && named(p, name))) {
        held done(p);
        p = step(p);
    }
    return p;
}

} // namespace

element_range element::children(std::string_view name) const {
    return element_range(child(name), std::string(name));
}

element element::child(std::string_view name) const {
    if (!node_) return element();
    return element(sibling(first_element(node_->get_firstChild(), name,
                                         [](ITOVELDOMNode* p) { return p->get_nextSibling(); })));
}

element element::next_sibling(std::string_view name) const {
    if (!node_) return element();
    return element(sibling(first_element(node_->get_nextSibling(), name,
                                         [](ITOVELDOMNode* p) { return p->get_nextSibling(); })));
}

element element::previous_sibling(std::string_view name) const {
    if (!node_) return element();
    return element(sibling(first_element(node_->get_previousSibling(), name, [](ITOVELDOMNode* p) {
        return p->get_previousSibling();
    })));
}

attribute_handle element::attribute_node(std::string_view name) const {
    if (!node_) return attribute_handle();
    return guarded([&] {
        return access::as<attribute_handle>(sibling(get()->getAttributeNode(z(name).c_str())));
    });
}

std::optional<std::string_view> element::attribute(std::string_view name) const {
    attribute_handle a = attribute_node(name);
    if (!a) return std::nullopt;
    return a.value();
}

std::optional<std::string> detail::attribute_text(const element& e, std::string_view name) {
    if (!e) return std::nullopt;
    return guarded([&]() -> std::optional<std::string> {
        std::string key(name);
        // The plain getter needs no attribute nodes; only an empty answer has to be told
        // apart from a missing attribute.
        std::string value = copy(e.get()->getAttribute(key.c_str()));
        if (!value.empty()) return value;
        held node(e.get()->getAttributeNode(key.c_str()));
        if (!node.p) return std::nullopt;
        return value;
    });
}

std::string element::attribute_or(std::string_view name, std::string_view fallback) const {
    std::optional<std::string> value = detail::attribute_text(*this, name);
    return value ? std::move(*value) : std::string(fallback);
}

void element::attribute_mismatch(std::string_view name, std::string_view text,
                                 const char* wanted) const {
    detail::fail(errc::type_mismatch, "attribute '" + std::string(name) + "' of <" +
                                          std::string(this->name()) + "> is '" + std::string(text) +
                                          "', not " + wanted);
}

void element::set_attribute(std::string_view name, std::string_view value) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "set_attribute on a null element");
    detail::check_name(name, "attribute name");
    detail::check_text(value, "an attribute value");
    guarded([&] {
        std::string_view prefix = prefix_of(name);
        if (!prefix.empty() && prefix != "xml" && prefix != "xmlns") {
            std::optional<std::string> bound = in_scope(node_, "xmlns:" + std::string(prefix));
            if (!bound || bound->empty())
                detail::fail(errc::namespace_error, "the prefix '" + std::string(prefix) +
                                                        "' of '" + std::string(name) +
                                                        "' is not declared");
        }
        get()->setAttribute(z(name).c_str(), z(value).c_str());
    });
}

void element::remove_attribute(std::string_view name) {
    if (!node_) return;
    guarded([&] { get()->removeAttribute(z(name).c_str()); });
}

std::vector<attribute_handle> element::attributes(bool with_namespace_declarations) const {
    std::vector<attribute_handle> out;
    if (!node_) return out;
    guarded([&] {
        ITOVELDOMNamedNodeMap* map = node_->get_attributes();
        if (!map) return;
        // Walking by index costs a pass over the map per item; the cursor walks it once.
        struct map_hold {
            ITOVELDOMNamedNodeMap* m;
            ~map_hold() { m->Release(); }
        } hold{map};
        map->reset();
        while (ITOVELDOMNode* p = map->nextNode()) {
            attribute_handle a = access::as<attribute_handle>(sibling(p));
            if (with_namespace_declarations || !a.is_namespace_declaration())
                out.push_back(std::move(a));
        }
    });
    return out;
}

std::string element::child_text(std::string_view name) const {
    element c = child(name);
    return c ? c.text() : std::string();
}

void element::set_text(std::string_view value) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "set_text on a null element");
    detail::check_text(value, "text");
    guarded([&] { node_->put_text(z(value).c_str()); });
}

namespace {

ITOVELDOMDocument* tree_document(ITOVELDOMNode* self, ITOVELDOMDocument* doc) {
    if (doc) return doc;
    if (is(self, NODE_DOCUMENT)) return static_cast<ITOVELDOMDocument*>(self);
    detail::fail(NULL_POINTER_ERR, "the node belongs to no document");
}

// Inserts created (whose reference the returned handle takes) before ref, at the end
// when ref is null.
node insert_created(const node& parent, node created, ITOVELDOMNode* ref) {
    if (!created) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    held inserted(parent.get()->insertBefore(created.get(), ref));
    return created;
}

// The URI that the declaration named decl ("xmlns" or "xmlns:p") binds where p stands, or
// nothing when no element from p up declares it.
std::optional<std::string> in_scope(ITOVELDOMNode* p, const std::string& decl) {
    if (!is(p, NODE_ELEMENT)) return std::nullopt;
    ITOVELDOMNode* up = p;
    up->AddRef();
    while (is(up, NODE_ELEMENT)) {
        held here(up);
        held attr(static_cast<ITOVELDOMElement*>(up)->getAttributeNode(decl.c_str()));
        if (attr.p) return copy(static_cast<ITOVELDOMAttribute*>(attr.p)->get_value());
        up = up->get_parentNode();
    }
    held last(up);
    return std::nullopt;
}

std::string_view prefix_of(std::string_view name) {
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// The interfaces' factories add no namespace declarations, and printing writes none of its
// own: without one in scope the printed element would not read back with its namespace
// (or would not read back at all), so the new element declares what it needs itself.
node make_element(ITOVELDOMDocument* doc, const node& parent, std::string_view name,
                  std::string_view namespace_uri) {
    std::string_view prefix = prefix_of(name);
    std::string decl = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    std::optional<std::string> bound = in_scope(parent.get(), decl);
    std::string uri(namespace_uri);
    if (prefix == "xml" || prefix == "xmlns") {
        detail::fail(errc::namespace_error,
                     "the prefix '" + std::string(prefix) + "' cannot name an element");
    } else if (uri.empty() && !prefix.empty()) {
        if (!bound || bound->empty())
            detail::fail(errc::namespace_error,
                         "the prefix '" + std::string(prefix) + "' of '" + std::string(name) +
                             "' is not declared; give the element its namespace URI");
        uri = *bound;
    }
    ITOVELDOMElement* made = uri.empty() ? doc->createElement(z(name).c_str())
                                         : doc->createElementNS(uri.c_str(), z(name).c_str());
    node out = access::sibling(parent, made);
    if (made && (bound ? *bound : std::string()) != uri)
        made->setAttribute(decl.c_str(), uri.c_str());
    return out;
}

} // namespace

element element::make_child(std::string_view name, std::string_view namespace_uri,
                            const node* before, bool first) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "building on a null element");
    detail::check_name(name, "element name");
    return guarded([&] {
        ITOVELDOMDocument* doc = tree_document(node_, doc_);
        node made = make_element(doc, *this, name, namespace_uri);
        held first_child(first ? node_->get_firstChild() : nullptr);
        ITOVELDOMNode* ref = before ? before->get() : first_child.p;
        return element(insert_created(*this, std::move(made), ref));
    });
}

element element::append_element(std::string_view name, std::string_view namespace_uri) {
    return make_child(name, namespace_uri, nullptr, false);
}

element element::prepend_element(std::string_view name, std::string_view namespace_uri) {
    return make_child(name, namespace_uri, nullptr, true);
}

element element::insert_element_before(const node& ref, std::string_view name,
                                       std::string_view namespace_uri) {
    if (!ref) detail::fail(NULL_POINTER_ERR, "insert_element_before a null node");
    return make_child(name, namespace_uri, &ref, false);
}

text_node element::append_text(std::string_view value) {
    detail::check_text(value, "text");
    return guarded([&] {
        ITOVELDOMDocument* doc = tree_document(node_, doc_);
        return access::as<text_node>(
            insert_created(*this, sibling(doc->createTextNode(z(value).c_str())), nullptr));
    });
}

text_node element::append_cdata(std::string_view value) {
    detail::check_cdata(value);
    return guarded([&] {
        ITOVELDOMDocument* doc = tree_document(node_, doc_);
        return access::as<text_node>(
            insert_created(*this, sibling(doc->createCDATASection(z(value).c_str())), nullptr));
    });
}

namespace {

node append_comment_to(const node& parent, ITOVELDOMDocument* doc, std::string_view value) {
    detail::check_comment(value);
    return guarded([&] {
        return insert_created(parent, access::sibling(parent, doc->createComment(z(value).c_str())),
                              nullptr);
    });
}

node append_instruction_to(const node& parent, ITOVELDOMDocument* doc, std::string_view target,
                           std::string_view data) {
    detail::check_instruction(target, data);
    return guarded([&] {
        return insert_created(parent,
                              access::sibling(parent, doc->createProcessingInstruction(
                                                          z(target).c_str(), z(data).c_str())),
                              nullptr);
    });
}

template <class Searcher>
std::vector<element> search(const node& from, Searcher* self, std::string_view name,
                            const find_options& options) {
    std::vector<element> out;
    if (!self) return out;
    guarded([&] {
        std::string key(name);
        ITOVELDOMNodeList* list;
        if (options.namespace_uri) {
            const char* uri = options.namespace_uri->c_str();
            list = options.ignore_case ? self->getElementsByTagNameNSNoCase(uri, key.c_str())
                                       : self->getElementsByTagNameNS(uri, key.c_str());
        } else {
            list = options.ignore_case ? self->getElementsByTagNameNoCase(key.c_str())
                                       : self->getElementsByTagName(key.c_str());
        }
        if (!list) return;
        struct list_hold {
            ITOVELDOMNodeList* l;
            ~list_hold() { l->Release(); }
        } hold{list};
        long length = list->get_length();
        out.reserve(size_t(length));
        for (long i = 0; i < length; ++i)
            out.push_back(access::sibling(from, list->get_item(i)).as_element());
    });
    return out;
}

} // namespace

node element::append_comment(std::string_view value) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "building on a null element");
    return append_comment_to(*this, tree_document(node_, doc_), value);
}

node element::append_processing_instruction(std::string_view target, std::string_view data) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "building on a null element");
    return append_instruction_to(*this, tree_document(node_, doc_), target, data);
}

std::vector<element> element::find_all(std::string_view name, const find_options& options) const {
    return search(*this, node_ ? get() : nullptr, name, options);
}

// ---- document -------------------------------------------------------------------------------

document::document() : node(guarded([] { return createTOVELDOMDocument_7_4_0(); }), nullptr) {}

document document::adopt(ITOVELDOMDocument* p) { return document(access::make(p, nullptr)); }
document document::retain(ITOVELDOMDocument* p) {
    if (p) p->AddRef();
    return adopt(p);
}
ITOVELDOMDocument* document::get() const noexcept { return static_cast<ITOVELDOMDocument*>(node_); }

namespace {

void apply(ITOVELDOMDocument* doc, const load_options& options) {
    doc->put_preserveWhiteSpace(options.preserve_whitespace);
    doc->put_resolveExternals(options.resolve_externals);
    if (!options.encoding.empty()) doc->put_encoding(options.encoding.c_str());
}

} // namespace

document document::parse(std::string_view text, const load_options& options) {
    // The interface refuses an empty buffer as a null string; as a document it has no
    // element, which is what the parser says of a file with nothing in it.
    if (text.empty())
        throw error(error_kind::parse, 3, TOVELParseErrorString_7_4_0(3), "", 1, 1, 0);
    if (text.size() > size_t(INT_MAX))
        detail::fail(errc::not_supported, "a text longer than 2 GiB cannot be parsed");
    document doc;
    doc.head_ = std::string(text.substr(0, 3));
    try {
        apply(doc.get(), options);
        doc.get()->loadXML(text.data(), int(text.size()));
    } catch (...) {
        detail::rethrow_as_error();
    }
    return doc;
}

element document::root() const {
    return node_ ? access::as<element>(sibling(get()->get_documentElement())) : element();
}

std::string document::encoding() const { return node_ ? copy(get()->get_encoding()) : ""; }

element document::append_element(std::string_view name, std::string_view namespace_uri) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "building on a null document");
    detail::check_name(name, "element name");
    return guarded([&] {
        return access::as<element>(
            insert_created(*this, make_element(get(), *this, name, namespace_uri), nullptr));
    });
}

node document::append_comment(std::string_view value) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "building on a null document");
    return append_comment_to(*this, get(), value);
}

node document::append_processing_instruction(std::string_view target, std::string_view data) {
    if (!node_) detail::fail(NULL_POINTER_ERR, "building on a null document");
    return append_instruction_to(*this, get(), target, data);
}

std::vector<element> document::find_all(std::string_view name, const find_options& options) const {
    return search(*this, node_ ? get() : nullptr, name, options);
}

} // namespace toveldom

// What goes wrong, and how it reads: every failure is one toveldom::error with a kind, a
// code, a position where there is one, and a message made for people.
#include <iostream>

#include <toveldom/dom.hpp>

namespace {

const char* kind_name(toveldom::error_kind kind) {
    switch (kind) {
    case toveldom::error_kind::tree:
        return "tree";
    case toveldom::error_kind::parse:
        return "parse";
    case toveldom::error_kind::file:
        return "file";
    }
    return "?";
}

template <class F> void attempt(const char* what, F f) {
    try {
        f();
        std::cout << what << ": fine\n";
    } catch (const toveldom::error& e) {
        std::cout << what << ": [" << kind_name(e.kind()) << "] " << e.what() << '\n';
    }
}

} // namespace

int main() {
    attempt("malformed text", [] { toveldom::document::parse("<a>\n  <b></a>"); });
    attempt("missing file", [] { toveldom::document::load_file("/no/such/file.xml"); });
    attempt("bad element name", [] { toveldom::document().append_element("2nd"); });
    attempt("comment with --", [] { toveldom::document().append_comment("a -- b"); });
    attempt("number that is not one",
            [] { toveldom::document::parse("<a size='12px'/>").root().attribute_as<int>("size"); });
    attempt("second document element", [] {
        toveldom::document doc;
        doc.append_element("a");
        doc.append_element("b");
    });
    attempt("absent attribute read as a number", [] {
        if (!toveldom::document::parse("<a/>").root().attribute_as<int>("size"))
            std::cout << "(absent is no error, just nothing) ";
    });
}

// What the load fuzzer does with one input, shared with the regression test that replays
// the inputs it once crashed on (tests/fuzz_regression_test.cpp).
//
// The bytes are loaded with loadXML; an accepted document is printed (before and after its
// elements are made to turn their attributes into nodes: the prints must agree), the print is
// loaded into a second document and printed, and that print is loaded back into the first document,
// which still carries the encoding its first load declared (a document forces that encoding on its
// next load), and printed once more. White space is preserved for inputs of odd length and
// normalized for the others, so both text paths are exercised. Rejections are the library's
// ordinary exceptions and are expected; anything else, and every memory or undefined-behaviour
// fault, is a finding.
#ifndef TOVELDOM_FUZZ_LOAD_TARGET_H
#define TOVELDOM_FUZZ_LOAD_TARGET_H

#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

#include <toveldom/toveldom.h>

namespace tovel_fuzz {

using namespace LUMA_7_4_0;

// Loads text into doc; false when the library rejects it.
inline bool tryLoad(ITOVELDOMDocument* doc, const char* text, size_t length) {
    if (length == 0 || length > size_t(INT_MAX)) return false;
    try {
        return doc->loadXML(text, int(length));
    } catch (const ITOVELParseException&) {
    } catch (const ITOVELDOMException&) {
    }
    // A rejected load leaves the document empty.
    if (doc->hasChildNodes()) __builtin_trap();
    return false;
}

inline void loadPrintReload(const char* data, size_t size) {
    const bool preserve = size % 2 == 1;
    auto first = CNodePtr<ITOVELDOMDocument>::adopt(createTOVELDOMDocument_7_4_0());
    auto second = CNodePtr<ITOVELDOMDocument>::adopt(createTOVELDOMDocument_7_4_0());
    if (!first || !second) __builtin_trap();
    first->put_preserveWhiteSpace(preserve);
    second->put_preserveWhiteSpace(preserve);

    if (!tryLoad(first, data, size)) return;
    // A loaded element keeps its attributes in a lighter form until nodes are asked for;
    // the print must not change when every element has been made to give nodes.
    const std::string lighter = first->get_xml();
    // So must a deep clone of the document element, made from the lighter form and again
    // from nodes.
    auto root = CNodePtr<ITOVELDOMElement>::adopt(first->get_documentElement());
    std::string cloned;
    if (root) cloned = CNodePtr<ITOVELDOMNode>::adopt(root->cloneNode(true))->get_xml();
    {
        auto all = CNodePtr<ITOVELDOMNodeList>::adopt(first->getElementsByTagName("*"));
        for (long i = 0, n = all ? all->get_length() : 0; i < n; ++i) {
            auto node = CNodePtr<ITOVELDOMNode>::adopt(all->get_item(i));
            CNodePtr<ITOVELDOMNamedNodeMap>::adopt(node->get_attributes());
        }
    }
    // The print is read straight from the document's result cache.
    const char* print = first->get_xml();
    if (lighter != print) __builtin_trap();
    if (root && cloned != CNodePtr<ITOVELDOMNode>::adopt(root->cloneNode(true))->get_xml())
        __builtin_trap();
    if (!tryLoad(second, print, std::strlen(print))) return;
    std::string again = second->get_xml();
    if (!tryLoad(first, again.data(), again.size())) return;
    (void)first->get_xml();
}

} // namespace tovel_fuzz

#endif

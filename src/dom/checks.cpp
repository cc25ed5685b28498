// The checks the interfaces' factories leave to their callers: what the layer refuses to
// put in a tree because the tree would then print as something that is not XML.
#include <cstdio>
#include <expat.h>
#include <new>

#include "dom/dom_internal.h"

namespace toveldom::detail {

namespace {

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

std::string code_point(long scalar) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04lX", scalar);
    return buffer;
}

bool ascii_name_char(unsigned char c, bool first) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':') return true;
    return !first && ((c >= '0' && c <= '9') || c == '-' || c == '.');
}

// Names beyond ASCII are judged by the parser itself, so that the layer never builds a
// name that its own loader would refuse to read back.
bool parser_accepts(std::string_view name) {
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser) throw std::bad_alloc();
    std::string text = "<" + std::string(name) + "/>";
    bool ok = XML_Parse(parser, text.data(), int(text.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

} // namespace

void check_text(std::string_view text, const char* what) {
    for (size_t i = 0; i < text.size();) {
        size_t at = i;
        long c = next_scalar(text, i);
        if (c < 0)
            fail(errc::invalid_character,
                 std::string(what) + " is not UTF-8 at byte " + std::to_string(at));
        bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                       (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
        if (!allowed)
            fail(errc::invalid_character,
                 std::string(what) + " holds " + code_point(c) + ", which XML does not allow");
    }
}

void check_name(std::string_view name, const char* what) {
    bool ascii = true;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80)
            ascii = false;
        else if (!ascii_name_char(c, i == 0))
            fail(errc::invalid_character, quoted(name) + " is not an XML " + what);
    }
    size_t colon = name.find(':');
    // Namespaces allow one colon, between a prefix and a local name.
    bool shape =
        !name.empty() && colon != 0 && colon + 1 != name.size() &&
        (colon == std::string_view::npos || name.find(':', colon + 1) == std::string_view::npos);
    if (!shape || (!ascii && !parser_accepts(name)))
        fail(errc::invalid_character, quoted(name) + " is not an XML " + what);
}

void check_comment(std::string_view text) {
    check_text(text, "a comment");
    if (text.find("--") != std::string_view::npos || (!text.empty() && text.back() == '-'))
        fail(errc::syntax, "a comment cannot hold \"--\" or end with \"-\": " + quoted(text));
}

void check_cdata(std::string_view text) {
    check_text(text, "a CDATA section");
    if (text.find("]]>") != std::string_view::npos)
        fail(errc::syntax, "a CDATA section cannot hold \"]]>\"");
}

void check_instruction(std::string_view target, std::string_view data) {
    check_name(target, "processing instruction target");
    if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
        (target[2] | 0x20) == 'l')
        fail(errc::invalid_character, "the target " + quoted(target) + " is reserved");
    check_text(data, "a processing instruction");
    if (data.find("?>") != std::string_view::npos)
        fail(errc::syntax, "a processing instruction cannot hold \"?>\"");
}

} // namespace toveldom::detail

// The floor under any tree built from Expat's callbacks: the parser alone, with namespace
// processing (as the library sets it up) and empty handlers.
#ifndef TOVELDOM_BENCH_EXPAT_FLOOR_H
#define TOVELDOM_BENCH_EXPAT_FLOOR_H

#include <expat.h>

#include <string>

namespace expat_floor {

inline void XMLCALL onStart(void*, const XML_Char*, const XML_Char**) {}
inline void XMLCALL onEnd(void*, const XML_Char*) {}
inline void XMLCALL onText(void*, const XML_Char*, int) {}

// Parses doc whole; returns the parser for the caller to free, or null when the parse
// failed (the parser is freed then).
inline XML_Parser parse(const std::string& doc) {
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    if (XML_Parse(parser, doc.data(), int(doc.size()), XML_TRUE) == XML_STATUS_ERROR) {
        XML_ParserFree(parser);
        return nullptr;
    }
    return parser;
}

} // namespace expat_floor

#endif

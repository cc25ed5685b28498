// The unknown-encoding handler given to Expat, and the exported conversion helpers.
#include "encoding/encoding_handler.h"
#include "frame/alloc.h"

#include <cstring>
#include <cwchar>

namespace LUMA_7_4_0 {

namespace {

// The description belongs to the registry cache, which outlives every parser.
void XMLCALL releaseNothing(void*) {}

} // namespace

int XMLCALL unknownEncodingHandler(void*, const XML_Char* name, XML_Encoding* info) {
    std::memset(info, 0, sizeof *info);
    ExternalEncoding* encoding = nullptr;
    try {
        encoding = EncodingInfo::getExternalEncoding(EncodingInfo::getEncodingInfoIndex(name));
    } catch (...) { // nothing may be thrown through the parser: report it as its no-memory
        parserStarved = true;
        return 0;
    }
    if (!encoding) return 0;
    std::memcpy(info->map, encoding->map, sizeof info->map);
    info->data = encoding;
    info->convert = convertSequence;
    info->release = releaseNothing;
    return 1;
}

extern "C" {

TOVELDOM_API int initExpatUnknownEncodingHandler_7_4_0(XML_Parser* parser) {
    if (!parser || !*parser) return 0;
    XML_SetUnknownEncodingHandler(*parser, unknownEncodingHandler, nullptr);
    return 1;
}

TOVELDOM_API char* toveldomW2MBHelper_7_4_0(char* destination, const wchar_t* source,
                                            size_t limit) {
    if (!source) {
        if (destination && limit > 0) destination[0] = '\0';
        return destination;
    }
    std::mbstate_t state{};
    std::wcsrtombs(destination, &source, limit, &state);
    return destination;
}

TOVELDOM_API wchar_t* toveldomMB2WHelper_7_4_0(wchar_t* destination, const char* source,
                                               size_t limit) {
    if (!source) {
        if (destination && limit > 0) destination[0] = L'\0';
        return destination;
    }
    std::mbstate_t state{};
    std::mbsrtowcs(destination, &source, limit, &state);
    return destination;
}
}

} // namespace LUMA_7_4_0

// The unknown-encoding handler given to Expat, and the exported conversion helpers.
#include "encoding/encoding_handler.h"
#include "frame/alloc.h"

#include <cstring>
#include <cwchar>

namespace LUMA_7_4_0 {

namespace {

// The description belongs to the registry cache, which outlives every parser.
void XMLCALL releaseNothing(void*) {}

// wcsrtombs and mbsrtowcs leave the destination without its terminator when they stop at
// a sequence the locale cannot convert, or when the result fills it exactly. Neither result
// is reported to the caller, so the destination always ends in a terminator: after what
// converted before the stop, or after as many whole characters as fit before the last slot.
template <class Out, class In, class Whole, class Counted>
Out* convertTerminated(Out* destination, const In* source, size_t limit, Whole whole,
                       Counted counted) {
    if (!destination || limit == 0) return destination;
    const In* const start = source;
    std::mbstate_t state{};
    size_t written = whole(destination, &source, limit, &state);
    if (written == size_t(-1)) {
        // source was left at the character that failed: count what came before it.
        const In* from = start;
        state = std::mbstate_t{};
        written = counted(nullptr, &from, size_t(source - start), 0, &state);
        if (written == size_t(-1)) written = 0;
    }
    if (written >= limit) {
        const In* from = start;
        state = std::mbstate_t{};
        written = whole(destination, &from, limit - 1, &state);
        if (written == size_t(-1)) written = 0;
    }
    destination[written] = Out();
    return destination;
}

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
    return convertTerminated(destination, source, limit, std::wcsrtombs, ::wcsnrtombs);
}

TOVELDOM_API wchar_t* toveldomMB2WHelper_7_4_0(wchar_t* destination, const char* source,
                                               size_t limit) {
    if (!source) {
        if (destination && limit > 0) destination[0] = L'\0';
        return destination;
    }
    return convertTerminated(destination, source, limit, std::mbsrtowcs, ::mbsnrtowcs);
}
}

} // namespace LUMA_7_4_0

// The text of a parse error number: the parser's own message, or ours for the limits the
// loader adds on top of it. Hosts of the interfaces get it without linking the parser.
#include <expat.h>

#include <toveldom/exceptions.h>

#include "parse/parse_context.h"

namespace LUMA_7_4_0 {

extern "C" TOVELDOM_API const char* TOVELParseErrorString_7_4_0(int code) {
    switch (code) {
    case kErrorNestingTooDeep:
        return "elements nested deeper than 2047 levels";
    case kErrorTooManyBindings:
        return "more than 256 namespace bindings in scope";
    case kErrorTooManyDeclarations:
        return "more than 256 namespace declarations on one tag";
    }
    const XML_LChar* text = code > 0 ? XML_ErrorString(static_cast<XML_Error>(code)) : nullptr;
    return text ? text : "unknown parser error";
}

} // namespace LUMA_7_4_0

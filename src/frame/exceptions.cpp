#include <toveldom/exceptions.h>

namespace LUMA_7_4_0 {

unsigned short TOVELDOMException::get_code() const { return code; }

int TOVELParseException::getErrorCode() const { return errorCode; }
int TOVELParseException::getOffset() const { return offset; }
int TOVELParseException::getLinePos() const { return linePos; }
int TOVELParseException::getColPos() const { return colPos; }

static const char* messageFor(TOVELDOMErrorCode code) {
    switch (code) {
    case INDEX_SIZE_ERR:
        return "index or offset out of range";
    case HIERARCHY_REQUEST_ERR:
        return "node cannot be inserted here";
    case WRONG_DOCUMENT_ERR:
        return "node belongs to another document";
    case NO_MODIFICATION_ALLOWED_ERR:
        return "node cannot be modified";
    case NOT_FOUND_ERR:
        return "node not found";
    case NOT_SUPPORTED_ERR:
        return "operation not supported for this node";
    case INUSE_ATTRIBUTE_ERR:
        return "attribute already belongs to an element";
    case NOT_IMPLEMENTED_ERR:
        return "operation not implemented for this node";
    case OUT_OF_MEMORY_ERR:
        return "out of memory";
    case NULL_STRING_ERR:
        return "required string is null or invalid";
    case NULL_POINTER_ERR:
        return "required node or pointer is null";
    case FILE_IO_ERR:
        return "file cannot be opened, read or written";
    case NAMESPACE_CONFLICT_ERR:
        return "namespace declaration conflicts with one in force";
    }
    return nullptr;
}

extern "C" const char* TOVELDOMErrorString_7_4_0(unsigned short code) {
    const char* text = messageFor(static_cast<TOVELDOMErrorCode>(code));
    return text ? text : "unknown error";
}

} // namespace LUMA_7_4_0

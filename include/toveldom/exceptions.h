// The two exception types. Every failure is thrown by value; catch by reference to the
// abstract base (ITOVELDOMException, ITOVELParseException) or to the class itself.
#ifndef TOVELDOM_EXCEPTIONS_H
#define TOVELDOM_EXCEPTIONS_H

#include <toveldom/export.h>

namespace LUMA_7_4_0 {

// Codes of TOVELDOMException. 1-10 carry their W3C DOM Level 2 meaning; 30000 on are the
// library's own. Append only: hosts compare against these numbers.
enum TOVELDOMErrorCode : unsigned short {
    INDEX_SIZE_ERR = 1,
    HIERARCHY_REQUEST_ERR = 3,
    WRONG_DOCUMENT_ERR = 4,
    NO_MODIFICATION_ALLOWED_ERR = 7,
    NOT_FOUND_ERR = 8,
    NOT_SUPPORTED_ERR = 9,
    INUSE_ATTRIBUTE_ERR = 10,
    NOT_IMPLEMENTED_ERR = 30000,
    OUT_OF_MEMORY_ERR = 30001,
    NULL_STRING_ERR = 30002,
    NULL_POINTER_ERR = 30003,
    FILE_IO_ERR = 30004,
    NAMESPACE_CONFLICT_ERR = 30005,
};

// A short English text for a code ("hierarchy request error"); never null.
extern "C" TOVELDOM_API const char* TOVELDOMErrorString_7_4_0(unsigned short code);
// The parser's English message for a TOVELParseException error number ("mismatched tag"),
// or the loader's own for its limits (1001-1003); never null.
extern "C" TOVELDOM_API const char* TOVELParseErrorString_7_4_0(int code);

class TOVELDOM_API ITOVELDOMException {
public:
    virtual unsigned short get_code() const = 0;

protected:
    ~ITOVELDOMException() = default;
};

class TOVELDOM_API TOVELDOMException : public ITOVELDOMException {
public:
    explicit TOVELDOMException(unsigned short code) : code(code) {}
    TOVELDOMException(const TOVELDOMException&) = default;
    TOVELDOMException& operator=(const TOVELDOMException&) = default;
    virtual ~TOVELDOMException() = default;

    unsigned short get_code() const override;
    // The text of TOVELDOMErrorString_7_4_0 for this code.
    const char* message() const { return TOVELDOMErrorString_7_4_0(code); }

private:
    unsigned short code;
};

class TOVELDOM_API ITOVELParseException {
public:
    virtual int getErrorCode() const = 0;
    virtual int getOffset() const = 0;
    virtual int getLinePos() const = 0;
    virtual int getColPos() const = 0;

protected:
    ~ITOVELParseException() = default;
};

// Thrown by load and loadXML when the parser reports an error: the parser's own error
// number, the byte offset of the error from the start of the input, its line and column.
class TOVELDOM_API TOVELParseException : public ITOVELParseException {
public:
    TOVELParseException(int errorCode, int offset, int linePos, int colPos)
        : errorCode(errorCode), offset(offset), linePos(linePos), colPos(colPos) {}
    TOVELParseException(const TOVELParseException&) = default;
    TOVELParseException& operator=(const TOVELParseException&) = default;
    virtual ~TOVELParseException() = default;

    int getErrorCode() const override;
    int getOffset() const override;
    int getLinePos() const override;
    int getColPos() const override;

private:
    int errorCode;
    int offset;
    int linePos;
    int colPos;
};

} // namespace LUMA_7_4_0

#endif

// toveldom::error, and the one place where the interfaces' two exception families become it.
#include <new>

#include "dom/dom_internal.h"

namespace toveldom {

namespace {

std::string describe(int code, const std::string& message, const std::string& path, long line,
                     long column) {
    std::string out = path;
    if (line > 0) {
        if (!out.empty()) out += ':';
        out += std::to_string(line) + ':' + std::to_string(column);
    }
    if (!out.empty()) out += ": ";
    return out + message + " (error " + std::to_string(code) + ")";
}

} // namespace

error::error(error_kind kind, int code, const std::string& message, const std::string& path,
             long line, long column, long offset)
    : std::runtime_error(describe(code, message, path, line, column)), kind_(kind), code_(code),
      line_(line), column_(column), offset_(offset), path_(path), message_(message) {}

namespace detail {

void rethrow_as_error(const std::string& path) {
    using namespace LUMA_7_4_0;
    try {
        throw;
    } catch (const error&) {
        throw;
    } catch (const ITOVELDOMException& e) {
        unsigned short code = e.get_code();
        error_kind kind = code == FILE_IO_ERR ? error_kind::file : error_kind::tree;
        throw error(kind, code, TOVELDOMErrorString_7_4_0(code), code == FILE_IO_ERR ? path : "");
    } catch (const ITOVELParseException& e) {
        // The parser counts columns from 0; editors and compilers count them from 1.
        throw error(error_kind::parse, e.getErrorCode(),
                    TOVELParseErrorString_7_4_0(e.getErrorCode()), path, e.getLinePos(),
                    e.getColPos() + 1, e.getOffset());
    } catch (const std::bad_alloc&) {
        throw error(error_kind::tree, OUT_OF_MEMORY_ERR,
                    TOVELDOMErrorString_7_4_0(OUT_OF_MEMORY_ERR));
    }
}

void fail(int code, const std::string& message) { throw error(error_kind::tree, code, message); }

} // namespace detail
} // namespace toveldom

#include "encoding/output_encoding.h"

#include <algorithm>

#include "encoding/encoding_handler.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

const char* const OutputEncoding::kBuiltInNames[] = {
    "UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE", "ISO-8859-1", "US-ASCII", nullptr};

bool OutputEncoding::select(const char* name) {
    if (!name) return false;
    prefix_.clear();
    table_ = nullptr;
    high_.clear();
    auto is = [name](const char* known) { return platform::stricmp(name, known) == 0; };
    if (is("UTF-8")) {
        form_ = Form::Utf8;
    } else if (is("UTF-16")) {
        // The parser reads either order after a mark; little-endian is what most
        // programs write.
        form_ = Form::Utf16LE;
        prefix_ = "\xFF\xFE";
    } else if (is("UTF-16LE")) {
        form_ = Form::Utf16LE;
    } else if (is("UTF-16BE")) {
        form_ = Form::Utf16BE;
    } else if (is("ISO-8859-1")) {
        form_ = Form::Latin1;
    } else if (is("US-ASCII")) {
        form_ = Form::Ascii;
    } else {
        table_ = EncodingInfo::getExternalEncoding(EncodingInfo::getEncodingInfoIndex(name));
        if (!table_) return false;
        form_ = Form::Table;
        if (table_->singleByte) {
            for (int byte = 0x80; byte <= 0xFF; ++byte) {
                int scalar = table_->map[byte];
                char out[1];
                if (scalar >= 0 && encodeScalar(table_, scalar, out, 1) == 1 &&
                    static_cast<unsigned char>(out[0]) == byte)
                    high_.emplace_back(uint16_t(scalar), static_cast<unsigned char>(byte));
            }
            std::sort(high_.begin(), high_.end());
        }
    }
    return true;
}

void OutputEncoding::followInput(const std::string& head) {
    auto starts = [&](const char* bytes) { return head.compare(0, 2, bytes, 2) == 0; };
    if (form_ == Form::Utf8 && head.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        prefix_ = "\xEF\xBB\xBF";
    } else if (form_ == Form::Utf16LE && !prefix_.empty()) { // "UTF-16", not "UTF-16LE"
        if (starts("\xFE\xFF") || starts("\0<")) form_ = Form::Utf16BE;
        if (starts("\xFE\xFF")) prefix_ = "\xFE\xFF";
        if (starts("\0<") || starts("<\0")) prefix_.clear();
    }
}

bool OutputEncoding::append(uint32_t scalar, std::string& out) const {
    switch (form_) {
    case Form::Utf8:
        if (scalar < 0x80) {
            out += char(scalar);
        } else if (scalar < 0x800) {
            out += char(0xC0 | (scalar >> 6));
            out += char(0x80 | (scalar & 0x3F));
        } else if (scalar < 0x10000) {
            out += char(0xE0 | (scalar >> 12));
            out += char(0x80 | ((scalar >> 6) & 0x3F));
            out += char(0x80 | (scalar & 0x3F));
        } else {
            out += char(0xF0 | (scalar >> 18));
            out += char(0x80 | ((scalar >> 12) & 0x3F));
            out += char(0x80 | ((scalar >> 6) & 0x3F));
            out += char(0x80 | (scalar & 0x3F));
        }
        return true;
    case Form::Utf16LE:
    case Form::Utf16BE: {
        auto unit = [&](uint32_t u) {
            char hi = char(u >> 8), lo = char(u & 0xFF);
            if (form_ == Form::Utf16LE) {
                out += lo;
                out += hi;
            } else {
                out += hi;
                out += lo;
            }
        };
        if (scalar < 0x10000) {
            unit(scalar);
        } else {
            unit(0xD800 | ((scalar - 0x10000) >> 10));
            unit(0xDC00 | ((scalar - 0x10000) & 0x3FF));
        }
        return true;
    }
    case Form::Latin1:
    case Form::Ascii:
        if (scalar >= (form_ == Form::Latin1 ? 0x100u : 0x80u)) return false;
        out += char(scalar);
        return true;
    case Form::Table:
        break;
    }
    if (scalar < 0x80) {
        out += char(scalar); // the registry's tables all keep ASCII as it is
        return true;
    }
    if (scalar > 0xFFFF) return false; // the tables hold the basic plane only
    if (table_->singleByte) {
        auto it = std::lower_bound(high_.begin(), high_.end(),
                                   std::make_pair(uint16_t(scalar), static_cast<unsigned char>(0)));
        if (it == high_.end() || it->first != scalar) return false;
        out += char(it->second);
        return true;
    }
    char bytes[4];
    int count = encodeScalar(table_, int(scalar), bytes, int(sizeof bytes));
    if (count == 0) return false;
    out.append(bytes, size_t(count));
    return true;
}

} // namespace LUMA_7_4_0

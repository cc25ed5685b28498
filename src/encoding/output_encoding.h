// Writing characters in an encoding chosen for output: the four the parser knows itself
// (with UTF-16's two byte orders) and the registry's, whose bytes come from the same ".enc"
// tables the loader reads, so what is written reads back as the same characters.
#ifndef TOVELDOM_SRC_ENCODING_OUTPUT_ENCODING_H
#define TOVELDOM_SRC_ENCODING_OUTPUT_ENCODING_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <toveldom/encoding.h>

namespace LUMA_7_4_0 {

class OutputEncoding {
public:
    enum class Form { Utf8, Utf16LE, Utf16BE, Latin1, Ascii, Table };

    // Selects the encoding of name (ASCII case ignored); false for a name nobody knows or
    // a registry encoding whose ".enc" file cannot be loaded.
    bool select(const char* name);

    Form form() const { return form_; }
    // True when every ASCII character is its own byte (all but UTF-16).
    bool asciiCompatible() const { return form_ != Form::Utf16LE && form_ != Form::Utf16BE; }
    // Follows the first bytes of the document that was read: UTF-8 keeps a byte order mark
    // it had, and "UTF-16" keeps its byte order and whether it had a mark, so that a
    // document read and written again comes back byte for byte.
    void followInput(const std::string& head);
    // The bytes that start a document ("UTF-16" has a byte order mark).
    const std::string& prefix() const { return prefix_; }
    // Appends the bytes of scalar; false, with out unchanged, when the encoding lacks it.
    bool append(uint32_t scalar, std::string& out) const;

    // The names select() accepts beside the registry's.
    static const char* const kBuiltInNames[];

private:
    Form form_ = Form::Utf8;
    std::string prefix_;
    ExternalEncoding* table_ = nullptr;
    // Single-byte tables: the scalar of every byte from 0x80, sorted by scalar, built with
    // the reverse rule of encodeScalar so that a scalar with two bytes gets the same one.
    std::vector<std::pair<uint16_t, unsigned char>> high_;
};

} // namespace LUMA_7_4_0

#endif

// mkenc: writes the ".enc" file of every registry encoding from the C library's iconv
// tables, so that no binary table is ever kept in the source tree.
//
//   mkenc OUTPUT_DIRECTORY
//
// Each table is checked against what Expat demands of an unknown encoding before it is
// written; a table that would be refused stops the build instead of failing at parse time.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

#include <toveldom/encoding.h>

#include "encoding/enc_format.h"

using LUMA_7_4_0::EncodingInfo;
namespace encfile = LUMA_7_4_0::encfile;

namespace {

struct Source {
    const char* canonical; // column 1 of the registry row
    const char* iconvName;
    bool multiByte;
    // Bytes below 0x80 that must read as their ASCII character although iconv says
    // otherwise.
    std::vector<unsigned char> asciiOverrides;
};

// Expat refuses an unknown encoding unless the bytes below 0x80 that carry XML syntax map
// to themselves, and every document in these encodings relies on that anyway. The table
// below lists every place where the C library's table strays from ASCII; each needs a
// reason, and any other stray byte stops the generator.
const Source kSources[] = {
    {"ISO-8859-1", "ISO-8859-1", false, {}},
    {"ISO-8859-2", "ISO-8859-2", false, {}},
    {"ISO-8859-3", "ISO-8859-3", false, {}},
    {"ISO-8859-4", "ISO-8859-4", false, {}},
    {"ISO-8859-5", "ISO-8859-5", false, {}},
    {"ISO-8859-6", "ISO-8859-6", false, {}},
    {"ISO-8859-7", "ISO-8859-7", false, {}},
    {"ISO-8859-8", "ISO-8859-8", false, {}},
    {"ISO-8859-9", "ISO-8859-9", false, {}},
    {"ISO-8859-10", "ISO-8859-10", false, {}},
    // Differs from TIS-620 (also a name of this row) only in giving 0xA0 a meaning.
    {"ISO-8859-11", "ISO-8859-11", false, {}},
    {"ISO-8859-13", "ISO-8859-13", false, {}},
    {"ISO-8859-14", "ISO-8859-14", false, {}},
    {"ISO-8859-15", "ISO-8859-15", false, {}},
    // The JIS X 0201 roman half reads 0x5C as YEN SIGN and 0x7E as OVERLINE. Documents
    // labelled Shift_JIS are written with the everyday variant in which both are the
    // ASCII characters (backslash in paths, tilde in URLs), and Expat accepts only that.
    // YEN SIGN and OVERLINE therefore have no encoding of their own in this table.
    {"Shift-JIS", "SHIFT_JIS", true, {0x5C, 0x7E}},
    {"GB2312", "EUC-CN", true, {}},
    {"GBK", "GBK", true, {}},
    {"euc-KR", "EUC-KR", true, {}},
    // The unified Hangul code is the code page that extends EUC-KR.
    {"UHC", "CP949", true, {}},
    {"Big5", "BIG5", true, {}},
    {"KOI8-R", "KOI8-R", false, {}},
    {"windows-874", "CP874", false, {}},
    {"windows-1250", "CP1250", false, {}},
    {"windows-1251", "CP1251", false, {}},
    {"windows-1252", "CP1252", false, {}},
    {"windows-1253", "CP1253", false, {}},
    {"windows-1254", "CP1254", false, {}},
    {"windows-1255", "CP1255", false, {}},
    {"windows-1256", "CP1256", false, {}},
    {"windows-1257", "CP1257", false, {}},
    // The converter for this code page composes a base letter with a following combining
    // mark; bytes are decoded one at a time and flushed, which gives each byte's own
    // character.
    {"windows-1258", "CP1258", false, {}},
};

constexpr int kInvalid = -1;
constexpr int kLead = -2;

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input from the initial state, flushing any pending output.
    // Returns false unless every input byte was consumed.
    bool run(const unsigned char* in, size_t inSize, std::vector<unsigned char>& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[64];
        char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in));
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(cd_, &inPtr, &inSize, &outPtr, &outLeft) == size_t(-1)) return false;
        if (inSize != 0) return false;
        if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1)) return false;
        out.assign(buffer, outPtr);
        return true;
    }

private:
    iconv_t cd_;
};

// The one character that the byte sequence decodes to, or kInvalid when it is not a
// single complete character whose scalar fits the file format.
int decodeOne(Converter& decoder, const unsigned char* bytes, size_t size) {
    std::vector<unsigned char> out;
    if (!decoder.run(bytes, size, out) || out.size() != 4) return kInvalid;
    uint32_t scalar =
        (uint32_t(out[0]) << 24) | (uint32_t(out[1]) << 16) | (uint32_t(out[2]) << 8) | out[3];
    // Above the basic plane, surrogates and the two words the format reserves cannot be
    // stored; Expat would refuse the first two anyway.
    if (scalar >= 0xFFFE || (scalar >= 0xD800 && scalar <= 0xDFFF)) return kInvalid;
    return int(scalar);
}

// The bytes iconv gives for the scalar read as a big-endian number, or kInvalid.
int encodeOne(Converter& encoder, uint32_t scalar) {
    unsigned char in[4] = {0, 0, static_cast<unsigned char>(scalar >> 8),
                           static_cast<unsigned char>(scalar)};
    std::vector<unsigned char> out;
    if (!encoder.run(in, 4, out) || out.empty() || out.size() > 2) return kInvalid;
    int value = 0;
    for (unsigned char byte : out) value = (value << 8) | byte;
    return value;
}

struct Tables {
    std::vector<int> map = std::vector<int>(encfile::kMapEntries, kInvalid);
    std::vector<int> decode; // multi-byte only
    std::vector<int> encode; // multi-byte only
};

// What our own tables make of a code (a byte below 0x100, else two bytes).
int decodeWithTables(const Tables& t, int code) {
    if (code < 0x100) return t.map[size_t(code)] >= 0 ? t.map[size_t(code)] : kInvalid;
    return t.map[size_t(code >> 8)] == kLead ? t.decode[size_t(code)] : kInvalid;
}

bool fail(const Source& source, const std::string& message) {
    std::fprintf(stderr, "mkenc: %s: %s\n", source.canonical, message.c_str());
    return false;
}

std::string hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", value);
    return buffer;
}

bool build(const Source& source, Tables& t) {
    Converter decoder("UTF-32BE", source.iconvName);
    Converter encoder(source.iconvName, "UTF-32BE");
    if (!decoder.ok() || !encoder.ok()) return fail(source, "iconv has no converter");

    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned char b = static_cast<unsigned char>(byte);
        t.map[byte] = decodeOne(decoder, &b, 1);
    }
    for (unsigned char byte : source.asciiOverrides) t.map[byte] = byte;

    if (!source.multiByte) return true;

    // A lead byte is one that starts at least one two-byte character; a byte that is a
    // character by itself followed by another would decode to two characters and does not
    // count.
    t.decode.assign(encfile::kTableEntries, kInvalid);
    for (unsigned lead = 0; lead < 256; ++lead) {
        bool isLead = false;
        for (unsigned trail = 0; trail < 256; ++trail) {
            unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                     static_cast<unsigned char>(trail)};
            int scalar = decodeOne(decoder, pair, 2);
            t.decode[(lead << 8) | trail] = scalar;
            if (scalar != kInvalid) isLead = true;
        }
        if (isLead && t.map[lead] != kInvalid)
            return fail(source, "byte " + hex(lead) + " is both a character and a lead byte");
        if (isLead) t.map[lead] = kLead;
    }
    // Codes whose first byte is not a lead byte never reach the decode table.
    for (unsigned code = 0; code < encfile::kTableEntries; ++code)
        if (t.map[code >> 8] != kLead) t.decode[code] = kInvalid;

    // A scalar with several encodings takes the one iconv produces when that reads back
    // as the scalar, otherwise the first code in code order (a byte before any pair).
    // Reading back through our own tables keeps every overridden byte out: YEN SIGN is not
    // written as 0x5C in Shift_JIS, for instance.
    std::vector<int> first(encfile::kTableEntries, kInvalid);
    for (int code = 0xFFFF; code >= 0; --code) {
        int scalar = decodeWithTables(t, code);
        if (scalar >= 0) first[size_t(scalar)] = code;
    }
    t.encode.assign(encfile::kTableEntries, kInvalid);
    for (uint32_t scalar = 0; scalar < encfile::kTableEntries; ++scalar) {
        if (scalar >= 0xD800 && scalar <= 0xDFFF) continue;
        int code = encodeOne(encoder, scalar);
        if (code == kInvalid || decodeWithTables(t, code) != int(scalar)) code = first[scalar];
        t.encode[scalar] = code;
    }
    return true;
}

bool isSurrogate(int scalar) { return scalar >= 0xD800 && scalar <= 0xDFFF; }

// The rules Expat applies to an unknown encoding (map entries, lead bytes, scalars), made
// a little stricter: every byte below 0x80 must be itself, not only the ones that carry
// XML syntax, and no sequence may decode to an ASCII character from elsewhere.
bool check(const Source& source, const Tables& t) {
    bool hasLead = false;
    for (unsigned byte = 0; byte < 256; ++byte) {
        int entry = t.map[byte];
        if (byte < 0x80 && entry != int(byte))
            return fail(source, "byte " + hex(byte) + " is not its ASCII character");
        if (entry == kLead) hasLead = true;
        if (entry == kInvalid || entry == kLead) continue;
        if (entry < 0 || entry >= 0xFFFE || isSurrogate(entry) || (byte >= 0x80 && entry < 0x80))
            return fail(source, "byte " + hex(byte) + " maps to " + hex(unsigned(entry)));
    }
    if (hasLead != source.multiByte) return fail(source, "lead bytes do not match the kind");
    if (!source.multiByte) return true;
    size_t assigned = 0;
    for (unsigned code = 0; code < encfile::kTableEntries; ++code) {
        int scalar = t.decode[code];
        if (scalar == kInvalid) continue;
        ++assigned;
        if (scalar < 0x80 || scalar >= 0xFFFE || isSurrogate(scalar))
            return fail(source, "code " + hex(code) + " decodes to " + hex(unsigned(scalar)));
    }
    if (assigned == 0) return fail(source, "no two-byte character");
    for (unsigned scalar = 0; scalar < encfile::kTableEntries; ++scalar) {
        int code = t.encode[scalar];
        if (code != kInvalid && decodeWithTables(t, code) != int(scalar))
            return fail(source, "scalar " + hex(scalar) + " does not round-trip");
    }
    return true;
}

void putWord(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

unsigned toWord(int value) {
    if (value == kInvalid) return encfile::kInvalid;
    if (value == kLead) return encfile::kLead2;
    return unsigned(value);
}

// Written under a temporary name and renamed, so an interrupted build never leaves a
// truncated file that looks finished.
bool write(const Source& source, const Tables& t, const std::string& path) {
    std::vector<unsigned char> bytes;
    bytes.reserve(source.multiByte ? encfile::kMultiByteFileSize : encfile::kSingleByteFileSize);
    putWord(bytes, encfile::kMagic);
    putWord(bytes, source.multiByte ? 0 : 1);
    for (int entry : t.map) putWord(bytes, toWord(entry));
    if (source.multiByte) {
        for (int entry : t.decode) putWord(bytes, toWord(entry));
        for (int entry : t.encode) putWord(bytes, toWord(entry));
    }
    std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return fail(source, temporary + ": " + std::strerror(errno));
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return fail(source, path + ": " + std::strerror(errno));
    }
    return true;
}

const Source* sourceOf(const char* canonical) {
    for (const Source& source : kSources)
        if (std::strcmp(source.canonical, canonical) == 0) return &source;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkenc OUTPUT_DIRECTORY\n");
        return 2;
    }
    std::string directory = argv[1];
    if (!directory.empty() && directory.back() != '/') directory += '/';

    int written = 0;
    for (int row = 0; row < EncodingInfo::kRows; ++row) {
        const char* file = EncodingInfo::externalEncodingNameArray[row][0];
        if (!file) continue;
        const char* canonical = EncodingInfo::externalEncodingNameArray[row][1];
        const Source* source = sourceOf(canonical);
        if (!source) {
            std::fprintf(stderr, "mkenc: %s: no iconv source for this row\n", canonical);
            return 1;
        }
        Tables tables;
        if (!build(*source, tables) || !check(*source, tables) ||
            !write(*source, tables, directory + file))
            return 1;
        ++written;
    }
    std::printf("mkenc: wrote %d encoding files to %s\n", written, directory.c_str());
    return 0;
}

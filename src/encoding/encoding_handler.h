// The pieces that let the parser read documents in the registry encodings: the
// unknown-encoding handler and the callbacks it hands over. The conversions are inline so
// that tests can drive them on descriptions of their own without exporting them.
#ifndef TOVELDOM_SRC_ENCODING_ENCODING_HANDLER_H
#define TOVELDOM_SRC_ENCODING_ENCODING_HANDLER_H

#include <expat.h>

#include <toveldom/encoding.h>

namespace LUMA_7_4_0 {

// Expat's unknown-encoding handler: fills info for a registry encoding whose ".enc" file
// loads and returns 1; returns 0 for any other name or an unloadable file.
int XMLCALL unknownEncodingHandler(void* data, const XML_Char* name, XML_Encoding* info);

// Expat's convert callback. data is an ExternalEncoding; bytes holds one whole sequence
// whose first byte has a negative map entry. Returns the scalar, or -1 for an invalid
// or unassigned sequence.
inline int XMLCALL convertSequence(void* data, const char* bytes) {
    const ExternalEncoding* encoding = static_cast<const ExternalEncoding*>(data);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    int entry = encoding->map[p[0]];
    if (entry >= -1) return entry;
    if (encoding->singleByte || !encoding->decode) return -1;
    // Expat accepts lead entries down to -4; the loaded tables only index two bytes.
    unsigned long code = 0;
    for (int i = 0; i < -entry; ++i) code = (code << 8) | p[i];
    return code > 0xFFFF ? -1 : encoding->decode[code];
}

// Writes scalar in the encoding of data (an ExternalEncoding) to out, most significant
// byte first. Returns the byte count, or 0 when the scalar has no encoding or does not
// fit in capacity bytes. Expat's record has no slot for it; it serves callers that need
// the reverse direction.
inline int encodeScalar(void* data, int scalar, char* out, int capacity) {
    const ExternalEncoding* encoding = static_cast<const ExternalEncoding*>(data);
    if (scalar < 0 || scalar > 0xFFFF || capacity < 1) return 0;
    if (scalar < 0x80) {
        if (encoding->map[scalar] != scalar) return 0;
        out[0] = char(scalar);
        return 1;
    }
    if (encoding->singleByte) {
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            if (encoding->map[byte] == scalar) {
                out[0] = char(byte);
                return 1;
            }
        return 0;
    }
    if (!encoding->encode) return 0;
    int value = encoding->encode[scalar];
    // Only -1 means unassigned: a four-byte sequence starting at 0x80 or above reads as a
    // negative int.
    if (value == -1) return 0;
    unsigned u = unsigned(value);
    int count = u < 0x100 ? 1 : u < 0x10000 ? 2 : u < 0x1000000 ? 3 : 4;
    if (capacity < count) return 0;
    for (int i = 0; i < count; ++i) out[i] = char((u >> (8 * (count - 1 - i))) & 0xFF);
    return count;
}

} // namespace LUMA_7_4_0

#endif

// Layout of an ".enc" file, shared by the loader and the generator that writes the files.
// Every value is a big-endian 16-bit word:
//   magic, single-byte flag, map[256], then for multi-byte files decode[65536], encode[65536].
#ifndef TOVELDOM_SRC_ENCODING_ENC_FORMAT_H
#define TOVELDOM_SRC_ENCODING_ENC_FORMAT_H

#include <cstddef>

namespace LUMA_7_4_0 {
namespace encfile {

constexpr unsigned kMagic = 0xABCD;
// Word values standing for the negative entries of the in-memory tables.
constexpr unsigned kInvalid = 0xFFFF; // -1: byte, code or scalar with no counterpart
constexpr unsigned kLead2 = 0xFFFE;   // -2: map entry of the first byte of two

constexpr size_t kMapEntries = 256;
constexpr size_t kTableEntries = 65536;
constexpr size_t kHeaderBytes = 4;
constexpr size_t kMapBytes = kMapEntries * 2;
constexpr size_t kTableBytes = kTableEntries * 2;
constexpr size_t kSingleByteFileSize = kHeaderBytes + kMapBytes;             // 516
constexpr size_t kMultiByteFileSize = kSingleByteFileSize + 2 * kTableBytes; // 262660

} // namespace encfile
} // namespace LUMA_7_4_0

#endif

// The hash of an attribute map key. Shared strings store it with their text (names are the
// keys of attribute maps), so it lives here, below the map that buckets by it.
#ifndef TOVELDOM_SRC_FRAME_KEY_HASH_H
#define TOVELDOM_SRC_FRAME_KEY_HASH_H

#include <cstdint>

namespace LUMA_7_4_0 {

// h = h * 33 + c over the key's bytes taken as signed chars, modulo 2^32.
inline uint32_t nodeHashKey(const char* key) {
    uint32_t h = 0;
    for (const signed char* p = reinterpret_cast<const signed char*>(key); *p; ++p)
        h = h * 33 + uint32_t(int32_t(*p));
    return h;
}

} // namespace LUMA_7_4_0

#endif

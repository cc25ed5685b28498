#include "frame/shared_string.h"

#include "frame/key_hash.h"

#include <cstdlib>
#include <new>

namespace LUMA_7_4_0 {

CSharedString::CSharedString(const char* text, size_t length) : rep(nullptr) {
    if (!text || length == 0) return;
    void* block = rawAllocate(offsetof(Rep, text) + length + 1);
    if (!block) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    rep = static_cast<Rep*>(block);
    rep->refs = 1;
    rep->length = length;
    std::memcpy(rep->text, text, length);
    rep->text[length] = 0;
    rep->hash = nodeHashKey(rep->text);
}

void CSharedString::destroy(Rep* rep) { rawFree(rep); }

} // namespace LUMA_7_4_0

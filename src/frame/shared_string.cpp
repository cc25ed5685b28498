#include "frame/shared_string.h"

#include "frame/key_hash.h"

#include <cstdlib>
#include <new>

namespace LUMA_7_4_0 {

CSharedString::CSharedString(const char* text, size_t length) : rep(nullptr) {
    if (!text || length == 0) return;
    void* block = std::malloc(offsetof(Rep, text) + length + 1);
    if (!block) throw std::bad_alloc();
    rep = static_cast<Rep*>(block);
    rep->refs = 1;
    rep->length = length;
    std::memcpy(rep->text, text, length);
    rep->text[length] = 0;
    rep->hash = nodeHashKey(rep->text);
}

void CSharedString::destroy(Rep* rep) { std::free(rep); }

} // namespace LUMA_7_4_0

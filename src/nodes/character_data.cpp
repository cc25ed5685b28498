// The character-data operations text, CDATA section and comment nodes share.
#include <toveldom/character_data.h>

#include "frame/alloc.h"
#include "frame/shared_string.h"

namespace LUMA_7_4_0 {

template <class I> char const* CCharacterData<I>::get_nodeValue() { return value.c_str(); }
template <class I> void CCharacterData<I>::put_nodeValue(char const* v) { put_data(v); }
template <class I> char const* CCharacterData<I>::get_text() { return value.c_str(); }
template <class I> void CCharacterData<I>::put_text(char const* text) { put_data(text); }
template <class I> char const* CCharacterData<I>::get_data() const { return value.c_str(); }
template <class I> void CCharacterData<I>::put_data(char const* data) try {
    value = data ? data : "";
} catch (...) {
    rethrowAsLibraryError();
}
template <class I> long CCharacterData<I>::get_length() const { return long(value.size()); }
template <class I> std::string CCharacterData<I>::getText() { return value; }

template <class I> char const* CCharacterData<I>::substringData(long offset, long count) try {
    std::string& out = this->resultCache.fresh();
    // Offsets and counts are taken as unsigned: a negative offset is out of range, a
    // negative count reaches the end.
    unsigned long start = static_cast<unsigned long>(offset);
    if (start <= value.size()) out.assign(value, start, static_cast<unsigned long>(count));
    return out.c_str();
} catch (...) {
    rethrowAsLibraryError();
}

template <class I> void CCharacterData<I>::appendData(char const* data) try {
    if (data) value += data;
} catch (...) {
    rethrowAsLibraryError();
}

template <class I> void CCharacterData<I>::insertData(long offset, char const* data) try {
    if (offset < 0 || !data) throw TOVELDOMException(INDEX_SIZE_ERR);
    if (static_cast<unsigned long>(offset) < value.size())
        value.insert(size_t(offset), data);
    else
        value += data;
} catch (...) {
    rethrowAsLibraryError();
}

template <class I> void CCharacterData<I>::deleteData(long offset, long count) {
    if (offset < 0 || static_cast<unsigned long>(offset) >= value.size())
        throw TOVELDOMException(INDEX_SIZE_ERR);
    value.erase(size_t(offset), static_cast<unsigned long>(count));
}

// A null replacement is taken as empty: the call then deletes, as appendData(null) and
// put_data(null) treat null as "nothing".
template <class I>
void CCharacterData<I>::replaceData(long offset, long count, char const* data) try {
    if (offset < 0 || static_cast<unsigned long>(offset) >= value.size())
        throw TOVELDOMException(INDEX_SIZE_ERR);
    value.replace(size_t(offset), static_cast<unsigned long>(count), data ? data : "");
} catch (...) {
    rethrowAsLibraryError();
}

template class CCharacterData<ITOVELDOMText>;
template class CCharacterData<ITOVELDOMCDATASection>;
template class CCharacterData<ITOVELDOMComment>;

} // namespace LUMA_7_4_0

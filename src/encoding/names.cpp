// The name table of the encoding registry. It lives in a file of its own because the
// ".enc" generator compiles it too: the file names it writes are the ones the loader
// looks for, and the build reads its list of generated files from this table.
#include <toveldom/encoding.h>

namespace LUMA_7_4_0 {

// Rows are searched in table order and the first row that lists a name wins, so a name
// must not appear in two rows. Column 1 is the name reported as canonical.
const char* const EncodingInfo::externalEncodingNameArray[EncodingInfo::kRows][6] = {
    {"iso88591.enc", "ISO-8859-1", "ISO_8859-1", "latin1", "l1", nullptr},
    {"iso88592.enc", "ISO-8859-2", "ISO_8859-2", "latin2", "l2", nullptr},
    {"iso88593.enc", "ISO-8859-3", "ISO_8859-3", "latin3", "l3", nullptr},
    {"iso88594.enc", "ISO-8859-4", "ISO_8859-4", "latin4", "l4", nullptr},
    {"iso88595.enc", "ISO-8859-5", "ISO_8859-5", "cyrillic", nullptr, nullptr},
    {"iso88596.enc", "ISO-8859-6", "ISO_8859-6", "arabic", "ISO-8859-6-I", "ISO_8859-6-I"},
    {"iso88597.enc", "ISO-8859-7", "ISO_8859-7", "greek", "greek8", nullptr},
    {"iso88598.enc", "ISO-8859-8", "ISO_8859-8", "hebrew", "ISO-8859-8-I", "ISO_8859-8-I"},
    {"iso88599.enc", "ISO-8859-9", "ISO_8859-9", "latin5", "l5", nullptr},
    {"iso885910.enc", "ISO-8859-10", "ISO_8859-10", nullptr, nullptr, nullptr},
    {"iso885911.enc", "ISO-8859-11", "ISO_8859-11", "TIS-620", nullptr, nullptr},
    {"iso885913.enc", "ISO-8859-13", "ISO_8859-13", nullptr, nullptr, nullptr},
    {"iso885914.enc", "ISO-8859-14", "ISO_8859-14", nullptr, nullptr, nullptr},
    {"iso885915.enc", "ISO-8859-15", "ISO_8859-15", nullptr, nullptr, nullptr},
    {"shiftjis.enc", "Shift-JIS", "Shift_JIS", "x-jis", "x-sjis", nullptr},
    {"gb2312.enc", "GB2312", "euc-CN", nullptr, nullptr, nullptr},
    {"gbk.enc", "GBK", nullptr, nullptr, nullptr, nullptr},
    {"euckr.enc", "euc-KR", nullptr, nullptr, nullptr, nullptr},
    {"uhc.enc", "UHC", nullptr, nullptr, nullptr, nullptr},
    {"big5.enc", "Big5", nullptr, nullptr, nullptr, nullptr},
    {"koi8r.enc", "KOI8-R", nullptr, nullptr, nullptr, nullptr},
    {"win874.enc", "windows-874", nullptr, nullptr, nullptr, nullptr},
    {"win1250.enc", "windows-1250", nullptr, nullptr, nullptr, nullptr},
    {"win1251.enc", "windows-1251", nullptr, nullptr, nullptr, nullptr},
    {"win1252.enc", "windows-1252", nullptr, nullptr, nullptr, nullptr},
    {"win1253.enc", "windows-1253", nullptr, nullptr, nullptr, nullptr},
    {"win1254.enc", "windows-1254", nullptr, nullptr, nullptr, nullptr},
    {"win1255.enc", "windows-1255", nullptr, nullptr, nullptr, nullptr},
    {"win1256.enc", "windows-1256", nullptr, nullptr, nullptr, nullptr},
    {"win1257.enc", "windows-1257", nullptr, nullptr, nullptr, nullptr},
    {"win1258.enc", "windows-1258", nullptr, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

} // namespace LUMA_7_4_0

// The registry of 31 legacy encodings served from ".enc" files, and the conversion pieces
// handed to the parser.
#ifndef TOVELDOM_ENCODING_H
#define TOVELDOM_ENCODING_H

#include <cstddef>

#include <toveldom/export.h>
#include <toveldom/mutex.h>

struct XML_ParserStruct;
typedef struct XML_ParserStruct* XML_Parser;

namespace LUMA_7_4_0 {

// One loaded ".enc" description.
struct TOVELDOM_API ExternalEncoding {
    int singleByte; // non-zero for a single-byte encoding
    // Per byte: the Unicode scalar, -1 for a byte that never occurs, -2 for the first
    // byte of a two-byte sequence.
    int map[256];
    int* decode; // 65536 entries by two-byte code (multi-byte only), -1 unassigned
    int* encode; // 65536 entries by scalar: the bytes read big-endian, -1 unassigned
};

class TOVELDOM_API EncodingInfo {
public:
    static constexpr int kRows = 32; // 31 encodings and one empty row

    // Row of the name (ASCII case ignored), or -1 (also for null).
    static int getEncodingInfoIndex(const char* name);
    // The canonical name of the name's row, or null.
    static char* getEncodingInfoName(const char* name);
    // The cached description of a row, loading its file on first use; null on failure.
    static ExternalEncoding* getExternalEncoding(int index);
    // Accepted and ignored.
    static void setEncodingPath(const char* path);

    // Column 0 the file name, columns 1-5 the names selecting the row (1 is canonical).
    static const char* const externalEncodingNameArray[kRows][6];

private:
    static ExternalEncoding* loadExternalEncodingFromFile(int index);

    // Frees every cached description when the library is unloaded.
    struct CacheCleaner;
    TOVELDOM_LOCAL static CacheCleaner m_cacheCleaner;

    static ExternalEncoding* externalEncodingArray[kRows];
    static CTOVELMutex m_mutex;
    static CTOVELMutex m_pathMutex;
    static char* m_encodingPath;
    static bool m_encodingPathSet;
};

extern "C" {
TOVELDOM_API int getTOVELEncodingInfoIndex_7_4_0(const char* name);
TOVELDOM_API char* getTOVELEncodingInfoName_7_4_0(const char* name);
TOVELDOM_API ExternalEncoding* getTOVELExternalEncoding_7_4_0(int index);
// Installs the library's unknown-encoding handler on *parser.
TOVELDOM_API int initExpatUnknownEncodingHandler_7_4_0(XML_Parser* parser);
// wcsrtombs / mbsrtowcs in the current locale; return destination.
TOVELDOM_API char* toveldomW2MBHelper_7_4_0(char* destination, const wchar_t* source, size_t limit);
TOVELDOM_API wchar_t* toveldomMB2WHelper_7_4_0(wchar_t* destination, const char* source,
                                               size_t limit);
}

} // namespace LUMA_7_4_0

#endif

// The encoding registry: name look-up, the ".enc" loader and the process-wide cache.
#include <toveldom/encoding.h>

#include <new>
#include <string>

#include "encoding/enc_format.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

ExternalEncoding* EncodingInfo::externalEncodingArray[EncodingInfo::kRows] = {};
CTOVELMutex EncodingInfo::m_mutex;
// A configurable search path was planned and never used; the members stay for the layout
// of the class.
CTOVELMutex EncodingInfo::m_pathMutex;
char* EncodingInfo::m_encodingPath = nullptr;
bool EncodingInfo::m_encodingPathSet = false;

namespace {

void freeExternalEncoding(ExternalEncoding* encoding) {
    if (!encoding) return;
    delete[] encoding->decode;
    delete[] encoding->encode;
    delete encoding;
}

// A slot is written once, under the lock, and read without it; the atomic accesses make
// that publication well defined (a plain read of the pointer could see the slot before
// the tables behind it).
ExternalEncoding* loadSlot(ExternalEncoding* const& slot) {
    return __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
}
void storeSlot(ExternalEncoding*& slot, ExternalEncoding* value) {
    __atomic_store_n(&slot, value, __ATOMIC_RELEASE);
}

// Reads exactly size bytes; false when the file ends early or a read fails.
bool readBlock(int fd, unsigned char* buffer, size_t size) {
    while (size > 0) {
        long n = platform::readSome(fd, buffer, size);
        if (n <= 0) return false;
        buffer += n;
        size -= size_t(n);
    }
    return true;
}

unsigned word(const unsigned char* p) { return (unsigned(p[0]) << 8) | p[1]; }

int mapEntry(unsigned w) {
    if (w == encfile::kInvalid) return -1;
    if (w == encfile::kLead2) return -2;
    return int(w);
}

// Fills a 65536-entry table from the next block of the file; null on a short block or
// when memory runs out.
int* readTable(int fd) {
    unsigned char* raw = new (std::nothrow) unsigned char[encfile::kTableBytes];
    if (!raw) return nullptr;
    int* table = nullptr;
    if (readBlock(fd, raw, encfile::kTableBytes)) {
        table = new (std::nothrow) int[encfile::kTableEntries];
        if (table)
            for (size_t i = 0; i < encfile::kTableEntries; ++i) {
                unsigned w = word(raw + 2 * i);
                table[i] = w == encfile::kInvalid ? -1 : int(w);
            }
    }
    delete[] raw;
    return table;
}

ExternalEncoding* readEncodingFile(int fd) {
    unsigned char head[encfile::kHeaderBytes + encfile::kMapBytes];
    if (!readBlock(fd, head, sizeof head) || word(head) != encfile::kMagic) return nullptr;
    ExternalEncoding* encoding = new (std::nothrow) ExternalEncoding();
    if (!encoding) return nullptr;
    encoding->singleByte = int(word(head + 2));
    for (size_t i = 0; i < encfile::kMapEntries; ++i)
        encoding->map[i] = mapEntry(word(head + encfile::kHeaderBytes + 2 * i));
    if (encoding->singleByte) return encoding;
    encoding->decode = readTable(fd);
    if (encoding->decode) encoding->encode = readTable(fd);
    if (!encoding->encode) {
        freeExternalEncoding(encoding);
        return nullptr;
    }
    return encoding;
}

} // namespace

struct EncodingInfo::CacheCleaner {
    ~CacheCleaner() {
        for (ExternalEncoding*& slot : externalEncodingArray) {
            freeExternalEncoding(loadSlot(slot));
            storeSlot(slot, nullptr);
        }
    }
};
// Defined after m_mutex so that it is destroyed before it.
EncodingInfo::CacheCleaner EncodingInfo::m_cacheCleaner;

int EncodingInfo::getEncodingInfoIndex(const char* name) {
    if (!name) return -1;
    for (int row = 0; row < kRows; ++row)
        for (int column = 1; column < 6 && externalEncodingNameArray[row][column]; ++column)
            if (platform::stricmp(name, externalEncodingNameArray[row][column]) == 0) return row;
    return -1;
}

char* EncodingInfo::getEncodingInfoName(const char* name) {
    int row = getEncodingInfoIndex(name);
    // The table is constant; the result type is the one hosts were built against.
    return row < 0 ? nullptr : const_cast<char*>(externalEncodingNameArray[row][1]);
}

ExternalEncoding* EncodingInfo::getExternalEncoding(int index) {
    if (index < 0 || index >= kRows) return nullptr;
    if (ExternalEncoding* cached = loadSlot(externalEncodingArray[index])) return cached;
    CTOVELGuard guard(m_mutex);
    ExternalEncoding* encoding = loadSlot(externalEncodingArray[index]);
    if (!encoding) {
        // A failed load leaves the slot empty so that a later call tries again.
        encoding = loadExternalEncodingFromFile(index);
        if (encoding) storeSlot(externalEncodingArray[index], encoding);
    }
    return encoding;
}

void EncodingInfo::setEncodingPath(const char*) {}

ExternalEncoding* EncodingInfo::loadExternalEncodingFromFile(int index) {
    if (index < 0 || index >= kRows) return nullptr;
    const char* file = externalEncodingNameArray[index][0];
    if (!file) return nullptr;

    // The first readable candidate is the file, even when it turns out to be bad: a broken
    // file in the current directory must fail loudly rather than let a file from another
    // place stand in for it.
    std::string path;
    if (platform::isReadable(file)) {
        path = file;
    } else {
        std::string directories[] = {
            platform::executableDirectory(),
            platform::libraryDirectory(),
            // An installed library keeps its files in the data directory rather than
            // beside itself.
            platform::dataDirectory(),
        };
        for (const std::string& directory : directories) {
            if (directory.empty()) continue;
            std::string candidate = directory + file;
            if (platform::isReadable(candidate.c_str())) {
                path = candidate;
                break;
            }
        }
    }
    if (path.empty()) return nullptr;

    int fd = platform::openForReading(path.c_str());
    if (fd < 0) return nullptr;
    ExternalEncoding* encoding = readEncodingFile(fd);
    platform::closeFile(fd);
    return encoding;
}

extern "C" {

TOVELDOM_API int getTOVELEncodingInfoIndex_7_4_0(const char* name) {
    return EncodingInfo::getEncodingInfoIndex(name);
}

TOVELDOM_API char* getTOVELEncodingInfoName_7_4_0(const char* name) {
    return EncodingInfo::getEncodingInfoName(name);
}

TOVELDOM_API ExternalEncoding* getTOVELExternalEncoding_7_4_0(int index) {
    return EncodingInfo::getExternalEncoding(index);
}
}

} // namespace LUMA_7_4_0

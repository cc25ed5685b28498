// The encoding registry, the ".enc" loader and cache, and the conversions
// handed to Expat.
//
// The cache is process-wide and never forgets a loaded file, so every test that
// needs an empty cache (hand-made files, concurrent first use) runs in a fresh
// child process.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <expat.h>
#include <filesystem>
#include <functional>
#include <iconv.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <toveldom/encoding.h>

#include "encoding/encoding_handler.h"

using namespace LUMA_7_4_0;
namespace fs = std::filesystem;

namespace {

constexpr int kEncodingRows = 31;
constexpr int kWindows1252 = 24;
constexpr int kShiftJis = 14;

// The iconv converter each registry row is checked against, by row.
const char* const kIconvNames[] = {
    "ISO-8859-1",  "ISO-8859-2",  "ISO-8859-3", "ISO-8859-4",  "ISO-8859-5",  "ISO-8859-6",
    "ISO-8859-7",  "ISO-8859-8",  "ISO-8859-9", "ISO-8859-10", "ISO-8859-11", "ISO-8859-13",
    "ISO-8859-14", "ISO-8859-15", "SHIFT_JIS",  "EUC-CN",      "GBK",         "EUC-KR",
    "CP949",       "BIG5",        "KOI8-R",     "CP874",       "CP1250",      "CP1251",
    "CP1252",      "CP1253",      "CP1254",     "CP1255",      "CP1256",      "CP1257",
    "CP1258"};

std::string rowName(const testing::TestParamInfo<int>& info) {
    std::string name = EncodingInfo::externalEncodingNameArray[info.param][1];
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// One iconv converter, reset before every conversion.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted and flushed, or false.
    bool convert(const std::string& in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> buffer(in.size() * 8 + 16);
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size(), outLeft = buffer.size();
        char* outPtr = buffer.data();
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0 ||
            iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
            return false;
        out.assign(buffer.data(), outPtr);
        return true;
    }
    // For a converter into UTF-32BE: the one scalar bytes decode to, or -1.
    int scalar(const std::string& bytes) {
        std::string out;
        if (!convert(bytes, out) || out.size() != 4) return -1;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(out.data());
        return int((unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | p[3]);
    }

private:
    iconv_t cd_;
};

std::string bytesOf(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(char(v));
    return s;
}

// Builds ".enc" files word by word.
class EncFile {
public:
    EncFile(unsigned magic, unsigned singleByte) { word(magic).word(singleByte); }
    EncFile& word(unsigned value) {
        bytes_ += {char(value >> 8), char(value)};
        return *this;
    }
    EncFile& words(size_t count, const std::function<unsigned(size_t)>& valueAt) {
        for (size_t i = 0; i < count; ++i) word(valueAt(i));
        return *this;
    }
    EncFile& truncate(size_t size) {
        bytes_.resize(size);
        return *this;
    }
    size_t size() const { return bytes_.size(); }
    bool writeTo(const char* path) const {
        FILE* file = std::fopen(path, "wb");
        if (!file) return false;
        bool ok = std::fwrite(bytes_.data(), 1, bytes_.size(), file) == bytes_.size();
        return std::fclose(file) == 0 && ok;
    }

private:
    std::string bytes_;
};

// A map in which every byte below 0x80 is itself, 0x80 is U+263A, 0x81 never
// occurs, 0x82 is a lead byte and the rest are U+0400 + byte.
unsigned handMadeMap(size_t byte) {
    if (byte < 0x80) return unsigned(byte);
    if (byte == 0x80) return 0x263A;
    if (byte == 0x81) return 0xFFFF;
    if (byte == 0x82) return 0xFFFE;
    return unsigned(0x400 + byte);
}

EncFile handMadeSingleByte() { return EncFile(0xABCD, 1).words(256, handMadeMap); }

// Two-byte code 0x82nn decodes to U+4E00 + nn and back; everything else is
// unassigned.
EncFile handMadeMultiByte() {
    return EncFile(0xABCD, 0)
        .words(256, handMadeMap)
        .words(65536,
               [](size_t code) { return code >> 8 == 0x82 ? 0x4E00 + (code & 0xFF) : 0xFFFF; })
        .words(65536, [](size_t scalar) {
            return scalar >= 0x4E00 && scalar <= 0x4EFF ? 0x8200 + (scalar - 0x4E00) : 0xFFFF;
        });
}

// Runs body in a fresh process, with an empty cache and a private current
// directory that is removed afterwards; body returns an empty string on success
// or what went wrong.
void expectInFreshProcess(const std::function<std::string()>& body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::string pattern = (fs::temp_directory_path() / "encoding_test.XXXXXX").string();
            std::string failure = "cannot make a temporary directory";
            if (mkdtemp(pattern.data()) && chdir(pattern.c_str()) == 0) failure = body();
            std::error_code ignored;
            fs::remove_all(pattern, ignored);
            if (!failure.empty()) std::fprintf(stderr, "%s\n", failure.c_str());
            std::exit(failure.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(EncodingRegistry, AliasesResolveToRowAndCanonicalName) {
    struct {
        int row;
        const char* canonical;
        std::vector<const char*> names;
    } rows[] = {
        {0, "ISO-8859-1", {"latin1", "Iso_8859-1"}},
        {14, "Shift-JIS", {"Shift_JIS", "X-SJIS"}},
        {17, "euc-KR", {"EUC-kr"}},
        {-1, nullptr, {"utf-8", "", nullptr, "latin1 ", "ISO-8859-16", "Shift JIS"}},
    };
    for (auto& r : rows)
        for (const char* name : r.names) {
            SCOPED_TRACE(name ? name : "(null)");
            EXPECT_EQ(EncodingInfo::getEncodingInfoIndex(name), r.row);
            EXPECT_EQ(getTOVELEncodingInfoIndex_7_4_0(name), r.row);
            const char* canonical = EncodingInfo::getEncodingInfoName(name);
            EXPECT_EQ(getTOVELEncodingInfoName_7_4_0(name), canonical);
            EXPECT_STREQ(canonical, r.canonical);
        }
}

struct FileCase {
    const char* label;
    int row;
    std::function<EncFile()> make;
    bool loads;
};

class EncodingFileLoaderCases : public testing::TestWithParam<FileCase> {};

// The current directory's file comes first (the one beside the library maps 0x80 to
// the euro sign). A bad file there gives null: no fall-back to the good file beside
// the library, and nothing cached, so the row loads once the file is repaired.
TEST_P(EncodingFileLoaderCases, LoadsOrRejectsWithoutFallBackOrCaching) {
    const FileCase c = GetParam();
    expectInFreshProcess([c]() -> std::string {
        const char* fileName = c.row == kShiftJis ? "shiftjis.enc" : "win1252.enc";
        if (!c.make().writeTo(fileName)) return "cannot write the file";
        ExternalEncoding* encoding = getTOVELExternalEncoding_7_4_0(c.row);
        if (c.loads) {
            if (!encoding || encoding->map[0x80] != 0x263A) return "not the current directory's";
            if (encoding->singleByte != 1 || encoding->decode || encoding->encode) return "kind";
            if (encoding->map[0x81] != -1 || encoding->map[0x82] != -2) return "0xFFFF/0xFFFE";
            if (encoding->map[0x41] != 0x41 || encoding->map[0xFF] != 0x4FF) return "map values";
            return EncodingInfo::getExternalEncoding(c.row) == encoding ? "" : "not cached";
        }
        if (encoding != nullptr) return "bad file accepted";
        if (EncodingInfo::getExternalEncoding(c.row) != nullptr) return "second call differs";
        EncFile good = c.row == kShiftJis ? handMadeMultiByte() : handMadeSingleByte();
        if (!good.writeTo(fileName)) return "cannot repair the file";
        encoding = EncodingInfo::getExternalEncoding(c.row);
        return encoding && encoding->map[0x80] == 0x263A ? "" : "repaired file not loaded";
    });
}

INSTANTIATE_TEST_SUITE_P(
    HandMade, EncodingFileLoaderCases,
    testing::Values(FileCase{"SingleByteOf516Bytes", kWindows1252, handMadeSingleByte, true},
                    FileCase{"BytesAfterTheSingleByteMapIgnored", kWindows1252,
                             [] { return handMadeSingleByte().word(0x1234).word(0x5678); }, true},
                    FileCase{"MagicInWrongByteOrder", kWindows1252,
                             [] { return EncFile(0xCDAB, 1).words(256, handMadeMap); }, false},
                    FileCase{"SingleByteOneByteShort", kWindows1252,
                             [] { return handMadeSingleByte().truncate(515); }, false},
                    FileCase{"Empty", kWindows1252, [] { return handMadeSingleByte().truncate(0); },
                             false},
                    FileCase{"MultiByteOneByteShort", kShiftJis,
                             [] { return handMadeMultiByte().truncate(262659); }, false},
                    FileCase{"MultiByteWithoutEncodeTable", kShiftJis,
                             [] { return handMadeMultiByte().truncate(516 + 131072); }, false}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.label; });

TEST(EncodingFileLoader, DirectoryNamedLikeTheFileIsPassedOver) {
    expectInFreshProcess([]() -> std::string {
        if (mkdir("win1252.enc", 0700) != 0) return "cannot make the directory";
        ExternalEncoding* encoding = EncodingInfo::getExternalEncoding(kWindows1252);
        // Not a readable file, so the next place in the search order supplies it.
        if (!encoding || encoding->map[0x80] != 0x20AC) return "shipped file not loaded";
        return "";
    });
}

// Every thread asks for every row at once, starting from an empty cache; all
// must see the one description per row (a second load would replace the slot
// or, under the leak checker, leak).
TEST(EncodingCache, ConcurrentFirstUseLoadsEachFileOnce) {
    expectInFreshProcess([]() -> std::string {
        constexpr int kThreads = 8;
        std::vector<std::vector<ExternalEncoding*>> seen(
            kThreads, std::vector<ExternalEncoding*>(kEncodingRows, nullptr));
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < kThreads) std::this_thread::yield();
                for (int i = 0; i < kEncodingRows; ++i) {
                    // Half the threads walk the rows backwards, so loads overlap.
                    int row = t % 2 ? kEncodingRows - 1 - i : i;
                    seen[size_t(t)][size_t(row)] = getTOVELExternalEncoding_7_4_0(row);
                }
            });
        for (std::thread& thread : threads) thread.join();
        for (size_t row = 0; row < size_t(kEncodingRows); ++row) {
            if (!seen[0][row]) return "row " + std::to_string(row) + " not loaded";
            for (auto& thread : seen)
                if (thread[row] != seen[0][row]) return "row " + std::to_string(row) + " twice";
            if (EncodingInfo::getExternalEncoding(int(row)) != seen[0][row]) return "cache changed";
        }
        return "";
    });
}

struct ParseResult {
    XML_Status status = XML_STATUS_ERROR;
    XML_Error error = XML_ERROR_NONE;
    std::string text, attribute;
};

// Parses document whole (chunk 0) or in pieces of chunk bytes, so that two-byte
// characters also arrive split across calls.
ParseResult parse(const std::string& document, size_t chunk, bool withHandler = true) {
    ParseResult result;
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) return result;
    if (withHandler) initExpatUnknownEncodingHandler_7_4_0(&parser);
    XML_SetUserData(parser, &result);
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
        static_cast<ParseResult*>(data)->text.append(s, size_t(length));
    });
    XML_SetStartElementHandler(parser, [](void* data, const XML_Char*, const XML_Char** atts) {
        if (atts[0] && atts[1]) static_cast<ParseResult*>(data)->attribute = atts[1];
    });
    result.status = XML_STATUS_OK;
    if (chunk == 0) chunk = document.size();
    for (size_t at = 0; at < document.size() && result.status == XML_STATUS_OK; at += chunk) {
        size_t n = std::min(chunk, document.size() - at);
        result.status = XML_Parse(parser, document.data() + at, int(n), XML_FALSE);
    }
    if (result.status == XML_STATUS_OK) result.status = XML_Parse(parser, "", 0, XML_TRUE);
    result.error = XML_GetErrorCode(parser);
    XML_ParserFree(parser);
    return result;
}

std::string declared(const char* encoding, const std::string& body) {
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<doc a=\"" + body +
           "\">" + body + "</doc>";
}

class RegistryTables : public testing::TestWithParam<int> {};

// Every byte, and for the multi-byte encodings every third two-byte code, converts to the
// scalar iconv gives (ASCII is always itself: Expat requires it) and encodes back to bytes
// that read as that scalar, iconv's own bytes whenever those read back unchanged. Expat then
// accepts the table, and every assigned character reaches its handlers, in text and in an
// attribute, as iconv's UTF-8, also in pieces that split two-byte characters. Characters go
// to iconv one at a time: its windows-1258 converter composes a letter with the combining
// mark after it, which the table (and Expat) never do. Expat decodes ISO-8859-1 itself, so
// that row is reached through an alias.
TEST_P(RegistryTables, MatchIconvAndDecodeThroughExpat) {
    const int row = GetParam();
    Iconv decoder("UTF-32BE", kIconvNames[row]), encoder(kIconvNames[row], "UTF-32BE"),
        toUtf8("UTF-8", kIconvNames[row]);
    ASSERT_TRUE(decoder.ok() && encoder.ok() && toUtf8.ok());
    ExternalEncoding* encoding = EncodingInfo::getExternalEncoding(row);
    ASSERT_NE(encoding, nullptr);
    const bool multiByte = encoding->singleByte == 0;
    EXPECT_EQ(multiByte, encoding->decode && encoding->encode);
    std::string body, expected;
    int assigned = 0;
    auto check = [&](const std::string& bytes, int scalar) {
        SCOPED_TRACE(testing::Message() << "first byte " << int(uint8_t(bytes[0])) << " of "
                                        << bytes.size() << ", scalar " << scalar);
        if (!multiByte || bytes.size() == 2) {
            EXPECT_EQ(convertSequence(encoding, bytes.data()), scalar);
        }
        if (scalar < 0) return;
        char out[4] = {};
        const int count = encodeScalar(encoding, scalar, out, sizeof out);
        ASSERT_TRUE(count == 1 || (multiByte && count == 2)) << count;
        EXPECT_EQ(count == 1 ? encoding->map[uint8_t(out[0])] : convertSequence(encoding, out),
                  scalar);
        std::string iconvBytes, utf8;
        if (encoder.convert(bytesOf({0, scalar >> 16, scalar >> 8, scalar}), iconvBytes) &&
            decoder.scalar(iconvBytes) == scalar) {
            EXPECT_EQ(std::string(out, size_t(count)), iconvBytes);
        }
        if (scalar < 0x80) return;
        ++assigned;
        ASSERT_TRUE(toUtf8.convert(bytes, utf8));
        body += bytes;
        expected += utf8;
    };
    for (int byte = 0; byte < 256; ++byte) {
        if (encoding->map[byte] == -2) { // a lead byte
            EXPECT_TRUE(multiByte) << byte;
            continue;
        }
        const std::string bytes(1, char(byte));
        const int scalar = multiByte && byte < 0x80 ? byte : decoder.scalar(bytes);
        EXPECT_EQ(encoding->map[byte], scalar) << "byte " << byte;
        check(bytes, scalar);
    }
    for (int code = 0x8000; multiByte && code <= 0xFFFF; code += 3)
        if (encoding->map[code >> 8] == -2) {
            const std::string bytes = bytesOf({code >> 8, code & 0xFF});
            check(bytes, decoder.scalar(bytes));
        }
    EXPECT_GT(assigned, multiByte ? 2000 : 0);
    const char* name = row == 0 ? "latin1" : EncodingInfo::externalEncodingNameArray[row][1];
    for (size_t chunk : {size_t(0), size_t(3)}) {
        ParseResult result = parse(declared(name, body), chunk);
        ASSERT_EQ(result.status, XML_STATUS_OK) << XML_ErrorString(result.error);
        EXPECT_EQ(result.text, expected) << "chunk " << chunk;
        EXPECT_EQ(result.attribute, expected) << "chunk " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(Registry, RegistryTables, testing::Range(0, kEncodingRows), rowName);

TEST(ExpatUnknownEncoding, FailuresCarryTheParserError) {
    struct {
        const char* label;
        std::string document;
        bool withHandler;
        XML_Error error;
    } cases[] = {
        {"name not in the registry", declared("x-no-such-encoding", "a"), true,
         XML_ERROR_UNKNOWN_ENCODING},
        {"handler not installed", declared("windows-1252", "a"), false, XML_ERROR_UNKNOWN_ENCODING},
        {"byte that never occurs", declared("windows-1252", "\x81"), true, XML_ERROR_INVALID_TOKEN},
        {"unassigned two-byte code", declared("Shift_JIS", "\x85\x40"), true,
         XML_ERROR_INVALID_TOKEN},
        {"lead byte before space", declared("Shift_JIS", "\x88 x"), true, XML_ERROR_INVALID_TOKEN}};
    for (auto& c : cases)
        for (size_t chunk : {size_t(0), size_t(1)}) {
            SCOPED_TRACE(testing::Message() << c.label << ", chunk " << chunk);
            ParseResult result = parse(c.document, chunk, c.withHandler);
            EXPECT_EQ(result.status, XML_STATUS_ERROR);
            EXPECT_EQ(result.error, c.error) << XML_ErrorString(result.error);
        }
    EXPECT_EQ(initExpatUnknownEncodingHandler_7_4_0(nullptr), 0);
    XML_Parser none = nullptr;
    EXPECT_EQ(initExpatUnknownEncodingHandler_7_4_0(&none), 0);
}

// Conversions stop at what the locale cannot convert and always leave a terminated result.
TEST(ConversionHelpers, StopTerminated) {
    std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    char narrow[8];
    std::memset(narrow, 'x', sizeof narrow);
    EXPECT_STREQ(toveldomW2MBHelper_7_4_0(narrow, L"ab\u4E00cd", sizeof narrow), "ab");
    wchar_t wide[8];
    std::wmemset(wide, L'x', 8);
    EXPECT_EQ(std::wcscmp(toveldomMB2WHelper_7_4_0(wide, "ab\xFF", 8), L"ab"), 0);
    std::memset(narrow, 'x', sizeof narrow);
    EXPECT_STREQ(toveldomW2MBHelper_7_4_0(narrow, L"abcdefghij", 4), "abc");
    std::wmemset(wide, L'x', 8);
    EXPECT_EQ(std::wcscmp(toveldomMB2WHelper_7_4_0(wide, "abcdefghij", 4), L"abc"), 0);
    std::setlocale(LC_CTYPE, previous.c_str());
}

} // namespace

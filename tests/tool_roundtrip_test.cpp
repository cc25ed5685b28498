// A document in any of the registry's encodings, written again by the tool without --encoding,
// comes out byte for byte as it went in: in the encoding it declares, every character kept.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <iconv.h>
#include <unistd.h>

namespace {

// The registry's name (as the document declares it) and the system converter's.
struct Encoding {
    const char* declared;
    const char* iconvName;
};

const Encoding kEncodings[] = {
    {"ISO-8859-1", "ISO-8859-1"},
    {"ISO-8859-2", "ISO-8859-2"},
    {"ISO-8859-3", "ISO-8859-3"},
    {"ISO-8859-4", "ISO-8859-4"},
    {"ISO-8859-5", "ISO-8859-5"},
    {"ISO-8859-6", "ISO-8859-6"},
    {"ISO-8859-7", "ISO-8859-7"},
    {"ISO-8859-8", "ISO-8859-8"},
    {"ISO-8859-9", "ISO-8859-9"},
    {"ISO-8859-10", "ISO-8859-10"},
    {"ISO-8859-11", "ISO-8859-11"},
    {"ISO-8859-13", "ISO-8859-13"},
    {"ISO-8859-14", "ISO-8859-14"},
    {"ISO-8859-15", "ISO-8859-15"},
    {"Shift_JIS", "SHIFT_JIS"},
    {"GB2312", "EUC-CN"},
    {"GBK", "GBK"},
    {"euc-KR", "EUC-KR"},
    {"UHC", "CP949"},
    {"Big5", "BIG5"},
    {"KOI8-R", "KOI8-R"},
    {"windows-874", "CP874"},
    {"windows-1250", "CP1250"},
    {"windows-1251", "CP1251"},
    {"windows-1252", "CP1252"},
    {"windows-1253", "CP1253"},
    {"windows-1254", "CP1254"},
    {"windows-1255", "CP1255"},
    {"windows-1256", "CP1256"},
    {"windows-1257", "CP1257"},
    {"windows-1258", "CP1258"},
};

bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) return false;
    out.assign(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    char* dst = out.data();
    size_t left = in.size(), room = out.size();
    bool ok = iconv(cd, &src, &left, &dst, &room) != size_t(-1) && left == 0;
    iconv_close(cd);
    out.resize(out.size() - room);
    return ok;
}

// Every byte above 0x9F, and for the double-byte encodings a spread of pairs, that the
// converter reads as one character and writes back the same.
std::string repertoire(const char* name) {
    std::string text, utf8, back;
    auto keep = [&](const std::string& bytes) {
        if (convert("UTF-8", name, bytes, utf8) && convert(name, "UTF-8", utf8, back) &&
            back == bytes && (utf8.size() > 1 || utf8 == bytes))
            text += bytes;
    };
    for (int b = 0xA0; b <= 0xFF; ++b) keep(std::string(1, char(b)));
    for (int lead = 0x81; lead <= 0xFE; lead += 7)
        for (int trail : {0x41, 0x61, 0x81, 0xA1, 0xB0, 0xE5, 0xFE})
            keep(std::string{char(lead), char(trail)});
    return text;
}

class Roundtrip : public ::testing::TestWithParam<Encoding> {};

TEST_P(Roundtrip, BytesComeBackUnchanged) {
    const Encoding& e = GetParam();
    const std::string text = repertoire(e.iconvName);
    ASSERT_GT(text.size(), 20u) << "the system converter does not know " << e.iconvName;
    const std::string input = std::string("<?xml version=\"1.0\" encoding=\"") + e.declared +
                              "\" standalone=\"no\"?>\n<r a=\"" + text + "\">" + text + "</r>\n";
    char path[] = "/tmp/toveldom-roundtrip-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, input.data(), input.size()), ssize_t(input.size()));
    close(fd);
    std::string command = TOVELDOM_BINARY_DIR "/bin/toveldom format " + std::string(path);
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0);
    }
    unlink(path);
    EXPECT_EQ(output, input);
}

INSTANTIATE_TEST_SUITE_P(Registry, Roundtrip, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) {
                             std::string name = info.param.declared;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

} // namespace

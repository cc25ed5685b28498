// Without --encoding, format writes a document back in the registry encoding it declares: the
// bytes come back unchanged, for every character the encoding has.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <iconv.h>
#include <unistd.h>

namespace {

// The name the document declares, then the system converter's name when it differs.
const std::pair<const char*, const char*> kEncodings[] = {
    {"ISO-8859-1", ""},   {"ISO-8859-2", ""},   {"ISO-8859-3", ""},   {"ISO-8859-4", ""},
    {"ISO-8859-5", ""},   {"ISO-8859-6", ""},   {"ISO-8859-7", ""},   {"ISO-8859-8", ""},
    {"ISO-8859-9", ""},   {"ISO-8859-10", ""},  {"ISO-8859-11", ""},  {"ISO-8859-13", ""},
    {"ISO-8859-14", ""},  {"ISO-8859-15", ""},  {"Shift_JIS", ""},    {"GB2312", "EUC-CN"},
    {"GBK", ""},          {"euc-KR", ""},       {"UHC", "CP949"},     {"Big5", ""},
    {"KOI8-R", ""},       {"windows-874", ""},  {"windows-1250", ""}, {"windows-1251", ""},
    {"windows-1252", ""}, {"windows-1253", ""}, {"windows-1254", ""}, {"windows-1255", ""},
    {"windows-1256", ""}, {"windows-1257", ""}, {"windows-1258", ""}};

std::string convert(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 16, '\0');
    char *src = const_cast<char*>(in.data()), *dst = out.data();
    size_t left = in.size(), room = out.size();
    bool ok = cd != iconv_t(-1) && iconv(cd, &src, &left, &dst, &room) != size_t(-1) && !left;
    if (cd != iconv_t(-1)) iconv_close(cd);
    return ok ? out.substr(0, out.size() - room) : std::string();
}

class Roundtrip : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(Roundtrip, BytesComeBackUnchanged) {
    const char* name = *GetParam().second ? GetParam().second : GetParam().first;
    // Every byte above 0x9F, and a spread of byte pairs, that the converter reads as
    // non-ASCII characters and writes back the same.
    std::string text;
    auto keep = [&](const std::string& bytes) {
        std::string utf8 = convert("UTF-8", name, bytes);
        if (!utf8.empty() && utf8[0] & 0x80 && convert(name, "UTF-8", utf8) == bytes) text += bytes;
    };
    for (int b = 0xA0; b <= 0xFF; ++b) keep(std::string(1, char(b)));
    for (int lead = 0x81; lead <= 0xFE; lead += 7)
        for (int trail : {0x41, 0x61, 0x81, 0xA1, 0xB0, 0xE5, 0xFE})
            keep({char(lead), char(trail)});
    ASSERT_GT(text.size(), 20u) << "the system converter does not know " << name;
    const std::string input = std::string("<?xml version=\"1.0\" encoding=\"") + GetParam().first +
                              "\" standalone=\"no\"?>\n<r a=\"" + text + "\">" + text + "</r>\n";
    char path[] = "/tmp/toveldom-roundtrip-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_EQ(write(fd, input.data(), input.size()), ssize_t(input.size()));
    close(fd);
    std::string output, command = TOVELDOM_BINARY_DIR "/bin/toveldom format " + std::string(path);
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    unlink(path);
    EXPECT_EQ(output, input);
}

INSTANTIATE_TEST_SUITE_P(Registry, Roundtrip, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) {
                             std::string name = info.param.first;
                             for (char& c : name)
                                 c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

} // namespace

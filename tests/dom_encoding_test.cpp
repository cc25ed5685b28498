// Output in legacy encodings: every registry encoding written back byte for byte, by the
// layer and by the tool, and what happens to a character an encoding lacks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <toveldom/dom.hpp>
#include <toveldom/encoded.h>
#include <toveldom/encoding.h>
#include <toveldom/exceptions.h>

using namespace toveldom;
using LUMA_7_4_0::EncodingInfo;
using LUMA_7_4_0::ExternalEncoding;

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Test cases run as processes of their own, side by side, and other builds share the
// directory: every file name is this process's.
std::string temp_name(const char* what) {
    return testing::TempDir() + "dom_encoding_" + std::to_string(getpid()) + "_" + what + ".xml";
}

void put_code(std::string& out, int code) {
    if (code > 0xFF) out += char(code >> 8);
    out += char(code & 0xFF);
}

// Every character of the table whose bytes are the ones the table writes for it, as a
// sample of at most about 3000.
std::string characters_of(const ExternalEncoding& e) {
    std::string out;
    for (int byte = 0x80; byte < 0x100; ++byte) {
        int scalar = e.map[byte];
        if (scalar < 0x80) continue;
        // A single-byte table writes a scalar as the first byte that reads as it.
        bool canonical = true;
        for (int b = 0x80; b < byte && e.singleByte; ++b)
            canonical = canonical && e.map[b] != scalar;
        if (!e.singleByte) canonical = e.encode[scalar] == byte;
        if (canonical) put_code(out, byte);
    }
    if (e.singleByte) return out;
    int kept = 0;
    for (int code = 0x100; code < 0x10000; ++code) {
        int scalar = e.decode[code];
        if (scalar < 0x80 || e.map[code >> 8] != -2 || e.encode[scalar] != code) continue;
        if (kept++ % 7 == 0) put_code(out, code);
    }
    return out;
}

class RegistryRoundTrip : public testing::TestWithParam<int> {};

} // namespace

TEST_P(RegistryRoundTrip, LoadedAndSavedComesBackByteForByte) {
    int row = GetParam();
    const char* name = EncodingInfo::externalEncodingNameArray[row][1];
    const ExternalEncoding* table = LUMA_7_4_0::getTOVELExternalEncoding_7_4_0(row);
    ASSERT_NE(table, nullptr) << name;
    std::string chars = characters_of(*table);
    ASSERT_FALSE(chars.empty());
    std::string input = std::string("<?xml version=\"1.0\" encoding=\"") + name +
                        "\" standalone=\"yes\"?>\n<r a=\"" + chars + "\">" + chars + "<![CDATA[" +
                        chars + "]]></r>\n";
    std::string in = temp_name("in"), out = temp_name("out");
    std::ofstream(in, std::ios::binary) << input;
    document doc = document::load_file(in);
    doc.save(out);
    EXPECT_TRUE(read_file(out) == input) << name;
    // The tool writes a document back in the encoding it declared, too.
    std::string command = TOVELDOM_BINARY_DIR "/bin/toveldom format -o " + out + " " + in;
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(read_file(out) == input) << name << ", by the tool";
    std::remove(in.c_str());
    std::remove(out.c_str());
}

INSTANTIATE_TEST_SUITE_P(EveryEncoding, RegistryRoundTrip,
                         testing::Range(0, EncodingInfo::kRows - 1),
                         [](const testing::TestParamInfo<int>& info) {
                             std::string name =
                                 EncodingInfo::externalEncodingNameArray[info.param][1];
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(DomEncoding, MissingCharactersBecomeReferencesWhereXmlAllowsThem) {
    document doc =
        document::parse("<r a='\xE2\x82\xAC'>\xE2\x82\xAC \xC3\xA9<![CDATA[x\xE2\x82\xACy]]></r>");
    output_options latin1;
    latin1.encoding = "ISO-8859-1";
    EXPECT_EQ(doc.root().xml(latin1),
              "<r a=\"&#8364;\">&#8364; \xE9<![CDATA[x]]>&#8364;<![CDATA[y]]></r>");
    // The declaration names the encoding, and reading the output back gives the same text.
    element again = document::parse(doc.xml(latin1)).root();
    EXPECT_EQ(again.text(), doc.root().text());
    EXPECT_EQ(again.attribute("a"), doc.root().attribute("a"));

    // Not in names, comments or instructions.
    for (const char* text : {"<\xC5\x82/>", "<r \xC5\x82='1'/>", "<r><!--\xE2\x82\xAC--></r>",
                             "<r><?p \xE2\x82\xAC?></r>"}) {
        try {
            document::parse(text).xml(latin1);
            ADD_FAILURE() << text;
        } catch (const error& e) {
            EXPECT_EQ(e.code(), errc::not_supported) << text;
        }
    }
}

TEST(DomEncoding, Utf16AndNames) {
    document doc = document::parse("<r>\xF0\x9F\x98\x80\xC3\xA9</r>");
    output_options utf16;
    utf16.encoding = "UTF-16";
    std::string bytes = doc.xml(utf16);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
    EXPECT_EQ(document::parse(bytes).root().text(), "\xF0\x9F\x98\x80\xC3\xA9");
    EXPECT_EQ(document::parse(bytes).encoding(), "UTF-16");
    // A file read with a byte order mark, or as big-endian UTF-16, is saved that way.
    std::string big = bytes + std::string("\n\0", 2);
    for (size_t i = 0; i + 1 < big.size(); i += 2) std::swap(big[i], big[i + 1]);
    const std::string files[] = {bytes + std::string("\n\0", 2), big, big.substr(2),
                                 "\xEF\xBB\xBF" + doc.xml() + "\n"};
    for (const std::string& file : files) {
        const std::string path = temp_name("mark");
        write_file(path, file);
        document::load_file(path).save(path);
        EXPECT_EQ(read_file(path), file);
        std::remove(path.c_str());
    }

    EXPECT_TRUE(is_output_encoding("latin2"));
    EXPECT_TRUE(is_output_encoding("utf-16be"));
    EXPECT_FALSE(is_output_encoding("EBCDIC-X"));
    EXPECT_EQ(output_encodings().size(), 36u);
    for (const std::string& name : output_encodings())
        EXPECT_TRUE(is_output_encoding(name)) << name;
}

TEST(DomEncoding, SaveEncodedForHostsOfTheInterfaces) {
    using namespace LUMA_7_4_0;
    document doc = document::parse("<?xml version='1.0' encoding='windows-1252'?><r>\xE9</r>");
    std::string path = temp_name("saved");
    EXPECT_TRUE(TOVELDOMSaveEncoded_7_4_0(doc.get(), path.c_str(), nullptr));
    EXPECT_EQ(read_file(path).substr(62), "<r>\xE9</r>\n");
    EXPECT_TRUE(TOVELDOMSaveEncoded_7_4_0(doc.get(), path.c_str(), "US-ASCII"));
    EXPECT_EQ(read_file(path).substr(58), "<r>&#233;</r>\n");
    std::remove(path.c_str());
    auto code = [](ITOVELDOMDocument* d, const char* p, const char* e) {
        try {
            TOVELDOMSaveEncoded_7_4_0(d, p, e);
        } catch (const ITOVELDOMException& x) {
            return int(x.get_code());
        }
        return 0;
    };
    EXPECT_EQ(code(nullptr, "x", nullptr), NULL_POINTER_ERR);
    EXPECT_EQ(code(doc.get(), nullptr, nullptr), NULL_STRING_ERR);
    EXPECT_EQ(code(doc.get(), path.c_str(), "EBCDIC-X"), NOT_SUPPORTED_ERR); // unknown
    EXPECT_EQ(code(doc.get(), "/nonexistent/dir/x.xml", nullptr), FILE_IO_ERR);
}

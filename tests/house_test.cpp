// Rules that each live in one place and faults the other tests did not catch: white space
// bytes, the order of a loaded element's attributes, conversion results, the indentation
// level after a failure.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <string>

#include <toveldom/toveldom.h>

#include "test_support.h"

using namespace LUMA_7_4_0;
using namespace tovel_test;

namespace {

CNodePtr<ITOVELDOMDocument> load(const char* xml) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    doc->loadXML(xml, long(std::strlen(xml)));
    return doc;
}

std::string rootXml(ITOVELDOMDocument* doc) { return own(doc->get_documentElement())->get_xml(); }

// Each control byte of white space counts, also when it came from a character reference.
TEST(WhiteSpace, EveryControlByteIsSpace) {
    const struct {
        const char* in;
        const char* text;
    } cases[] = {{"<r>a&#13;&#13;b&#13;</r>", "a b"},
                 {"<r>&#9;a&#10;&#9;b&#13;</r>", "a b"},
                 {"<r> a \t\n b </r>", "a b"}};
    for (const auto& c : cases) EXPECT_STREQ(load(c.in)->get_text(), c.text) << c.in;
}

// A loaded element prints its attributes in the map's order without making nodes: by
// bucket, newest first within one ("a" and "r" share a bucket), exactly as the map walks
// them once they are nodes.
TEST(LoadedAttributes, PrintInTheMapsOrder) {
    const char* xml = "<e a=\"1\" b=\"2\" r=\"3\" z=\"4\" zz=\"5\" id=\"6\" C=\"7\"/>";
    auto compact = load(xml);
    const std::string printed = rootXml(compact);
    EXPECT_EQ(printed, "<e zz=\"5\" z=\"4\" id=\"6\" r=\"3\" a=\"1\" b=\"2\" C=\"7\"/>");
    auto nodes = load(xml);
    auto root = own(nodes->get_documentElement());
    drop(root->get_attributes()); // the nodes now exist
    EXPECT_EQ(std::string(root->get_xml()), printed);
    // C sits in the last bucket, so a bucket off by one wraps it to the front.
    // A copy stores them in that order: within a bucket they come out reversed.
    const char* copied = "<e zz=\"5\" z=\"4\" a=\"1\" r=\"3\" id=\"6\" b=\"2\" C=\"7\"/>";
    EXPECT_STREQ(own(root->cloneNode(false))->get_xml(), copied);
    EXPECT_STREQ(own(own(compact->get_documentElement())->cloneNode(false))->get_xml(), copied);
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

// A host's element whose printing fails.
class FailingElement : public CTOVELDOMElement {
public:
    FailingElement(ITOVELDOMDocument* doc) : CTOVELDOMElement(doc, nullptr, "f", nullptr) {}
    void getXML(std::string&) override { throw TOVELDOMException(OUT_OF_MEMORY_ERR); }
};

// The level a failed print leaves shows in the next print of the same tree.
TEST(Indentation, RestoredWhenPrintingFails) {
    auto doc = load("<a><b><c/></b></a>");
    auto c = own(own(doc->getElementsByTagName("c"))->get_item(0));
    for (int level : {0, 1, 3}) {
        doc->setIndentLevel(level);
        const std::string expected = doc->get_xml();
        CNodePtr<ITOVELDOMNode> failing(new FailingElement(doc));
        drop(c->appendChild(failing));
        EXPECT_CODE(OUT_OF_MEMORY_ERR, doc->get_xml());
        EXPECT_CODE(OUT_OF_MEMORY_ERR, own(doc->get_documentElement())->get_xml());
        drop(c->removeChild(failing));
        EXPECT_EQ(doc->get_xml(), expected) << level;
    }
}

} // namespace

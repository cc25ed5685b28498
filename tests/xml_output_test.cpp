// The exact bytes of get_xml for every kind, escaping, the declaration, the document type
// text, the deferred document element, indentation, and save().
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "test_support.h"

namespace tovel_test {
namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

using XmlOutput = DocTest;

TEST_F(XmlOutput, NewDocumentWithOneEmptyElement) {
    addElem(doc_, "r");
    EXPECT_XML(doc_, kDecl + "<r/>");
}

TEST_F(XmlOutput, LeafKinds) {
    EXPECT_XML(text("a<b & c>d 'q' \"dq\""), "a&lt;b &amp; c&gt;d 'q' \"dq\"");
    EXPECT_XML(cdata("x < ]]> & y"), "<![CDATA[x < ]]> & y]]>");
    EXPECT_XML(comment(" a < b "), "<!-- a < b -->");
    EXPECT_XML(pi("pi", ""), "<?pi?>");
    EXPECT_XML(pi("pi", nullptr), "<?pi?>");
    EXPECT_XML(pi("pi", "a <b>"), "<?pi a <b>?>");
    EXPECT_XML(frag(), "");
}

struct EscapeCase {
    const char* value;
    const char* written;
};
class AttributeEscaping : public DocTest, public ::testing::WithParamInterface<EscapeCase> {};
TEST_P(AttributeEscaping, Value) {
    auto e = elem("e");
    e->setAttribute("a", GetParam().value);
    EXPECT_XML(e, std::string("<e a=\"") + GetParam().written + "\"/>");
    auto a = own(e->getAttributeNode("a"));
    EXPECT_XML(a, std::string("a=\"") + GetParam().written + "\"");
}
INSTANTIATE_TEST_SUITE_P(
    Bytes, AttributeEscaping,
    ::testing::Values(EscapeCase{"a<b & c>d", "a&lt;b &amp; c&gt;d"},
                      EscapeCase{"\t\n\"", "&#9;&#10;&quot;"}, EscapeCase{"it's", "it&apos;s"},
                      EscapeCase{"\r", "&#13;"}, EscapeCase{"\x01\x0b\x1f", "\x01\x0b\x1f"},
                      EscapeCase{"\xC3\xA9\xFF", "\xC3\xA9\xFF"}, EscapeCase{"", ""}));

TEST_F(XmlOutput, TextKeepsControlAndHighBytes) {
    EXPECT_XML(text("\t\n\r\x01\xC3\xA9"), "\t\n\r\x01\xC3\xA9");
    auto big = std::string(3000, '&');
    std::string escaped;
    for (int i = 0; i < 3000; ++i) escaped += "&amp;";
    EXPECT_XML(text(big.c_str()), escaped);
}

TEST_F(XmlOutput, ElementWithChildrenOfEveryKind) {
    auto e = elem("e");
    e->setAttribute("id", "1");
    add(e, text("t&"));
    add(e, cdata("c"));
    add(e, comment("m"));
    add(e, pi("p", "d"));
    auto inner = addElem(e, "i");
    add(inner, text(""));
    EXPECT_XML(e, "<e id=\"1\">t&amp;<![CDATA[c]]><!--m--><?p d?><i></i></e>");
}

struct DoctypeCase {
    const char* publicId;
    const char* systemId;
    const char* subset;
    const char* written;
};
class DoctypeText : public DocTest, public ::testing::WithParamInterface<DoctypeCase> {};
TEST_P(DoctypeText, Declaration) {
    const DoctypeCase& c = GetParam();
    CNodePtr<ITOVELDOMDocumentType> dt(
        new CTOVELDOMDocumentType(doc_, nullptr, "d", c.systemId, c.publicId, c.subset));
    EXPECT_XML(dt, c.written);
    EXPECT_STREQ(dt->get_text(), "");
}
INSTANTIATE_TEST_SUITE_P(
    Identifiers, DoctypeText,
    ::testing::Values(
        DoctypeCase{"", "s.dtd", "", "<!DOCTYPE d SYSTEM \"s.dtd\">\n"},
        DoctypeCase{"-//P//EN", "s.dtd", "", "<!DOCTYPE d PUBLIC \"-//P//EN\" \"s.dtd\">\n"},
        DoctypeCase{"-//P//EN", "", "", "<!DOCTYPE d PUBLIC \"-//P//EN\">\n"},
        DoctypeCase{"", "", "", "<!DOCTYPE d>\n"},
        DoctypeCase{nullptr, nullptr, "[<!ELEMENT d ANY>]", "<!DOCTYPE d [<!ELEMENT d ANY>]>\n"}));

TEST_F(XmlOutput, DeclarationPiecesAlwaysWritten) {
    auto* d = dynamic_cast<CTOVELDOMDocument*>(doc_.get());
    d->setVersion("");
    d->setStandalone(false);
    doc_->put_encoding("");
    EXPECT_XML(doc_, "<?xml version=\"\" encoding=\"\" standalone=\"no\"?>\n");
}

TEST_F(XmlOutput, DocumentElementComesLastWithoutADocumentType) {
    add(doc_, comment("1"));
    addElem(doc_, "root");
    add(doc_, comment("2"));
    add(doc_, pi("p", ""));
    EXPECT_XML(doc_, kDecl + "<!--1--><!--2--><?p?><root/>");
}

TEST_F(XmlOutput, DocumentTypeBeforeTheElementKeepsOrder) {
    auto dt = own(CTOVELDOMImplementation::getInstance()->createDocumentType("root", "", "r.dtd"));
    add(doc_, comment("1"));
    add(doc_, dt);
    addElem(doc_, "root");
    add(doc_, comment("2"));
    EXPECT_XML(doc_, kDecl + "<!--1--><!DOCTYPE root SYSTEM \"r.dtd\">\n<root/><!--2-->");
}

TEST_F(XmlOutput, ElementBeforeTheDocumentTypeIsStillDeferred) {
    addElem(doc_, "root");
    auto dt = own(CTOVELDOMImplementation::getInstance()->createDocumentType("root", "", ""));
    add(doc_, dt);
    add(doc_, comment("c"));
    EXPECT_XML(doc_, kDecl + "<!DOCTYPE root>\n<!--c--><root/>");
}

class Indentation : public DocTest {
protected:
    // a( b("t"), c ) as the document element.
    void SetUp() override {
        auto a = addElem(doc_, "a");
        auto b = addElem(a, "b");
        add(b, text("t"));
        addElem(a, "c");
    }
};

TEST_F(Indentation, LevelZeroIsCompact) { EXPECT_XML(doc_, kDecl + "<a><b>t</b><c/></a>"); }

TEST_F(Indentation, LevelOneGivesFiveLines) {
    doc_->setIndentLevel(1);
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t</b>\n  <c/>\n</a>");
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t</b>\n  <c/>\n</a>"); // the level is restored
}

TEST_F(Indentation, LevelTwoWithATab) {
    doc_->setIndentation("\t");
    doc_->setIndentLevel(2);
    EXPECT_XML(doc_, "\t" + kDecl + "\t\t<a>\n\t\t\t<b>t</b>\n\t\t\t<c/>\n\t\t</a>");
}

TEST_F(Indentation, LevelThreeWithACustomUnit) {
    doc_->setIndentation("--");
    doc_->setIndentLevel(3);
    EXPECT_XML(doc_, "----" + kDecl + "------<a>\n--------<b>t</b>\n--------<c/>\n------</a>");
}

TEST_F(Indentation, ElementByItselfLeavesTheLevelOneHigher) {
    doc_->setIndentLevel(1);
    auto a = own(doc_->get_documentElement());
    EXPECT_XML(a, "<a>\n  <b>t</b>\n  <c/>\n</a>");
    EXPECT_XML(a, "  <a>\n    <b>t</b>\n    <c/>\n  </a>");
}

TEST_F(Indentation, InlineChildrenKeepTheClosingTagOnTheLine) {
    doc_->setIndentLevel(1);
    auto a = own(doc_->get_documentElement());
    auto b = childAt(a, 0);
    add(b, comment("m"));
    add(b, pi("p", ""));
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t<!--m--><?p?></b>\n  <c/>\n</a>");
}

TEST_F(Indentation, FragmentRaisesTheLevelPerChild) {
    auto f = frag();
    addElem(f, "x");
    add(f, text("t"));
    addElem(f, "y");
    EXPECT_XML(f, "<x/>t<y/>");
    doc_->setIndentLevel(1);
    EXPECT_XML(f, "  <x/>t\n  <y/>");
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t</b>\n  <c/>\n</a>"); // level back at 1
}

TEST_F(XmlOutput, TextAndXmlCaches) {
    auto e = elem("e");
    add(e, text("v"));
    EXPECT_STREQ(e->get_text(), "v");
    EXPECT_STREQ(e->get_xml(), "<e>v</e>");
    EXPECT_STREQ(e->get_text(), "v");
    auto t = text("d");
    const char* data = t->get_text();
    EXPECT_STREQ(t->get_xml(), "d");
    EXPECT_EQ(t->get_text(), data); // the data itself, not the cache
    auto p = pi("target", "data");
    EXPECT_STREQ(p->get_text(), "data");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(XmlOutput, SaveWritesTheSameBytes) {
    auto a = addElem(doc_, "a");
    a->setAttribute("q", "\"&'");
    add(a, text("line\nnext"));
    doc_->setIndentLevel(1);
    char path[] = "/tmp/toveldom-save-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(doc_->save(path));
    std::string expected = doc_->get_xml();
    EXPECT_EQ(readFile(path), expected);
    addElem(a, "shorter"); // saving again truncates and rewrites
    a->put_text(nullptr);
    ASSERT_TRUE(doc_->save(path));
    EXPECT_EQ(readFile(path), std::string(doc_->get_xml()));
    std::remove(path);
}

TEST_F(XmlOutput, SaveFailuresThrowFileError) {
    addElem(doc_, "a");
    char missing[] = "/nonexistent-toveldom-dir/out.xml";
    EXPECT_CODE(30004, doc_->save(missing));
    if (access("/dev/full", W_OK) == 0) {
        char full[] = "/dev/full";
        EXPECT_CODE(30004, doc_->save(full));
    }
}

} // namespace
} // namespace tovel_test

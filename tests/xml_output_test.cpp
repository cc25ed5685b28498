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

TEST_F(XmlOutput, LeafKinds) {
    EXPECT_XML(text("a<b & c>d 'q' \"dq\""), "a&lt;b &amp; c&gt;d 'q' \"dq\"");
    EXPECT_XML(text("\t\n\r\x01\xC3\xA9"), "\t\n\r\x01\xC3\xA9");
    EXPECT_XML(cdata("x < ]]> & y"), "<![CDATA[x < ]]> & y]]>");
    EXPECT_XML(comment(" a < b "), "<!-- a < b -->");
    EXPECT_XML(pi("pi", ""), "<?pi?>");
    EXPECT_XML(pi("pi", nullptr), "<?pi?>");
    EXPECT_XML(pi("pi", "a <b>"), "<?pi a <b>?>");
    EXPECT_XML(frag(), "");
    auto e = elem("e");
    e->setAttribute("id", "1");
    add(e, text("t&"));
    add(e, cdata("c"));
    add(e, comment("m"));
    add(e, pi("p", "d"));
    add(addElem(e, "i"), text(""));
    EXPECT_XML(e, "<e id=\"1\">t&amp;<![CDATA[c]]><!--m--><?p d?><i></i></e>");
}

TEST_F(XmlOutput, AttributeEscaping) {
    struct {
        const char *value, *written;
    } cases[] = {{"a<b & c>d", "a&lt;b &amp; c&gt;d"},
                 {"\t\n\"", "&#9;&#10;&quot;"},
                 {"it's", "it&apos;s"},
                 {"\r", "&#13;"},
                 {"\x01\x0b\x1f", "\x01\x0b\x1f"},
                 {"\xC3\xA9\xFF", "\xC3\xA9\xFF"},
                 {"", ""}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto e = elem("e");
        e->setAttribute("a", c.value);
        EXPECT_XML(e, std::string("<e a=\"") + c.written + "\"/>");
        EXPECT_XML(own(e->getAttributeNode("a")), std::string("a=\"") + c.written + "\"");
    }
}

TEST_F(XmlOutput, DocumentTypeDeclaration) {
    struct {
        const char *publicId, *systemId, *subset, *written;
    } cases[] = {{"", "s.dtd", "", "<!DOCTYPE d SYSTEM \"s.dtd\">\n"},
                 {"-//P//EN", "s.dtd", "", "<!DOCTYPE d PUBLIC \"-//P//EN\" \"s.dtd\">\n"},
                 {"-//P//EN", "", "", "<!DOCTYPE d PUBLIC \"-//P//EN\">\n"},
                 {"", "", "", "<!DOCTYPE d>\n"},
                 {nullptr, nullptr, "[<!ELEMENT d ANY>]", "<!DOCTYPE d [<!ELEMENT d ANY>]>\n"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.written);
        CNodePtr<ITOVELDOMDocumentType> dt(
            new CTOVELDOMDocumentType(doc_, nullptr, "d", c.systemId, c.publicId, c.subset));
        EXPECT_XML(dt, c.written);
        EXPECT_STREQ(dt->get_text(), "");
    }
}

// The document element is written last among the document's children unless a document
// type stands before it, wherever it was added.
TEST_F(XmlOutput, DocumentElementIsDeferredUntilTheDocumentType) {
    add(doc_, comment("1"));
    addElem(doc_, "root");
    add(doc_, comment("2"));
    add(doc_, pi("p", ""));
    EXPECT_XML(doc_, kDecl + "<!--1--><!--2--><?p?><root/>");
    drop(doc_->insertBefore(doctype("root", "", "r.dtd"), own(doc_->get_documentElement())));
    EXPECT_XML(doc_, kDecl + "<!--1--><!DOCTYPE root SYSTEM \"r.dtd\">\n<root/><!--2--><?p?>");
    auto other = own(createTOVELDOMDocument_7_4_0());
    drop(other->appendChild(own(other->createElement("root"))));
    drop(other->appendChild(doctype("root")));
    drop(other->appendChild(own(other->createComment("c"))));
    EXPECT_XML(other, kDecl + "<!DOCTYPE root>\n<!--c--><root/>");
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

TEST_F(Indentation, LevelAndUnit) {
    EXPECT_XML(doc_, kDecl + "<a><b>t</b><c/></a>");
    doc_->setIndentLevel(1);
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t</b>\n  <c/>\n</a>");
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t</b>\n  <c/>\n</a>"); // the level is restored
    doc_->setIndentation("\t");
    doc_->setIndentLevel(2);
    EXPECT_XML(doc_, "\t" + kDecl + "\t\t<a>\n\t\t\t<b>t</b>\n\t\t\t<c/>\n\t\t</a>");
    doc_->setIndentation("--");
    doc_->setIndentLevel(3);
    EXPECT_XML(doc_, "----" + kDecl + "------<a>\n--------<b>t</b>\n--------<c/>\n------</a>");
}

// An element printed by itself leaves the level one higher; inline children keep the closing
// tag on their line; a fragment raises the level per child.
TEST_F(Indentation, ElementsInlineChildrenAndFragments) {
    doc_->setIndentLevel(1);
    auto a = own(doc_->get_documentElement());
    EXPECT_XML(a, "<a>\n  <b>t</b>\n  <c/>\n</a>");
    EXPECT_XML(a, "  <a>\n    <b>t</b>\n    <c/>\n  </a>");
    doc_->setIndentLevel(1);
    auto b = childAt(a, 0);
    add(b, comment("m"));
    add(b, pi("p", ""));
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t<!--m--><?p?></b>\n  <c/>\n</a>");
    auto f = frag();
    addElem(f, "x");
    add(f, text("t"));
    addElem(f, "y");
    EXPECT_XML(f, "  <x/>t\n  <y/>");
    EXPECT_XML(doc_, kDecl + "<a>\n  <b>t<!--m--><?p?></b>\n  <c/>\n</a>"); // back at 1
    doc_->setIndentLevel(0);
    EXPECT_XML(f, "<x/>t<y/>");
}

// A host's element whose printing fails.
class FailingElement : public CTOVELDOMElement {
public:
    FailingElement(ITOVELDOMDocument* doc) : CTOVELDOMElement(doc, nullptr, "f", nullptr) {}
    void getXML(std::string&) override { throw TOVELDOMException(OUT_OF_MEMORY_ERR); }
};

// The level a failed print leaves shows in the next print of the same tree.
TEST_F(Indentation, RestoredWhenPrintingFails) {
    auto c = childAt(own(doc_->get_documentElement()), 1);
    for (int level : {0, 1, 3}) {
        doc_->setIndentLevel(level);
        const std::string expected = doc_->get_xml();
        CNodePtr<ITOVELDOMNode> failing(new FailingElement(doc_));
        drop(c->appendChild(failing));
        EXPECT_CODE(OUT_OF_MEMORY_ERR, doc_->get_xml());
        EXPECT_CODE(OUT_OF_MEMORY_ERR, own(doc_->get_documentElement())->get_xml());
        drop(c->removeChild(failing));
        EXPECT_EQ(doc_->get_xml(), expected) << level;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Saving writes get_xml's bytes, and saving again truncates.
TEST_F(XmlOutput, SaveWritesTheSameBytes) {
    auto a = addElem(doc_, "a");
    a->setAttribute("q", "\"&'");
    add(a, text("line\nnext"));
    doc_->setIndentLevel(1);
    std::string path = ::testing::TempDir() + "/toveldom-save-" + std::to_string(getpid());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(doc_->save(path.data()));
        EXPECT_EQ(readFile(path), std::string(doc_->get_xml()));
        a->put_text(nullptr);
    }
    std::remove(path.c_str());
}

TEST_F(XmlOutput, SaveFailuresThrowFileError) {
    addElem(doc_, "a");
    for (std::string path : {"/nonexistent-toveldom-dir/out.xml", "/dev/full"})
        if (path[1] == 'n' || access(path.c_str(), W_OK) == 0) {
            EXPECT_CODE(30004, doc_->save(path.data()));
        }
}

// A tree built by hand can be far deeper than anything the parser accepts: printing,
// copying, re-owning, normalizing and destroying it must not depend on the call stack.
TEST(DeepTrees, PrintCopyImportAndReleaseWithoutRecursion) {
    const int depth = 200000;
    auto doc = own(createTOVELDOMDocument_7_4_0());
    CNodePtr<ITOVELDOMNode> chain = own<ITOVELDOMNode>(doc->createTextNode("leaf"));
    for (int i = 0; i < depth; ++i) { // bottom-up: each insertion has no ancestors to check
        auto parent = own(doc->createElement("e"));
        drop(parent->appendChild(chain));
        chain = CNodePtr<ITOVELDOMNode>(parent.get());
    }
    drop(doc->appendChild(chain));
    std::string xml = doc->get_xml();
    EXPECT_EQ(xml.size(), std::string(kDecl).size() + depth * 7 + 4);
    EXPECT_NE(xml.find("<e><e>leaf</e></e>"), std::string::npos);
    auto copy = own(doc->cloneNode(true));
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto imported = own(other->importNode(chain, true));
    EXPECT_EQ(peek(imported->get_ownerDocument()), other.get());
    EXPECT_STREQ(imported->get_text(), "leaf");
    EXPECT_EQ(std::string(copy->get_xml()), xml);
    EXPECT_TRUE(static_cast<ITOVELDOMElement*>(chain.get())->normalize());
}

} // namespace
} // namespace tovel_test

// Loading: what the tree builder makes of markup, text and namespaces, the prolog, the
// errors, the limits and the legacy encodings. Every document is loaded both whole
// (loadXML) and from a file, which the loader reads in 8192-byte chunks.
#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "test_support.h"

using namespace tovel_test;

namespace {

// A scratch file named name, removed when the holder goes.
struct TempFile {
    std::string path;
    TempFile(const std::string& name, const std::string& bytes)
        : path(::testing::TempDir() + "/toveldom_parse_" + std::to_string(getpid()) + "_" + name) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~TempFile() { std::remove(path.c_str()); }
};

// Loads text into doc, whole or from a file.
void load(ITOVELDOMDocument* doc, const std::string& text, bool fromFile) {
    if (fromFile)
        doc->load(TempFile("doc.xml", text).path.c_str());
    else
        doc->loadXML(text.data(), int(text.size()));
}

CNodePtr<ITOVELDOMDocument> loadDoc(const std::string& text, bool fromFile = false,
                                    bool preserve = false) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    doc->put_preserveWhiteSpace(preserve);
    load(doc, text, fromFile);
    return doc;
}

// Loads text expecting a parse exception; returns its (code, line). The document must end
// up empty.
std::pair<int, int> parseFailure(const std::string& text, bool fromFile = false) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    try {
        load(doc, text, fromFile);
    } catch (const ITOVELParseException& e) {
        EXPECT_FALSE(doc->hasChildNodes());
        EXPECT_STREQ(doc->get_namespaceURI(), "");
        return {e.getErrorCode(), e.getLinePos()};
    }
    ADD_FAILURE() << "no parse exception";
    return {0, 0};
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string kDeclNo = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";

// --- what the builder makes ------------------------------------------------------------------

struct Case {
    const char* name;
    const char* input;
    bool preserve;
    std::string printed; // the document's get_xml after loading
};

class Builds : public ::testing::TestWithParam<Case> {};

TEST_P(Builds, TheDesignedTree) {
    const Case& c = GetParam();
    for (bool fromFile : {false, true}) {
        auto doc = loadDoc(c.input, fromFile, c.preserve);
        EXPECT_EQ(doc->get_xml(), c.printed) << (fromFile ? "from a file" : "whole");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Markup, Builds,
    ::testing::Values(
        Case{"TextIsTrimmedAndCollapsed", "<a>  x \t\n  y  </a>", false, kDecl + "<a>x y</a>"},
        Case{"WhiteSpaceOnlyTextLeavesNoNode", "<a>\n  <b/>\n</a>", false, kDecl + "<a><b/></a>"},
        Case{"PreservedTextIsKept", "<a>  x   y  </a>", true, kDecl + "<a>  x   y  </a>"},
        Case{"PreservedWhiteSpaceNodes", "<a>\n <b/>\n</a>", true, kDecl + "<a>\n <b/>\n</a>"},
        Case{"XmlSpacePreserveInScope", "<a xml:space=\"preserve\"> <b> </b></a>", false,
             kDecl + "<a xml:space=\"preserve\"> <b> </b></a>"},
        Case{"XmlSpaceDefaultSwitchesBack",
             "<a xml:space=\"preserve\"> <b xml:space=\"default\"> x </b> </a>", false,
             kDecl + "<a xml:space=\"preserve\"> <b xml:space=\"default\">x</b> </a>"},
        Case{"HighBytesAreNotWhiteSpace", "<a>\xC2\xA0x\xC2\xA0</a>", false,
             kDecl + "<a>\xC2\xA0x\xC2\xA0</a>"},
        Case{"EntitiesMergeIntoOneText", "<a>a&amp;b&#65;</a>", false, kDecl + "<a>a&amp;bA</a>"},
        Case{"CdataKeepsItsSpaces", "<a><![CDATA[  ]]></a>", false,
             kDecl + "<a><![CDATA[  ]]></a>"},
        Case{"EmptyCdata", "<a><![CDATA[]]></a>", false, kDecl + "<a><![CDATA[]]></a>"},
        Case{"CommentsAndInstructionsAroundTheElement", "<!--c1--><?p d?><a/><!--c2-->", false,
             kDecl + "<!--c1--><?p d?><!--c2--><a/>"},
        Case{"NothingFromTheInternalSubset",
             "<!DOCTYPE a [<!--in--><?pi in?><!ELEMENT a ANY>]><!--out--><a/>", false,
             kDecl + "<!DOCTYPE a [<!ELEMENT a ANY>]>\n<!--out--><a/>"},
        Case{"OldestBindingOfAUriWins", "<p:a xmlns:p=\"u\" xmlns:q=\"u\"><q:b q:x=\"1\"/></p:a>",
             false, kDecl + "<p:a xmlns:p=\"u\" xmlns:q=\"u\"><p:b p:x=\"1\"/></p:a>"},
        Case{"EachScopeNamesAUriByItsOwnOldestPrefix",
             "<r><a:e xmlns:a=\"u\" a:k=\"1\"/><b:e xmlns:b=\"u\" b:k=\"2\"/>"
             "<e xmlns=\"u\"><c:e xmlns:c=\"u\" c:k=\"3\"/></e><a:e xmlns:a=\"u\"/></r>",
             false,
             kDecl + "<r><a:e xmlns:a=\"u\" a:k=\"1\"/><b:e xmlns:b=\"u\" b:k=\"2\"/>"
                     "<e xmlns=\"u\"><e k=\"3\" xmlns:c=\"u\"/></e><a:e xmlns:a=\"u\"/></r>"},
        Case{"DefaultNamespaceBecomesAnAttribute", "<a xmlns=\"u\"><b/></a>", false,
             kDecl + "<a xmlns=\"u\"><b/></a>"},
        Case{"InternalEntityExpands", "<!DOCTYPE a [<!ENTITY e \"v&#38;#38;w\">]><a>x&e;y</a>",
             false, kDecl + "<!DOCTYPE a [<!ENTITY e \"v&#38;#38;w\">]>\n<a>xv&amp;wy</a>"},
        Case{"DoctypeWithoutExternalSubset", "<!DOCTYPE r><r/>", false,
             kDecl + "<!DOCTYPE r>\n<r/>"},
        Case{"StandaloneYes", "<?xml version=\"1.0\" standalone=\"yes\"?><a/>", false,
             kDecl + "<a/>"},
        Case{"StandaloneNo", "<?xml version=\"1.0\" standalone='no'?><a/>", false,
             kDeclNo + "<a/>"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Loading, ExternalDoctypeIsNotStandaloneUnlessResolved) {
    // A document that depends on an external subset fails unless the host resolves
    // externals; then it loads and is marked not standalone.
    std::string text = "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"missing.dtd\"><r/>";
    EXPECT_EQ(parseFailure(text).first, 22); // not standalone
    auto doc = own(createTOVELDOMDocument_7_4_0());
    doc->put_resolveExternals(true);
    doc->loadXML(text.data(), int(text.size()));
    EXPECT_EQ(std::string(doc->get_xml()), kDeclNo + "<!DOCTYPE r SYSTEM \"missing.dtd\">\n<r/>");
}

TEST(Loading, DefaultedAttributeIsNotSpecified) {
    auto doc = loadDoc("<!DOCTYPE a [<!ATTLIST a d CDATA \"dv\">]><a w=\"1\"/>");
    auto root = own(doc->get_documentElement());
    auto written = own(root->getAttributeNode("w"));
    auto defaulted = own(root->getAttributeNode("d"));
    ASSERT_TRUE(written && defaulted);
    EXPECT_TRUE(written->get_specified());
    EXPECT_FALSE(defaulted->get_specified());
    EXPECT_STREQ(defaulted->get_value(), "dv");
}

TEST(Loading, NamespacesAndDeclarations) {
    auto doc = loadDoc("<a xmlns=\"u\" xmlns:p=\"v\" p:x=\"1\"><p:b/></a>");
    auto root = own(doc->get_documentElement());
    EXPECT_STREQ(root->get_namespaceURI(), "u");
    EXPECT_STREQ(root->getAttribute("xmlns"), "u");
    EXPECT_STREQ(root->getAttributeNS("v", "x"), "1");
    auto list = own(doc->getElementsByTagNameNS("v", "b"));
    EXPECT_EQ(list->get_length(), 1);
    // Attributes sharing a bucket come back reversed from each reload: the third print
    // equals the first.
    std::string first = doc->get_xml();
    std::string second = loadDoc(first)->get_xml();
    EXPECT_EQ(std::string(loadDoc(second)->get_xml()), first);
}

TEST(Loading, XmlDeclarationSetsTheDocument) {
    auto doc = loadDoc("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>");
    EXPECT_STREQ(doc->get_encoding(), "ISO-8859-1");
    auto root = own(doc->get_documentElement());
    EXPECT_STREQ(root->get_text(), "\xC3\xA9");
    EXPECT_EQ(std::string(doc->get_xml()),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"no\"?>\n<a>\xC3\xA9</a>");
    // The declared encoding stays and is forced onto the next load...
    std::string plain = "<a>\xE9</a>";
    doc->loadXML(plain.data(), int(plain.size()));
    root = own(doc->get_documentElement());
    EXPECT_STREQ(root->get_text(), "\xC3\xA9");
    // ...until the host resets it.
    doc->put_encoding("UTF-8");
    std::string utf8 = "<a>\xC3\xA9</a>";
    doc->loadXML(utf8.data(), int(utf8.size()));
    root = own(doc->get_documentElement());
    EXPECT_STREQ(root->get_text(), "\xC3\xA9");
}

TEST(Loading, DoctypeIdentifiersAndSubset) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    doc->put_resolveExternals(true); // the external subset makes it depend on externals
    std::string text = "<!DOCTYPE r PUBLIC \"-//X//Y//EN\" \"r.dtd\" [\n<!ENTITY e \"v\">\n]><r/>";
    doc->loadXML(text.data(), int(text.size()));
    auto doctype = own(doc->get_doctype());
    ASSERT_TRUE(doctype);
    EXPECT_STREQ(doctype->get_name(), "r");
    EXPECT_STREQ(doctype->get_publicID(), "-//X//Y//EN");
    EXPECT_STREQ(doctype->get_systemID(), "r.dtd");
    EXPECT_EQ(std::string(doctype->get_xml()),
              "<!DOCTYPE r PUBLIC \"-//X//Y//EN\" \"r.dtd\" [\n<!ENTITY e \"v\">\n]>\n");
}

// --- failures ----------------------------------------------------------------------------------

TEST(LoadFailures, SyntaxErrorPosition) {
    std::string text = "<a>\n<b>\n<c></b>\n</a>";
    auto doc = own(createTOVELDOMDocument_7_4_0());
    try {
        doc->loadXML(text.data(), int(text.size()));
        FAIL();
    } catch (const ITOVELParseException& e) {
        EXPECT_EQ(e.getErrorCode(), 7); // mismatched tag
        EXPECT_EQ(e.getLinePos(), 3);
        EXPECT_EQ(e.getColPos(), 5);
        EXPECT_EQ(e.getOffset(), 13);
    }
    EXPECT_EQ(parseFailure(text, true), std::make_pair(7, 3));
}

TEST(LoadFailures, BadArgumentsFilesAndTruncatedInput) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    EXPECT_CODE(NULL_STRING_ERR, doc->loadXML(nullptr, 3));
    EXPECT_CODE(NULL_STRING_ERR, doc->loadXML("<a/>", 0));
    EXPECT_CODE(NULL_STRING_ERR, doc->load(nullptr));
    EXPECT_CODE(FILE_IO_ERR, doc->load("/nonexistent/file.xml"));
    EXPECT_STREQ(doc->get_namespaceURI(), "");
    EXPECT_CODE(FILE_IO_ERR, doc->load(::testing::TempDir().c_str())); // a directory
    EXPECT_FALSE(doc->hasChildNodes());
    // Only the given prefix of the buffer is read.
    doc->loadXML("<a><b/></a>", 11);
    EXPECT_XML(doc, kDecl + "<a><b/></a>");
    EXPECT_THROW(doc->loadXML("<a><b/></a>", 5), ITOVELParseException);
    EXPECT_FALSE(doc->hasChildNodes());
    // A successful file load remembers the path.
    TempFile ok("ok.xml", "<a/>");
    doc->load(ok.path.c_str());
    EXPECT_EQ(std::string(doc->get_namespaceURI()), ok.path);
    EXPECT_EQ(parseFailure("", true).first, 3);           // no element found
    EXPECT_EQ(parseFailure("<a><b>text", true).first, 3); // truncated mid-element
    EXPECT_EQ(parseFailure("<a><b>text", false).first, 3);
    EXPECT_EQ(parseFailure("<?xml version=\"1.0\" encoding=\"x-unknown\"?><a/>").first, 18);
}

TEST(LoadFailures, EntityExpansionBombIsStopped) {
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY l0 \"laughlaughlaugh\">";
    for (int i = 1; i < 12; ++i) {
        bomb += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) bomb += "&l" + std::to_string(i - 1) + ";";
        bomb += "\">";
    }
    bomb += "]><l>&l11;</l>";
    EXPECT_EQ(parseFailure(bomb).first, 43); // amplification limit breach
}

TEST(LoadFailures, ExternalEntitiesOnlyWhenAsked) {
    auto part = std::make_unique<TempFile>("part.xml", "external text");
    std::string text = "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + part->path + "\">]><a>[&x;]</a>";
    auto doc = own(createTOVELDOMDocument_7_4_0());
    doc->loadXML(text.data(), int(text.size()));
    EXPECT_STREQ(own(doc->get_documentElement())->get_text(), "[]");
    doc->put_resolveExternals(true);
    doc->loadXML(text.data(), int(text.size()));
    EXPECT_STREQ(own(doc->get_documentElement())->get_text(), "[external text]");
    part.reset();
    // A missing external file is a failure once the host asked for externals.
    EXPECT_ANY_THROW(doc->loadXML(text.data(), int(text.size())));
    EXPECT_FALSE(doc->hasChildNodes());
}

// --- limits --------------------------------------------------------------------------------------

std::string nested(int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "<e>";
    for (int i = 0; i < depth; ++i) s += "</e>";
    return s;
}

TEST(LoadLimits, NestingDepth) {
    auto ok = loadDoc(nested(2047));
    EXPECT_TRUE(ok->hasChildNodes());
    EXPECT_EQ(parseFailure(nested(2048)).first, 1001);
    EXPECT_EQ(parseFailure(nested(100000), true).first, 1001);
}

TEST(LoadLimits, NamespaceBindingsAndDeclarations) {
    std::string deep, close;
    for (int i = 0; i < 300; ++i) {
        deep += "<e xmlns:p" + std::to_string(i) + "=\"u" + std::to_string(i) + "\">";
        close += "</e>";
    }
    EXPECT_EQ(parseFailure(deep + close).first, 1002);
    std::string wide = "<e";
    for (int i = 0; i < 300; ++i) wide += " xmlns:p" + std::to_string(i) + "=\"u\"";
    // The xml binding is always in scope, so a tag with too many declarations runs out
    // of bindings first.
    EXPECT_EQ(parseFailure(wide + "/>").first, 1002);
}

// --- chunk boundaries ----------------------------------------------------------------------------

TEST(LoadChunks, FileAndBufferAgreeAcrossChunkBoundaries) {
    // Names, text and multi-byte characters straddle every 8192-byte boundary somewhere.
    std::string text = "<root>";
    for (int i = 0; i < 3000; ++i) {
        text += "<item_with_a_long_name_" + std::to_string(i % 7) + " attr=\"\xE2\x82\xAC" +
                std::to_string(i) + "\">\xC3\xA9t\xC3\xA9 " + std::to_string(i) +
                "</item_with_a_long_name_" + std::to_string(i % 7) + ">";
    }
    text += "</root>";
    ASSERT_GT(text.size(), 8192u * 10);
    EXPECT_EQ(std::string(loadDoc(text, false)->get_xml()), loadDoc(text, true)->get_xml());
}

TEST(LoadText, NormalizationMatchesAPlainReference) {
    // One run of white space at every offset of a block, as the loader scans sixteen bytes at
    // a time, then generated runs of letters, spaces, tabs, line ends and a two-byte
    // character, short and long; line ends make the parser hand text over in pieces.
    std::vector<std::string> inputs;
    for (const char* run : {"  ", "\t", " \n", "   "})
        for (int before = 1; before < 36; ++before)
            inputs.push_back(std::string(size_t(before), 'a') + run + std::string(20, 'b'));
    std::mt19937 random(7);
    const char* const pieces[] = {"a", "b", " ", " ", "\t", "\n", "\xC3\xA9", "xyz"};
    for (int round = 0; round < 400; ++round) {
        std::string raw;
        const int length = int(random() % (round < 200 ? 24 : 400));
        for (int i = 0; i < length; ++i) raw += pieces[random() % 8];
        inputs.push_back(raw);
    }
    for (const std::string& raw : inputs) {
        std::string expected;
        bool pendingSpace = false;
        for (char c : raw) {
            if (c == ' ' || c == '\t' || c == '\n') {
                pendingSpace = !expected.empty();
                continue;
            }
            if (pendingSpace) expected += ' ';
            pendingSpace = false;
            expected += c;
        }
        const std::string input = "<r><a>" + raw + "</a></r>";
        const std::string wrapped = expected.empty() ? "<a/>" : "<a>" + expected + "</a>";
        EXPECT_EQ(loadDoc(input)->get_xml(), kDecl + "<r>" + wrapped + "</r>") << raw;
        const std::string kept = raw.empty() ? "<a/>" : "<a>" + raw + "</a>";
        EXPECT_EQ(loadDoc(input, false, true)->get_xml(), kDecl + "<r>" + kept + "</r>") << raw;
    }
}

TEST(LoadedAttributes, CloneAsIfCopiedFromTheMap) {
    // A clone stores the source's attributes in the source's map order, which reverses
    // those that share a bucket (type and value); a loaded element's clone copies its
    // attribute block and must come out the same as a clone made from nodes.
    const std::string text =
        "<r xmlns:p=\"u\"><e name=\"1\" type=\"3\" value=\"4\" p:q=\"5\"><c a=\"6\"/></e></r>";
    auto fromBlock = loadDoc(text);
    auto fromNodes = loadDoc(text);
    auto all = own(fromNodes->getElementsByTagName("*"));
    for (long i = 0; i < all->get_length(); ++i) drop(own(all->get_item(i))->get_attributes());
    auto cloneOf = [](ITOVELDOMDocument* doc) {
        auto root = own(doc->get_documentElement());
        return own(childAt(root, 0)->cloneNode(true));
    };
    auto a = cloneOf(fromBlock), b = cloneOf(fromNodes);
    EXPECT_EQ(std::string(a->get_xml()), b->get_xml());
    EXPECT_EQ(std::string(a->get_xml()),
              "<e type=\"3\" value=\"4\" name=\"1\" p:q=\"5\"><c a=\"6\"/></e>");
    drop(a->get_attributes()); // and the same once the clone has nodes
    EXPECT_EQ(std::string(a->get_xml()), b->get_xml());
    auto q = own(static_cast<ITOVELDOMElement*>(a.get())->getAttributeNode("p:q"));
    EXPECT_STREQ(q->get_namespaceURI(), "u");
    EXPECT_TRUE(q->get_specified());
}

TEST(Loading, ManyDeclarationsInTurnKeepTheirOwnPrefixes) {
    // More distinct declarations than the loader remembers at once, in turn, and one prefix
    // bound to a new URI each time: every element prints as written (attributes written
    // in the order the map prints them).
    std::string body;
    for (int i = 0; i < 40; ++i) {
        const std::string p = "p" + std::to_string(i % 12), u = "urn:u" + std::to_string(i % 12);
        body += "<" + p + ":e " + p + ":k=\"" + std::to_string(i) + "\" xmlns:" + p + "=\"" + u +
                "\"/><a:f xmlns:a=\"urn:v" + std::to_string(i % 10) + "\"/>";
    }
    const std::string text = "<r>" + body + "</r>";
    EXPECT_EQ(loadDoc(text)->get_xml(), kDecl + text);
}

TEST(LoadedAttributes, SameBeforeAndAfterTheyBecomeNodes) {
    // A loaded element keeps its attributes in a lighter form until somebody asks for
    // nodes: printing and reading them must not tell the difference.
    std::string many = "<e";
    for (int i = 0; i < 70; ++i)
        many += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    many += "/>";
    const std::string documents[] = {
        // name, id, type and value share buckets: the order is the map's, not the tag's
        "<e name=\"1\" id=\"2\" type=\"3\" value=\"4\" b=\"&lt;&amp;&quot;\" c=\"\"/>",
        "<r xmlns:p=\"u\"><e xmlns:p=\"v\" xmlns:q=\"u\" p:k=\"1\" q:k=\"2\" k=\"3\"/></r>",
        "<p:a xmlns:p=\"u\" xmlns:q=\"v\" p:x=\"1\" q:y=\"2\" z=\"3\" xml:lang=\"en\"/>",
        "<!DOCTYPE e [<!ATTLIST e d CDATA 'dflt'>]><e s=\"1\"/>",
        many,
    };
    for (const std::string& text : documents) {
        auto doc = loadDoc(text);
        std::vector<ITOVELDOMElement*> elements;
        auto all = own(doc->getElementsByTagName("*"));
        for (long i = 0; i < all->get_length(); ++i)
            elements.push_back(static_cast<ITOVELDOMElement*>(peek(all->get_item(i))));
        const std::string before = doc->get_xml();
        std::vector<std::string> values;
        for (ITOVELDOMElement* e : elements)
            for (const char* name : {"name", "value", "b", "c", "p:k", "k", "q:y", "z", "d", "a69"})
                values.push_back(e->getAttribute(name));
        for (ITOVELDOMElement* e : elements) drop(e->get_attributes()); // nodes now
        EXPECT_EQ(doc->get_xml(), before) << text;
        size_t at = 0;
        for (ITOVELDOMElement* e : elements)
            for (const char* name : {"name", "value", "b", "c", "p:k", "k", "q:y", "z", "d", "a69"})
                EXPECT_EQ(e->getAttribute(name), values[at++]) << name;
    }
    EXPECT_EQ(loadDoc(documents[0])->get_xml(),
              kDecl + "<e value=\"4\" type=\"3\" id=\"2\" b=\"&lt;&amp;&quot;\" name=\"1\" "
                      "c=\"\"/>");
    // Two URIs whose oldest prefixes agree rebuild to one name: the later value wins.
    auto collided = loadDoc(documents[1]);
    auto root = own(collided->get_documentElement());
    auto inner = childAt(root, 0);
    EXPECT_STREQ(static_cast<ITOVELDOMElement*>(inner.get())->getAttribute("p:k"), "2");
}

// --- legacy encodings, end to end ------------------------------------------------------------

// The parser's wiring to the registry, whole and from a file; encoding_test compares every
// table with iconv. ISO-8859-1 is one of the parser's own encodings: its row is never used.
TEST(Loading, LegacyEncodingsDecodeAsIconv) {
    struct {
        const char* declared;
        const char* iconvName;
        std::string body;
    } cases[] = {{"windows-1251", "CP1251", "\xCF\xF0\xE8\xE2\xE5\xF2 \x88 \xB9"},
                 {"Shift_JIS", "SHIFT_JIS", "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 \x83\x5C\x83\x74"},
                 {"GB2312", "EUC-CN", "\xD6\xD0\xCE\xC4"},
                 {"latin1", "ISO-8859-1", "\xE9\xFF"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.declared);
        iconv_t cd = iconv_open("UTF-8", c.iconvName);
        ASSERT_NE(cd, (iconv_t)-1);
        std::string expected(c.body.size() * 4, '\0');
        char* src = const_cast<char*>(c.body.data());
        char* dst = &expected[0];
        size_t left = c.body.size(), room = expected.size();
        ASSERT_NE(iconv(cd, &src, &left, &dst, &room), size_t(-1));
        iconv_close(cd);
        expected.resize(expected.size() - room);
        std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + c.declared +
                           "\"?>\n<a>" + c.body + "</a>";
        for (bool fromFile : {false, true}) {
            auto doc = loadDoc(text, fromFile, true);
            EXPECT_EQ(std::string(own(doc->get_documentElement())->get_text()), expected);
            EXPECT_STREQ(doc->get_encoding(), c.declared);
        }
    }
}

} // namespace

// A parsed node with one child keeps it without a list object; every operation must still
// see that child.
TEST(Loading, SingleChildrenBehaveAsAnyChildList) {
    auto doc = loadDoc("<r><a>t</a></r>");
    auto root = own(doc->get_documentElement());
    auto second = own(doc->createElement("second"));
    EXPECT_CODE(HIERARCHY_REQUEST_ERR, doc->appendChild(second)); // one document element only

    auto a = own(static_cast<ITOVELDOMElement*>(root->get_firstChild()));
    auto text = own(a->get_firstChild());
    EXPECT_EQ(peek(a->get_lastChild()), text.get());
    EXPECT_EQ(peek(text->get_nextSibling()), nullptr);
    EXPECT_EQ(peek(text->get_previousSibling()), nullptr);
    auto list = own(a->get_childNodes()); // the live list appears on demand
    ASSERT_EQ(list->get_length(), 1);
    drop(a->appendChild(second));
    EXPECT_EQ(list->get_length(), 2);
    EXPECT_EQ(peek(text->get_nextSibling()), second.get());

    auto b = own(doc->createElement("b"));
    drop(root->replaceChild(b, a));
    EXPECT_EQ(peek(a->get_parentNode()), nullptr);
    drop(root->removeChild(b));
    EXPECT_FALSE(root->hasChildNodes());
    EXPECT_XML(doc, kDecl + "<r/>");
}

TEST(Loading, CreationHooksApplyWhileLoading) {
    const std::string text = "<p:r xmlns:p=\"u\" a=\"1\"><e p:b=\"2\">x</e></p:r>";
    const std::string plain = loadDoc(text)->get_xml();
    gpfnCreateXMLElement_7_4_0 = counting_hooks::element;
    gpfnCreateXMLAttribute_7_4_0 = counting_hooks::attribute;
    std::string hooked;
    EXPECT_NO_THROW(hooked = loadDoc(text)->get_xml());
    gpfnCreateXMLElement_7_4_0 = nullptr;
    gpfnCreateXMLAttribute_7_4_0 = nullptr;
    EXPECT_EQ(hooked, plain);
    EXPECT_EQ(counting_hooks::elements, 2);
    EXPECT_EQ(counting_hooks::attributes, 3); // the declaration and two attributes
}

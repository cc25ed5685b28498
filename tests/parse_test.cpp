// Loading: what the tree builder makes of markup, text and namespaces, the prolog, the
// errors, the limits, the legacy encodings and the external-DTD modes. Every document is loaded
// both whole (loadXML) and from a file, which the loader reads in 8192-byte chunks.
#include <cstdio>
#include <expat.h>
#include <fstream>
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

void load(ITOVELDOMDocument* doc, const std::string& text, bool fromFile) {
    if (fromFile)
        doc->load(TempFile("doc.xml", text).path.c_str());
    else
        doc->loadXML(text.data(), int(text.size()));
}

CNodePtr<ITOVELDOMDocument> loadDoc(const std::string& text, bool fromFile = false,
                                    bool preserve = false, bool resolve = false) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    doc->put_preserveWhiteSpace(preserve);
    doc->put_resolveExternals(resolve);
    load(doc, text, fromFile);
    return doc;
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string kDeclNo = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";

std::string enc(const char* name) {
    return std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?>";
}
std::string encDecl(const char* name) {
    return std::string("<?xml version=\"1.0\" encoding=\"") + name + "\" standalone=\"no\"?>\n";
}

// More distinct declarations than the loader remembers at once, and one prefix bound to a
// new URI each time: every element prints as written.
std::string manyDeclarations() {
    std::string body;
    for (int i = 0; i < 40; ++i) {
        const std::string p = "p" + std::to_string(i % 12), u = "urn:u" + std::to_string(i % 12);
        body += "<" + p + ":e " + p + ":k=\"" + std::to_string(i) + "\" xmlns:" + p + "=\"" + u +
                "\"/><a:f xmlns:a=\"urn:v" + std::to_string(i % 10) + "\"/>";
    }
    return "<r>" + body + "</r>";
}

struct Case {
    const char* name;
    std::string input;
    std::string printed; // the document's get_xml after loading
    bool preserve = false, resolve = false;
};

class Builds : public ::testing::TestWithParam<Case> {};

TEST_P(Builds, TheDesignedTree) {
    const Case& c = GetParam();
    for (bool fromFile : {false, true})
        EXPECT_EQ(loadDoc(c.input, fromFile, c.preserve, c.resolve)->get_xml(), c.printed)
            << (fromFile ? "from a file" : "whole");
}

INSTANTIATE_TEST_SUITE_P(
    Markup, Builds,
    ::testing::Values(
        Case{"TextIsTrimmedAndCollapsed", "<a>  x \t\n  y  </a>", kDecl + "<a>x y</a>"},
        Case{"WhiteSpaceOnlyTextLeavesNoNode", "<a>\n  <b/>\n</a>", kDecl + "<a><b/></a>"},
        Case{"PreservedText", "<a>  x   y  <b/>\n</a>", kDecl + "<a>  x   y  <b/>\n</a>", true},
        Case{"XmlSpaceScopes", "<a xml:space=\"preserve\"> <b xml:space=\"default\"> x </b> </a>",
             kDecl + "<a xml:space=\"preserve\"> <b xml:space=\"default\">x</b> </a>"},
        Case{"XmlSpaceOtherValuesDoNotPreserve", "<a xml:space=\"keep\"> x </a>",
             kDecl + "<a xml:space=\"keep\">x</a>"},
        // Each control byte of white space counts, also when a character reference made it.
        Case{"ReferencedControlBytesAreWhiteSpace", "<r>a&#13;&#13;b&#13;&#9;c&#10;&#9;d</r>",
             kDecl + "<r>a b c d</r>"},
        Case{"HighBytesAreNotWhiteSpace", "<a>\xC2\xA0x\xC2\xA0</a>",
             kDecl + "<a>\xC2\xA0x\xC2\xA0</a>"},
        Case{"EntitiesMergeIntoOneText", "<a>a&amp;b&#65;</a>", kDecl + "<a>a&amp;bA</a>"},
        Case{"Cdata", "<a><![CDATA[  ]]><![CDATA[]]></a>",
             kDecl + "<a><![CDATA[  ]]><![CDATA[]]></a>"},
        Case{"CommentsAndInstructionsAroundTheElement", "<!--c1--><?p d?><a/><!--c2-->",
             kDecl + "<!--c1--><?p d?><!--c2--><a/>"},
        Case{"NothingFromTheInternalSubset",
             "<!DOCTYPE a [<!--in--><?pi in?><!ELEMENT a ANY>]><!--out--><a/>",
             kDecl + "<!DOCTYPE a [<!ELEMENT a ANY>]>\n<!--out--><a/>"},
        Case{"OldestBindingOfAUriWins", "<p:a xmlns:p=\"u\" xmlns:q=\"u\"><q:b q:x=\"1\"/></p:a>",
             kDecl + "<p:a xmlns:p=\"u\" xmlns:q=\"u\"><p:b p:x=\"1\"/></p:a>"},
        Case{"EachScopeNamesAUriByItsOwnOldestPrefix",
             "<r><a:e xmlns:a=\"u\" a:k=\"1\"/><b:e xmlns:b=\"u\" b:k=\"2\"/>"
             "<e xmlns=\"u\"><c:e xmlns:c=\"u\" c:k=\"3\"/></e><a:e xmlns:a=\"u\"/></r>",
             kDecl + "<r><a:e xmlns:a=\"u\" a:k=\"1\"/><b:e xmlns:b=\"u\" b:k=\"2\"/>"
                     "<e xmlns=\"u\"><e k=\"3\" xmlns:c=\"u\"/></e><a:e xmlns:a=\"u\"/></r>"},
        Case{"ManyDeclarationsInTurnKeepTheirOwnPrefixes", manyDeclarations(),
             kDecl + manyDeclarations()},
        Case{"InternalEntityExpands", "<!DOCTYPE a [<!ENTITY e \"v&#38;#38;w\">]><a>x&e;y</a>",
             kDecl + "<!DOCTYPE a [<!ENTITY e \"v&#38;#38;w\">]>\n<a>xv&amp;wy</a>"},
        Case{"ExternalSubsetResolvedIsNotStandalone",
             "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"missing.dtd\"><r/>",
             kDeclNo + "<!DOCTYPE r SYSTEM \"missing.dtd\">\n<r/>", false, true},
        Case{"DoctypeIdentifiersAndSubset",
             "<!DOCTYPE r PUBLIC \"-//X//Y//EN\" \"r.dtd\" [\n<!ENTITY e \"v\">\n]><r/>",
             kDeclNo +
                 "<!DOCTYPE r PUBLIC \"-//X//Y//EN\" \"r.dtd\" [\n<!ENTITY e \"v\">\n]>\n<r/>",
             false, true},
        Case{"StandaloneNo", "<?xml version=\"1.0\" standalone='no'?><a/>", kDeclNo + "<a/>"},
        // The registry's tables reached through the parser (encoding_test holds each
        // table against iconv); ISO-8859-1 is one of the parser's own encodings.
        Case{"Windows1251", enc("windows-1251") + "<a>\xCF\xF0\xE8 \x88 \xB9</a>",
             encDecl("windows-1251") + "<a>\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x82\xAC \xE2\x84\x96</a>"},
        Case{"ShiftJis", enc("Shift_JIS") + "<a>\x93\xFA\x96\x7B \xB1 \x83\x5C</a>",
             encDecl("Shift_JIS") + "<a>\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1 \xE3\x82\xBD</a>"},
        Case{"Latin1", enc("ISO-8859-1") + "<a>\xE9\xFF</a>",
             encDecl("ISO-8859-1") + "<a>\xC3\xA9\xC3\xBF</a>"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

std::string nested(int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "<e>";
    for (int i = 0; i < depth; ++i) s += "</e>";
    return s;
}

// n copies of head + i + "=\"u" + i + "\"" + sep, then tail.
std::string repeated(const std::string& head, int n, const std::string& sep,
                     const std::string& tail) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += head + std::to_string(i) + "=\"u" + std::to_string(i) + "\"" + sep;
    return s + tail;
}

std::string bomb() {
    std::string s = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY l0 \"laughlaughlaugh\">";
    for (int i = 1; i < 12; ++i) {
        s += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) s += "&l" + std::to_string(i - 1) + ";";
        s += "\">";
    }
    return s + "]><l>&l11;</l>";
}

struct Failure {
    const char* name;
    std::string input;
    int code, line;
};

class Fails : public ::testing::TestWithParam<Failure> {};

// A failed load throws the parser's code and position and leaves the document empty.
TEST_P(Fails, WithTheParsersCode) {
    const Failure& f = GetParam();
    for (bool fromFile : {false, true}) {
        auto doc = own(createTOVELDOMDocument_7_4_0());
        try {
            load(doc, f.input, fromFile);
            ADD_FAILURE() << "no parse exception";
        } catch (const ITOVELParseException& e) {
            EXPECT_EQ(e.getErrorCode(), f.code);
            if (f.line) {
                EXPECT_EQ(e.getLinePos(), f.line);
            }
        }
        EXPECT_FALSE(doc->hasChildNodes());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Input, Fails,
    ::testing::Values(Failure{"MismatchedTag", "<a>\n<b>\n<c></b>\n</a>", 7, 3},
                      Failure{"Empty", " ", 3, 0}, Failure{"Truncated", "<a><b>text", 3, 0},
                      Failure{"UnknownEncoding", enc("x-unknown") + "<a/>", 18, 0},
                      Failure{"ExternalSubsetNotStandalone",
                              "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"m.dtd\"><r/>", 22, 0},
                      Failure{"EntityExpansionBomb", bomb(), 43, 0},
                      Failure{"NestingOneTooDeep", nested(2048), 1001, 0},
                      Failure{"NestingFarTooDeep", nested(100000), 1001, 0},
                      Failure{"TooManyBindingsInScope", repeated("<e xmlns:p", 300, ">", ""), 1002,
                              0},
                      Failure{"TooManyDeclarationsOnATag",
                              repeated(" xmlns:p", 300, "", "/>").insert(0, "<e"), 1002, 0}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

TEST(Loading, ArgumentsFilesAndLimits) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    EXPECT_CODE(NULL_STRING_ERR, doc->loadXML(nullptr, 3));
    EXPECT_CODE(NULL_STRING_ERR, doc->loadXML("<a/>", 0));
    EXPECT_CODE(NULL_STRING_ERR, doc->load(nullptr));
    EXPECT_CODE(FILE_IO_ERR, doc->load("/nonexistent/file.xml"));
    EXPECT_CODE(FILE_IO_ERR, doc->load(::testing::TempDir().c_str())); // a directory
    EXPECT_FALSE(doc->hasChildNodes());
    doc->loadXML("<a><b/></a>", 11); // only the given prefix is read
    EXPECT_XML(doc, kDecl + "<a><b/></a>");
    TempFile ok("ok.xml", "<a/>"); // a file load remembers the path
    doc->load(ok.path.c_str());
    EXPECT_EQ(std::string(doc->get_namespaceURI()), ok.path);
    EXPECT_TRUE(loadDoc(nested(2047))->hasChildNodes());
}

TEST(Loading, DefaultedAttributeIsNotSpecified) {
    auto doc = loadDoc("<!DOCTYPE a [<!ATTLIST a d CDATA \"dv\">]><a w=\"1\"/>");
    auto root = own(doc->get_documentElement());
    EXPECT_TRUE(own(root->getAttributeNode("w"))->get_specified());
    auto defaulted = own(root->getAttributeNode("d"));
    EXPECT_FALSE(defaulted->get_specified());
    EXPECT_STREQ(defaulted->get_value(), "dv");
}

// The encoding a load declared is forced onto the next load until the host resets it.
TEST(Loading, DeclaredEncodingPersists) {
    auto doc = loadDoc(enc("ISO-8859-1") + "<a>\xE9</a>");
    doc->loadXML("<a>\xE9</a>", 8);
    EXPECT_STREQ(own(doc->get_documentElement())->get_text(), "\xC3\xA9");
    doc->put_encoding("UTF-8");
    doc->loadXML("<a>\xC3\xA9</a>", 9);
    EXPECT_STREQ(own(doc->get_documentElement())->get_text(), "\xC3\xA9");
}

TEST(Loading, ExternalEntitiesOnlyWhenAsked) {
    auto part = std::make_unique<TempFile>("part.xml", "external text");
    std::string text = "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + part->path + "\">]><a>[&x;]</a>";
    EXPECT_STREQ(own(loadDoc(text)->get_documentElement())->get_text(), "[]");
    auto doc = loadDoc(text, false, false, true);
    EXPECT_STREQ(own(doc->get_documentElement())->get_text(), "[external text]");
    part.reset();
    EXPECT_ANY_THROW(doc->loadXML(text.data(), int(text.size()))); // missing once asked for
    EXPECT_FALSE(doc->hasChildNodes());
}

// A loaded element keeps its attributes in a lighter form until somebody asks for nodes:
// printing, reading and cloning must not tell the difference.
TEST(LoadedAttributes, SameBeforeAndAfterTheyBecomeNodes) {
    const std::string documents[] = {
        "<e name=\"1\" id=\"2\" type=\"3\" value=\"4\" b=\"&lt;&amp;&quot;\" c=\"\"/>",
        "<r xmlns:p=\"u\"><e xmlns:p=\"v\" xmlns:q=\"u\" p:k=\"1\" q:k=\"2\" k=\"3\"/></r>",
        "<p:a xmlns:p=\"u\" xmlns:q=\"v\" p:x=\"1\" q:y=\"2\" z=\"3\" xml:lang=\"en\"/>",
        "<!DOCTYPE e [<!ATTLIST e d CDATA 'dflt'>]><e s=\"1\"/>",
        repeated(" a", 70, "", "/>").insert(0, "<e"),
    };
    const char* const names[] = {"name", "value", "b", "c", "p:k", "k", "q:y", "z", "d", "a69"};
    for (const std::string& text : documents) {
        auto doc = loadDoc(text);
        auto all = own(doc->getElementsByTagName("*"));
        std::vector<ITOVELDOMElement*> elements;
        for (long i = 0; i < all->get_length(); ++i)
            elements.push_back(static_cast<ITOVELDOMElement*>(peek(all->get_item(i))));
        const std::string before = doc->get_xml();
        const std::string clone = own(elements.back()->cloneNode(true))->get_xml();
        std::vector<std::string> values;
        for (ITOVELDOMElement* e : elements)
            for (const char* name : names) values.push_back(e->getAttribute(name));
        for (ITOVELDOMElement* e : elements) drop(e->get_attributes()); // nodes now
        EXPECT_EQ(doc->get_xml(), before) << text;
        EXPECT_EQ(own(elements.back()->cloneNode(true))->get_xml(), clone) << text;
        size_t at = 0;
        for (ITOVELDOMElement* e : elements)
            for (const char* name : names) EXPECT_EQ(e->getAttribute(name), values[at++]) << name;
    }
    // Two URIs whose oldest prefixes agree rebuild to one name: the later value wins.
    auto root = own(loadDoc(documents[1])->get_documentElement());
    EXPECT_STREQ(static_cast<ITOVELDOMElement*>(childAt(root, 0).get())->getAttribute("p:k"), "2");
}

// A loaded element prints its attributes in the map's order without making nodes: by
// bucket, newest first within one ("a" and "r" share a bucket; C sits in the last, so a
// bucket off by one wraps it to the front). A copy stores them in that order: within a
// bucket they come out reversed.
TEST(LoadedAttributes, PrintInTheMapsOrder) {
    const char* xml = "<e a=\"1\" b=\"2\" r=\"3\" z=\"4\" zz=\"5\" id=\"6\" C=\"7\"/>";
    auto first = loadDoc(xml), second = loadDoc(xml);
    auto compact = own(first->get_documentElement());
    const std::string printed = compact->get_xml();
    EXPECT_EQ(printed, "<e zz=\"5\" z=\"4\" id=\"6\" r=\"3\" a=\"1\" b=\"2\" C=\"7\"/>");
    const char* copied = "<e zz=\"5\" z=\"4\" a=\"1\" r=\"3\" id=\"6\" b=\"2\" C=\"7\"/>";
    EXPECT_STREQ(own(compact->cloneNode(false))->get_xml(), copied);
    auto nodes = own(second->get_documentElement());
    drop(nodes->get_attributes()); // the nodes now exist
    EXPECT_EQ(std::string(nodes->get_xml()), printed);
    EXPECT_STREQ(own(nodes->cloneNode(false))->get_xml(), copied);
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

// Neither mode reads the external DTD, so &u; is never defined; skipping reads no entity.
TEST(Loading, ExternalDtdModes) {
    TempFile entity("e.xml", "<b/>"), dtd("d.dtd", "<!ENTITY u 'U'>");
    const std::string xml = "<!DOCTYPE a SYSTEM '" + dtd.path + "' [<!ENTITY e SYSTEM '" +
                            entity.path + "'>]><a>&e;&u;</a>";
    struct {
        bool skip, resolve;
        const char* result; // the document element as printed, or the parser's code
    } modes[] = {{false, false, "error 22"},
                 {true, false, "<a/>"},
                 {false, true, "<a><b/></a>"},
                 {true, true, "<a><b/></a>"}};
    for (auto& mode : modes) {
        SCOPED_TRACE(testing::Message() << "skip " << mode.skip << ", resolve " << mode.resolve);
        auto doc = own(createTOVELDOMDocument_7_4_0());
        EXPECT_FALSE(TOVELDOMGetSkipExternalDTD_7_4_0(doc));
        doc->put_resolveExternals(mode.resolve);
        TOVELDOMPutSkipExternalDTD_7_4_0(doc, mode.skip);
        std::string got;
        try {
            doc->loadXML(xml.c_str(), int(xml.size()));
            got = peek(doc->get_documentElement())->get_xml();
            EXPECT_NE(std::string(doc->get_xml()).find("standalone=\"no\""), std::string::npos);
            auto copy = own(doc->cloneNode(false)); // a clone keeps the setting for its loads
            EXPECT_EQ(TOVELDOMGetSkipExternalDTD_7_4_0(static_cast<ITOVELDOMDocument*>(copy.get())),
                      mode.skip);
        } catch (const TOVELParseException& error) {
            got = "error " + std::to_string(error.getErrorCode());
            EXPECT_FALSE(doc->hasChildNodes());
        }
        EXPECT_EQ(got, mode.result);
    }
}

// The loader scans text sixteen bytes at a time and feeds a buffer to the parser in pieces:
// both against plain references, and a failure past the first piece where a file fails.
// White space is collapsed unless preserved; either way the print equals the input's text.
TEST(TextPaths, NormalizeAndEscapeMatchPlainReferences) {
    std::mt19937 random(7);
    const char* const raw[] = {"a", "\xc3\xa9", " ", " ", "\n", "\t", "&amp;", "&lt;", "&gt;"};
    const char* const kept[] = {"a", "\xc3\xa9", " ", " ", " ", " ", "&amp;", "&lt;", "&gt;"};
    for (int round = 0; round < 400; ++round) {
        std::string text, printed;
        for (int n = random() % 90; n > 0; --n) {
            int piece = random() % 9;
            text += raw[piece];
            if (piece < 2 || piece > 5 || (!printed.empty() && printed.back() != ' '))
                printed += kept[piece];
        }
        if (!printed.empty() && printed.back() == ' ') printed.pop_back();
        for (bool preserve : {false, true}) {
            auto doc = own(createTOVELDOMDocument_7_4_0());
            doc->put_preserveWhiteSpace(preserve);
            const std::string input = "<r>" + text + "</r>", &body = preserve ? text : printed;
            doc->loadXML(input.c_str(), int(input.size()));
            EXPECT_EQ(body.empty() ? "<r/>" : "<r>" + body + "</r>",
                      std::string(peek(doc->get_documentElement())->get_xml()));
        }
    }
}

TEST(TextPaths, PiecesFailWhereAFileFails) {
    std::string text =
        "<r>" + std::string(200000, 'x') + "\n<a>" + std::string(70000, 'y') + "</b>";
    TempFile file("pieces.xml", text);
    std::vector<int> found[2];
    for (int fromFile = 0; fromFile < 2; ++fromFile) {
        auto doc = own(createTOVELDOMDocument_7_4_0());
        try {
            fromFile ? doc->load(file.path.c_str()) : doc->loadXML(text.data(), int(text.size()));
        } catch (const TOVELParseException& e) {
            found[fromFile] = {e.getErrorCode(), e.getOffset(), e.getLinePos(), e.getColPos()};
        }
        EXPECT_EQ(nullptr, peek(doc->get_documentElement()));
    }
    EXPECT_EQ((std::vector<int>{XML_ERROR_TAG_MISMATCH, int(text.size()) - 2, 2, 70005}), found[0]);
    EXPECT_EQ(found[0], found[1]);
}

} // namespace

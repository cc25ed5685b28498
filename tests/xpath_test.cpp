// The XPath functions of the C surface: results, errors with their offsets, variables,
// trees outside a document, and one compiled query shared by threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include <toveldom/toveldom.h>
#include <toveldom/xpath.h>

namespace {

using namespace LUMA_7_4_0;
using Doc = CNodePtr<ITOVELDOMDocument>;
using Node = CNodePtr<ITOVELDOMNode>;

const char kText[] = "<?xml version='1.0'?><r xmlns:p='urn:p'><a n='1'>x<![CDATA[y]]></a><!--c-->"
                     "<p:b n='2' xmlns='urn:d'><c/></p:b><a n='3'/></r>";
const char* const kNs[] = {"p", "urn:p", "d", "urn:d", nullptr};

Doc load(const char* text) {
    Doc doc = Doc::adopt(createTOVELDOMDocument_7_4_0());
    doc->loadXML(text, int(std::strlen(text)));
    return doc;
}

// A node-set as its nodes' names (and text), a scalar as XPath's string of it.
std::string show(ITOVELDOMNode* context, const char* expression,
                 const TOVELXPathVariable* vars = nullptr, long count = 0) {
    TOVELXPathError error;
    TOVELXPathQuery* q = TOVELXPathCompile_7_4_0(expression, kNs, &error);
    TOVELXPathResult r;
    if (!q || !TOVELXPathEvaluate_7_4_0(q, context, vars, count, &r, &error)) {
        TOVELXPathFree_7_4_0(q);
        return "error " + std::to_string(error.code) + " at " + std::to_string(error.offset);
    }
    std::string out;
    char number[64];
    switch (r.type) {
    case TOVELXPATH_NODESET:
        for (long i = 0; i < r.nodes->get_length(); ++i) {
            Node n = Node::adopt(r.nodes->get_item(i));
            out += (i ? " " : "") + std::string(n->get_nodeName());
            if (n->get_nodeType() == NODE_TEXT || n->get_nodeType() == NODE_CDATA_SECTION)
                out += std::string("=") + n->get_nodeValue();
        }
        out = "[" + out + "]";
        break;
    case TOVELXPATH_BOOLEAN:
        out = r.boolean ? "true" : "false";
        break;
    case TOVELXPATH_NUMBER:
        TOVELXPathFormatNumber_7_4_0(r.number, number, sizeof number);
        out = number;
        break;
    default:
        out = r.string;
        break;
    }
    TOVELXPathClearResult_7_4_0(&r);
    TOVELXPathFree_7_4_0(q);
    return out;
}

struct Case {
    const char* expression;
    const char* expected;
};

TEST(XPath, SelectsAndComputes) {
    const Case kCases[] = {
        // data model: declarations are not attributes, CDATA is text, names by URI
        {"//@*", "[n n n]"},
        {"count(//p:b/@*)", "1"},
        {"//p:b/namespace::*", "[xmlns xmlns:p]"},
        {"//a[1]/text()", "[#text=x #cdata-section=y]"},
        {"string(//a[1])", "xy"},
        {"//d:c | //c", "[c]"},
        {"name(//*[namespace-uri() = 'urn:p'])", "p:b"},
        // order: attributes after namespace nodes and before children; reverse axes
        {"(//a)[1]/following::node()", "[#comment p:b c a]"},
        {"(//a)[last()]/preceding-sibling::*[1]", "[p:b]"},
        {"//d:c/ancestor::*[last()]", "[r]"},
        {"count(//d:c/ancestor-or-self::node())", "4"},
        {"//*[@n > 1][last()]/@n", "[n]"},
        {"(//a | //c | /r)[2]", "[a]"},
        // numbers to strings
        {"0.1 + 0.2", "0.30000000000000004"},
        {"1 div 3", "0.3333333333333333"},
        {"0.0000001", "0.0000001"},
        {"1000000 * 1000000 * 1000000 * 1000", "1000000000000000000000"},
        {"-0", "0"},
        {"1 div -0", "-Infinity"},
        {"-1.5", "-1.5"},
        {"round(-0.5)", "0"},
        {"1 div round(-0.5)", "-Infinity"},
        {"substring('ab', 0 div 0)", ""},
        {"string-length('\xc3\xa9t\xc3\xa9')", "3"},
    };
    Doc doc = load(kText);
    for (const Case& c : kCases) EXPECT_EQ(show(doc, c.expression), c.expected) << c.expression;
}

struct ErrorCase {
    const char* expression;
    int code;
    long offset;
};

TEST(XPath, ReportsErrorsWithTheirOffsets) {
    const ErrorCase kCases[] = {
        {"//a[", TOVELXPATH_SYNTAX, 4},
        {"//a[@n = ]", TOVELXPATH_SYNTAX, 9},
        {"1 +", TOVELXPATH_SYNTAX, 3},
        {"a b", TOVELXPATH_SYNTAX, 2},
        {"'open", TOVELXPATH_SYNTAX, 0},
        {"a ! b", TOVELXPATH_SYNTAX, 2},
        {"bogus::a", TOVELXPATH_SYNTAX, 0},
        {"//a)", TOVELXPATH_SYNTAX, 3},
        {"", TOVELXPATH_SYNTAX, 0},
        {"/a/", TOVELXPATH_SYNTAX, 3},
        {"count(//x:a)", TOVELXPATH_UNBOUND_PREFIX, 8},
        {"frob(1)", TOVELXPATH_UNKNOWN_FUNCTION, 0},
        {"p:count(1)", TOVELXPATH_UNKNOWN_FUNCTION, 0},
        {"1 + count()", TOVELXPATH_ARGUMENT_COUNT, 4},
        {"concat('a')", TOVELXPATH_ARGUMENT_COUNT, 0},
        {"substring('a', 1, 2, 3)", TOVELXPATH_ARGUMENT_COUNT, 0},
        {"count(1)", TOVELXPATH_NODESET_EXPECTED, 6},
        {"'a'/b", TOVELXPATH_NODESET_EXPECTED, 0},
        {"1 | //a", TOVELXPATH_NODESET_EXPECTED, 0},
        {"$v/a", TOVELXPATH_NODESET_EXPECTED, 0},
        {"$missing", TOVELXPATH_UNBOUND_VARIABLE, 0},
    };
    Doc doc = load(kText);
    TOVELXPathVariable v{"v", TOVELXPATH_NUMBER, 0, 1, nullptr, nullptr, 0};
    for (const ErrorCase& c : kCases) {
        TOVELXPathError error;
        TOVELXPathQuery* q = TOVELXPathCompile_7_4_0(c.expression, kNs, &error);
        TOVELXPathResult r;
        if (q) TOVELXPathEvaluate_7_4_0(q, doc, &v, 1, &r, &error);
        TOVELXPathFree_7_4_0(q);
        EXPECT_EQ(error.code, c.code) << c.expression << ": " << error.message;
        EXPECT_EQ(error.offset, c.offset) << c.expression << ": " << error.message;
        EXPECT_NE(error.message[0], 0);
    }
    TOVELXPathError error;
    EXPECT_EQ(TOVELXPathSelect_7_4_0(nullptr, "/", nullptr, &error), nullptr);
    EXPECT_EQ(error.code, TOVELXPATH_NULL_ARGUMENT);
    EXPECT_EQ(TOVELXPathSelect_7_4_0(doc, nullptr, nullptr, &error), nullptr);
    EXPECT_EQ(TOVELXPathSelect_7_4_0(doc, "1", nullptr, &error), nullptr);
    EXPECT_EQ(error.code, TOVELXPATH_NODESET_EXPECTED);
}

TEST(XPath, VariablesOfEveryType) {
    Doc doc = load(kText);
    Node a = Node::adopt(TOVELXPathSelectOne_7_4_0(doc, "//a", nullptr, nullptr));
    Node c = Node::adopt(TOVELXPathSelectOne_7_4_0(doc, "//d:c", kNs, nullptr));
    ITOVELDOMNode* nodes[] = {c, a, c};
    const TOVELXPathVariable vars[] = {
        {"s", TOVELXPATH_STRING, 0, 0, "3", nullptr, 0},
        {"n", TOVELXPATH_NUMBER, 0, 2, nullptr, nullptr, 0},
        {"b", TOVELXPATH_BOOLEAN, 1, 0, nullptr, nullptr, 0},
        {"set", TOVELXPATH_NODESET, 0, 0, nullptr, nodes, 3},
    };
    EXPECT_EQ(show(doc, "//a[@n = $s]/@n", vars, 4), "[n]");
    EXPECT_EQ(show(doc, "//*[@n = $n]", vars, 4), "[p:b]");
    EXPECT_EQ(show(doc, "$b and $n = 2", vars, 4), "true");
    EXPECT_EQ(show(doc, "$set", vars, 4), "[a c]"); // document order, once each
    EXPECT_EQ(show(doc, "$set[2]/..", vars, 4), "[p:b]");
}

TEST(XPath, OneShotsAndDetachedTrees) {
    Doc doc = load(kText);
    char* s = TOVELXPathString_7_4_0(doc, "concat(name(/*), '-', count(//a))", nullptr, nullptr);
    EXPECT_STREQ(s, "r-2");
    TOVELXPathFreeString_7_4_0(s);
    EXPECT_EQ(TOVELXPathNumber_7_4_0(doc, "sum(//@n)", nullptr, nullptr), 6);
    EXPECT_TRUE(std::isnan(TOVELXPathNumber_7_4_0(doc, "number('x')", nullptr, nullptr)));
    EXPECT_EQ(TOVELXPathBoolean_7_4_0(doc, "//a[2]", nullptr, nullptr), 1);
    TOVELXPathError error;
    EXPECT_EQ(TOVELXPathSelectOne_7_4_0(doc, "//none", nullptr, &error), nullptr);
    EXPECT_EQ(error.code, TOVELXPATH_OK);

    // A subtree of its own: '/' is its topmost node. The tree changes between queries.
    Node top = Node::adopt(doc->createElement("top"));
    Node child = Node::adopt(doc->createElement("child"));
    top->appendChild(child)->Release();
    EXPECT_EQ(show(child, "/"), "[top]");
    EXPECT_EQ(show(child, "count(ancestor::node())"), "1");
    top->appendChild(Node::adopt(doc->createElement("more")))->Release();
    EXPECT_EQ(show(child, "following::*"), "[more]");
}

TEST(XPath, OneQueryManyThreads) {
    TOVELXPathQuery* q =
        TOVELXPathCompile_7_4_0("count(//a[@n > 0]) + sum(//@n)", nullptr, nullptr);
    ASSERT_NE(q, nullptr);
    auto work = [q](double* out) {
        Doc doc = load(kText);
        for (int i = 0; i < 200; ++i) {
            TOVELXPathResult r;
            if (TOVELXPathEvaluate_7_4_0(q, doc, nullptr, 0, &r, nullptr)) *out = r.number;
            TOVELXPathClearResult_7_4_0(&r);
        }
    };
    double a = 0, b = 0;
    std::thread one(work, &a), two(work, &b);
    one.join();
    two.join();
    EXPECT_EQ(a, 8);
    EXPECT_EQ(b, 8);
    TOVELXPathFree_7_4_0(q);
}

} // namespace

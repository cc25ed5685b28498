// The XPath functions of the C surface: results, errors with their offsets, variables,
// trees outside a document, and one compiled query shared by threads; then the host layer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include <toveldom/dom.hpp>
#include <toveldom/toveldom.h>
#include <toveldom/xpath.h>
#include <toveldom/xpath.hpp>

namespace {

using namespace LUMA_7_4_0;
using Doc = CNodePtr<ITOVELDOMDocument>;
using Node = CNodePtr<ITOVELDOMNode>;

const char kText[] = "<?xml version='1.0'?><r xmlns:p='urn:p'><a n='1'>x<![CDATA[y]]></a><!--c-->"
                     "<p:b n='2' xmlns='urn:d'><c/></p:b><a n='3'/></r>";
const char* const kNs[] = {"p", "urn:p", "d", "urn:d", nullptr};

Doc load() {
    Doc doc = Doc::adopt(createTOVELDOMDocument_7_4_0());
    doc->loadXML(kText, int(sizeof kText - 1));
    return doc;
}

// A node-set as its nodes' names, a scalar as XPath's string of it.
std::string show(ITOVELDOMNode* context, const char* expression,
                 const TOVELXPathVariable* vars = nullptr, long count = 0) {
    TOVELXPathError error;
    TOVELXPathQuery* q = TOVELXPathCompile_7_4_0(expression, kNs, &error);
    TOVELXPathResult r;
    std::string out;
    if (q && TOVELXPathEvaluate_7_4_0(q, context, vars, count, &r, &error)) {
        char number[64];
        TOVELXPathFormatNumber_7_4_0(r.number, number, sizeof number);
        out = r.type == TOVELXPATH_BOOLEAN  ? (r.boolean ? "true" : "false")
              : r.type == TOVELXPATH_NUMBER ? number
              : r.type == TOVELXPATH_STRING ? r.string
                                            : "[";
        for (long i = 0; r.type == TOVELXPATH_NODESET && i < r.nodes->get_length(); ++i)
            out += (i ? " " : "") + std::string(Node::adopt(r.nodes->get_item(i))->get_nodeName());
        if (r.type == TOVELXPATH_NODESET) out += "]";
        TOVELXPathClearResult_7_4_0(&r);
    } else {
        out = "error " + std::to_string(error.code) + " at " + std::to_string(error.offset);
    }
    TOVELXPathFree_7_4_0(q);
    return out;
}

// An expression and either its result or the error it gives at an offset.
struct Case {
    const char* expression;
    const char* expected;
    int code = 0;
    long offset = 0;
};

TEST(XPath, ReportsErrorsWithTheirOffsets) {
    const Case kCases[] = {
        {"//a[", nullptr, TOVELXPATH_SYNTAX, 4},
        {"//a[@n = ]", nullptr, TOVELXPATH_SYNTAX, 9},
        {"1 +", nullptr, TOVELXPATH_SYNTAX, 3},
        {"'open", nullptr, TOVELXPATH_SYNTAX, 0},
        {"bogus::a", nullptr, TOVELXPATH_SYNTAX, 0},
        {"", nullptr, TOVELXPATH_SYNTAX, 0},
        {"count(//x:a)", nullptr, TOVELXPATH_UNBOUND_PREFIX, 8},
        {"frob(1)", nullptr, TOVELXPATH_UNKNOWN_FUNCTION, 0},
        {"1 + count()", nullptr, TOVELXPATH_ARGUMENT_COUNT, 4},
        {"concat('a')", nullptr, TOVELXPATH_ARGUMENT_COUNT, 0},
        {"count(1)", nullptr, TOVELXPATH_NODESET_EXPECTED, 6},
        {"'a'/b", nullptr, TOVELXPATH_NODESET_EXPECTED, 0},
        {"1 | //a", nullptr, TOVELXPATH_NODESET_EXPECTED, 0},
        {"$v/a", nullptr, TOVELXPATH_NODESET_EXPECTED, 0},
        {"$missing", nullptr, TOVELXPATH_UNBOUND_VARIABLE, 0},
    };
    Doc doc = load();
    TOVELXPathVariable v{"v", TOVELXPATH_NUMBER, 0, 1, nullptr, nullptr, 0};
    for (const Case& c : kCases) {
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

TEST(XPath, ValuesAndVariables) {
    Doc doc = load();
    Node a = Node::adopt(TOVELXPathSelectOne_7_4_0(doc, "//a", nullptr, nullptr));
    Node c = Node::adopt(TOVELXPathSelectOne_7_4_0(doc, "//d:c", kNs, nullptr));
    ITOVELDOMNode* nodes[] = {c, a, c};
    const TOVELXPathVariable vars[] = {
        {"s", TOVELXPATH_STRING, 0, 0, "3", nullptr, 0},
        {"n", TOVELXPATH_NUMBER, 0, 2, nullptr, nullptr, 0},
        {"b", TOVELXPATH_BOOLEAN, 1, 0, nullptr, nullptr, 0},
        {"set", TOVELXPATH_NODESET, 0, 0, nullptr, nodes, 3},
    };
    const Case kCases[] = {
        // What libxml2 cannot be asked (tests/xpath_libxml2_test.cpp compares the rest):
        // namespace nodes as their declarations, numbers in the shortest digits that read back.
        {"//p:b/namespace::*", "[xmlns xmlns:p]"},
        {"0.1 + 0.2", "0.30000000000000004"},
        {"1 div 3", "0.3333333333333333"},
        {"0.0000001", "0.0000001"},
        {"1000000 * 1000000 * 1000000 * 1000", "1000000000000000000000"},
        {"-0", "0"},
        {"-1.5", "-1.5"},
        {"1 div round(-0.5)", "-Infinity"},
        {"//a[@n = $s]/@n", "[n]"},
        {"//*[@n = $n]", "[p:b]"},
        {"$b and $n = 2", "true"},
        {"$set", "[a c]"}, // document order, once each
        {"$set[2]/..", "[p:b]"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(show(doc, c.expression, vars, 4), c.expected) << c.expression;
}

TEST(XPath, OneShotsAndDetachedTrees) {
    Doc doc = load();
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
        Doc doc = load();
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

// The host layer over the same functions: queries compiled once, variables per evaluation,
// errors as toveldom::error, and the node shortcuts.
const char kLayerText[] = "<r xmlns:p='urn:p'><p:a n='1'>one</p:a><p:a n='2'/><b n='3'>x</b></r>";

TEST(XPathLayer, QueriesSelectAndEvaluate) {
    toveldom::document doc = toveldom::document::parse(kLayerText);
    toveldom::xpath_query q("//p:a[@n > $min]", {{"p", "urn:p"}});
    toveldom::xpath_variables vars;
    std::vector<toveldom::node> found = q.select(doc, vars.set("min", 0.0));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name(), "p:a");
    EXPECT_EQ(q.select_one(doc, vars.set("min", 1.0)).as_element().attribute_or("n", ""), "2");
    EXPECT_FALSE(q.select_one(doc, vars.set("min", 5.0)));
    EXPECT_EQ(q.evaluate_string(doc, vars.set("min", 0.0)), "one");
    EXPECT_EQ(toveldom::xpath_query("sum(//@n) div 4").evaluate_number(doc), 1.5);
    EXPECT_TRUE(toveldom::xpath_query("//b = 'x'").evaluate_boolean(doc));
    EXPECT_EQ(toveldom::xpath_query("$s").evaluate_string(doc, vars.set("s", "text")), "text");
    toveldom::node b = doc.select_one("//b");
    EXPECT_EQ(b.select("preceding-sibling::p:x | ../p:a", {{"p", "urn:p"}}).size(), 2u);
    std::vector<toveldom::node> set{b, found[0]};
    EXPECT_EQ(toveldom::xpath_query("count($set/..)").evaluate_number(doc, vars.set("set", set)),
              1);
}

TEST(XPathLayer, ErrorsCarryCodeAndOffset) {
    toveldom::document doc = toveldom::document::parse(kLayerText);
    try {
        toveldom::xpath_query("//b[@n = ]");
        FAIL() << "no error";
    } catch (const toveldom::error& e) {
        EXPECT_EQ(e.kind(), toveldom::error_kind::parse);
        EXPECT_EQ(e.code(), TOVELXPATH_SYNTAX);
        EXPECT_EQ(e.offset(), 9);
    }
    EXPECT_THROW(doc.select("count(//b)"), toveldom::error);
    EXPECT_THROW(doc.select("//q:b"), toveldom::error);
    EXPECT_THROW(toveldom::xpath_query("$nope").evaluate_number(doc), toveldom::error);
}

} // namespace

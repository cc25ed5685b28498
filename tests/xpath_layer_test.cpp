// XPath from the host layer: queries compiled once, variables per evaluation, errors as
// toveldom::error, and the node shortcuts.
#include <gtest/gtest.h>

#include <toveldom/dom.hpp>
#include <toveldom/xpath.hpp>

namespace {

const char kText[] = "<r xmlns:p='urn:p'><p:a n='1'>one</p:a><p:a n='2'/><b n='3'>x</b></r>";

TEST(XPathLayer, QueriesSelectAndEvaluate) {
    toveldom::document doc = toveldom::document::parse(kText);
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
    toveldom::document doc = toveldom::document::parse(kText);
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

// The host layer: what it adds over the interfaces (ownership, walking, checks, errors).
#include <functional>

#include <gtest/gtest.h>

#include <toveldom/dom.hpp>
#include <toveldom/exceptions.h>

#include "test_support.h"

using namespace toveldom;
using tovel_test::refs;

namespace {

const char* kShop = "<shop xmlns:m='urn:m'><item id='1' price='2.5' tag=''>one</item><!--c-->"
                    "<m:note/><item id='2'>two<b>!</b></item></shop>";

// The error f throws; code 0 when it throws none.
error caught(const std::function<void()>& f) {
    try {
        f();
    } catch (const error& e) {
        return e;
    }
    return error(error_kind::tree, 0, "nothing thrown");
}

int code_of(const std::function<void()>& f) { return caught(f).code(); }

} // namespace

TEST(DomHandles, CopyAddsMoveTransfersDestructionReleases) {
    document doc = document::parse(kShop);
    element root = doc.root();
    int base = refs(root.get());
    {
        element copy = root;
        EXPECT_EQ(refs(root.get()), base + 1);
        element moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(refs(root.get()), base + 1);
    }
    EXPECT_EQ(refs(root.get()), base);
    ITOVELDOMElement* raw = root.get();
    raw->AddRef();
    element adopted = element::adopt(raw); // takes the reference just added
    element retained = element::retain(raw);
    EXPECT_EQ(refs(raw), base + 2);
}

TEST(DomHandles, NodeKeepsItsDocumentAlive) {
    element item;
    {
        document doc = document::parse(kShop);
        item = doc.root().child("item");
    }
    EXPECT_EQ(item.owner_document().root().name(), "shop");
    EXPECT_EQ(item.next_sibling("item").attribute_or("id", ""), "2");
    EXPECT_FALSE(element());
    EXPECT_FALSE(document(nullptr));
    EXPECT_TRUE(document());
}

TEST(DomDocuments, LoadAndOutputOptions) {
    load_options keep, latin;
    keep.preserve_whitespace = true;
    latin.encoding = "ISO-8859-1";
    EXPECT_EQ(document::parse("<a> x  y </a>", keep).root().text(), " x  y ");
    EXPECT_EQ(document::parse("<a> x  y </a>").root().text(), "x y");
    EXPECT_EQ(document::parse("<a>\xE9</a>", latin).root().text(), "\xC3\xA9");
    output_options tabs;
    tabs.indent = true;
    tabs.indent_unit = "\t";
    tabs.final_newline = true;
    document doc = document::parse("<a><b/></a>");
    EXPECT_EQ(doc.root().xml(tabs), "<a>\n\t<b/>\n</a>\n");
    EXPECT_EQ(doc.root().xml(), "<a><b/></a>"); // each call sets the indentation it needs
    EXPECT_EQ(doc.root().child("b").xml(tabs), "<b/>\n");
}

TEST(DomWalking, ElementRangesNamesAndParents) {
    document doc = document::parse(kShop);
    element shop = doc.root();
    std::string ids;
    for (const element& e : shop.children("item")) ids += e.attribute_or("id", "?");
    EXPECT_EQ(ids, "12");
    int elements = 0, nodes = 0;
    for (const element& e : shop.children()) elements += bool(e);
    for (const node& n : shop.nodes()) nodes += bool(n);
    EXPECT_EQ(elements, 3);
    EXPECT_EQ(nodes, 4);
    element note = shop.child("m:note");
    EXPECT_EQ(note.local_name(), "note");
    EXPECT_EQ(note.namespace_uri(), "urn:m");
    EXPECT_EQ(note.previous_sibling().attribute_or("id", ""), "1");
    EXPECT_EQ(note.parent(), shop);
    EXPECT_FALSE(shop.parent()); // the document is no element
    EXPECT_FALSE(shop.child("absent"));
    EXPECT_TRUE(shop.children("absent").empty());
    EXPECT_EQ(shop.child_text("item"), "one");
    EXPECT_EQ(shop.nodes().begin()->next().type(), node_type::comment);
}

TEST(DomAttributes, AbsentAndEmptyDifferAndViewsStayPut) {
    document doc = document::parse(kShop);
    element item = doc.root().child("item");
    std::optional<std::string_view> id = item.attribute("id"), price = item.attribute("price");
    EXPECT_EQ(item.attribute("tag"), std::string_view());
    EXPECT_FALSE(item.attribute("none"));
    EXPECT_EQ(*id, "1"); // a second read did not replace the first
    EXPECT_EQ(*price, "2.5");
    EXPECT_EQ(item.attribute_or("none", "x"), "x");
    item.set_attribute("count", 3);
    item.remove_attribute("tag");
    EXPECT_EQ(item.attribute_as<int>("count"), 3);
    EXPECT_FALSE(item.attribute("tag"));
    std::vector<attribute> plain = doc.root().attributes(), all = doc.root().attributes(true);
    EXPECT_TRUE(plain.empty());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(all[0].is_namespace_declaration());
    EXPECT_EQ(all[0].owner_element(), doc.root());
}

TEST(DomAttributes, AttributeAsIsStrict) {
    document doc = document::parse("<a i='42' n='-7' f='2.5' t='true' z='0' "
                                   "p='12abc' s=' 1' e='' h='300' x='1e3'/>");
    element a = doc.root();
    EXPECT_EQ(a.attribute_as<int>("i"), 42);
    EXPECT_EQ(a.attribute_as<long>("n"), -7);
    EXPECT_EQ(a.attribute_as<double>("x"), 1000.0);
    EXPECT_EQ(a.attribute_as<bool>("t"), true);
    EXPECT_EQ(a.attribute_as<bool>("z"), false);
    EXPECT_FALSE(a.attribute_as<int>("missing"));
    struct Case {
        const char* name;
        void (*read)(const element&);
    } cases[] = {
        {"p", [](const element& e) { e.attribute_as<int>("p"); }},
        {"s", [](const element& e) { e.attribute_as<int>("s"); }},
        {"e", [](const element& e) { e.attribute_as<double>("e"); }},
        {"h", [](const element& e) { e.attribute_as<unsigned char>("h"); }},
        {"n", [](const element& e) { e.attribute_as<unsigned>("n"); }},
        {"f", [](const element& e) { e.attribute_as<int>("f"); }},
        {"i", [](const element& e) { e.attribute_as<bool>("i"); }},
    };
    for (const Case& c : cases) {
        error e = caught([&] { c.read(a); });
        EXPECT_EQ(e.code(), errc::type_mismatch) << c.name;
        EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
    }
}

TEST(DomBuilding, BuildsAndRemoves) {
    document doc;
    element root = doc.append_element("list");
    element b = root.append_element("b");
    root.prepend_element("a");
    root.insert_element_before(b, "ab").set_text("x < y");
    root.append_cdata("c");
    root.append_comment(" ok ");
    doc.append_processing_instruction("pi", "d");
    b.remove();
    EXPECT_FALSE(b.parent());
    EXPECT_EQ(doc.xml(), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<?pi d?><list><a/><ab>x &lt; y</ab><![CDATA[c]]><!-- ok --></list>");
    output_options indented;
    indented.indent = true;
    EXPECT_EQ(root.child("a").xml(indented), "<a/>");
}

TEST(DomBuilding, RefusesWhatWouldNotPrintAsXml) {
    struct Case {
        const char* what;
        void (*build)();
        int code;
    } cases[] = {
        {"digit first", [] { document().append_element("1a"); }, errc::invalid_character},
        {"two colons", [] { document().append_element("a:b:c"); }, errc::invalid_character},
        {"empty", [] { document().append_element(""); }, errc::invalid_character},
        {"bad non-ASCII", [] { document().append_element("a\xC3\x97"); }, errc::invalid_character},
        {"attribute", [] { document().append_element("a").set_attribute("=", "v"); },
         errc::invalid_character},
        {"control", [] { document().append_element("a").set_text("\x01"); },
         errc::invalid_character},
        {"not UTF-8", [] { document().append_element("a").append_text("\xC3("); },
         errc::invalid_character},
        {"cdata", [] { document().append_element("a").append_cdata("x]]>y"); }, errc::syntax},
        {"cdata value", [] { document().append_element("a").append_cdata("x").set_value("]]>"); },
         errc::syntax},
        {"comment --", [] { document().append_comment("a--b"); }, errc::syntax},
        {"comment -", [] { document().append_comment("a-"); }, errc::syntax},
        {"pi ?>", [] { document().append_processing_instruction("p", "a?>"); }, errc::syntax},
        {"pi xml", [] { document().append_processing_instruction("XmL"); },
         errc::invalid_character},
        {"second root",
         [] {
             document d;
             d.append_element("a");
             d.append_element("b");
         },
         LUMA_7_4_0::HIERARCHY_REQUEST_ERR},
    };
    for (const Case& c : cases) EXPECT_EQ(code_of(c.build), c.code) << c.what;
    document ok;
    EXPECT_EQ(ok.append_element("caf\xC3\xA9").name(), "caf\xC3\xA9"); // non-ASCII letters pass
}

TEST(DomBuilding, DeclaresTheNamespacesItUses) {
    document doc;
    element root = doc.append_element("p:root", "urn:p");
    root.append_element("p:kid"); // the prefix in scope gives the URI
    root.append_element("kid", "urn:d").append_element("plain");
    root.append_element("q:kid", "urn:q").set_attribute("p:a", "1");
    EXPECT_EQ(root.xml(), "<p:root xmlns:p=\"urn:p\"><p:kid/><kid xmlns=\"urn:d\"><plain "
                          "xmlns=\"\"/></kid><q:kid xmlns:q=\"urn:q\" p:a=\"1\"/></p:root>");
    element again = document::parse(doc.xml()).root();
    EXPECT_EQ(again.child("p:kid").namespace_uri(), "urn:p");
    EXPECT_EQ(again.child("kid").child("plain").namespace_uri(), "");
    EXPECT_EQ(code_of([] { document().append_element("u:x"); }), errc::namespace_error);
    EXPECT_EQ(code_of([] { document().append_element("x").set_attribute("u:a", ""); }),
              errc::namespace_error);
}

TEST(DomWalking, RemovingTheCurrentChildKeepsTheWalkGoing) {
    document doc = document::parse("<a><b/><b/><c/><b/></a>");
    for (const element& b : doc.root().children("b")) b.remove();
    EXPECT_EQ(doc.root().xml(), "<a><c/></a>");
}

TEST(DomSearch, FindAllOverTheDesignedSearches) {
    document doc = document::parse("<r xmlns:p='urn:p'><Item/><item><item/></item><p:item/></r>");
    find_options nocase, ns;
    nocase.ignore_case = true;
    ns.namespace_uri = "urn:p";
    EXPECT_EQ(doc.find_all("item").size(), 2u);
    EXPECT_EQ(doc.root().find_all("item", nocase).size(), 3u);
    EXPECT_EQ(doc.find_all("item", ns).size(), 1u);
    EXPECT_EQ(doc.find_all("r").size(), 1u);        // the document tests its element
    EXPECT_EQ(doc.root().find_all("r").size(), 0u); // an element only its descendants
}

TEST(DomErrors, MessagesPositionsAndKinds) {
    error parse = caught([] { document::parse("<a>\n  <b></a>"); });
    EXPECT_EQ(parse.kind(), error_kind::parse);
    EXPECT_EQ(parse.code(), 7);
    EXPECT_EQ(parse.line(), 2);
    EXPECT_EQ(parse.column(), 8);
    EXPECT_STREQ(parse.what(), "2:8: mismatched tag (error 7)");
    error file = caught([] { document::load_file("/nonexistent/x.xml"); });
    EXPECT_EQ(file.kind(), error_kind::file);
    EXPECT_EQ(file.path(), "/nonexistent/x.xml");
    EXPECT_STREQ(file.what(),
                 "/nonexistent/x.xml: cannot open: No such file or directory (error 30004)");
    error tree = caught([] {
        document doc;
        doc.append_element("a").append_element("b").remove();
        document::parse("<x/>").root().append_element("y").insert_element_before(doc.root(), "z");
    });
    EXPECT_EQ(tree.kind(), error_kind::tree);
    EXPECT_EQ(tree.line(), 0);
    EXPECT_EQ(tree.code(), LUMA_7_4_0::NOT_FOUND_ERR);
    EXPECT_EQ(code_of([] { document::parse(""); }), 3);
}

// The leaf kinds: text, CDATA section, comment, processing instruction and document type.
// Their names and defaults, the character data edits by byte offset, splitText.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

using LeafNodes = DocTest;

TEST_F(LeafNodes, KindsNamesAndDefaults) {
    struct {
        CNodePtr<ITOVELDOMNode> n;
        tagITOVELDOMNodeType type;
        const char *name, *typeString;
        unsigned short childCode; // what adding or removing a child throws
    } kinds[] = {
        {text("t").get(), NODE_TEXT, "#text", "text", 3},
        {cdata("c").get(), NODE_CDATA_SECTION, "#cdata-section", "cdatasection", 3},
        {comment("m").get(), NODE_COMMENT, "#comment", "comment", 3},
        {pi("target", "d").get(), NODE_PROCESSING_INSTRUCTION, "target", "processinginstruction",
         3},
        {doctype("root", "pub", "sys").get(), NODE_DOCUMENT_TYPE, "root", "documenttype", 7}};
    for (auto& k : kinds) {
        ITOVELDOMNode* n = k.n;
        SCOPED_TRACE(k.name);
        EXPECT_EQ(n->get_nodeType(), k.type);
        EXPECT_STREQ(n->get_nodeName(), k.name);
        EXPECT_STREQ(n->get_nodeTypeString(), k.typeString);
        EXPECT_TRUE(!n->get_attributes() && !n->get_prefix() && !n->get_namespaceURI());
        EXPECT_EQ(refs(n), 1); // the table's only
        auto other = text("o");
        EXPECT_CODE(k.childCode, drop(n->insertBefore(other, nullptr)));
        EXPECT_CODE(k.childCode, drop(n->replaceChild(other, other)));
        EXPECT_CODE(k.childCode, drop(n->removeChild(other)));
        EXPECT_EQ(refs(other.get()), 1);
        EXPECT_FALSE(n->hasChildNodes());
    }
}

TEST_F(LeafNodes, InstructionDataAndDocumentTypeIdentifiers) {
    auto p = pi("target", nullptr);
    p->put_nodeValue("d2");
    EXPECT_STREQ(p->get_text(), "d2");
    p->put_text(nullptr);
    EXPECT_STREQ(p->get_data(), "");

    auto dt = doctype("root", "pub", "sys");
    EXPECT_STREQ(dt->get_publicID(), "pub");
    EXPECT_STREQ(dt->get_systemID(), "sys");
    EXPECT_CODE(7, dt->put_text("x"));
    EXPECT_CODE(30000, drop(dt->get_entities()));
    EXPECT_CODE(30000, drop(dt->get_notations()));
    // The constructor takes the system identifier first.
    CNodePtr<ITOVELDOMDocumentType> direct(
        new CTOVELDOMDocumentType(doc_, nullptr, "d", "sys", "pub", "[<!ENTITY e 'x'>]"));
    EXPECT_XML(direct, "<!DOCTYPE d PUBLIC \"pub\" \"sys\" [<!ENTITY e 'x'>]>\n");
}

TEST_F(LeafNodes, DataLengthIsInBytesAndSubstringNeverThrows) {
    auto t = text(nullptr);
    EXPECT_STREQ(t->get_data(), "");
    t->put_data("\xC3\xA9");
    EXPECT_EQ(t->get_length(), 2);
    t->put_text("abc");
    t->appendData(nullptr);
    t->appendData("de");
    EXPECT_STREQ(t->get_nodeValue(), "abcde");

    // The substring lives in a cache of its own, apart from the data.
    auto h = text("hello");
    const char* data = h->get_data();
    struct {
        long offset, count;
        const char* expected;
    } cases[] = {{0, 99, "hello"}, {1, 3, "ell"},  {5, 1, ""}, {6, 1, ""},
                 {-1, 2, ""},      {2, -1, "llo"}, {0, 0, ""}, {3, 2, "lo"}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << "," << c.count);
        EXPECT_STREQ(h->substringData(c.offset, c.count), c.expected);
    }
    EXPECT_EQ(data, h->get_data());
    EXPECT_STREQ(data, "hello");
}

// op: 'i' insertData(offset, text), 'd' deleteData(offset, count), 'r' replaceData.
TEST_F(LeafNodes, EditsApplyOrRefuseWithCodeOne) {
    struct {
        char op;
        const char* start;
        long offset, count;
        const char* arg;
        const char* expected; // null: code 1 and data unchanged
    } cases[] = {{'i', "abc", 1, 0, "X", "aXbc"},        {'i', "abc", 3, 0, "X", "abcX"},
                 {'i', "abc", 9, 0, "X", "abcX"},        {'i', "abc", 0, 0, "X", "Xabc"},
                 {'i', "abc", -1, 0, "X", nullptr},      {'i', "abc", 1, 0, nullptr, nullptr},
                 {'d', "abcd", 1, 2, nullptr, "ad"},     {'d', "abcd", 2, 99, nullptr, "ab"},
                 {'d', "abcd", 1, -1, nullptr, "a"},     {'d', "abcd", 4, 1, nullptr, nullptr},
                 {'d', "abcd", -1, 1, nullptr, nullptr}, {'d', "", 0, 0, nullptr, nullptr},
                 {'r', "abcd", 1, 2, "XYZ", "aXYZd"},    {'r', "abcd", 2, 99, "X", "abX"},
                 {'r', "abcd", 0, -1, "X", "X"},         {'r', "abcd", 4, 1, "X", nullptr},
                 {'r', "abcd", -2, 1, "X", nullptr}};
    for (auto& c : cases) {
        for (CNodePtr<ITOVELDOMCharacterData> n :
             {CNodePtr<ITOVELDOMCharacterData>(text(c.start).get()),
              CNodePtr<ITOVELDOMCharacterData>(cdata(c.start).get()),
              CNodePtr<ITOVELDOMCharacterData>(comment(c.start).get())}) {
            SCOPED_TRACE(testing::Message() << c.op << " '" << c.start << "' " << c.offset << ","
                                            << c.count << " " << n->get_nodeName());
            auto run = [&] {
                if (c.op == 'i') n->insertData(c.offset, c.arg);
                if (c.op == 'd') n->deleteData(c.offset, c.count);
                if (c.op == 'r') n->replaceData(c.offset, c.count, c.arg);
            };
            if (c.expected) {
                run();
                EXPECT_STREQ(n->get_data(), c.expected);
            } else {
                EXPECT_CODE(1, run());
                EXPECT_STREQ(n->get_data(), c.start);
            }
        }
    }
}

TEST_F(LeafNodes, SplitTextPutsTheNewNodeAfterThisOne) {
    auto p = elem("p");
    auto t = text("hello");
    add(p, t);
    addElem(p, "after");
    auto second = own(t->splitText(2));
    EXPECT_EQ(refs(second.get()), 2);
    EXPECT_EQ(peek(t->get_nextSibling()), second.get());
    // At or beyond the end (a negative offset counts as beyond) an empty node follows.
    for (long at : {2L, 99L, -1L}) drop(t->splitText(at));
    EXPECT_EQ(kids(p), "#text=he,#text=,#text=,#text=,#text=llo,after");
    auto c = cdata("abcd");
    add(p, c);
    EXPECT_EQ(own(c->splitText(1))->get_nodeType(), NODE_CDATA_SECTION);
    EXPECT_EQ(kids(p), "#text=he,#text=,#text=,#text=,#text=llo,after,#cdata-section=a,"
                       "#cdata-section=bcd");
}

} // namespace
} // namespace tovel_test

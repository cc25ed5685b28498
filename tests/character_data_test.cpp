// Text, CDATA section and comment: byte offsets, substring/insert/delete/replace bounds,
// splitText, cloning and the leaf defaults.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

using CharacterData = DocTest;

TEST_F(CharacterData, KindsNamesAndLeafDefaults) {
    auto t = text("t");
    auto c = cdata("c");
    auto m = comment("m");
    EXPECT_EQ(t->get_nodeType(), NODE_TEXT);
    EXPECT_EQ(c->get_nodeType(), NODE_CDATA_SECTION);
    EXPECT_EQ(m->get_nodeType(), NODE_COMMENT);
    EXPECT_STREQ(t->get_nodeName(), "#text");
    EXPECT_STREQ(c->get_nodeName(), "#cdata-section");
    EXPECT_STREQ(m->get_nodeName(), "#comment");
    EXPECT_STREQ(t->get_nodeTypeString(), "text");
    EXPECT_STREQ(c->get_nodeTypeString(), "cdatasection");
    EXPECT_STREQ(m->get_nodeTypeString(), "comment");
    EXPECT_STREQ(c->get_localName(), "#cdata-section");
    for (ITOVELDOMNode* n :
         {static_cast<ITOVELDOMNode*>(t.get()), static_cast<ITOVELDOMNode*>(c.get()),
          static_cast<ITOVELDOMNode*>(m.get())}) {
        EXPECT_EQ(n->get_attributes(), nullptr);
        EXPECT_EQ(n->get_firstChild(), nullptr);
        EXPECT_EQ(n->get_lastChild(), nullptr);
        EXPECT_EQ(n->get_prefix(), nullptr);
        EXPECT_EQ(n->get_namespaceURI(), nullptr);
        EXPECT_FALSE(n->hasChildNodes());
        EXPECT_EQ(refs(n), 1);
        auto other = text("o");
        EXPECT_CODE(3, drop(n->insertBefore(other, nullptr)));
        EXPECT_CODE(3, drop(n->replaceChild(other, other)));
        EXPECT_CODE(3, drop(n->removeChild(other)));
        auto* priv = dynamic_cast<ITOVELDOMPrivate*>(n);
        EXPECT_CODE(3, priv->appendNewChild(other));
        EXPECT_CODE(3, drop(priv->getChildLeftSibling(other)));
        EXPECT_CODE(30003, priv->setOwnerDocument(nullptr));
        EXPECT_EQ(refs(other.get()), 1);
    }
}

TEST_F(CharacterData, DataAccessors) {
    auto t = text(nullptr);
    EXPECT_STREQ(t->get_data(), "");
    t->put_data("\xC3\xA9");
    EXPECT_EQ(t->get_length(), 2); // bytes, not characters
    t->put_nodeValue(nullptr);
    EXPECT_STREQ(t->get_nodeValue(), "");
    t->put_text("abc");
    EXPECT_STREQ(t->get_text(), "abc");
    t->appendData(nullptr);
    t->appendData("de");
    EXPECT_STREQ(t->get_data(), "abcde");
}

struct SubstringCase {
    long offset, count;
    const char* expected;
};
class Substring : public DocTest, public ::testing::WithParamInterface<SubstringCase> {};
TEST_P(Substring, NeverThrows) {
    auto t = text("hello");
    EXPECT_STREQ(t->substringData(GetParam().offset, GetParam().count), GetParam().expected);
    EXPECT_STREQ(t->get_data(), "hello");
}
INSTANTIATE_TEST_SUITE_P(Bounds, Substring,
                         ::testing::Values(SubstringCase{0, 99, "hello"},
                                           SubstringCase{1, 3, "ell"}, SubstringCase{5, 1, ""},
                                           SubstringCase{6, 1, ""}, SubstringCase{-1, 2, ""},
                                           SubstringCase{2, -1, "llo"}, SubstringCase{0, 0, ""}));

TEST_F(CharacterData, SubstringLivesInTheCacheDataDoesNot) {
    auto t = text("hello");
    const char* data = t->get_data();
    EXPECT_STREQ(t->substringData(0, 2), "he");
    EXPECT_STREQ(t->substringData(3, 2), "lo");
    std::string xml = t->get_xml();
    EXPECT_EQ(xml, "hello");
    EXPECT_EQ(data, t->get_data());
    EXPECT_STREQ(data, "hello");
}

// op: 'i' insertData(offset, text), 'd' deleteData(offset, count), 'r' replaceData.
struct EditCase {
    char op;
    const char* start;
    long offset, count;
    const char* arg;
    const char* expected; // null: code 1 and data unchanged
};
class Edits : public DocTest, public ::testing::WithParamInterface<EditCase> {};
TEST_P(Edits, ApplyOrRefuse) {
    const EditCase& c = GetParam();
    for (int kind = 0; kind < 3; ++kind) {
        CNodePtr<ITOVELDOMCharacterData> n;
        if (kind == 0) n = CNodePtr<ITOVELDOMCharacterData>(text(c.start).get());
        if (kind == 1) n = CNodePtr<ITOVELDOMCharacterData>(cdata(c.start).get());
        if (kind == 2) n = CNodePtr<ITOVELDOMCharacterData>(comment(c.start).get());
        auto run = [&] {
            if (c.op == 'i') n->insertData(c.offset, c.arg);
            if (c.op == 'd') n->deleteData(c.offset, c.count);
            if (c.op == 'r') n->replaceData(c.offset, c.count, c.arg);
        };
        if (c.expected) {
            run();
            EXPECT_STREQ(n->get_data(), c.expected) << n->get_nodeName();
        } else {
            EXPECT_CODE(1, run());
            EXPECT_STREQ(n->get_data(), c.start) << n->get_nodeName();
        }
    }
}
INSTANTIATE_TEST_SUITE_P(
    Bounds, Edits,
    ::testing::Values(
        EditCase{'i', "abc", 1, 0, "X", "aXbc"}, EditCase{'i', "abc", 3, 0, "X", "abcX"},
        EditCase{'i', "abc", 9, 0, "X", "abcX"}, EditCase{'i', "abc", 0, 0, "X", "Xabc"},
        EditCase{'i', "abc", -1, 0, "X", nullptr}, EditCase{'i', "abc", 1, 0, nullptr, nullptr},
        EditCase{'d', "abcd", 1, 2, nullptr, "ad"}, EditCase{'d', "abcd", 2, 99, nullptr, "ab"},
        EditCase{'d', "abcd", 1, -1, nullptr, "a"}, EditCase{'d', "abcd", 4, 1, nullptr, nullptr},
        EditCase{'d', "abcd", -1, 1, nullptr, nullptr}, EditCase{'d', "", 0, 0, nullptr, nullptr},
        EditCase{'r', "abcd", 1, 2, "XYZ", "aXYZd"}, EditCase{'r', "abcd", 2, 99, "X", "abX"},
        EditCase{'r', "abcd", 0, -1, "X", "X"}, EditCase{'r', "abcd", 4, 1, "X", nullptr},
        EditCase{'r', "abcd", -2, 1, "X", nullptr}));

class SplitText : public DocTest {
protected:
    CNodePtr<ITOVELDOMElement> p_ = elem("p");
    CNodePtr<ITOVELDOMText> t_ = text("hello");
    CNodePtr<ITOVELDOMElement> after_;
    void SetUp() override {
        add(p_, t_);
        after_ = addElem(p_, "after");
    }
};

TEST_F(SplitText, NewNodeFollowsThisOne) {
    auto second = own(t_->splitText(2));
    EXPECT_EQ(refs(second.get()), 2);
    EXPECT_EQ(kids(p_), "#text=he,#text=llo,after");
    auto next = own(t_->get_nextSibling());
    EXPECT_EQ(next.get(), static_cast<ITOVELDOMNode*>(second.get()));
    auto last = own(second->splitText(0));
    EXPECT_EQ(kids(p_), "#text=he,#text=,#text=llo,after");
}

TEST_F(SplitText, AtOrBeyondTheEndAddsAnEmptyNode) {
    drop(t_->splitText(5));
    drop(t_->splitText(99));
    drop(t_->splitText(-1));
    EXPECT_EQ(kids(p_), "#text=hello,#text=,#text=,#text=,after");
}

TEST_F(SplitText, CdataSplitsIntoCdataAtTheEnd) {
    auto c = cdata("abcd");
    add(p_, c);
    auto second = own(c->splitText(1));
    EXPECT_EQ(second->get_nodeType(), NODE_CDATA_SECTION);
    EXPECT_EQ(kids(p_), "#text=hello,after,#cdata-section=a,#cdata-section=bcd");
}

TEST_F(SplitText, DetachedNodeRefuses) {
    auto loose = text("abc");
    EXPECT_CODE(3, drop(loose->splitText(1)));
    EXPECT_STREQ(loose->get_data(), "abc");
    auto c = cdata("abc");
    EXPECT_CODE(3, drop(c->splitText(1)));
    EXPECT_STREQ(c->get_data(), "abc");
}

TEST_F(CharacterData, CloneIsDetachedWithTheSameData) {
    auto p = elem("p");
    auto c = cdata("d");
    add(p, c);
    for (bool deep : {false, true}) {
        auto copy = own(c->cloneNode(deep));
        EXPECT_EQ(copy->get_nodeType(), NODE_CDATA_SECTION);
        EXPECT_STREQ(copy->get_nodeValue(), "d");
        EXPECT_EQ(copy->get_parentNode(), nullptr);
        EXPECT_EQ(refs(copy.get()), 1);
        auto owner = own(copy->get_ownerDocument());
        EXPECT_EQ(owner.get(), doc_.get());
    }
    auto m = own(comment("m")->cloneNode(true));
    EXPECT_EQ(m->get_nodeType(), NODE_COMMENT);
    EXPECT_STREQ(m->get_nodeValue(), "m");
}

} // namespace
} // namespace tovel_test

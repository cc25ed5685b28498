// Order definitions and the reordering of element children. Trees are built by hand; each
// child element is written as name[key] in the sequences compared below.
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <toveldom/toveldom.h>

using namespace LUMA_7_4_0;

namespace {

constexpr unsigned kMaxRank = 4294967295u;
constexpr auto kUp = ITOVELDOMOrderDef::eSortAscending;
constexpr auto kDown = ITOVELDOMOrderDef::eSortDescending;

template <class T> CNodePtr<T> own(T* p) { return CNodePtr<T>::adopt(p); }

int refs(ITOVELDOMNode* node) {
    node->AddRef();
    return node->Release();
}

template <class F> unsigned short codeOf(F&& f) {
    try {
        f();
    } catch (const ITOVELDOMException& e) {
        return e.get_code();
    }
    return 0;
}

// A definition made by the public factory, released at scope end.
struct Def {
    ITOVELDOMOrderDef* p = createTOVELDOMOrderDef_7_4_0();
    Def() = default;
    Def(const Def&) = delete;
    ~Def() { p->Release(); }
    ITOVELDOMOrderDef* operator->() const { return p; }
    Def& group(const char* name, unsigned rank) {
        p->setGroup(name, rank);
        return *this;
    }
    Def& sortBy(const char* tagName, unsigned level, ITOVELDOMOrderDef::eSort direction = kUp,
                bool caseSensitive = false) {
        p->setSort(tagName, level, direction, caseSensitive);
        return *this;
    }
};

// A host's own definition: every answer is whatever the test puts in the fields.
class HostDef final : public ITOVELDOMOrderDef {
public:
    void setGroup(char const*, unsigned const&) override {}
    unsigned getGroupRank(char const* name) const override {
        if (throwOnRank && name && std::strcmp(name, throwOnRank) == 0) throw TOVELDOMException(1);
        return rank;
    }
    unsigned getGroupSize() const override { return groups; }
    void setSort(char const*, unsigned const&, eSort const&, bool const&) override {}
    char* getSortTagName() const override { return tagName; }
    unsigned getSortTagLevel() const override { return level; }
    eSort getSortOrder() const override { return direction; }
    bool getSortSensitivity() const override { return false; }
    int AddRef() override { return ++count; }
    int Release() override { return --count; } // lives on the test's stack

    char* tagName = nullptr;
    unsigned level = 1;
    unsigned groups = 0;
    unsigned rank = 0;
    eSort direction = eSortAscending;
    const char* throwOnRank = nullptr;
    int count = 0;
};

class ElementOrder : public ::testing::Test {
protected:
    void SetUp() override {
        doc_ = createTOVELDOMDocument_7_4_0();
        root_ = doc_->createElement("root");
        doc_->appendChild(root_)->Release();
    }
    void TearDown() override {
        root_->Release();
        doc_->Release();
    }

    // Appends an element with the given text (none when null) to parent; borrowed result.
    ITOVELDOMElement* add(ITOVELDOMNode* parent, const char* name, const char* text = nullptr) {
        auto element = own(doc_->createElement(name));
        if (text) element->put_text(text);
        parent->appendChild(element)->Release();
        return element.get();
    }
    // Appends children written as "name[key] name name[key]"; a name alone has no text.
    void build(const std::string& children) {
        size_t at = 0;
        while (at < children.size()) {
            size_t end = children.find(' ', at);
            if (end == std::string::npos) end = children.size();
            std::string item = children.substr(at, end - at);
            size_t open = item.find('[');
            if (open == std::string::npos) {
                add(root_, item.c_str());
            } else {
                std::string key = item.substr(open + 1, item.size() - open - 2);
                add(root_, item.substr(0, open).c_str(), key.c_str());
            }
            at = end + 1;
        }
    }
    // Appends children named name, each with one child element keyName holding its key.
    void buildWithKeyChildren(const char* name, const char* keyName,
                              const std::vector<std::string>& keys) {
        for (const std::string& key : keys) {
            ITOVELDOMElement* child = add(root_, name);
            child->setAttribute("id", key.c_str());
            add(child, "other", "zzz");
            add(child, keyName, key.c_str());
        }
    }
    // The children written back the way build() reads them; text-like nodes as #kind=value.
    std::string sequence() const {
        std::string out;
        for (int i = 0;; ++i) {
            auto list = own(root_->get_childNodes());
            auto child = own(list->get_item(i));
            if (!child) break;
            if (i) out += ' ';
            if (child->get_nodeType() != NODE_ELEMENT) {
                out += std::string(child->get_nodeName()) + "=" + child->get_nodeValue();
                continue;
            }
            out += child->get_nodeName();
            const char* id = static_cast<ITOVELDOMElement*>(child.get())->getAttribute("id");
            const char* text = *id ? id : child->get_text();
            if (*text) out += std::string("[") + text + "]";
        }
        return out;
    }
    // The same sequence, read through get_firstChild / get_nextSibling.
    std::vector<ITOVELDOMNode*> forwardWalk() const {
        std::vector<ITOVELDOMNode*> out;
        for (auto at = own(root_->get_firstChild()); at; at = own(at->get_nextSibling()))
            out.push_back(at.get());
        return out;
    }
    std::vector<ITOVELDOMNode*> backwardWalk() const {
        std::vector<ITOVELDOMNode*> out;
        for (auto at = own(root_->get_lastChild()); at; at = own(at->get_previousSibling()))
            out.insert(out.begin(), at.get());
        return out;
    }
    std::vector<ITOVELDOMNode*> listed() const {
        std::vector<ITOVELDOMNode*> out;
        auto list = own(root_->get_childNodes());
        for (long i = 0; i < list->get_length(); ++i) out.push_back(own(list->get_item(i)).get());
        return out;
    }

    ITOVELDOMDocument* doc_ = nullptr;
    ITOVELDOMElement* root_ = nullptr;
};

// --- the definition ------------------------------------------------------------------------

TEST(OrderDefinition, NewDefinitionHasTheDefaults) {
    Def def;
    EXPECT_EQ(def->getGroupSize(), 0u);
    EXPECT_EQ(def->getSortTagLevel(), 1u);
    EXPECT_EQ(def->getSortOrder(), kUp);
    EXPECT_FALSE(def->getSortSensitivity());
    EXPECT_STREQ(def->getSortTagName(), "");
}

TEST(OrderDefinition, GroupRankIsThePositionInRankOrderIgnoringCase) {
    Def def;
    def.group("B", 2).group("A", 1).group("C", 2);
    EXPECT_EQ(def->getGroupSize(), 3u);
    EXPECT_EQ(def->getGroupRank("b"), 2u);
    EXPECT_EQ(def->getGroupRank("A"), 1u);
    EXPECT_EQ(def->getGroupRank("c"), 3u);
    EXPECT_EQ(def->getGroupRank("D"), 0u);
}

TEST(OrderDefinition, RankNumbersOnlyDecideTheOrder) {
    Def def;
    def.group("ten", 10).group("five", 5).group("seven", 7);
    EXPECT_EQ(def->getGroupRank("ten"), 3u);
    EXPECT_EQ(def->getGroupRank("five"), 1u);
    EXPECT_EQ(def->getGroupRank("seven"), 2u);
}

TEST(OrderDefinition, RanksSpanTheWholeUnsignedRange) {
    Def def;
    def.group("high", kMaxRank).group("low", 0);
    EXPECT_EQ(def->getGroupRank("low"), 1u);
    EXPECT_EQ(def->getGroupRank("high"), 2u);
}

TEST(OrderDefinition, ManyGroupsAndDuplicateNames) {
    Def def;
    const char* names[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (unsigned i = 0; i < 7; ++i) def.group(names[i], 7 - i);
    def.group("G", 0); // a second "g" group, placed first: only it is found
    EXPECT_EQ(def->getGroupSize(), 8u);
    EXPECT_EQ(def->getGroupRank("g"), 1u);
    EXPECT_EQ(def->getGroupRank("a"), 8u);
    EXPECT_EQ(def->getGroupRank("f"), 3u);
}

TEST(OrderDefinition, CopiesTheStringsItIsGiven) {
    Def def;
    char name[] = "item";
    char tag[] = "key";
    def->setGroup(name, 1);
    def->setSort(tag, 2, kDown, true);
    std::strcpy(name, "gone");
    std::strcpy(tag, "xyz");
    EXPECT_EQ(def->getGroupRank("item"), 1u);
    EXPECT_EQ(def->getGroupRank("gone"), 0u);
    EXPECT_STREQ(def->getSortTagName(), "key");
    EXPECT_EQ(def->getSortTagLevel(), 2u);
    EXPECT_EQ(def->getSortOrder(), kDown);
    EXPECT_TRUE(def->getSortSensitivity());
}

TEST(OrderDefinition, NullStringsAreStoredAsEmpty) {
    Def def;
    def->setSort(nullptr, 2, kUp, false);
    def->setGroup(nullptr, 1);
    EXPECT_STREQ(def->getSortTagName(), "");
    EXPECT_EQ(def->getGroupRank(""), 1u);
    EXPECT_EQ(def->getGroupRank(nullptr), 0u);
}

TEST(OrderDefinition, PublicFactoryHandsOutOneReference) {
    ITOVELDOMOrderDef* def = createTOVELDOMOrderDef_7_4_0();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->AddRef(), 2);
    EXPECT_EQ(def->Release(), 1);
    EXPECT_EQ(def->Release(), 0);
}

HostDef* gHooked = nullptr;
ITOVELDOMOrderDef* hookedFactory() { return gHooked; }

TEST(OrderDefinition, FactoriesHonourTheCreationHook) {
    HostDef host;
    gHooked = &host;
    gpfnCreateOrderDef_7_4_0 = hookedFactory;
    ITOVELDOMOrderDef* internal = CreateOrderDef_7_4_0();
    ITOVELDOMOrderDef* counted = createTOVELDOMOrderDef_7_4_0();
    gHooked = nullptr; // the hook now makes nothing
    unsigned short code = codeOf([] { createTOVELDOMOrderDef_7_4_0(); });
    gpfnCreateOrderDef_7_4_0 = nullptr;

    EXPECT_EQ(internal, &host);
    EXPECT_EQ(counted, &host);
    EXPECT_EQ(host.count, 1); // only the public factory adds a reference
    EXPECT_EQ(code, OUT_OF_MEMORY_ERR);

    ITOVELDOMOrderDef* made = CreateOrderDef_7_4_0(); // no hook: a library definition
    ASSERT_NE(made, nullptr);
    EXPECT_NE(made, static_cast<ITOVELDOMOrderDef*>(&host));
    EXPECT_EQ(made->AddRef(), 1);
    EXPECT_EQ(made->Release(), 0);
}

// --- groups --------------------------------------------------------------------------------

TEST_F(ElementOrder, UngroupedNamesComeFirst) {
    build("Y[2] Z[9] X[5] Y[1]");
    Def def;
    def.group("X", 1).group("Y", 2);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "Z[9] X[5] Y[1] Y[2]");
}

TEST_F(ElementOrder, UngroupedNamesAreSortedAmongThemselves) {
    build("X[1] q[c] p[a] X[0] r[b]");
    Def def;
    def.group("X", 1);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "p[a] r[b] q[c] X[0] X[1]");
}

TEST_F(ElementOrder, GroupsOfEqualRankKeepTheOrderTheyWereAdded) {
    build("a[1] c[1] b[1] d[1]");
    Def def;
    def.group("b", 5).group("a", 5).group("c", 0).group("d", 5);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "c[1] b[1] a[1] d[1]");
}

TEST_F(ElementOrder, RankZeroPrecedesTheLargestRank) {
    build("high[1] low[2] high[0] low[1]");
    Def def;
    def.group("high", kMaxRank).group("low", 0);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "low[1] low[2] high[0] high[1]");
}

TEST_F(ElementOrder, GroupMembershipIgnoresLetterCase) {
    build("Item[b] other[z] ITEM[a] item[c]");
    Def def;
    def.group("iTeM", 1);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "other[z] ITEM[a] Item[b] item[c]");
}

TEST_F(ElementOrder, WithoutGroupsAllElementsSortTogether) {
    build("c[3] a[1] b[2]");
    Def def;
    root_->order(def.p);
    EXPECT_EQ(sequence(), "a[1] b[2] c[3]");
}

TEST_F(ElementOrder, DescendingReversesInsideGroupsOnly) {
    build("Y[1] X[1] Z[1] X[3] Y[2] X[2] Z[2]");
    Def def;
    def.group("X", 1).group("Y", 2).sortBy("", 1, kDown);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "Z[2] Z[1] X[3] X[2] X[1] Y[2] Y[1]");
}

// --- the key ---------------------------------------------------------------------------------

struct KeyCase {
    const char* name;
    unsigned level;
    const char* keyChild; // the element name the children carry their key in
    const char* sortTag;  // the definition's sort tag name
    const char* expected; // ids in the resulting order
};

class KeyRule : public ElementOrder, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyRule, PicksTheKey) {
    const KeyCase& c = GetParam();
    // The element's own text (level 1) is "zzz" + key, the same order as the key itself except
    // for "m", whose key child is missing: its own text is "zzz" and it has no key child.
    buildWithKeyChildren("e", c.keyChild, {"c", "a", "b"});
    ITOVELDOMElement* bare = add(root_, "e");
    bare->setAttribute("id", "m");
    add(bare, "other", "zzz");
    Def def;
    def.sortBy(c.sortTag, c.level);
    root_->order(def.p);
    EXPECT_EQ(sequence(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ElementOrder, KeyRule,
    ::testing::Values(KeyCase{"Level1UsesOwnText", 1, "key", "key", "e[m] e[a] e[b] e[c]"},
                      KeyCase{"Level2UsesKeyChild", 2, "key", "key", "e[m] e[a] e[b] e[c]"},
                      KeyCase{"Level0AsLevel2", 0, "key", "key", "e[m] e[a] e[b] e[c]"},
                      KeyCase{"Level3AsLevel2", 3, "key", "key", "e[m] e[a] e[b] e[c]"},
                      KeyCase{"KeyChildNameIgnoresCase", 2, "Key", "KEY", "e[m] e[a] e[b] e[c]"},
                      KeyCase{"NoKeyChildSortsAsEmpty", 2, "key", "nope", "e[c] e[a] e[b] e[m]"},
                      KeyCase{"Level1IgnoresTheTagName", 1, "key", "nope", "e[m] e[a] e[b] e[c]"}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(ElementOrder, Level1SortsByTheWholeTextOfTheSubtree) {
    // Text of text and CDATA descendants in document order; comments do not count.
    ITOVELDOMElement* first = add(root_, "e");
    first->appendChild(own(doc_->createComment("a")))->Release();
    add(first, "x", "b");
    ITOVELDOMElement* second = add(root_, "e");
    second->appendChild(own(doc_->createCDATASection("a")))->Release();
    add(second, "x", "c");
    first->setAttribute("id", "1");
    second->setAttribute("id", "2");
    Def def;
    root_->order(def.p);
    EXPECT_EQ(sequence(), "e[2] e[1]");
}

TEST_F(ElementOrder, TheFirstMatchingKeyChildWins) {
    ITOVELDOMElement* one = add(root_, "e");
    one->setAttribute("id", "1");
    add(one, "key", "b");
    add(one, "key", "a");
    ITOVELDOMElement* two = add(root_, "e");
    two->setAttribute("id", "2");
    add(two, "KEY", "a");
    add(two, "key", "z");
    Def def;
    def.sortBy("key", 2);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "e[2] e[1]");
}

TEST_F(ElementOrder, EmptyKeysSortFirstAscendingAndLastDescending) {
    build("e[b] e e[a]");
    Def def;
    root_->order(def.p);
    EXPECT_EQ(sequence(), "e e[a] e[b]");
    def.sortBy("", 1, kDown);
    root_->order(def.p);
    EXPECT_EQ(sequence(), "e[b] e[a] e");
}

// --- collation -------------------------------------------------------------------------------

struct CollationCase {
    const char* name;
    const char* input;
    bool caseSensitive;
    const char* expected;
};

class Collation : public ElementOrder, public ::testing::WithParamInterface<CollationCase> {};

TEST_P(Collation, InTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_COLLATE, nullptr), "C");
    const CollationCase& c = GetParam();
    build(c.input);
    Def def;
    def.sortBy("", 1, kUp, c.caseSensitive);
    root_->order(def.p);
    EXPECT_EQ(sequence(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ElementOrder, Collation,
    ::testing::Values(
        CollationCase{"MixedCaseIgnored", "e[b] e[A] e[c]", false, "e[A] e[b] e[c]"},
        CollationCase{"MixedCaseByByteValue", "e[b] e[A] e[c]", true, "e[A] e[b] e[c]"},
        CollationCase{"LowerBeforeUpperIgnored", "e[B] e[a]", false, "e[a] e[B]"},
        CollationCase{"UpperBeforeLowerByByte", "e[a] e[B]", true, "e[B] e[a]"},
        // Letters fold to lower case, so '_' (0x5F) lands before them; by byte value it lies
        // between the capitals and the small letters.
        CollationCase{"UnderscoreBeforeLettersIgnored", "e[a] e[B] e[_]", false, "e[_] e[a] e[B]"},
        CollationCase{"UnderscoreBetweenCasesByByte", "e[a] e[B] e[_]", true, "e[B] e[_] e[a]"},
        CollationCase{"HighBytesAfterAscii", "e[\xC3\xA9] e[z] e[Z]", true,
                      "e[Z] e[z] e[\xC3\xA9]"},
        CollationCase{"EqualIgnoringCaseKeepDocumentOrder", "e[Ab] e[aB] e[AB] e[ab]", false,
                      "e[Ab] e[aB] e[AB] e[ab]"},
        CollationCase{"PrefixFirst", "e[ab] e[a] e[A]", false, "e[a] e[A] e[ab]"}),
    [](const ::testing::TestParamInfo<CollationCase>& info) {
        return std::string(info.param.name);
    });

// --- what stays as it was ----------------------------------------------------------------------

TEST_F(ElementOrder, StableWithEqualKeysInBothDirections) {
    std::vector<std::string> keys;
    for (int i = 0; i < 40; ++i) keys.push_back(std::to_string(i % 3) + "-" + std::to_string(i));
    for (const std::string& k : keys) {
        ITOVELDOMElement* e = add(root_, "e", k.substr(0, 1).c_str());
        e->setAttribute("id", k.c_str());
    }
    Def def;
    root_->order(def.p);
    std::string up = sequence();
    std::string expectUp, expectDown;
    for (char group : {'0', '1', '2'})
        for (const std::string& k : keys)
            if (k[0] == group)
                expectUp += (expectUp.empty() ? "" : " ") + std::string("e[") + k + "]";
    for (char group : {'2', '1', '0'})
        for (const std::string& k : keys)
            if (k[0] == group)
                expectDown += (expectDown.empty() ? "" : " ") + std::string("e[") + k + "]";
    EXPECT_EQ(up, expectUp);
    root_->order(def.p);
    EXPECT_EQ(sequence(), up);

    def.sortBy("", 1, kDown);
    root_->order(def.p);
    EXPECT_EQ(sequence(), expectDown);
    root_->order(def.p);
    EXPECT_EQ(sequence(), expectDown);
}

TEST_F(ElementOrder, GrandchildrenAreUntouched) {
    ITOVELDOMElement* b = add(root_, "b");
    add(b, "z", "1");
    add(b, "y", "2");
    b->appendChild(own(doc_->createComment("note")))->Release();
    ITOVELDOMElement* a = add(root_, "a");
    add(a, "n", "x");
    add(a, "m");
    const std::string bXml = b->get_xml();
    const std::string aXml = a->get_xml();
    Def def;
    def.group("a", 1).group("b", 2);
    root_->order(def.p);
    EXPECT_EQ(forwardWalk(), (std::vector<ITOVELDOMNode*>{a, b}));
    EXPECT_EQ(std::string(b->get_xml()), bXml);
    EXPECT_EQ(std::string(a->get_xml()), aXml);
    EXPECT_NE(bXml.find("<z>1</z>"), std::string::npos);
    EXPECT_LT(bXml.find("<z>"), bXml.find("<y>"));
}

TEST_F(ElementOrder, SiblingNavigationRightAfterReordering) {
    build("e[f] e[d] e[b] e[a] e[c] e[e] e[h] e[g]");
    std::vector<ITOVELDOMNode*> before = listed();
    // Walk first, so any position the list remembers belongs to the old order.
    EXPECT_EQ(forwardWalk(), before);
    own(before[4]->get_nextSibling());
    Def def;
    root_->order(def.p);
    std::vector<ITOVELDOMNode*> after = {before[3], before[2], before[4], before[1],
                                         before[5], before[0], before[7], before[6]};
    EXPECT_EQ(listed(), after);
    EXPECT_EQ(forwardWalk(), after);
    EXPECT_EQ(backwardWalk(), after);
    for (size_t i = 0; i < after.size(); ++i) {
        auto next = own(after[i]->get_nextSibling());
        auto previous = own(after[i]->get_previousSibling());
        EXPECT_EQ(next.get(), i + 1 < after.size() ? after[i + 1] : nullptr) << i;
        EXPECT_EQ(previous.get(), i > 0 ? after[i - 1] : nullptr) << i;
        auto parent = own(after[i]->get_parentNode());
        EXPECT_EQ(parent.get(), static_cast<ITOVELDOMNode*>(root_));
    }
}

TEST_F(ElementOrder, NoReferenceIsAddedOrReleased) {
    build("e[c] e[a] e[b]");
    std::vector<ITOVELDOMNode*> children = listed();
    std::vector<int> before;
    for (ITOVELDOMNode* child : children) before.push_back(refs(child));
    Def def;
    root_->order(def.p);
    for (size_t i = 0; i < children.size(); ++i) EXPECT_EQ(refs(children[i]), before[i]);
}

TEST_F(ElementOrder, MixedContentKeepsEveryChildOnce) {
    root_->appendChild(own(doc_->createTextNode("t1")))->Release();
    add(root_, "e", "c");
    root_->appendChild(own(doc_->createComment("note")))->Release();
    add(root_, "e", "a");
    add(root_, "e", "b");
    root_->appendChild(own(doc_->createProcessingInstruction("pi", "data")))->Release();
    root_->appendChild(own(doc_->createCDATASection("cd")))->Release();
    Def def;
    root_->order(def.p);
    EXPECT_EQ(sequence(), "#text=t1 e[a] #comment=note e[b] e[c] pi=data #cdata-section=cd");
    EXPECT_EQ(forwardWalk(), listed());
    EXPECT_EQ(backwardWalk(), listed());
}

TEST_F(ElementOrder, OnlyTextChildrenOrOneElementChangeNothing) {
    root_->appendChild(own(doc_->createTextNode("x")))->Release();
    Def def;
    root_->order(def.p);
    EXPECT_EQ(sequence(), "#text=x");
    add(root_, "e", "a");
    root_->appendChild(own(doc_->createComment("c")))->Release();
    root_->order(def.p);
    EXPECT_EQ(sequence(), "#text=x e[a] #comment=c");
    ITOVELDOMElement* empty = add(root_, "empty");
    empty->order(def.p);
    EXPECT_FALSE(empty->hasChildNodes());
}

TEST_F(ElementOrder, TheOrderedElementSerializes) {
    build("b[2] a[1]");
    Def def;
    root_->order(def.p);
    std::string xml = root_->get_xml();
    EXPECT_NE(xml.find("<a>1</a>"), std::string::npos) << xml;
    EXPECT_LT(xml.find("<a>1</a>"), xml.find("<b>2</b>")) << xml;
}

TEST_F(ElementOrder, OneDefinitionServesManyElements) {
    ITOVELDOMElement* left = add(root_, "left");
    add(left, "e", "b");
    add(left, "e", "a");
    ITOVELDOMElement* right = add(root_, "right");
    add(right, "e", "d");
    add(right, "e", "c");
    Def def;
    left->order(def.p);
    right->order(def.p);
    EXPECT_EQ(std::string(own(left->get_firstChild())->get_text()), "a");
    EXPECT_EQ(std::string(own(right->get_firstChild())->get_text()), "c");
    // The outer element was not asked: left still precedes right.
    EXPECT_EQ(own(root_->get_firstChild()).get(), static_cast<ITOVELDOMNode*>(left));
}

// --- refusals ---------------------------------------------------------------------------------

TEST_F(ElementOrder, NullDefinitionIsRefused) {
    build("e[b] e[a]");
    EXPECT_EQ(codeOf([&] { root_->order(nullptr); }), NULL_POINTER_ERR);
    EXPECT_EQ(sequence(), "e[b] e[a]");
}

TEST_F(ElementOrder, NullSortTagNameIsRefusedWhenAKeyChildIsNeeded) {
    buildWithKeyChildren("e", "key", {"b", "a"});
    HostDef def; // a host's definition may hand out a null name
    def.level = 2;
    EXPECT_EQ(codeOf([&] { root_->order(&def); }), NULL_STRING_ERR);
    EXPECT_EQ(sequence(), "e[b] e[a]");
    def.level = 1; // the name is not used then
    root_->order(&def);
    EXPECT_EQ(sequence(), "e[a] e[b]");
    EXPECT_EQ(def.count, 0); // never referenced
}

TEST_F(ElementOrder, FailureWhileCollectingChangesNothing) {
    build("x[3] y[2] x[1] z[0] x[4]");
    HostDef def;
    def.groups = 1;
    def.rank = 1;
    def.throwOnRank = "z";
    EXPECT_EQ(codeOf([&] { root_->order(&def); }), INDEX_SIZE_ERR);
    EXPECT_EQ(sequence(), "x[3] y[2] x[1] z[0] x[4]");
    EXPECT_EQ(forwardWalk(), listed());
}

TEST_F(ElementOrder, RankBeyondTheGroupCountMeansNoGroup) {
    build("x[2] x[1]");
    HostDef def;
    def.groups = 1;
    def.rank = 9;
    root_->order(&def);
    EXPECT_EQ(sequence(), "x[1] x[2]");
}

} // namespace

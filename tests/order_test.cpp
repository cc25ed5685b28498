// Order definitions and the reordering of element children. Trees are built by hand; each
// child element is written as name[key] in the sequences compared below.
#include <clocale>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace tovel_test {
namespace {

constexpr unsigned kMaxRank = 4294967295u;
constexpr auto kUp = ITOVELDOMOrderDef::eSortAscending;
constexpr auto kDown = ITOVELDOMOrderDef::eSortDescending;

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

class ElementOrder : public DocTest {
protected:
    CNodePtr<ITOVELDOMElement> rootHolder_ = addElem(doc_, "root");
    ITOVELDOMElement* root_ = rootHolder_;

    // Appends an element with the given text (none when null) to parent; borrowed result.
    ITOVELDOMElement* add(ITOVELDOMNode* parent, const char* name, const char* text = nullptr) {
        auto element = addElem(parent, name);
        if (text) element->put_text(text);
        return element.get();
    }
    using DocTest::add;
    // Appends children written as "name[key] name name[key]"; a name alone has no text.
    void build(const std::string& children) {
        std::istringstream items(children);
        for (std::string item; items >> item;) {
            size_t open = item.find('[');
            std::string key = open == std::string::npos ? "" : item.substr(open + 1);
            if (!key.empty()) key.pop_back();
            add(root_, item.substr(0, open).c_str(), key.empty() ? nullptr : key.c_str());
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
    // The children through get_firstChild / get_nextSibling, or backwards from the last.
    std::vector<ITOVELDOMNode*> walk(bool backward = false) const {
        std::vector<ITOVELDOMNode*> out;
        for (auto at = own(backward ? root_->get_lastChild() : root_->get_firstChild()); at;
             at = own(backward ? at->get_previousSibling() : at->get_nextSibling()))
            out.insert(backward ? out.begin() : out.end(), at.get());
        return out;
    }
    std::vector<ITOVELDOMNode*> listed() const {
        std::vector<ITOVELDOMNode*> out;
        auto list = own(root_->get_childNodes());
        for (long i = 0; i < list->get_length(); ++i) out.push_back(own(list->get_item(i)).get());
        return out;
    }
};

// The rank is the position in rank order (equal ranks in the order added), found ignoring
// case; only the first of two groups with one name is found; rank numbers span the whole
// unsigned range.
TEST(OrderDefinition, GroupRankIsThePositionInRankOrderIgnoringCase) {
    Def def;
    def.group("B", 2).group("A", 1).group("C", 2).group("ten", 10).group("top", kMaxRank);
    def.group("low", 0).group("b", 0);
    EXPECT_EQ(def->getGroupSize(), 7u);
    std::pair<const char*, unsigned> expected[] = {{"low", 1}, {"b", 2},   {"a", 3},   {"B", 2},
                                                   {"c", 5},   {"ten", 6}, {"top", 7}, {"D", 0}};
    for (auto& [name, rank] : expected) EXPECT_EQ(def->getGroupRank(name), rank) << name;
}

// Ungrouped names first, then the groups in rank order (equal ranks in the order added,
// membership ignoring case); descending reverses inside groups only. Keys compare in the C
// locale: ignoring case, letters fold to lower case, so '_' (0x5F) lands before them; by
// byte value it lies between the capitals and the small letters.
TEST_F(ElementOrder, GroupsThenKeysInTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_COLLATE, nullptr), "C");
    // Groups are written "name:rank ..."; "max" is the largest rank.
    struct {
        const char *children, *groups;
        ITOVELDOMOrderDef::eSort direction;
        bool caseSensitive;
        const char* expected;
    } cases[] = {
        {"Y[2] Z[9] X[5] Y[1]", "X:1 Y:2", kUp, false, "Z[9] X[5] Y[1] Y[2]"},
        {"X[1] q[c] p[a] X[0] r[b]", "X:1", kUp, false, "p[a] r[b] q[c] X[0] X[1]"},
        {"a[1] c[1] b[1] d[1]", "b:5 a:5 c:0 d:5", kUp, false, "c[1] b[1] a[1] d[1]"},
        {"high[1] low[2] high[0] low[1]", "high:max low:0", kUp, false,
         "low[1] low[2] high[0] high[1]"},
        {"Item[b] other[z] ITEM[a] item[c]", "iTeM:1", kUp, false,
         "other[z] ITEM[a] Item[b] item[c]"},
        {"Y[1] X[1] Z[1] X[3] Y[2] X[2] Z[2]", "X:1 Y:2", kDown, false,
         "Z[2] Z[1] X[3] X[2] X[1] Y[2] Y[1]"},
        {"c[3] a[1] b[2]", "", kUp, false, "a[1] b[2] c[3]"},
        {"e[b] e e[a]", "", kUp, false, "e e[a] e[b]"},   // empty keys first ascending
        {"e[b] e e[a]", "", kDown, false, "e[b] e[a] e"}, // and last descending
        {"e[b] e[A] e[c]", "", kUp, false, "e[A] e[b] e[c]"},
        {"e[B] e[a]", "", kUp, false, "e[a] e[B]"},
        {"e[a] e[B]", "", kUp, true, "e[B] e[a]"},
        {"e[a] e[B] e[_]", "", kUp, false, "e[_] e[a] e[B]"},
        {"e[a] e[B] e[_]", "", kUp, true, "e[B] e[_] e[a]"},
        {"e[\xC3\xA9] e[z] e[Z]", "", kUp, true, "e[Z] e[z] e[\xC3\xA9]"},
        {"e[Ab] e[aB] e[AB] e[ab]", "", kUp, false, "e[Ab] e[aB] e[AB] e[ab]"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.children);
        root_->put_text(nullptr);
        build(c.children);
        Def def;
        std::istringstream groups(c.groups);
        for (std::string group; groups >> group;) {
            const std::string name = group.substr(0, group.find(':')),
                              rank = group.substr(name.size() + 1);
            def.group(name.c_str(), rank == "max" ? kMaxRank : unsigned(std::stoul(rank)));
        }
        def.sortBy("", 1, c.direction, c.caseSensitive);
        root_->order(def.p);
        EXPECT_EQ(sequence(), c.expected);
    }
}

// Level 1 takes the element's own text, any other level the text of the first child element
// with the sort tag name (ignoring case). The element's own text is "zzz" + key, the same
// order as the key itself except for "m", which has no key child: its own text is "zzz".
TEST_F(ElementOrder, LevelPicksTheKey) {
    struct {
        unsigned level;
        const char *keyChild, *sortTag, *expected;
    } cases[] = {
        {1, "key", "key", "e[m] e[a] e[b] e[c]"}, {2, "key", "key", "e[m] e[a] e[b] e[c]"},
        {0, "key", "key", "e[m] e[a] e[b] e[c]"}, {3, "key", "key", "e[m] e[a] e[b] e[c]"},
        {2, "Key", "KEY", "e[m] e[a] e[b] e[c]"}, {2, "key", "nope", "e[c] e[a] e[b] e[m]"},
        {1, "key", "nope", "e[m] e[a] e[b] e[c]"}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " by " << c.sortTag);
        root_->put_text(nullptr);
        buildWithKeyChildren("e", c.keyChild, {"c", "a", "b"});
        ITOVELDOMElement* bare = add(root_, "e");
        bare->setAttribute("id", "m");
        add(bare, "other", "zzz");
        Def def;
        def.sortBy(c.sortTag, c.level);
        root_->order(def.p);
        EXPECT_EQ(sequence(), c.expected);
    }
}

// Both the byte-value and the case-folding comparisons keep equal keys in document order,
// and ordering twice gives the same sequence.
TEST_F(ElementOrder, StableWithEqualKeysInBothDirections) {
    std::vector<std::string> keys;
    for (int i = 0; i < 40; ++i) keys.push_back(std::to_string(i % 3) + "-" + std::to_string(i));
    auto expected = [&](std::initializer_list<char> groups) {
        std::string out;
        for (char group : groups)
            for (const std::string& k : keys)
                if (k[0] == group) out += (out.empty() ? "e[" : " e[") + k + "]";
        return out;
    };
    for (bool caseSensitive : {false, true}) {
        SCOPED_TRACE(caseSensitive ? "by byte value" : "ignoring case");
        root_->put_text(nullptr);
        for (const std::string& k : keys)
            add(root_, "e", k.substr(0, 1).c_str())->setAttribute("id", k.c_str());
        for (auto direction : {kUp, kUp, kDown, kDown}) {
            Def def;
            def.sortBy("", 1, direction, caseSensitive);
            root_->order(def.p);
            EXPECT_EQ(sequence(),
                      direction == kUp ? expected({'0', '1', '2'}) : expected({'2', '1', '0'}));
        }
    }
}

TEST_F(ElementOrder, SiblingNavigationRightAfterReordering) {
    build("e[f] e[d] e[b] e[a] e[c] e[e] e[h] e[g]");
    std::vector<ITOVELDOMNode*> before = listed();
    std::vector<int> counts;
    for (ITOVELDOMNode* child : before) counts.push_back(refs(child));
    // Walk first, so any position the list remembers belongs to the old order.
    EXPECT_EQ(walk(), before);
    own(before[4]->get_nextSibling());
    Def def;
    root_->order(def.p);
    std::vector<ITOVELDOMNode*> after = {before[3], before[2], before[4], before[1],
                                         before[5], before[0], before[7], before[6]};
    EXPECT_EQ(listed(), after);
    EXPECT_EQ(walk(), after);
    EXPECT_EQ(walk(true), after);
    for (size_t i = 0; i < after.size(); ++i) {
        auto next = own(after[i]->get_nextSibling());
        auto previous = own(after[i]->get_previousSibling());
        EXPECT_EQ(next.get(), i + 1 < after.size() ? after[i + 1] : nullptr) << i;
        EXPECT_EQ(previous.get(), i > 0 ? after[i - 1] : nullptr) << i;
        EXPECT_EQ(peek(after[i]->get_parentNode()), root_);
    }
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(refs(before[i]), counts[i]) << i;
}

TEST_F(ElementOrder, MixedContentKeepsEveryChildOnce) {
    add(root_, text("t1"));
    add(root_, "e", "c");
    add(root_, comment("note"));
    add(root_, "e", "a");
    add(root_, "e", "b");
    add(root_, pi("pi", "data"));
    add(root_, cdata("cd"));
    Def def;
    root_->order(def.p);
    EXPECT_EQ(sequence(), "#text=t1 e[a] #comment=note e[b] e[c] pi=data #cdata-section=cd");
    EXPECT_EQ(walk(), listed());
    EXPECT_EQ(walk(true), listed());
}

TEST_F(ElementOrder, NullDefinitionOrSortTagNameIsRefused) {
    buildWithKeyChildren("e", "key", {"b", "a"});
    EXPECT_CODE(NULL_POINTER_ERR, root_->order(nullptr));
    EXPECT_EQ(sequence(), "e[b] e[a]");
    HostDef def; // a host's definition may hand out a null name
    def.level = 2;
    EXPECT_CODE(NULL_STRING_ERR, root_->order(&def));
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
    EXPECT_CODE(INDEX_SIZE_ERR, root_->order(&def));
    EXPECT_EQ(sequence(), "x[3] y[2] x[1] z[0] x[4]");
    EXPECT_EQ(walk(), listed());
}

} // namespace
} // namespace tovel_test

// CDynamicArray growth, reference holding and index rules; node lists and their cursor.
#include <string>
#include <vector>

#include "test_support.h"

namespace tovel_test {
namespace {

std::string gReleaseLog;

// A counted object that logs its releases and never deletes itself.
struct Counted {
    char name;
    int count = 0;
    explicit Counted(char n = '?') : name(n) {}
    int AddRef() { return ++count; }
    int Release() {
        gReleaseLog += name;
        return --count;
    }
};

// Counted objects named a, b, c, ... with an array holding the first n of them in order.
struct Pool {
    std::vector<Counted> items;
    CDynamicArray<Counted> array;
    Pool(int size, int n) {
        for (int i = 0; i < size; ++i) items.emplace_back(char('a' + i));
        for (int i = 0; i < n; ++i) array.appendElement(&items[size_t(i)]);
    }
    Counted* operator[](int i) { return &items[size_t(i)]; }
    std::string contents() const {
        std::string out;
        for (int i = 0; i < array.count(); ++i) out += array.elementAt(i)->name;
        return out;
    }
};

TEST(DynamicArray, InlineSlotsThenStepsOfEight) {
    Pool p(30, 0);
    std::vector<int> capacities;
    for (int i = 0; i < 21; ++i) {
        ASSERT_TRUE(p.array.appendElement(p[i]));
        if (capacities.empty() || capacities.back() != p.array.getCapacity())
            capacities.push_back(p.array.getCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 12, 20, 28}));
    EXPECT_EQ(p.array.count(), 21);
    EXPECT_EQ(p[0]->count, 1);
    // Many elements stay in order.
    for (int i = 21; i < 5000; ++i) p.array.appendElement(p[i % 26]);
    EXPECT_GE(p.array.getCapacity(), 5000);
    for (int i = 0; i < 5000; i += 997) EXPECT_EQ(p.array.elementAt(i), p[i % 26]);
}

TEST(DynamicArray, InsertDuringGrowthKeepsOrder) {
    Pool p(6, 4);
    EXPECT_TRUE(p.array.insertElementAt(p[4], 1)); // grows while opening a gap
    EXPECT_EQ(p.contents(), "aebcd");
    EXPECT_TRUE(p.array.insertElementAt(p[5], 0));
    EXPECT_EQ(p.contents(), "faebcd");
}

TEST(DynamicArray, OutOfRangeIndicesAddNoReference) {
    Pool p(3, 1);
    CDynamicArray<Counted>& a = p.array;
    EXPECT_TRUE(a.insertElementAt(p[1], a.count())); // at count: appends
    EXPECT_FALSE(a.insertElementAt(p[2], a.count() + 1));
    EXPECT_FALSE(a.insertElementAt(p[2], -1));
    EXPECT_EQ(p.contents(), "ab");
    EXPECT_EQ(a.elementAt(-1), nullptr);
    EXPECT_EQ(a.elementAt(2), nullptr);
    EXPECT_FALSE(a.replaceElementAt(p[2], 2));
    EXPECT_FALSE(a.removeElementAt(2));
    EXPECT_FALSE(a.removeElementAt(-1));
    EXPECT_EQ(p[2]->count, 0);
    // indexOf honours its start, and never looks at or past the count.
    a.appendElement(p[0]);
    EXPECT_EQ(a.indexOf(p[0], 0), 0);
    EXPECT_EQ(a.indexOf(p[0], 1), 2);
    EXPECT_EQ(a.indexOf(p[1], 2), -1);
    EXPECT_EQ(a.indexOf(p[0], 3), -1);
    EXPECT_EQ(a.indexOf(p[0], -1), -1);
    EXPECT_EQ(a.indexOf(p[2], 0), -1);
}

TEST(DynamicArray, ReplaceAndRemoveMoveReferences) {
    Pool p(4, 3);
    CDynamicArray<Counted>& a = p.array;
    gReleaseLog.clear();
    EXPECT_TRUE(a.replaceElementAt(p[3], 1));
    EXPECT_EQ(gReleaseLog, "b");
    EXPECT_EQ(p[1]->count, 0);
    EXPECT_EQ(p[3]->count, 1);
    EXPECT_TRUE(a.removeElementAt(0));
    EXPECT_EQ(p.contents(), "dc");
    EXPECT_EQ(p[0]->count, 0);
    a.moveElementTo(p[2], 0); // no count changes
    a.moveElementTo(p[3], 1);
    a.moveElementTo(p[0], 2); // outside: ignored
    EXPECT_EQ(p.contents(), "cd");
    EXPECT_EQ(p[2]->count, 1);
    EXPECT_EQ(p[3]->count, 1);
    EXPECT_EQ(p[0]->count, 0);
}

using NodeList = DocTest;

TEST_F(NodeList, ChildListIsLiveAndSharedWithOneCursor) {
    auto e = elem("e");
    auto one = own(e->get_childNodes());
    auto two = own(e->get_childNodes());
    EXPECT_EQ(one.get(), two.get());
    EXPECT_EQ(one->get_length(), 0);
    auto a = addElem(e, "a");
    addElem(e, "b");
    EXPECT_EQ(one->get_length(), 2);
    EXPECT_EQ(one->get_item(-1), nullptr);
    EXPECT_EQ(one->get_item(2), nullptr);
    auto b = own(one->get_item(1));
    EXPECT_STREQ(b->get_nodeName(), "b");
    EXPECT_EQ(refs(b.get()), 2); // the child list's and ours
    std::string seen;
    while (auto n = own(one->nextNode())) seen += n->get_nodeName();
    EXPECT_EQ(seen, "ab");
    EXPECT_EQ(one->nextNode(), nullptr); // stays null until reset
    one->reset();
    drop(one->nextNode());
    EXPECT_STREQ(own(two->nextNode())->get_nodeName(), "b"); // the cursor is shared
    drop(e->removeChild(a));
    EXPECT_EQ(two->get_length(), 1);
}

} // namespace
} // namespace tovel_test

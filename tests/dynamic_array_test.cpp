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

struct Pool {
    std::vector<Counted> items;
    explicit Pool(int n) {
        for (int i = 0; i < n; ++i) items.emplace_back(char('a' + i));
    }
    Counted* operator[](int i) { return &items[i]; }
};

std::string contents(const CDynamicArray<Counted>& a) {
    std::string out;
    for (int i = 0; i < a.count(); ++i) out += a.elementAt(i)->name;
    return out;
}

TEST(DynamicArray, InlineSlotsThenStepsOfEight) {
    Pool p(30);
    CDynamicArray<Counted> a;
    std::vector<int> capacities;
    for (int i = 0; i < 21; ++i) {
        ASSERT_TRUE(a.appendElement(p[i]));
        if (i == 3) {
            EXPECT_TRUE(a.isInline());
        }
        if (i == 4) {
            EXPECT_FALSE(a.isInline());
        }
        if (capacities.empty() || capacities.back() != a.getCapacity())
            capacities.push_back(a.getCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 12, 20, 28}));
    EXPECT_EQ(a.count(), 21);
    EXPECT_EQ(p[0]->count, 1);
}

TEST(DynamicArray, InsertDuringGrowthKeepsOrder) {
    Pool p(6);
    CDynamicArray<Counted> a;
    for (int i = 0; i < 4; ++i) a.appendElement(p[i]);
    EXPECT_TRUE(a.insertElementAt(p[4], 1)); // grows while opening a gap
    EXPECT_EQ(contents(a), "aebcd");
    EXPECT_TRUE(a.insertElementAt(p[5], 0));
    EXPECT_EQ(contents(a), "faebcd");
}

TEST(DynamicArray, ManyElementsStayInOrder) {
    Pool p(26);
    CDynamicArray<Counted> a;
    const int n = 5000;
    for (int i = 0; i < n; ++i) a.appendElement(p[i % 26]);
    EXPECT_EQ(a.count(), n);
    EXPECT_GE(a.getCapacity(), n);
    for (int i = 0; i < n; i += 997) EXPECT_EQ(a.elementAt(i), p[i % 26]);
    EXPECT_EQ(p[0]->count, (n + 25) / 26);
}

TEST(DynamicArray, OutOfRangeIndicesAddNoReference) {
    Pool p(3);
    CDynamicArray<Counted> a;
    a.appendElement(p[0]);
    EXPECT_TRUE(a.insertElementAt(p[1], a.count())); // at count: appends
    EXPECT_FALSE(a.insertElementAt(p[2], a.count() + 1));
    EXPECT_FALSE(a.insertElementAt(p[2], -1));
    EXPECT_EQ(p[2]->count, 0);
    EXPECT_EQ(contents(a), "ab");
    EXPECT_EQ(a.elementAt(-1), nullptr);
    EXPECT_EQ(a.elementAt(2), nullptr);
    EXPECT_FALSE(a.replaceElementAt(p[2], 2));
    EXPECT_FALSE(a.removeElementAt(2));
    EXPECT_FALSE(a.removeElementAt(-1));
    EXPECT_EQ(p[2]->count, 0);
}

TEST(DynamicArray, IndexOfHonoursStart) {
    Pool p(3);
    CDynamicArray<Counted> a;
    a.appendElement(p[0]);
    a.appendElement(p[1]);
    a.appendElement(p[0]);
    EXPECT_EQ(a.indexOf(p[0], 0), 0);
    EXPECT_EQ(a.indexOf(p[0], 1), 2);
    EXPECT_EQ(a.indexOf(p[1], 2), -1);
    EXPECT_EQ(a.indexOf(p[0], 3), -1); // at count, even though present
    EXPECT_EQ(a.indexOf(p[0], -1), -1);
    EXPECT_EQ(a.indexOf(p[2], 0), -1);
}

TEST(DynamicArray, ReplaceAndRemoveMoveReferences) {
    Pool p(4);
    CDynamicArray<Counted> a;
    for (int i = 0; i < 3; ++i) a.appendElement(p[i]);
    gReleaseLog.clear();
    EXPECT_TRUE(a.replaceElementAt(p[3], 1));
    EXPECT_EQ(gReleaseLog, "b");
    EXPECT_EQ(p[1]->count, 0);
    EXPECT_EQ(p[3]->count, 1);
    EXPECT_TRUE(a.removeElementAt(0));
    EXPECT_EQ(contents(a), "dc");
    EXPECT_EQ(p[0]->count, 0);
    a.moveElementTo(p[2], 0); // no count changes
    a.moveElementTo(p[3], 1);
    a.moveElementTo(p[0], 2); // outside: ignored
    EXPECT_EQ(contents(a), "cd");
    EXPECT_EQ(p[2]->count, 1);
    EXPECT_EQ(p[3]->count, 1);
    EXPECT_EQ(p[0]->count, 0);
}

TEST(DynamicArray, ClearReleasesLastFirstAndKeepsStorage) {
    Pool p(6);
    CDynamicArray<Counted> a;
    for (int i = 0; i < 6; ++i) a.appendElement(p[i]);
    int capacity = a.getCapacity();
    gReleaseLog.clear();
    a.clear();
    EXPECT_EQ(gReleaseLog, "fedcba");
    EXPECT_EQ(a.count(), 0);
    EXPECT_EQ(a.getCapacity(), capacity);
    EXPECT_FALSE(a.isInline());
    a.appendElement(p[0]);
    EXPECT_EQ(contents(a), "a");
}

TEST(DynamicArray, AssignmentCopiesWithReferences) {
    Pool p(7);
    CDynamicArray<Counted> big, small;
    for (int i = 0; i < 6; ++i) big.appendElement(p[i]);
    small.appendElement(p[6]);
    small = big; // more than the inline slots: exactly six slots
    EXPECT_EQ(contents(small), "abcdef");
    EXPECT_EQ(small.getCapacity(), 6);
    EXPECT_EQ(p[6]->count, 0);
    EXPECT_EQ(p[0]->count, 2);
    CDynamicArray<Counted>& alias = small;
    small = alias; // self-assignment changes nothing
    EXPECT_EQ(p[0]->count, 2);
    CDynamicArray<Counted> tiny;
    tiny.appendElement(p[6]);
    big = tiny; // fits: cleared and refilled
    EXPECT_EQ(contents(big), "g");
    EXPECT_EQ(p[0]->count, 1);
    EXPECT_EQ(p[6]->count, 2);
}

TEST(DynamicArray, DestructionReleasesLastFirst) {
    Pool p(3);
    {
        CDynamicArray<Counted> a;
        for (int i = 0; i < 3; ++i) a.appendElement(p[i]);
        gReleaseLog.clear();
    }
    EXPECT_EQ(gReleaseLog, "cba");
    EXPECT_EQ(p[0]->count, 0);
}

using NodeList = DocTest;

TEST_F(NodeList, ItemOutsideTheListIsNull) {
    auto e = elem("e");
    addElem(e, "a");
    addElem(e, "b");
    auto list = own(e->get_childNodes());
    EXPECT_EQ(list->get_length(), 2);
    EXPECT_EQ(list->get_item(-1), nullptr);
    EXPECT_EQ(list->get_item(2), nullptr);
    auto b = own(list->get_item(1));
    EXPECT_STREQ(b->get_nodeName(), "b");
    EXPECT_EQ(refs(b.get()), 2); // the child list's and ours
}

TEST_F(NodeList, NextNodeStaysNullUntilReset) {
    auto e = elem("e");
    addElem(e, "a");
    addElem(e, "b");
    auto list = own(e->get_childNodes());
    std::string seen;
    while (auto n = own(list->nextNode())) seen += n->get_nodeName();
    EXPECT_EQ(seen, "ab");
    EXPECT_EQ(list->nextNode(), nullptr);
    EXPECT_EQ(list->nextNode(), nullptr);
    list->reset();
    auto first = own(list->nextNode());
    EXPECT_STREQ(first->get_nodeName(), "a");
}

TEST_F(NodeList, ChildListIsLiveAndShared) {
    auto e = elem("e");
    auto one = own(e->get_childNodes());
    auto two = own(e->get_childNodes());
    EXPECT_EQ(one.get(), two.get());
    EXPECT_EQ(one->get_length(), 0);
    auto a = addElem(e, "a");
    addElem(e, "b");
    EXPECT_EQ(one->get_length(), 2);
    drop(one->nextNode());
    auto viaTwo = own(two->nextNode()); // the cursor is shared
    EXPECT_STREQ(viaTwo->get_nodeName(), "b");
    drop(e->removeChild(a));
    EXPECT_EQ(two->get_length(), 1);
}

} // namespace
} // namespace tovel_test

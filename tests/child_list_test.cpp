// Child lists: the growable array under them (growth, references, index rules), the live
// node list and its cursor, insertBefore / replaceChild / removeChild / appendChild, the
// hierarchy rules, fragment unpacking, rejected calls leaving the tree alone, and siblings.
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
    Pool q(6, 4);
    EXPECT_TRUE(q.array.insertElementAt(q[4], 1)); // grows while opening a gap
    EXPECT_TRUE(q.array.insertElementAt(q[5], 0));
    EXPECT_EQ(q.contents(), "faebcd");
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
    EXPECT_EQ(a.indexOf(p[0], 1), 2);
    for (int start : {-1, 3}) EXPECT_EQ(a.indexOf(p[0], start), -1);
    EXPECT_EQ(a.indexOf(p[1], 2), -1);
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

class ChildList : public DocTest {
protected:
    // An element p with children a, b, c.
    CNodePtr<ITOVELDOMElement> p_ = elem("p");
    CNodePtr<ITOVELDOMElement> a_ = addElem(p_, "a");
    CNodePtr<ITOVELDOMElement> b_ = addElem(p_, "b");
    CNodePtr<ITOVELDOMElement> c_ = addElem(p_, "c");
};

TEST_F(ChildList, InsertBeforeAppendAndReplaceMoveNodes) {
    auto back = own(p_->appendChild(a_)); // an existing child moves to the end
    EXPECT_EQ(back.get(), a_.get());
    EXPECT_EQ(kids(p_), "b,c,a");
    EXPECT_EQ(refs(a_.get()), 3); // list, a_, back
    drop(p_->insertBefore(a_, b_));
    EXPECT_EQ(kids(p_), "a,b,c");
    drop(p_->insertBefore(a_, b_)); // already before b
    drop(p_->insertBefore(b_, b_));
    EXPECT_EQ(kids(p_), "a,b,c");
    EXPECT_EQ(peek(b_->get_parentNode()), p_.get());
    // Inserting moves a node out of its old parent.
    auto q = elem("q");
    drop(q->appendChild(b_));
    EXPECT_EQ(kids(p_), "a,c");
    EXPECT_EQ(refs(b_.get()), 2);
    drop(q->replaceChild(c_, b_));
    EXPECT_EQ(kids(p_), "a");
    EXPECT_EQ(kids(q), "c");
    EXPECT_EQ(parentOf(b_), nullptr);
}

TEST_F(ChildList, ReplaceAndRemoveReturnTheOldChild) {
    auto x = elem("x");
    auto old = own(p_->replaceChild(x, b_));
    EXPECT_EQ(old.get(), b_.get());
    EXPECT_EQ(kids(p_), "a,x,c");
    EXPECT_EQ(parentOf(b_), nullptr);
    EXPECT_EQ(refs(b_.get()), 2);
    EXPECT_EQ(peek(b_->get_ownerDocument()), doc_.get()); // a removed node keeps its owner
    drop(p_->replaceChild(x, x));
    EXPECT_EQ(kids(p_), "a,x,c");
    auto removed = own(p_->replaceChild(nullptr, a_)); // a null new child removes
    EXPECT_EQ(kids(p_), "x,c");
    EXPECT_EQ(removed.get(), a_.get());
}

// Each rejected call must leave the children, their parents and their counts as they were.
class Rejected : public ChildList {
protected:
    void expectUnchanged() {
        EXPECT_EQ(kids(p_), "a,b,c");
        for (auto* n : {a_.get(), b_.get(), c_.get()}) {
            EXPECT_EQ(parentOf(n).get(), static_cast<ITOVELDOMNode*>(p_.get()));
            EXPECT_EQ(refs(n), 2);
        }
    }
};

TEST_F(Rejected, NullsStrangersForeignersAndKindsAnElementRefuses) {
    EXPECT_CODE(30003, drop(p_->insertBefore(nullptr, a_)));
    EXPECT_CODE(30003, drop(p_->appendChild(nullptr)));
    EXPECT_CODE(30003, drop(p_->replaceChild(a_, nullptr)));
    EXPECT_CODE(30003, drop(p_->removeChild(nullptr)));
    // A missing reference child does not detach the new child first.
    auto q = elem("q");
    auto stranger = elem("s");
    EXPECT_CODE(8, drop(q->insertBefore(b_, stranger)));
    EXPECT_CODE(8, drop(q->replaceChild(b_, stranger)));
    EXPECT_CODE(8, drop(p_->removeChild(stranger)));
    EXPECT_CODE(8, drop(p_->insertBefore(stranger, q)));
    EXPECT_EQ(parentOf(stranger), nullptr);
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto foreign = own(other->createElement("f"));
    EXPECT_CODE(4, drop(p_->appendChild(foreign)));
    EXPECT_CODE(4, drop(p_->replaceChild(own(other->createTextNode("t")), b_)));
    EXPECT_CODE(4, drop(doc_->appendChild(foreign)));
    auto at = attr("x");
    EXPECT_CODE(3, drop(p_->appendChild(at)));
    EXPECT_CODE(3, drop(p_->appendChild(other)));
    EXPECT_CODE(3, drop(p_->appendChild(doctype("d"))));
    EXPECT_CODE(3, drop(p_->replaceChild(at, b_)));
    expectUnchanged();
}

TEST_F(Rejected, ElementIntoItselfOrItsDescendant) {
    auto g = addElem(b_, "g");
    EXPECT_CODE(3, drop(g->appendChild(p_)));
    EXPECT_CODE(3, drop(b_->appendChild(b_)));
    auto x = addElem(g, "x");
    EXPECT_CODE(3, drop(g->replaceChild(p_, x)));
    EXPECT_EQ(kids(g), "x");
    EXPECT_EQ(parentOf(p_), nullptr);
    EXPECT_EQ(kids(b_), "g");
    drop(g->removeChild(x));
    drop(b_->removeChild(g));
    expectUnchanged();
}

class Hierarchy : public DocTest {
protected:
    CNodePtr<ITOVELDOMNode> make(const std::string& kind) {
        if (kind == "element") return CNodePtr<ITOVELDOMNode>(elem("n").get());
        if (kind == "text") return CNodePtr<ITOVELDOMNode>(text("t").get());
        if (kind == "cdata") return CNodePtr<ITOVELDOMNode>(cdata("c").get());
        if (kind == "comment") return CNodePtr<ITOVELDOMNode>(comment("m").get());
        if (kind == "pi") return CNodePtr<ITOVELDOMNode>(pi("p", "d").get());
        if (kind == "attribute") return CNodePtr<ITOVELDOMNode>(attr("a").get());
        if (kind == "fragment") return CNodePtr<ITOVELDOMNode>(frag().get());
        return CNodePtr<ITOVELDOMNode>(doc_.get());
    }
};

TEST_F(Hierarchy, AllowedKindsPerContainer) {
    struct {
        const char *container, *child;
        int code; // 0 when accepted
    } cases[] = {
        {"document", "element", 0},  {"document", "comment", 0}, {"document", "pi", 0},
        {"document", "text", 3},     {"document", "cdata", 3},   {"document", "attribute", 3},
        {"document", "document", 3}, {"attribute", "text", 0},   {"attribute", "element", 3},
        {"attribute", "comment", 3}, {"attribute", "cdata", 3},  {"fragment", "element", 0},
        {"fragment", "cdata", 0},    {"fragment", "pi", 0},      {"fragment", "attribute", 3},
        {"element", "cdata", 0},     {"element", "pi", 0},       {"element", "fragment", 0},
        {"text", "text", 3},         {"comment", "element", 3},  {"pi", "text", 3},
        {"cdata", "text", 3}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.child << " into " << c.container);
        if (std::string(c.container) == "document") doc_ = own(createTOVELDOMDocument_7_4_0());
        auto container = make(c.container);
        auto child = make(c.child);
        if (c.code) {
            EXPECT_CODE(c.code, drop(container->appendChild(child)));
            EXPECT_FALSE(container->hasChildNodes());
            continue;
        }
        EXPECT_EQ(peek(container->appendChild(child)), child.get());
        if (std::string(c.child) != "fragment") {
            EXPECT_EQ(peek(container->get_lastChild()), child.get());
        }
    }
}

using DocumentChildren = DocTest;

TEST_F(DocumentChildren, OneElementAndOneDocumentType) {
    auto root = addElem(doc_, "root");
    auto second = elem("second");
    EXPECT_CODE(3, drop(doc_->appendChild(second)));
    EXPECT_CODE(3, drop(doc_->insertBefore(second, root)));
    auto c = comment("c");
    add(doc_, c);
    EXPECT_CODE(3, drop(doc_->replaceChild(second, c))); // not replacing the element
    EXPECT_EQ(kids(doc_), "root,#comment=c");
    drop(doc_->replaceChild(second, root));
    EXPECT_EQ(kids(doc_), "second,#comment=c");
    auto dt1 = doctype("d1"), dt2 = doctype("d2");
    drop(doc_->insertBefore(dt1, second));
    EXPECT_EQ(peek(dt1->get_ownerDocument()), doc_.get());
    EXPECT_CODE(3, drop(doc_->appendChild(dt2)));
    drop(doc_->replaceChild(dt2, dt1));
    EXPECT_EQ(kids(doc_), "d2,second,#comment=c");
    EXPECT_EQ(peek(dt2->get_ownerDocument()), doc_.get());
    EXPECT_EQ(peek(dt2->get_parentNode()), doc_.get());
    // A document type another document owns is refused.
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto dt3 = doctype("d3");
    add(other, dt3);
    EXPECT_CODE(4, drop(doc_->replaceChild(dt3, dt2)));
    EXPECT_EQ(kids(other), "d3");
}

using Fragments = DocTest;

TEST_F(Fragments, AppendInsertAndReplaceUnpackInPlace) {
    auto e = elem("e");
    auto a = addElem(e, "a");
    auto b = addElem(e, "b");
    auto f = frag();
    auto x = addElem(f, "x");
    auto y = addElem(f, "y");
    drop(e->insertBefore(f, b));
    EXPECT_EQ(kids(e), "a,x,y,b");
    addElem(f, "z");
    addElem(f, "w");
    auto old = own(e->replaceChild(f, a));
    EXPECT_EQ(old.get(), a.get());
    EXPECT_EQ(kids(e), "z,w,x,y,b");
    EXPECT_EQ(parentOf(a), nullptr);
    addElem(f, "v");
    EXPECT_EQ(peek(e->appendChild(f)), f.get());
    EXPECT_FALSE(f->hasChildNodes());
    EXPECT_EQ(kids(e), "z,w,x,y,b,v");
    EXPECT_EQ(peek(x->get_parentNode()), e.get());
    EXPECT_EQ(refs(y.get()), 2);
    // Replace anchors on the following sibling, which may itself move into the fragment.
    add(f, b);
    addElem(f, "u");
    drop(e->replaceChild(f, y));
    EXPECT_EQ(kids(e), "z,w,x,b,u,v");
}

using Siblings = DocTest;

TEST_F(Siblings, NavigationAtTheEndsAndDetached) {
    auto p = elem("p");
    auto a = addElem(p, "a");
    auto b = addElem(p, "b");
    EXPECT_EQ(peek(a->get_previousSibling()), nullptr);
    EXPECT_EQ(peek(b->get_nextSibling()), nullptr);
    EXPECT_EQ(peek(a->get_nextSibling()), b.get());
    EXPECT_EQ(peek(b->get_previousSibling()), a.get());
    drop(p->removeChild(a));
    EXPECT_EQ(peek(a->get_nextSibling()), nullptr);
    EXPECT_EQ(peek(b->get_previousSibling()), nullptr);
}

TEST_F(Siblings, WalkBothWaysThroughManyChildren) {
    auto p = elem("p");
    const int n = 300;
    for (int i = 0; i < n; ++i) add(p, text(std::to_string(i).c_str()));
    int seen = 0;
    for (auto cur = own(p->get_firstChild()); cur; cur = own(cur->get_nextSibling()), ++seen)
        ASSERT_EQ(std::string(cur->get_nodeValue()), std::to_string(seen));
    EXPECT_EQ(seen, n);
    // After changes the neighbours must still be right.
    auto middle = childAt(p, 150);
    drop(p->removeChild(childAt(p, 149)));
    EXPECT_STREQ(own(middle->get_previousSibling())->get_nodeValue(), "148");
    for (auto cur = own(p->get_lastChild()); cur; cur = own(cur->get_previousSibling())) --seen;
    EXPECT_EQ(seen, 1);
}

} // namespace
} // namespace tovel_test

// insertBefore / replaceChild / removeChild / appendChild, the hierarchy rules, fragment
// unpacking, rejected calls leaving the tree alone, and sibling navigation.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

class ChildList : public DocTest {
protected:
    // An element p with children a, b, c.
    CNodePtr<ITOVELDOMElement> p_ = elem("p");
    CNodePtr<ITOVELDOMElement> a_ = addElem(p_, "a");
    CNodePtr<ITOVELDOMElement> b_ = addElem(p_, "b");
    CNodePtr<ITOVELDOMElement> c_ = addElem(p_, "c");
};

TEST_F(ChildList, AppendMovesAnExistingChildToTheEnd) {
    auto back = own(p_->appendChild(a_));
    EXPECT_EQ(back.get(), static_cast<ITOVELDOMNode*>(a_.get()));
    EXPECT_EQ(kids(p_), "b,c,a");
    EXPECT_EQ(refs(a_.get()), 3); // list, a_, back
}

TEST_F(ChildList, InsertBeforeAReferenceChild) {
    drop(p_->insertBefore(c_, b_));
    EXPECT_EQ(kids(p_), "a,c,b");
    drop(p_->insertBefore(c_, b_)); // c already before b
    EXPECT_EQ(kids(p_), "a,c,b");
    drop(p_->insertBefore(a_, nullptr));
    EXPECT_EQ(kids(p_), "c,b,a");
    drop(p_->insertBefore(b_, b_));
    EXPECT_EQ(kids(p_), "c,b,a");
    auto parent = parentOf(b_);
    EXPECT_EQ(parent.get(), static_cast<ITOVELDOMNode*>(p_.get()));
}

TEST_F(ChildList, InsertingMovesANodeOutOfItsOldParent) {
    auto q = elem("q");
    drop(q->appendChild(b_));
    EXPECT_EQ(kids(p_), "a,c");
    EXPECT_EQ(kids(q), "b");
    EXPECT_EQ(refs(b_.get()), 2);
    drop(q->replaceChild(c_, b_));
    EXPECT_EQ(kids(p_), "a");
    EXPECT_EQ(kids(q), "c");
    EXPECT_EQ(parentOf(b_), nullptr);
}

TEST_F(ChildList, ReplaceAndRemoveReturnTheOldChild) {
    auto x = elem("x");
    auto old = own(p_->replaceChild(x, b_));
    EXPECT_EQ(old.get(), static_cast<ITOVELDOMNode*>(b_.get()));
    EXPECT_EQ(kids(p_), "a,x,c");
    EXPECT_EQ(parentOf(b_), nullptr);
    EXPECT_EQ(refs(b_.get()), 2);
    auto owner = own(b_->get_ownerDocument()); // a removed node keeps its owner
    EXPECT_EQ(owner.get(), doc_.get());
    drop(p_->replaceChild(x, x));
    EXPECT_EQ(kids(p_), "a,x,c");
    auto removed = own(p_->replaceChild(nullptr, a_)); // a null new child removes
    EXPECT_EQ(kids(p_), "x,c");
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

TEST_F(Rejected, NullArguments) {
    EXPECT_CODE(30003, drop(p_->insertBefore(nullptr, a_)));
    EXPECT_CODE(30003, drop(p_->appendChild(nullptr)));
    EXPECT_CODE(30003, drop(p_->replaceChild(a_, nullptr)));
    EXPECT_CODE(30003, drop(p_->removeChild(nullptr)));
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

TEST_F(Rejected, MissingReferenceDoesNotDetachTheNewChild) {
    auto q = elem("q");
    auto stranger = elem("s");
    EXPECT_CODE(8, drop(q->insertBefore(b_, stranger)));
    EXPECT_CODE(8, drop(q->replaceChild(b_, stranger)));
    EXPECT_CODE(8, drop(p_->removeChild(stranger)));
    EXPECT_CODE(8, drop(p_->insertBefore(stranger, q)));
    EXPECT_EQ(parentOf(stranger), nullptr);
    expectUnchanged();
}

TEST_F(Rejected, NodeOfAnotherDocument) {
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto foreign = own(other->createElement("f"));
    auto foreignText = own(other->createTextNode("t"));
    EXPECT_CODE(4, drop(p_->appendChild(foreign)));
    EXPECT_CODE(4, drop(p_->replaceChild(foreignText, b_)));
    EXPECT_CODE(4, drop(doc_->appendChild(foreign)));
    expectUnchanged();
}

TEST_F(Rejected, KindsAnElementRefuses) {
    auto at = attr("x");
    auto inner = own(createTOVELDOMDocument_7_4_0());
    auto dt = own(CTOVELDOMImplementation::getInstance()->createDocumentType("d", "", ""));
    EXPECT_CODE(3, drop(p_->appendChild(at)));
    EXPECT_CODE(3, drop(p_->appendChild(inner)));
    EXPECT_CODE(3, drop(p_->appendChild(dt)));
    EXPECT_CODE(3, drop(p_->replaceChild(at, b_)));
    expectUnchanged();
}

struct KindCase {
    const char* container; // "document", "attribute", "fragment", "element"
    const char* child;     // kind of the new child
    int code;              // 0 when accepted
};

class Hierarchy : public DocTest, public ::testing::WithParamInterface<KindCase> {
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

TEST_P(Hierarchy, AllowedKindsPerContainer) {
    const KindCase& k = GetParam();
    auto container = std::string(k.container) == "document" ? CNodePtr<ITOVELDOMNode>(doc_.get())
                                                            : make(k.container);
    auto child = make(k.child);
    if (k.code) {
        EXPECT_CODE(k.code, drop(container->appendChild(child)));
        EXPECT_FALSE(container->hasChildNodes());
    } else {
        auto back = own(container->appendChild(child));
        EXPECT_EQ(back.get(), child.get());
        if (std::string(k.child) != "fragment") {
            auto last = own(container->get_lastChild());
            EXPECT_EQ(last.get(), child.get());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Hierarchy,
    ::testing::Values(KindCase{"document", "element", 0}, KindCase{"document", "comment", 0},
                      KindCase{"document", "pi", 0}, KindCase{"document", "text", 3},
                      KindCase{"document", "cdata", 3}, KindCase{"document", "attribute", 3},
                      KindCase{"document", "document", 3}, KindCase{"attribute", "text", 0},
                      KindCase{"attribute", "element", 3}, KindCase{"attribute", "comment", 3},
                      KindCase{"attribute", "cdata", 3}, KindCase{"fragment", "element", 0},
                      KindCase{"fragment", "cdata", 0}, KindCase{"fragment", "pi", 0},
                      KindCase{"fragment", "attribute", 3}, KindCase{"element", "cdata", 0},
                      KindCase{"element", "pi", 0}, KindCase{"element", "fragment", 0},
                      KindCase{"text", "text", 3}, KindCase{"comment", "element", 3},
                      KindCase{"pi", "text", 3}, KindCase{"cdata", "text", 3}));

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

    auto impl = CTOVELDOMImplementation::getInstance();
    auto dt1 = own(impl->createDocumentType("d1", "", ""));
    auto dt2 = own(impl->createDocumentType("d2", "", ""));
    drop(doc_->insertBefore(dt1, second));
    auto owner = own(dt1->get_ownerDocument());
    EXPECT_EQ(owner.get(), doc_.get());
    EXPECT_CODE(3, drop(doc_->appendChild(dt2)));
    drop(doc_->replaceChild(dt2, dt1));
    EXPECT_EQ(kids(doc_), "d2,second,#comment=c");
}

TEST_F(DocumentChildren, DocumentTypeOfAnotherDocumentIsRefused) {
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto dt = own(CTOVELDOMImplementation::getInstance()->createDocumentType("d", "", ""));
    add(other, dt);
    EXPECT_CODE(4, drop(doc_->appendChild(dt)));
    EXPECT_EQ(kids(other), "d");
}

TEST_F(DocumentChildren, DocumentTypeRefusesPublicChildOperations) {
    auto dt = own(CTOVELDOMImplementation::getInstance()->createDocumentType("d", "", ""));
    auto e = elem("e");
    EXPECT_CODE(7, drop(dt->appendChild(e)));
    EXPECT_CODE(7, drop(dt->insertBefore(e, nullptr)));
    EXPECT_CODE(7, drop(dt->replaceChild(e, e)));
    EXPECT_CODE(7, drop(dt->removeChild(e)));
    EXPECT_CODE(7, dt->put_text("x"));
    EXPECT_FALSE(dt->hasChildNodes());
}

TEST_F(DocumentChildren, ReplaceWithAnUnownedDocumentType) {
    auto c = comment("c");
    add(doc_, c);
    auto dt = own(CTOVELDOMImplementation::getInstance()->createDocumentType("d", "", ""));
    drop(doc_->replaceChild(dt, c));
    EXPECT_EQ(kids(doc_), "d");
    auto owner = own(dt->get_ownerDocument());
    EXPECT_EQ(owner.get(), doc_.get());
    auto p = parentOf(dt);
    EXPECT_EQ(p.get(), static_cast<ITOVELDOMNode*>(doc_.get()));
}

TEST_F(DocumentChildren, AppendNewChildSetsNoLinks) {
    auto e = elem("e");
    auto t = text("t");
    dynamic_cast<ITOVELDOMPrivate*>(e.get())->appendNewChild(t);
    dynamic_cast<ITOVELDOMPrivate*>(e.get())->appendNewChild(nullptr);
    EXPECT_EQ(kids(e), "#text=t");
    EXPECT_EQ(refs(t.get()), 2);
    EXPECT_EQ(t->get_parentNode(), nullptr);
    auto list = own(e->get_childNodes());
    EXPECT_EQ(refs(list.get()), 2); // the element's and ours
}

using Fragments = DocTest;

TEST_F(Fragments, AppendUnpacksInOrder) {
    auto e = elem("e");
    addElem(e, "first");
    auto f = frag();
    auto x = addElem(f, "x");
    auto y = addElem(f, "y");
    auto back = own(e->appendChild(f));
    EXPECT_EQ(back.get(), static_cast<ITOVELDOMNode*>(f.get()));
    EXPECT_FALSE(f->hasChildNodes());
    EXPECT_EQ(kids(e), "first,x,y");
    EXPECT_EQ(parentOf(x).get(), static_cast<ITOVELDOMNode*>(e.get()));
    EXPECT_EQ(refs(y.get()), 2);
}

TEST_F(Fragments, InsertAndReplaceUnpackInPlace) {
    auto e = elem("e");
    auto a = addElem(e, "a");
    auto b = addElem(e, "b");
    auto f = frag();
    addElem(f, "x");
    addElem(f, "y");
    drop(e->insertBefore(f, b));
    EXPECT_EQ(kids(e), "a,x,y,b");
    addElem(f, "z");
    addElem(f, "w");
    auto old = own(e->replaceChild(f, a));
    EXPECT_EQ(old.get(), static_cast<ITOVELDOMNode*>(a.get()));
    EXPECT_EQ(kids(e), "z,w,x,y,b");
    EXPECT_EQ(parentOf(a), nullptr);
}

TEST_F(Fragments, RefusedChildStopsUnpackingAfterEarlierMoves) {
    auto f = frag();
    add(f, comment("kept"));
    add(f, text("refused"));
    EXPECT_CODE(3, drop(doc_->appendChild(f)));
    EXPECT_EQ(kids(doc_), "#comment=kept");
    EXPECT_EQ(kids(f), "#text=refused");
}

TEST_F(Fragments, RefusedChildInReplaceLeavesTheOldChildRemoved) {
    auto old = comment("old");
    add(doc_, old);
    auto f = frag();
    add(f, pi("moved", ""));
    add(f, cdata("refused"));
    EXPECT_CODE(3, drop(doc_->replaceChild(f, old)));
    EXPECT_EQ(kids(doc_), "moved");
    EXPECT_EQ(kids(f), "#cdata-section=refused");
    EXPECT_EQ(parentOf(old), nullptr);
    EXPECT_EQ(refs(old.get()), 1);
}

TEST_F(Fragments, ReplaceKeepsTheFollowingSiblingAsAnchor) {
    auto e = elem("e");
    auto a = addElem(e, "a");
    auto b = addElem(e, "b");
    auto f = frag();
    add(f, b); // b moves out of e into the fragment
    addElem(f, "x");
    drop(e->replaceChild(f, a));
    EXPECT_EQ(kids(e), "b,x");
}

TEST_F(Fragments, FragmentIntoItselfIsRefused) {
    auto f = frag();
    auto x = addElem(f, "x");
    EXPECT_CODE(3, drop(f->appendChild(f)));
    EXPECT_CODE(3, drop(f->insertBefore(f, x)));
    EXPECT_EQ(kids(f), "x");
}

TEST_F(Fragments, AttributeTakesTextFromAFragment) {
    auto a = attr("a");
    auto f = frag();
    add(f, text("1"));
    add(f, text("2"));
    add(a, f);
    EXPECT_STREQ(a->get_value(), "12");
}

using Siblings = DocTest;

TEST_F(Siblings, NavigationAtTheEndsAndDetached) {
    auto p = elem("p");
    auto a = addElem(p, "a");
    auto b = addElem(p, "b");
    EXPECT_EQ(own(a->get_previousSibling()), nullptr);
    EXPECT_EQ(own(b->get_nextSibling()), nullptr);
    auto next = own(a->get_nextSibling());
    EXPECT_EQ(next.get(), static_cast<ITOVELDOMNode*>(b.get()));
    auto prev = own(b->get_previousSibling());
    EXPECT_EQ(prev.get(), static_cast<ITOVELDOMNode*>(a.get()));
    auto t = text("t");
    EXPECT_EQ(t->get_parentNode(), nullptr);
    EXPECT_EQ(t->get_previousSibling(), nullptr);
    EXPECT_EQ(t->get_nextSibling(), nullptr);
    drop(p->removeChild(a));
    EXPECT_EQ(own(a->get_nextSibling()), nullptr);
    EXPECT_EQ(own(b->get_previousSibling()), nullptr);
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
    auto before = own(middle->get_previousSibling());
    EXPECT_STREQ(before->get_nodeValue(), "148");
    for (auto cur = own(p->get_lastChild()); cur; cur = own(cur->get_previousSibling())) --seen;
    EXPECT_EQ(seen, 1);
}

TEST_F(Siblings, PrivateLookupsRejectNull) {
    auto e = elem("e");
    auto f = frag();
    auto* pe = dynamic_cast<ITOVELDOMPrivate*>(e.get());
    auto* pf = dynamic_cast<ITOVELDOMPrivate*>(f.get());
    EXPECT_CODE(30003, drop(pe->getChildLeftSibling(nullptr)));
    EXPECT_CODE(30003, drop(pe->getChildRightSibling(nullptr)));
    EXPECT_CODE(30002, drop(pf->getChildLeftSibling(nullptr)));
    EXPECT_CODE(30003, drop(pf->getChildRightSibling(nullptr)));
    auto stranger = elem("s");
    EXPECT_EQ(pe->getChildRightSibling(stranger), nullptr);
}

TEST_F(Siblings, LeafChildListsAreNewAndEmpty) {
    auto t = text("t");
    auto l1 = own(t->get_childNodes());
    auto l2 = own(t->get_childNodes());
    EXPECT_NE(l1.get(), l2.get());
    EXPECT_EQ(l1->get_length(), 0);
    EXPECT_EQ(refs(l1.get()), 1);
    EXPECT_EQ(t->get_firstChild(), nullptr);
    EXPECT_FALSE(t->hasChildNodes());
}

} // namespace
} // namespace tovel_test

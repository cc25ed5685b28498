// Element attributes (by name, by node, by namespace), text, normalize and cloning.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

class Element : public DocTest {
protected:
    CNodePtr<ITOVELDOMElement> e_ = elem("e");
};

TEST_F(Element, BasicPropertiesAndNullNames) {
    EXPECT_EQ(e_->get_nodeType(), NODE_ELEMENT);
    EXPECT_STREQ(e_->get_nodeTypeString(), "element");
    e_->put_nodeValue("ignored");
    EXPECT_EQ(e_->get_nodeValue(), nullptr);
    EXPECT_STREQ(e_->get_namespaceURI(), "");
    EXPECT_STREQ(e_->getAttribute("missing"), ""); // never null
    EXPECT_STREQ(e_->getAttributeNS("urn:x", "missing"), "");
    e_->removeAttribute("missing"); // no error
    EXPECT_CODE(30002, e_->getAttribute(nullptr));
    EXPECT_CODE(30002, e_->setAttribute(nullptr, "v"));
    EXPECT_CODE(30002, e_->removeAttribute(nullptr));
    EXPECT_CODE(30002, drop(e_->getAttributeNode(nullptr)));
    EXPECT_CODE(30002, e_->getAttributeNS("urn:x", nullptr));
    EXPECT_CODE(30002, e_->setAttributeNS("urn:x", nullptr, "v"));
    EXPECT_CODE(30002, e_->removeAttributeNS("urn:x", nullptr));
    EXPECT_CODE(30002, drop(e_->getAttributeNodeNS("urn:x", nullptr)));
    EXPECT_CODE(30002, drop(e_->setAttributeNodeNS(nullptr)));
    EXPECT_CODE(30003, drop(e_->setAttributeNode(nullptr)));
    EXPECT_CODE(30003, drop(e_->removeAttributeNode(nullptr)));
}

TEST_F(Element, SetAttributeKeepsTheNodeAndRemoveDetachesIt) {
    e_->setAttribute("a", "1");
    auto node = own(e_->getAttributeNode("a"));
    e_->setAttribute("a", "2");
    EXPECT_EQ(peek(e_->getAttributeNode("a")), node.get());
    EXPECT_STREQ(node->get_value(), "2");
    EXPECT_TRUE(node->get_specified());
    EXPECT_EQ(peek(node->get_ownerElement()), e_.get());
    EXPECT_EQ(refs(node.get()), 2);
    e_->removeAttribute("a");
    EXPECT_EQ(node->get_ownerElement(), nullptr);
    EXPECT_EQ(refs(node.get()), 1);
    EXPECT_EQ(e_->getAttributeNode("a"), nullptr);
    EXPECT_STREQ(node->get_value(), "2");
    e_->setAttribute("n", nullptr);
    EXPECT_STREQ(e_->getAttribute("n"), "");
    EXPECT_FALSE(own(e_->getAttributeNode("n"))->hasChildNodes());
}

TEST_F(Element, SetAttributeNodeRules) {
    auto first = attr("k");
    first->put_value("1");
    EXPECT_EQ(e_->setAttributeNode(first), nullptr);
    EXPECT_EQ(peek(first->get_ownerElement()), e_.get());
    EXPECT_EQ(refs(first.get()), 2); // ours and the map's
    auto second = attr("k");
    auto replaced = own(e_->setAttributeNode(second));
    EXPECT_EQ(replaced.get(), first.get());
    EXPECT_EQ(first->get_ownerElement(), nullptr);
    auto other = elem("other");
    EXPECT_CODE(10, drop(other->setAttributeNode(second)));
    EXPECT_CODE(10, drop(e_->setAttributeNode(second)));
    EXPECT_CODE(10, drop(other->setAttributeNodeNS(second)));
    auto otherDoc = own(createTOVELDOMDocument_7_4_0());
    auto foreign = own(otherDoc->createAttribute("f"));
    EXPECT_CODE(4, drop(e_->setAttributeNode(foreign)));
    EXPECT_CODE(4, drop(e_->setAttributeNodeNS(foreign)));
    EXPECT_EQ(foreign->get_ownerElement(), nullptr);
    EXPECT_STREQ(e_->getAttribute("f"), "");
    // setAttributeNodeNS hands back the node it replaced.
    auto a = own(doc_->createAttributeNS("urn:a", "p:x"));
    auto b = own(doc_->createAttributeNS("urn:a", "p:x"));
    EXPECT_EQ(e_->setAttributeNodeNS(a), nullptr);
    EXPECT_EQ(peek(e_->setAttributeNodeNS(b)), a.get());
    EXPECT_EQ(a->get_ownerElement(), nullptr);
    EXPECT_EQ(peek(b->get_ownerElement()), e_.get());
}

TEST_F(Element, RemoveAttributeNodeNeedsTheStoredNode) {
    e_->setAttribute("k", "1");
    auto other = elem("other");
    other->setAttribute("k", "2");
    EXPECT_CODE(8, drop(e_->removeAttributeNode(own(other->getAttributeNode("k")))));
    EXPECT_CODE(8, drop(e_->removeAttributeNode(attr("zz"))));
    auto mine = own(e_->getAttributeNode("k"));
    auto removed = own(e_->removeAttributeNode(mine));
    EXPECT_EQ(removed.get(), mine.get());
    EXPECT_EQ(mine->get_ownerElement(), nullptr);
    EXPECT_EQ(refs(mine.get()), 2); // ours and the map's former one, now the caller's
    EXPECT_STREQ(other->getAttribute("k"), "2");
    // An attribute outlives its element.
    ITOVELDOMElement* e = doc_->createElement("x");
    e->setAttribute("a", "v");
    auto a = own(e->getAttributeNode("a"));
    e->Release();
    EXPECT_EQ(a->get_ownerElement(), nullptr);
    EXPECT_STREQ(a->get_value(), "v");
}

TEST_F(Element, NamespacedAttributes) {
    e_->setAttributeNS("urn:a", "p:x", "1");
    e_->setAttributeNS("urn:a", "q:x", "2"); // same URI and local name: updates
    auto map = own(e_->get_attributes());
    EXPECT_EQ(map->get_length(), 1);
    auto x = own(e_->getAttributeNodeNS("urn:a", "x"));
    EXPECT_STREQ(x->get_nodeName(), "p:x");
    EXPECT_STREQ(e_->getAttributeNS("urn:a", "x"), "2");
    e_->setAttributeNS("urn:b", "p:x", "3"); // same name, other URI: replaces
    EXPECT_EQ(map->get_length(), 1);
    EXPECT_EQ(x->get_ownerElement(), nullptr);
    EXPECT_STREQ(e_->getAttributeNS("urn:b", "x"), "3");
    e_->setAttributeNS(nullptr, "plain", "4"); // null URI: by name
    EXPECT_STREQ(e_->getAttributeNS(nullptr, "plain"), "4");
    auto plain = own(e_->getAttributeNodeNS(nullptr, "plain"));
    EXPECT_STREQ(plain->get_namespaceURI(), "");
    e_->removeAttributeNS("urn:b", "x");
    e_->removeAttributeNS(nullptr, "plain");
    EXPECT_EQ(map->get_length(), 0);
    EXPECT_EQ(plain->get_ownerElement(), nullptr);
}

TEST_F(Element, TextOfElementSkipsCommentsAndInstructions) {
    add(e_, text("a"));
    add(e_, cdata("b"));
    add(e_, comment("no"));
    add(e_, pi("t", "no"));
    auto child = addElem(e_, "c");
    add(child, text("c"));
    child->setAttribute("attr", "no");
    add(e_, text(" d "));
    EXPECT_STREQ(e_->get_text(), "abc d ");
}

TEST_F(Element, PutTextReplacesChildren) {
    auto a = addElem(e_, "a");
    add(e_, text("x"));
    e_->put_text("new");
    EXPECT_EQ(kids(e_), "#text=new");
    EXPECT_EQ(parentOf(a), nullptr);
    auto t = childAt(e_, 0);
    EXPECT_EQ(refs(t.get()), 2);
    EXPECT_EQ(peek(t->get_parentNode()), e_.get());
    e_->put_text("");
    EXPECT_EQ(kids(e_), "#text=");
    e_->put_text(nullptr);
    EXPECT_FALSE(e_->hasChildNodes());
}

TEST_F(Element, NormalizeMergesRunsOfText) {
    auto t1 = text("a");
    add(e_, t1);
    auto t2 = text("b");
    add(e_, t2);
    add(e_, cdata("c"));
    add(e_, text("d"));
    add(e_, comment("m"));
    add(e_, text("e"));
    auto inner = addElem(e_, "i");
    add(inner, text("x"));
    add(inner, text(""));
    add(inner, text("y"));
    EXPECT_TRUE(e_->normalize());
    EXPECT_EQ(kids(e_), "#text=ab,#cdata-section=c,#text=d,#comment=m,#text=e,i");
    EXPECT_EQ(kids(inner), "#text=xy");
    EXPECT_EQ(childAt(e_, 0).get(), t1.get());
    EXPECT_EQ(parentOf(t2), nullptr);
    EXPECT_EQ(refs(t2.get()), 1);

    // Long runs, several of them, with elements between: each run becomes its first node.
    auto wide = elem("w");
    for (int run = 0; run < 3; ++run) {
        for (int i = 0; i < 2000; ++i) add(wide, text(i % 2 ? "b" : "a"));
        addElem(wide, "x");
    }
    EXPECT_TRUE(wide->normalize());
    auto list = own(wide->get_childNodes());
    ASSERT_EQ(list->get_length(), 6);
    for (long i = 0; i < 6; i += 2) {
        std::string merged = own(list->get_item(i))->get_nodeValue();
        EXPECT_EQ(merged.size(), 2000u);
        EXPECT_EQ(merged.substr(0, 4), "abab");
        EXPECT_STREQ(own(list->get_item(i + 1))->get_nodeName(), "x");
    }
}

TEST_F(Element, CloneShallowAndDeep) {
    auto e = elemNS("urn:n", "p:e");
    add(doc_, e);
    e->setAttribute("a", "1");
    auto child = addElem(e, "c");
    add(child, text("t"));
    auto shallow = own(static_cast<ITOVELDOMElement*>(e->cloneNode(false)));
    EXPECT_EQ(refs(shallow.get()), 1);
    EXPECT_STREQ(shallow->get_tagName(), "p:e");
    EXPECT_STREQ(shallow->get_namespaceURI(), "urn:n");
    EXPECT_STREQ(shallow->getAttribute("a"), "1");
    EXPECT_FALSE(shallow->hasChildNodes());
    EXPECT_EQ(shallow->get_parentNode(), nullptr);
    EXPECT_EQ(peek(shallow->get_ownerDocument()), doc_.get());
    EXPECT_EQ(peek(own(shallow->getAttributeNode("a"))->get_ownerElement()), shallow.get());

    auto deep = own(e->cloneNode(true));
    EXPECT_XML(deep, "<p:e a=\"1\"><c>t</c></p:e>");
    auto copyChild = childAt(deep, 0);
    EXPECT_NE(copyChild.get(), child.get());
    EXPECT_EQ(peek(copyChild->get_parentNode()), deep.get());
    EXPECT_EQ(refs(copyChild.get()), 2);
    EXPECT_EQ(kids(e), "c"); // the source keeps its children
}

} // namespace
} // namespace tovel_test

// Attribute values made of child text nodes, owner elements, cloning.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

using Attribute = DocTest;

TEST_F(Attribute, ValueSettersReplaceChildren) {
    auto a = attr("a");
    a->put_value("");
    EXPECT_EQ(kids(a), "#text=");
    a->put_value("first");
    auto first = childAt(a, 0);
    a->put_value("second");
    EXPECT_EQ(kids(a), "#text=second");
    EXPECT_EQ(parentOf(first), nullptr);
    EXPECT_EQ(refs(first.get()), 1);
    a->put_value(nullptr);
    EXPECT_FALSE(a->hasChildNodes());
    EXPECT_STREQ(a->get_value(), "");
    a->put_text("t");
    EXPECT_STREQ(a->get_nodeValue(), "t");
    a->put_nodeValue("n");
    EXPECT_STREQ(a->get_text(), "n");
    EXPECT_EQ(peek(childAt(a, 0)->get_parentNode()), a.get());
    // Text children added by hand are concatenated.
    add(a, text(" two"));
    EXPECT_STREQ(a->get_value(), "n two");
    EXPECT_XML(a, "a=\"n two\"");
}

TEST_F(Attribute, ValueSetThroughTheElementIsOneTextChild) {
    auto e = elem("e");
    e->setAttribute("a", "v");
    e->setAttribute("empty", "");
    auto a = own(e->getAttributeNode("a"));
    auto owner = own(a->get_ownerElement());
    EXPECT_EQ(owner.get(), e.get());
    EXPECT_EQ(refs(e.get()), 2); // ours and the getter's
    owner = nullptr;
    auto value = own(a->get_firstChild());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->get_nodeType(), NODE_TEXT);
    EXPECT_STREQ(value->get_nodeValue(), "v");
    EXPECT_EQ(refs(value.get()), 2);
    EXPECT_EQ(peek(value->get_parentNode()), a.get());
    EXPECT_EQ(peek(value->get_ownerDocument()), doc_.get());
    add(a, text("w"));
    EXPECT_STREQ(e->getAttribute("a"), "vw");
    EXPECT_EQ(kids(own(e->getAttributeNode("empty"))), "#text=");
    e->removeAttribute("a");
    EXPECT_EQ(a->get_ownerElement(), nullptr);
    EXPECT_EQ(refs(e.get()), 1);
}

TEST_F(Attribute, CloneKeepsNameUriAndFlag) {
    CNodePtr<ITOVELDOMAttribute> a(CreateXMLAttribute_7_4_0(doc_, nullptr, "p:a", "urn:u", false));
    a->put_value("v");
    drop(elem("e")->setAttributeNode(a));
    auto deep = own(static_cast<ITOVELDOMAttribute*>(a->cloneNode(true)));
    auto shallow = own(static_cast<ITOVELDOMAttribute*>(a->cloneNode(false)));
    for (ITOVELDOMAttribute* c : {deep.get(), shallow.get()}) {
        EXPECT_STREQ(c->get_name(), "p:a");
        EXPECT_STREQ(c->get_namespaceURI(), "urn:u");
        EXPECT_FALSE(c->get_specified());
        EXPECT_EQ(c->get_ownerElement(), nullptr);
        EXPECT_EQ(refs(c), 1);
        EXPECT_EQ(peek(c->get_ownerDocument()), doc_.get());
    }
    EXPECT_STREQ(deep->get_value(), "v");
    EXPECT_STREQ(shallow->get_value(), "");
    EXPECT_NE(childAt(deep, 0).get(), childAt(a, 0).get());
}

TEST_F(Attribute, CopiedValuesBelongToTheNewDocument) {
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto e = own(other->createElement("e"));
    e->setAttribute("a", "v");
    auto copy = own(static_cast<ITOVELDOMElement*>(doc_->importNode(e, false)));
    auto value = own(own(copy->getAttributeNode("a"))->get_firstChild());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(peek(value->get_ownerDocument()), doc_.get());
    auto sourceValue = own(own(e->getAttributeNode("a"))->get_firstChild());
    EXPECT_NE(sourceValue.get(), value.get());
    EXPECT_EQ(peek(sourceValue->get_ownerDocument()), other.get());
}

} // namespace
} // namespace tovel_test

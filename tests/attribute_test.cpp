// Attribute values made of child text nodes, owner elements, cloning.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

using Attribute = DocTest;

TEST_F(Attribute, FreshAttribute) {
    auto a = attr("a");
    EXPECT_EQ(a->get_nodeType(), NODE_ATTRIBUTE);
    EXPECT_STREQ(a->get_nodeTypeString(), "attribute");
    EXPECT_STREQ(a->get_name(), "a");
    EXPECT_STREQ(a->get_value(), "");
    EXPECT_FALSE(a->hasChildNodes());
    EXPECT_EQ(a->get_ownerElement(), nullptr);
    EXPECT_TRUE(a->get_specified());
    EXPECT_EQ(a->get_parentNode(), nullptr);
    EXPECT_EQ(a->get_attributes(), nullptr);
    auto unnamed = attr(nullptr);
    EXPECT_STREQ(unnamed->get_name(), "");
}

TEST_F(Attribute, ValueSettersReplaceChildren) {
    auto a = attr("a");
    a->put_value("");
    EXPECT_EQ(kids(a), "#text=");
    EXPECT_STREQ(a->get_value(), "");
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
    auto value = childAt(a, 0);
    EXPECT_EQ(parentOf(value).get(), static_cast<ITOVELDOMNode*>(a.get()));
}

TEST_F(Attribute, ValueIsTheConcatenationOfTextChildren) {
    auto a = attr("a");
    add(a, text("one"));
    add(a, text(" two"));
    EXPECT_STREQ(a->get_value(), "one two");
    EXPECT_XML(a, "a=\"one two\"");
    a->put_value("x");
    EXPECT_EQ(kids(a), "#text=x");
}

TEST_F(Attribute, OwnerElementFollowsTheMap) {
    auto e = elem("e");
    e->setAttribute("a", "1");
    auto a = own(e->getAttributeNode("a"));
    auto owner = own(a->get_ownerElement());
    EXPECT_EQ(owner.get(), e.get());
    EXPECT_EQ(refs(e.get()), 2);
    e->removeAttribute("a");
    EXPECT_EQ(a->get_ownerElement(), nullptr);
}

TEST_F(Attribute, CloneKeepsNameUriAndFlag) {
    CNodePtr<ITOVELDOMAttribute> a(CreateXMLAttribute_7_4_0(doc_, nullptr, "p:a", "urn:u", false));
    a->put_value("v");
    auto e = elem("e");
    drop(e->setAttributeNode(a));
    auto deep = own(static_cast<ITOVELDOMAttribute*>(a->cloneNode(true)));
    auto shallow = own(static_cast<ITOVELDOMAttribute*>(a->cloneNode(false)));
    for (ITOVELDOMAttribute* c : {deep.get(), shallow.get()}) {
        EXPECT_STREQ(c->get_name(), "p:a");
        EXPECT_STREQ(c->get_namespaceURI(), "urn:u");
        EXPECT_FALSE(c->get_specified());
        EXPECT_EQ(c->get_ownerElement(), nullptr);
        EXPECT_EQ(refs(c), 1);
        auto owner = own(c->get_ownerDocument());
        EXPECT_EQ(owner.get(), doc_.get());
    }
    EXPECT_STREQ(deep->get_value(), "v");
    EXPECT_STREQ(shallow->get_value(), "");
    auto copyText = childAt(deep, 0);
    EXPECT_NE(copyText.get(), childAt(a, 0).get());
}

TEST_F(Attribute, ValueSetThroughTheElementIsOneTextChild) {
    auto e = elem("e");
    e->setAttribute("a", "v");
    e->setAttribute("empty", "");
    auto a = own(e->getAttributeNode("a"));
    EXPECT_TRUE(a->hasChildNodes());
    auto value = own(a->get_firstChild());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->get_nodeType(), NODE_TEXT);
    EXPECT_STREQ(value->get_nodeValue(), "v");
    EXPECT_EQ(refs(value.get()), 2);
    EXPECT_EQ(parentOf(value).get(), static_cast<ITOVELDOMNode*>(a.get()));
    auto owner = own(value->get_ownerDocument());
    EXPECT_EQ(owner.get(), doc_.get());
    add(a, text("w"));
    EXPECT_STREQ(e->getAttribute("a"), "vw");
    auto empty = own(e->getAttributeNode("empty"));
    EXPECT_EQ(kids(empty), "#text=");
    auto list = own(empty->get_childNodes());
    EXPECT_EQ(list->get_length(), 1);
}

TEST_F(Attribute, CopiedValuesBelongToTheNewDocument) {
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto e = own(other->createElement("e"));
    e->setAttribute("a", "v");
    auto copy = own(static_cast<ITOVELDOMElement*>(doc_->importNode(e, false)));
    auto a = own(copy->getAttributeNode("a"));
    auto value = own(a->get_firstChild());
    ASSERT_NE(value, nullptr);
    auto owner = own(value->get_ownerDocument());
    EXPECT_EQ(owner.get(), doc_.get());
    auto source = own(e->getAttributeNode("a"));
    auto sourceValue = own(source->get_firstChild());
    EXPECT_NE(sourceValue.get(), value.get());
    auto sourceOwner = own(sourceValue->get_ownerDocument());
    EXPECT_EQ(sourceOwner.get(), other.get());
}

TEST_F(Attribute, PrivateOperations) {
    auto a = attr("a");
    auto* priv = dynamic_cast<ITOVELDOMPrivate*>(a.get());
    EXPECT_CODE(30003, priv->setOwnerDocument(nullptr));
    a->put_value("v");
    auto other = own(createTOVELDOMDocument_7_4_0());
    priv->setOwnerDocument(other);
    auto value = childAt(a, 0);
    auto owner = own(value->get_ownerDocument());
    EXPECT_EQ(owner.get(), other.get());
    EXPECT_EQ(dynamic_cast<CTOVELDOMAttribute*>(a.get())->getParentElement(), nullptr);
}

} // namespace
} // namespace tovel_test

// Prefixes and local names, put_prefix, the factories' namespace rules, and the
// declarations an element adds for itself, its attributes and its element children.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

const char* const kXmlNs = "http://www.w3.org/XML/1998/namespace";

struct NameCase {
    const char* name;
    const char* uri;
    const char* prefix; // checked only when uri is not empty
    const char* local;
};

class QualifiedNames : public DocTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(QualifiedNames, PrefixAndLocalName) {
    const NameCase& c = GetParam();
    // The internal factories return count 0: the holder adds the first reference.
    CNodePtr<ITOVELDOMElement> e(CreateXMLElement_7_4_0(doc_, nullptr, c.name, c.uri));
    CNodePtr<ITOVELDOMAttribute> a(CreateXMLAttribute_7_4_0(doc_, nullptr, c.name, c.uri, true));
    EXPECT_STREQ(e->get_localName(), c.local);
    EXPECT_STREQ(a->get_localName(), c.local);
    if (*c.uri) {
        EXPECT_STREQ(e->get_prefix(), c.prefix);
        EXPECT_STREQ(a->get_prefix(), c.prefix);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, QualifiedNames,
                         ::testing::Values(NameCase{"p:item", "u", "p", "item"},
                                           NameCase{"item", "u", "", "item"},
                                           NameCase{"p:q:r", "u", "p", "q:r"},
                                           NameCase{"p:", "u", "p", "p:"},
                                           NameCase{"p:item", "", "", "p:item"}));

using Namespaces = DocTest;

TEST_F(Namespaces, PutPrefixKeepsLocalNameAndUri) {
    auto e = elemNS("urn:u", "p:item");
    e->put_prefix("q");
    EXPECT_STREQ(e->get_tagName(), "q:item");
    EXPECT_STREQ(e->get_namespaceURI(), "urn:u");
    auto a = own(doc_->createAttributeNS("urn:u", "p:at"));
    a->put_prefix("r");
    EXPECT_STREQ(a->get_name(), "r:at");
    auto t = text("t");
    t->put_prefix("x");
    EXPECT_EQ(t->get_prefix(), nullptr);
    EXPECT_EQ(t->get_namespaceURI(), nullptr);
}

TEST_F(Namespaces, ClearingTheUriMakesTheWholeNameLocal) {
    auto e = elemNS("urn:u", "p:item");
    e->setNamespaceURI(nullptr);
    EXPECT_STREQ(e->get_namespaceURI(), "");
    EXPECT_STREQ(e->get_localName(), "p:item");
    EXPECT_STREQ(e->get_tagName(), "p:item");
    auto c = cdata("c");
    EXPECT_CODE(3, dynamic_cast<ITOVELDOMPrivate*>(c.get())->setNamespaceURI("urn:x"));
    auto t = text("t");
    dynamic_cast<ITOVELDOMPrivate*>(t.get())->setNamespaceURI("urn:x"); // ignored
    EXPECT_EQ(t->get_namespaceURI(), nullptr);
}

struct FactoryCase {
    bool attribute;
    const char* uri;
    const char* name;
    int code; // 0: accepted
};

class NamespaceFactories : public DocTest, public ::testing::WithParamInterface<FactoryCase> {};

TEST_P(NamespaceFactories, Rules) {
    const FactoryCase& c = GetParam();
    auto create = [&]() -> ITOVELDOMNode* {
        if (c.attribute) return doc_->createAttributeNS(c.uri, c.name);
        return doc_->createElementNS(c.uri, c.name);
    };
    if (c.code) {
        EXPECT_CODE(c.code, drop(create()));
        return;
    }
    auto n = own(create());
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(refs(n.get()), 1);
    EXPECT_STREQ(n->get_nodeName(), c.name);
    EXPECT_STREQ(n->get_namespaceURI(), c.uri ? c.uri : "");
    auto owner = own(n->get_ownerDocument());
    EXPECT_EQ(owner.get(), doc_.get());
}

INSTANTIATE_TEST_SUITE_P(
    Factories, NamespaceFactories,
    ::testing::Values(FactoryCase{false, nullptr, nullptr, 30002},
                      FactoryCase{false, nullptr, "p:x", 30002},
                      FactoryCase{false, "", "p:x", 30002}, FactoryCase{false, nullptr, "x", 0},
                      FactoryCase{false, "", "x", 0}, FactoryCase{false, "urn:u", "x", 0},
                      FactoryCase{false, "urn:u", "p:x", 0},
                      FactoryCase{true, nullptr, nullptr, 30002},
                      FactoryCase{true, nullptr, "p:x", 30002}, FactoryCase{true, "", "p:x", 30002},
                      FactoryCase{true, "", "x", 30002}, FactoryCase{true, "urn:u", "x", 30002},
                      FactoryCase{true, nullptr, "x", 0}, FactoryCase{true, "urn:u", "p:x", 0},
                      FactoryCase{true, "urn:u", "xmlns:x", 0}));

class Declarations : public DocTest {
protected:
    static CTOVELDOMElement* impl(ITOVELDOMElement* e) {
        return dynamic_cast<CTOVELDOMElement*>(e);
    }
    // Attributes of e in iteration order, as name=value.
    static std::string attrs(ITOVELDOMElement* e) {
        auto map = own(e->get_attributes());
        std::string out;
        for (long i = 0; i < map->get_length(); ++i) {
            auto a = own(map->get_item(i));
            out += std::string(i ? " " : "") + a->get_nodeName() + "=" + a->get_nodeValue();
        }
        return out;
    }
};

TEST_F(Declarations, AddedWhereNoAncestorBindsThePrefix) {
    auto e = elemNS("u", "p:a");
    impl(e)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "xmlns:p=u");
    auto d = own(e->getAttributeNode("xmlns:p"));
    EXPECT_TRUE(d->get_specified());
    EXPECT_STREQ(d->get_namespaceURI(), "");
}

TEST_F(Declarations, NearestAncestorDecides) {
    auto top = elem("top");
    top->setAttribute("xmlns:p", "u");
    auto mid = addElem(top, "mid");
    auto e = elemNS("u", "p:a");
    add(mid, e);
    impl(e)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "");
    mid->setAttribute("xmlns:p", "v");
    impl(e)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "xmlns:p=u");
}

TEST_F(Declarations, ConflictingOwnDeclarationThrows) {
    auto e = elemNS("u", "p:a");
    e->setAttribute("xmlns:p", "v");
    EXPECT_CODE(30005, impl(e)->addNamespaceDeclarations());
    EXPECT_EQ(attrs(e), "xmlns:p=v");
    ITOVELDOMAttribute* out = nullptr;
    EXPECT_TRUE(impl(e)->checkNamespaceConflict("p", "u", &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(impl(e)->checkNamespaceConflict("p", "v", &out));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(refs(out), 2);
    out->Release();
    EXPECT_FALSE(impl(e)->checkNamespaceConflict("q", "v", &out));
    EXPECT_EQ(out, nullptr);
}

TEST_F(Declarations, RedundantUnspecifiedDeclarationIsDropped) {
    auto parent = elem("parent");
    parent->setAttribute("xmlns:p", "u");
    auto e = elemNS("u", "p:a");
    add(parent, e);
    impl(e)->createAttribute("xmlns:p", "u", false, nullptr);
    auto f = elemNS("u", "p:b");
    add(parent, f);
    f->setAttribute("xmlns:p", "u"); // specified: stays
    impl(e)->addNamespaceDeclarations();
    impl(f)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "");
    EXPECT_EQ(attrs(f), "xmlns:p=u");
}

TEST_F(Declarations, DeclarationRemovedDuringTheAttributeWalk) {
    auto parent = elem("parent");
    parent->setAttribute("xmlns:p", "u");
    auto e = elem("e");
    add(parent, e);
    impl(e)->createAttribute("xmlns:p", "u", false, nullptr);
    // p:y shares bucket 5 with the older xmlns:p and comes first: the walk stands on the
    // declaration when p:y's resolution removes it.
    e->setAttributeNS("u", "p:y", "2");
    impl(e)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "p:y=2");
}

TEST_F(Declarations, DefaultNamespaceAndNoNamespace) {
    auto e = elemNS("u", "a");
    impl(e)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "xmlns=u");
    auto inner = elem("plain");
    add(e, inner);
    impl(inner)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(inner), ""); // no undeclaration is ever written
}

TEST_F(Declarations, ChildrenAreDeclaredOnTheParentOnly) {
    auto e = elem("e");
    auto c = elemNS("w", "c:x");
    add(e, c);
    auto g = elemNS("z", "g:y");
    add(c, g);
    impl(e)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(e), "xmlns:c=w");
    EXPECT_EQ(attrs(c), "");
    EXPECT_EQ(attrs(g), "");
}

TEST_F(Declarations, AttributePrefixesAreDeclaredToo) {
    auto e = elem("e");
    e->setAttributeNS(kXmlNs, "xml:lang", "en");
    impl(e)->addNamespaceDeclarations();
    EXPECT_STREQ(e->getAttribute("xmlns:xml"), kXmlNs);
    auto parent = elem("parent");
    parent->setAttribute("xmlns:xml", kXmlNs);
    auto f = elem("f");
    add(parent, f);
    f->setAttributeNS(kXmlNs, "xml:lang", "en");
    impl(f)->addNamespaceDeclarations();
    EXPECT_EQ(attrs(f), "xml:lang=en");
}

TEST_F(Declarations, FindNamespaceDeclLooksAtTheElementOnly) {
    auto parent = elem("parent");
    parent->setAttribute("xmlns", "d");
    auto e = addElem(parent, "e");
    EXPECT_EQ(impl(e)->findNamespaceDecl(""), nullptr);
    EXPECT_TRUE(impl(e)->findAncestorNamespaceDecl(nullptr, "d"));
    EXPECT_FALSE(impl(e)->findAncestorNamespaceDecl("", "other"));
    auto own_ = own(impl(parent)->findNamespaceDecl(nullptr));
    ASSERT_NE(own_, nullptr);
    EXPECT_STREQ(own_->get_value(), "d");
}

} // namespace
} // namespace tovel_test

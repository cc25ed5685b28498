// Elements and fragments: text, put_text, normalize, cloning of every node with children;
// prefixes and local names, the factories' namespace rules, the declarations an element
// adds for itself, its attributes and its element children, and the searches.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

using Element = DocTest;

TEST_F(Element, TextSkipsCommentsAndInstructionsAndPutTextLeavesOneChild) {
    for (CNodePtr<ITOVELDOMNode> n :
         {CNodePtr<ITOVELDOMNode>(elem("e").get()), CNodePtr<ITOVELDOMNode>(frag().get())}) {
        SCOPED_TRACE(n->get_nodeName());
        add(n, text("a"));
        add(n, cdata("b"));
        add(n, comment("no"));
        add(n, pi("t", "no"));
        auto child = addElem(n, "c");
        add(child, text("c"));
        child->setAttribute("attr", "no");
        add(n, text(" d "));
        EXPECT_STREQ(n->get_text(), "abc d ");
        n->put_text("new");
        EXPECT_EQ(kids(n), "#text=new");
        EXPECT_EQ(parentOf(child), nullptr);
        auto t = childAt(n, 0);
        EXPECT_EQ(refs(t.get()), 2);
        EXPECT_EQ(peek(t->get_parentNode()), n.get());
        n->put_text("");
        EXPECT_EQ(kids(n), "#text=");
        n->put_text(nullptr);
        EXPECT_FALSE(n->hasChildNodes());
    }
}

TEST_F(Element, NormalizeMergesRunsOfText) {
    auto e = elem("e");
    auto t1 = text("a"), t2 = text("b");
    add(e, t1);
    add(e, t2);
    add(e, cdata("c"));
    add(e, text("d"));
    add(e, comment("m"));
    add(e, text("e"));
    auto inner = addElem(e, "i");
    for (const char* s : {"x", "", "y"}) add(inner, text(s));
    EXPECT_TRUE(e->normalize());
    EXPECT_EQ(kids(e), "#text=ab,#cdata-section=c,#text=d,#comment=m,#text=e,i");
    EXPECT_EQ(kids(inner), "#text=xy");
    EXPECT_EQ(childAt(e, 0).get(), t1.get());
    EXPECT_EQ(parentOf(t2), nullptr);
    EXPECT_EQ(refs(t2.get()), 1);
}

TEST_F(Element, CloneShallowAndDeep) {
    auto e = elemNS("urn:n", "p:e");
    add(doc_, e);
    e->setAttribute("a", "1");
    add(addElem(e, "c"), text("t"));
    auto f = frag();
    addElem(f, "a");
    add(f, comment("m"));
    CNodePtr<ITOVELDOMAttribute> a(CreateXMLAttribute_7_4_0(doc_, nullptr, "p:a", "urn:u", false));
    a->put_value("v");
    auto holder = elem("h");
    drop(holder->setAttributeNode(a));
    for (ITOVELDOMNode* n :
         {static_cast<ITOVELDOMNode*>(e.get()), static_cast<ITOVELDOMNode*>(f.get()),
          static_cast<ITOVELDOMNode*>(a.get())}) {
        SCOPED_TRACE(n->get_nodeName());
        auto shallow = own(n->cloneNode(false)), deep = own(n->cloneNode(true));
        EXPECT_FALSE(shallow->hasChildNodes());
        EXPECT_EQ(kids(deep), kids(n));
        auto copied = childAt(deep, 0);
        EXPECT_NE(copied.get(), childAt(n, 0).get());
        EXPECT_EQ(peek(copied->get_parentNode()), deep.get());
        EXPECT_EQ(refs(copied.get()), 2);
        for (ITOVELDOMNode* c : {shallow.get(), deep.get()}) {
            EXPECT_EQ(refs(c), 1);
            EXPECT_EQ(c->get_parentNode(), nullptr);
            EXPECT_EQ(peek(c->get_ownerDocument()), doc_.get());
            EXPECT_STREQ(c->get_nodeName(), n->get_nodeName());
            EXPECT_STREQ(c->get_namespaceURI(), n->get_namespaceURI());
        }
    }
    auto shallow = own(static_cast<ITOVELDOMElement*>(e->cloneNode(false)));
    EXPECT_STREQ(shallow->getAttribute("a"), "1");
    EXPECT_EQ(peek(own(shallow->getAttributeNode("a"))->get_ownerElement()), shallow.get());
    EXPECT_XML(own(e->cloneNode(true)), "<p:e a=\"1\"><c>t</c></p:e>");
    auto copy = own(static_cast<ITOVELDOMAttribute*>(a->cloneNode(true)));
    EXPECT_FALSE(copy->get_specified());
    EXPECT_EQ(copy->get_ownerElement(), nullptr);
    EXPECT_STREQ(copy->get_value(), "v");
}

const char* const kXmlNs = "http://www.w3.org/XML/1998/namespace";

using Namespaces = DocTest;

TEST_F(Namespaces, PrefixAndLocalName) {
    struct {
        const char *name, *uri, *prefix, *local; // prefix checked only when uri is not empty
    } cases[] = {{"p:item", "u", "p", "item"},
                 {"item", "u", "", "item"},
                 {"p:q:r", "u", "p", "q:r"},
                 {"p:", "u", "p", "p:"},
                 {"p:item", "", "", "p:item"}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " in '" << c.uri << "'");
        // The internal factories return count 0: the holder adds the first reference.
        CNodePtr<ITOVELDOMElement> e(CreateXMLElement_7_4_0(doc_, nullptr, c.name, c.uri));
        CNodePtr<ITOVELDOMAttribute> a(
            CreateXMLAttribute_7_4_0(doc_, nullptr, c.name, c.uri, true));
        EXPECT_STREQ(e->get_localName(), c.local);
        EXPECT_STREQ(a->get_localName(), c.local);
        if (*c.uri) {
            EXPECT_STREQ(e->get_prefix(), c.prefix);
            EXPECT_STREQ(a->get_prefix(), c.prefix);
        }
    }
}

TEST_F(Namespaces, FactoryRules) {
    struct {
        bool attribute;
        const char *uri, *name;
        int code; // 0: accepted
    } cases[] = {{false, nullptr, nullptr, 30002},
                 {false, nullptr, "p:x", 30002},
                 {false, "", "p:x", 30002},
                 {false, nullptr, "x", 0},
                 {false, "", "x", 0},
                 {false, "urn:u", "p:x", 0},
                 {true, nullptr, nullptr, 30002},
                 {true, nullptr, "p:x", 30002},
                 {true, "", "x", 30002},
                 {true, "urn:u", "x", 30002},
                 {true, nullptr, "x", 0},
                 {true, "urn:u", "p:x", 0},
                 {true, "urn:u", "xmlns:x", 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.attribute << " " << (c.name ? c.name : "(null)")
                                        << " in " << (c.uri ? c.uri : "(null)"));
        auto create = [&]() -> ITOVELDOMNode* {
            if (c.attribute) return doc_->createAttributeNS(c.uri, c.name);
            return doc_->createElementNS(c.uri, c.name);
        };
        if (c.code) {
            EXPECT_CODE(c.code, drop(create()));
            continue;
        }
        auto n = own(create());
        EXPECT_EQ(refs(n.get()), 1);
        EXPECT_STREQ(n->get_nodeName(), c.name);
        EXPECT_STREQ(n->get_namespaceURI(), c.uri ? c.uri : "");
    }
}

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
    // Adds e's declarations and returns its attributes.
    static std::string declare(ITOVELDOMElement* e) {
        impl(e)->addNamespaceDeclarations();
        return attrs(e);
    }
};

TEST_F(Declarations, AddedWhereTheNearestAncestorDoesNotBindThePrefix) {
    auto e = elemNS("u", "p:a");
    EXPECT_EQ(declare(e), "xmlns:p=u");
    auto d = own(e->getAttributeNode("xmlns:p"));
    EXPECT_TRUE(d->get_specified());
    EXPECT_STREQ(d->get_namespaceURI(), "");
    auto top = elem("top");
    top->setAttribute("xmlns:p", "u");
    auto mid = addElem(top, "mid");
    auto f = elemNS("u", "p:a");
    add(mid, f);
    EXPECT_EQ(declare(f), "");
    mid->setAttribute("xmlns:p", "v");
    EXPECT_EQ(declare(f), "xmlns:p=u");
    // The default namespace; no undeclaration is ever written.
    auto g = elemNS("u", "a");
    EXPECT_EQ(declare(g), "xmlns=u");
    EXPECT_EQ(declare(addElem(g, "plain")), "");
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
    EXPECT_EQ(declare(e), "");
    EXPECT_EQ(declare(f), "xmlns:p=u");
    // p:y shares bucket 5 with the older xmlns:p and comes first: the walk stands on the
    // declaration when p:y's resolution removes it.
    auto g = elem("g");
    add(parent, g);
    impl(g)->createAttribute("xmlns:p", "u", false, nullptr);
    g->setAttributeNS("u", "p:y", "2");
    EXPECT_EQ(declare(g), "p:y=2");
}

TEST_F(Declarations, ChildrenAndAttributePrefixesAreDeclaredOnTheParent) {
    auto e = elem("e");
    auto c = elemNS("w", "c:x");
    add(e, c);
    add(c, elemNS("z", "g:y"));
    EXPECT_EQ(declare(e), "xmlns:c=w");
    EXPECT_EQ(attrs(c), "");
    EXPECT_EQ(attrs(own(static_cast<ITOVELDOMElement*>(c->get_firstChild()))), "");
    auto l = elem("l");
    l->setAttributeNS(kXmlNs, "xml:lang", "en");
    impl(l)->addNamespaceDeclarations();
    EXPECT_STREQ(l->getAttribute("xmlns:xml"), kXmlNs);
    auto parent = elem("parent");
    parent->setAttribute("xmlns:xml", kXmlNs);
    auto f = addElem(parent, "f");
    f->setAttributeNS(kXmlNs, "xml:lang", "en");
    EXPECT_EQ(declare(f), "xml:lang=en");
}

// Searches by tag name and by namespace, with and without letter case: pre-order, the
// document element included only for the document's searches, results are snapshots.
class Search : public DocTest {
protected:
    // a( b( c ), c, p:item[urn:p], B ) with a comment and a processing instruction around.
    CNodePtr<ITOVELDOMElement> a_, b_, innerC_, outerC_, item_, upperB_;
    void SetUp() override {
        add(doc_, comment("c"));
        a_ = addElem(doc_, "a");
        b_ = addElem(a_, "b");
        innerC_ = addElem(b_, "c");
        outerC_ = addElem(a_, "c");
        item_ = elemNS("urn:p", "p:item");
        add(a_, item_);
        add(a_, pi("c", "not an element"));
        upperB_ = addElem(a_, "B");
    }
    std::string found(ITOVELDOMNodeList* list) {
        std::string out = names(list);
        drop(list);
        return out;
    }
};

TEST_F(Search, DocumentSearchIsPreOrderFromTheDocumentElement) {
    auto list = own(doc_->getElementsByTagName("c"));
    EXPECT_EQ(refs(list.get()), 1);
    ASSERT_EQ(list->get_length(), 2);
    EXPECT_EQ(peek(list->get_item(0)), innerC_.get());
    EXPECT_EQ(found(doc_->getElementsByTagName("*")), "a,b,c,c,p:item,B");
    EXPECT_EQ(found(doc_->getElementsByTagName("a")), "a");
}

TEST_F(Search, ElementSearchCoversDescendantsOnly) {
    EXPECT_EQ(found(a_->getElementsByTagName("*")), "b,c,c,p:item,B");
    EXPECT_EQ(found(a_->getElementsByTagName("a")), "");
    EXPECT_EQ(found(b_->getElementsByTagName("c")), "c");
    EXPECT_EQ(found(innerC_->getElementsByTagName("*")), "");
}

TEST_F(Search, NoCaseFoldsNamesOnly) {
    EXPECT_EQ(found(doc_->getElementsByTagName("b")), "b");
    EXPECT_EQ(found(doc_->getElementsByTagNameNoCase("b")), "b,B");
    EXPECT_EQ(found(a_->getElementsByTagNameNoCase("C")), "c,c");
    EXPECT_EQ(found(doc_->getElementsByTagNameNoCase("A")), "a");
    EXPECT_EQ(found(doc_->getElementsByTagNameNoCase("P:ITEM")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNSNoCase("urn:p", "ITEM")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNSNoCase("URN:P", "item")), "");
    EXPECT_EQ(found(a_->getElementsByTagNameNSNoCase("URN:P", "item")), "");
    addElem(b_, "zZ"); // the last letter folds too
    EXPECT_EQ(found(b_->getElementsByTagNameNoCase("ZZ")), "zZ");
    EXPECT_EQ(found(doc_->getElementsByTagName("*x")), ""); // "*" only alone means every name
}

TEST_F(Search, QualifiedNamesAndNamespaces) {
    EXPECT_EQ(found(doc_->getElementsByTagName("item")), "");
    EXPECT_EQ(found(doc_->getElementsByTagName("p:item")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNS("urn:p", "item")), "p:item");
    EXPECT_EQ(found(a_->getElementsByTagNameNS("urn:p", "*")), "p:item");
    EXPECT_EQ(found(a_->getElementsByTagNameNS("*", "item")), "");
    EXPECT_EQ(found(doc_->getElementsByTagNameNS("", "c")), "c,c");
    EXPECT_EQ(found(doc_->getElementsByTagNameNS("", "*")), "a,b,c,c,B");
    // A null URI falls back to the name search against the qualified name.
    EXPECT_EQ(found(doc_->getElementsByTagNameNS(nullptr, "p:item")), "p:item");
    EXPECT_EQ(found(a_->getElementsByTagNameNS(nullptr, "p:item")), "p:item");
    EXPECT_EQ(found(doc_->getElementsByTagNameNSNoCase(nullptr, "P:Item")), "p:item");
}

TEST_F(Search, ResultIsASnapshotHoldingItsElements) {
    auto list = own(doc_->getElementsByTagName("c"));
    EXPECT_EQ(refs(innerC_.get()), 3); // b's list, our holder, the result
    drop(b_->removeChild(innerC_));
    EXPECT_EQ(list->get_length(), 2);
    EXPECT_EQ(peek(list->get_item(0)), innerC_.get());
    EXPECT_EQ(innerC_->get_parentNode(), nullptr);
    addElem(a_, "c");
    EXPECT_EQ(list->get_length(), 2);
    auto again = own(doc_->getElementsByTagName("c"));
    EXPECT_NE(again.get(), list.get());
    EXPECT_EQ(again->get_length(), 2);
}

} // namespace
} // namespace tovel_test

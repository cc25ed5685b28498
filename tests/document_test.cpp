// The document: defaults, settings, factories, the document element, clone, import.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

class Document : public DocTest {
protected:
    CTOVELDOMDocument* impl() { return dynamic_cast<CTOVELDOMDocument*>(doc_.get()); }
};

TEST_F(Document, DefaultsSettingsAndFactories) {
    EXPECT_FALSE(doc_->get_resolveExternals() || doc_->get_preserveWhiteSpace());
    EXPECT_XML(doc_, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
    doc_->put_encoding("utf-16", "ignored");
    EXPECT_STREQ(doc_->get_encoding(), "utf-16"); // not folded
    EXPECT_CODE(30003, doc_->put_encoding(nullptr));
    EXPECT_CODE(30003, doc_->put_encoding(nullptr, "x"));
    EXPECT_STREQ(doc_->get_encoding(), "utf-16");
    impl()->setVersion(nullptr);
    EXPECT_STREQ(impl()->getVersion(), "1.0");
    priv(doc_)->setNamespaceURI(nullptr);
    EXPECT_STREQ(doc_->get_namespaceURI(), "");
    EXPECT_CODE(3, priv(doc_)->setParentNode(elem("e")));
    EXPECT_CODE(3, priv(doc_)->setOwnerDocument(own(createTOVELDOMDocument_7_4_0())));
    // The factories check only for null.
    EXPECT_STREQ(elem("a b")->get_tagName(), "a b");
    EXPECT_STREQ(elem("")->get_tagName(), "");
    EXPECT_CODE(30002, drop(doc_->createElement(nullptr)));
    EXPECT_CODE(30000, drop(doc_->createEntityReference("e")));
    EXPECT_CODE(30000, doc_->put_text("x"));
    EXPECT_STREQ(text(nullptr)->get_data(), "");
    EXPECT_STREQ(comment(nullptr)->get_data(), "");
    EXPECT_STREQ(cdata(nullptr)->get_data(), "");
}

TEST_F(Document, PutDocumentElementGoesAfterTheDocumentType) {
    EXPECT_CODE(30003, drop(impl()->put_documentElement(nullptr)));
    add(doc_, comment("c"));
    auto root = elem("root");
    drop(impl()->put_documentElement(root)); // without a document type: appended
    EXPECT_EQ(kids(doc_), "#comment=c,root");
    EXPECT_EQ(refs(root.get()), 2);
    drop(doc_->removeChild(root));
    auto dt = doctype("d");
    add(doc_, dt);
    add(doc_, comment("tail"));
    EXPECT_EQ(peek(impl()->put_documentElement(root)), root.get());
    EXPECT_EQ(kids(doc_), "#comment=c,d,root,#comment=tail");
    EXPECT_CODE(3, drop(impl()->put_documentElement(elem("again"))));
    EXPECT_EQ(peek(doc_->get_documentElement()), root.get());
    EXPECT_EQ(peek(doc_->get_doctype()), dt.get());
}

TEST_F(Document, ShallowCloneKeepsSettingsButNotEncodingOrIndentation) {
    doc_->put_encoding("ISO-8859-1");
    doc_->put_preserveWhiteSpace(true);
    doc_->put_resolveExternals(true);
    impl()->setStandalone(false);
    impl()->setVersion("1.1");
    priv(doc_)->setNamespaceURI("urn:d");
    doc_->setIndentLevel(2);
    doc_->setIndentation("\t");
    addElem(doc_, "root");
    auto copy = own(static_cast<ITOVELDOMDocument*>(doc_->cloneNode(false)));
    EXPECT_FALSE(copy->hasChildNodes());
    EXPECT_TRUE(copy->get_preserveWhiteSpace());
    EXPECT_TRUE(copy->get_resolveExternals());
    EXPECT_STREQ(copy->get_namespaceURI(), "urn:d");
    // Level 0: no indentation, whatever the source had.
    EXPECT_XML(copy, "<?xml version=\"1.1\" encoding=\"UTF-8\" standalone=\"no\"?>\n");
}

TEST_F(Document, DeepCloneSurvivesTheSource) {
    ITOVELDOMDocument* source = createTOVELDOMDocument_7_4_0();
    add(source, own(source->createComment("c")));
    auto root = own(source->createElement("root"));
    add(source, root);
    root->setAttribute("a", "1");
    add(root, own(source->createTextNode("t")));
    auto copy = own(static_cast<ITOVELDOMDocument*>(source->cloneNode(true)));
    root = nullptr;
    source->Release();
    auto copyRoot = own(copy->get_documentElement());
    EXPECT_EQ(peek(copyRoot->get_parentNode()), copy.get());
    EXPECT_EQ(peek(own(copyRoot->getAttributeNode("a"))->get_ownerDocument()), copy.get());
    EXPECT_XML(copy, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<!--c--><root a=\"1\">t</root>");
    add(copyRoot, own(copy->createElement("more")));
    EXPECT_EQ(kids(copyRoot), "#text=t,more");
}

TEST_F(Document, ImportNode) {
    auto other = own(createTOVELDOMDocument_7_4_0());
    auto e = own(other->createElement("e"));
    add(other, e);
    e->setAttribute("a", "1");
    add(e, own(other->createTextNode("t")));
    EXPECT_CODE(30003, drop(doc_->importNode(nullptr, true)));
    EXPECT_CODE(9, drop(doc_->importNode(other, true)));
    EXPECT_CODE(9, drop(doc_->importNode(doctype("d"), false)));

    auto shallow = own(doc_->importNode(e, false));
    EXPECT_EQ(refs(shallow.get()), 1);
    EXPECT_XML(shallow, "<e a=\"1\"/>");
    auto deep = own(doc_->importNode(e, true));
    EXPECT_XML(deep, "<e a=\"1\">t</e>");
    auto a = own(static_cast<ITOVELDOMElement*>(deep.get())->getAttributeNode("a"));
    for (ITOVELDOMNode* n : {shallow.get(), deep.get(), childAt(deep, 0).get(),
                             static_cast<ITOVELDOMNode*>(a.get()), childAt(a, 0).get()}) {
        EXPECT_EQ(peek(n->get_ownerDocument()), doc_.get());
    }
    add(doc_, deep);               // now accepted: same document
    EXPECT_EQ(kids(e), "#text=t"); // the source is unchanged

    auto importedAttr = own(
        static_cast<ITOVELDOMAttribute*>(doc_->importNode(own(e->getAttributeNode("a")), false)));
    EXPECT_STREQ(importedAttr->get_value(), "1");
    EXPECT_EQ(importedAttr->get_ownerElement(), nullptr);
    auto f = own(other->createDocumentFragment());
    add(f, own(other->createComment("m")));
    EXPECT_EQ(kids(own(doc_->importNode(f, true))), "#comment=m");
}

TEST_F(Document, NamesAreSharedWithinADocumentOnly) {
    // A loaded document keeps one copy of each name; its counts are plain integers, so a
    // node taken into another document (used by another thread) must bring its own.
    auto source = own(createTOVELDOMDocument_7_4_0());
    const char text[] =
        "<p:r xmlns:p=\"urn:u\"><p:e p:a=\"1\"/><p:e p:a=\"2\"/><p:e p:a=\"3\"/></p:r>";
    source->loadXML(text, int(sizeof text - 1));
    auto root = own(source->get_documentElement());
    auto first = childAt(root, 0), second = childAt(root, 1);
    auto secondElement = static_cast<ITOVELDOMElement*>(second.get());
    auto attr = own(static_cast<ITOVELDOMElement*>(first.get())->getAttributeNode("p:a"));
    EXPECT_EQ(first->get_namespaceURI(), second->get_namespaceURI());
    EXPECT_EQ(attr->get_name(), own(secondElement->getAttributeNode("p:a"))->get_name());
    EXPECT_EQ(own(first->cloneNode(true))->get_nodeName(), first->get_nodeName());

    auto imported = own(doc_->importNode(first, true));
    auto importedAttr =
        own(static_cast<ITOVELDOMElement*>(imported.get())->getAttributeNode("p:a"));
    EXPECT_NE(imported->get_namespaceURI(), first->get_namespaceURI());
    EXPECT_NE(importedAttr->get_name(), attr->get_name());
    auto loose = own(doc_->importNode(attr, false)); // an attribute on its own too
    EXPECT_NE(static_cast<ITOVELDOMAttribute*>(loose.get())->get_name(), attr->get_name());

    // Releasing the source whole leaves the imported names intact.
    root = nullptr, first = nullptr, second = nullptr, attr = nullptr, source = nullptr;
    EXPECT_XML(imported, "<p:e p:a=\"1\"/>");
    EXPECT_STREQ(importedAttr->get_namespaceURI(), "urn:u");
}

} // namespace
} // namespace tovel_test

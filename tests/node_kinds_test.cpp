// Processing instruction, document type and document fragment.
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

using ProcessingInstruction = DocTest;

TEST_F(ProcessingInstruction, TargetAndData) {
    auto p = pi("target", nullptr);
    EXPECT_EQ(p->get_nodeType(), NODE_PROCESSING_INSTRUCTION);
    EXPECT_STREQ(p->get_nodeTypeString(), "processinginstruction");
    EXPECT_STREQ(p->get_target(), "target");
    EXPECT_STREQ(p->get_nodeName(), "target");
    EXPECT_STREQ(p->get_localName(), "target");
    EXPECT_STREQ(p->get_data(), "");
    p->put_data("d1");
    EXPECT_STREQ(p->get_nodeValue(), "d1");
    EXPECT_STREQ(p->get_text(), "d1");
    p->put_nodeValue("d2");
    EXPECT_STREQ(p->get_data(), "d2");
    p->put_text(nullptr);
    EXPECT_STREQ(p->get_data(), "");
    auto e = elem("e");
    EXPECT_CODE(3, drop(p->appendChild(e)));
    EXPECT_EQ(p->get_namespaceURI(), nullptr);
    EXPECT_FALSE(p->hasChildNodes());
    p->put_data("d");
    add(e, p);
    auto copy = own(static_cast<ITOVELDOMProcessingInstruction*>(p->cloneNode(false)));
    EXPECT_STREQ(copy->get_target(), "target");
    EXPECT_STREQ(copy->get_data(), "d");
    EXPECT_EQ(copy->get_parentNode(), nullptr);
    EXPECT_EQ(refs(copy.get()), 1);
}

using DocumentType = DocTest;

TEST_F(DocumentType, IdentifiersAndRefusals) {
    auto dt = doctype("root", "pub", "sys");
    EXPECT_EQ(dt->get_nodeType(), NODE_DOCUMENT_TYPE);
    EXPECT_STREQ(dt->get_nodeTypeString(), "documenttype");
    EXPECT_STREQ(dt->get_nodeName(), "root");
    EXPECT_STREQ(dt->get_localName(), "root");
    EXPECT_STREQ(dt->get_publicID(), "pub");
    EXPECT_STREQ(dt->get_systemID(), "sys");
    EXPECT_STREQ(dt->get_text(), "");
    EXPECT_EQ(dt->get_nodeValue(), nullptr);
    EXPECT_EQ(dt->get_namespaceURI(), nullptr);
    EXPECT_EQ(dt->get_prefix(), nullptr);
    EXPECT_EQ(dt->get_attributes(), nullptr);
    EXPECT_CODE(7, dt->put_text("x"));
    EXPECT_CODE(30000, drop(dt->get_entities()));
    EXPECT_CODE(30000, drop(dt->get_notations()));
    // The constructor takes the system identifier first.
    CNodePtr<ITOVELDOMDocumentType> direct(
        new CTOVELDOMDocumentType(doc_, nullptr, "d", "sys", "pub", "[<!ENTITY e 'x'>]"));
    EXPECT_STREQ(direct->get_systemID(), "sys");
    EXPECT_STREQ(direct->get_publicID(), "pub");
    EXPECT_XML(direct, "<!DOCTYPE d PUBLIC \"pub\" \"sys\" [<!ENTITY e 'x'>]>\n");
}

using Fragment = DocTest;

TEST_F(Fragment, TextSkipsCommentsAndPutTextLeavesOneTextChild) {
    auto f = frag();
    add(f, text("a"));
    add(f, comment("no"));
    auto e = addElem(f, "e");
    add(e, cdata("b"));
    add(f, pi("t", "no"));
    EXPECT_STREQ(f->get_text(), "ab");
    f->put_text("abc");
    EXPECT_EQ(kids(f), "#text=abc");
    EXPECT_EQ(parentOf(e), nullptr);
    auto t = childAt(f, 0);
    EXPECT_EQ(peek(t->get_parentNode()), f.get());
    EXPECT_EQ(refs(t.get()), 2);
    f->put_text(nullptr);
    EXPECT_FALSE(f->hasChildNodes());
}

TEST_F(Fragment, CloneDeepAndShallow) {
    auto f = frag();
    auto a = addElem(f, "a");
    addElem(f, "b");
    auto deep = own(f->cloneNode(true));
    EXPECT_EQ(kids(deep), "a,b");
    EXPECT_EQ(kids(f), "a,b");
    auto copyA = childAt(deep, 0);
    EXPECT_NE(copyA.get(), a.get());
    EXPECT_EQ(peek(copyA->get_parentNode()), deep.get());
    EXPECT_EQ(refs(copyA.get()), 2);
    auto shallow = own(f->cloneNode(false));
    EXPECT_FALSE(shallow->hasChildNodes());
    EXPECT_EQ(peek(shallow->get_ownerDocument()), doc_.get());
}

} // namespace
} // namespace tovel_test

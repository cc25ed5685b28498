// The document: defaults, settings, factories, the document element, clone, import; the
// implementation singleton, the factory functions and creation hooks, and the load/unload
// messages.
#include <cstdio>
#include <string>

#include <toveldom/memory.h>

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

TEST(Implementation, HasFeatureMatchesXmlAndDomAtVersionOne) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    auto t = own(doc->createTextNode("t"));
    struct {
        const char *feature, *version;
        bool expected;
    } cases[] = {
        {"xml", "1.0", true}, {"Dom", "1.0", true}, {"XML", "2.0", false}, {"XMLX", "1.0", false}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.feature << " " << c.version);
        EXPECT_EQ(CTOVELDOMImplementation::getInstance()->hasFeature(c.feature, c.version),
                  c.expected);
        EXPECT_EQ(t->supports(c.feature, c.version), c.expected);
        EXPECT_EQ(doc->supports(c.feature, c.version), c.expected);
    }
}

TEST(Implementation, OneInstanceThatCreatesDocumentsAndDocumentTypes) {
    CTOVELDOMImplementation* impl = CTOVELDOMImplementation::getInstance();
    int base = impl->GetRef();
    auto empty = own(impl->createDocument(nullptr, "", nullptr));
    EXPECT_EQ(refs(empty.get()), 1);
    EXPECT_FALSE(empty->hasChildNodes());
    EXPECT_EQ(own(empty->get_implementation()).get(), static_cast<ITOVELDOMImplementation*>(impl));
    EXPECT_EQ(impl->GetRef(), base);
    auto dt = own(impl->createDocumentType("p:r", "", "r.dtd"));
    EXPECT_EQ(refs(dt.get()), 1);
    EXPECT_EQ(dt->get_ownerDocument(), nullptr);
    auto doc = own(impl->createDocument("urn:n", "p:r", dt));
    EXPECT_STREQ(doc->get_namespaceURI(), "urn:n");
    EXPECT_EQ(kids(doc), "p:r,p:r");
    EXPECT_EQ(peek(dt->get_ownerDocument()), doc.get());
    auto root = own(doc->get_documentElement());
    EXPECT_EQ(refs(root.get()), 2);
    EXPECT_STREQ(root->get_namespaceURI(), ""); // the URI is not given to the element
    EXPECT_STRNE(TOVELDOMErrorString_7_4_0(HIERARCHY_REQUEST_ERR), "unknown error");
    EXPECT_STREQ(TOVELDOMErrorString_7_4_0(12345), "unknown error");
}

TEST(Factories, InternalFactoriesReturnZeroCounts) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    EXPECT_EQ(refs(doc.get()), 1);
    EXPECT_EQ(refs(own(createTOVELDOMOrderDef_7_4_0()).get()), 1);
    auto firstReference = [](auto* made) {
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->AddRef(), 1);
        made->Release();
    };
    firstReference(CreateXMLDocument_7_4_0());
    firstReference(CreateXMLFragment_7_4_0(doc));
    CNodePtr<ITOVELDOMElement> e(CreateXMLElement_7_4_0(doc, nullptr, "x", "urn:u"));
    EXPECT_EQ(refs(e.get()), 1);
    EXPECT_STREQ(e->get_namespaceURI(), "urn:u");
    CNodePtr<ITOVELDOMAttribute> a(CreateXMLAttribute_7_4_0(doc, nullptr, "n", nullptr, false));
    EXPECT_EQ(refs(a.get()), 1);
    EXPECT_FALSE(a->get_specified());
    EXPECT_STREQ(a->get_namespaceURI(), "");
}

// Counts what the hooks made; each hook builds a library object (elements and attributes:
// counting_hooks).
int gFragmentsMade = 0, gDocumentsMade = 0;

struct HookScope {
    HookScope() {
        counting_hooks::elements = counting_hooks::attributes = 0;
        gFragmentsMade = gDocumentsMade = 0;
    }
    ~HookScope() {
        gpfnCreateXMLElement_7_4_0 = nullptr;
        gpfnCreateXMLAttribute_7_4_0 = nullptr;
        gpfnCreateXMLFragment_7_4_0 = nullptr;
        gpfnCreateXMLDocument_7_4_0 = nullptr;
    }
};

TEST(Factories, HooksAreConsultedEverywhereButThePublicDocumentFactory) {
    HookScope scope;
    gpfnCreateXMLElement_7_4_0 = counting_hooks::element;
    gpfnCreateXMLAttribute_7_4_0 = counting_hooks::attribute;
    gpfnCreateXMLFragment_7_4_0 = [](ITOVELDOMDocument* d) -> ITOVELDOMDocumentFragment* {
        ++gFragmentsMade;
        return new CTOVELDOMDocumentFragment(d);
    };
    gpfnCreateXMLDocument_7_4_0 = []() -> ITOVELDOMDocument* {
        ++gDocumentsMade;
        return new CTOVELDOMDocument();
    };
    auto doc = own(createTOVELDOMDocument_7_4_0());
    EXPECT_EQ(gDocumentsMade, 0);
    auto e = own(doc->createElement("e"));
    e->setAttribute("a", "1");
    drop(doc->createAttribute("b"));
    drop(doc->createDocumentFragment());
    EXPECT_EQ(gFragmentsMade, 1);
    drop(e->cloneNode(false));
    EXPECT_EQ(counting_hooks::elements, 2);
    EXPECT_EQ(counting_hooks::attributes, 3);
    drop(doc->cloneNode(false));
    drop(CTOVELDOMImplementation::getInstance()->createDocument(nullptr, "r", nullptr));
    EXPECT_EQ(gDocumentsMade, 2);
    EXPECT_EQ(counting_hooks::elements, 3);
}

TEST(Factories, NullFromAHookBecomesOutOfMemory) {
    HookScope scope;
    auto doc = own(createTOVELDOMDocument_7_4_0());
    gpfnCreateXMLElement_7_4_0 = [](ITOVELDOMDocument*, ITOVELDOMNode*, char const*,
                                    char const*) -> ITOVELDOMElement* { return nullptr; };
    EXPECT_EQ(CreateXMLElement_7_4_0(doc, nullptr, "e", nullptr), nullptr);
    EXPECT_CODE(30001, drop(doc->createElement("e")));
    EXPECT_CODE(30001, drop(doc->createElementNS("urn:x", "p:e")));
}

// Runs the example host with or without TOVELDOM_DEBUG and returns what it wrote to stderr.
std::string stderrOfExample(bool debug) {
    std::string command = std::string("env -u TOVELDOM_DEBUG ") +
                          (debug ? "TOVELDOM_DEBUG=1 " : "") +
                          TOVELDOM_BINARY_DIR "/bin/build_by_hand 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "<popen failed>";
    std::string out;
    char buf[256];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    if (pclose(pipe) != 0) out += "<exit status>";
    return out;
}

// What the library holds of its node pages: the live tree's, then none once given back.
TEST(Memory, HeldPagesAreGivenBack) {
    auto doc = own(createTOVELDOMDocument_7_4_0());
    drop(doc->appendChild(own(doc->createElement("r"))));
    EXPECT_GT(toveldom_memory_held(), 0u);
    doc = nullptr;
    toveldom_release_memory();
    EXPECT_EQ(toveldom_memory_held(), 0u);
}

TEST(LoadMessages, WrittenOnlyWhenDebugIsSet) {
    EXPECT_EQ(stderrOfExample(true), "LUMATOVEL70.DLL Initializing!\nLUMATOVEL70.DLLTerminated!\n");
    EXPECT_EQ(stderrOfExample(false), "");
}

} // namespace
} // namespace tovel_test

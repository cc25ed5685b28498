// The implementation singleton, factories and creation hooks, and the
// load/unload messages.
#include <cstdio>
#include <string>

#include "test_support.h"

namespace tovel_test {
namespace {

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

TEST(LoadMessages, WrittenOnlyWhenDebugIsSet) {
    EXPECT_EQ(stderrOfExample(true), "LUMATOVEL70.DLL Initializing!\nLUMATOVEL70.DLLTerminated!\n");
    EXPECT_EQ(stderrOfExample(false), "");
}

} // namespace
} // namespace tovel_test

// A host program built against the installed package. With a file argument it also loads
// that windows-1252 catalogue, which needs the installed ".enc" file.
#include <cstdio>
#include <cstring>

#include <toveldom/toveldom.h>

#ifdef TOVELDOM_EXPECT_CXX20
static_assert(__cplusplus >= 202002L, "the package must not impose its own language level");
#endif

using namespace LUMA_7_4_0;

static bool firstTitleIs(const char* path, const char* expected) {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    bool ok = false;
    try {
        ok = doc->load(path);
        ITOVELDOMNodeList* titles = doc->getElementsByTagName("title");
        ITOVELDOMNode* first = titles->get_item(0);
        ok = ok && first && std::strcmp(first->get_text(), expected) == 0;
        if (first) first->Release();
        titles->Release();
    } catch (const ITOVELParseException& e) {
        std::fprintf(stderr, "consumer: %s: parse error %d\n", path, e.getErrorCode());
    } catch (const ITOVELDOMException& e) {
        std::fprintf(stderr, "consumer: %s: error %u\n", path, unsigned(e.get_code()));
    }
    doc->Release();
    return ok;
}

int main(int argc, char** argv) {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    ITOVELDOMElement* root = doc->createElement("greeting");
    root->setAttribute("lang", "en");
    root->put_text("hello & welcome");
    doc->appendChild(root)->Release();
    const char* expected = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                           "<greeting lang=\"en\">hello &amp; welcome</greeting>";
    bool ok = std::strcmp(doc->get_xml(), expected) == 0;
    try {
        doc->createElement(nullptr);
        ok = false;
    } catch (const ITOVELDOMException& e) {
        ok = ok && e.get_code() == NULL_STRING_ERR;
    }
    root->Release();
    doc->Release();
    if (argc > 1) ok = ok && firstTitleIs(argv[1], "Z\xc3\xa9phyr et la mer");
    std::puts(ok ? "consumer ok" : "consumer FAILED");
    return ok ? 0 : 1;
}

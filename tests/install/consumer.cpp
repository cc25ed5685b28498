// A host built against the installed package. It loads the windows-1252 catalogue given as
// its argument, which needs the installed ".enc" file, and meets a designed error.
#include <cstdio>
#include <cstring>

#include <toveldom/toveldom.h>

#ifdef TOVELDOM_EXPECT_CXX20
static_assert(__cplusplus >= 202002L, "the package must not impose its own language level");
#endif

using namespace LUMA_7_4_0;

int main(int argc, char** argv) {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    bool ok = false;
    try {
        ok = argc > 1 && doc->load(argv[1]);
        ITOVELDOMNodeList* titles = doc->getElementsByTagName("title");
        ITOVELDOMNode* first = titles->get_item(0);
        ok = ok && first && std::strcmp(first->get_text(), "Z\xc3\xa9phyr et la mer") == 0;
        if (first) first->Release();
        titles->Release();
        doc->createElement(nullptr);
        ok = false;
    } catch (const ITOVELDOMException& e) {
        ok = ok && e.get_code() == NULL_STRING_ERR;
    } catch (const ITOVELParseException& e) {
        std::fprintf(stderr, "consumer: parse error %d\n", e.getErrorCode());
        ok = false;
    }
    doc->Release();
    std::puts(ok ? "consumer ok" : "consumer FAILED");
    return ok ? 0 : 1;
}

// A host program built against the installed package: what a user compiles first.
#include <cstdio>
#include <cstring>

#include <toveldom/toveldom.h>

using namespace LUMA_7_4_0;

int main() {
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
    std::puts(ok ? "consumer ok" : "consumer FAILED");
    return ok ? 0 : 1;
}

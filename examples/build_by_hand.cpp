// Builds a small catalogue by hand, then prints a few facts about it and the document.
#include <cstdio>

#include <toveldom/toveldom.h>

using namespace LUMA_7_4_0;

int main() {
    try {
        ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
        ITOVELDOMElement* root = doc->createElement("catalogue");
        doc->appendChild(root)->Release();

        const char* titles[] = {"Zebra & Co", "Apples", "Mango"};
        for (const char* title : titles) {
            ITOVELDOMElement* book = doc->createElement("book");
            book->setAttribute("title", title);
            book->put_text(title);
            root->appendChild(book)->Release();
            book->Release();
        }
        ITOVELDOMComment* note = doc->createComment(" three books ");
        doc->appendChild(note)->Release();
        note->Release();

        ITOVELDOMNodeList* books = doc->getElementsByTagName("book");
        std::printf("books found: %ld\n", books->get_length());
        books->Release();
        std::printf("text of the catalogue: %s\n", root->get_text());

        doc->setIndentLevel(1);
        std::printf("%s\n", doc->get_xml());
        root->Release();
        doc->Release();
    } catch (const ITOVELDOMException& e) {
        std::fprintf(stderr, "error %u\n", e.get_code());
        return 1;
    }
    return 0;
}

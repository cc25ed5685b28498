// A document built from nothing: elements, attributes of several types, text, a comment,
// printed with indentation and read back.
#include <iostream>

#include <toveldom/dom.hpp>

int main() {
    try {
        toveldom::document doc;
        doc.append_comment(" written by build_catalogue ");
        toveldom::element catalogue = doc.append_element("catalogue");
        catalogue.set_attribute("currency", "EUR");
        struct Book {
            const char* title;
            double price;
            bool in_stock;
        } books[] = {{"Zebra & Co", 12.5, true}, {"Apples", 8, false}, {"Mango", 20.25, true}};
        for (const Book& b : books) {
            toveldom::element book = catalogue.append_element("book");
            book.set_attribute("price", b.price);
            book.set_attribute("in-stock", b.in_stock);
            book.append_element("title").set_text(b.title);
        }
        toveldom::output_options pretty;
        pretty.indent = true;
        std::cout << doc.xml(pretty) << "\n\n";

        double total = 0;
        for (const toveldom::element& book : catalogue.children("book"))
            if (book.attribute_as<bool>("in-stock").value_or(false))
                total += book.attribute_as<double>("price").value_or(0);
        std::cout << "in stock, worth " << total << ' ' << catalogue.attribute_or("currency", "?")
                  << '\n';
    } catch (const toveldom::error& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}

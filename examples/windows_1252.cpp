// A document stored in windows-1252 goes through a load, a change and a save, and stays in
// windows-1252; a character the encoding lacks is written as a character reference.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <toveldom/dom.hpp>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path();
    std::string path = dir + "/menu-1252.xml", copy = dir + "/menu-1252-copy.xml";
    // "Café" and "4,50 €" as windows-1252 bytes: é is 0xE9, € is 0x80.
    std::ofstream(path, std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n"
           "<menu><item price=\"4,50 \x80\">Caf\xE9</item></menu>\n";
    try {
        toveldom::document doc = toveldom::document::load_file(path);
        std::cout << "declared " << doc.encoding()
                  << "; first item (UTF-8 in the tree): " << doc.root().child_text("item") << '\n';
        doc.save(copy);
        std::cout << "saved unchanged: "
                  << (slurp(copy) == slurp(path) ? "same bytes" : "DIFFERENT") << '\n';

        toveldom::element item = doc.root().append_element("item");
        item.set_attribute("price", "3,20 \xE2\x82\xAC"); // €: in windows-1252
        item.set_text("Pierogi \xC5\x82\x61godne");       // ł: not in windows-1252
        doc.save(copy);
        std::string bytes = slurp(copy);
        std::cout << "after the change, " << bytes.size() << " bytes:\n";
        for (unsigned char c : bytes)
            if (c >= 0x80)
                std::printf("\\x%02X", c);
            else
                std::putchar(c);
        std::remove(path.c_str());
        std::remove(copy.c_str());
    } catch (const toveldom::error& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}

// The shared MIME database: walk its types, drop the translated comments, look one type
// up, give it one more glob and save the result.
#include <filesystem>
#include <iostream>

#include <toveldom/dom.hpp>

int main() {
    const char* path = "/usr/share/mime/packages/freedesktop.org.xml";
    if (!std::filesystem::exists(path)) {
        std::cout << path << " is missing (install shared-mime-info); nothing to do\n";
        return 0;
    }
    try {
        toveldom::document doc = toveldom::document::load_file(path);
        toveldom::element png;
        int types = 0, dropped = 0;
        for (const toveldom::element& type : doc.root().children("mime-type")) {
            ++types;
            for (const toveldom::element& comment : type.children("comment"))
                if (comment.attribute("xml:lang")) comment.remove(), ++dropped;
            if (type.attribute("type") == "image/png") png = type;
        }
        std::cout << types << " types, " << dropped << " translated comments dropped\n"
                  << "image/png: " << png.child_text("comment") << '\n';
        png.append_element("glob").set_attribute("pattern", "*.apng");
        std::string out = std::filesystem::temp_directory_path() / "freedesktop-trimmed.xml";
        doc.save(out);
        std::cout << "saved " << out << '\n';
    } catch (const toveldom::error& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}

// Generated documents shared by the benchmarks: about 50 MB each, built once per process.
#ifndef TOVELDOM_BENCH_WORKLOADS_H
#define TOVELDOM_BENCH_WORKLOADS_H

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace workloads {

constexpr size_t kTarget = 50u << 20;

// Records with a few attributes and short text fields: the everyday data file.
inline const std::string& records() {
    static const std::string doc = [] {
        std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue>\n";
        char buffer[512];
        for (long i = 0; s.size() < kTarget; ++i) {
            std::snprintf(buffer, sizeof buffer,
                          "  <book id=\"b%ld\" lang=\"en\" available=\"%s\">\n"
                          "    <title>The title of book number %ld</title>\n"
                          "    <author>Author %ld &amp; co</author>\n"
                          "    <price currency=\"EUR\">%ld.%02ld</price>\n"
                          "  </book>\n",
                          i, i % 3 ? "yes" : "no", i, i % 977, i % 100, i % 97);
            s += buffer;
        }
        return s + "</catalogue>\n";
    }();
    return doc;
}

// Long paragraphs of prose with little markup.
inline const std::string& textHeavy() {
    static const std::string doc = [] {
        std::string s = "<?xml version=\"1.0\"?>\n<book>\n";
        const std::string sentence =
            "It was a bright cold day in April, and the clocks were striking thirteen; "
            "nobody in the square looked up from the printed sheets they carried. ";
        for (long i = 0; s.size() < kTarget; ++i) {
            s += "<p n=\"" + std::to_string(i) + "\">";
            for (int k = 0; k < 24; ++k) s += sentence;
            s += "<em>end</em> of paragraph.</p>\n";
        }
        return s + "</book>\n";
    }();
    return doc;
}

// Elements that are almost all attributes.
inline const std::string& attributeHeavy() {
    static const std::string doc = [] {
        std::string s = "<?xml version=\"1.0\"?>\n<rows>\n";
        char buffer[512];
        for (long i = 0; s.size() < kTarget; ++i) {
            std::snprintf(buffer, sizeof buffer,
                          "<row a=\"%ld\" b=\"x%ld\" c=\"some value\" d=\"%ld.5\" e=\"true\" "
                          "f=\"&lt;tag&gt;\" g=\"last one\" h=\"%ld\"/>\n",
                          i, i * 7, i % 1000, i % 13);
            s += buffer;
        }
        return s + "</rows>\n";
    }();
    return doc;
}

// Prefixed elements and attributes in several namespaces.
inline const std::string& namespaced() {
    static const std::string doc = [] {
        std::string s = "<?xml version=\"1.0\"?>\n<f:feed xmlns:f=\"urn:example:feed\" "
                        "xmlns:m=\"urn:example:meta\" xmlns=\"urn:example:default\">\n";
        char buffer[512];
        for (long i = 0; s.size() < kTarget; ++i) {
            std::snprintf(
                buffer, sizeof buffer,
                "<f:entry m:id=\"%ld\"><title>Entry %ld</title>"
                "<m:stamp m:zone=\"UTC\">2026-12-%02ld</m:stamp>"
                "<x:extra xmlns:x=\"urn:example:x%ld\" x:k=\"v\">data</x:extra></f:entry>\n",
                i, i, i % 28 + 1, i % 5);
            s += buffer;
        }
        return s + "</f:feed>\n";
    }();
    return doc;
}

// A real file shipped by the system.
inline const std::string& realFile() {
    static const std::string doc = [] {
        std::ifstream in("/usr/share/mime/packages/freedesktop.org.xml", std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }();
    return doc;
}

// The five workloads by number, with their names for reports.
constexpr int kCount = 5;
inline const char* name(int which) {
    static const char* const names[kCount] = {"records", "text", "attributes", "namespaced",
                                              "real"};
    return names[which];
}
inline const std::string& byNumber(int which) {
    switch (which) {
    case 0:
        return records();
    case 1:
        return textHeavy();
    case 2:
        return attributeHeavy();
    case 3:
        return namespaced();
    default:
        return realFile();
    }
}

} // namespace workloads

#endif

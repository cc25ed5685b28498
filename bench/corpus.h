// The documents every library is measured on, generated to look like data people keep:
// deterministic (a fixed pseudo-random sequence), so two runs parse the same bytes.
#ifndef TOVELDOM_BENCH_CORPUS_H
#define TOVELDOM_BENCH_CORPUS_H

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace corpus {

// A small linear congruential sequence: the same documents on every machine.
class Sequence {
public:
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
    uint32_t below(uint32_t n) { return next() % n; }

private:
    uint64_t state = 0x2545F4914F6CDD1Dull;
};

// Records with a few attributes and short text fields.
inline std::string records(size_t target) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue>\n";
    char buffer[512];
    for (long i = 0; s.size() < target; ++i) {
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
}

// Prose as people write it: paragraphs of 1-5 KB wrapped at about 100 columns, so every
// paragraph has line breaks inside it, with a few escapes and accented letters.
inline std::string prose(size_t target) {
    static const char* const words[] = {
        "the",     "of",      "and",    "a",          "to",        "in",         "was",
        "café",    "naïve",   "déjà",   "vu",         "Zürich",    "señor",      "garçon",
        "river",   "morning", "light",  "letters",    "crème",     "brûlée",     "über",
        "window",  "quietly", "said",   "Ångström",   "fiancée",   "façade",     "rôle",
        "between", "houses",  "bridge", "afterwards", "coöperate", "résumé",     "winter",
        "harbour", "stone",   "grey",   "would",      "never",     "remembered", "Øresund"};
    const uint32_t count = sizeof words / sizeof *words;
    Sequence random;
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<book>\n";
    for (long chapter = 0; s.size() < target; ++chapter) {
        s += "<chapter n=\"" + std::to_string(chapter) + "\">\n<title>Chapter " +
             std::to_string(chapter) + "</title>\n";
        for (int paragraph = 0; paragraph < 12; ++paragraph) {
            const size_t length = 1000 + random.below(4000);
            std::string p = "<p>";
            size_t column = 3, start = p.size();
            while (p.size() - start < length) {
                std::string word = words[random.below(count)];
                switch (random.below(60)) {
                case 0:
                    word = "&amp;";
                    break;
                case 1:
                    word = "a&lt;b";
                    break;
                case 2:
                    word += ",";
                    break;
                case 3:
                    word += ".";
                    break;
                }
                if (column + word.size() + 1 > 100) {
                    p += "\n";
                    column = 0;
                } else if (p.size() > start) {
                    p += " ";
                    ++column;
                }
                p += word;
                column += word.size();
            }
            s += p + ".</p>\n";
        }
        s += "</chapter>\n";
    }
    return s + "</book>\n";
}

// Elements that are almost all attributes.
inline std::string attributes(size_t target) {
    std::string s = "<?xml version=\"1.0\"?>\n<rows>\n";
    char buffer[512];
    for (long i = 0; s.size() < target; ++i) {
        std::snprintf(buffer, sizeof buffer,
                      "<row a=\"%ld\" b=\"x%ld\" c=\"some value\" d=\"%ld.5\" e=\"true\" "
                      "f=\"&lt;tag&gt;\" g=\"last one\" h=\"%ld\"/>\n",
                      i, i * 7, i % 1000, i % 13);
        s += buffer;
    }
    return s + "</rows>\n";
}

// Prefixed elements and attributes in several namespaces, some declared on inner tags.
inline std::string namespaced(size_t target) {
    std::string s = "<?xml version=\"1.0\"?>\n<f:feed xmlns:f=\"urn:example:feed\" "
                    "xmlns:m=\"urn:example:meta\" xmlns=\"urn:example:default\">\n";
    char buffer[512];
    for (long i = 0; s.size() < target; ++i) {
        std::snprintf(buffer, sizeof buffer,
                      "<f:entry m:id=\"%ld\"><title>Entry %ld</title>"
                      "<m:stamp m:zone=\"UTC\">2026-12-%02ld</m:stamp>"
                      "<x:extra xmlns:x=\"urn:example:x%ld\" x:k=\"v\">data</x:extra></f:entry>\n",
                      i, i, i % 28 + 1, i % 5);
        s += buffer;
    }
    return s + "</f:feed>\n";
}

// One element with a million empty children.
inline std::string wide(size_t) {
    std::string s = "<?xml version=\"1.0\"?>\n<list>";
    for (long i = 0; i < 1000000; ++i) s += "<i/>";
    return s + "</list>\n";
}

// Chains of nested elements under one root, 2000 levels deep at the bottom of each.
inline std::string deep(size_t target) {
    std::string s = "<?xml version=\"1.0\"?>\n<root>";
    std::string open, close;
    for (int level = 1; level < 2000; ++level) {
        open += "<n>";
        close += "</n>";
    }
    while (s.size() < target) s += open + "leaf" + close + "\n";
    return s + "</root>\n";
}

// A real file shipped by the system; empty when the machine lacks it.
inline std::string mime(size_t) {
    std::ifstream in("/usr/share/mime/packages/freedesktop.org.xml", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A document of a few KB: the per-document set-up is what this one measures.
inline std::string small(size_t) { return records(4000); }

struct Workload {
    const char* name;
    std::string (*make)(size_t target);
    int repeat; // loads per timed sample, so that small documents are timed in bulk
};

constexpr Workload kAll[] = {
    {"records", records, 1},
    {"prose", prose, 1},
    {"attributes", attributes, 1},
    {"namespaced", namespaced, 1},
    {"wide", wide, 1},
    {"deep", deep, 1},
    {"mime", mime, 1},
    {"small", small, 2000},
};
constexpr int kCount = sizeof kAll / sizeof *kAll;

} // namespace corpus

#endif

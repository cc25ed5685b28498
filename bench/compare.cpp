// toveldom side by side with raw Expat, libxml2, tinyxml2 and pugixml, every library under
// the same heap policy: freed memory stays mapped (M_MMAP_MAX 0, M_TRIM_THRESHOLD -1 and
// toveldom_set_memory_kept(SIZE_MAX), set before anything runs), so after a warm-up no
// library pays the kernel for fresh pages.
//
//   compare [warm|cold] [--mb N] [--reps N] [--only WORKLOAD]
//
// warm: one process, the libraries interleaved round by round, medians of the rounds;
//       load and print times in ms.
// cold: a fresh process per load (the same binary, "probe"): the first load's time, and the
//       peak growth of the resident set while loading (VmHWM after the load, reset just
//       before it, less VmRSS before it, less the library code paged in) in MiB, measured
//       the same way for every library.
//
// Raw Expat is the floor under any tree built from its callbacks: namespace processing,
// empty handlers, the whole buffer in one XML_Parse call.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <toveldom/memory.h>
#include <toveldom/toveldom.h>

#include "corpus.h"

using namespace LUMA_7_4_0;

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// --- the libraries --------------------------------------------------------------------

void XMLCALL onStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL onEnd(void*, const XML_Char*) {}
void XMLCALL onText(void*, const XML_Char*, int) {}

// A loaded document, or null when the library refused the input.
using Handle = void*;
Handle const kNoTree = reinterpret_cast<Handle>(1);

Handle loadExpat(const char* text, size_t size) {
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    bool ok = XML_Parse(parser, text, int(size), XML_TRUE) != XML_STATUS_ERROR;
    XML_ParserFree(parser);
    return ok ? kNoTree : nullptr;
}
void releaseNothing(Handle) {}

// The same parser fed 64 KiB at a time, as toveldom feeds it: Expat then also updates its
// line and column count over every piece but the last, which one call never does.
Handle loadExpatPieces(const char* text, size_t size) {
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    bool ok = true;
    for (size_t done = 0; ok;) {
        const size_t piece = std::min(size - done, size_t(64) << 10);
        const bool last = done + piece == size;
        ok = XML_Parse(parser, text + done, int(piece), last) != XML_STATUS_ERROR;
        if (last) break;
        done += piece;
    }
    XML_ParserFree(parser);
    return ok ? kNoTree : nullptr;
}

Handle loadToveldom(const char* text, size_t size) {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    try {
        doc->loadXML(text, int(size));
    } catch (...) {
        doc->Release();
        return nullptr;
    }
    return doc;
}
void releaseToveldom(Handle doc) { static_cast<ITOVELDOMDocument*>(doc)->Release(); }

// XML_PARSE_HUGE lifts libxml2's default depth limit of 256, which the deep tree passes.
Handle loadLibxml2(const char* text, size_t size) {
    return xmlReadMemory(text, int(size), "bench.xml", nullptr, XML_PARSE_HUGE);
}
void releaseLibxml2(Handle doc) { xmlFreeDoc(static_cast<xmlDocPtr>(doc)); }

Handle loadTinyxml2(const char* text, size_t size) {
    auto* doc = new tinyxml2::XMLDocument;
    if (doc->Parse(text, size) != tinyxml2::XML_SUCCESS) {
        delete doc;
        return nullptr;
    }
    return doc;
}
void releaseTinyxml2(Handle doc) { delete static_cast<tinyxml2::XMLDocument*>(doc); }

Handle loadPugixml(const char* text, size_t size) {
    auto* doc = new pugi::xml_document;
    if (!doc->load_buffer(text, size)) {
        delete doc;
        return nullptr;
    }
    return doc;
}
void releasePugixml(Handle doc) { delete static_cast<pugi::xml_document*>(doc); }

struct Library {
    const char* name;
    Handle (*load)(const char*, size_t);
    void (*release)(Handle);
};
const Library kLibraries[] = {
    {"expat", loadExpat, releaseNothing},        {"expat-pieces", loadExpatPieces, releaseNothing},
    {"toveldom", loadToveldom, releaseToveldom}, {"libxml2", loadLibxml2, releaseLibxml2},
    {"tinyxml2", loadTinyxml2, releaseTinyxml2}, {"pugixml", loadPugixml, releasePugixml},
};
const Library* library(const char* name) {
    for (const Library& l : kLibraries)
        if (std::strcmp(l.name, name) == 0) return &l;
    return nullptr;
}

void benchmarkEscape(void* p) { asm volatile("" : : "g"(p) : "memory"); }

void heapPolicy() {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
    toveldom_set_memory_kept(SIZE_MAX); // the same policy for the node pages
}

// Gives glibc's fast bins back to the free lists outside the timing: otherwise the next
// large request (Expat's input buffer, say) pays for consolidating what another library's
// tree left behind.
void settle() {
    void* block = std::malloc(1 << 20);
    benchmarkEscape(block);
    std::free(block);
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Options {
    size_t target = 16u << 20;
    int reps = 5;
    const char* only = nullptr;
    bool wanted(const corpus::Workload& w) const { return !only || std::strcmp(only, w.name) == 0; }
};

// --- warm -----------------------------------------------------------------------------

// Total ms of `repeat` loads, and of releasing their trees (timed apart). Negative when the
// library refused the document.
struct Timing {
    double load = 0;
    double release = 0;
};
Timing timeLoads(const Library& lib, const std::string& text, int repeat) {
    Timing total;
    for (int i = 0; i < repeat; ++i) {
        Clock::time_point start = Clock::now();
        Handle doc = lib.load(text.data(), text.size());
        total.load += msSince(start);
        if (!doc) return {-1, -1};
        start = Clock::now();
        lib.release(doc);
        total.release += msSince(start);
        settle();
    }
    return total;
}

double printToveldom(Handle doc) {
    Clock::time_point start = Clock::now();
    const char* out = static_cast<ITOVELDOMDocument*>(doc)->get_xml();
    double ms = msSince(start);
    if (!out || !*out) std::abort();
    return ms;
}
double printLibxml2(Handle doc) {
    xmlChar* out = nullptr;
    int size = 0;
    Clock::time_point start = Clock::now();
    xmlDocDumpMemory(static_cast<xmlDocPtr>(doc), &out, &size);
    double ms = msSince(start);
    if (!out || size <= 0) std::abort();
    xmlFree(out);
    settle();
    return ms;
}

std::string cell(double ms) {
    char buffer[32];
    if (ms < 0) return "fails";
    std::snprintf(buffer, sizeof buffer, ms < 10 ? "%.2f" : "%.0f", ms);
    return buffer;
}
std::string ratio(double a, double b) {
    char buffer[32];
    if (a < 0 || b <= 0) return "-";
    std::snprintf(buffer, sizeof buffer, "%.2fx", a / b);
    return buffer;
}

int warm(const Options& options) {
    std::printf("Warm: ms, medians of %d interleaved rounds in one process; small = %d loads\n\n",
                options.reps, corpus::kAll[corpus::kCount - 1].repeat);
    std::printf("| workload | MB | Expat | Expat 64K | toveldom | libxml2 | toveldom/Expat "
                "| toveldom/libxml2 | print toveldom | print libxml2 | print ratio |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    const Library* loaders[] = {library("expat"), library("expat-pieces"), library("toveldom"),
                                library("libxml2")};
    std::string releaseRows;
    for (const corpus::Workload& w : corpus::kAll) {
        if (!options.wanted(w)) continue;
        const std::string text = w.make(options.target);
        if (text.empty()) continue;
        std::vector<double> loads[4], releases[4], prints[2];
        for (int round = -1; round < options.reps; ++round) // round -1 warms up
            for (int i = 0; i < 4; ++i) {
                Timing timing = timeLoads(*loaders[i], text, w.repeat);
                if (round < 0) continue;
                loads[i].push_back(timing.load);
                releases[i].push_back(timing.release);
            }
        Handle ours = loadToveldom(text.data(), text.size());
        Handle theirs = loadLibxml2(text.data(), text.size());
        for (int round = -1; round < options.reps && ours && theirs; ++round) {
            double a = 0, b = 0;
            for (int i = 0; i < w.repeat; ++i) a += printToveldom(ours);
            for (int i = 0; i < w.repeat; ++i) b += printLibxml2(theirs);
            if (round < 0) continue;
            prints[0].push_back(a);
            prints[1].push_back(b);
        }
        if (ours) releaseToveldom(ours);
        if (theirs) releaseLibxml2(theirs);
        double e = median(loads[0]), p = median(loads[1]), t = median(loads[2]),
               x = median(loads[3]);
        double pt = median(prints[0]), px = median(prints[1]);
        std::printf("| %s | %.1f | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", w.name,
                    double(text.size()) / 1e6, cell(e).c_str(), cell(p).c_str(), cell(t).c_str(),
                    cell(x).c_str(), ratio(t, e).c_str(), ratio(t, x).c_str(), cell(pt).c_str(),
                    cell(px).c_str(), ratio(pt, px).c_str());
        std::fflush(stdout);
        char row[160];
        std::snprintf(row, sizeof row, "| %s | %s | %s | %s |\n", w.name,
                      cell(median(releases[2])).c_str(), cell(median(releases[3])).c_str(),
                      ratio(median(releases[2]), median(releases[3])).c_str());
        releaseRows += row;
    }
    std::printf("\nRelease: ms to free the trees loaded above, medians of the same rounds\n\n"
                "| workload | toveldom | libxml2 | ratio |\n|---|---|---|---|\n%s",
                releaseRows.c_str());
    return 0;
}

// --- cold -----------------------------------------------------------------------------

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n);
    return 0;
}

// One load in this fresh process: prints "ms peak-KiB", or "fails".
int probe(const char* name, const char* path) {
    heapPolicy();
    const Library* lib = library(name);
    int fd = open(path, O_RDONLY);
    struct stat st;
    if (!lib || fd < 0 || fstat(fd, &st) != 0) return 2;
    size_t size = size_t(st.st_size);
    char* text = static_cast<char*>(std::malloc(size + 1));
    for (size_t done = 0; done < size;) {
        ssize_t n = read(fd, text + done, size - done);
        if (n <= 0) return 2;
        done += size_t(n);
    }
    close(fd);
    {
        std::ofstream reset("/proc/self/clear_refs"); // "5" resets VmHWM to VmRSS
        reset << "5";
    }
    const long before = statusKiB("VmRSS:"), filesBefore = statusKiB("RssFile:");
    Clock::time_point start = Clock::now();
    Handle doc = lib->load(text, size);
    double ms = msSince(start);
    // Pages of the libraries' own code read in for the first time are not the load's memory.
    const long peak = statusKiB("VmHWM:") - (statusKiB("RssFile:") - filesBefore);
    if (!doc) {
        std::printf("fails\n");
        return 0;
    }
    std::printf("%.3f %ld\n", ms, peak - before);
    lib->release(doc);
    std::free(text);
    return 0;
}

struct Sample {
    double ms = -1;
    double mib = -1;
};

Sample runProbe(const char* self, const char* lib, const std::string& path, int reps) {
    std::vector<double> times, peaks;
    for (int i = 0; i < reps; ++i) {
        std::string command = std::string(self) + " probe " + lib + " " + path;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return {};
        double ms = 0;
        long kib = 0;
        bool ok = std::fscanf(pipe, "%lf %ld", &ms, &kib) == 2;
        pclose(pipe);
        if (!ok) return {};
        times.push_back(ms);
        peaks.push_back(double(kib) / 1024);
    }
    return {median(times), median(peaks)};
}

std::string mibCell(double mib) {
    char buffer[32];
    if (mib < 0) return "fails";
    std::snprintf(buffer, sizeof buffer, mib < 10 ? "%.2f" : "%.0f", mib);
    return buffer;
}

int cold(const char* self, const Options& options) {
    char dir[] = "/tmp/toveldom-bench-XXXXXX";
    if (!mkdtemp(dir)) return 2;
    const char* order[] = {"toveldom", "libxml2", "expat", "tinyxml2", "pugixml"};
    std::printf("\nCold: a fresh process per load, medians of %d; first-load ms, then peak "
                "resident growth of the load in MiB\n\n",
                options.reps < 3 ? options.reps : 3);
    std::printf("| workload | toveldom | libxml2 | Expat | tinyxml2 | pugixml | MiB toveldom "
                "| MiB libxml2 | MiB Expat | MiB tinyxml2 | MiB pugixml |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const corpus::Workload& w : corpus::kAll) {
        if (!options.wanted(w)) continue;
        std::string path = std::string(dir) + "/" + w.name + ".xml";
        {
            const std::string text = w.make(options.target);
            if (text.empty()) continue;
            std::ofstream(path, std::ios::binary) << text;
        }
        Sample s[5];
        for (int i = 0; i < 5; ++i)
            s[i] = runProbe(self, order[i], path, options.reps < 3 ? options.reps : 3);
        std::printf("| %s |", w.name);
        for (const Sample& x : s) std::printf(" %s |", cell(x.ms).c_str());
        for (const Sample& x : s) std::printf(" %s |", mibCell(x.mib).c_str());
        std::printf("\n");
        std::fflush(stdout);
        std::remove(path.c_str());
    }
    rmdir(dir);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "probe") == 0) return probe(argv[2], argv[3]);
    heapPolicy();
    Options options;
    const char* mode = "all";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--mb" && i + 1 < argc) {
            options.target = size_t(std::atof(argv[++i]) * (1 << 20));
        } else if (a == "--reps" && i + 1 < argc) {
            options.reps = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--only" && i + 1 < argc) {
            options.only = argv[++i];
        } else if (a == "warm" || a == "cold") {
            mode = argv[i];
        } else {
            std::fprintf(stderr, "usage: compare [warm|cold] [--mb N] [--reps N] [--only NAME]\n");
            return 2;
        }
    }
    xmlInitParser();
    int status = 0;
    if (std::strcmp(mode, "cold") != 0) status |= warm(options);
    if (std::strcmp(mode, "warm") != 0) status |= cold(argv[0], options);
    return status;
}

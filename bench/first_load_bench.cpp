// The first load in a fresh process, toveldom against libxml2: how long it takes, and how
// much the resident set grew while loading (the tree, plus whatever the loader keeps), as
// a multiple of the input size; and, for the floor, the parser alone with empty handlers.
// Each probe runs in a process of its own, where nothing is warm: allocation patterns decide.
//
//   first_load_bench            runs every workload for both libraries and prints a table
//   first_load_bench LIB N      (internal) one probe: LIB toveldom|libxml2|expat, N the
//                               workload
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <toveldom/toveldom.h>

#include "expat_floor.h"
#include "workloads.h"

#ifdef TOVELDOM_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

using namespace LUMA_7_4_0;

namespace {

const std::string& workload(int which) { return workloads::byNumber(which); }

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    return 0;
}

int probe(const char* lib, int which) {
    const std::string& text = workload(which);
    const long before = residentKiB();
    const auto start = std::chrono::steady_clock::now();
    auto report = [&] {
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        long after = residentKiB();
        std::printf("%.1f %.2f\n", double(text.size()) / 1e6 / seconds,
                    double(after - before) * 1024.0 / double(text.size()));
    };
    if (std::strcmp(lib, "expat") == 0) { // the parser alone: the floor under any tree
        XML_Parser parser = expat_floor::parse(text);
        if (!parser) return 1;
        report();
        XML_ParserFree(parser);
        return 0;
    }
    if (std::strcmp(lib, "toveldom") == 0) {
        ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
        doc->loadXML(text.data(), int(text.size()));
        report();
        doc->Release();
        return 0;
    }
#ifdef TOVELDOM_HAVE_LIBXML2
    xmlDocPtr doc = xmlReadMemory(text.data(), int(text.size()), "bench.xml", nullptr, 0);
    report();
    xmlFreeDoc(doc);
    return 0;
#else
    return 1;
#endif
}

std::string run(const char* self, const char* lib, int which) {
    std::string command = std::string(self) + " " + lib + " " + std::to_string(which);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "?";
    char buffer[128] = {};
    if (!std::fgets(buffer, sizeof buffer, pipe)) buffer[0] = 0;
    pclose(pipe);
    std::string out = buffer;
    while (!out.empty() && (out.back() == '\n')) out.pop_back();
    return out.empty() ? "-" : out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3) return probe(argv[1], std::atoi(argv[2]));
    std::printf("first load in a fresh process: MB/s, then resident growth / input size\n");
    std::printf("%-12s %18s %18s %18s\n", "workload", "toveldom", "libxml2", "Expat alone");
    for (int which = 0; which < workloads::kCount; ++which) {
        std::string ours = run(argv[0], "toveldom", which);
        std::string theirs = run(argv[0], "libxml2", which);
        std::string floor = run(argv[0], "expat", which);
        std::printf("%-12s %18s %18s %18s\n", workloads::name(which), ours.c_str(), theirs.c_str(),
                    floor.c_str());
    }
    return 0;
}

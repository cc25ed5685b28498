// Memory the library keeps once its documents are gone, in the three patterns of a
// long-running host: one big load, six loads in turn, two threads loading at once. Each
// line shows what the process holds resident above the mark taken before any load, right
// after the last release, after the library's own trimming has had time to run (one
// second), and after toveldom_release_memory. The C heap's own free memory is trimmed
// (malloc_trim) before each reading, so what remains is what the library keeps itself.
//   build-bench/bin/resident_bench
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <malloc.h>
#include <unistd.h>

#include <toveldom/toveldom.h>

#include "workloads.h"

using namespace LUMA_7_4_0;

namespace {

// Resident size after the C heap is trimmed, above mark.
double keptMiB(double mark) {
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1 << 20) - mark;
}

void loadAndRelease(const std::string& text) {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    doc->loadXML(text.data(), int(text.size()));
    doc->Release();
}

template <class F> void report(const char* pattern, double mark, F&& run) {
    double peak = 0;
    run(peak);
    double after = keptMiB(mark);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double trimmed = keptMiB(mark);
    toveldom_release_memory();
    double released = keptMiB(mark);
    std::printf("%-22s %8.1f %10.1f %10.1f %10.1f\n", pattern, peak, after, trimmed, released);
}

} // namespace

int main() {
    const std::string& big = workloads::records();
    for (int i = 0; i < 4; ++i) workloads::byNumber(i); // made before the mark
    double mark = keptMiB(0);
    std::printf("input %.1f MB; MiB resident above the mark taken before loading\n",
                double(big.size()) / 1e6);
    std::printf("%-22s %8s %10s %10s %10s\n", "pattern", "loaded", "released", "after 1 s",
                "release()");
    report("one big load", mark, [&](double& peak) {
        ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
        doc->loadXML(big.data(), int(big.size()));
        peak = keptMiB(mark);
        doc->Release();
    });
    report("six loads in turn", mark, [&](double& peak) {
        for (int i = 0; i < 6; ++i) loadAndRelease(workloads::byNumber(i % 4));
        peak = 0;
    });
    report("two threads at once", mark, [&](double& peak) {
        std::thread a([&] { loadAndRelease(big); });
        std::thread b([&] { loadAndRelease(workloads::attributeHeavy()); });
        a.join();
        b.join();
        peak = 0;
    });
    return 0;
}

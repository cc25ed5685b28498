// What a long-running host keeps after its documents are gone. Each pattern runs in a
// process of its own (forked), so none inherits another's heap: it loads, releases every
// document and node, and reports how far the resident size then stands above where it
// stood before the first load. The argument says when: /0 at once; /1 a second later (the
// library gives memory back by itself), after the host trimmed the C heap (malloc_trim:
// what the heap keeps of freed strings follows the host's heap policy, not the library's),
// so that what is left is the library's own; /2 at once after toveldom_release_memory().
//
// Counters, in MiB: peak (resident growth with the documents loaded), kept (resident
// growth after the release) and held (the library's own node pages after the release,
// toveldom_memory_held). Time is that of the whole pattern, for orientation only.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <toveldom/memory.h>
#include <toveldom/toveldom.h>

#include "corpus.h"

using namespace LUMA_7_4_0;

namespace {

double residentMiB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double heldMiB() { return double(toveldom_memory_held()) / (1024.0 * 1024.0); }

ITOVELDOMDocument* load(const std::string& xml) {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    if (!doc->loadXML(xml.data(), int(xml.size()))) std::abort();
    return doc;
}

void settle(long when) {
    if (when == 1) std::this_thread::sleep_for(std::chrono::seconds(1)), malloc_trim(0);
    if (when == 2) toveldom_release_memory();
}

struct Result {
    double peak = 0, kept = 0, held = -1;
};

// Runs pattern(texts, r) in a child process. The pattern notes the resident size in
// r.peak while its documents are alive; r.kept is taken after it returns, unless the
// pattern took it itself (threads that must still be running). The texts stay until then.
template <class Pattern> Result inChild(size_t megabytes, int documents, Pattern pattern) {
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    pid_t child = fork();
    if (child == 0) {
        std::vector<std::string> texts;
        for (int i = 0; i < documents; ++i) texts.push_back(corpus::records(megabytes << 20));
        const double before = residentMiB();
        Result r;
        pattern(texts, r);
        if (r.kept == 0) r.kept = residentMiB();
        if (r.held < 0) r.held = heldMiB();
        r.peak -= before;
        r.kept -= before;
        if (write(fds[1], &r, sizeof r) != sizeof r) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    Result r;
    if (read(fds[0], &r, sizeof r) != sizeof r) std::abort();
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return r;
}

void report(benchmark::State& state, const Result& r) {
    state.counters["peak"] = r.peak;
    state.counters["kept"] = r.kept;
    state.counters["held"] = r.held;
}

// One big document, loaded and released.
void OneBigLoad(benchmark::State& state) {
    const long when = state.range(0);
    for (auto _ : state) {
        report(state, inChild(48, 1, [&](std::vector<std::string>& texts, Result& r) {
                   ITOVELDOMDocument* doc = load(texts[0]);
                   r.peak = residentMiB();
                   doc->Release();
                   settle(when);
               }));
    }
}

// Six documents one after the other, each released before the next is loaded.
void SixLoadsInTurn(benchmark::State& state) {
    const long when = state.range(0);
    for (auto _ : state) {
        report(state, inChild(8, 6, [&](std::vector<std::string>& texts, Result& r) {
                   for (const std::string& text : texts) {
                       ITOVELDOMDocument* doc = load(text);
                       r.peak = std::max(r.peak, residentMiB());
                       doc->Release();
                   }
                   settle(when);
               }));
    }
}

// Two threads loading at once; the main thread releases both documents after the threads
// have ended (the worst case: neither thread frees what it made).
void TwoThreadsAtOnce(benchmark::State& state) {
    const long when = state.range(0);
    for (auto _ : state) {
        report(state, inChild(24, 2, [&](std::vector<std::string>& texts, Result& r) {
                   ITOVELDOMDocument* docs[2];
                   std::thread a([&] { docs[0] = load(texts[0]); });
                   std::thread b([&] { docs[1] = load(texts[1]); });
                   a.join();
                   b.join();
                   r.peak = residentMiB();
                   docs[0]->Release();
                   docs[1]->Release();
                   settle(when);
               }));
    }
}

// Two threads that each load, release and stay alive (a pool's workers).
void TwoWorkersKeepRunning(benchmark::State& state) {
    const long when = state.range(0);
    for (auto _ : state) {
        report(state, inChild(24, 2, [&](std::vector<std::string>& texts, Result& r) {
                   std::mutex m;
                   std::condition_variable cv;
                   int loaded = 0, freed = 0;
                   bool measured = false;
                   auto worker = [&](const std::string& text) {
                       ITOVELDOMDocument* doc = load(text);
                       std::unique_lock<std::mutex> lock(m);
                       ++loaded;
                       cv.notify_all();
                       cv.wait(lock, [&] { return loaded == 2; });
                       lock.unlock();
                       doc->Release();
                       lock.lock();
                       ++freed;
                       cv.notify_all();
                       cv.wait(lock, [&] { return measured; });
                   };
                   std::thread a(worker, std::cref(texts[0]));
                   std::thread b(worker, std::cref(texts[1]));
                   {
                       std::unique_lock<std::mutex> lock(m);
                       cv.wait(lock, [&] { return loaded == 2; });
                       r.peak = residentMiB();
                       cv.wait(lock, [&] { return freed == 2; });
                       settle(when);
                       r.kept = residentMiB();
                       r.held = heldMiB();
                       measured = true;
                       cv.notify_all();
                   }
                   a.join();
                   b.join();
               }));
    }
}

} // namespace

BENCHMARK(OneBigLoad)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SixLoadsInTurn)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(TwoThreadsAtOnce)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(TwoWorkersKeepRunning)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);

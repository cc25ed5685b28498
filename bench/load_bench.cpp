// Load throughput and tree memory, side by side in one run:
//   Expat     the floor: the same parser with namespace processing and empty handlers
//   libxml2   xmlReadMemory building its tree
//   toveldom  loadXML building ours
// on four generated ~50 MB workloads and one real file, with a warm heap (each library
// reuses what the previous iteration freed). first_load_bench measures the cold case and
// the memory of the tree.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include <toveldom/toveldom.h>

#include "expat_floor.h"
#include "workloads.h"

#ifdef TOVELDOM_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

using namespace LUMA_7_4_0;

namespace {

void loadExpat(const std::string& doc) {
    XML_Parser parser = expat_floor::parse(doc);
    if (!parser) std::abort();
    XML_ParserFree(parser);
}

struct Loaded {
    std::function<void()> release;
};

Loaded loadToveldom(const std::string& doc) {
    ITOVELDOMDocument* d = createTOVELDOMDocument_7_4_0();
    d->loadXML(doc.data(), int(doc.size()));
    return {[d] { d->Release(); }};
}

#ifdef TOVELDOM_HAVE_LIBXML2
Loaded loadLibxml2(const std::string& doc) {
    xmlDocPtr d = xmlReadMemory(doc.data(), int(doc.size()), "bench.xml", nullptr, 0);
    if (!d) std::abort();
    return {[d] { xmlFreeDoc(d); }};
}
#endif

const std::string& workload(int which) { return workloads::byNumber(which); }

void Expat(benchmark::State& state) {
    const std::string& doc = workload(int(state.range(0)));
    for (auto _ : state) loadExpat(doc);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(doc.size()));
    state.SetLabel(workloads::name(int(state.range(0))));
}

void measureLoad(benchmark::State& state, Loaded (*load)(const std::string&)) {
    const std::string& doc = workload(int(state.range(0)));
    for (auto _ : state) {
        Loaded tree = load(doc);
        state.PauseTiming();
        tree.release();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(doc.size()));
    state.SetLabel(workloads::name(int(state.range(0))));
}

void Toveldom(benchmark::State& state) { measureLoad(state, loadToveldom); }
#ifdef TOVELDOM_HAVE_LIBXML2
void Libxml2(benchmark::State& state) { measureLoad(state, loadLibxml2); }
#endif

void workloadsArgs(benchmark::internal::Benchmark* b) {
    for (int i = 0; i < 5; ++i) b->Arg(i);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(Expat)->Apply(workloadsArgs);
BENCHMARK(Toveldom)->Apply(workloadsArgs);
#ifdef TOVELDOM_HAVE_LIBXML2
BENCHMARK(Libxml2)->Apply(workloadsArgs);
#endif

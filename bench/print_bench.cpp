// Printing throughput, side by side with libxml2's xmlDocDumpMemory on the same documents:
// ~50 MB of records with attributes, and a text-heavy document. Both trees are loaded once
// from the same text; only printing is timed.
#include <benchmark/benchmark.h>

#include <string>

#include <toveldom/toveldom.h>

#include "workloads.h"

#ifdef TOVELDOM_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

using namespace LUMA_7_4_0;

namespace {

const std::string& workload(int which) {
    return which == 0 ? workloads::records() : workloads::textHeavy();
}
const char* kNames[] = {"records", "text"};

void Toveldom(benchmark::State& state) {
    const std::string& text = workload(int(state.range(0)));
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    doc->loadXML(text.data(), int(text.size()));
    size_t bytes = 0;
    for (auto _ : state) {
        const char* out = doc->get_xml();
        benchmark::DoNotOptimize(out);
        bytes = std::char_traits<char>::length(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.SetLabel(kNames[state.range(0)]);
    doc->Release();
}

#ifdef TOVELDOM_HAVE_LIBXML2
void Libxml2(benchmark::State& state) {
    const std::string& text = workload(int(state.range(0)));
    xmlDocPtr doc = xmlReadMemory(text.data(), int(text.size()), "bench.xml", nullptr, 0);
    int bytes = 0;
    for (auto _ : state) {
        xmlChar* out = nullptr;
        xmlDocDumpMemory(doc, &out, &bytes);
        benchmark::DoNotOptimize(out);
        xmlFree(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.SetLabel(kNames[state.range(0)]);
    xmlFreeDoc(doc);
}
#endif

void args(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(Toveldom)->Apply(args);
#ifdef TOVELDOM_HAVE_LIBXML2
BENCHMARK(Libxml2)->Apply(args);
#endif

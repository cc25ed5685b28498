// Building and walking wide trees: appending n children to one element and visiting them
// with get_nextSibling must both stay linear in n, and so must loading a tag with n / 10
// attributes. The counter per_child should be flat across the sizes.
#include <benchmark/benchmark.h>

#include <string>

#include <toveldom/toveldom.h>

using namespace LUMA_7_4_0;

namespace {

struct WideTree {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    ITOVELDOMElement* root = doc->createElement("root");

    explicit WideTree(long n) {
        doc->appendChild(root)->Release();
        for (long i = 0; i < n; ++i) {
            ITOVELDOMElement* child = doc->createElement("item");
            root->appendChild(child)->Release();
            child->Release();
        }
    }
    ~WideTree() {
        root->Release();
        doc->Release();
    }
};

void perChild(benchmark::State& state, long n) {
    // Seconds per child, shown with an SI prefix (e.g. "185n" is 185 ns per child).
    state.counters["per_child"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void AppendChildren(benchmark::State& state) {
    const long n = state.range(0);
    for (auto _ : state) {
        WideTree tree(n);
        benchmark::DoNotOptimize(tree.root);
    }
    perChild(state, n);
}

void WalkNextSibling(benchmark::State& state) {
    const long n = state.range(0);
    WideTree tree(n);
    for (auto _ : state) {
        long visited = 0;
        ITOVELDOMNode* at = tree.root->get_firstChild();
        while (at) {
            ITOVELDOMNode* next = at->get_nextSibling();
            at->Release();
            at = next;
            ++visited;
        }
        benchmark::DoNotOptimize(visited);
    }
    perChild(state, n);
}

void WalkPreviousSibling(benchmark::State& state) {
    const long n = state.range(0);
    WideTree tree(n);
    for (auto _ : state) {
        ITOVELDOMNode* at = tree.root->get_lastChild();
        while (at) {
            ITOVELDOMNode* previous = at->get_previousSibling();
            at->Release();
            at = previous;
        }
    }
    perChild(state, n);
}

// One start tag with n attributes, loaded: the attribute map must not turn quadratic
// (per_child is then the time per attribute).
void LoadWideTag(benchmark::State& state) {
    const long n = state.range(0) / 10;
    std::string text = "<e";
    for (long i = 0; i < n; ++i) text += " a" + std::to_string(i) + "=\"v\"";
    text += "/>";
    for (auto _ : state) {
        ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
        doc->loadXML(text.data(), int(text.size()));
        doc->Release();
    }
    perChild(state, n);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (long n : {125000L, 250000L, 500000L, 1000000L}) b->Arg(n);
}

} // namespace

BENCHMARK(AppendChildren)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(WalkNextSibling)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(WalkPreviousSibling)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadWideTag)->Apply(sizes)->Unit(benchmark::kMillisecond);

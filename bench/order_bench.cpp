// Ordering wide elements: n children sorted by key must cost n log n, so ns_per_child should
// grow only with log n across the sizes (about 7% per doubling at these sizes), never
// linearly.
//
// Every child carries two independent random keys: its own text starts with one, and its
// child <k> holds the other. The iterations alternate between ordering by the element's own
// text and ordering by <k>, so each run starts from an order unrelated to the one it makes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include <toveldom/toveldom.h>

using namespace LUMA_7_4_0;

namespace {

constexpr int kKeyLength = 8;

// A fixed generator, so that every run and every size sorts the same kind of data.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    std::string key() {
        static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123";
        std::string out(kKeyLength, ' ');
        for (char& c : out) c = letters[next() % (sizeof letters - 1)];
        return out;
    }
};

struct KeyedTree {
    ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();
    ITOVELDOMElement* root = doc->createElement("root");

    // names: how many distinct child names ("n0", "n1", ...) the children are spread over.
    KeyedTree(long n, int names) {
        doc->appendChild(root)->Release();
        Random random;
        for (long i = 0; i < n; ++i) {
            std::string name = "n" + std::to_string(random.next() % unsigned(names));
            ITOVELDOMElement* child = doc->createElement(name.c_str());
            ITOVELDOMText* own = doc->createTextNode(random.key().c_str());
            ITOVELDOMElement* key = doc->createElement("k");
            key->put_text(random.key().c_str());
            child->appendChild(own)->Release();
            child->appendChild(key)->Release();
            root->appendChild(child)->Release();
            own->Release();
            key->Release();
            child->Release();
        }
    }
    ~KeyedTree() {
        root->Release();
        doc->Release();
    }
};

struct Definitions {
    ITOVELDOMOrderDef* byOwnText = createTOVELDOMOrderDef_7_4_0();
    ITOVELDOMOrderDef* byKeyChild = createTOVELDOMOrderDef_7_4_0();

    Definitions(bool caseSensitive, int groups) {
        const auto up = ITOVELDOMOrderDef::eSortAscending;
        byOwnText->setSort("", 1, up, caseSensitive);
        byKeyChild->setSort("k", 2, up, caseSensitive);
        // Group g holds name n(g+1); n0 stays ungrouped.
        for (int g = 0; g < groups; ++g) {
            std::string name = "n" + std::to_string(g + 1);
            unsigned rank = unsigned(groups - g);
            byOwnText->setGroup(name.c_str(), rank);
            byKeyChild->setGroup(name.c_str(), rank);
        }
    }
    ~Definitions() {
        byOwnText->Release();
        byKeyChild->Release();
    }
};

void orderChildren(benchmark::State& state, bool caseSensitive, int names) {
    const long n = state.range(0);
    KeyedTree tree(n, names);
    Definitions defs(caseSensitive, names - 1);
    bool own = true;
    for (auto _ : state) {
        tree.root->order(own ? defs.byOwnText : defs.byKeyChild);
        own = !own;
    }
    // Time per child, shown with an SI prefix (e.g. "850n" is 850 ns per child).
    state.counters["ns_per_child"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (long n : {125000L, 250000L, 500000L, 1000000L}) b->Arg(n);
}

} // namespace

BENCHMARK_CAPTURE(orderChildren, IgnoringCase, false, 1)
    ->Apply(sizes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(orderChildren, CaseSensitive, true, 1)
    ->Apply(sizes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(orderChildren, FourGroupsIgnoringCase, false, 5)
    ->Apply(sizes)
    ->Unit(benchmark::kMillisecond);

// XPath queries compiled once and evaluated over and over, by this library, libxml2 and
// pugixml, on the same document: the shared MIME database of this machine with its DTD
// and default namespace taken out, so that unprefixed names select the same nodes in all
// three (pugixml has no namespaces). Each evaluation builds its full result: the node list
// (ours, with a reference per node), the xmlNodeSet, the xpath_node_set.
//
//   make bench   or   build-bench/bin/xpath_bench --benchmark_filter=Xpath
#include <benchmark/benchmark.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <toveldom/toveldom.h>
#include <toveldom/xpath.h>

#ifdef TOVELDOM_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/xpath.h>
#endif
#ifdef TOVELDOM_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

using namespace LUMA_7_4_0;

const char* const kQueries[] = {
    "//mime-type[@type='text/x-c++src']",
    "//glob/@pattern",
    "count(//*)",
    "//*[contains(@type,'xml')]",
    "//mime-type[3]/comment[1]",
    "//*[local-name()='alias']",
    "sum(//@weight)",
};

const std::string& documentText() {
    static const std::string text = [] {
        std::ifstream in("/usr/share/mime/packages/freedesktop.org.xml", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        std::string t = s.str();
        size_t doctype = t.find("<!DOCTYPE");
        if (doctype != std::string::npos) t.erase(doctype, t.find("]>", doctype) + 2 - doctype);
        return std::regex_replace(t, std::regex(" xmlns=\"[^\"]*\""), "", std::regex_constants::format_first_only);
    }();
    return text;
}

ITOVELDOMDocument* ours() {
    static ITOVELDOMDocument* doc = [] {
        ITOVELDOMDocument* d = createTOVELDOMDocument_7_4_0();
        d->loadXML(documentText().data(), int(documentText().size()));
        return d;
    }();
    return doc;
}

void Xpath_Toveldom(benchmark::State& state) {
    if (documentText().empty()) return state.SkipWithError("no MIME database on this machine");
    TOVELXPathQuery* q = TOVELXPathCompile_7_4_0(kQueries[state.range(0)], nullptr, nullptr);
    ITOVELDOMDocument* doc = ours();
    TOVELXPathResult r;
    for (auto _ : state) {
        TOVELXPathEvaluate_7_4_0(q, doc, nullptr, 0, &r, nullptr);
        benchmark::DoNotOptimize(r.number);
        TOVELXPathClearResult_7_4_0(&r);
    }
    state.SetLabel(kQueries[state.range(0)]);
    TOVELXPathFree_7_4_0(q);
}
BENCHMARK(Xpath_Toveldom)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

#ifdef TOVELDOM_HAVE_LIBXML2
void Xpath_Libxml2(benchmark::State& state) {
    if (documentText().empty()) return state.SkipWithError("no MIME database on this machine");
    static xmlDocPtr doc = xmlReadMemory(documentText().data(), int(documentText().size()),
                                         "mime.xml", nullptr, XML_PARSE_NOBLANKS);
    xmlXPathCompExprPtr q = xmlXPathCompile(reinterpret_cast<const xmlChar*>(kQueries[state.range(0)]));
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    for (auto _ : state) {
        ctx->node = reinterpret_cast<xmlNodePtr>(doc);
        xmlXPathObjectPtr r = xmlXPathCompiledEval(q, ctx);
        benchmark::DoNotOptimize(r);
        xmlXPathFreeObject(r);
    }
    state.SetLabel(kQueries[state.range(0)]);
    xmlXPathFreeContext(ctx);
    xmlXPathFreeCompExpr(q);
}
BENCHMARK(Xpath_Libxml2)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);
#endif

#ifdef TOVELDOM_HAVE_PUGIXML
void Xpath_Pugixml(benchmark::State& state) {
    if (documentText().empty()) return state.SkipWithError("no MIME database on this machine");
    static pugi::xml_document doc;
    static bool loaded = doc.load_buffer(documentText().data(), documentText().size());
    benchmark::DoNotOptimize(loaded);
    pugi::xpath_query q(kQueries[state.range(0)]);
    const bool nodes = q.return_type() == pugi::xpath_type_node_set;
    for (auto _ : state) {
        if (nodes) {
            pugi::xpath_node_set r = q.evaluate_node_set(doc);
            benchmark::DoNotOptimize(r.size());
        } else {
            benchmark::DoNotOptimize(q.evaluate_number(doc));
        }
    }
    state.SetLabel(kQueries[state.range(0)]);
}
BENCHMARK(Xpath_Pugixml)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);
#endif

} // namespace

// Every allocation of an operation refused in turn, the way Expat tests itself: for
// N = 1, 2, ... the Nth allocation fails (and, in a second pass, every one from the Nth
// on). Each failure must end as OUT_OF_MEMORY_ERR, or as the parser's no-memory error
// while loading, never as a standard-library exception; what the operation promised to
// leave alone prints as before, a failed load leaves an empty document, and the sanitizer
// build checks that nothing leaks.
//
// Why this injection: the library's own blocks (node pages and objects, strings, arrays,
// the parser's memory) all pass one funnel that asks toveldom_allocation_refused, which
// this file defines; everything the standard library allocates passes the global operator
// new, which this file replaces. Neither replaces malloc, so the address sanitizer's own
// malloc keeps checking every block underneath.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <new>
#include <string>

#include <expat.h>
#include <toveldom/toveldom.h>

using namespace LUMA_7_4_0;

namespace {
std::atomic<long> gCountdown{-1}; // allocations left before the first refusal; -1: off
std::atomic<bool> gPersistent{false};
std::atomic<long> gSeen{0};
std::atomic<long> gRefused{0};

bool refuse() {
    if (gCountdown.load(std::memory_order_relaxed) < 0) return false;
    ++gSeen;
    if (gCountdown.load() == 0) {
        ++gRefused;
        if (!gPersistent) gCountdown = -1;
        return true;
    }
    --gCountdown;
    return false;
}
} // namespace

extern "C" int toveldom_allocation_refused(size_t) { return refuse() ? 1 : 0; }

// The compiler cannot see that the operator new below is malloc underneath.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
    if (refuse()) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return refuse() ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

template <class T> CNodePtr<T> own(T* p) { return CNodePtr<T>::adopt(p); }

const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n"
    "<!DOCTYPE r [<!ENTITY e \"entity text\">]>\n"
    "<!-- before -->\n"
    "<r xmlns=\"urn:d\" xmlns:p=\"urn:p\" a1=\"1\" a2=\"2\" a3=\"3\" a4=\"4\" a5=\"5\" a6=\"6\" "
    "a7=\"7\" a8=\"8\" p:b=\"\xb1\xb3\">\n"
    "  <p:c x=\"1\">t&e;<![CDATA[<raw>]]><!--c--><?pi data?></p:c>\n"
    "  <c xml:space=\"preserve\"> <d/> </c>\n"
    "</r>\n";

struct World {
    CNodePtr<ITOVELDOMDocument> doc = own(createTOVELDOMDocument_7_4_0());
    CNodePtr<ITOVELDOMDocument> other = own(createTOVELDOMDocument_7_4_0());
    std::string path;
    ITOVELDOMElement* root() { return doc->get_documentElement(); } // +1, see held()
    World() { doc->loadXML(kDocument, int(sizeof kDocument - 1)); }
};

enum Leaves { kUnchanged, kEmpty, kAnything };

struct Operation {
    const char* name;
    Leaves leaves; // what a failure leaves of the document
    std::function<void(World&)> run;
    std::function<void(World&)> prepare = nullptr; // before the document is printed
};

ITOVELDOMElement* firstC(World& w) {
    auto list = own(w.doc->getElementsByTagName("c"));
    return static_cast<ITOVELDOMElement*>(list->get_item(0));
}

const Operation kOperations[] = {
    {"loadXML", kEmpty,
     [](World& w) {
         w.doc->put_encoding("UTF-8");
         w.doc->loadXML(kDocument, int(sizeof kDocument - 1));
     }},
    {"load", kEmpty,
     [](World& w) {
         w.doc->put_encoding("UTF-8");
         w.doc->load(w.path.c_str());
     }},
    {"build", kUnchanged,
     [](World& w) {
         auto e = own(w.other->createElement("e"));
         auto t = own(w.other->createTextNode("text"));
         auto c = own(w.other->createComment("note"));
         auto d = own(w.other->createCDATASection("<x>"));
         auto pi = own(w.other->createProcessingInstruction("t", "d"));
         auto f = own(w.other->createDocumentFragment());
         e->setAttribute("a", "1");
         own(e->appendChild(t.p));
         own(e->appendChild(c.p));
         own(f->appendChild(d.p));
         own(f->appendChild(pi.p));
         own(e->appendChild(f.p));
         own(w.other->appendChild(e.p));
     }},
    {"cloneNode", kUnchanged, [](World& w) { own(w.doc->cloneNode(true)); }},
    {"importNode", kUnchanged, [](World& w) { own(w.other->importNode(own(w.root()).p, true)); }},
    {"get_xml", kUnchanged, [](World& w) { w.doc->get_xml(); }},
    {"get_xml indented", kAnything, // printing an element moves the level by design
    
     [](World& w) {
         w.doc->setIndentation("\t");
         w.doc->setIndentLevel(1);
         own(w.root())->get_xml();
     }},
    {"normalize", kAnything,
     [](World& w) {
         auto e = own(firstC(w));
         own(e->appendChild(own(w.doc->createTextNode("one")).p));
         own(e->appendChild(own(w.doc->createTextNode("two")).p));
         own(w.root())->normalize();
     }},
    {"searches", kUnchanged,
     [](World& w) {
         own(w.doc->getElementsByTagName("*"));
         own(w.doc->getElementsByTagNameNS("urn:p", "c"));
         own(w.doc->getElementsByTagNameNoCase("C"));
         own(w.doc->getElementsByTagNameNSNoCase("urn:d", "D"));
         auto r = own(w.root());
         own(r->getElementsByTagName("d"));
         own(r->getElementsByTagNameNS("*", "c"));
         own(r->getElementsByTagNameNoCase("D"));
         own(r->getElementsByTagNameNSNoCase("urn:d", "C"));
     }},
    {"order", kAnything,
     [](World& w) {
         auto def = own(createTOVELDOMOrderDef_7_4_0());
         def->setGroup("c", 1);
         def->setSort("c", 1, ITOVELDOMOrderDef::eSortDescending, false);
         own(w.root())->order(def.p);
     }},
    {"attributes", kAnything,
     [](World& w) {
         auto r = own(w.root());
         r->setAttribute("fresh", "value");
         r->setAttribute("a1", "changed");
         own(w.doc->createAttribute("made"));
     }},
    {"splitText", kAnything,
     [](World& w) {
         auto t = own(w.doc->createTextNode("split here"));
         own(own(firstC(w))->appendChild(t.p));
         own(static_cast<ITOVELDOMText*>(t.p)->splitText(5));
     }},
};

// Runs op once with the Nth allocation (and, persistent, every later one) refused. Returns
// false when the operation made fewer than N allocations, that is, it is done.
bool runRefusing(const Operation& op, long n, bool persistent) {
    World w;
    char path[] = "/tmp/toveldom-alloc-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
        (void)!write(fd, kDocument, sizeof kDocument - 1);
        close(fd);
    }
    w.path = path;
    if (op.prepare) op.prepare(w);
    const std::string before = w.doc->get_xml();
    gSeen = 0;
    gRefused = 0;
    gPersistent = persistent;
    gCountdown = n - 1;
    std::exception_ptr error;
    try {
        op.run(w);
    } catch (...) {
        error = std::current_exception();
    }
    gCountdown = -1; // before anything here allocates
    const bool failed = error != nullptr;
    try {
        if (error) std::rethrow_exception(error);
    } catch (const TOVELDOMException& e) {
        EXPECT_EQ(e.get_code(), OUT_OF_MEMORY_ERR) << op.name << " N=" << n;
    } catch (const TOVELParseException& e) {
        EXPECT_EQ(e.getErrorCode(), int(XML_ERROR_NO_MEMORY)) << op.name << " N=" << n;
    } catch (const std::exception& e) {
        ADD_FAILURE() << op.name << " N=" << n << ": " << typeid(e).name() << " escaped";
    }
    unlink(path);
    const bool reached = gRefused > 0;
    if (failed && op.leaves == kUnchanged) {
        EXPECT_EQ(before, w.doc->get_xml()) << op.name << " N=" << n;
    }
    if (failed && op.leaves == kEmpty) {
        EXPECT_EQ(w.doc->get_firstChild(), nullptr) << op.name << " N=" << n;
    }
    if (!reached) {
        EXPECT_FALSE(failed) << op.name << " N=" << n << " failed with nothing refused";
    }
    return reached;
}

class AllocationFailure : public ::testing::TestWithParam<Operation> {};

TEST_P(AllocationFailure, EveryPointEndsAsOutOfMemory) {
    long points = 0;
    for (bool persistent : {false, true})
        for (long n = 1; runRefusing(GetParam(), n, persistent); ++n) points = std::max(points, n);
    EXPECT_GT(points, 0);
    std::printf("%s: %ld allocation points\n", GetParam().name, points);
}

INSTANTIATE_TEST_SUITE_P(Operations, AllocationFailure, ::testing::ValuesIn(kOperations),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

} // namespace

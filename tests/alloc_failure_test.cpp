// Every allocation of an operation refused in turn, the way Expat tests itself: for
// N = 1, 2, ... the Nth allocation fails (and, in a second pass, every one from the Nth
// on). Each failure must end as OUT_OF_MEMORY_ERR, or as the parser's no-memory error
// while loading, never as a standard-library exception; what the operation promised to
// leave alone prints as before, a failed load leaves an empty document, and the sanitizer
// build checks that nothing leaks. The library's own blocks ask toveldom_allocation_refused
// (defined here); what the standard library allocates passes the global operator new
// (replaced here); malloc stays the sanitizer's, which keeps checking every block.
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

const int kLength = int(sizeof kDocument - 1);
const char kLong[] = "a value past the small-string buffer"; // so that it allocates

struct World {
    CNodePtr<ITOVELDOMDocument> doc = own(createTOVELDOMDocument_7_4_0());
    CNodePtr<ITOVELDOMDocument> other = own(createTOVELDOMDocument_7_4_0());
    std::string path;
    ITOVELDOMElement* root() { return doc->get_documentElement(); } // +1, see held()
    World() { doc->loadXML(kDocument, kLength); }
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
     [](World& w) { w.doc->put_encoding("UTF-8"), w.doc->loadXML(kDocument, kLength); }},
    {"load", kEmpty, [](World& w) { w.doc->put_encoding("UTF-8"), w.doc->load(w.path.c_str()); }},
    {"cloneNode", kUnchanged, [](World& w) { own(w.doc->cloneNode(true)); }},
    {"importNode", kUnchanged, [](World& w) { own(w.other->importNode(own(w.root()).p, true)); }},
    {"get_xml", kUnchanged, [](World& w) { w.doc->get_xml(); }},
    {"get_xml indented", kAnything, // printing an element moves the level by design
     [](World& w) {
         w.doc->setIndentation("\t"), w.doc->setIndentLevel(1), own(w.root())->get_xml();
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
         own(w.doc->getElementsByTagName("*")), own(w.doc->getElementsByTagNameNS("urn:p", "c"));
         own(w.doc->getElementsByTagNameNoCase("C"));
         own(w.doc->getElementsByTagNameNSNoCase("urn:d", "D"));
         auto r = own(w.root());
         own(r->getElementsByTagName("d")), own(r->getElementsByTagNameNS("*", "c"));
         own(r->getElementsByTagNameNoCase("D")),
             own(r->getElementsByTagNameNSNoCase("urn:d", "C"));
     }},
    {"order", kAnything,
     [](World& w) {
         auto def = own(createTOVELDOMOrderDef_7_4_0());
         def->setGroup("c", 1);
         def->setSort("c", 1, ITOVELDOMOrderDef::eSortDescending, false);
         own(w.root())->order(def.p);
     }},
    {"character data", kAnything,
     [](World& w) {
         auto t = own(w.doc->createTextNode(kLong));
         auto* c = static_cast<ITOVELDOMText*>(t.p);
         c->put_data(kLong), c->appendData(kLong), c->insertData(3, kLong);
         c->replaceData(1, 2, kLong), c->substringData(2, 40);
         own(w.doc->createProcessingInstruction("t", "d"))->put_data(kLong);
     }},
    {"getters", kUnchanged,
     [](World& w) {
         auto r = own(w.root()), c = own(firstC(w));
         auto b = own(r->getAttributeNode("p:b"));
         for (ITOVELDOMNode* n : std::initializer_list<ITOVELDOMNode*>{r.p, c.p, b.p})
             n->get_prefix(), n->get_localName(), n->get_nodeValue(), n->get_text();
         r->getAttribute("a1"), r->getAttributeNS("urn:p", "b"), b->get_value();
         own(r->get_childNodes()), own(r->get_attributes()), own(b->get_childNodes());
     },
     [](World& w) {
         auto r = own(w.root());
         r->setAttributeNS("urn:p", "p:b", kLong), r->put_prefix(kLong);
     }},
    {"building by hand", kAnything,
     [](World& w) {
         auto r = own(w.root());
         for (int i = 0; i < 20; ++i)
             own(r->insertBefore(own(w.doc->createElementNS("urn:n", "n:e")).p,
                                 own(r->get_firstChild()).p));
         auto f = own(w.doc->createDocumentFragment());
         own(f->appendChild(own(w.doc->createTextNode("text")).p));
         own(f->appendChild(own(w.doc->createCDATASection("<x>")).p));
         own(f->appendChild(own(w.doc->createProcessingInstruction("t", "d")).p));
         own(r->appendChild(f.p));
         r->setAttribute("fresh", "value"), r->setAttribute("a1", "changed");
         r->setAttributeNS("urn:q", "q:fresh", kLong), r->removeAttribute("a2");
         own(r->setAttributeNode(own(w.doc->createAttributeNS("urn:r", "r:made")).p));
         own(w.doc->createAttribute("made"));
         own(r->replaceChild(own(w.doc->createComment("c")).p, own(firstC(w)).p));
         own(w.other->appendChild(own(w.other->createElement("e")).p));
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
    if (fd >= 0) (void)!write(fd, kDocument, kLength), close(fd);
    w.path = path;
    if (op.prepare) op.prepare(w);
    const std::string before = w.doc->get_xml();
    gSeen = 0, gRefused = 0, gPersistent = persistent;
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
    const std::string after = failed && op.leaves == kUnchanged ? w.doc->get_xml() : before;
    EXPECT_EQ(before, after) << op.name << " N=" << n;
    EXPECT_EQ(failed && op.leaves == kEmpty ? w.doc->get_firstChild() : nullptr, nullptr) << n;
    EXPECT_TRUE(reached || !failed) << op.name << " N=" << n << " failed with nothing refused";
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

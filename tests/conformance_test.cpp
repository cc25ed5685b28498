// The W3C XML conformance suite, loaded document by document.
//
// Every test document that needs no external entity (ENTITIES="none") and is meant for
// XML 1.0 is loaded twice, whole with loadXML and from its file with load (8192-byte
// chunks), and each verdict is held against two references: the suite's expectation
// (not-wf rejected, valid and invalid accepted) and the verdict of Expat set up the way
// the library sets it up (namespace processing with the separator 0x01, documents that
// are not standalone refused, the library's registry encodings). The library must agree
// with that parser exactly, down to the error number; where the parser itself disagrees
// with the suite, the document is listed with its reason in
// conformance_expected_differences.txt, and the list is checked both ways (an entry that
// no longer differs fails too). The same file lists the documents whose canonical form or
// print differs for reasons the tree's design fixes, and the library bugs found.
//
// For accepted documents with a reference output, the tree loaded with white space
// preserved is written in canonical form (canonical.h) and compared byte for byte; every
// accepted document is printed and the print must load back as the same tree; printed,
// reloaded and printed again twice, the third print must equal the first.
//
// Setting TOVELDOM_CONFORMANCE_REPORT to a file name writes one line per document with
// every verdict, for looking into a change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <toveldom/toveldom.h>

#include "canonical.h"

using namespace LUMA_7_4_0;

namespace {

// ---------------------------------------------------------------------------------------
// The catalogue

struct SuiteCase {
    std::string id;
    std::string type;       // valid, invalid, not-wf, error
    std::string entities;   // none, general, parameter, both
    std::string version;    // empty: every version
    std::string edition;    // empty: every edition
    std::string namespaces; // "no": the document uses colons that namespace processing refuses
    std::string recommendation;
    std::string path;   // the document, absolute
    std::string output; // the canonical reference output, or empty
};

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    out = bytes.str();
    return true;
}

// Reads xmlconf.xml and the collection files its entities pull in. A TEST entry's URI is
// taken relative to the file that holds it (the collections sit beside their documents;
// the one xml:base in the top file that names a missing folder makes this the reliable
// rule).
class Catalogue {
public:
    explicit Catalogue(const std::string& topFile) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, this);
        XML_SetStartElementHandler(parser, startElement);
        XML_SetExternalEntityRefHandler(parser, externalEntity);
        XML_SetBase(parser, topFile.c_str());
        files_.push_back(directoryOf(topFile));
        std::string text;
        ok_ = readFile(topFile, text) &&
              XML_Parse(parser, text.data(), int(text.size()), XML_TRUE) == XML_STATUS_OK;
        if (!ok_ && error_.empty())
            error_ = std::string(topFile) + ": " + XML_ErrorString(XML_GetErrorCode(parser));
        XML_ParserFree(parser);
    }

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    const std::vector<SuiteCase>& cases() const { return cases_; }

private:
    static const char* attribute(const XML_Char** atts, const char* name, const char* fallback) {
        for (int i = 0; atts[i]; i += 2)
            if (std::strcmp(atts[i], name) == 0) return atts[i + 1];
        return fallback;
    }

    static void XMLCALL startElement(void* data, const XML_Char* name, const XML_Char** atts) {
        auto* self = static_cast<Catalogue*>(data);
        if (std::strcmp(name, "TEST") != 0) return;
        SuiteCase c;
        // Defaults as the catalogue's DTD declares them.
        c.id = attribute(atts, "ID", "");
        c.type = attribute(atts, "TYPE", "");
        c.entities = attribute(atts, "ENTITIES", "none");
        c.version = attribute(atts, "VERSION", "");
        c.recommendation = attribute(atts, "RECOMMENDATION", "XML1.0");
        c.edition = attribute(atts, "EDITION", "");
        c.namespaces = attribute(atts, "NAMESPACE", "yes");
        const std::string& dir = self->files_.back();
        c.path = dir + attribute(atts, "URI", "");
        const char* output = attribute(atts, "OUTPUT", nullptr);
        if (output) c.output = dir + output;
        self->cases_.push_back(c);
    }

    static int XMLCALL externalEntity(XML_Parser parser, const XML_Char* context,
                                      const XML_Char* base, const XML_Char* systemId,
                                      const XML_Char*) {
        auto* self = static_cast<Catalogue*>(XML_GetUserData(parser));
        if (!systemId) return XML_STATUS_ERROR;
        std::string path = systemId[0] == '/' ? systemId : directoryOf(base ? base : "") + systemId;
        std::string text;
        if (!readFile(path, text)) {
            self->error_ = path + ": cannot be read";
            return XML_STATUS_ERROR;
        }
        XML_Parser child = XML_ExternalEntityParserCreate(parser, context, nullptr);
        XML_SetBase(child, path.c_str());
        self->files_.push_back(directoryOf(path));
        bool ok = XML_Parse(child, text.data(), int(text.size()), XML_TRUE) == XML_STATUS_OK;
        if (!ok) self->error_ = path + ": " + XML_ErrorString(XML_GetErrorCode(child));
        self->files_.pop_back();
        XML_ParserFree(child);
        return ok ? XML_STATUS_OK : XML_STATUS_ERROR;
    }

    bool ok_ = false;
    std::string error_;
    std::vector<std::string> files_; // directories of the files being read, innermost last
    std::vector<SuiteCase> cases_;
};

bool listHas(const std::string& list, const char* word) {
    std::istringstream words(list);
    for (std::string w; words >> w;)
        if (w == word) return true;
    return false;
}

// The catalogue asks a parser to run only the tests for the versions and editions it
// implements. Expat reads XML 1.0 with Namespaces 1.0, and its name characters are those
// of editions 1 to 4 (the fifth edition's wider name rules are not in it).
bool forXml10(const SuiteCase& c) {
    if (c.recommendation == "XML1.1" || c.recommendation == "NS1.1") return false;
    return c.version.empty() || listHas(c.version, "1.0");
}

bool forEdition4(const SuiteCase& c) { return c.edition.empty() || listHas(c.edition, "4"); }

// ---------------------------------------------------------------------------------------
// Verdicts

struct Verdict {
    bool accepted = false;
    int error = 0; // the parser's error number when rejected by the parser
    bool domException = false;
    unsigned short domCode = 0;

    std::string describe() const {
        if (accepted) return "accepted";
        if (domException) return "TOVELDOMException " + std::to_string(domCode);
        return "rejected (" + std::to_string(error) + " " +
               XML_ErrorString(static_cast<XML_Error>(error)) + ")";
    }
    bool sameAs(const Verdict& other) const {
        return accepted == other.accepted && error == other.error &&
               domException == other.domException && domCode == other.domCode;
    }
};

int XMLCALL refuseNotStandalone(void*) { return 0; }

// Expat on its own, configured as the library configures it for a load that does not
// resolve external entities.
Verdict expatVerdict(const std::string& bytes) {
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
    XML_SetNotStandaloneHandler(parser, refuseNotStandalone);
    initExpatUnknownEncodingHandler_7_4_0(&parser);
    Verdict v;
    v.accepted = XML_Parse(parser, bytes.data(), int(bytes.size()), XML_TRUE) == XML_STATUS_OK;
    if (!v.accepted) v.error = int(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    return v;
}

CNodePtr<ITOVELDOMDocument> newDocument(bool preserveWhiteSpace) {
    auto doc = CNodePtr<ITOVELDOMDocument>::adopt(createTOVELDOMDocument_7_4_0());
    doc->put_preserveWhiteSpace(preserveWhiteSpace);
    return doc;
}

// Runs one load and turns its outcome into a verdict; after a failure the document must be
// empty.
template <class Load> Verdict libraryVerdict(ITOVELDOMDocument* doc, Load&& load) {
    Verdict v;
    try {
        v.accepted = load(doc);
    } catch (const ITOVELParseException& e) {
        v.error = e.getErrorCode();
    } catch (const ITOVELDOMException& e) {
        v.domException = true;
        v.domCode = e.get_code();
    }
    if (!v.accepted && doc->hasChildNodes()) {
        v.domException = true;
        v.domCode = 0xFFFF; // shows up as a mismatch: a failed load left nodes behind
    }
    return v;
}

Verdict loadWhole(ITOVELDOMDocument* doc, const std::string& bytes) {
    return libraryVerdict(
        doc, [&](ITOVELDOMDocument* d) { return d->loadXML(bytes.data(), int(bytes.size())); });
}

Verdict loadFile(ITOVELDOMDocument* doc, const std::string& path) {
    return libraryVerdict(doc, [&](ITOVELDOMDocument* d) { return d->load(path.c_str()); });
}

bool suiteAccepts(const SuiteCase& c) { return c.type == "valid" || c.type == "invalid"; }

// ---------------------------------------------------------------------------------------
// The list of expected differences

// Sections of conformance_expected_differences.txt. Each entry line is a test ID followed
// by its reason.
struct Differences {
    std::map<std::string, std::map<std::string, std::string>> sections; // section -> id -> reason
    std::vector<std::string> problems;

    bool listed(const std::string& section, const std::string& id) const {
        auto s = sections.find(section);
        return s != sections.end() && s->second.count(id) != 0;
    }
};

const char* const kSections[] = {"parser", "canonical", "print", "library-bugs"};

Differences readDifferences(const std::string& path) {
    Differences d;
    std::ifstream in(path);
    if (!in) {
        d.problems.push_back(path + " cannot be read");
        return d;
    }
    std::string section;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line[start] == '[') {
            size_t end = line.find(']', start);
            section = line.substr(start + 1, end == std::string::npos ? 0 : end - start - 1);
            bool known = false;
            for (const char* s : kSections) known = known || section == s;
            if (!known)
                d.problems.push_back("line " + std::to_string(lineNumber) + ": unknown section [" +
                                     section + "]");
            continue;
        }
        size_t idEnd = line.find_first_of(" \t", start);
        std::string id = line.substr(start, idEnd - start);
        size_t reasonStart =
            idEnd == std::string::npos ? std::string::npos : line.find_first_not_of(" \t", idEnd);
        if (section.empty()) {
            d.problems.push_back("line " + std::to_string(lineNumber) + ": entry before a section");
        } else if (reasonStart == std::string::npos) {
            d.problems.push_back("line " + std::to_string(lineNumber) + ": " + id +
                                 " has no reason");
        } else if (!d.sections[section].emplace(id, line.substr(reasonStart)).second) {
            d.problems.push_back("line " + std::to_string(lineNumber) + ": " + id +
                                 " listed twice in [" + section + "]");
        }
    }
    return d;
}

// ---------------------------------------------------------------------------------------
// The run: every document once, all checks, the findings kept for the tests below

struct Outcome {
    const SuiteCase* c = nullptr;
    Verdict expat;
    Verdict whole;
    Verdict file;
    bool empty = false;                // a document of no bytes at all
    std::string filePrint, wholePrint; // prints of the same document loaded both ways
    bool checkedCanonical = false;
    bool notationsRemoved = false;
    bool canonicalMatches = false;
    std::string canonical, expectedCanonical;
    bool checkedPrint = false;
    bool printStable = true;
    std::string printProblem;
};

// A reference output starts with "<!DOCTYPE name [", one notation declaration a line and
// "]>" when the document declares notations. The tree keeps no notations (the parser's
// notation callback does nothing), so that block is taken out before comparing.
bool removeNotations(std::string& canonical) {
    size_t start = canonical.find("<!DOCTYPE ");
    if (start == std::string::npos) return false;
    size_t end = canonical.find("\n]>\n", start);
    if (end == std::string::npos) return false;
    canonical.erase(start, end + 4 - start);
    return true;
}

std::string printOf(ITOVELDOMDocument* doc) { return doc->get_xml(); }

// The canonical form of the document element, after the document's processing
// instructions in their order.
std::string contentOf(ITOVELDOMDocument* doc) {
    std::string pis;
    for (auto child = CNodePtr<ITOVELDOMNode>::adopt(doc->get_firstChild()); child;
         child = CNodePtr<ITOVELDOMNode>::adopt(child->get_nextSibling()))
        if (child->get_nodeType() == NODE_PROCESSING_INSTRUCTION)
            tovel_test::appendCanonicalPI(pis, child);
    std::string element;
    auto root = CNodePtr<ITOVELDOMElement>::adopt(doc->get_documentElement());
    if (root) tovel_test::appendCanonicalNode(element, root);
    return pis + " | " + element;
}

// Print, load the print, print, load, print: the third print must equal the first. The
// first two may differ only in the order of attributes (reloading reverses attributes
// that share a bucket), which the canonical forms of their trees ignore.
void checkPrint(const std::string& bytes, bool preserve, Outcome& o) {
    auto doc = newDocument(preserve);
    if (!loadWhole(doc, bytes).accepted) return;
    std::string first = printOf(doc);
    auto second = newDocument(preserve);
    Verdict v = loadWhole(second, first);
    std::string mode = preserve ? " (white space preserved)" : " (white space normalized)";
    if (!v.accepted) {
        o.printStable = false;
        o.printProblem = "the first print does not load: " + v.describe() + mode;
        return;
    }
    // The print holds the tree it came from: the same document element and the same
    // processing instructions around it (the print puts the document element after them
    // when there is no document type, so they are compared apart).
    if (contentOf(second) != contentOf(doc)) {
        o.printStable = false;
        o.printProblem = "the print loads as another tree" + mode +
                         ":\n  loaded:   " + contentOf(doc) + "\n  reloaded: " + contentOf(second);
        return;
    }
    std::string secondPrint = printOf(second);
    auto third = newDocument(preserve);
    v = loadWhole(third, secondPrint);
    if (!v.accepted) {
        o.printStable = false;
        o.printProblem = "the second print does not load: " + v.describe() + mode;
        return;
    }
    if (printOf(third) != first) {
        o.printStable = false;
        o.printProblem = "the third print differs from the first" + mode + ":\n  first: " + first +
                         "\n  third: " + printOf(third);
        return;
    }
    if (tovel_test::canonicalForm(second) != tovel_test::canonicalForm(third)) {
        o.printStable = false;
        o.printProblem = "the first and second prints hold different trees" + mode;
    }
}

struct Run {
    bool suitePresent = false;
    std::string skipReason;
    std::string catalogueError;
    size_t catalogueSize = 0;
    size_t notStandalone = 0, notXml10 = 0, fifthEdition = 0;
    std::vector<Outcome> outcomes;
    Differences differences;
    std::vector<SuiteCase> cases;
};

void writeReport(const Run& run, const char* path) {
    std::ofstream out(path);
    for (const Outcome& o : run.outcomes) {
        out << o.c->id << '\t' << o.c->type << '\t' << o.c->path << "\texpat=" << o.expat.describe()
            << "\twhole=" << o.whole.describe() << "\tfile=" << o.file.describe();
        if (o.checkedCanonical) out << "\tcanonical=" << (o.canonicalMatches ? "same" : "differs");
        if (o.checkedPrint) out << "\tprint=" << (o.printStable ? "stable" : o.printProblem);
        out << '\n';
    }
}

Run runSuite() {
    Run run;
#ifndef TOVELDOM_XMLCONF_DIR
    run.skipReason = "built without TOVELDOM_XMLCONF_DIR";
    return run;
#else
    std::string dir = TOVELDOM_XMLCONF_DIR;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    struct stat info;
    if (stat((dir + "xmlconf.xml").c_str(), &info) != 0) {
        run.skipReason = "no conformance suite at " + dir;
        return run;
    }
    run.suitePresent = true;
    Catalogue catalogue(dir + "xmlconf.xml");
    if (!catalogue.ok()) {
        run.catalogueError = catalogue.error();
        return run;
    }
    run.catalogueSize = catalogue.cases().size();
    for (const SuiteCase& c : catalogue.cases()) {
        if (c.entities != "none") {
            ++run.notStandalone;
        } else if (!forXml10(c)) {
            ++run.notXml10;
        } else if (!forEdition4(c)) {
            ++run.fifthEdition;
        } else {
            run.cases.push_back(c);
        }
    }
    run.differences = readDifferences(std::string(TOVELDOM_SOURCE_DIR) +
                                      "/tests/conformance_expected_differences.txt");
    run.outcomes.reserve(run.cases.size());
    for (const SuiteCase& c : run.cases) {
        Outcome o;
        o.c = &c;
        std::string bytes;
        if (!readFile(c.path, bytes)) {
            o.expat.domException = true; // reported as a missing document below
            run.outcomes.push_back(o);
            continue;
        }
        o.expat = expatVerdict(bytes);
        o.empty = bytes.empty();
        {
            auto doc = newDocument(true);
            o.whole = loadWhole(doc, bytes);
            if (o.whole.accepted && !c.output.empty()) {
                o.checkedCanonical = true;
                if (readFile(c.output, o.expectedCanonical)) {
                    o.notationsRemoved = removeNotations(o.expectedCanonical);
                    o.canonical = tovel_test::canonicalForm(doc);
                    o.canonicalMatches = o.canonical == o.expectedCanonical;
                }
            }
        }
        {
            auto doc = newDocument(true);
            o.file = loadFile(doc, c.path);
            if (o.file.accepted) {
                o.filePrint = printOf(doc);
                auto whole = newDocument(true);
                if (loadWhole(whole, bytes).accepted) o.wholePrint = printOf(whole);
            }
        }
        if (o.whole.accepted) {
            o.checkedPrint = true;
            checkPrint(bytes, true, o);
            if (o.printStable) checkPrint(bytes, false, o);
        }
        run.outcomes.push_back(o);
    }
    if (const char* report = std::getenv("TOVELDOM_CONFORMANCE_REPORT")) writeReport(run, report);
    return run;
#endif
}

// The suite is read once for all the tests of this file.
const Run& suite() {
    static const Run run = runSuite();
    return run;
}

class Conformance : public ::testing::Test {
protected:
    void SetUp() override {
        if (!suite().suitePresent) GTEST_SKIP() << suite().skipReason;
        ASSERT_EQ(suite().catalogueError, "");
    }
    const Differences& differences() const { return suite().differences; }
};

// Checks a section of the list against what the run found: each finding is listed, each
// entry is still a finding. Library bugs excuse a finding without being required.
void expectListMatches(const char* section, const std::set<std::string>& found,
                       const std::map<std::string, std::string>& detail) {
    const Differences& d = suite().differences;
    for (const std::string& id : found) {
        if (d.listed(section, id) || d.listed("library-bugs", id)) continue;
        ADD_FAILURE() << id << " differs and is not listed in [" << section
                      << "]: " << detail.at(id);
    }
    auto s = d.sections.find(section);
    if (s == d.sections.end()) return;
    for (const auto& [id, reason] : s->second)
        EXPECT_TRUE(found.count(id))
            << id << " is listed in [" << section << "] but no longer differs (" << reason << ")";
}

TEST_F(Conformance, CatalogueListsTheSuite) {
    // The 2013 edition holds a little over 2500 TEST entries; far fewer means the reader
    // lost collections.
    EXPECT_GT(suite().catalogueSize, 2500u);
    EXPECT_GT(suite().cases.size(), 1400u);
    std::set<std::string> ids;
    for (const SuiteCase& c : suite().cases) {
        EXPECT_TRUE(ids.insert(c.id).second) << "duplicate ID " << c.id;
        struct stat info;
        EXPECT_EQ(stat(c.path.c_str(), &info), 0) << c.id << ": " << c.path << " is missing";
        if (!c.output.empty()) {
            EXPECT_EQ(stat(c.output.c_str(), &info), 0)
                << c.id << ": " << c.output << " is missing";
        }
    }
    std::printf("[ suite    ] %zu entries: %zu run; not run: %zu need external entities, %zu "
                "are for XML 1.1 only, %zu for the fifth edition only\n",
                suite().catalogueSize, suite().cases.size(), suite().notStandalone,
                suite().notXml10, suite().fifthEdition);
}

TEST_F(Conformance, ExpectedDifferencesFileIsWellFormed) {
    for (const std::string& problem : differences().problems) ADD_FAILURE() << problem;
    std::set<std::string> ids;
    for (const SuiteCase& c : suite().cases) ids.insert(c.id);
    for (const auto& [section, entries] : differences().sections)
        for (const auto& [id, reason] : entries)
            EXPECT_TRUE(ids.count(id)) << "[" << section << "] " << id << " is not a test run here";
}

// The library's verdict is Expat's, whole and in chunks from the file, error number
// included; an accepted load never throws and a rejected one leaves the document empty.
TEST_F(Conformance, LibraryAgreesWithExpat) {
    std::set<std::string> found;
    std::map<std::string, std::string> detail;
    for (const Outcome& o : suite().outcomes) {
        std::string problem;
        // loadXML refuses an empty buffer before any parsing, with code 30002.
        Verdict wholeExpected = o.expat;
        if (o.empty) {
            wholeExpected = Verdict();
            wholeExpected.domException = true;
            wholeExpected.domCode = NULL_STRING_ERR;
        }
        if (!o.whole.sameAs(wholeExpected)) problem += "loadXML " + o.whole.describe() + "; ";
        if (!o.file.sameAs(o.expat)) problem += "load " + o.file.describe() + "; ";
        if (problem.empty()) continue;
        found.insert(o.c->id);
        detail[o.c->id] = problem + "Expat " + o.expat.describe() + " (" + o.c->path + ")";
    }
    for (const std::string& id : found)
        if (!differences().listed("library-bugs", id)) ADD_FAILURE() << id << ": " << detail[id];
    size_t agreed = suite().outcomes.size() - found.size();
    std::printf("[ verdicts ] %zu of %zu documents: library and Expat agree\n", agreed,
                suite().outcomes.size());
}

// Chunked reading from a file builds the same tree as one whole buffer: the prints agree
// byte for byte (white space preserved, so every text byte counts).
TEST_F(Conformance, FileLoadBuildsTheSameTreeAsWholeLoad) {
    size_t compared = 0;
    for (const Outcome& o : suite().outcomes) {
        if (!o.file.accepted || !o.whole.accepted) continue;
        ++compared;
        if (differences().listed("library-bugs", o.c->id)) continue;
        EXPECT_EQ(o.filePrint, o.wholePrint) << o.c->id << " (" << o.c->path << ")";
    }
    std::printf("[ chunks   ] %zu documents loaded from file and whole\n", compared);
}

// Where Expat itself (as the library configures it) departs from the suite's expectation,
// the document is listed in [parser] with the reason.
TEST_F(Conformance, ExpatDeparturesFromTheSuiteAreListed) {
    std::set<std::string> found;
    std::map<std::string, std::string> detail;
    size_t accepted = 0, rejected = 0, either = 0;
    for (const Outcome& o : suite().outcomes) {
        const SuiteCase& c = *o.c;
        if (c.type == "error") {
            ++either; // the suite allows both outcomes
            continue;
        }
        if (suiteAccepts(c) ? o.expat.accepted : !o.expat.accepted) {
            ++(suiteAccepts(c) ? accepted : rejected);
            continue;
        }
        found.insert(c.id);
        detail[c.id] = c.type + " document " + o.expat.describe() + " (" + c.path + ")";
        // An entry names Expat's verdict first ("accepted" or "error:N"), so the reason
        // it gives is checked against the parser, not just copied.
        auto s = differences().sections.find("parser");
        if (s == differences().sections.end() || !s->second.count(c.id)) continue;
        const std::string& reason = s->second.at(c.id);
        std::string claimed = reason.substr(0, reason.find_first_of(" \t"));
        std::string actual =
            o.expat.accepted ? "accepted" : "error:" + std::to_string(o.expat.error);
        EXPECT_EQ(claimed, actual) << c.id << ": the listed verdict is not Expat's";
    }
    expectListMatches("parser", found, detail);
    std::printf("[ verdicts ] as the suite expects: %zu accepted, %zu rejected; %zu differ "
                "(listed); %zu of type error (either outcome)\n",
                accepted, rejected, found.size(), either);
}

TEST_F(Conformance, CanonicalFormMatchesReferenceOutput) {
    std::set<std::string> found;
    std::map<std::string, std::string> detail;
    size_t checked = 0, withNotations = 0;
    for (const Outcome& o : suite().outcomes) {
        if (!o.checkedCanonical) continue;
        ++checked;
        if (o.notationsRemoved) ++withNotations;
        if (o.canonicalMatches) continue;
        found.insert(o.c->id);
        detail[o.c->id] = "\n  expected: " + o.expectedCanonical + "\n  actual:   " + o.canonical;
    }
    expectListMatches("canonical", found, detail);
    std::printf("[ canonical] %zu documents with a reference output: %zu equal, %zu differ "
                "(listed); %zu compared without their notation declarations\n",
                checked, checked - found.size(), found.size(), withNotations);
}

TEST_F(Conformance, PrintIsStableAcrossReloads) {
    std::set<std::string> found;
    std::map<std::string, std::string> detail;
    size_t checked = 0;
    for (const Outcome& o : suite().outcomes) {
        if (!o.checkedPrint) continue;
        ++checked;
        if (o.printStable) continue;
        found.insert(o.c->id);
        detail[o.c->id] = o.printProblem + " (" + o.c->path + ")";
    }
    expectListMatches("print", found, detail);
    std::printf("[ print    ] %zu accepted documents: %zu stable, %zu differ (listed)\n", checked,
                checked - found.size(), found.size());
}

// An entry under [library-bugs] excuses a document from every check; it must still fail
// one of them, so a fixed bug cannot stay excused.
TEST_F(Conformance, LibraryBugEntriesStillFail) {
    auto s = differences().sections.find("library-bugs");
    if (s == differences().sections.end()) return;
    for (const auto& [id, reason] : s->second) {
        bool fails = false;
        for (const Outcome& o : suite().outcomes) {
            if (o.c->id != id) continue;
            fails = !o.whole.sameAs(o.expat) || !o.file.sameAs(o.expat) ||
                    o.filePrint != o.wholePrint || (o.checkedCanonical && !o.canonicalMatches) ||
                    (o.checkedPrint && !o.printStable) ||
                    (o.c->type != "error" && suiteAccepts(*o.c) != o.expat.accepted);
        }
        EXPECT_TRUE(fails) << id << " is listed in [library-bugs] but passes every check ("
                           << reason << ")";
    }
}

} // namespace

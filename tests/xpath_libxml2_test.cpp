// Every expression evaluated by libxml2's XPath and by ours over the same text, white space
// kept: node-sets must be the same nodes in the same order (compared by location path),
// numbers, strings and booleans equal. Most expressions are made by crossing context nodes
// with axes and node tests, so that each axis is seen from each kind of node.
//
// Deliberate differences, kept out of the tables:
// - Attributes: ours come in the tree's order (its attribute map), libxml2's in source order;
//   runs of one element's attributes are compared as sets, and positions on the attribute
//   axis are not compared.
// - Namespace nodes are not nodes of our tree (the node list holds the declaring attribute),
//   so the namespace axis is compared through count() and the functions over it.
// - string() of a number that is not an integer: ours gives the shortest digits that read back
//   as the same double (0.30000000000000004), libxml2 rounds to 15 significant digits.
// - following:: from an attribute: libxml2 starts after the owner element, leaving out its
//   children, which come after the attribute in document order.
// - libxml2 reads numbers with an exponent ('1e3'), '-' as -0, and writes large numbers with
//   an exponent; XPath has no exponent either way.
// - libxml2 makes a namespace node of xmlns="" and finds the comments of the internal DTD
//   subset; neither is in XPath's data model.
// - id(): the tree keeps no attribute types, so it selects nothing.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <toveldom/toveldom.h>
#include <toveldom/xpath.h>

namespace {

using namespace LUMA_7_4_0;

const char kGenerated[] = R"(<?xml version="1.0"?>
<?top first?>
<!-- lead -->
<root xmlns:p="urn:p" xmlns="urn:d" xml:lang="en-GB" a="1" b="x y">
  <p:item id="i1" n="3" w="1.5">one<![CDATA[ cdata ]]>two<!--c1--><?pi data?></p:item>
  <item n="10" xml:lang="de"><sub>  spaced   text </sub><sub q="2"/>tail</item>
  <p:item n="-2.5" xmlns:q="urn:q"><q:deep q:attr="v">deep</q:deep><empty/></p:item>
  <nums><v>1</v><v>2</v><v>NaN</v><v> 4 </v><v>1000</v><v>-0</v><v>.5</v><v>7.</v></nums>
  <mixed>a<b>b</b>c<b>d<b>e</b></b><!--c2-->f<?pi other?>g</mixed>
  <undecl xmlns=""><x y="1"/><x y="2">z</x></undecl>
</root>
<!-- trail -->)";

// Bound in every document; the mime database's names are in its namespace.
const char* const kBindings[] = {
    "d",    "urn:d", "p", "urn:p",
    "q",    "urn:q", "m", "http://www.freedesktop.org/standards/shared-mime-info",
    nullptr};

const char* const kAxes[] = {"ancestor",  "ancestor-or-self",  "attribute",
                             "child",     "descendant",        "descendant-or-self",
                             "following", "following-sibling", "parent",
                             "preceding", "preceding-sibling", "self"};
const char* const kTests[] = {"node()",
                              "*",
                              "text()",
                              "comment()",
                              "processing-instruction()",
                              "processing-instruction('pi')",
                              "d:item",
                              "p:*",
                              "b",
                              "@n"};
const char* const kSuffixes[] = {"", "[1]", "[last()]", "[position() > 1][1]", "[2]"};

const char* const kGeneratedContexts[] = {"/",
                                          "/d:root",
                                          "//p:item[1]",
                                          "//d:sub[1]",
                                          "//b[2]",
                                          "//b/b",
                                          "//text()[.='c']",
                                          "//comment()[1]",
                                          "//processing-instruction()[1]",
                                          "//@n",
                                          "//x[2]",
                                          "//d:v[3]"};

const char kGeneratedExtra[] = R"(
1 + 2 * 3 - 4 div 5; 7 mod 3; -7 mod 3; 7 mod -3; 1 div 0; -1 div 0; 0 div 0; -(-3); --3; 2 = 2.0;
'2' = 2; true() = 1; false() = ''; 1 < 2 < 3; 3 > 2 > 1; 'a' < 'b'; //d:v = 2; //d:v != 2;
//d:v < 2; //d:v >= 1000; 2 > //d:v; //d:v = 'NaN'; //d:v = //d:sub; //d:v != //d:v; //d:v < //@n;
//@n > //d:v; //@n = true(); //nothing = false(); //nothing != //d:v; //d:v = //nothing;
//@n = -2.5; 1 = 1 and 2 = 3 or 4 = 4; not(1 = 1 and //nothing); (//d:v)[2] | //d:sub;
//b | //b/b | //d:sub; (//b | //p:item)[3]; //d:item/ancestor::* | //p:item; (//d:v)[last()];
(//d:v)[position() mod 2 = 0]; //d:v[. > 1]; //d:v[number(.) = number(.)]; //*[@n][2];
//*[@n > 0]; //*[not(*)][1]; //*[count(*) = 2]; //*[* = 'deep']; //*[text() = 'tail'];
//d:mixed/node()[3]; //d:mixed//node(); //d:mixed/b//text(); //d:mixed/text()[last()];
/descendant::*[5]; //*[5]; /descendant::b[2]; //b[2]; (//b)[2];
//d:root/*[position() = last() - 1]; //p:item/following::*[1]; //p:item/preceding::*[1];
//b/ancestor::*[1]; //b/ancestor-or-self::*[2]; (//b/ancestor::*)[1];
//d:v[preceding-sibling::d:v[1] = 2]; //d:v[following-sibling::*[1] = 'NaN'];
//*[starts-with(name(), 'p:')]; //*[local-name() = 'item']; //*[namespace-uri() = 'urn:q'];
//@*[namespace-uri() = 'urn:q']; //@*[local-name() = 'lang']; last(); position(); count(//*);
count(//node()); count(//@*); count(//text()); count(/*/namespace::*);
count(//q:deep/namespace::*); name(//q:deep/namespace::*[. = 'urn:q']);
local-name(//q:deep/namespace::*[. = 'urn:p']); string(//q:deep/namespace::q);
count(//q:deep/namespace::xml); local-name(); local-name(/*); local-name(//@q:attr);
local-name(//processing-instruction()); local-name(//comment()); namespace-uri(/*);
namespace-uri(//@q:attr); namespace-uri(//x); name(//p:item); name(//@q:attr);
name(//processing-instruction()); name(//text()); name(/); name(//nothing); string(/);
string(//p:item); string(//d:mixed); string(//@n); string(//comment());
string(//processing-instruction()); string(1); string(-0); string(1 div 0); string(0 div 0);
string(true()); string(-42); concat('a', 1, true(), //d:v); starts-with('abc', 'ab');
starts-with('abc', ''); starts-with('abc', 'b'); contains(//d:mixed, 'cde'); contains('abc', '');
substring-before('1999/04/01', '/'); substring-after('1999/04/01', '/');
substring-after('abc', 'x'); substring-before('abc', ''); substring('12345', 2, 3);
substring('12345', 2); substring('12345', 1.5, 2.6); substring('12345', 0, 3);
substring('12345', 0 div 0, 3); substring('12345', 1, 0 div 0); substring('12345', -42, 1 div 0);
substring('12345', -1 div 0, 1 div 0); substring('abé€z', 3, 2); string-length('abé€');
string-length(); string-length(//d:sub); normalize-space(//d:sub); normalize-space();
normalize-space('  a 	 b
 '); translate('bar', 'abc', 'ABC'); translate('--aaa--', 'abc-', 'ABC');
translate('été', 'é', 'e'); boolean(0); boolean(0 div 0); boolean(''); boolean('0');
boolean(//nothing); boolean(//d:v); not(0); true(); false(); count(//*[lang('en')]);
count(//*[lang('de')]); count(//*[lang('EN-gb')]); count(//*[lang('e')]); //d:sub[lang('de')];
number('  12.5 '); number('.5'); number('5.'); number('- 5'); number(true()); number();
number(//d:v[4]); sum(//d:v[position() < 3]); sum(//@n); sum(//d:v); floor(2.5); floor(-2.5);
ceiling(2.1); ceiling(-2.1); round(2.5); round(-2.5); round(-0.4); 1 div round(-0.4);
1 div ceiling(-0.5); round(0 div 0); floor(1 div 0); count(id('i1'));
//d:nums/d:v[position() = last()]; //*[last()]; //*[position() = 2 or position() = 3];
//d:v[2][1]; //d:v[1][2]; //d:v[. = 2 or . = 1][last()];
//d:v/following-sibling::*[2]/preceding-sibling::*[1]; //b/following::text();
//b/preceding::text(); //@q:attr/parent::*; //@q:attr/ancestor::*; //@q:attr/following::*;
//@q:attr/preceding::*[1]; //@n/..; //@*/..; /*/@*/..; /child::node(); /node()[1]; //x/@y;
//x[@y = 2]; //x[@y = '2'][text()]; count(//x[@y]); //*[@*];)";

const char kMimeExpressions[] = R"(
count(//m:mime-type); count(//*); count(//@*); count(//m:glob/@pattern);
count(//m:mime-type[@type='text/x-c++src']); //m:mime-type[@type='text/x-c++src'];
//m:glob/@pattern[. = '*.cpp']; count(//*[contains(@type,'xml')]); //m:mime-type[3]/m:comment[1];
count(//*[local-name()='alias']); sum(//@weight); count(//m:comment[@xml:lang='de']);
//m:mime-type[m:alias][1]/@type; //m:mime-type[last()]/@type; string(//m:mime-type[200]);
count(//m:magic//m:match[@type='string']); count(//m:match/m:match);
//m:mime-type[7]/following-sibling::m:mime-type[2]/@type;
//m:mime-type[7]/preceding-sibling::m:mime-type[2]/@type; //m:mime-type[7]/following::m:glob[1];
//m:mime-type[7]/preceding::m:glob[1]; //m:mime-type[7]/ancestor-or-self::*;
count(//m:mime-type[m:sub-class-of/@type = 'text/plain']);
count(//m:mime-type[starts-with(@type, 'image/')]); count(//m:comment[lang('fr')]);
name(//m:mime-type[9]/*[last()]); sum(//m:magic/@priority) div count(//m:magic);
count(//m:glob[@case-sensitive]); count(//m:mime-type[count(m:glob) > 3]);
//m:root-XML[1]/@localName; string-length(string(//m:mime-type[5]));
normalize-space(//m:mime-type[5]);
count(//m:mime-type[normalize-space(m:comment[1]) != m:comment[1]]); count(//text());
count(/*//comment()); translate(//m:mime-type[1]/@type, '/-', '__');)";

// Expressions are written one after another, each ended by ';' (never part of XPath).
std::vector<std::string> split(const char* list) {
    std::vector<std::string> out;
    std::string all = list;
    for (size_t at = 0, end; (end = all.find(';', at)) != std::string::npos; at = end + 1) {
        size_t b = all.find_first_not_of(" \n", at);
        if (b < end) out.push_back(all.substr(b, end - b));
    }
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// --- location paths of both trees -----------------------------------------------------------

std::string lxQName(const xmlChar* name, xmlNsPtr ns) {
    std::string q;
    if (ns && ns->prefix) q = std::string(reinterpret_cast<const char*>(ns->prefix)) + ":";
    return q + reinterpret_cast<const char*>(name);
}

bool lxText(xmlNodePtr n) { return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE; }

std::string lxPath(xmlNodePtr n) {
    if (n->type == XML_DOCUMENT_NODE) return "";
    if (n->type == XML_NAMESPACE_DECL) {
        xmlNsPtr ns = reinterpret_cast<xmlNsPtr>(n);
        return lxPath(reinterpret_cast<xmlNodePtr>(ns->next)) +
               "/namespace::" + (ns->prefix ? reinterpret_cast<const char*>(ns->prefix) : "");
    }
    if (n->type == XML_ATTRIBUTE_NODE) return lxPath(n->parent) + "/@" + lxQName(n->name, n->ns);
    int k = 1;
    for (xmlNodePtr s = n->prev; s; s = s->prev)
        if (lxText(n) ? lxText(s)
                      : s->type == n->type && (n->type == XML_COMMENT_NODE ||
                                               lxQName(s->name, s->ns) == lxQName(n->name, n->ns)))
            ++k;
    std::string step = n->type == XML_ELEMENT_NODE ? lxQName(n->name, n->ns)
                       : lxText(n)                 ? "text()"
                       : n->type == XML_COMMENT_NODE
                           ? "comment()"
                           : "processing-instruction('" + lxQName(n->name, nullptr) + "')";
    return lxPath(n->parent) + "/" + step + "[" + std::to_string(k) + "]";
}

bool ourText(ITOVELDOMNode* n) {
    return n->get_nodeType() == NODE_TEXT || n->get_nodeType() == NODE_CDATA_SECTION;
}

std::string ourPath(ITOVELDOMNode* n) {
    using Ref = CNodePtr<ITOVELDOMNode>;
    tagITOVELDOMNodeType type = n->get_nodeType();
    if (type == NODE_DOCUMENT) return "";
    if (type == NODE_ATTRIBUTE) {
        Ref owner = Ref::adopt(dynamic_cast<ITOVELDOMAttribute*>(n)->get_ownerElement());
        return ourPath(owner) + "/@" + n->get_nodeName();
    }
    int k = 1;
    for (Ref s = Ref::adopt(n->get_previousSibling()); s; s = Ref::adopt(s->get_previousSibling()))
        if (ourText(n)
                ? ourText(s)
                : s->get_nodeType() == type &&
                      (type == NODE_COMMENT || std::string(s->get_nodeName()) == n->get_nodeName()))
            ++k;
    std::string step = type == NODE_ELEMENT ? n->get_nodeName()
                       : ourText(n)         ? "text()"
                       : type == NODE_COMMENT
                           ? "comment()"
                           : std::string("processing-instruction('") + n->get_nodeName() + "')";
    return ourPath(Ref::adopt(n->get_parentNode())) + "/" + step + "[" + std::to_string(k) + "]";
}

// One element's attributes compared as a set: sorted within each run.
void sortAttributeRuns(std::vector<std::string>& paths) {
    auto owner = [](const std::string& p) { return p.substr(0, p.rfind("/@")); };
    for (size_t i = 0; i < paths.size();) {
        size_t j = i + 1;
        if (paths[i].find("/@") != std::string::npos)
            while (j < paths.size() && paths[j].find("/@") != std::string::npos &&
                   owner(paths[j]) == owner(paths[i]))
                ++j;
        std::sort(paths.begin() + long(i), paths.begin() + long(j));
        i = j;
    }
}

// --- one result each ------------------------------------------------------------------------

struct Outcome {
    std::string text; // "nodes: ..." or a typed scalar
    double number = 0;
    bool isNumber = false;
};

Outcome ofLibxml2(xmlXPathContextPtr ctx, const std::string& expr) {
    Outcome out;
    xmlXPathObjectPtr r =
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expr.c_str()), ctx);
    if (!r) return Outcome{"error"};
    switch (r->type) {
    case XPATH_NODESET: {
        std::vector<std::string> paths;
        for (int i = 0; r->nodesetval && i < r->nodesetval->nodeNr; ++i)
            paths.push_back(lxPath(r->nodesetval->nodeTab[i]));
        sortAttributeRuns(paths);
        out.text = "nodes:";
        for (const std::string& p : paths) out.text += " " + p;
        break;
    }
    case XPATH_BOOLEAN:
        out.text = r->boolval ? "true" : "false";
        break;
    case XPATH_NUMBER:
        out.isNumber = true;
        out.number = r->floatval;
        break;
    case XPATH_STRING:
        out.text = "'" + std::string(reinterpret_cast<char*>(r->stringval)) + "'";
        break;
    default:
        out.text = "other";
        break;
    }
    xmlXPathFreeObject(r);
    return out;
}

Outcome ofOurs(ITOVELDOMNode* doc, const std::string& expr) {
    Outcome out;
    TOVELXPathError error;
    TOVELXPathQuery* q = TOVELXPathCompile_7_4_0(expr.c_str(), kBindings, &error);
    TOVELXPathResult r;
    if (!q || !TOVELXPathEvaluate_7_4_0(q, doc, nullptr, 0, &r, &error)) {
        TOVELXPathFree_7_4_0(q);
        return Outcome{std::string("error: ") + error.message};
    }
    switch (r.type) {
    case TOVELXPATH_NODESET: {
        std::vector<std::string> paths;
        for (long i = 0; i < r.nodes->get_length(); ++i) {
            CNodePtr<ITOVELDOMNode> n = CNodePtr<ITOVELDOMNode>::adopt(r.nodes->get_item(i));
            paths.push_back(ourPath(n));
        }
        sortAttributeRuns(paths);
        out.text = "nodes:";
        for (const std::string& p : paths) out.text += " " + p;
        break;
    }
    case TOVELXPATH_BOOLEAN:
        out.text = r.boolean ? "true" : "false";
        break;
    case TOVELXPATH_NUMBER:
        out.isNumber = true;
        out.number = r.number;
        break;
    default:
        out.text = "'" + std::string(r.string) + "'";
        break;
    }
    TOVELXPathClearResult_7_4_0(&r);
    TOVELXPathFree_7_4_0(q);
    return out;
}

bool same(const Outcome& a, const Outcome& b) {
    if (a.isNumber != b.isNumber) return false;
    if (!a.isNumber) return a.text == b.text;
    if (std::isnan(a.number)) return std::isnan(b.number);
    return a.number == b.number && std::signbit(a.number) == std::signbit(b.number);
}

// Evaluates every expression both ways over text; returns how many were compared.
size_t compareAll(const std::string& text, const std::vector<std::string>& expressions) {
    xmlDocPtr lx = xmlReadMemory(text.data(), int(text.size()), "doc.xml", nullptr,
                                 XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET);
    EXPECT_NE(lx, nullptr);
    if (!lx) return 0;
    xmlXPathContextPtr ctx = xmlXPathNewContext(lx);
    for (const char* const* b = kBindings; *b; b += 2)
        xmlXPathRegisterNs(ctx, reinterpret_cast<const xmlChar*>(b[0]),
                           reinterpret_cast<const xmlChar*>(b[1]));
    CNodePtr<ITOVELDOMDocument> doc =
        CNodePtr<ITOVELDOMDocument>::adopt(createTOVELDOMDocument_7_4_0());
    doc->put_preserveWhiteSpace(true);
    doc->put_resolveExternals(true);
    try {
        doc->loadXML(text.data(), int(text.size()));
    } catch (const TOVELParseException& error) {
        ADD_FAILURE() << "not loaded: error " << error.getErrorCode() << " at "
                      << error.getOffset();
        return 0;
    }
    for (const std::string& e : expressions) {
        ctx->node = reinterpret_cast<xmlNodePtr>(lx);
        ctx->contextSize = ctx->proximityPosition = 1;
        Outcome theirs = ofLibxml2(ctx, e), ours = ofOurs(doc, e);
        EXPECT_TRUE(same(theirs, ours))
            << "MISMATCH " << e
            << " | libxml2: " << (theirs.isNumber ? std::to_string(theirs.number) : theirs.text)
            << " | ours: " << (ours.isNumber ? std::to_string(ours.number) : ours.text);
    }
    xmlXPathFreeContext(ctx);
    xmlFreeDoc(lx);
    std::printf("%zu expressions compared\n", expressions.size());
    return expressions.size();
}

std::vector<std::string> crossed(const char* const* contexts, size_t n) {
    std::vector<std::string> out;
    for (size_t c = 0; c < n; ++c)
        for (const char* axis : kAxes)
            for (const char* test : kTests) {
                std::string t = test;
                if (t[0] == '@') {
                    if (std::string(axis) != "attribute") continue;
                    t = t.substr(1);
                }
                if (std::string(axis) == "following" && std::strstr(contexts[c], "@")) continue;
                for (const char* suffix : kSuffixes) {
                    if (*suffix && std::string(axis) == "attribute") continue;
                    out.push_back(std::string(contexts[c]) + "/" + axis + "::" + t + suffix);
                }
            }
    return out;
}

TEST(XPathAgainstLibxml2, GeneratedDocument) {
    std::vector<std::string> all = crossed(kGeneratedContexts, std::size(kGeneratedContexts));
    for (const std::string& e : split(kGeneratedExtra)) all.push_back(e);
    size_t n = compareAll(kGenerated, all);
    RecordProperty("expressions", int(n));
    EXPECT_GT(n, 300u);
}

TEST(XPathAgainstLibxml2, FilesOfThisMachine) {
    const char* const kFiles[] = {"/usr/share/xml/iso-codes/iso_3166-1.xml",
                                  "/usr/share/dbus-1/interfaces/org.freedesktop.PackageKit.xml",
                                  "/usr/share/cmake-3.25/Templates/MSBuild/nasm.xml"};
    const char* const kContexts[] = {"(//*)[3]", "(//*)[last()]", "(//text())[9]",
                                     "(//*[count(@*) = 1])[3]/@*"};
    std::vector<std::string> common = crossed(kContexts, std::size(kContexts));
    for (const char* e : {"count(//*)", "count(//@*)", "count(//text())", "count(//comment())",
                          "string(//*[@*][7])", "count(//*[normalize-space(text()) != ''])"})
        common.push_back(e);
    size_t files = 0;
    for (const char* path : kFiles) {
        std::string text = readFile(path);
        if (text.empty()) continue;
        SCOPED_TRACE(path);
        compareAll(text, common);
        ++files;
    }
    std::string mime = readFile("/usr/share/mime/packages/freedesktop.org.xml");
    if (!mime.empty()) {
        SCOPED_TRACE("mime database");
        compareAll(mime, split(kMimeExpressions));
        ++files;
    }
    if (files == 0) GTEST_SKIP() << "none of the documents is on this machine";
}

} // namespace

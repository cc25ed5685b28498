// The core function library. Strings are UTF-8; lengths and positions count characters.
#include <cmath>
#include <cstring>
#include <limits>

#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Byte offsets of the characters of s, and s.size() at the end.
std::vector<size_t> characterStarts(std::string_view s) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < s.size(); ++i)
        if (!continuation(static_cast<unsigned char>(s[i]))) starts.push_back(i);
    starts.push_back(s.size());
    return starts;
}

// XPath's round: halves go up, -0.5 <= x < 0 gives negative zero.
double roundHalfUp(double x) {
    if (x == 0 || std::isnan(x) || std::isinf(x)) return x;
    if (x < 0 && x >= -0.5) return -0.0;
    return std::floor(x + 0.5);
}

std::string substring(const std::string& s, double start, double length, bool hasLength) {
    // The characters at positions p with round(start) <= p < round(start) + round(length).
    double first = roundHalfUp(start);
    double last = hasLength ? first + roundHalfUp(length) : std::numeric_limits<double>::infinity();
    if (std::isnan(first) || std::isnan(last)) return std::string();
    std::vector<size_t> starts = characterStarts(s);
    double from = std::max(first, 1.0);
    double to = std::min(last, double(starts.size()));
    if (!(from < to)) return std::string();
    size_t a = size_t(from) - 1, b = size_t(to) - 1;
    return s.substr(starts[a], starts[b] - starts[a]);
}

std::string normalizeSpace(const std::string& s) {
    std::string out;
    bool pending = false;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            pending = !out.empty();
            continue;
        }
        if (pending) out += ' ';
        pending = false;
        out += c;
    }
    return out;
}

std::string translate(const std::string& s, const std::string& from, const std::string& to) {
    auto chars = [](const std::string& t) {
        std::vector<std::string_view> out;
        std::vector<size_t> starts = characterStarts(t);
        for (size_t i = 0; i + 1 < starts.size(); ++i)
            out.push_back(std::string_view(t).substr(starts[i], starts[i + 1] - starts[i]));
        return out;
    };
    std::vector<std::string_view> f = chars(from), t = chars(to), in = chars(s);
    std::string out;
    for (std::string_view c : in) {
        size_t i = 0;
        while (i < f.size() && f[i] != c) ++i;
        if (i == f.size())
            out += c;
        else if (i < t.size())
            out += t[i];
    }
    return out;
}

const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

bool langMatches(const XNode& start, const std::string& wanted) {
    XNode at = start;
    if (tree::kindOf(at) != Kind::Element) {
        ITOVELDOMNode* p = tree::parentOf(at);
        if (!p) return false;
        at = XNode{p};
    }
    for (ITOVELDOMNode* e = at.node; e; e = tree::parentOf(e)) {
        if (tree::kindOf(e) != Kind::Element) continue;
        std::vector<ITOVELDOMNode*> attrs;
        tree::attributes(e, attrs);
        for (ITOVELDOMNode* a : attrs) {
            XNode an{a};
            if (tree::localNameOf(an) != "lang" ||
                std::strcmp(tree::namespaceURIOf(an), kXmlNamespace) != 0)
                continue;
            std::string value = tree::stringValue(an);
            if (value.size() < wanted.size()) return false;
            for (size_t i = 0; i < wanted.size(); ++i)
                if (std::tolower(static_cast<unsigned char>(value[i])) !=
                    std::tolower(static_cast<unsigned char>(wanted[i])))
                    return false;
            return value.size() == wanted.size() || value[wanted.size()] == '-';
        }
    }
    return false;
}

// The node a name function asks about: the argument's first node, or the context node.
bool subject(const Expr& e, const Context& c, XNode& out) {
    if (e.args.empty()) {
        out = c.node;
        return true;
    }
    Value v = evaluate(*e.args[0], c);
    if (v.type != Type::NodeSet)
        fail(TOVELXPATH_NODESET_EXPECTED, e.args[0]->offset,
             "a node-set is expected as the argument");
    if (v.nodes.empty()) return false;
    out = v.nodes[0];
    return true;
}

std::string argString(const Expr& e, size_t i, const Context& c) {
    return evaluateString(*e.args[i], c);
}

std::string contextString(const Expr& e, const Context& c) {
    return e.args.empty() ? tree::stringValue(c.node) : argString(e, 0, c);
}

} // namespace

size_t utf8Length(std::string_view s) {
    size_t n = 0;
    for (char ch : s) n += !continuation(static_cast<unsigned char>(ch));
    return n;
}

Value callFunction(const Expr& e, const Context& c) {
    switch (e.fn) {
    case Fn::Last:
        return Value::ofNumber(double(c.size));
    case Fn::Position:
        return Value::ofNumber(double(c.position));
    case Fn::Count: {
        Value v = evaluate(*e.args[0], c);
        if (v.type != Type::NodeSet)
            fail(TOVELXPATH_NODESET_EXPECTED, e.args[0]->offset,
                 "a node-set is expected as the argument of count()");
        return Value::ofNumber(double(v.nodes.size()));
    }
    case Fn::Id: {
        // The tree keeps no attribute types: no attribute is known to be an ID.
        evaluate(*e.args[0], c);
        return Value();
    }
    case Fn::LocalName: {
        XNode n;
        if (!subject(e, c, n)) return Value::ofString("");
        return Value::ofString(std::string(tree::localNameOf(n)));
    }
    case Fn::NamespaceUri: {
        XNode n;
        if (!subject(e, c, n)) return Value::ofString("");
        return Value::ofString(tree::namespaceURIOf(n));
    }
    case Fn::Name: {
        XNode n;
        if (!subject(e, c, n)) return Value::ofString("");
        return Value::ofString(tree::qualifiedNameOf(n));
    }
    case Fn::String:
        return Value::ofString(contextString(e, c));
    case Fn::Concat: {
        std::string out;
        for (const ExprPtr& a : e.args) out += evaluateString(*a, c);
        return Value::ofString(std::move(out));
    }
    case Fn::StartsWith:
    case Fn::Contains: {
        // Views, not copies: these two decide most predicates that test text.
        std::string a, b;
        std::string_view s = evaluateStringView(*e.args[0], c, a);
        std::string_view p = evaluateStringView(*e.args[1], c, b);
        if (e.fn == Fn::StartsWith) return Value::ofBool(s.substr(0, p.size()) == p);
        return Value::ofBool(s.find(p) != std::string_view::npos);
    }
    case Fn::SubstringBefore: {
        std::string s = argString(e, 0, c), p = argString(e, 1, c);
        size_t at = s.find(p);
        return Value::ofString(at == std::string::npos ? std::string() : s.substr(0, at));
    }
    case Fn::SubstringAfter: {
        std::string s = argString(e, 0, c), p = argString(e, 1, c);
        size_t at = s.find(p);
        return Value::ofString(at == std::string::npos ? std::string() : s.substr(at + p.size()));
    }
    case Fn::Substring: {
        std::string s = argString(e, 0, c);
        double start = evaluateNumber(*e.args[1], c);
        bool hasLength = e.args.size() == 3;
        double length = hasLength ? evaluateNumber(*e.args[2], c) : 0;
        return Value::ofString(substring(s, start, length, hasLength));
    }
    case Fn::StringLength:
        return Value::ofNumber(double(utf8Length(contextString(e, c))));
    case Fn::NormalizeSpace:
        return Value::ofString(normalizeSpace(contextString(e, c)));
    case Fn::Translate:
        return Value::ofString(
            translate(argString(e, 0, c), argString(e, 1, c), argString(e, 2, c)));
    case Fn::Boolean:
        return Value::ofBool(evaluateBoolean(*e.args[0], c));
    case Fn::Not:
        return Value::ofBool(!evaluateBoolean(*e.args[0], c));
    case Fn::True:
        return Value::ofBool(true);
    case Fn::False:
        return Value::ofBool(false);
    case Fn::Lang:
        return Value::ofBool(langMatches(c.node, argString(e, 0, c)));
    case Fn::Number:
        return Value::ofNumber(e.args.empty() ? stringToNumber(tree::stringValue(c.node))
                                              : evaluateNumber(*e.args[0], c));
    case Fn::Sum: {
        Value v = evaluate(*e.args[0], c);
        if (v.type != Type::NodeSet)
            fail(TOVELXPATH_NODESET_EXPECTED, e.args[0]->offset,
                 "a node-set is expected as the argument of sum()");
        double total = 0;
        std::string s;
        for (const XNode& n : v.nodes) {
            s.clear();
            tree::appendStringValue(n, s);
            total += stringToNumber(s);
        }
        return Value::ofNumber(total);
    }
    case Fn::Floor:
        return Value::ofNumber(std::floor(evaluateNumber(*e.args[0], c)));
    case Fn::Ceiling:
        return Value::ofNumber(std::ceil(evaluateNumber(*e.args[0], c)));
    case Fn::Round:
        return Value::ofNumber(roundHalfUp(evaluateNumber(*e.args[0], c)));
    }
    return Value();
}

} // namespace xpath
} // namespace LUMA_7_4_0

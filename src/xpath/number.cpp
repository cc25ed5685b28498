// Numbers to and from strings the way XPath reads and writes them: no exponent, no
// locale, no leading '+'; the shortest digits that give the same double back.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

namespace {
bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
} // namespace

double stringToNumber(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && space(s[b])) ++b;
    while (e > b && space(s[e - 1])) --e;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (b == e) return nan;
    size_t i = b;
    if (s[i] == '-') ++i;
    size_t digits = 0;
    while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < e && s[i] == '.') {
        ++i;
        while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (i != e || digits == 0) return nan;
    double value = 0;
    // from_chars takes no '-' before ".5", so the sign is applied here.
    size_t start = s[b] == '-' ? b + 1 : b;
    auto r = std::from_chars(s.data() + start, s.data() + e, value, std::chars_format::fixed);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: from_chars leaves the value alone.
        std::string copy(s.substr(start, e - start));
        value = std::strtod(copy.c_str(), nullptr);
    }
    return s[b] == '-' ? -value : value;
}

std::string numberToString(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    if (d == 0) return "0"; // negative zero too
    if (std::fabs(d) < 1e15 && d == std::floor(d)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f", d);
        return buffer;
    }
    // Shortest round-trip digits in scientific form, then written out in full.
    char sci[64];
    auto r = std::to_chars(sci, sci + sizeof sci, d, std::chars_format::scientific);
    std::string text(sci, r.ptr);
    std::string out;
    size_t at = 0;
    if (text[0] == '-') {
        out += '-';
        at = 1;
    }
    size_t ePos = text.find('e');
    int exponent = std::atoi(text.c_str() + ePos + 1);
    std::string digits;
    for (size_t i = at; i < ePos; ++i)
        if (text[i] != '.') digits += text[i];
    // digits d0 d1 d2 ... with the point after d0, moved by exponent.
    int pointAfter = 1 + exponent;
    if (pointAfter <= 0) {
        out += "0.";
        out.append(size_t(-pointAfter), '0');
        out += digits;
    } else if (size_t(pointAfter) >= digits.size()) {
        out += digits;
        out.append(size_t(pointAfter) - digits.size(), '0');
    } else {
        out += digits.substr(0, size_t(pointAfter));
        out += '.';
        out += digits.substr(size_t(pointAfter));
    }
    return out;
}

bool toBoolean(const Value& v) {
    switch (v.type) {
    case Type::Boolean:
        return v.boolean;
    case Type::Number:
        return v.number != 0 && !std::isnan(v.number);
    case Type::String:
        return !v.string.empty();
    default:
        return !v.nodes.empty();
    }
}

double toNumber(const Value& v) {
    switch (v.type) {
    case Type::Boolean:
        return v.boolean ? 1 : 0;
    case Type::Number:
        return v.number;
    case Type::String:
        return stringToNumber(v.string);
    default:
        return v.nodes.empty() ? std::numeric_limits<double>::quiet_NaN()
                               : stringToNumber(tree::stringValue(v.nodes[0]));
    }
}

std::string toString(const Value& v) {
    switch (v.type) {
    case Type::Boolean:
        return v.boolean ? "true" : "false";
    case Type::Number:
        return numberToString(v.number);
    case Type::String:
        return v.string;
    default:
        return v.nodes.empty() ? std::string() : tree::stringValue(v.nodes[0]);
    }
}

} // namespace xpath
} // namespace LUMA_7_4_0

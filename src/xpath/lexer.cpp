#include "xpath/lexer.h"

#include <charconv>

#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

namespace {

// Bytes past ASCII count as name characters: the UTF-8 of a non-ASCII name is never an
// operator, and which code points XML allows is the parser's business, not ours.
bool nameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool nameChar(unsigned char c) {
    return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}
bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// Whether a token before '*' or a name makes it an operator: anything but nothing, '@',
// '::', '(', '[', ',' and the operators themselves.
bool operatorFollows(const std::vector<Token>& out) {
    if (out.empty()) return false;
    switch (out.back().kind) {
    case Tok::At:
    case Tok::ColonColon:
    case Tok::LParen:
    case Tok::LBracket:
    case Tok::Comma:
    case Tok::And:
    case Tok::Or:
    case Tok::Mod:
    case Tok::Div:
    case Tok::Multiply:
    case Tok::Slash:
    case Tok::SlashSlash:
    case Tok::Pipe:
    case Tok::Plus:
    case Tok::Minus:
    case Tok::Eq:
    case Tok::Ne:
    case Tok::Lt:
    case Tok::Le:
    case Tok::Gt:
    case Tok::Ge:
        return false;
    default:
        return true;
    }
}

} // namespace

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> out;
    size_t i = 0;
    const size_t n = s.size();
    auto skip = [&](size_t at) {
        while (at < n && space(s[at])) ++at;
        return at;
    };
    auto add = [&](Tok kind, size_t at, std::string text = std::string()) {
        out.push_back(Token{kind, long(at), std::move(text)});
    };
    auto ncname = [&](size_t at) {
        while (at < n && nameChar(static_cast<unsigned char>(s[at]))) ++at;
        return at;
    };
    for (;;) {
        i = skip(i);
        if (i >= n) break;
        const size_t start = i;
        const char c = s[i];
        const char next = i + 1 < n ? s[i + 1] : 0;
        switch (c) {
        case '(':
            add(Tok::LParen, i++);
            continue;
        case ')':
            add(Tok::RParen, i++);
            continue;
        case '[':
            add(Tok::LBracket, i++);
            continue;
        case ']':
            add(Tok::RBracket, i++);
            continue;
        case '@':
            add(Tok::At, i++);
            continue;
        case ',':
            add(Tok::Comma, i++);
            continue;
        case '|':
            add(Tok::Pipe, i++);
            continue;
        case '+':
            add(Tok::Plus, i++);
            continue;
        case '-':
            add(Tok::Minus, i++);
            continue;
        case '=':
            add(Tok::Eq, i++);
            continue;
        case '/':
            if (next == '/')
                add(Tok::SlashSlash, i), i += 2;
            else
                add(Tok::Slash, i++);
            continue;
        case ':':
            if (next == ':') {
                add(Tok::ColonColon, i);
                i += 2;
                continue;
            }
            fail(TOVELXPATH_SYNTAX, long(i), "unexpected ':'");
        case '!':
            if (next == '=') {
                add(Tok::Ne, i);
                i += 2;
                continue;
            }
            fail(TOVELXPATH_SYNTAX, long(i), "expected '=' after '!'");
        case '<':
            if (next == '=')
                add(Tok::Le, i), i += 2;
            else
                add(Tok::Lt, i++);
            continue;
        case '>':
            if (next == '=')
                add(Tok::Ge, i), i += 2;
            else
                add(Tok::Gt, i++);
            continue;
        case '"':
        case '\'': {
            size_t end = s.find(c, i + 1);
            if (end == std::string_view::npos)
                fail(TOVELXPATH_SYNTAX, long(i), "string literal without its closing quote");
            add(Tok::Literal, i, std::string(s.substr(i + 1, end - i - 1)));
            i = end + 1;
            continue;
        }
        case '*':
            add(operatorFollows(out) ? Tok::Multiply : Tok::NameTest, i++, "*");
            continue;
        case '$': {
            size_t end = i + 1;
            if (end >= n || !nameStart(static_cast<unsigned char>(s[end])))
                fail(TOVELXPATH_SYNTAX, long(end), "expected a variable name after '$'");
            end = ncname(end);
            if (end + 1 < n && s[end] == ':' && nameStart(static_cast<unsigned char>(s[end + 1])))
                end = ncname(end + 1);
            add(Tok::Variable, i, std::string(s.substr(i + 1, end - i - 1)));
            i = end;
            continue;
        }
        default:
            break;
        }
        if (c == '.' && !digit(next)) {
            if (next == '.')
                add(Tok::DotDot, i), i += 2;
            else
                add(Tok::Dot, i++);
            continue;
        }
        if (digit(c) || c == '.') {
            size_t end = i;
            while (end < n && digit(s[end])) ++end;
            if (end < n && s[end] == '.') {
                ++end;
                while (end < n && digit(s[end])) ++end;
            }
            Token t{Tok::Number, long(start), std::string(s.substr(start, end - start))};
            t.number = stringToNumber(t.text);
            out.push_back(std::move(t));
            i = end;
            continue;
        }
        if (!nameStart(static_cast<unsigned char>(c)))
            fail(TOVELXPATH_SYNTAX, long(i), std::string("unexpected character '") + c + "'");

        size_t end = ncname(i);
        std::string name(s.substr(i, end - i));
        if (operatorFollows(out)) {
            Tok op = name == "and"   ? Tok::And
                     : name == "or"  ? Tok::Or
                     : name == "mod" ? Tok::Mod
                     : name == "div" ? Tok::Div
                                     : Tok::End;
            if (op == Tok::End)
                fail(TOVELXPATH_SYNTAX, long(i),
                     "expected an operator ('and', 'or', 'mod', 'div', ...) before '" + name + "'");
            add(op, i);
            i = end;
            continue;
        }
        size_t after = skip(end);
        if (after + 1 < n && s[after] == ':' && s[after + 1] == ':') {
            add(Tok::AxisName, i, name);
            i = end;
            continue;
        }
        // prefix:name or prefix:*
        if (end < n && s[end] == ':' && end + 1 < n) {
            if (s[end + 1] == '*') {
                add(Tok::NameTest, i, name + ":*");
                i = end + 2;
                continue;
            }
            if (nameStart(static_cast<unsigned char>(s[end + 1]))) {
                end = ncname(end + 1);
                name = std::string(s.substr(i, end - i));
            }
        }
        after = skip(end);
        if (after < n && s[after] == '(') {
            bool nodeType = name == "comment" || name == "text" || name == "node" ||
                            name == "processing-instruction";
            add(nodeType ? Tok::NodeType : Tok::FunctionName, i, name);
        } else {
            add(Tok::NameTest, i, name);
        }
        i = end;
    }
    add(Tok::End, n);
    return out;
}

const char* describe(Tok kind) {
    switch (kind) {
    case Tok::End:
        return "the end of the expression";
    case Tok::LParen:
        return "'('";
    case Tok::RParen:
        return "')'";
    case Tok::LBracket:
        return "'['";
    case Tok::RBracket:
        return "']'";
    case Tok::Dot:
        return "'.'";
    case Tok::DotDot:
        return "'..'";
    case Tok::At:
        return "'@'";
    case Tok::Comma:
        return "','";
    case Tok::ColonColon:
        return "'::'";
    case Tok::Slash:
        return "'/'";
    case Tok::SlashSlash:
        return "'//'";
    case Tok::Pipe:
        return "'|'";
    case Tok::Plus:
        return "'+'";
    case Tok::Minus:
        return "'-'";
    case Tok::Eq:
        return "'='";
    case Tok::Ne:
        return "'!='";
    case Tok::Lt:
        return "'<'";
    case Tok::Le:
        return "'<='";
    case Tok::Gt:
        return "'>'";
    case Tok::Ge:
        return "'>='";
    case Tok::Multiply:
        return "'*'";
    case Tok::And:
        return "'and'";
    case Tok::Or:
        return "'or'";
    case Tok::Mod:
        return "'mod'";
    case Tok::Div:
        return "'div'";
    case Tok::Literal:
        return "a string literal";
    case Tok::Number:
        return "a number";
    case Tok::Variable:
        return "a variable";
    case Tok::NameTest:
        return "a name";
    case Tok::FunctionName:
        return "a function call";
    case Tok::NodeType:
        return "a node type test";
    case Tok::AxisName:
        return "an axis name";
    }
    return "a token";
}

} // namespace xpath
} // namespace LUMA_7_4_0

// Tokens of an expression, with the rules that tell an operator name or '*' from a name
// test already applied: the parser never has to look back.
#ifndef TOVELDOM_SRC_XPATH_LEXER_H
#define TOVELDOM_SRC_XPATH_LEXER_H

#include <string>
#include <string_view>
#include <vector>

namespace LUMA_7_4_0 {
namespace xpath {

enum class Tok : unsigned char {
    End,
    LParen,
    RParen,
    LBracket,
    RBracket,
    Dot,
    DotDot,
    At,
    Comma,
    ColonColon,
    Slash,
    SlashSlash,
    Pipe,
    Plus,
    Minus,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Multiply, // '*' as an operator
    And,
    Or,
    Mod,
    Div,
    Literal,
    Number,
    Variable,     // text: the QName after '$'
    NameTest,     // text: "*", "prefix:*", "name" or "prefix:name"
    FunctionName, // a QName followed by '(' that is not a node type
    NodeType,     // comment, text, processing-instruction, node (followed by '(')
    AxisName,     // followed by '::'
};

struct Token {
    Tok kind;
    long offset;
    std::string text;
    double number = 0;
};

// Throws Error (TOVELXPATH_SYNTAX) at the first character that starts no token.
std::vector<Token> tokenize(std::string_view text);
const char* describe(Tok kind);

} // namespace xpath
} // namespace LUMA_7_4_0

#endif

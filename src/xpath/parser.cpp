// Recursive descent over the tokens, one function per level of the grammar's operator
// precedence. Names are resolved here, once: prefixes to URIs, function names to their
// entries, so that evaluation never looks anything up by text.
#include <cstring>

#include "xpath/lexer.h"
#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

namespace {

const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

struct FunctionInfo {
    const char* name;
    Fn fn;
    int minArgs, maxArgs; // maxArgs -1: any number
    Type result;
};

const FunctionInfo kFunctions[] = {
    {"last", Fn::Last, 0, 0, Type::Number},
    {"position", Fn::Position, 0, 0, Type::Number},
    {"count", Fn::Count, 1, 1, Type::Number},
    {"id", Fn::Id, 1, 1, Type::NodeSet},
    {"local-name", Fn::LocalName, 0, 1, Type::String},
    {"namespace-uri", Fn::NamespaceUri, 0, 1, Type::String},
    {"name", Fn::Name, 0, 1, Type::String},
    {"string", Fn::String, 0, 1, Type::String},
    {"concat", Fn::Concat, 2, -1, Type::String},
    {"starts-with", Fn::StartsWith, 2, 2, Type::Boolean},
    {"contains", Fn::Contains, 2, 2, Type::Boolean},
    {"substring-before", Fn::SubstringBefore, 2, 2, Type::String},
    {"substring-after", Fn::SubstringAfter, 2, 2, Type::String},
    {"substring", Fn::Substring, 2, 3, Type::String},
    {"string-length", Fn::StringLength, 0, 1, Type::Number},
    {"normalize-space", Fn::NormalizeSpace, 0, 1, Type::String},
    {"translate", Fn::Translate, 3, 3, Type::String},
    {"boolean", Fn::Boolean, 1, 1, Type::Boolean},
    {"not", Fn::Not, 1, 1, Type::Boolean},
    {"true", Fn::True, 0, 0, Type::Boolean},
    {"false", Fn::False, 0, 0, Type::Boolean},
    {"lang", Fn::Lang, 1, 1, Type::Boolean},
    {"number", Fn::Number, 0, 1, Type::Number},
    {"sum", Fn::Sum, 1, 1, Type::Number},
    {"floor", Fn::Floor, 1, 1, Type::Number},
    {"ceiling", Fn::Ceiling, 1, 1, Type::Number},
    {"round", Fn::Round, 1, 1, Type::Number},
};

struct AxisInfo {
    const char* name;
    Axis axis;
};

const AxisInfo kAxes[] = {
    {"ancestor", Axis::Ancestor},
    {"ancestor-or-self", Axis::AncestorOrSelf},
    {"attribute", Axis::Attribute},
    {"child", Axis::Child},
    {"descendant", Axis::Descendant},
    {"descendant-or-self", Axis::DescendantOrSelf},
    {"following", Axis::Following},
    {"following-sibling", Axis::FollowingSibling},
    {"namespace", Axis::Namespace},
    {"parent", Axis::Parent},
    {"preceding", Axis::Preceding},
    {"preceding-sibling", Axis::PrecedingSibling},
    {"self", Axis::Self},
};

// A predicate that may depend on where its node stands among the others: a number, or
// anything that asks for position() or last(), or whose type is only known at run time.
bool positional(const Expr& predicate) {
    return predicate.usesPosition || predicate.usesLast || predicate.type == Type::Number ||
           predicate.type == Type::Unknown;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, const std::vector<Binding>& bindings)
        : tokens(std::move(tokens)), bindings(bindings) {}

    ExprPtr parseAll() {
        ExprPtr e = parseOr();
        if (peek().kind != Tok::End) {
            if (peek().kind == Tok::RParen || peek().kind == Tok::RBracket)
                fail(TOVELXPATH_SYNTAX, peek().offset,
                     std::string("unexpected ") + describe(peek().kind) + " without its opening");
            expected("an operator or the end of the expression");
        }
        return e;
    }

private:
    std::vector<Token> tokens;
    const std::vector<Binding>& bindings;
    size_t at = 0;

    const Token& peek(size_t ahead = 0) const {
        size_t i = at + ahead;
        return tokens[i < tokens.size() ? i : tokens.size() - 1];
    }
    const Token& take() { return tokens[at < tokens.size() - 1 ? at++ : at]; }
    bool accept(Tok kind) {
        if (peek().kind != kind) return false;
        ++at;
        return true;
    }
    [[noreturn]] void expected(const std::string& what) {
        fail(TOVELXPATH_SYNTAX, peek().offset,
             "expected " + what + ", found " + describe(peek().kind));
    }
    void expect(Tok kind, const char* context) {
        if (!accept(kind)) expected(std::string(describe(kind)) + " " + context);
    }

    static ExprPtr node(Op op, long offset, Type type) {
        ExprPtr e(new Expr(op, offset));
        e->type = type;
        return e;
    }
    static ExprPtr binary(Op op, long offset, ExprPtr left, ExprPtr right, Type type) {
        ExprPtr e = node(op, offset, type);
        e->usesPosition = left->usesPosition || right->usesPosition;
        e->usesLast = left->usesLast || right->usesLast;
        e->args.push_back(std::move(left));
        e->args.push_back(std::move(right));
        return e;
    }

    const std::string& uriOf(const std::string& prefix, long offset) {
        static const std::string xml = kXmlNamespace;
        if (prefix == "xml") return xml;
        for (const Binding& b : bindings)
            if (b.prefix == prefix) return b.uri;
        fail(TOVELXPATH_UNBOUND_PREFIX, offset, "the prefix '" + prefix + "' is not bound");
    }

    ExprPtr parseOr() {
        ExprPtr e = parseAnd();
        while (peek().kind == Tok::Or) {
            long offset = take().offset;
            e = binary(Op::Or, offset, std::move(e), parseAnd(), Type::Boolean);
        }
        return e;
    }
    ExprPtr parseAnd() {
        ExprPtr e = parseEquality();
        while (peek().kind == Tok::And) {
            long offset = take().offset;
            e = binary(Op::And, offset, std::move(e), parseEquality(), Type::Boolean);
        }
        return e;
    }
    ExprPtr parseEquality() {
        ExprPtr e = parseRelational();
        for (;;) {
            Tok k = peek().kind;
            if (k != Tok::Eq && k != Tok::Ne) return e;
            long offset = take().offset;
            e = binary(k == Tok::Eq ? Op::Eq : Op::Ne, offset, std::move(e), parseRelational(),
                       Type::Boolean);
        }
    }
    ExprPtr parseRelational() {
        ExprPtr e = parseAdditive();
        for (;;) {
            Tok k = peek().kind;
            Op op;
            if (k == Tok::Lt)
                op = Op::Lt;
            else if (k == Tok::Le)
                op = Op::Le;
            else if (k == Tok::Gt)
                op = Op::Gt;
            else if (k == Tok::Ge)
                op = Op::Ge;
            else
                return e;
            long offset = take().offset;
            e = binary(op, offset, std::move(e), parseAdditive(), Type::Boolean);
        }
    }
    ExprPtr parseAdditive() {
        ExprPtr e = parseMultiplicative();
        for (;;) {
            Tok k = peek().kind;
            if (k != Tok::Plus && k != Tok::Minus) return e;
            long offset = take().offset;
            e = binary(k == Tok::Plus ? Op::Add : Op::Sub, offset, std::move(e),
                       parseMultiplicative(), Type::Number);
        }
    }
    ExprPtr parseMultiplicative() {
        ExprPtr e = parseUnary();
        for (;;) {
            Tok k = peek().kind;
            Op op;
            if (k == Tok::Multiply)
                op = Op::Mul;
            else if (k == Tok::Div)
                op = Op::Div;
            else if (k == Tok::Mod)
                op = Op::Mod;
            else
                return e;
            long offset = take().offset;
            e = binary(op, offset, std::move(e), parseUnary(), Type::Number);
        }
    }
    ExprPtr parseUnary() {
        if (peek().kind != Tok::Minus) return parseUnion();
        long offset = take().offset;
        ExprPtr operand = parseUnary();
        ExprPtr e = node(Op::Neg, offset, Type::Number);
        e->usesPosition = operand->usesPosition;
        e->usesLast = operand->usesLast;
        e->args.push_back(std::move(operand));
        return e;
    }
    void requireNodeSet(const Expr& e, const char* what) {
        if (e.type != Type::NodeSet && e.type != Type::Unknown)
            fail(TOVELXPATH_NODESET_EXPECTED, e.offset,
                 std::string("a node-set is expected ") + what);
    }
    ExprPtr parseUnion() {
        ExprPtr e = parsePath();
        while (peek().kind == Tok::Pipe) {
            long offset = take().offset;
            ExprPtr right = parsePath();
            requireNodeSet(*e, "on each side of '|'");
            requireNodeSet(*right, "on each side of '|'");
            e = binary(Op::Union, offset, std::move(e), std::move(right), Type::NodeSet);
        }
        return e;
    }

    static bool startsStep(Tok k) {
        return k == Tok::NameTest || k == Tok::NodeType || k == Tok::At || k == Tok::Dot ||
               k == Tok::DotDot || k == Tok::AxisName;
    }

    ExprPtr parsePath() {
        const Token& t = peek();
        if (t.kind == Tok::Variable || t.kind == Tok::LParen || t.kind == Tok::Literal ||
            t.kind == Tok::Number || t.kind == Tok::FunctionName) {
            ExprPtr primary = parsePrimary();
            std::vector<ExprPtr> predicates;
            while (peek().kind == Tok::LBracket) predicates.push_back(parsePredicate());
            if (predicates.empty() && peek().kind != Tok::Slash && peek().kind != Tok::SlashSlash)
                return primary;
            requireNodeSet(*primary, predicates.empty() ? "before '/'" : "before a predicate");
            ExprPtr path = node(Op::Path, primary->offset, Type::NodeSet);
            path->usesPosition = primary->usesPosition;
            path->usesLast = primary->usesLast;
            path->filter = std::move(primary);
            path->filterPredicates = std::move(predicates);
            if (peek().kind == Tok::Slash || peek().kind == Tok::SlashSlash)
                parseRelative(*path, true);
            finish(*path);
            return path;
        }
        ExprPtr path = node(Op::Path, t.offset, Type::NodeSet);
        if (t.kind == Tok::Slash) {
            take();
            path->absolute = true;
            if (startsStep(peek().kind)) parseRelative(*path, false);
        } else if (t.kind == Tok::SlashSlash) {
            path->absolute = true;
            parseRelative(*path, true);
        } else if (startsStep(t.kind)) {
            parseRelative(*path, false);
        } else {
            expected("a location step or an expression");
        }
        finish(*path);
        return path;
    }

    // Steps until no '/' or '//' follows; afterSeparator: a separator comes first.
    void parseRelative(Expr& path, bool separatorFirst) {
        if (!separatorFirst) path.steps.push_back(parseStep());
        for (;;) {
            if (accept(Tok::Slash)) {
            } else if (accept(Tok::SlashSlash)) {
                Step any;
                any.axis = Axis::DescendantOrSelf;
                path.steps.push_back(std::move(any));
            } else {
                return;
            }
            if (!startsStep(peek().kind)) expected("a location step after '/'");
            path.steps.push_back(parseStep());
        }
    }

    Step parseStep() {
        Step step;
        if (accept(Tok::Dot)) {
            step.axis = Axis::Self;
            return step;
        }
        if (accept(Tok::DotDot)) {
            step.axis = Axis::Parent;
            return step;
        }
        if (peek().kind == Tok::AxisName) {
            const Token& name = take();
            bool found = false;
            for (const AxisInfo& a : kAxes)
                if (name.text == a.name) {
                    step.axis = a.axis;
                    found = true;
                }
            if (!found) fail(TOVELXPATH_SYNTAX, name.offset, "unknown axis '" + name.text + "'");
            expect(Tok::ColonColon, "after the axis name");
        } else if (accept(Tok::At)) {
            step.axis = Axis::Attribute;
        }
        const Token& t = peek();
        if (t.kind == Tok::NameTest) {
            take();
            const std::string& name = t.text;
            size_t colon = name.find(':');
            if (name == "*") {
                step.test.kind = NodeTest::AnyName;
            } else if (colon != std::string::npos) {
                step.test.uri = uriOf(name.substr(0, colon), t.offset);
                if (name.compare(colon + 1, std::string::npos, "*") == 0) {
                    step.test.kind = NodeTest::AnyInNamespace;
                } else {
                    step.test.kind = NodeTest::Name;
                    step.test.local = name.substr(colon + 1);
                }
            } else {
                step.test.kind = NodeTest::Name;
                step.test.local = name;
            }
        } else if (t.kind == Tok::NodeType) {
            take();
            expect(Tok::LParen, "after the node type");
            if (t.text == "node")
                step.test.kind = NodeTest::AnyNode;
            else if (t.text == "text")
                step.test.kind = NodeTest::Text;
            else if (t.text == "comment")
                step.test.kind = NodeTest::Comment;
            else {
                step.test.kind = NodeTest::PI;
                if (peek().kind == Tok::Literal) {
                    step.test.local = take().text;
                    step.test.hasLiteral = true;
                }
            }
            expect(Tok::RParen, "to close the node type test");
        } else {
            expected("a node test (a name, '*' or a node type)");
        }
        while (peek().kind == Tok::LBracket) step.predicates.push_back(parsePredicate());
        return step;
    }

    ExprPtr parsePredicate() {
        expect(Tok::LBracket, "");
        ExprPtr e = parseOr();
        expect(Tok::RBracket, "after the predicate");
        return e;
    }

    ExprPtr parsePrimary() {
        const Token& t = take();
        switch (t.kind) {
        case Tok::Variable: {
            ExprPtr e = node(Op::Variable, t.offset, Type::Unknown);
            e->text = t.text;
            return e;
        }
        case Tok::Literal: {
            ExprPtr e = node(Op::Literal, t.offset, Type::String);
            e->text = t.text;
            return e;
        }
        case Tok::Number: {
            ExprPtr e = node(Op::Number, t.offset, Type::Number);
            e->number = t.number;
            return e;
        }
        case Tok::LParen: {
            ExprPtr e = parseOr();
            expect(Tok::RParen, "to close the parenthesis");
            return e;
        }
        default:
            return parseCall(t);
        }
    }

    ExprPtr parseCall(const Token& name) {
        const FunctionInfo* info = nullptr;
        for (const FunctionInfo& f : kFunctions)
            if (name.text == f.name) info = &f;
        if (!info)
            fail(TOVELXPATH_UNKNOWN_FUNCTION, name.offset, "unknown function '" + name.text + "'");
        ExprPtr e = node(Op::Function, name.offset, info->result);
        e->fn = info->fn;
        expect(Tok::LParen, "after the function name");
        if (!accept(Tok::RParen)) {
            for (;;) {
                ExprPtr arg = parseOr();
                e->usesPosition = e->usesPosition || arg->usesPosition;
                e->usesLast = e->usesLast || arg->usesLast;
                e->args.push_back(std::move(arg));
                if (accept(Tok::RParen)) break;
                if (!accept(Tok::Comma))
                    expected("',' or ')' in the arguments of " + name.text + "()");
            }
        }
        int n = int(e->args.size());
        if (n < info->minArgs || (info->maxArgs >= 0 && n > info->maxArgs)) {
            std::string want = info->minArgs == info->maxArgs ? std::to_string(info->minArgs)
                               : info->maxArgs < 0 ? "at least " + std::to_string(info->minArgs)
                                                   : std::to_string(info->minArgs) + " or " +
                                                         std::to_string(info->maxArgs);
            fail(TOVELXPATH_ARGUMENT_COUNT, name.offset,
                 name.text + "() takes " + want + " argument" + (want == "1" ? "" : "s") +
                     ", not " + std::to_string(n));
        }
        switch (info->fn) {
        case Fn::Position:
            e->usesPosition = true;
            break;
        case Fn::Last:
            e->usesLast = true;
            break;
        case Fn::Count:
        case Fn::Sum:
        case Fn::LocalName:
        case Fn::NamespaceUri:
        case Fn::Name:
            if (n == 1)
                requireNodeSet(*e->args[0], ("as the argument of " + name.text + "()").c_str());
            break;
        default:
            break;
        }
        return e;
    }

    // Joins descendant-or-self::node() with the step after it where that changes nothing but
    // the work: '//x[...]' as one walk of the descendants when no predicate counts
    // positions, '//@x' as the attributes of each element of one walk.
    static void finish(Expr& path) {
        std::vector<Step>& steps = path.steps;
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            Step& any = steps[i];
            Step& next = steps[i + 1];
            if (any.axis != Axis::DescendantOrSelf || any.test.kind != NodeTest::AnyNode ||
                !any.predicates.empty())
                continue;
            if (next.axis == Axis::Child) {
                bool free = true;
                for (const ExprPtr& p : next.predicates) free = free && !positional(*p);
                if (!free) continue;
                next.axis = Axis::Descendant;
            } else if (next.axis == Axis::Attribute) {
                next.axis = Axis::DescendantAttribute;
            } else {
                continue;
            }
            steps.erase(steps.begin() + long(i));
        }
        for (Step& s : steps) {
            s.streamFirst = !s.predicates.empty() && !s.predicates[0]->usesLast;
            for (const ExprPtr& p : s.predicates)
                s.positionalPredicates = s.positionalPredicates || positional(*p);
        }
    }
};

} // namespace

void fail(int code, long offset, std::string message) {
    throw Error{code, offset, std::move(message)};
}

ExprPtr compile(std::string_view text, const std::vector<Binding>& bindings) {
    Parser parser(tokenize(text), bindings);
    return parser.parseAll();
}

} // namespace xpath
} // namespace LUMA_7_4_0

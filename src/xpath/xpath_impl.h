// The query engine's own view: the compiled expression tree, the values an expression
// yields, and the walk over the library's tree that evaluation uses. Nothing here is seen
// by hosts; include/toveldom/xpath.h is their surface.
#ifndef TOVELDOM_SRC_XPATH_XPATH_IMPL_H
#define TOVELDOM_SRC_XPATH_XPATH_IMPL_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <toveldom/interfaces.h>
#include <toveldom/xpath.h>

namespace LUMA_7_4_0 {
namespace xpath {

// --- errors ---------------------------------------------------------------------------------

// Thrown inside the engine only; the public functions turn it into a TOVELXPathError.
struct Error {
    int code; // a TOVELXPATH_* error code
    long offset;
    std::string message;
};
[[noreturn]] void fail(int code, long offset, std::string message);

// --- nodes ----------------------------------------------------------------------------------

// A node of the query's data model. Every node is a node of the tree except namespace
// nodes, which the tree does not have: one is named by its element and the attribute
// that declares it (null for the always-bound xml prefix).
struct XNode {
    ITOVELDOMNode* node = nullptr;
    ITOVELDOMNode* decl = nullptr;
    bool ns = false;

    bool operator==(const XNode& o) const { return node == o.node && decl == o.decl && ns == o.ns; }
    bool operator!=(const XNode& o) const { return !(*this == o); }
};

// The kinds of the data model.
enum class Kind : uint8_t { Root, Element, Attribute, Text, Comment, PI, Namespace, Other };

namespace tree {
Kind kindOf(const XNode& n);
Kind kindOf(ITOVELDOMNode* node);
// The parent in the data model: the owner element for attributes and namespace nodes.
ITOVELDOMNode* parentOf(const XNode& n);
ITOVELDOMNode* parentOf(ITOVELDOMNode* node);
// Children without document type nodes, no reference added.
int childCount(ITOVELDOMNode* node);
ITOVELDOMNode* childAt(ITOVELDOMNode* node, int index);
// The element's attributes in the tree's order, namespace declarations left out.
void attributes(ITOVELDOMNode* element, std::vector<ITOVELDOMNode*>& out);
// The element's namespace nodes: the xml prefix, then every prefix in scope.
void namespaces(ITOVELDOMNode* element, std::vector<XNode>& out);
// True for "xmlns" and "xmlns:..." attribute names.
bool isDeclarationName(const char* qname);
// Expanded name parts. For a namespace node: its prefix as local name, no URI.
const char* namespaceURIOf(const XNode& n); // "" when none
std::string_view localNameOf(const XNode& n);
std::string qualifiedNameOf(const XNode& n);
// The value of the element's attribute uri + local, without making attribute nodes; the
// view points into the tree or into buffer.
bool attributeValue(ITOVELDOMNode* element, const std::string& uri, const std::string& local,
                    std::string& buffer, std::string_view& value);
// The target of a processing instruction.
const char* piTargetOf(ITOVELDOMNode* node);
// String-value, appended.
void appendStringValue(const XNode& n, std::string& out);
std::string stringValue(const XNode& n);
// The root of the tree the node is in (the topmost ancestor).
ITOVELDOMNode* rootOf(ITOVELDOMNode* node);
// Sorts into document order and drops repeats.
void sortUnique(std::vector<XNode>& nodes);
} // namespace tree

// --- values ---------------------------------------------------------------------------------

enum class Type : uint8_t { NodeSet, Boolean, Number, String, Unknown };

struct Value {
    Type type = Type::NodeSet;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<XNode> nodes; // in document order, no repeats

    static Value ofBool(bool b) {
        Value v;
        v.type = Type::Boolean;
        v.boolean = b;
        return v;
    }
    static Value ofNumber(double d) {
        Value v;
        v.type = Type::Number;
        v.number = d;
        return v;
    }
    static Value ofString(std::string s) {
        Value v;
        v.type = Type::String;
        v.string = std::move(s);
        return v;
    }
};

// XPath's conversions.
bool toBoolean(const Value& v);
double toNumber(const Value& v);
std::string toString(const Value& v);
double stringToNumber(std::string_view text);
std::string numberToString(double d);

// --- the compiled tree ----------------------------------------------------------------------

enum class Axis : uint8_t {
    Ancestor,
    AncestorOrSelf,
    Attribute,
    Child,
    Descendant,
    DescendantOrSelf,
    Following,
    FollowingSibling,
    Namespace,
    Parent,
    Preceding,
    PrecedingSibling,
    Self,
    // Not written by users: descendant-or-self::node()/attribute::x as one walk.
    DescendantAttribute,
};
bool isReverse(Axis axis);

struct NodeTest {
    enum Kind : uint8_t {
        Name,
        AnyName,
        AnyInNamespace,
        AnyNode,
        Text,
        Comment,
        PI
    } kind = AnyNode;
    std::string uri;   // Name and AnyInNamespace
    std::string local; // Name; the literal of processing-instruction('...')
    bool hasLiteral = false;
};

enum class Op : uint8_t {
    Or,
    And,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    Neg,
    Union,
    Literal,
    Number,
    Variable,
    Function,
    Path, // [filter] steps, or absolute steps
};

enum class Fn : uint8_t {
    Last,
    Position,
    Count,
    Id,
    LocalName,
    NamespaceUri,
    Name,
    String,
    Concat,
    StartsWith,
    Contains,
    SubstringBefore,
    SubstringAfter,
    Substring,
    StringLength,
    NormalizeSpace,
    Translate,
    Boolean,
    Not,
    True,
    False,
    Lang,
    Number,
    Sum,
    Floor,
    Ceiling,
    Round,
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Step {
    Axis axis = Axis::Child;
    NodeTest test;
    std::vector<ExprPtr> predicates;
    // The first predicate can be decided while the axis is walked (it never asks for
    // last()), so candidates that fail it are never stored.
    bool streamFirst = false;
    // Some predicate may depend on the node's position among the step's candidates.
    bool positionalPredicates = false;
};

struct Expr {
    Op op;
    long offset = 0;
    Type type = Type::Unknown;
    std::vector<ExprPtr> args; // operands, function arguments
    double number = 0;
    std::string text; // literal; variable name
    Fn fn = Fn::Last;
    // Path: absolute, or starting from filter (a primary with its predicates), or from the
    // context node.
    bool absolute = false;
    ExprPtr filter;
    std::vector<ExprPtr> filterPredicates;
    std::vector<Step> steps;
    // Whether this expression (outside nested paths' predicates) asks for the context
    // position or size.
    bool usesPosition = false;
    bool usesLast = false;

    explicit Expr(Op op, long offset) : op(op), offset(offset) {}
};

struct Binding {
    std::string prefix, uri;
};

// Parses text with the given prefix bindings; throws Error.
ExprPtr compile(std::string_view text, const std::vector<Binding>& bindings);

// --- evaluation -----------------------------------------------------------------------------

struct Variables {
    const TOVELXPathVariable* items = nullptr;
    long count = 0;
};

// Everything one evaluation owns; the compiled tree is only read.
struct Context {
    XNode node;
    size_t position = 1;
    size_t size = 1;
    const Variables* variables = nullptr;
};

Value evaluate(const Expr& e, const Context& c);
// The function's result; arguments evaluated here.
Value callFunction(const Expr& e, const Context& c);
// The string-value of the first node of a node-set expression, or the string of any other.
std::string evaluateString(const Expr& e, const Context& c);
double evaluateNumber(const Expr& e, const Context& c);
// The same as a view into the expression, the tree or buffer, valid while all three are.
std::string_view evaluateStringView(const Expr& e, const Context& c, std::string& buffer);
bool evaluateBoolean(const Expr& e, const Context& c);

// UTF-8 helpers of the string functions.
size_t utf8Length(std::string_view s);

} // namespace xpath
} // namespace LUMA_7_4_0

#endif

// Evaluation: operators, comparisons, and location paths step by step. A step runs its
// axis once per context node and applies the predicates to what that node's axis gave;
// the results of all context nodes are then put in document order, which most steps get
// for free (see nextOrder).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "xpath/tree_walk.h"
#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

bool isReverse(Axis axis) {
    return axis == Axis::Ancestor || axis == Axis::AncestorOrSelf || axis == Axis::Preceding ||
           axis == Axis::PrecedingSibling;
}

namespace {

// What is known of a node-set's order between steps.
enum class Order {
    Single,   // at most one node
    Disjoint, // document order, no node inside another's subtree
    Nested,   // document order
    Unsorted, // needs sorting and repeats removed
};

bool principalMatches(Kind kind, Axis axis) {
    if (axis == Axis::Attribute || axis == Axis::DescendantAttribute)
        return kind == Kind::Attribute;
    if (axis == Axis::Namespace) return kind == Kind::Namespace;
    return kind == Kind::Element;
}

// The name test on one of the library's elements, read from its fields: the same answer
// as localNameOf and namespaceURIOf give, without their lookups of the node's class.
inline bool elementNamed(const CTOVELDOMElement& e, const NodeTest& t) {
    const CSharedString& uri = ElementAccess::namespaceURI(e);
    if (std::string_view(uri.c_str(), uri.size()) != t.uri) return false;
    const CSharedString& tag = ElementAccess::tagName(e);
    std::string_view local(tag.c_str(), tag.size());
    if (!uri.empty()) {
        size_t colon = local.find(':');
        if (colon != std::string_view::npos && colon + 1 < local.size())
            local.remove_prefix(colon + 1);
    }
    return local == t.local;
}

bool matchesAny(const XNode& n, Kind kind, const NodeTest& t, Axis axis) {
    switch (t.kind) {
    case NodeTest::AnyNode:
        return kind != Kind::Other;
    case NodeTest::Text:
        return kind == Kind::Text;
    case NodeTest::Comment:
        return kind == Kind::Comment;
    case NodeTest::PI:
        return kind == Kind::PI && (!t.hasLiteral || t.local == tree::piTargetOf(n.node));
    case NodeTest::AnyName:
        return principalMatches(kind, axis);
    case NodeTest::AnyInNamespace:
        return principalMatches(kind, axis) && t.uri == tree::namespaceURIOf(n);
    case NodeTest::Name:
        return principalMatches(kind, axis) && tree::localNameOf(n) == t.local &&
               t.uri == tree::namespaceURIOf(n);
    }
    return false;
}

// Whether n passes the step's node test. Elements, what most steps look for, are decided
// here in line; the rest by matchesAny.
inline bool matches(const XNode& n, Kind kind, const NodeTest& t, Axis axis) {
    if (kind == Kind::Element && axis != Axis::Attribute && axis != Axis::Namespace &&
        axis != Axis::DescendantAttribute) {
        if (t.kind == NodeTest::AnyName) return true;
        if (t.kind == NodeTest::Name && &typeid(*n.node) == &typeid(CTOVELDOMElement))
            return elementNamed(*static_cast<const CTOVELDOMElement*>(n.node), t);
    }
    return matchesAny(n, kind, t, axis);
}

bool hasChildren(Kind k) { return k == Kind::Root || k == Kind::Element; }

// The same in reverse document order (each node after its descendants).
template <class Visit> bool walkBelowReverse(ITOVELDOMNode* top, Visit&& visit) {
    struct Level {
        ITOVELDOMNode* node;
        Kids kids;
        int next; // counts down
    };
    std::vector<Level> stack;
    Kids kids = kidsOf(top);
    stack.push_back(Level{top, kids, kids.count - 1});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next < 0) {
            ITOVELDOMNode* done = level.node;
            stack.pop_back();
            if (!stack.empty() && !visit(done, quickKind(done))) return false;
            continue;
        }
        ITOVELDOMNode* child = level.kids.at(level.next--);
        Kind k = quickKind(child);
        if (k == Kind::Other) continue;
        if (k == Kind::Element) {
            Kids below = kidsOf(child);
            stack.push_back(Level{child, below, below.count - 1});
        } else if (!visit(child, k)) {
            return false;
        }
    }
    return true;
}

// Calls visit(node, kind) along the axis from x, nearest first, until it returns false.
template <class Visit> void walkAxis(Axis axis, const XNode& x, Visit&& visit) {
    const Kind xk = tree::kindOf(x);
    auto plain = [&](ITOVELDOMNode* n, Kind k) { return visit(XNode{n, nullptr, false}, k); };
    switch (axis) {
    case Axis::Self:
        visit(x, xk);
        return;
    case Axis::Child: {
        if (!hasChildren(xk)) return;
        Kids kids = kidsOf(x.node);
        for (int i = 0; i < kids.count; ++i) {
            ITOVELDOMNode* c = kids.at(i);
            Kind k = quickKind(c);
            if (k != Kind::Other && !plain(c, k)) return;
        }
        return;
    }
    case Axis::DescendantOrSelf:
        if (!visit(x, xk)) return;
        [[fallthrough]];
    case Axis::Descendant:
        if (hasChildren(xk)) walkBelow(x.node, plain);
        return;
    case Axis::Parent:
        if (ITOVELDOMNode* p = tree::parentOf(x)) plain(p, quickKind(p));
        return;
    case Axis::AncestorOrSelf:
        if (!visit(x, xk)) return;
        [[fallthrough]];
    case Axis::Ancestor:
        for (ITOVELDOMNode* p = tree::parentOf(x); p; p = tree::parentOf(p))
            if (!plain(p, quickKind(p))) return;
        return;
    case Axis::FollowingSibling:
    case Axis::PrecedingSibling: {
        if (xk == Kind::Attribute || xk == Kind::Namespace) return;
        ITOVELDOMNode* p = tree::parentOf(x.node);
        if (!p) return;
        Kids kids = kidsOf(p);
        int at = indexIn(kids, x.node);
        if (at < 0) return;
        int step = axis == Axis::FollowingSibling ? 1 : -1;
        for (int i = at + step; i >= 0 && i < kids.count; i += step) {
            ITOVELDOMNode* c = kids.at(i);
            Kind k = quickKind(c);
            if (k != Kind::Other && !plain(c, k)) return;
        }
        return;
    }
    case Axis::Following: {
        ITOVELDOMNode* n = x.node;
        if (xk == Kind::Attribute || xk == Kind::Namespace) {
            n = tree::parentOf(x);
            if (!n) return;
            if (!walkBelow(n, plain)) return;
        }
        for (ITOVELDOMNode* p = tree::parentOf(n); p; n = p, p = tree::parentOf(p)) {
            Kids kids = kidsOf(p);
            int at = indexIn(kids, n);
            for (int i = at + 1; at >= 0 && i < kids.count; ++i) {
                ITOVELDOMNode* c = kids.at(i);
                Kind k = quickKind(c);
                if (k == Kind::Other) continue;
                if (!plain(c, k)) return;
                if (k == Kind::Element && !walkBelow(c, plain)) return;
            }
        }
        return;
    }
    case Axis::Preceding: {
        ITOVELDOMNode* n = x.node;
        if (xk == Kind::Attribute || xk == Kind::Namespace) n = tree::parentOf(x);
        if (!n) return;
        for (ITOVELDOMNode* p = tree::parentOf(n); p; n = p, p = tree::parentOf(p)) {
            Kids kids = kidsOf(p);
            for (int i = indexIn(kids, n) - 1; i >= 0; --i) {
                ITOVELDOMNode* c = kids.at(i);
                Kind k = quickKind(c);
                if (k == Kind::Other) continue;
                if (k == Kind::Element && !walkBelowReverse(c, plain)) return;
                if (!plain(c, k)) return;
            }
        }
        return;
    }
    case Axis::Attribute: {
        if (xk != Kind::Element) return;
        bool going = true;
        forEachAttributeNode(x.node, [&](ITOVELDOMNode* a) {
            if (going && !isDeclaration(a)) going = plain(a, Kind::Attribute);
        });
        return;
    }
    case Axis::Namespace: {
        if (xk != Kind::Element) return;
        std::vector<XNode> all;
        tree::namespaces(x.node, all);
        for (const XNode& n : all)
            if (!visit(n, Kind::Namespace)) return;
        return;
    }
    case Axis::DescendantAttribute:
        return; // handled by the step
    }
}

bool predicateHolds(const Expr& p, const Context& c) {
    if (p.type == Type::Number) return evaluateNumber(p, c) == double(c.position);
    if (p.type == Type::Boolean || p.type == Type::NodeSet) return evaluateBoolean(p, c);
    Value v = evaluate(p, c);
    if (v.type == Type::Number) return v.number == double(c.position);
    return toBoolean(v);
}

// Keeps the nodes every predicate from the first-th holds for, positions counted in the
// order the nodes are in.
void filter(std::vector<XNode>& nodes, const std::vector<ExprPtr>& predicates, size_t first,
            const Context& outer) {
    for (size_t p = first; p < predicates.size() && !nodes.empty(); ++p) {
        Context c = outer;
        c.size = nodes.size();
        size_t kept = 0;
        for (size_t i = 0; i < nodes.size(); ++i) {
            c.node = nodes[i];
            c.position = i + 1;
            if (predicateHolds(*predicates[p], c)) nodes[kept++] = nodes[i];
        }
        nodes.resize(kept);
    }
}

// The nodes step selects from x, appended to out in document order.
void stepFrom(const Step& step, const XNode& x, const Context& outer, std::vector<XNode>& out,
              std::vector<XNode>& scratch) {
    const bool reverse = isReverse(step.axis);
    if (step.predicates.empty()) {
        size_t from = out.size();
        walkAxis(step.axis, x, [&](const XNode& n, Kind k) {
            if (matches(n, k, step.test, step.axis)) out.push_back(n);
            return true;
        });
        if (reverse) std::reverse(out.begin() + long(from), out.end());
        return;
    }
    scratch.clear();
    size_t first = 0;
    if (step.streamFirst) {
        // The first predicate decided during the walk; a constant position ends it early.
        const Expr& p = *step.predicates[0];
        const double stopAt = p.op == Op::Number ? p.number : -1;
        Context c = outer;
        c.size = 0;
        c.position = 0;
        walkAxis(step.axis, x, [&](const XNode& n, Kind k) {
            if (!matches(n, k, step.test, step.axis)) return true;
            c.node = n;
            ++c.position;
            if (predicateHolds(p, c)) scratch.push_back(n);
            return double(c.position) != stopAt;
        });
        first = 1;
    } else {
        walkAxis(step.axis, x, [&](const XNode& n, Kind k) {
            if (matches(n, k, step.test, step.axis)) scratch.push_back(n);
            return true;
        });
    }
    filter(scratch, step.predicates, first, outer);
    if (reverse)
        out.insert(out.end(), scratch.rbegin(), scratch.rend());
    else
        out.insert(out.end(), scratch.begin(), scratch.end());
}

bool isAncestorOf(ITOVELDOMNode* a, const XNode& n) {
    for (ITOVELDOMNode* p = tree::parentOf(n); p; p = tree::parentOf(p))
        if (p == a) return true;
    return false;
}

// What the order of a step's result is, given the order of its context nodes.
Order nextOrder(Order in, const Step& step) {
    const Axis a = step.axis;
    const bool leaves = a == Axis::Attribute || a == Axis::Namespace || a == Axis::Self ||
                        a == Axis::DescendantAttribute;
    if (in == Order::Single) {
        if (a == Axis::Child || a == Axis::Parent || a == Axis::FollowingSibling ||
            a == Axis::PrecedingSibling || leaves)
            return Order::Disjoint;
        return Order::Nested;
    }
    if (leaves) return Order::Disjoint;
    if (in == Order::Disjoint) {
        if (a == Axis::Child) return Order::Disjoint;
        if (a == Axis::Descendant || a == Axis::DescendantOrSelf) return Order::Nested;
    }
    return Order::Unsorted;
}

// Whether a context node inside the subtree of the one before adds nothing the one before
// did not: descendant steps whose predicates do not count positions.
bool nestedContextsRepeat(const Step& step) {
    return step.axis == Axis::DescendantAttribute ||
           ((step.axis == Axis::Descendant || step.axis == Axis::DescendantOrSelf) &&
            !step.positionalPredicates);
}

void runStep(const Step& step, std::vector<XNode>& current, Order& order, const Context& outer) {
    std::vector<XNode> out, scratch;
    const bool skipNested = order == Order::Nested && nestedContextsRepeat(step);
    ITOVELDOMNode* lastTop = nullptr;
    for (const XNode& x : current) {
        if (skipNested) {
            if (lastTop && isAncestorOf(lastTop, x)) continue;
            lastTop = x.node;
        }
        if (step.axis != Axis::DescendantAttribute) {
            stepFrom(step, x, outer, out, scratch);
            continue;
        }
        // descendant-or-self::node()/attribute::test: each element's attributes in turn.
        Step attributes;
        attributes.axis = Axis::Attribute;
        auto fromElement = [&](const XNode& e, Kind k) {
            if (k != Kind::Element) return true;
            if (step.predicates.empty()) {
                walkAxis(Axis::Attribute, e, [&](const XNode& a, Kind ak) {
                    if (matches(a, ak, step.test, Axis::Attribute)) out.push_back(a);
                    return true;
                });
            } else {
                scratch.clear();
                walkAxis(Axis::Attribute, e, [&](const XNode& a, Kind ak) {
                    if (matches(a, ak, step.test, Axis::Attribute)) scratch.push_back(a);
                    return true;
                });
                filter(scratch, step.predicates, 0, outer);
                out.insert(out.end(), scratch.begin(), scratch.end());
            }
            return true;
        };
        walkAxis(Axis::DescendantOrSelf, x, fromElement);
    }
    order = (skipNested && step.axis != Axis::DescendantAttribute) ? Order::Nested
                                                                   : nextOrder(order, step);
    if (order == Order::Unsorted) {
        tree::sortUnique(out);
        order = Order::Nested;
    }
    current.swap(out);
}

// descendant-or-self::node() and a step after it that the parser could not join with it,
// as in '//x[2]': the step is taken from each node as the walk reaches it, so the
// descendants never become a node-set of their own. The step sees its context nodes in
// the order the node-set would have had; false when that order is unknown.
bool runJoined(const Step& any, const Step& step, std::vector<XNode>& current, Order& order,
               const Context& outer) {
    if (step.axis == Axis::DescendantAttribute || nestedContextsRepeat(step)) return false;
    const bool skipNested = order == Order::Nested;
    const Order between = skipNested ? Order::Nested : nextOrder(order, any);
    if (between == Order::Unsorted) return false;
    std::vector<XNode> out, scratch;
    ITOVELDOMNode* lastTop = nullptr;
    for (const XNode& x : current) {
        if (skipNested) {
            if (lastTop && isAncestorOf(lastTop, x)) continue;
            lastTop = x.node;
        }
        walkAxis(Axis::DescendantOrSelf, x, [&](const XNode& n, Kind) {
            stepFrom(step, n, outer, out, scratch);
            return true;
        });
    }
    order = nextOrder(between, step);
    if (order == Order::Unsorted) {
        tree::sortUnique(out);
        order = Order::Nested;
    }
    current.swap(out);
    return true;
}

bool joinable(const Step& step) {
    return step.axis == Axis::DescendantOrSelf && step.test.kind == NodeTest::AnyNode &&
           step.predicates.empty();
}

Value nodeSetOf(const Expr& e, const Context& c, const char* what) {
    Value v = evaluate(e, c);
    if (v.type != Type::NodeSet)
        fail(TOVELXPATH_NODESET_EXPECTED, e.offset, std::string("a node-set is expected ") + what);
    return v;
}

Value evaluatePath(const Expr& e, const Context& c) {
    Value result;
    std::vector<XNode>& current = result.nodes;
    Order order = Order::Single;
    if (e.filter) {
        result = nodeSetOf(*e.filter, c,
                           e.filterPredicates.empty() ? "before '/'" : "before a predicate");
        filter(current, e.filterPredicates, 0, c);
        order = current.size() <= 1 ? Order::Single : Order::Nested;
    } else if (e.absolute) {
        current.push_back(XNode{tree::rootOf(c.node.ns ? c.node.node : c.node.node)});
    } else {
        current.push_back(c.node);
    }
    for (size_t i = 0; i < e.steps.size() && !current.empty(); ++i) {
        if (i + 1 < e.steps.size() && joinable(e.steps[i]) &&
            runJoined(e.steps[i], e.steps[i + 1], current, order, c)) {
            ++i;
            continue;
        }
        runStep(e.steps[i], current, order, c);
    }
    return result;
}

// --- comparisons ----------------------------------------------------------------------------

bool compareNumbers(Op op, double a, double b) {
    switch (op) {
    case Op::Eq:
        return a == b;
    case Op::Ne:
        return a != b;
    case Op::Lt:
        return a < b;
    case Op::Le:
        return a <= b;
    case Op::Gt:
        return a > b;
    case Op::Ge:
        return a >= b;
    default:
        return false;
    }
}

Op flipped(Op op) {
    switch (op) {
    case Op::Lt:
        return Op::Gt;
    case Op::Le:
        return Op::Ge;
    case Op::Gt:
        return Op::Lt;
    case Op::Ge:
        return Op::Le;
    default:
        return op;
    }
}

bool compareValues(Op op, const Value& a, const Value& b) {
    const bool equality = op == Op::Eq || op == Op::Ne;
    if (a.type == Type::NodeSet && b.type == Type::NodeSet) {
        if (equality) {
            if (a.nodes.empty() || b.nodes.empty()) return false;
            std::unordered_set<std::string> left;
            for (const XNode& n : a.nodes) left.insert(tree::stringValue(n));
            for (const XNode& n : b.nodes) {
                std::string s = tree::stringValue(n);
                if (op == Op::Eq ? left.count(s) != 0 : (left.size() > 1 || !left.count(s)))
                    return true;
            }
            return false;
        }
        std::vector<double> right;
        for (const XNode& n : b.nodes) right.push_back(stringToNumber(tree::stringValue(n)));
        for (const XNode& n : a.nodes) {
            double x = stringToNumber(tree::stringValue(n));
            for (double y : right)
                if (compareNumbers(op, x, y)) return true;
        }
        return false;
    }
    if (b.type == Type::NodeSet) return compareValues(flipped(op), b, a);
    if (a.type == Type::NodeSet) {
        if (b.type == Type::Boolean) return compareNumbers(op, toBoolean(a), b.boolean);
        if (b.type == Type::Number || !equality) {
            double y = toNumber(b);
            for (const XNode& n : a.nodes)
                if (compareNumbers(op, stringToNumber(tree::stringValue(n)), y)) return true;
            return false;
        }
        std::string s;
        for (const XNode& n : a.nodes) {
            s.clear();
            tree::appendStringValue(n, s);
            if ((s == b.string) == (op == Op::Eq)) return true;
        }
        return false;
    }
    if (equality) {
        bool eq;
        if (a.type == Type::Boolean || b.type == Type::Boolean)
            eq = toBoolean(a) == toBoolean(b);
        else if (a.type == Type::Number || b.type == Type::Number)
            eq = toNumber(a) == toNumber(b);
        else
            eq = a.string == b.string;
        return eq == (op == Op::Eq);
    }
    return compareNumbers(op, toNumber(a), toNumber(b));
}

const TOVELXPathVariable* findVariable(const Context& c, const std::string& name) {
    if (!c.variables) return nullptr;
    for (long i = 0; i < c.variables->count; ++i) {
        const TOVELXPathVariable& v = c.variables->items[i];
        if (v.name && name == v.name) return &v;
    }
    return nullptr;
}

Value variableValue(const Expr& e, const Context& c) {
    const TOVELXPathVariable* v = findVariable(c, e.text);
    if (!v)
        fail(TOVELXPATH_UNBOUND_VARIABLE, e.offset, "the variable $" + e.text + " is not bound");
    switch (v->type) {
    case TOVELXPATH_BOOLEAN:
        return Value::ofBool(v->boolean != 0);
    case TOVELXPATH_NUMBER:
        return Value::ofNumber(v->number);
    case TOVELXPATH_STRING:
        return Value::ofString(v->string ? v->string : "");
    default: {
        Value r;
        for (long i = 0; i < v->node_count; ++i)
            if (v->nodes[i]) r.nodes.push_back(XNode{v->nodes[i]});
        tree::sortUnique(r.nodes);
        return r;
    }
    }
}

// '@name' alone: answered from the attribute's value, no node-set made.
const NodeTest* simpleAttribute(const Expr& e) {
    if (e.op != Op::Path || e.filter || e.absolute || e.steps.size() != 1) return nullptr;
    const Step& s = e.steps[0];
    if (s.axis != Axis::Attribute || !s.predicates.empty() || s.test.kind != NodeTest::Name)
        return nullptr;
    return &s.test;
}

bool simpleAttributeValue(const NodeTest& t, const Context& c, std::string& buffer,
                          std::string_view& value) {
    return !c.node.ns && quickKind(c.node.node) == Kind::Element &&
           tree::attributeValue(c.node.node, t.uri, t.local, buffer, value);
}

// '@name = literal', 'local-name() = literal' and the like, the shapes of most predicates,
// decided without building values. Returns false when e has another shape.
bool quickEquality(const Expr& e, const Context& c, bool& result) {
    const Expr* side = e.args[0].get();
    const Expr* constant = e.args[1].get();
    if (side->op == Op::Literal || side->op == Op::Number) std::swap(side, constant);
    if (constant->op != Op::Literal && constant->op != Op::Number) return false;
    const bool equal = e.op == Op::Eq;
    if (const NodeTest* t = simpleAttribute(*side)) {
        std::string buffer;
        std::string_view value;
        if (!simpleAttributeValue(*t, c, buffer, value)) {
            result = false; // no attribute: no node for the comparison to hold for
            return true;
        }
        result = constant->op == Op::Literal ? (value == constant->text) == equal
                                             : (stringToNumber(value) == constant->number) == equal;
        return true;
    }
    if (side->op == Op::Function && side->fn == Fn::LocalName && side->args.empty() &&
        constant->op == Op::Literal) {
        result = (tree::localNameOf(c.node) == constant->text) == equal;
        return true;
    }
    return false;
}

} // namespace

Value evaluate(const Expr& e, const Context& c) {
    switch (e.op) {
    case Op::Or:
        return Value::ofBool(evaluateBoolean(*e.args[0], c) || evaluateBoolean(*e.args[1], c));
    case Op::And:
        return Value::ofBool(evaluateBoolean(*e.args[0], c) && evaluateBoolean(*e.args[1], c));
    case Op::Eq:
    case Op::Ne: {
        bool quick;
        if (quickEquality(e, c, quick)) return Value::ofBool(quick);
    }
        [[fallthrough]];
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge:
        return Value::ofBool(compareValues(e.op, evaluate(*e.args[0], c), evaluate(*e.args[1], c)));
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::Mod:
    case Op::Neg:
        return Value::ofNumber(evaluateNumber(e, c));
    case Op::Union: {
        Value a = nodeSetOf(*e.args[0], c, "on each side of '|'");
        Value b = nodeSetOf(*e.args[1], c, "on each side of '|'");
        a.nodes.insert(a.nodes.end(), b.nodes.begin(), b.nodes.end());
        tree::sortUnique(a.nodes);
        return a;
    }
    case Op::Literal:
        return Value::ofString(e.text);
    case Op::Number:
        return Value::ofNumber(e.number);
    case Op::Variable:
        return variableValue(e, c);
    case Op::Function:
        return callFunction(e, c);
    case Op::Path:
        return evaluatePath(e, c);
    }
    return Value();
}

double evaluateNumber(const Expr& e, const Context& c) {
    switch (e.op) {
    case Op::Number:
        return e.number;
    case Op::Add:
        return evaluateNumber(*e.args[0], c) + evaluateNumber(*e.args[1], c);
    case Op::Sub:
        return evaluateNumber(*e.args[0], c) - evaluateNumber(*e.args[1], c);
    case Op::Mul:
        return evaluateNumber(*e.args[0], c) * evaluateNumber(*e.args[1], c);
    case Op::Div:
        return evaluateNumber(*e.args[0], c) / evaluateNumber(*e.args[1], c);
    case Op::Mod:
        return std::fmod(evaluateNumber(*e.args[0], c), evaluateNumber(*e.args[1], c));
    case Op::Neg:
        return -evaluateNumber(*e.args[0], c);
    default:
        return toNumber(evaluate(e, c));
    }
}

bool evaluateBoolean(const Expr& e, const Context& c) {
    bool quick;
    if ((e.op == Op::Eq || e.op == Op::Ne) && quickEquality(e, c, quick)) return quick;
    if (const NodeTest* t = simpleAttribute(e)) {
        std::string buffer;
        std::string_view value;
        return simpleAttributeValue(*t, c, buffer, value);
    }
    return toBoolean(evaluate(e, c));
}

std::string_view evaluateStringView(const Expr& e, const Context& c, std::string& buffer) {
    if (e.op == Op::Literal) return e.text;
    if (const NodeTest* t = simpleAttribute(e)) {
        std::string_view value;
        if (!simpleAttributeValue(*t, c, buffer, value)) return std::string_view();
        return value;
    }
    buffer = toString(evaluate(e, c));
    return buffer;
}

std::string evaluateString(const Expr& e, const Context& c) {
    if (e.op == Op::Literal) return e.text;
    if (const NodeTest* t = simpleAttribute(e)) {
        std::string buffer;
        std::string_view value;
        if (!simpleAttributeValue(*t, c, buffer, value)) return std::string();
        return std::string(value);
    }
    return toString(evaluate(e, c));
}

} // namespace xpath
} // namespace LUMA_7_4_0

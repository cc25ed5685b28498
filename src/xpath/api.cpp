// The exported functions: every failure inside, the engine's own and the tree's, ends as
// a filled TOVELXPathError and a null or zero result; nothing is thrown to the host.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <toveldom/exceptions.h>
#include <toveldom/node_list.h>
#include <toveldom/node_ptr.h>
#include <toveldom/xpath.h>

#include "xpath/xpath_impl.h"

using namespace LUMA_7_4_0;
using namespace LUMA_7_4_0::xpath;

struct TOVELXPathQuery {
    ExprPtr root;
};

namespace {

void clearError(TOVELXPathError* error) {
    if (!error) return;
    error->code = TOVELXPATH_OK;
    error->offset = 0;
    error->node_code = 0;
    error->message[0] = 0;
}

void setError(TOVELXPathError* error, int code, long offset, const std::string& message,
              int nodeCode = 0) {
    if (!error) return;
    error->code = code;
    error->offset = offset;
    error->node_code = nodeCode;
    std::snprintf(error->message, sizeof error->message, "%s", message.c_str());
}

// Runs body, turning whatever it throws into *error; returns whether it finished.
template <class Body> bool guarded(TOVELXPathError* error, Body&& body) {
    clearError(error);
    try {
        body();
        return true;
    } catch (const Error& e) {
        setError(error, e.code, e.offset, e.message);
    } catch (const TOVELDOMException& e) {
        setError(error,
                 e.get_code() == OUT_OF_MEMORY_ERR ? TOVELXPATH_OUT_OF_MEMORY
                                                   : TOVELXPATH_TREE_ERROR,
                 0, e.message(), e.get_code());
    } catch (const std::bad_alloc&) {
        setError(error, TOVELXPATH_OUT_OF_MEMORY, 0, "out of memory");
    } catch (...) {
        setError(error, TOVELXPATH_TREE_ERROR, 0, "the tree failed during the evaluation");
    }
    return false;
}

std::vector<Binding> bindingsOf(const char* const* namespaces) {
    std::vector<Binding> out;
    for (const char* const* p = namespaces; p && p[0]; p += 2)
        out.push_back(Binding{p[0], p[1] ? p[1] : ""});
    return out;
}

Value run(const TOVELXPathQuery* query, ITOVELDOMNode* node, const TOVELXPathVariable* variables,
          long count) {
    if (!query || !node) fail(TOVELXPATH_NULL_ARGUMENT, 0, "a null query or node");
    Variables vars{variables, variables ? count : 0};
    Context c;
    c.node = XNode{node};
    c.variables = &vars;
    return evaluate(*query->root, c);
}

ITOVELDOMNodeList* listOf(const std::vector<XNode>& nodes) {
    CNodePtr<CTOVELDOMNodeList> list(new CTOVELDOMNodeList());
    for (const XNode& n : nodes) {
        ITOVELDOMNode* node = n.ns ? n.decl : n.node;
        if (node) list->appendElement(node);
    }
    return list.detach();
}

TOVELXPathQuery* compileQuery(const char* expression, const char* const* namespaces) {
    if (!expression) fail(TOVELXPATH_NULL_ARGUMENT, 0, "a null expression");
    std::unique_ptr<TOVELXPathQuery> q(new TOVELXPathQuery);
    q->root = compile(expression, bindingsOf(namespaces));
    return q.release();
}

char* copyString(const std::string& s) {
    char* out = static_cast<char*>(std::malloc(s.size() + 1));
    if (!out) throw std::bad_alloc();
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

} // namespace

extern "C" {

TOVELXPathQuery* TOVELXPathCompile_7_4_0(const char* expression, const char* const* namespaces,
                                         TOVELXPathError* error) {
    TOVELXPathQuery* query = nullptr;
    guarded(error, [&] { query = compileQuery(expression, namespaces); });
    return query;
}

void TOVELXPathFree_7_4_0(TOVELXPathQuery* query) { delete query; }

int TOVELXPathEvaluate_7_4_0(const TOVELXPathQuery* query, ITOVELDOMNode* node,
                             const TOVELXPathVariable* variables, long count,
                             TOVELXPathResult* result, TOVELXPathError* error) {
    return TOVELXPathEvaluateAs_7_4_0(query, node, variables, count, 0, result, error);
}

int TOVELXPathEvaluateAs_7_4_0(const TOVELXPathQuery* query, ITOVELDOMNode* node,
                               const TOVELXPathVariable* variables, long count, int type,
                               TOVELXPathResult* result, TOVELXPathError* error) {
    if (result) *result = TOVELXPathResult{0, 0, 0, nullptr, nullptr};
    return guarded(error, [&] {
        if (!result) fail(TOVELXPATH_NULL_ARGUMENT, 0, "a null result");
        Value v = run(query, node, variables, count);
        if (type == TOVELXPATH_STRING)
            v = Value::ofString(toString(v));
        else if (type == TOVELXPATH_NUMBER)
            v = Value::ofNumber(toNumber(v));
        else if (type == TOVELXPATH_BOOLEAN)
            v = Value::ofBool(toBoolean(v));
        TOVELXPathResult out{0, 0, 0, nullptr, nullptr};
        switch (v.type) {
        case Type::Boolean:
            out.type = TOVELXPATH_BOOLEAN;
            out.boolean = v.boolean;
            break;
        case Type::Number:
            out.type = TOVELXPATH_NUMBER;
            out.number = v.number;
            break;
        case Type::String:
            out.type = TOVELXPATH_STRING;
            out.string = copyString(v.string);
            break;
        default:
            out.type = TOVELXPATH_NODESET;
            out.nodes = listOf(v.nodes);
            break;
        }
        *result = out;
    });
}

void TOVELXPathClearResult_7_4_0(TOVELXPathResult* result) {
    if (!result) return;
    std::free(result->string);
    if (result->nodes) result->nodes->Release();
    *result = TOVELXPathResult{0, 0, 0, nullptr, nullptr};
}

ITOVELDOMNodeList* TOVELXPathSelectCompiled_7_4_0(const TOVELXPathQuery* query, ITOVELDOMNode* node,
                                                  const TOVELXPathVariable* variables, long count,
                                                  TOVELXPathError* error) {
    ITOVELDOMNodeList* list = nullptr;
    guarded(error, [&] {
        Value v = run(query, node, variables, count);
        if (v.type != Type::NodeSet)
            fail(TOVELXPATH_NODESET_EXPECTED, 0, "the expression does not select nodes");
        list = listOf(v.nodes);
    });
    return list;
}

ITOVELDOMNodeList* TOVELXPathSelect_7_4_0(ITOVELDOMNode* node, const char* expression,
                                          const char* const* namespaces, TOVELXPathError* error) {
    std::unique_ptr<TOVELXPathQuery> q(TOVELXPathCompile_7_4_0(expression, namespaces, error));
    return q ? TOVELXPathSelectCompiled_7_4_0(q.get(), node, nullptr, 0, error) : nullptr;
}

ITOVELDOMNode* TOVELXPathSelectOne_7_4_0(ITOVELDOMNode* node, const char* expression,
                                         const char* const* namespaces, TOVELXPathError* error) {
    CNodePtr<ITOVELDOMNodeList> list = CNodePtr<ITOVELDOMNodeList>::adopt(
        TOVELXPathSelect_7_4_0(node, expression, namespaces, error));
    return list ? list->get_item(0) : nullptr;
}

double TOVELXPathNumber_7_4_0(ITOVELDOMNode* node, const char* expression,
                              const char* const* namespaces, TOVELXPathError* error) {
    double out = std::numeric_limits<double>::quiet_NaN();
    guarded(error, [&] {
        std::unique_ptr<TOVELXPathQuery> q(compileQuery(expression, namespaces));
        out = toNumber(run(q.get(), node, nullptr, 0));
    });
    return out;
}

char* TOVELXPathString_7_4_0(ITOVELDOMNode* node, const char* expression,
                             const char* const* namespaces, TOVELXPathError* error) {
    char* out = nullptr;
    guarded(error, [&] {
        std::unique_ptr<TOVELXPathQuery> q(compileQuery(expression, namespaces));
        out = copyString(toString(run(q.get(), node, nullptr, 0)));
    });
    return out;
}

int TOVELXPathBoolean_7_4_0(ITOVELDOMNode* node, const char* expression,
                            const char* const* namespaces, TOVELXPathError* error) {
    int out = 0;
    guarded(error, [&] {
        std::unique_ptr<TOVELXPathQuery> q(compileQuery(expression, namespaces));
        out = toBoolean(run(q.get(), node, nullptr, 0));
    });
    return out;
}

void TOVELXPathFreeString_7_4_0(char* string) { std::free(string); }

long TOVELXPathFormatNumber_7_4_0(double value, char* buffer, long size) {
    std::string s;
    try {
        s = numberToString(value);
    } catch (...) {
        return 0;
    }
    if (buffer && size > 0) std::snprintf(buffer, size_t(size), "%s", s.c_str());
    return long(s.size());
}

} // extern "C"

// XPath 1.0 over the library's tree, for hosts of the node interfaces.
//
//   TOVELXPathError error;
//   const char* ns[] = {"p", "urn:x", nullptr};
//   ITOVELDOMNodeList* found = TOVELXPathSelect_7_4_0(doc, "//p:a[@b]", ns, &error);
//   if (!found) fprintf(stderr, "%ld: %s\n", error.offset, error.message);
//
// A query compiled once (TOVELXPathCompile_7_4_0) can be evaluated any number of times,
// from several threads at once on separate documents: it keeps nothing of an evaluation.
//
// The data model: the node given and every node reached keep the tree's identity; the
// document (or the topmost node of a detached tree) is the root. Attributes named xmlns or
// xmlns:prefix are namespace declarations: they are not on the attribute axis and give
// each element its namespace nodes. Every text node and every CDATA section node is a
// text node of its own, also when two are adjacent. Names match by namespace URI and local
// name; prefixes in an expression are bound only by the bindings passed with it. Attributes
// come in the tree's order (the order the attribute map walks and prints them), after the
// element's namespace nodes and before its children. The tree keeps no attribute types, so
// id() selects nothing.
//
// Errors never throw: a function that fails returns null (or 0) and fills *error when
// error is not null. A null error is allowed.
#ifndef TOVELDOM_XPATH_H
#define TOVELDOM_XPATH_H

#include <toveldom/export.h>
#include <toveldom/interfaces.h>

extern "C" {

enum TOVELXPathErrorCode {
    TOVELXPATH_OK = 0,
    TOVELXPATH_SYNTAX = 1,           // offset: where the expression went wrong
    TOVELXPATH_UNBOUND_PREFIX = 2,   // a prefix no binding gives
    TOVELXPATH_UNKNOWN_FUNCTION = 3, //
    TOVELXPATH_ARGUMENT_COUNT = 4,   // a function called with too few or too many arguments
    TOVELXPATH_UNBOUND_VARIABLE = 5, // $name with no variable of that name
    TOVELXPATH_NODESET_EXPECTED = 6, // a path, union or predicate over a value that is not one
    TOVELXPATH_NULL_ARGUMENT = 7,    // a null expression, query or node
    TOVELXPATH_OUT_OF_MEMORY = 8,    //
    TOVELXPATH_TREE_ERROR = 9,       // the tree refused an operation (detail: node_code)
};

struct TOVELXPathError {
    int code;          // TOVELXPathErrorCode
    long offset;       // byte offset in the expression the error belongs to
    int node_code;     // the library's error code for TOVELXPATH_TREE_ERROR, else 0
    char message[240]; // one line of English: "expected ']' after the predicate"
};

enum TOVELXPathType {
    TOVELXPATH_NODESET = 1,
    TOVELXPATH_BOOLEAN = 2,
    TOVELXPATH_NUMBER = 3,
    TOVELXPATH_STRING = 4,
};

// A variable for one evaluation, found by name (without the '$'). Only the member its
// type names is read; nodes are borrowed for the call.
struct TOVELXPathVariable {
    const char* name;
    int type; // TOVELXPathType
    int boolean;
    double number;
    const char* string;
    LUMA_7_4_0::ITOVELDOMNode* const* nodes;
    long node_count;
};

// What an evaluation yields: the member its type names. nodes is a snapshot in document
// order holding one reference (null for any other type); string is the library's copy.
// TOVELXPathClearResult_7_4_0 gives both back.
struct TOVELXPathResult {
    int type;
    int boolean;
    double number;
    char* string;
    LUMA_7_4_0::ITOVELDOMNodeList* nodes;
};

typedef struct TOVELXPathQuery TOVELXPathQuery;

// namespaces: prefix, URI, prefix, URI, ..., null (or null for no bindings).
TOVELDOM_API TOVELXPathQuery* TOVELXPathCompile_7_4_0(const char* expression,
                                                      const char* const* namespaces,
                                                      TOVELXPathError* error);
TOVELDOM_API void TOVELXPathFree_7_4_0(TOVELXPathQuery* query);

// Evaluates with node as the context node (position and size 1). Returns 1 and fills
// *result, or 0.
TOVELDOM_API int TOVELXPathEvaluate_7_4_0(const TOVELXPathQuery* query,
                                          LUMA_7_4_0::ITOVELDOMNode* node,
                                          const TOVELXPathVariable* variables, long count,
                                          TOVELXPathResult* result, TOVELXPathError* error);
TOVELDOM_API void TOVELXPathClearResult_7_4_0(TOVELXPathResult* result);
// The same, with the result converted to type as XPath's string(), number() or boolean()
// would (TOVELXPATH_STRING, _NUMBER, _BOOLEAN); type 0 leaves it as it is.
TOVELDOM_API int TOVELXPathEvaluateAs_7_4_0(const TOVELXPathQuery* query,
                                            LUMA_7_4_0::ITOVELDOMNode* node,
                                            const TOVELXPathVariable* variables, long count,
                                            int type, TOVELXPathResult* result,
                                            TOVELXPathError* error);

// The selected nodes in document order as a new list (+1 reference; empty when nothing
// matched), or null on an error, among them a result that is not a node-set. Namespace
// nodes have no node of the tree: the list holds the declaring attribute in their place,
// or leaves them out for the xml prefix.
TOVELDOM_API LUMA_7_4_0::ITOVELDOMNodeList*
TOVELXPathSelectCompiled_7_4_0(const TOVELXPathQuery* query, LUMA_7_4_0::ITOVELDOMNode* node,
                               const TOVELXPathVariable* variables, long count,
                               TOVELXPathError* error);

// One-shot forms: compile, evaluate once, free.
TOVELDOM_API LUMA_7_4_0::ITOVELDOMNodeList* TOVELXPathSelect_7_4_0(LUMA_7_4_0::ITOVELDOMNode* node,
                                                                   const char* expression,
                                                                   const char* const* namespaces,
                                                                   TOVELXPathError* error);
// The first selected node in document order (+1 reference), or null when none was selected
// (error->code is then TOVELXPATH_OK) or on an error.
TOVELDOM_API LUMA_7_4_0::ITOVELDOMNode* TOVELXPathSelectOne_7_4_0(LUMA_7_4_0::ITOVELDOMNode* node,
                                                                  const char* expression,
                                                                  const char* const* namespaces,
                                                                  TOVELXPathError* error);
// number(), string() and boolean() of the result. The string is the caller's, freed with
// TOVELXPathFreeString_7_4_0; NaN, null and 0 on an error.
TOVELDOM_API double TOVELXPathNumber_7_4_0(LUMA_7_4_0::ITOVELDOMNode* node, const char* expression,
                                           const char* const* namespaces, TOVELXPathError* error);
TOVELDOM_API char* TOVELXPathString_7_4_0(LUMA_7_4_0::ITOVELDOMNode* node, const char* expression,
                                          const char* const* namespaces, TOVELXPathError* error);
TOVELDOM_API int TOVELXPathBoolean_7_4_0(LUMA_7_4_0::ITOVELDOMNode* node, const char* expression,
                                         const char* const* namespaces, TOVELXPathError* error);
TOVELDOM_API void TOVELXPathFreeString_7_4_0(char* string);

// XPath's string of a number: "NaN", "Infinity", "-Infinity", integers without a decimal
// point, others with as many digits as tell the double apart. Writes at most size bytes
// (terminated) and returns the length the whole text needs.
TOVELDOM_API long TOVELXPathFormatNumber_7_4_0(double value, char* buffer, long size);

} // extern "C"

#endif

#include <toveldom/xpath.h>

#include <memory>

#include "commands.h"
#include "common.h"

namespace tool {

const char* const kSelectSummary = "print what an XPath 1.0 expression selects in a document";

namespace {

const char kHelp[] =
    "usage: toveldom select FILE EXPR [--ns PREFIX=URI]... [--var NAME=VALUE]...\n"
    "                       [--preserve-space] [--encoding NAME] [--externals]\n"
    "                       [--value | --path | --count]\n"
    "\n"
    "Evaluates the XPath 1.0 expression EXPR with the document of FILE ('-' is standard\n"
    "input) as the context node. Selected nodes are printed one a line in document order,\n"
    "each as its XML (an attribute as name=\"value\", a text node as its text); a number,\n"
    "string or boolean as XPath's string of it.\n"
    "\n"
    "  --ns PREFIX=URI    bind PREFIX for the expression's names (repeatable)\n"
    "  --var NAME=VALUE   the string VALUE as $NAME (repeatable)\n"
    "  --preserve-space   keep text made only of white space (dropped by default)\n"
    "  --encoding NAME    read the input in encoding NAME, whatever it declares\n"
    "  --externals        read external entities as 'toveldom format --help' describes\n"
    "  --value            print each node's string-value instead of its XML\n"
    "  --path             print each node's location path, as /a[1]/b[2]/@c or\n"
    "                     /a[1]/text()[1]\n"
    "  --count            print only the number of nodes selected\n"
    "\n"
    "Exit status: 0 something was selected or a value printed, 1 nothing was selected or\n"
    "the document is not well-formed, 2 a bad expression (with its offset), a usage error\n"
    "or a file that cannot be read.\n";

using Node = CNodePtr<ITOVELDOMNode>;

std::pair<std::string, std::string> splitPair(const std::string& option, const std::string& text) {
    size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        usageError("select", "--" + option + " expects NAME=VALUE, not '" + text + "'");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

std::string escaped(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        switch (*p) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += *p;
        }
    }
    return out;
}

bool isTextKind(tagITOVELDOMNodeType t) { return t == NODE_TEXT || t == NODE_CDATA_SECTION; }

// Among node and its preceding siblings, those that count as the same step.
int stepIndex(ITOVELDOMNode* node) {
    const tagITOVELDOMNodeType type = node->get_nodeType();
    const std::string name = node->get_nodeName();
    int k = 1;
    for (Node at = Node::adopt(node->get_previousSibling()); at;
         at = Node::adopt(at->get_previousSibling())) {
        tagITOVELDOMNodeType t = at->get_nodeType();
        if (isTextKind(type) ? isTextKind(t)
                             : (t == type && (type == NODE_COMMENT || at->get_nodeName() == name)))
            ++k;
    }
    return k;
}

std::string pathOf(ITOVELDOMNode* node) {
    const tagITOVELDOMNodeType type = node->get_nodeType();
    if (type == NODE_DOCUMENT || type == NODE_DOCUMENT_FRAGMENT) return "/";
    std::string step;
    Node parent;
    if (type == NODE_ATTRIBUTE) {
        step = std::string("/@") + node->get_nodeName();
        if (auto* attr = dynamic_cast<ITOVELDOMAttribute*>(node))
            parent = Node::adopt(attr->get_ownerElement());
    } else {
        const std::string k = "[" + std::to_string(stepIndex(node)) + "]";
        if (type == NODE_ELEMENT)
            step = std::string("/") + node->get_nodeName() + k;
        else if (isTextKind(type))
            step = "/text()" + k;
        else if (type == NODE_COMMENT)
            step = "/comment()" + k;
        else
            step = std::string("/processing-instruction('") + node->get_nodeName() + "')" + k;
        parent = Node::adopt(node->get_parentNode());
    }
    if (!parent) return step;
    std::string above = pathOf(parent);
    return (above == "/" ? std::string() : above) + step;
}

std::string xmlOf(ITOVELDOMNode* node) {
    switch (node->get_nodeType()) {
    case NODE_ATTRIBUTE:
        return std::string(node->get_nodeName()) + "=\"" + escaped(node->get_nodeValue()) + "\"";
    case NODE_TEXT:
    case NODE_CDATA_SECTION: {
        const char* text = node->get_nodeValue();
        return text ? text : "";
    }
    default:
        return node->get_xml();
    }
}

[[noreturn]] void badExpression(const std::string& expression, const TOVELXPathError& error) {
    (void)expression;
    throw Failure{kUsageOrIo, "bad expression at offset " + std::to_string(error.offset) + ": " +
                                  error.message};
}

} // namespace

int runSelect(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {{"ns", 0, Value::Required},
                                     {"var", 0, Value::Required},
                                     {"value", 0, Value::None},
                                     {"path", 0, Value::None},
                                     {"count", 0, Value::None}};
    addLoadOptionSpecs(known, false);
    CommandLine line = parseCommandLine("select", known, argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (line.operands.size() != 2) usageError("select", "expects FILE and EXPR");
    const int modes = int(line.has("value")) + int(line.has("path")) + int(line.has("count"));
    if (modes > 1) usageError("select", "use only one of --value, --path and --count");

    std::vector<std::string> bindings;
    std::vector<std::string> variableText;
    for (const Option& option : line.options) {
        if (option.name != "ns" && option.name != "var") continue;
        auto pair = splitPair(option.name, option.value);
        std::vector<std::string>& into = option.name == "ns" ? bindings : variableText;
        into.push_back(pair.first);
        into.push_back(pair.second);
    }
    std::vector<const char*> ns;
    for (const std::string& s : bindings) ns.push_back(s.c_str());
    ns.push_back(nullptr);
    std::vector<TOVELXPathVariable> variables;
    for (size_t i = 0; i < variableText.size(); i += 2)
        variables.push_back(TOVELXPathVariable{variableText[i].c_str(), TOVELXPATH_STRING, 0, 0,
                                               variableText[i + 1].c_str(), nullptr, 0});

    const std::string& expression = line.operands[1];
    TOVELXPathError error;
    std::unique_ptr<TOVELXPathQuery, void (*)(TOVELXPathQuery*)> query(
        TOVELXPathCompile_7_4_0(expression.c_str(), ns.data(), &error), TOVELXPathFree_7_4_0);
    if (!query) badExpression(expression, error);

    Document doc = loadDocument(line.operands[0], loadOptions(line, false));

    TOVELXPathResult result;
    if (!TOVELXPathEvaluate_7_4_0(query.get(), doc, variables.data(), long(variables.size()),
                                  &result, &error))
        badExpression(expression, error);
    std::unique_ptr<TOVELXPathResult, void (*)(TOVELXPathResult*)> held(
        &result, TOVELXPathClearResult_7_4_0);

    if (result.type != TOVELXPATH_NODESET) {
        char number[64];
        std::string text;
        switch (result.type) {
        case TOVELXPATH_BOOLEAN:
            text = result.boolean ? "true" : "false";
            break;
        case TOVELXPATH_NUMBER:
            TOVELXPathFormatNumber_7_4_0(result.number, number, sizeof number);
            text = number;
            break;
        default:
            text = result.string;
            break;
        }
        writeStdout(text + "\n");
        return kOk;
    }
    const long total = result.nodes->get_length();
    if (line.has("count")) {
        writeStdout(std::to_string(total) + "\n");
        return total ? kOk : kDocumentFailure;
    }
    std::unique_ptr<TOVELXPathQuery, void (*)(TOVELXPathQuery*)> stringValue(
        TOVELXPathCompile_7_4_0("string(.)", nullptr, nullptr), TOVELXPathFree_7_4_0);
    std::string out;
    for (long i = 0; i < total; ++i) {
        Node node = Node::adopt(result.nodes->get_item(i));
        if (line.has("path")) {
            out += pathOf(node);
        } else if (line.has("value")) {
            TOVELXPathResult value;
            if (TOVELXPathEvaluate_7_4_0(stringValue.get(), node, nullptr, 0, &value, &error)) {
                out += value.string ? value.string : "";
                TOVELXPathClearResult_7_4_0(&value);
            }
        } else {
            out += xmlOf(node);
        }
        out += '\n';
    }
    writeStdout(out);
    return total ? kOk : kDocumentFailure;
}

} // namespace tool

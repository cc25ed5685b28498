#include <toveldom/xpath.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "common.h"

namespace tool {

const char* const kEditSummary = "change a document by actions aimed with XPath";

namespace {

const char kHelp[] =
    "usage: toveldom edit FILE [-L | -o OUT] [--ns PREFIX=URI]... ACTION...\n"
    "\n"
    "Runs each ACTION in order on the document of FILE ('-' is standard input), each on\n"
    "the result of the one before, and prints the result. Text and white space the\n"
    "actions do not touch are written back as they were. An ACTION whose XPATH selects\n"
    "nothing says so on standard error and the others go on.\n"
    "\n"
    "Actions:\n"
    "  -u, --update XPATH -v TEXT  replace each element's children by the text TEXT; set\n"
    "                              each attribute's, text's, comment's value to TEXT\n"
    "  -d, --delete XPATH          remove each node, attributes included\n"
    "  -i, --insert XPATH NEW      add NEW before each node\n"
    "  -a, --append XPATH NEW      add NEW after each node\n"
    "  -s, --subnode XPATH NEW     add NEW as the last child of each element\n"
    "      NEW is -t elem|attr|text [-n NAME] [-v VALUE]: an element NAME holding the\n"
    "      text VALUE, an attribute NAME=VALUE (set on the selected element itself) or a\n"
    "      text node VALUE\n"
    "  -r, --rename XPATH -v NAME  rename each element or attribute\n"
    "  -m, --move XPATH TARGET     move each node to the end of the one element TARGET\n"
    "                              selects (an attribute: onto that element)\n"
    "\n"
    "  -L, --inplace         save the result over FILE, replaced whole or left as it was\n"
    "  -o, --output OUT      save to OUT instead of printing, the same way\n"
    "  -N, --ns PREFIX=URI   bind PREFIX in every XPATH, and for a NAME whose prefix the\n"
    "                        document does not declare where it is placed\n"
    "  --encoding NAME       write in encoding NAME (see 'toveldom format --help'); by\n"
    "                        default in the encoding the document declares\n"
    "  --input-encoding NAME read the input in encoding NAME, whatever it declares\n"
    "%s"
    "\n"
    "A NAME without a prefix takes the default namespace in scope where it is placed.\n"
    "\n"
    "Exit status: 0 edited (also when an action selected nothing), 1 not well-formed, or\n"
    "an edit the document refuses (deleting the document element, moving a node into\n"
    "itself), 2 usage error, a bad XPATH or NAME, or an I/O error.\n";

using Node = CNodePtr<ITOVELDOMNode>;
using Element = CNodePtr<ITOVELDOMElement>;
using Bindings = toveldom::xpath_query::bindings;

enum class Kind { Update, Delete, Insert, Append, Subnode, Rename, Move };

struct Action {
    Kind kind;
    std::string option; // "--update" and so on, for messages
    std::string xpath, target;
    std::optional<std::string> type, name, value;
    std::shared_ptr<const toveldom::xpath_query> query, targetQuery;

    bool adds() const {
        return kind == Kind::Insert || kind == Kind::Append || kind == Kind::Subnode;
    }
    std::string aimed() const { return option + " '" + xpath + "'"; }
};

const std::pair<const char*, Kind> kKinds[] = {
    {"update", Kind::Update}, {"delete", Kind::Delete},   {"insert", Kind::Insert},
    {"append", Kind::Append}, {"subnode", Kind::Subnode}, {"rename", Kind::Rename},
    {"move", Kind::Move},
};

[[noreturn]] void bad(const std::string& message) { usageError("edit", message); }

void warn(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "toveldom: edit: %s\n", message.c_str());
}

// An edit the document cannot take: nothing is written.
[[noreturn]] void refuse(const Action& action, const std::string& why) {
    throw Failure{kDocumentFailure, "edit: " + action.aimed() + ": " + why};
}

std::string prefixOf(const std::string& name) {
    size_t colon = name.find(':');
    return colon == std::string::npos ? std::string() : name.substr(0, colon);
}

// Names and text are checked by the host layer's own rules before the document is read,
// so that a mistake on the command line is reported as one.
void checkName(const Action& action, const std::string& name, bool attribute) {
    try {
        toveldom::document scratch;
        std::string prefix = prefixOf(name);
        // xml:lang and xmlns:p are attribute names, never element names.
        bool reserved = attribute && (prefix == "xml" || prefix == "xmlns");
        scratch.append_element(reserved ? name.substr(prefix.size() + 1) : name, "urn:x");
    } catch (const toveldom::error&) {
        bad(action.option + ": '" + name + "' is not an XML name");
    }
}

void checkText(const Action& action, const std::string& text) {
    try {
        toveldom::document().append_element("a").set_text(text);
    } catch (const toveldom::error& error) {
        bad(action.option + " --value: " + error.message());
    }
}

void checkAction(const Action& a) {
    const bool valueTaken = a.kind == Kind::Update || a.kind == Kind::Rename || a.adds();
    if (!a.adds() && (a.type || a.name)) bad(a.option + " takes no --type or --name");
    if (!valueTaken && a.value) bad(a.option + " takes no --value");
    if ((a.kind == Kind::Update || a.kind == Kind::Rename) && !a.value)
        bad(a.option + " needs --value " + (a.kind == Kind::Rename ? "NAME" : "TEXT"));
    if (a.kind == Kind::Rename) checkName(a, *a.value, true);
    if (a.adds()) {
        if (!a.type) bad(a.option + " needs --type elem|attr|text");
        if (*a.type != "elem" && *a.type != "attr" && *a.type != "text")
            bad("--type takes elem, attr or text, not '" + *a.type + "'");
        if (*a.type == "text" && a.name) bad(a.option + " --type text takes no --name");
        if (*a.type != "text") {
            if (!a.name) bad(a.option + " --type " + *a.type + " needs --name NAME");
            checkName(a, *a.name, *a.type == "attr");
        }
    }
    if (a.value && a.kind != Kind::Rename) checkText(a, *a.value);
}

// The URI the declaration decl ("xmlns" or "xmlns:p") binds at node, or nothing.
std::optional<std::string> inScope(ITOVELDOMNode* node, const std::string& decl) {
    for (Node at(node); at && at->get_nodeType() == NODE_ELEMENT;
         at = Node::adopt(at->get_parentNode())) {
        CNodePtr<ITOVELDOMAttribute> attr = CNodePtr<ITOVELDOMAttribute>::adopt(
            static_cast<ITOVELDOMElement*>(at.get())->getAttributeNode(decl.c_str()));
        if (attr) return std::string(attr->get_value() ? attr->get_value() : "");
    }
    return std::nullopt;
}

bool isAncestorOrSelf(ITOVELDOMNode* ancestor, ITOVELDOMNode* node) {
    for (Node at(node); at; at = Node::adopt(at->get_parentNode()))
        if (at.get() == ancestor) return true;
    return false;
}

Element asElement(ITOVELDOMNode* node) {
    return Element(node && node->get_nodeType() == NODE_ELEMENT
                       ? static_cast<ITOVELDOMElement*>(node)
                       : nullptr);
}

class Editor {
public:
    Editor(ITOVELDOMDocument* doc, const Bindings& bindings) : doc_(doc), bindings_(bindings) {}

    void run(const Action& action) {
        std::vector<Node> nodes = select(action, *action.query, action.xpath);
        if (nodes.empty()) return warn(action.aimed() + " selected nothing");
        Element target;
        if (action.kind == Kind::Move) {
            std::vector<Node> targets = select(action, *action.targetQuery, action.target);
            if (targets.empty())
                return warn(action.option + " target '" + action.target + "' selected nothing");
            target = asElement(targets[0]);
            if (targets.size() > 1 || !target)
                refuse(action, "the target '" + action.target + "' must select one element");
        }
        try {
            for (Node& node : nodes) apply(action, node, target);
        } catch (const TOVELDOMException& error) {
            refuse(action, std::string(error.message()) + " (error " +
                               std::to_string(error.get_code()) + ")");
        }
    }

private:
    std::vector<Node> select(const Action& action, const toveldom::xpath_query& query,
                             const std::string& xpath) {
        std::vector<Node> nodes;
        try {
            for (const toveldom::node& n : query.select(toveldom::node::retain(doc_)))
                nodes.push_back(Node(n.get()));
        } catch (const toveldom::error& error) {
            throw Failure{kUsageOrIo,
                          "edit: " + action.option + " '" + xpath + "': " + error.message()};
        }
        return nodes;
    }

    void apply(const Action& action, ITOVELDOMNode* node, ITOVELDOMElement* target) {
        const tagITOVELDOMNodeType type = node->get_nodeType();
        const bool top = type == NODE_DOCUMENT || type == NODE_DOCUMENT_FRAGMENT;
        switch (action.kind) {
        case Kind::Update:
            if (top) refuse(action, "the document node has no value of its own");
            checkValue(action, type);
            if (type == NODE_ELEMENT)
                node->put_text(action.value->c_str());
            else
                node->put_nodeValue(action.value->c_str());
            return;
        case Kind::Delete:
            if (top || isDocumentElement(node))
                refuse(action, "cannot delete the document or its document element");
            return remove(node);
        case Kind::Insert:
        case Kind::Append:
        case Kind::Subnode:
            return add(action, node);
        case Kind::Rename:
            return rename(action, node);
        case Kind::Move:
            return move(action, node, target);
        }
    }

    // The tree takes any value; one that would not read back as the same node is refused.
    static void checkValue(const Action& action, tagITOVELDOMNodeType type) {
        const std::string& value = *action.value;
        try {
            toveldom::element scratch = toveldom::document().append_element("a");
            if (type == NODE_COMMENT) scratch.append_comment(value);
            if (type == NODE_PROCESSING_INSTRUCTION)
                scratch.append_processing_instruction("t", value);
            if (type == NODE_CDATA_SECTION) scratch.append_cdata(value);
        } catch (const toveldom::error& error) {
            refuse(action, error.message());
        }
    }

    bool isDocumentElement(ITOVELDOMNode* node) {
        Node parent = Node::adopt(node->get_parentNode());
        return node->get_nodeType() == NODE_ELEMENT && parent &&
               parent->get_nodeType() == NODE_DOCUMENT;
    }

    static void remove(ITOVELDOMNode* node) {
        if (node->get_nodeType() == NODE_ATTRIBUTE) {
            auto* attr = static_cast<ITOVELDOMAttribute*>(node);
            Element owner = Element::adopt(attr->get_ownerElement());
            if (owner) CNodePtr<ITOVELDOMAttribute>::adopt(owner->removeAttributeNode(attr));
            return;
        }
        Node parent = Node::adopt(node->get_parentNode());
        if (parent) Node::adopt(parent->removeChild(node));
    }

    // The namespace a new element or attribute named name takes at node: its prefix's
    // binding there, else the one --ns gives it (declared on declareOn), else none for an
    // attribute without a prefix, the default namespace for an element without one.
    std::string namespaceFor(const Action& action, ITOVELDOMNode* node, const std::string& name,
                             bool attribute, ITOVELDOMElement* declareOn) {
        const std::string prefix = prefixOf(name);
        if (prefix == "xml") return "http://www.w3.org/XML/1998/namespace";
        if (prefix == "xmlns" || (attribute && prefix.empty()) || name == "xmlns") return "";
        std::optional<std::string> bound =
            inScope(node, prefix.empty() ? "xmlns" : "xmlns:" + prefix);
        if (bound && (prefix.empty() || !bound->empty())) return *bound;
        if (prefix.empty()) return "";
        for (const auto& binding : bindings_)
            if (binding.first == prefix) {
                if (declareOn)
                    declareOn->setAttribute(("xmlns:" + prefix).c_str(), binding.second.c_str());
                return binding.second;
            }
        throw Failure{kUsageOrIo, "edit: " + action.aimed() + ": the prefix of '" + name +
                                      "' is not declared there (bind it with --ns " + prefix +
                                      "=URI)"};
    }

    void setAttribute(const Action& action, ITOVELDOMElement* element, const std::string& name,
                      const std::string& value) {
        const std::string uri = namespaceFor(action, element, name, true, element);
        if (uri.empty())
            element->setAttribute(name.c_str(), value.c_str());
        else
            element->setAttributeNS(uri.c_str(), name.c_str(), value.c_str());
    }

    Element newElement(const Action& action, ITOVELDOMNode* place, const std::string& name) {
        // The declaration --ns asks for goes on the new element, so it is made first.
        const std::string prefix = prefixOf(name);
        std::optional<std::string> bound =
            prefix.empty() ? std::nullopt : inScope(place, "xmlns:" + prefix);
        std::string uri = namespaceFor(action, place, name, false, nullptr);
        Element made =
            Element::adopt(uri.empty() ? doc_->createElement(name.c_str())
                                       : doc_->createElementNS(uri.c_str(), name.c_str()));
        if (!prefix.empty() && (!bound || bound->empty()))
            made->setAttribute(("xmlns:" + prefix).c_str(), uri.c_str());
        return made;
    }

    void add(const Action& action, ITOVELDOMNode* node) {
        if (*action.type == "attr") {
            Element element = asElement(node);
            if (!element)
                return warn(action.aimed() +
                            " --type attr: selected a node that is not an element");
            return setAttribute(action, element, *action.name, action.value.value_or(""));
        }
        Node parent =
            action.kind == Kind::Subnode ? Node(node) : Node::adopt(node->get_parentNode());
        if (!asElement(parent)) {
            return warn(action.aimed() + ": selected a node that has no place for " +
                        (*action.type == "text" ? "text" : "an element") +
                        (action.kind == Kind::Subnode ? " inside it" : " beside it"));
        }
        Node made;
        if (*action.type == "text") {
            made = Node::adopt(doc_->createTextNode(action.value.value_or("").c_str()));
        } else {
            Element element = newElement(action, parent, *action.name);
            if (action.value && !action.value->empty()) element->put_text(action.value->c_str());
            made = Node(element.get());
        }
        Node before;
        if (action.kind == Kind::Insert) before = Node(node);
        if (action.kind == Kind::Append) before = Node::adopt(node->get_nextSibling());
        Node::adopt(parent->insertBefore(made, before));
    }

    void rename(const Action& action, ITOVELDOMNode* node) {
        const std::string& name = *action.value;
        if (node->get_nodeType() == NODE_ATTRIBUTE)
            return renameAttribute(action, static_cast<ITOVELDOMAttribute*>(node), name);
        Element old = asElement(node);
        if (!old) return warn(action.aimed() + ": selected a node that has no name to change");
        const std::string prefix = prefixOf(name);
        if (prefix == "xml" || prefix == "xmlns" || name == "xmlns")
            refuse(action, "'" + name + "' cannot name an element");
        Node parent = Node::adopt(node->get_parentNode());
        // Elements cannot change their names: a new one takes over the attributes and children.
        Element renamed = newElement(action, old, name);
        CNodePtr<ITOVELDOMNamedNodeMap> map =
            CNodePtr<ITOVELDOMNamedNodeMap>::adopt(old->get_attributes());
        for (long i = 0, n = map ? map->get_length() : 0; i < n; ++i) {
            Node attr = Node::adopt(map->get_item(i));
            copyAttribute(renamed, attr, attr->get_nodeName());
        }
        while (Node child = Node::adopt(node->get_firstChild()))
            Node::adopt(renamed->appendChild(child));
        if (parent) Node::adopt(parent->replaceChild(renamed, node));
    }

    static void copyAttribute(ITOVELDOMElement* to, ITOVELDOMNode* attr, const std::string& name) {
        const char* uri = attr->get_namespaceURI();
        const char* value = attr->get_nodeValue();
        if (uri && *uri)
            to->setAttributeNS(uri, name.c_str(), value ? value : "");
        else
            to->setAttribute(name.c_str(), value ? value : "");
    }

    // The attribute map keeps its own order, whatever order attributes are set in, so a
    // renamed attribute lands where the map puts its new name.
    void renameAttribute(const Action& action, ITOVELDOMAttribute* attr, const std::string& name) {
        Element owner = Element::adopt(attr->get_ownerElement());
        if (!owner || name == attr->get_nodeName()) return;
        if (CNodePtr<ITOVELDOMAttribute>::adopt(owner->getAttributeNode(name.c_str())))
            refuse(action, "the element already has an attribute '" + name + "'");
        const std::string value = attr->get_value() ? attr->get_value() : "";
        remove(attr);
        setAttribute(action, owner, name, value);
    }

    void move(const Action& action, ITOVELDOMNode* node, ITOVELDOMElement* target) {
        const tagITOVELDOMNodeType type = node->get_nodeType();
        if (type == NODE_ATTRIBUTE) {
            const std::string name = node->get_nodeName();
            const char* value = node->get_nodeValue();
            const std::string text = value ? value : "";
            remove(node);
            return setAttribute(action, target, name, text);
        }
        if (type == NODE_DOCUMENT || type == NODE_DOCUMENT_FRAGMENT || isDocumentElement(node))
            refuse(action, "cannot move the document or its document element");
        if (isAncestorOrSelf(node, target))
            refuse(action, "cannot move a node into itself or its own descendant");
        Node::adopt(target->appendChild(node));
    }

    ITOVELDOMDocument* doc_;
    const Bindings& bindings_;
};

} // namespace

int runEdit(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {
        {"update", 'u', Value::Required},  {"delete", 'd', Value::Required},
        {"insert", 'i', Value::Required},  {"append", 'a', Value::Required},
        {"subnode", 's', Value::Required}, {"rename", 'r', Value::Required},
        {"move", 'm', Value::Pair},        {"type", 't', Value::Required},
        {"name", 'n', Value::Required},    {"value", 'v', Value::Required},
        {"inplace", 'L', Value::None},     {"output", 'o', Value::Required},
        {"ns", 'N', Value::Required},      {"encoding", 0, Value::Required}};
    addLoadOptionSpecs(known, true);
    CommandLine line = parseCommandLine("edit", known, argc, argv, first);
    if (line.help) {
        std::vector<char> text(sizeof kHelp + std::string(kExternalsHelp).size());
        std::snprintf(text.data(), text.size(), kHelp, kExternalsHelp);
        writeStdout(text.data());
        return kOk;
    }
    if (line.operands.size() != 1) bad("expects one FILE");
    const std::string& file = line.operands[0];
    const bool inPlace = line.has("inplace");
    if (inPlace && line.has("output")) bad("use either -L or -o");
    if (inPlace && file == "-") bad("-L cannot rewrite standard input");

    Bindings bindings;
    std::vector<Action> actions;
    for (const Option& option : line.options) {
        if (option.name == "ns") {
            size_t eq = option.value.find('=');
            if (eq == std::string::npos || eq == 0)
                bad("--ns expects PREFIX=URI, not '" + option.value + "'");
            bindings.emplace_back(option.value.substr(0, eq), option.value.substr(eq + 1));
        }
        for (const auto& kind : kKinds)
            if (option.name == kind.first)
                actions.push_back(Action{kind.second,
                                         "--" + option.name,
                                         option.value,
                                         option.second,
                                         {},
                                         {},
                                         {},
                                         nullptr,
                                         nullptr});
        if (option.name == "type" || option.name == "name" || option.name == "value") {
            if (actions.empty()) bad("--" + option.name + " belongs after an action");
            Action& last = actions.back();
            std::optional<std::string>& slot = option.name == "type"   ? last.type
                                               : option.name == "name" ? last.name
                                                                       : last.value;
            if (slot) bad(last.option + " takes one --" + option.name);
            slot = option.value;
        }
    }
    if (actions.empty()) bad("expects at least one ACTION");
    // Every expression is compiled before the document is read: a typo costs no load.
    auto compile = [&](const Action& action, const std::string& xpath) {
        try {
            return std::make_shared<const toveldom::xpath_query>(xpath, bindings);
        } catch (const toveldom::error& error) {
            throw Failure{kUsageOrIo, "edit: " + action.option + " '" + xpath +
                                          "': bad expression at offset " +
                                          std::to_string(error.offset()) + ": " + error.message()};
        }
    };
    for (Action& action : actions) {
        checkAction(action);
        action.query = compile(action, action.xpath);
        if (action.kind == Kind::Move) action.targetQuery = compile(action, action.target);
    }

    OutputOptions output = outputOptions("edit", line);
    output.path = inPlace ? file : line.last("output");
    LoadOptions load = loadOptions(line, true);
    // Only what the actions change may differ, so text of white space alone stays.
    load.preserveSpace = true;
    Document doc = loadDocument(file, load);
    Editor editor(doc, bindings);
    for (const Action& action : actions) editor.run(action);
    writeDocument(doc, output);
    return kOk;
}

} // namespace tool

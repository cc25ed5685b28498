#include "commands.h"
#include "common.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tool {

const char* const kC14nSummary = "print the canonical form of a document, for comparing";

namespace {

const char kHelp[] =
    "usage: toveldom c14n FILE [--without-comments] [--exc] [--encoding NAME]\n"
    "                     [--externals]\n"
    "\n"
    "Prints FILE ('-' is standard input) in the W3C Canonical XML 1.0 form, comments\n"
    "kept: UTF-8, no XML declaration or document type, every empty element as a start\n"
    "and an end tag, attributes in one fixed order, every white space of the document\n"
    "kept, one line feed between the document element and a comment or processing\n"
    "instruction beside it, redundant namespace declarations left out. Two documents\n"
    "that mean the same print the same bytes.\n"
    "\n"
    "  --without-comments  leave comments out\n"
    "  --exc               Exclusive XML Canonicalization 1.0: an element declares only\n"
    "                      the prefixes it or its attributes use\n"
    "  --encoding NAME     read the input in encoding NAME, whatever it declares\n"
    "  --externals         read external entities as 'toveldom format --help' describes\n"
    "\n"
    "Attribute defaults from the internal subset are included; the external DTD is not\n"
    "read, so its defaults are not.\n"
    "\n"
    "Exit status: 0 printed, 1 not well-formed or unknown encoding, 2 usage or I/O error.\n";

using NodeRef = CNodePtr<ITOVELDOMNode>;
constexpr char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

const char* orEmpty(const char* text) { return text ? text : ""; }

// "xmlns" gives "" (the default namespace), "xmlns:p" gives "p"; anything else is no
// declaration.
bool declaredPrefix(const char* name, std::string& prefix) {
    if (std::strncmp(name, "xmlns", 5) != 0) return false;
    if (name[5] == '\0') {
        prefix.clear();
        return true;
    }
    if (name[5] != ':') return false;
    prefix = name + 6;
    return true;
}

class Canonicalizer {
public:
    Canonicalizer(bool comments, bool exclusive) : comments_(comments), exclusive_(exclusive) {}

    void document(ITOVELDOMDocument* doc) {
        bool afterElement = false;
        for (NodeRef child = NodeRef::adopt(doc->get_firstChild()); child;
             child = NodeRef::adopt(child->get_nextSibling())) {
            tagITOVELDOMNodeType type = child->get_nodeType();
            if (type == NODE_ELEMENT) {
                element(child);
                afterElement = true;
            } else if (type == NODE_COMMENT || type == NODE_PROCESSING_INSTRUCTION) {
                if (type == NODE_COMMENT && !comments_) continue;
                if (afterElement) out_ += '\n';
                leaf(child);
                if (!afterElement) out_ += '\n';
            }
            flushIfLarge();
        }
        writeStdout(out_);
        out_.clear();
    }

private:
    struct Binding {
        std::string prefix, uri;
    };

    void flushIfLarge() {
        if (out_.size() < (1u << 20)) return;
        writeStdout(out_);
        out_.clear();
    }

    // In scope: every declaration of the open elements, newest last. Rendered: what the
    // output so far declares at this point, which decides whether a declaration is needed.
    const std::string* find(const std::vector<Binding>& list, const std::string& prefix) const {
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            if (it->prefix == prefix) return &it->uri;
        return nullptr;
    }

    void element(ITOVELDOMNode* node) {
        const size_t scopeMark = scope_.size(), renderedMark = rendered_.size();
        struct Attr {
            std::string uri, local, name, value;
        };
        std::vector<Attr> attrs;
        std::vector<Binding> own;
        CNodePtr<ITOVELDOMNamedNodeMap> map =
            CNodePtr<ITOVELDOMNamedNodeMap>::adopt(node->get_attributes());
        const long count = map ? map->get_length() : 0;
        for (long i = 0; i < count; ++i) {
            NodeRef attr = NodeRef::adopt(map->get_item(i));
            if (!attr) continue;
            const char* name = attr->get_nodeName();
            std::string prefix;
            if (declaredPrefix(name, prefix)) {
                scope_.push_back({prefix, orEmpty(attr->get_nodeValue())});
                continue;
            }
            attrs.push_back({orEmpty(attr->get_namespaceURI()), orEmpty(attr->get_localName()),
                             name, orEmpty(attr->get_nodeValue())});
        }

        // The declarations this element needs: with the inclusive form every binding in
        // scope, with the exclusive form those its own name and attributes use.
        std::vector<std::string> wanted;
        const char* prefix = node->get_prefix();
        if (exclusive_) {
            wanted.push_back(orEmpty(prefix));
            for (const Attr& attr : attrs) {
                size_t colon = attr.name.find(':');
                if (colon != std::string::npos) wanted.push_back(attr.name.substr(0, colon));
            }
        } else {
            for (const Binding& binding : scope_) wanted.push_back(binding.prefix);
        }
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        std::vector<Binding> declare;
        for (const std::string& p : wanted) {
            if (p == "xml") continue;
            const std::string* uri = find(scope_, p);
            std::string value = uri ? *uri : std::string();
            const std::string* shown = find(rendered_, p);
            // An empty default namespace is where every document starts.
            if (shown ? *shown == value : value.empty() && p.empty()) continue;
            if (!uri && !p.empty()) continue; // a prefix never bound
            declare.push_back({p, value});
        }
        for (const Binding& binding : declare) rendered_.push_back(binding);

        std::sort(attrs.begin(), attrs.end(), [](const Attr& a, const Attr& b) {
            return a.uri != b.uri ? a.uri < b.uri : a.local < b.local;
        });
        const char* name = node->get_nodeName();
        out_ += '<';
        out_ += name;
        for (const Binding& binding : declare) {
            out_ += binding.prefix.empty() ? " xmlns" : " xmlns:" + binding.prefix;
            out_ += "=\"";
            attributeText(binding.uri);
            out_ += '"';
        }
        for (const Attr& attr : attrs) {
            out_ += ' ';
            out_ += attr.name;
            out_ += "=\"";
            attributeText(attr.value);
            out_ += '"';
        }
        out_ += '>';
        for (NodeRef child = NodeRef::adopt(node->get_firstChild()); child;
             child = NodeRef::adopt(child->get_nextSibling())) {
            switch (child->get_nodeType()) {
            case NODE_ELEMENT:
                element(child);
                break;
            case NODE_TEXT:
            case NODE_CDATA_SECTION:
                text(orEmpty(child->get_nodeValue()));
                break;
            case NODE_COMMENT:
                if (comments_) leaf(child);
                break;
            case NODE_PROCESSING_INSTRUCTION:
                leaf(child);
                break;
            default:
                break;
            }
            flushIfLarge();
        }
        out_ += "</";
        out_ += name;
        out_ += '>';
        scope_.resize(scopeMark);
        rendered_.resize(renderedMark);
    }

    void leaf(ITOVELDOMNode* node) {
        if (node->get_nodeType() == NODE_COMMENT) {
            out_ += "<!--";
            out_ += orEmpty(node->get_nodeValue());
            out_ += "-->";
            return;
        }
        auto* pi = static_cast<ITOVELDOMProcessingInstruction*>(node);
        out_ += "<?";
        out_ += orEmpty(pi->get_target());
        const char* data = orEmpty(pi->get_data());
        if (*data) {
            out_ += ' ';
            out_ += data;
        }
        out_ += "?>";
    }

    void text(const char* data) {
        for (const char* p = data; *p; ++p) {
            switch (*p) {
            case '&':
                out_ += "&amp;";
                break;
            case '<':
                out_ += "&lt;";
                break;
            case '>':
                out_ += "&gt;";
                break;
            case '\r':
                out_ += "&#xD;";
                break;
            default:
                out_ += *p;
            }
        }
    }

    void attributeText(const std::string& value) {
        for (char c : value) {
            switch (c) {
            case '&':
                out_ += "&amp;";
                break;
            case '<':
                out_ += "&lt;";
                break;
            case '"':
                out_ += "&quot;";
                break;
            case '\t':
                out_ += "&#x9;";
                break;
            case '\n':
                out_ += "&#xA;";
                break;
            case '\r':
                out_ += "&#xD;";
                break;
            default:
                out_ += c;
            }
        }
    }

    bool comments_, exclusive_;
    std::string out_;
    std::vector<Binding> scope_, rendered_;
};

} // namespace

int runC14n(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {{"without-comments", 0, Value::None}, {"exc", 0, Value::None}};
    addLoadOptionSpecs(known, false);
    CommandLine line = parseCommandLine("c14n", known, argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (line.operands.size() != 1) usageError("c14n", "expects one FILE");
    LoadOptions load = loadOptions(line, false);
    load.preserveSpace = true; // every character of content is part of the form
    Document doc = loadDocument(line.operands[0], load);
    Canonicalizer(!line.has("without-comments"), line.has("exc")).document(doc);
    return kOk;
}

} // namespace tool

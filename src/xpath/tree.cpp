// The query engine's walk over the tree. The library's own classes are read through their
// raw links (parentPtr, childAt, attributeMap), which add no reference: evaluation touches
// every node of a document for '//x', and a reference count changed twice per visit was
// most of that time. A host's own node classes are reached through the interfaces; a
// reference a getter adds is given back at once, the tree keeping the node alive.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/element.h>
#include <toveldom/named_node_map.h>
#include <toveldom/node_ptr.h>

#include "nodes/node_access.h"
#include "nodes/parsed_attributes.h"
#include "nodes/private_cast.h"
#include "xpath/tree_walk.h"
#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

namespace {

const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";

// A getter's result whose reference the tree already covers.
template <class T> T* borrowed(T* held) {
    if (held) held->Release();
    return held;
}

} // namespace

bool isDeclaration(ITOVELDOMNode* attr) { return tree::isDeclarationName(attr->get_nodeName()); }

Kids kidsOfOther(ITOVELDOMNode* node) {
    Kids k;
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(node)) {
        k.list = e->childList();
        k.count = e->childCount();
        if (!k.list && k.count) k.one = e->childAt(0);
        return k;
    }
    tagITOVELDOMNodeType type = node->get_nodeType();
    if (type == NODE_DOCUMENT) {
        if (const CTOVELDOMDocument* d = asExactly<CTOVELDOMDocument>(node)) {
            k.list = d->childList();
            k.count = d->childCount();
            if (!k.list && k.count) k.one = d->childAt(0);
            return k;
        }
    } else if (type != NODE_ELEMENT && type != NODE_DOCUMENT_FRAGMENT) {
        return k; // leaves, and attributes: their text is not part of the data model
    }
    CNodePtr<ITOVELDOMNodeList> list = CNodePtr<ITOVELDOMNodeList>::adopt(node->get_childNodes());
    if (list) {
        k.generic = node;
        k.count = int(list->get_length());
    }
    return k;
}

ITOVELDOMNode* Kids::genericAt(int i) const {
    CNodePtr<ITOVELDOMNodeList> list =
        CNodePtr<ITOVELDOMNodeList>::adopt(generic->get_childNodes());
    return list ? borrowed(list->get_item(i)) : nullptr;
}

int indexIn(const Kids& kids, ITOVELDOMNode* child) {
    if (kids.list) return kids.list->indexOf(child, 0);
    for (int i = 0; i < kids.count; ++i)
        if (kids.at(i) == child) return i;
    return -1;
}

void appendAttributeValue(ITOVELDOMNode* attr, std::string& out) {
    if (CTOVELDOMAttribute* a = asExactly<CTOVELDOMAttribute>(attr)) {
        // The value's one text node read in place: asking the attribute builds a copy.
        if (AttributeAccess::hasPendingValue(*a)) {
            out += AttributeAccess::pendingValue(*a);
            return;
        }
        if (a->childCount() == 1 && a->childAt(0)->get_nodeType() == NODE_TEXT) {
            if (const char* data = a->childAt(0)->get_nodeValue()) out += data;
            return;
        }
    }
    if (const char* value = attr->get_nodeValue()) out += value;
}

Kind kindOfType(tagITOVELDOMNodeType type) {
    switch (type) {
    case NODE_DOCUMENT:
    case NODE_DOCUMENT_FRAGMENT:
        return Kind::Root;
    case NODE_ELEMENT:
        return Kind::Element;
    case NODE_ATTRIBUTE:
        return Kind::Attribute;
    case NODE_TEXT:
    case NODE_CDATA_SECTION:
        return Kind::Text;
    case NODE_COMMENT:
        return Kind::Comment;
    case NODE_PROCESSING_INSTRUCTION:
        return Kind::PI;
    default:
        return Kind::Other;
    }
}

namespace tree {

Kind kindOf(ITOVELDOMNode* node) { return quickKind(node); }

Kind kindOf(const XNode& n) { return n.ns ? Kind::Namespace : kindOf(n.node); }

ITOVELDOMNode* parentOf(ITOVELDOMNode* node) {
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(node)) return e->parentPtr();
    if (const CTOVELDOMText* t = asExactly<CTOVELDOMText>(node)) return t->parentPtr();
    if (const CTOVELDOMAttribute* a = asExactly<CTOVELDOMAttribute>(node)) return a->parentPtr();
    if (node->get_nodeType() == NODE_ATTRIBUTE) {
        auto* attr = dynamic_cast<ITOVELDOMAttribute*>(node);
        return attr ? borrowed(static_cast<ITOVELDOMNode*>(attr->get_ownerElement())) : nullptr;
    }
    return borrowed(node->get_parentNode());
}

ITOVELDOMNode* parentOf(const XNode& n) { return n.ns ? n.node : parentOf(n.node); }

ITOVELDOMNode* rootOf(ITOVELDOMNode* node) {
    for (ITOVELDOMNode* up = parentOf(node); up; up = parentOf(up)) node = up;
    return node;
}

int childCount(ITOVELDOMNode* node) { return kidsOf(node).count; }
ITOVELDOMNode* childAt(ITOVELDOMNode* node, int index) { return kidsOf(node).at(index); }

bool isDeclarationName(const char* q) {
    return std::strncmp(q, "xmlns", 5) == 0 && (q[5] == 0 || q[5] == ':');
}

void attributes(ITOVELDOMNode* element, std::vector<ITOVELDOMNode*>& out) {
    forEachAttributeNode(element, [&](ITOVELDOMNode* attr) {
        if (!isDeclarationName(attr->get_nodeName())) out.push_back(attr);
    });
}

void namespaces(ITOVELDOMNode* element, std::vector<XNode>& out) {
    out.push_back(XNode{element, nullptr, true});
    std::vector<std::string> seen{"xml"};
    for (ITOVELDOMNode* at = element; at; at = parentOf(at)) {
        if (at->get_nodeType() != NODE_ELEMENT) continue;
        forEachAttributeNode(at, [&](ITOVELDOMNode* attr) {
            const char* name = attr->get_nodeName();
            if (!isDeclarationName(name)) return;
            std::string prefix = name[5] ? name + 6 : "";
            if (std::find(seen.begin(), seen.end(), prefix) != seen.end()) return;
            seen.push_back(prefix);
            const char* uri = attr->get_nodeValue();
            if (uri && *uri) out.push_back(XNode{element, attr, true}); // xmlns="" undeclares
        });
    }
}

const char* namespaceURIOf(const XNode& n) {
    if (n.ns) return "";
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(n.node))
        return ElementAccess::namespaceURI(*e).c_str();
    Kind k = kindOf(n.node);
    if (k != Kind::Element && k != Kind::Attribute) return "";
    const char* uri = n.node->get_namespaceURI();
    return uri ? uri : "";
}

static std::string_view afterColon(const char* q, bool hasNamespace) {
    if (!hasNamespace) return q;
    const char* colon = std::strchr(q, ':');
    return (colon && colon[1]) ? colon + 1 : q;
}

std::string_view localNameOf(const XNode& n) {
    if (n.ns) {
        if (!n.decl) return "xml";
        const char* name = n.decl->get_nodeName();
        return name[5] ? name + 6 : "";
    }
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(n.node))
        return afterColon(ElementAccess::tagName(*e).c_str(),
                          !ElementAccess::namespaceURI(*e).empty());
    if (const CTOVELDOMAttribute* a = asExactly<CTOVELDOMAttribute>(n.node)) {
        const char* uri = const_cast<CTOVELDOMAttribute*>(a)->get_namespaceURI();
        return afterColon(AttributeAccess::name(*a).c_str(), uri && *uri);
    }
    switch (kindOf(n.node)) {
    case Kind::Element:
    case Kind::Attribute: {
        const char* local = n.node->get_localName();
        return local ? local : "";
    }
    case Kind::PI:
        return n.node->get_nodeName();
    default:
        return "";
    }
}

std::string qualifiedNameOf(const XNode& n) {
    if (n.ns) return std::string(localNameOf(n));
    switch (kindOf(n.node)) {
    case Kind::Element:
    case Kind::Attribute:
    case Kind::PI:
        return n.node->get_nodeName();
    default:
        return std::string();
    }
}

bool attributeValue(ITOVELDOMNode* element, const std::string& uri, const std::string& local,
                    std::string& buffer, std::string_view& value) {
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(element)) {
        // Read where the parser left them: asking for nodes would make one per attribute.
        if (const CParsedAttributes* block = ElementAccess::parsedAttributesOnly(*e)) {
            for (int i = 0; i < block->size(); ++i) {
                const CParsedAttributes::Item& item = block->item(i);
                const char* q = item.name.c_str();
                if (uri != item.namespaceURI.c_str() ||
                    afterColon(q, !item.namespaceURI.empty()) != local || isDeclarationName(q))
                    continue;
                value = block->valueView(item);
                return true;
            }
            return false;
        }
    }
    bool found = false;
    forEachAttributeNode(element, [&](ITOVELDOMNode* attr) {
        XNode a{attr};
        if (found || localNameOf(a) != local || uri != namespaceURIOf(a) ||
            isDeclarationName(attr->get_nodeName()))
            return;
        buffer.clear();
        appendAttributeValue(attr, buffer);
        value = buffer;
        found = true;
    });
    return found;
}

const char* piTargetOf(ITOVELDOMNode* node) { return node->get_nodeName(); }

static void appendTextBelow(ITOVELDOMNode* top, std::string& out) {
    walkBelow(top, [&](ITOVELDOMNode* node, Kind kind) {
        if (kind == Kind::Text)
            if (const char* data = node->get_nodeValue()) out += data;
        return true;
    });
}

void appendStringValue(const XNode& n, std::string& out) {
    if (n.ns) {
        if (!n.decl)
            out += kXmlNamespace;
        else
            appendAttributeValue(n.decl, out);
        return;
    }
    switch (kindOf(n.node)) {
    case Kind::Root:
    case Kind::Element:
        appendTextBelow(n.node, out);
        return;
    case Kind::Attribute:
        appendAttributeValue(n.node, out);
        return;
    default:
        if (const char* value = n.node->get_nodeValue()) out += value;
    }
}

std::string stringValue(const XNode& n) {
    std::string s;
    appendStringValue(n, s);
    return s;
}

namespace {

// Positions among siblings and among an element's attributes, each list read once: a
// node-set of many children of one parent would otherwise scan the list for each of them.
class Positions {
public:
    int child(ITOVELDOMNode* parent, ITOVELDOMNode* node) {
        if (childrenOf_.insert(parent).second) {
            Kids kids = kidsOf(parent);
            for (int i = 0; i < kids.count; ++i) at_.emplace(kids.at(i), i);
        }
        return find(node);
    }
    int attribute(ITOVELDOMNode* owner, ITOVELDOMNode* node) {
        if (!owner) return 0;
        if (attributesOf_.insert(owner).second) {
            std::vector<ITOVELDOMNode*> all;
            attributes(owner, all);
            for (size_t i = 0; i < all.size(); ++i) at_.emplace(all[i], int(i));
        }
        return find(node);
    }

private:
    int find(ITOVELDOMNode* node) const {
        auto it = at_.find(node);
        return it == at_.end() ? -1 : it->second;
    }
    std::unordered_set<ITOVELDOMNode*> childrenOf_, attributesOf_;
    std::unordered_map<ITOVELDOMNode*, int> at_; // a node is one list's child or attribute
};

// Where a node stands: the root's address, then from the root down one number per level,
// namespace nodes before attributes before children.
using Key = std::vector<uint64_t>;

Key keyOf(const XNode& n, Positions& positions) {
    Key key;
    ITOVELDOMNode* node = n.node;
    if (n.ns || kindOf(node) == Kind::Attribute) {
        ITOVELDOMNode* owner = n.ns ? n.node : parentOf(node);
        uint64_t index = 0;
        if (n.ns) {
            std::vector<XNode> all;
            if (owner) namespaces(owner, all);
            index = uint64_t(std::find(all.begin(), all.end(), n) - all.begin());
        } else {
            index = (1ull << 32) + uint64_t(positions.attribute(owner, node));
        }
        key.push_back(index);
        node = owner;
    }
    while (node) {
        ITOVELDOMNode* parent = parentOf(node);
        if (!parent) break;
        key.push_back((2ull << 32) + uint64_t(positions.child(parent, node)));
        node = parent;
    }
    key.push_back(reinterpret_cast<uintptr_t>(node));
    std::reverse(key.begin(), key.end());
    return key;
}

} // namespace

void sortUnique(std::vector<XNode>& nodes) {
    if (nodes.size() < 2) return;
    std::vector<std::pair<Key, XNode>> keyed;
    keyed.reserve(nodes.size());
    Positions positions;
    for (const XNode& n : nodes) keyed.emplace_back(keyOf(n, positions), n);
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    nodes.clear();
    for (size_t i = 0; i < keyed.size(); ++i)
        if (i == 0 || keyed[i].second != keyed[i - 1].second) nodes.push_back(keyed[i].second);
}

} // namespace tree
} // namespace xpath
} // namespace LUMA_7_4_0

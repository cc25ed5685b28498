// Element search by tag name, with or without letter case, and by namespace URI and local
// name. Results are snapshots in document order (pre-order).
#include <toveldom/document.h>
#include <toveldom/element.h>
#include <toveldom/node_ptr.h>

#include <cstring>
#include <vector>

#include "frame/alloc.h"
#include "nodes/private_cast.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

namespace {

bool isStar(const char* name) { return name && name[0] == '*' && name[1] == 0; }

bool sameName(const char* a, const char* b, bool noCase) {
    if (!a || !b) return false;
    return noCase ? platform::stricmp(a, b) == 0 : std::strcmp(a, b) == 0;
}

struct NameTest {
    const char* name;
    bool star;
    bool noCase;
    bool operator()(ITOVELDOMNode* element) const {
        return star || sameName(element->get_nodeName(), name, noCase);
    }
};

// The URI always counts letter case; "*" means any local name, never any URI.
struct NamespaceTest {
    const char* uri;
    const char* localName;
    bool star;
    bool noCase;
    bool operator()(ITOVELDOMNode* element) const {
        const char* elementURI = element->get_namespaceURI();
        if (!elementURI || std::strcmp(elementURI, uri) != 0) return false;
        return star || sameName(element->get_localName(), localName, noCase);
    }
};

// Appends the matching elements below root in pre-order: each element before its
// descendants, siblings in child order. Walks with its own stack, not recursion.
template <class Test>
void collect(ITOVELDOMNode* root, const Test& test, CTOVELDOMNodeList& out) try {
    struct Level {
        ITOVELDOMNode* parent;
        const CTOVELDOMElement* element; // the library's own element, or null for a host's node
        int next;
        int count;
    };
    auto open = [](ITOVELDOMNode* node) {
        if (const CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(node))
            return Level{node, element, 0, element->childCount()};
        CNodePtr<ITOVELDOMNodeList> list =
            CNodePtr<ITOVELDOMNodeList>::adopt(node->get_childNodes());
        return Level{node, nullptr, 0, list ? int(list->get_length()) : 0};
    };
    std::vector<Level> stack;
    stack.push_back(open(root));
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.count) {
            stack.pop_back();
            continue;
        }
        ITOVELDOMNode* child;
        CNodePtr<ITOVELDOMNode> held;
        if (level.element) {
            child = level.element->childAt(level.next++);
        } else {
            CNodePtr<ITOVELDOMNodeList> list =
                CNodePtr<ITOVELDOMNodeList>::adopt(level.parent->get_childNodes());
            held = CNodePtr<ITOVELDOMNode>::adopt(list->get_item(level.next++));
            child = held;
        }
        if (!child || child->get_nodeType() != NODE_ELEMENT) continue;
        if (test(child)) out.appendElement(child);
        stack.push_back(open(child));
    }
} catch (...) {
    rethrowAsLibraryError();
}

CNodePtr<CTOVELDOMNodeList> newList() {
    return CNodePtr<CTOVELDOMNodeList>(make<CTOVELDOMNodeList>());
}

CTOVELDOMNodeList& asList(ITOVELDOMNodeList* list) {
    auto* ours = dynamic_cast<CTOVELDOMNodeList*>(list);
    if (!ours) throw TOVELDOMException(NULL_POINTER_ERR);
    return *ours;
}

// The element searches do not check their names (the document's do): a null name
// matches nothing.
} // namespace

void CTOVELDOMElement::getChildElementsByTagName(char const* name, ITOVELDOMNodeList* list,
                                                 bool noCase) const {
    CTOVELDOMNodeList& out = asList(list);
    if (!name) return;
    collect(const_cast<CTOVELDOMElement*>(this), NameTest{name, isStar(name), noCase}, out);
}

void CTOVELDOMElement::getChildElementsByTagNameNS(char const* namespaceURI, char const* localName,
                                                   ITOVELDOMNodeList* list, bool noCase) const {
    if (!namespaceURI) return getChildElementsByTagName(localName, list, noCase);
    CTOVELDOMNodeList& out = asList(list);
    if (!localName) return;
    collect(const_cast<CTOVELDOMElement*>(this),
            NamespaceTest{namespaceURI, localName, isStar(localName), noCase}, out);
}

ITOVELDOMNodeList* CTOVELDOMElement::getElementsByTagName(char const* name) const {
    CNodePtr<CTOVELDOMNodeList> list = newList();
    getChildElementsByTagName(name, list, false);
    return list.detach();
}

ITOVELDOMNodeList* CTOVELDOMElement::getElementsByTagNameNoCase(char const* name) const {
    CNodePtr<CTOVELDOMNodeList> list = newList();
    getChildElementsByTagName(name, list, true);
    return list.detach();
}

ITOVELDOMNodeList* CTOVELDOMElement::getElementsByTagNameNS(char const* namespaceURI,
                                                            char const* localName) const {
    CNodePtr<CTOVELDOMNodeList> list = newList();
    getChildElementsByTagNameNS(namespaceURI, localName, list, false);
    return list.detach();
}

ITOVELDOMNodeList* CTOVELDOMElement::getElementsByTagNameNSNoCase(char const* namespaceURI,
                                                                  char const* localName) const {
    CNodePtr<CTOVELDOMNodeList> list = newList();
    getChildElementsByTagNameNS(namespaceURI, localName, list, true);
    return list.detach();
}

// The document's searches test the document element itself, then its descendants.
template <class Test>
static ITOVELDOMNodeList* searchDocument(const CTOVELDOMDocument& doc, const Test& test) try {
    CNodePtr<CTOVELDOMNodeList> list = newList();
    for (int i = 0; i < doc.childCount(); ++i) {
        ITOVELDOMNode* child = doc.childAt(i);
        if (child->get_nodeType() != NODE_ELEMENT) continue;
        if (test(child)) list->appendElement(child);
        collect(child, test, *list);
        break;
    }
    return list.detach();
} catch (...) {
    rethrowAsLibraryError();
}

ITOVELDOMNodeList* CTOVELDOMDocument::getElementsByTagName(char const* name) const {
    if (!name) throw TOVELDOMException(NULL_STRING_ERR);
    return searchDocument(*this, NameTest{name, isStar(name), false});
}

ITOVELDOMNodeList* CTOVELDOMDocument::getElementsByTagNameNoCase(char const* name) const {
    if (!name) throw TOVELDOMException(NULL_STRING_ERR);
    return searchDocument(*this, NameTest{name, isStar(name), true});
}

ITOVELDOMNodeList* CTOVELDOMDocument::getElementsByTagNameNS(char const* namespaceURI,
                                                             char const* localName) const {
    if (!localName) throw TOVELDOMException(NULL_STRING_ERR);
    if (!namespaceURI) return getElementsByTagName(localName);
    return searchDocument(*this, NamespaceTest{namespaceURI, localName, isStar(localName), false});
}

ITOVELDOMNodeList* CTOVELDOMDocument::getElementsByTagNameNSNoCase(char const* namespaceURI,
                                                                   char const* localName) const {
    if (!localName) throw TOVELDOMException(NULL_STRING_ERR);
    if (!namespaceURI) return getElementsByTagNameNoCase(localName);
    return searchDocument(*this, NamespaceTest{namespaceURI, localName, isStar(localName), true});
}

} // namespace LUMA_7_4_0

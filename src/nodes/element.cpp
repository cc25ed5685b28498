#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/element.h>
#include <toveldom/factories.h>
#include <toveldom/node_ptr.h>

#include <cstring>
#include <vector>

#include "frame/alloc.h"
#include "nodes/node_access.h"
#include "nodes/parsed_attributes.h"
#include "nodes/private_cast.h"
#include "nodes/qualified_name.h"
#include "nodes/text_content.h"

namespace LUMA_7_4_0 {

typedef CNodePtr<ITOVELDOMNode> NodeRef;

char const* const CTOVELDOMElement::m_nodeType = "element";

CTOVELDOMElement::CTOVELDOMElement()
    : CContainerNode(nullptr, nullptr), attributes(nullptr), parsedAttributes(nullptr) {}

CTOVELDOMElement::CTOVELDOMElement(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                   char const* tagName, char const* namespaceURI)
    : CContainerNode(doc, parent), attributes(nullptr), parsedAttributes(nullptr), tagName(tagName),
      namespaceURI(namespaceURI) {}

CTOVELDOMElement::CTOVELDOMElement(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                   CSharedString tagName, CSharedString namespaceURI)
    : CContainerNode(doc, parent), attributes(nullptr), parsedAttributes(nullptr),
      tagName(std::move(tagName)), namespaceURI(std::move(namespaceURI)) {}

CTOVELDOMElement::~CTOVELDOMElement() {
    CParsedAttributes::destroy(parsedAttributes);
    if (attributes) {
        for (__MAPPOS pos = attributes->begin(); pos;)
            if (ITOVELDOMNode* attr = attributes->nextValue(pos))
                privateInterface(attr)->setParentNode(nullptr);
        attributes->Release();
    }
}

CTOVELDOMNamedNodeMap& CTOVELDOMElement::mapAsIs() const {
    if (!attributes) {
        attributes = make<CTOVELDOMNamedNodeMap>();
        attributes->AddRef();
    }
    return *attributes;
}

// Inserting in the parser's order, a name met again replacing the node stored before it
// in its place, gives exactly the map the parser would have filled. After a failure the
// block stays, and doing it all again gives the same map.
void CTOVELDOMElement::materializeAttributes() const {
    CParsedAttributes* block = parsedAttributes;
    CTOVELDOMNamedNodeMap& map = mapAsIs();
    for (int i = 0; i < block->size(); ++i) {
        const CParsedAttributes::Item& item = block->item(i);
        storeNewAttribute(map, item.name, block->value(item), item.valueLength, item.specified,
                          item.namespaceURI);
    }
    parsedAttributes = nullptr;
    CParsedAttributes::destroy(block);
}

char const* CTOVELDOMElement::get_nodeName() const { return tagName.c_str(); }
tagITOVELDOMNodeType CTOVELDOMElement::get_nodeType() const { return NODE_ELEMENT; }
char const* CTOVELDOMElement::get_nodeTypeString() const { return m_nodeType; }
char const* CTOVELDOMElement::get_tagName() const { return tagName.c_str(); }
char const* CTOVELDOMElement::get_namespaceURI() const { return namespaceURI.c_str(); }
void CTOVELDOMElement::setNamespaceURI(char const* uri) try {
    namespaceURI = CSharedString(uri);
} catch (...) {
    rethrowAsLibraryError();
}
void CTOVELDOMElement::clearChildren() { clearChildNodes(); }

ITOVELDOMNamedNodeMap* CTOVELDOMElement::get_attributes() const {
    CTOVELDOMNamedNodeMap& map = ElementAccess::ensureAttributes(*this);
    map.AddRef();
    return &map;
}

char const* CTOVELDOMElement::get_prefix() try {
    return qname::prefix(tagName, namespaceURI, resultCache);
} catch (...) {
    rethrowAsLibraryError();
}
char const* CTOVELDOMElement::get_localName() try {
    return qname::localName(tagName, namespaceURI, resultCache);
} catch (...) {
    rethrowAsLibraryError();
}
void CTOVELDOMElement::put_prefix(char const* prefix) try {
    std::string chosen = prefix ? prefix : ""; // may point into our own cache
    tagName = CSharedString(qname::withPrefix(chosen.c_str(), get_localName()).c_str());
} catch (...) {
    rethrowAsLibraryError();
}

// --- attributes by name ---------------------------------------------------------------------

static void requireName(char const* name) {
    if (!name) throw TOVELDOMException(NULL_STRING_ERR);
}

static ITOVELDOMAttribute* asAttribute(ITOVELDOMNode* node) {
    return node ? dynamic_cast<ITOVELDOMAttribute*>(node) : nullptr;
}

void CTOVELDOMElement::dropAttribute(ITOVELDOMNode* attr) {
    privateInterface(attr)->setParentNode(nullptr);
    attr->Release();
}

char const* CTOVELDOMElement::getAttribute(char const* name) try {
    requireName(name);
    std::string& out = resultCache.fresh();
    // Reading a loaded element's attributes needs no nodes.
    ElementAccess::withAttributes(
        *this,
        [&](const CParsedAttributes& parsed) {
            if (const CParsedAttributes::Item* item = parsed.find(name))
                out.assign(parsed.valueView(*item));
        },
        [&](CTOVELDOMNamedNodeMap* map) {
            ITOVELDOMNode* attr = nullptr;
            if (map && map->lookup(name, attr) && attr) out = attr->get_nodeValue();
        });
    return out.c_str();
} catch (...) {
    rethrowAsLibraryError();
}

// A new attribute of this element, value set, not yet stored (+1 ref).
static NodeRef newAttribute(CTOVELDOMElement* element, char const* name, char const* ns,
                            char const* value) {
    ITOVELDOMAttribute* attr =
        CreateXMLAttribute_7_4_0(element->ownerPtr(), element, name, ns, true);
    if (!attr) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    NodeRef hold(attr);
    attr->put_value(value);
    return hold;
}

void CTOVELDOMElement::setAttribute(char const* name, char const* value) try {
    requireName(name);
    ITOVELDOMNode* existing = nullptr;
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (map && map->lookup(name, existing) && existing) {
        if (ITOVELDOMAttribute* attr = asAttribute(existing))
            attr->put_value(value);
        else
            existing->put_nodeValue(value);
        return;
    }
    NodeRef attr = newAttribute(this, name, nullptr, value);
    ITOVELDOMNode*& slot = ElementAccess::ensureAttributes(*this)[name];
    slot = attr;
    attr->AddRef();
} catch (...) {
    rethrowAsLibraryError();
}

void CTOVELDOMElement::removeAttribute(char const* name) {
    requireName(name);
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (!map) return;
    if (ITOVELDOMNode* attr = map->removeNamedItem(name)) dropAttribute(attr);
}

ITOVELDOMAttribute* CTOVELDOMElement::getAttributeNode(char const* name) const {
    requireName(name);
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (!map) return nullptr;
    ITOVELDOMNode* node = map->getNamedItem(name);
    ITOVELDOMAttribute* attr = asAttribute(node);
    if (node && !attr) node->Release();
    return attr;
}

// Stores attr under its name and makes this element its owner; returns the attribute it
// replaced, carrying the map's former reference.
static ITOVELDOMAttribute* storeAttributeNode(CTOVELDOMElement* element, ITOVELDOMAttribute* attr) {
    {
        CNodePtr<ITOVELDOMDocument> owner =
            CNodePtr<ITOVELDOMDocument>::adopt(attr->get_ownerDocument());
        if (owner.get() != element->ownerPtr()) throw TOVELDOMException(WRONG_DOCUMENT_ERR);
    }
    if (CNodePtr<ITOVELDOMElement>::adopt(attr->get_ownerElement()))
        throw TOVELDOMException(INUSE_ATTRIBUTE_ERR);
    ITOVELDOMPrivate* incoming = privateInterface(attr);
    CTOVELDOMNamedNodeMap& map = ElementAccess::ensureAttributes(*element);
    ITOVELDOMNode* replaced = map.setNamedItem(attr); // the map's reference moves to us
    incoming->setParentNode(element);
    if (!replaced) return nullptr;
    privateInterface(replaced)->setParentNode(nullptr);
    ITOVELDOMAttribute* out = asAttribute(replaced);
    if (!out) replaced->Release();
    return out;
}

ITOVELDOMAttribute* CTOVELDOMElement::setAttributeNode(ITOVELDOMAttribute* attribute) {
    if (!attribute) throw TOVELDOMException(NULL_POINTER_ERR);
    return storeAttributeNode(this, attribute);
}

ITOVELDOMAttribute* CTOVELDOMElement::setAttributeNodeNS(ITOVELDOMAttribute* attribute) {
    if (!attribute) throw TOVELDOMException(NULL_STRING_ERR);
    return storeAttributeNode(this, attribute);
}

ITOVELDOMAttribute* CTOVELDOMElement::removeAttributeNode(ITOVELDOMAttribute* attribute) {
    if (!attribute) throw TOVELDOMException(NULL_POINTER_ERR);
    const char* key = attribute->get_nodeName();
    ITOVELDOMNode* stored = nullptr;
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (!map || !map->lookup(key, stored) || stored != attribute)
        throw TOVELDOMException(NOT_FOUND_ERR);
    ITOVELDOMNode* removed = map->removeNamedItem(key);
    privateInterface(removed)->setParentNode(nullptr);
    return attribute;
}

// --- attributes by namespace ----------------------------------------------------------------

char const* CTOVELDOMElement::getAttributeNS(char const* ns, char const* localName) try {
    if (!ns) return getAttribute(localName);
    requireName(localName);
    std::string& out = resultCache.fresh();
    if (CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this)) {
        NodeRef attr = NodeRef::adopt(map->getNamedItemNS(ns, localName));
        if (attr) out = attr->get_nodeValue();
    }
    return out.c_str();
} catch (...) {
    rethrowAsLibraryError();
}

void CTOVELDOMElement::setAttributeNS(char const* ns, char const* qualifiedName,
                                      char const* value) try {
    if (!ns) return setAttribute(qualifiedName, value);
    requireName(qualifiedName);
    CResultCache scratch;
    std::string local = qname::localName(qualifiedName, *ns != 0, scratch);
    if (CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this)) {
        NodeRef existing = NodeRef::adopt(map->getNamedItemNS(ns, local.c_str()));
        if (existing) {
            existing->put_nodeValue(value);
            return;
        }
    }
    NodeRef attr = newAttribute(this, qualifiedName, ns, value);
    CTOVELDOMNamedNodeMap& map = ElementAccess::ensureAttributes(*this);
    // Same qualified name in another namespace: that attribute gives way.
    if (ITOVELDOMNode* other = map.removeNamedItem(qualifiedName)) dropAttribute(other);
    map[qualifiedName] = attr;
    attr->AddRef();
} catch (...) {
    rethrowAsLibraryError();
}

void CTOVELDOMElement::removeAttributeNS(char const* ns, char const* localName) {
    if (!ns) return removeAttribute(localName);
    requireName(localName);
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (!map) return;
    if (ITOVELDOMNode* attr = map->removeNamedItemNS(ns, localName)) dropAttribute(attr);
}

ITOVELDOMAttribute* CTOVELDOMElement::getAttributeNodeNS(char const* ns,
                                                         char const* localName) const {
    if (!ns) return getAttributeNode(localName);
    requireName(localName);
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (!map) return nullptr;
    ITOVELDOMNode* node = map->getNamedItemNS(ns, localName);
    ITOVELDOMAttribute* attr = asAttribute(node);
    if (node && !attr) node->Release();
    return attr;
}

bool CTOVELDOMElement::createAttribute(char const* name, char const* value, bool specified,
                                       char const* ns) {
    ITOVELDOMAttribute* attr = CreateXMLAttribute_7_4_0(ownerDocument, this, name, ns, specified);
    if (!attr) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    NodeRef hold(attr);
    if (value) {
        // The value first: a failure then leaves the map untouched.
        if (CTOVELDOMAttribute* ours = asExactly<CTOVELDOMAttribute>(attr)) {
            AttributeAccess::setPendingValue(*ours, value, std::strlen(value));
        } else {
            NodeRef text(make<CTOVELDOMText>(ownerDocument, attr, value));
            privateInterface(attr)->appendNewChild(text);
        }
    }
    ITOVELDOMNode*& slot = ElementAccess::ensureAttributes(*this)[name ? name : ""];
    if (slot && slot != attr) dropAttribute(slot);
    slot = attr;
    attr->AddRef();
    return true;
}

void ElementAccess::createAttribute(CTOVELDOMElement& element, const CSharedString& name,
                                    const char* value, size_t valueLength, bool specified,
                                    const CSharedString& ns) {
    if (gpfnCreateXMLAttribute_7_4_0) {
        element.createAttribute(name.c_str(), value, specified, ns.empty() ? nullptr : ns.c_str());
        return;
    }
    element.storeNewAttribute(ensureAttributes(element), name, value, valueLength, specified, ns);
}

void CTOVELDOMElement::storeNewAttribute(CTOVELDOMNamedNodeMap& map, const CSharedString& name,
                                         const char* value, size_t valueLength, bool specified,
                                         const CSharedString& ns) const {
    auto* self = const_cast<CTOVELDOMElement*>(this);
    CTOVELDOMAttribute* attr = make<CTOVELDOMAttribute>(ownerDocument, self, name, ns, specified);
    NodeRef hold(attr);
    AttributeAccess::setPendingValue(*attr, value, valueLength);
    ITOVELDOMNode*& slot = map[name.c_str()];
    if (slot && slot != attr) self->dropAttribute(slot);
    slot = attr;
    attr->AddRef();
}

// --- text -----------------------------------------------------------------------------------

std::string CTOVELDOMElement::getText() {
    std::string text;
    appendTextContent(this, text);
    return text;
}

void CTOVELDOMElement::put_text(char const* text) try {
    // The new text node is made first, so a failed allocation changes nothing.
    NodeRef node;
    if (text) node = NodeRef(make<CTOVELDOMText>(ownerDocument, this, text));
    clearChildNodes();
    if (node) appendHeld(node);
} catch (...) {
    rethrowAsLibraryError();
}

// Merges each run of adjacent text children into its first node, here and in every
// element below. A stack instead of recursion (a tree built by hand has no depth bound),
// and one pass per child list: the merged nodes leave it together, from its end.
bool CTOVELDOMElement::normalize() try {
    std::vector<CTOVELDOMElement*> pending{this};
    std::vector<ITOVELDOMNode*> merged;
    while (!pending.empty()) {
        CTOVELDOMElement* element = pending.back();
        pending.pop_back();
        ITOVELDOMCharacterData* previousText = nullptr;
        const int count = element->childCount();
        int kept = 0;
        merged.clear();
        for (int i = 0; i < count; ++i) {
            ITOVELDOMNode* child = element->childAt(i);
            const tagITOVELDOMNodeType kind = child->get_nodeType();
            if (kind == NODE_TEXT && previousText) {
                previousText->appendData(child->get_nodeValue());
                privateInterface(child)->setParentNode(nullptr);
                merged.push_back(child);
                continue;
            }
            if (merged.size() > 0) element->childNodes->moveElementTo(child, kept);
            ++kept;
            if (CTOVELDOMElement* inner = asExactly<CTOVELDOMElement>(child))
                pending.push_back(inner);
            else if (kind == NODE_ELEMENT)
                if (auto* host = dynamic_cast<ITOVELDOMElement*>(child)) host->normalize();
            previousText =
                kind == NODE_TEXT ? dynamic_cast<ITOVELDOMCharacterData*>(child) : nullptr;
        }
        // The slots past the kept children take the merged nodes, which the list then
        // drops from its end, releasing each once.
        for (size_t m = 0; m < merged.size(); ++m)
            element->childNodes->moveElementTo(merged[m], kept + int(m));
        for (size_t m = 0; m < merged.size(); ++m)
            element->childNodes->removeElementAt(element->childNodes->count() - 1);
    }
    return true;
} catch (...) {
    rethrowAsLibraryError();
}

// --- copies and owners ----------------------------------------------------------------------

// Copies the children of source into copy, and theirs into their copies, as deep cloning
// each child would; element chains are followed with a stack of pending pairs instead of
// recursion, so a deep tree cannot exhaust the call stack. Each child count is read once,
// before the first copy is appended.
static void copyDescendants(CTOVELDOMElement* source, ITOVELDOMElement* copy) {
    struct Pending {
        CTOVELDOMElement* source;
        ITOVELDOMPrivate* target;
        ITOVELDOMNode* copy;
        int next;
        int count;
    };
    std::vector<Pending> stack;
    stack.push_back({source, privateInterface(copy), copy, 0, source->childCount()});
    while (!stack.empty()) {
        Pending& top = stack.back();
        if (top.next >= top.count) {
            stack.pop_back();
            continue;
        }
        ITOVELDOMNode* child = top.source->childAt(top.next++);
        CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(child);
        // Our elements are copied shallow (with their attributes) and their children
        // queued; anything else copies itself whole.
        NodeRef clone = NodeRef::adopt(child->cloneNode(element == nullptr));
        privateInterface(clone)->setParentNode(top.copy);
        top.target->appendNewChild(clone);
        if (element && element->childCount() > 0)
            stack.push_back({element, privateInterface(clone), clone, 0, element->childCount()});
    }
}

ITOVELDOMNode* CTOVELDOMElement::cloneNode(bool deep) try {
    ITOVELDOMElement* copy;
    if (gpfnCreateXMLElement_7_4_0) {
        copy = gpfnCreateXMLElement_7_4_0(ownerDocument, nullptr, tagName.c_str(),
                                          namespaceURI.c_str());
    } else {
        CSharedString name = tagName, uri = namespaceURI;
        if (!ownerDocument) { // no document to share within
            name.unshare();
            uri.unshare();
        }
        copy = tryMake<CTOVELDOMElement>(ownerDocument, nullptr, std::move(name), std::move(uri));
    }
    if (!copy) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    NodeRef hold(copy);
    // Attributes always come with their values, whatever the depth asked for.
    auto copyNodes = [&](CTOVELDOMNamedNodeMap* source) {
        if (!source || source->size() == 0) return;
        CNodePtr<ITOVELDOMNamedNodeMap> map =
            CNodePtr<ITOVELDOMNamedNodeMap>::adopt(copy->get_attributes());
        for (__MAPPOS pos = source->begin(); pos;) {
            ITOVELDOMNode* attr = source->nextValue(pos);
            if (!attr) continue;
            NodeRef clone = NodeRef::adopt(attr->cloneNode(true));
            privateInterface(clone)->setParentNode(copy);
            NodeRef::adopt(map->setNamedItem(clone));
        }
    };
    // Attributes a loaded element still keeps in one block are copied as a block, into a
    // copy of our own class in a document.
    CTOVELDOMElement* ours = asExactly<CTOVELDOMElement>(static_cast<ITOVELDOMNode*>(copy));
    ElementAccess::withAttributes(
        *this,
        [&](const CParsedAttributes& parsed) {
            if (ours && ownerDocument && !gpfnCreateXMLAttribute_7_4_0)
                ElementAccess::adoptParsedAttributes(*ours, parsed.copyInMapOrder());
            else
                copyNodes(ElementAccess::attributeMap(*this));
        },
        copyNodes);
    if (deep) copyDescendants(this, copy);
    return hold.detach();
} catch (...) {
    rethrowAsLibraryError();
}

// Re-owns the whole subtree with its attribute values. Element descendants are visited
// with a stack rather than by recursion; other kinds re-own themselves.
void CTOVELDOMElement::setOwnerDocument(ITOVELDOMDocument* doc) try {
    if (!doc) throw TOVELDOMException(NULL_POINTER_ERR);
    std::vector<CTOVELDOMElement*> pending{this};
    while (!pending.empty()) {
        CTOVELDOMElement* element = pending.back();
        pending.pop_back();
        if (element->ownerDocument != doc) {
            element->tagName.unshare();
            element->namespaceURI.unshare();
            if (element->parsedAttributes) element->parsedAttributes->unshareNames();
            element->ownerDocument = doc;
        }
        if (CTOVELDOMNamedNodeMap* map = element->attributes) { // nodes made already
            for (__MAPPOS pos = map->begin(); pos;)
                if (ITOVELDOMNode* attr = map->nextValue(pos))
                    privateInterface(attr)->setOwnerDocument(doc);
        }
        for (int i = 0, n = element->childCount(); i < n; ++i) {
            ITOVELDOMNode* child = element->childAt(i);
            if (CTOVELDOMElement* inner = asExactly<CTOVELDOMElement>(child))
                pending.push_back(inner);
            else
                privateInterface(child)->setOwnerDocument(doc);
        }
    }
} catch (...) {
    rethrowAsLibraryError();
}

} // namespace LUMA_7_4_0

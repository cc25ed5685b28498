#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/factories.h>
#include <toveldom/node_ptr.h>

#include "frame/alloc.h"
#include "nodes/node_access.h"
#include "nodes/private_cast.h"
#include "nodes/qualified_name.h"

namespace LUMA_7_4_0 {

char const* const CTOVELDOMAttribute::m_nodeType = "attribute";

CTOVELDOMAttribute::CTOVELDOMAttribute() : CContainerNode(nullptr, nullptr), specified(true) {}

CTOVELDOMAttribute::CTOVELDOMAttribute(ITOVELDOMDocument* doc, ITOVELDOMNode* ownerElement,
                                       char const* name, char const* namespaceURI, bool specified)
    : CContainerNode(doc, ownerElement), name(name), namespaceURI(namespaceURI),
      specified(specified) {}

CTOVELDOMAttribute::CTOVELDOMAttribute(ITOVELDOMDocument* doc, ITOVELDOMNode* ownerElement,
                                       CSharedString name, CSharedString namespaceURI,
                                       bool specified)
    : CContainerNode(doc, ownerElement), name(std::move(name)),
      namespaceURI(std::move(namespaceURI)), specified(specified) {}

CTOVELDOMAttribute::~CTOVELDOMAttribute() = default;

char const* CTOVELDOMAttribute::get_nodeName() const { return name.c_str(); }
char const* CTOVELDOMAttribute::get_nodeValue() try {
    if (valuePending) return resultCache.set(pendingValue);
    return resultCache.set(getText());
} catch (...) {
    rethrowAsLibraryError();
}
tagITOVELDOMNodeType CTOVELDOMAttribute::get_nodeType() const { return NODE_ATTRIBUTE; }
char const* CTOVELDOMAttribute::get_nodeTypeString() const { return m_nodeType; }
ITOVELDOMNode* CTOVELDOMAttribute::get_parentNode() const { return nullptr; }
ITOVELDOMNode* CTOVELDOMAttribute::get_previousSibling() const { return nullptr; }
ITOVELDOMNode* CTOVELDOMAttribute::get_nextSibling() const { return nullptr; }
char const* CTOVELDOMAttribute::get_namespaceURI() const { return namespaceURI.c_str(); }
void CTOVELDOMAttribute::setNamespaceURI(char const* uri) try {
    namespaceURI = CSharedString(uri);
} catch (...) {
    rethrowAsLibraryError();
}

char const* CTOVELDOMAttribute::get_prefix() try {
    return qname::prefix(name, namespaceURI, resultCache);
} catch (...) {
    rethrowAsLibraryError();
}
char const* CTOVELDOMAttribute::get_localName() try {
    return qname::localName(name, namespaceURI, resultCache);
} catch (...) {
    rethrowAsLibraryError();
}
void CTOVELDOMAttribute::put_prefix(char const* prefix) try {
    std::string chosen = prefix ? prefix : ""; // may point into our own cache
    name = CSharedString(qname::withPrefix(chosen.c_str(), get_localName()).c_str());
} catch (...) {
    rethrowAsLibraryError();
}

char const* CTOVELDOMAttribute::get_text() { return get_nodeValue(); }
void CTOVELDOMAttribute::put_text(char const* text) { this->put_nodeValue(text); }
char const* CTOVELDOMAttribute::get_name() const { return name.c_str(); }
bool CTOVELDOMAttribute::get_specified() const { return specified; }
char const* CTOVELDOMAttribute::get_value() { return this->get_nodeValue(); }
void CTOVELDOMAttribute::put_value(char const* value) { this->put_nodeValue(value); }
ITOVELDOMNode* CTOVELDOMAttribute::getParentElement() { return parentNode; }
void CTOVELDOMAttribute::clearChildren() {
    setPendingValue(nullptr, 0);
    clearChildNodes();
}

ITOVELDOMElement* CTOVELDOMAttribute::get_ownerElement() const {
    auto* element = dynamic_cast<ITOVELDOMElement*>(parentNode);
    if (element) element->AddRef();
    return element;
}

void CTOVELDOMAttribute::setPendingValue(const char* value, size_t length) {
    if (value)
        pendingValue.assign(value, length);
    else
        pendingValue.clear();
    valuePending = value != nullptr;
}

// The attribute's children are its value: they come into being before any child operation.
template <> void CContainerNode<ITOVELDOMAttribute>::prepareChildren() const {
    AttributeAccess::materializeValue(
        *static_cast<CTOVELDOMAttribute*>(const_cast<CContainerNode*>(this)));
}

void CTOVELDOMAttribute::materializeValue() {
    if (!valuePending) return;
    CNodePtr<ITOVELDOMNode> text(make<CTOVELDOMText>(ownerDocument, this, pendingValue.c_str()));
    appendHeld(text);
    valuePending = false;
    pendingValue.clear();
    pendingValue.shrink_to_fit();
}

// The value is the text of the value nodes: text (and entity reference) children only.
std::string CTOVELDOMAttribute::getText() {
    if (valuePending) return pendingValue;
    std::string text;
    for (int i = 0; i < childCount(); ++i) {
        ITOVELDOMNode* child = childAt(i);
        tagITOVELDOMNodeType kind = child->get_nodeType();
        if (kind == NODE_TEXT || kind == NODE_ENTITY_REFERENCE)
            text += privateInterface(child)->getText();
    }
    return text;
}

void CTOVELDOMAttribute::put_nodeValue(char const* value) try {
    // The copy is made before the old value nodes go, so a failure changes nothing.
    std::string copy = value ? value : "";
    clearChildren();
    pendingValue.swap(copy);
    valuePending = value != nullptr;
} catch (...) {
    rethrowAsLibraryError();
}

void CTOVELDOMAttribute::setOwnerDocument(ITOVELDOMDocument* doc) {
    if (doc && doc != ownerDocument) {
        name.unshare();
        namespaceURI.unshare();
    }
    CContainerNode::setOwnerDocument(doc);
}

// A copy shares the names within the document; without one it gets its own.
CSharedString CTOVELDOMAttribute::sharedWithCopy(const CSharedString& text) const {
    CSharedString copy = text;
    if (!ownerDocument) copy.unshare();
    return copy;
}

ITOVELDOMNode* CTOVELDOMAttribute::cloneNode(bool deep) try {
    ITOVELDOMAttribute* copy;
    if (gpfnCreateXMLAttribute_7_4_0)
        copy = gpfnCreateXMLAttribute_7_4_0(ownerDocument, nullptr, name.c_str(),
                                            namespaceURI.c_str(), specified);
    else
        copy = tryMake<CTOVELDOMAttribute>(ownerDocument, nullptr, sharedWithCopy(name),
                                           sharedWithCopy(namespaceURI), specified);
    if (!copy) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    CNodePtr<ITOVELDOMNode> hold(copy);
    if (deep && valuePending) {
        if (auto* ours = dynamic_cast<CTOVELDOMAttribute*>(copy))
            AttributeAccess::setPendingValue(*ours, pendingValue.data(), pendingValue.size());
        else
            copy->put_value(pendingValue.c_str());
    } else if (deep) {
        appendChildCopies(copy);
    }
    return hold.detach();
} catch (...) {
    rethrowAsLibraryError();
}

} // namespace LUMA_7_4_0

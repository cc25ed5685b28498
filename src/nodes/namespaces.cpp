// Namespace declarations are ordinary attributes named "xmlns" or "xmlns:prefix". These
// members find, check, add and drop the declarations an element's names need.
#include <toveldom/attribute.h>
#include <toveldom/element.h>
#include <toveldom/node_ptr.h>

#include <cstring>
#include <string>
#include <vector>

#include "nodes/node_access.h"
#include "nodes/private_cast.h"
#include "nodes/qualified_name.h"

namespace LUMA_7_4_0 {

typedef CNodePtr<ITOVELDOMNode> NodeRef;

static bool sameText(const char* a, const char* b) {
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}

ITOVELDOMAttribute* CTOVELDOMElement::findNamespaceDecl(char const* prefix) {
    return getAttributeNode(qname::declarationName(prefix).c_str());
}

bool CTOVELDOMElement::checkNamespaceConflict(char const* prefix, char const* namespaceURI,
                                              ITOVELDOMAttribute** existing) {
    if (existing) *existing = nullptr;
    CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this);
    if (!map) return false;
    std::string declaration = qname::declarationName(prefix);
    for (__MAPPOS pos = map->begin(); pos;) {
        ITOVELDOMNode* attr = map->nextValue(pos);
        if (!attr || !sameText(attr->get_nodeName(), declaration.c_str())) continue;
        if (!sameText(attr->get_nodeValue(), namespaceURI)) return true;
        if (existing) {
            *existing = dynamic_cast<ITOVELDOMAttribute*>(attr);
            if (*existing) (*existing)->AddRef();
        }
        return false;
    }
    return false;
}

bool CTOVELDOMElement::findAncestorNamespaceDecl(char const* prefix, char const* namespaceURI) {
    std::string declaration = qname::declarationName(prefix);
    // The nearest ancestor element that declares the prefix decides.
    for (NodeRef at = NodeRef::adopt(get_parentNode()); at;
         at = NodeRef::adopt(at->get_parentNode())) {
        auto* element = dynamic_cast<ITOVELDOMElement*>(at.get());
        if (!element) continue;
        CNodePtr<ITOVELDOMAttribute> decl =
            CNodePtr<ITOVELDOMAttribute>::adopt(element->getAttributeNode(declaration.c_str()));
        if (decl) return sameText(decl->get_nodeValue(), namespaceURI);
    }
    return false;
}

void CTOVELDOMElement::resolveNamespaceDecl(char const* prefix, char const* namespaceURI) {
    if (!namespaceURI || !*namespaceURI) return;
    // Our caches may hold prefix or namespaceURI (get_prefix, get_namespaceURI of a
    // node of ours); keep copies before anything below refills them.
    std::string p = prefix ? prefix : "";
    std::string uri = namespaceURI;
    CNodePtr<ITOVELDOMAttribute> existing;
    if (checkNamespaceConflict(p.c_str(), uri.c_str(), &existing))
        throw TOVELDOMException(NAMESPACE_CONFLICT_ERR);
    if (findAncestorNamespaceDecl(p.c_str(), uri.c_str())) {
        // Inherited already: an own declaration the parser supplied as a default goes.
        if (existing && !existing->get_specified()) NodeRef::adopt(removeAttributeNode(existing));
    } else if (!existing) {
        setAttribute(qname::declarationName(p.c_str()).c_str(), uri.c_str());
    }
}

void CTOVELDOMElement::addNamespaceDeclarations() {
    {
        std::string prefix = get_prefix() ? get_prefix() : "";
        resolveNamespaceDecl(prefix.c_str(), namespaceURI.c_str());
    }
    // Declarations are added and removed while we walk the attributes, so walk a snapshot
    // holding references: nothing removed meanwhile is ever visited after being freed.
    if (CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*this)) {
        std::vector<NodeRef> snapshot;
        for (__MAPPOS pos = map->begin(); pos;)
            if (ITOVELDOMNode* attr = map->nextValue(pos)) snapshot.emplace_back(attr);
        for (NodeRef& attr : snapshot) {
            const char* prefix = attr->get_prefix();
            std::string p = prefix ? prefix : "";
            std::string uri = attr->get_namespaceURI() ? attr->get_namespaceURI() : "";
            resolveNamespaceDecl(p.c_str(), uri.c_str());
        }
    }
    // A child's namespace is declared here, on its parent, from which it inherits.
    for (int i = 0; i < childCount(); ++i) {
        ITOVELDOMNode* child = childAt(i);
        if (child->get_nodeType() != NODE_ELEMENT) continue;
        const char* prefix = child->get_prefix();
        std::string p = prefix ? prefix : "";
        std::string uri = child->get_namespaceURI() ? child->get_namespaceURI() : "";
        resolveNamespaceDecl(p.c_str(), uri.c_str());
    }
}

} // namespace LUMA_7_4_0

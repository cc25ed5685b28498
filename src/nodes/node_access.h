// The library's way into the element and the attribute: what the parser, the writer and
// the other node kinds need of them and hosts have no business with.
#ifndef TOVELDOM_SRC_NODES_NODE_ACCESS_H
#define TOVELDOM_SRC_NODES_NODE_ACCESS_H

#include <cstddef>
#include <string>

#include <toveldom/attribute.h>
#include <toveldom/element.h>

#include "frame/shared_string.h"
#include "nodes/parsed_attributes.h"

namespace LUMA_7_4_0 {

struct ElementAccess {
    // The map without a reference, null until the first attribute.
    static CTOVELDOMNamedNodeMap* attributeMap(const CTOVELDOMElement& element) {
        if (element.parsedAttributes) element.materializeAttributes();
        return element.attributes;
    }
    static CTOVELDOMNamedNodeMap& ensureAttributes(const CTOVELDOMElement& element) {
        if (element.parsedAttributes) element.materializeAttributes();
        return element.mapAsIs();
    }
    // The attributes a loader stored in the lighter form, when they are all there is (no
    // map) and can be walked as they stand; null otherwise.
    static const CParsedAttributes* parsedAttributesOnly(const CTOVELDOMElement& element) {
        if (element.attributes || !element.parsedAttributes ||
            element.parsedAttributes->hasDuplicates())
            return nullptr;
        return element.parsedAttributes;
    }
    // The one choice between the two forms of an element's attributes: the loader's block
    // when it can serve as it stands (onBlock gets it), else the map, made from the block if
    // need be (onMap gets it, null when there are no attributes).
    template <class OnBlock, class OnMap>
    static auto withAttributes(const CTOVELDOMElement& element, OnBlock&& onBlock, OnMap&& onMap) {
        if (const CParsedAttributes* parsed = parsedAttributesOnly(element))
            return onBlock(*parsed);
        return onMap(attributeMap(element));
    }
    // Takes the attributes of a start tag in the lighter form (the element has none yet
    // but namespace declarations); they become nodes when first needed.
    static void adoptParsedAttributes(CTOVELDOMElement& element, CParsedAttributes* block) {
        CParsedAttributes::destroy(element.parsedAttributes);
        element.parsedAttributes = block;
    }
    static const CSharedString& tagName(const CTOVELDOMElement& element) { return element.tagName; }
    static const CSharedString& namespaceURI(const CTOVELDOMElement& element) {
        return element.namespaceURI;
    }
    // Stores a new attribute under its name without any check (the parser's path).
    static void createAttribute(CTOVELDOMElement& element, const CSharedString& name,
                                const char* value, size_t valueLength, bool specified,
                                const CSharedString& namespaceURI);
};

struct AttributeAccess {
    static const CSharedString& name(const CTOVELDOMAttribute& attribute) { return attribute.name; }
    static bool hasPendingValue(const CTOVELDOMAttribute& attribute) {
        return attribute.valuePending;
    }
    static const std::string& pendingValue(const CTOVELDOMAttribute& attribute) {
        return attribute.pendingValue;
    }
    static void setPendingValue(CTOVELDOMAttribute& attribute, const char* value, size_t length) {
        attribute.setPendingValue(value, length);
    }
    static void materializeValue(CTOVELDOMAttribute& attribute) { attribute.materializeValue(); }
};

} // namespace LUMA_7_4_0

#endif

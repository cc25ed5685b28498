// The exported factories. Every place in the library that makes a document, element,
// attribute, fragment or order definition comes through here, so a host's hook applies
// everywhere (except createTOVELDOMDocument_7_4_0, which always makes a library document).
// They are the one part of the frame that knows node kinds and the order definition:
// everything else below src/nodes works through the interfaces.
#include <toveldom/attribute.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/element.h>
#include <toveldom/factories.h>
#include <toveldom/order_def.h>

#include "frame/alloc.h"

namespace LUMA_7_4_0 {

extern "C" {

PFNCreateXMLDocument gpfnCreateXMLDocument_7_4_0 = nullptr;
PFNCreateXMLElement gpfnCreateXMLElement_7_4_0 = nullptr;
PFNCreateXMLAttribute gpfnCreateXMLAttribute_7_4_0 = nullptr;
PFNCreateXMLFragment gpfnCreateXMLFragment_7_4_0 = nullptr;
PFNCreateOrderDef gpfnCreateOrderDef_7_4_0 = nullptr;

ITOVELDOMDocument* CreateXMLDocument_7_4_0() {
    if (gpfnCreateXMLDocument_7_4_0) return gpfnCreateXMLDocument_7_4_0();
    return tryMake<CTOVELDOMDocument>();
}

ITOVELDOMElement* CreateXMLElement_7_4_0(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                         char const* tagName, char const* namespaceURI) {
    if (gpfnCreateXMLElement_7_4_0)
        return gpfnCreateXMLElement_7_4_0(doc, parent, tagName, namespaceURI);
    return tryMake<CTOVELDOMElement>(doc, parent, tagName, namespaceURI);
}

ITOVELDOMAttribute* CreateXMLAttribute_7_4_0(ITOVELDOMDocument* doc, ITOVELDOMNode* ownerElement,
                                             char const* name, char const* namespaceURI,
                                             bool specified) {
    if (gpfnCreateXMLAttribute_7_4_0)
        return gpfnCreateXMLAttribute_7_4_0(doc, ownerElement, name, namespaceURI, specified);
    return tryMake<CTOVELDOMAttribute>(doc, ownerElement, name, namespaceURI, specified);
}

ITOVELDOMDocumentFragment* CreateXMLFragment_7_4_0(ITOVELDOMDocument* doc) {
    if (gpfnCreateXMLFragment_7_4_0) return gpfnCreateXMLFragment_7_4_0(doc);
    return tryMake<CTOVELDOMDocumentFragment>(doc);
}

ITOVELDOMOrderDef* CreateOrderDef_7_4_0() {
    if (gpfnCreateOrderDef_7_4_0) return gpfnCreateOrderDef_7_4_0();
    return tryMake<CTOVELDOMOrderDef>();
}

ITOVELDOMDocument* createTOVELDOMDocument_7_4_0() {
    ITOVELDOMDocument* doc = tryMake<CTOVELDOMDocument>();
    if (!doc) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    doc->AddRef();
    return doc;
}

ITOVELDOMOrderDef* createTOVELDOMOrderDef_7_4_0() {
    ITOVELDOMOrderDef* def = CreateOrderDef_7_4_0();
    if (!def) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    def->AddRef();
    return def;
}

} // extern "C"

} // namespace LUMA_7_4_0

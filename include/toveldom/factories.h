// The exported plain functions a host starts from, and the creation hooks through which
// it can substitute its own node classes. All have C linkage (unmangled names).
#ifndef TOVELDOM_FACTORIES_H
#define TOVELDOM_FACTORIES_H

#include <toveldom/export.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

typedef ITOVELDOMDocument* (*PFNCreateXMLDocument)();
typedef ITOVELDOMElement* (*PFNCreateXMLElement)(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                                 char const* tagName, char const* namespaceURI);
typedef ITOVELDOMAttribute* (*PFNCreateXMLAttribute)(ITOVELDOMDocument* doc,
                                                     ITOVELDOMNode* ownerElement, char const* name,
                                                     char const* namespaceURI, bool specified);
typedef ITOVELDOMDocumentFragment* (*PFNCreateXMLFragment)(ITOVELDOMDocument* doc);
typedef ITOVELDOMOrderDef* (*PFNCreateOrderDef)();

extern "C" {

// Creation hooks: null when the library loads and never written by it. When a host sets
// one, the matching Create..._7_4_0 function (and so every place in the library that makes
// such a node) returns the hook's result instead of a library object.
TOVELDOM_API extern PFNCreateXMLDocument gpfnCreateXMLDocument_7_4_0;
TOVELDOM_API extern PFNCreateXMLElement gpfnCreateXMLElement_7_4_0;
TOVELDOM_API extern PFNCreateXMLAttribute gpfnCreateXMLAttribute_7_4_0;
TOVELDOM_API extern PFNCreateXMLFragment gpfnCreateXMLFragment_7_4_0;
TOVELDOM_API extern PFNCreateOrderDef gpfnCreateOrderDef_7_4_0;

// Internal factories: the hook's result, or a new library object with reference count 0
// (the caller adds the first reference); null when allocation fails. They never throw for
// lack of memory.
TOVELDOM_API ITOVELDOMDocument* CreateXMLDocument_7_4_0();
TOVELDOM_API ITOVELDOMElement* CreateXMLElement_7_4_0(ITOVELDOMDocument* doc, ITOVELDOMNode* parent,
                                                      char const* tagName,
                                                      char const* namespaceURI);
TOVELDOM_API ITOVELDOMAttribute* CreateXMLAttribute_7_4_0(ITOVELDOMDocument* doc,
                                                          ITOVELDOMNode* ownerElement,
                                                          char const* name,
                                                          char const* namespaceURI, bool specified);
TOVELDOM_API ITOVELDOMDocumentFragment* CreateXMLFragment_7_4_0(ITOVELDOMDocument* doc);
TOVELDOM_API ITOVELDOMOrderDef* CreateOrderDef_7_4_0();

// Public factories: a new object carrying one reference for the caller; they throw
// TOVELDOMException OUT_OF_MEMORY_ERR when nothing could be made. The document factory
// never consults the hook; the order definition factory does.
TOVELDOM_API ITOVELDOMDocument* createTOVELDOMDocument_7_4_0();
TOVELDOM_API ITOVELDOMOrderDef* createTOVELDOMOrderDef_7_4_0();

} // extern "C"

} // namespace LUMA_7_4_0

#endif

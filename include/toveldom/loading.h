// Loading documents that name an external DTD which the host does not want read.
//
// By default a document whose declaration is not standalone="yes" and that names an external
// DTD (<!DOCTYPE r SYSTEM "r.dtd">) or refers to parameter entities fails to load with the
// parser's "document is not standalone" error (22), unless put_resolveExternals(true) was
// set. Resolving externals reads external general entities declared in the internal subset,
// from any local path they name; it never reads the external DTD subset itself.
//
// Skipping the external DTD is the third way: the document loads, its standalone flag ends
// false, and nothing outside the document is opened, not the DTD and not any external
// entity (a reference to one, or to an entity the unread DTD might declare, is left out of
// the tree). Most configuration files on a system name a DTD this way and need nothing
// from it.
//
//   TOVELDOMPutSkipExternalDTD_7_4_0(doc, true);
//   doc->load("/etc/fonts/fonts.conf");
#ifndef TOVELDOM_LOADING_H
#define TOVELDOM_LOADING_H

#include <toveldom/export.h>
#include <toveldom/interfaces.h>

extern "C" {

// Sets or clears the mode for every later load and loadXML of doc; a clone of doc inherits
// it. Off for a new document. Throws TOVELDOMException NULL_POINTER_ERR for a null doc and
// NOT_SUPPORTED_ERR for a document a creation hook made (it has no such setting).
TOVELDOM_API void TOVELDOMPutSkipExternalDTD_7_4_0(LUMA_7_4_0::ITOVELDOMDocument* doc, bool skip);
// Whether the mode is on; false for null and for a hook's document.
TOVELDOM_API bool TOVELDOMGetSkipExternalDTD_7_4_0(const LUMA_7_4_0::ITOVELDOMDocument* doc);

} // extern "C"

#endif

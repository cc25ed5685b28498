// Saving a document in the encoding its declaration names, for hosts of the interfaces. The
// interfaces' own save writes UTF-8 under any declaration; this writes what it says.
#ifndef TOVELDOM_ENCODED_H
#define TOVELDOM_ENCODED_H

#include <toveldom/export.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

extern "C" {

// Writes doc to path as its get_xml text followed by a line feed, in encoding (null: the
// encoding the document declares; the declaration then names the one written). Characters
// the encoding lacks become character references where XML allows them. Returns true, or
// throws TOVELDOMException: NULL_POINTER_ERR for a null document, NULL_STRING_ERR for a
// null path, NOT_SUPPORTED_ERR for an unknown encoding or a character it cannot write in a
// name, comment or processing instruction, FILE_IO_ERR when the file cannot be written.
TOVELDOM_API bool TOVELDOMSaveEncoded_7_4_0(ITOVELDOMDocument* doc, const char* path,
                                            const char* encoding);
}

} // namespace LUMA_7_4_0

#endif

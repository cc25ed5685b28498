// The text content of elements and fragments: the data of every text and CDATA section
// below them, in document order; comments and processing instructions add nothing.
#ifndef TOVELDOM_SRC_TEXT_CONTENT_H
#define TOVELDOM_SRC_TEXT_CONTENT_H

#include <string>

#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

// Appends the text content of container (an element or a fragment) to out. Walks with its
// own stack, not recursion, and appends data in place instead of concatenating copies.
void appendTextContent(ITOVELDOMNode* container, std::string& out);

} // namespace LUMA_7_4_0

#endif

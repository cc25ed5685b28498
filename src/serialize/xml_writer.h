// XML text output: escaping and the layout of each node kind's text.
#ifndef TOVELDOM_SRC_XML_WRITER_H
#define TOVELDOM_SRC_XML_WRITER_H

#include <string>

namespace LUMA_7_4_0 {

class CTOVELDOMDocument;
class CTOVELDOMDocumentFragment;
class CTOVELDOMDocumentType;
class CTOVELDOMElement;
class CTOVELDOMAttribute;

namespace xmlwriter {

// Text nodes: & < > become entity references; every other byte passes unchanged.
void appendEscapedText(std::string& out, const char* data, size_t length);
// Attribute values: additionally " ' and tab, line feed, carriage return.
void appendEscapedAttribute(std::string& out, const char* data, size_t length);

void writeElement(CTOVELDOMElement& element, std::string& out);
void writeAttribute(CTOVELDOMAttribute& attribute, std::string& out);
void writeDocument(CTOVELDOMDocument& document, std::string& out);
void writeFragment(CTOVELDOMDocumentFragment& fragment, std::string& out);
void writeDocumentType(CTOVELDOMDocumentType& doctype, std::string& out);

} // namespace xmlwriter
} // namespace LUMA_7_4_0

#endif

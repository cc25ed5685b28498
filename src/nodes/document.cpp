#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/document_type.h>
#include <toveldom/element.h>
#include <toveldom/factories.h>
#include <toveldom/implementation.h>
#include <toveldom/node_ptr.h>
#include <toveldom/processing_instruction.h>

#include <cstring>

#include "frame/alloc.h"
#include "nodes/private_cast.h"
#include "nodes/text_content.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

typedef CNodePtr<ITOVELDOMNode> NodeRef;

char const* const CTOVELDOMDocument::m_nodeName = "#document";
char const* const CTOVELDOMDocument::m_nodeType = "document";

CTOVELDOMDocument::CTOVELDOMDocument()
    : CContainerNode(nullptr, nullptr), indentLevel(0), indentation("  "), version("1.0"),
      encoding("UTF-8"), standalone(true), resolveExternals(false), preserveWhiteSpace(false) {}

CTOVELDOMDocument::~CTOVELDOMDocument() = default;

char const* CTOVELDOMDocument::get_nodeName() const { return m_nodeName; }
tagITOVELDOMNodeType CTOVELDOMDocument::get_nodeType() const { return NODE_DOCUMENT; }
char const* CTOVELDOMDocument::get_nodeTypeString() const { return m_nodeType; }
ITOVELDOMNode* CTOVELDOMDocument::get_parentNode() const { return nullptr; }
ITOVELDOMNode* CTOVELDOMDocument::get_previousSibling() const { return nullptr; }
ITOVELDOMNode* CTOVELDOMDocument::get_nextSibling() const { return nullptr; }
ITOVELDOMDocument* CTOVELDOMDocument::get_ownerDocument() const { return nullptr; }
char const* CTOVELDOMDocument::get_namespaceURI() const { return namespaceURI.c_str(); }
void CTOVELDOMDocument::put_text(char const*) { throw TOVELDOMException(NOT_IMPLEMENTED_ERR); }

void CTOVELDOMDocument::setParentNode(ITOVELDOMNode*) {
    throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
}
void CTOVELDOMDocument::setOwnerDocument(ITOVELDOMDocument*) {
    throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
}

// --- settings -------------------------------------------------------------------------------

bool CTOVELDOMDocument::get_resolveExternals() const { return resolveExternals; }
void CTOVELDOMDocument::put_resolveExternals(bool resolve) { resolveExternals = resolve; }
bool CTOVELDOMDocument::get_preserveWhiteSpace() const { return preserveWhiteSpace; }
void CTOVELDOMDocument::put_preserveWhiteSpace(bool preserve) { preserveWhiteSpace = preserve; }

void CTOVELDOMDocument::put_encoding(char const* name, char const*) { put_encoding(name); }
void CTOVELDOMDocument::put_encoding(char const* name) try {
    if (!name) throw TOVELDOMException(NULL_POINTER_ERR);
    encoding = name;
} catch (...) {
    rethrowAsLibraryError();
}
char const* CTOVELDOMDocument::get_encoding() const { return encoding.c_str(); }
void CTOVELDOMDocument::setVersion(char const* v) try { version = v ? v : "1.0"; } catch (...) {
    rethrowAsLibraryError();
}
void CTOVELDOMDocument::setStandalone(bool value) { standalone = value; }
void CTOVELDOMDocument::setNamespaceURI(char const* uri) try {
    namespaceURI = uri ? uri : "";
} catch (...) {
    rethrowAsLibraryError();
}
void CTOVELDOMDocument::setIndentation(char const* unit) try {
    indentation = unit ? unit : "";
} catch (...) {
    rethrowAsLibraryError();
}
void CTOVELDOMDocument::setIndentLevel(int level) { indentLevel = level; }
int CTOVELDOMDocument::getIndentLevel() { return indentLevel; }
char const* CTOVELDOMDocument::getIndentation() { return indentation.c_str(); }

// --- tree access ----------------------------------------------------------------------------

ITOVELDOMImplementation* CTOVELDOMDocument::get_implementation() const {
    CTOVELDOMImplementation* implementation = CTOVELDOMImplementation::getInstance();
    if (!implementation) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    implementation->AddRef();
    return implementation;
}

template <class Interface>
static Interface* firstChildOfKind(const CTOVELDOMDocument& doc, tagITOVELDOMNodeType kind) {
    for (int i = 0; i < doc.childCount(); ++i) {
        ITOVELDOMNode* child = doc.childAt(i);
        if (child->get_nodeType() != kind) continue;
        auto* typed = dynamic_cast<Interface*>(child);
        if (typed) typed->AddRef();
        return typed;
    }
    return nullptr;
}

ITOVELDOMDocumentType* CTOVELDOMDocument::get_doctype() const {
    return firstChildOfKind<ITOVELDOMDocumentType>(*this, NODE_DOCUMENT_TYPE);
}

ITOVELDOMElement* CTOVELDOMDocument::get_documentElement() const {
    return firstChildOfKind<ITOVELDOMElement>(*this, NODE_ELEMENT);
}

ITOVELDOMElement* CTOVELDOMDocument::put_documentElement(ITOVELDOMElement* element) {
    if (!element) throw TOVELDOMException(NULL_POINTER_ERR);
    if (CNodePtr<ITOVELDOMElement>::adopt(get_documentElement()))
        throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
    // Directly after the document type when there is one, else last.
    NodeRef before;
    if (CNodePtr<ITOVELDOMDocumentType> doctype =
            CNodePtr<ITOVELDOMDocumentType>::adopt(get_doctype()))
        before = NodeRef::adopt(doctype->get_nextSibling());
    insertBefore(element, before); // its reference is the caller's
    return element;
}

// --- factories ------------------------------------------------------------------------------

template <class T> static T* handOut(T* node) {
    if (!node) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    node->AddRef();
    return node;
}

ITOVELDOMDocument* CTOVELDOMDocument::selfPtr() const {
    return const_cast<CTOVELDOMDocument*>(this);
}

ITOVELDOMElement* CTOVELDOMDocument::createElement(char const* tagName) const {
    if (!tagName) throw TOVELDOMException(NULL_STRING_ERR);
    return handOut(CreateXMLElement_7_4_0(selfPtr(), nullptr, tagName, ""));
}

static bool hasColon(char const* name) { return std::strchr(name, ':') != nullptr; }

ITOVELDOMElement* CTOVELDOMDocument::createElementNS(char const* ns,
                                                     char const* qualifiedName) const {
    if (!qualifiedName) throw TOVELDOMException(NULL_STRING_ERR);
    if (hasColon(qualifiedName) && (!ns || !*ns)) throw TOVELDOMException(NULL_STRING_ERR);
    return handOut(CreateXMLElement_7_4_0(selfPtr(), nullptr, qualifiedName, ns ? ns : ""));
}

ITOVELDOMAttribute* CTOVELDOMDocument::createAttribute(char const* name) const {
    return handOut(CreateXMLAttribute_7_4_0(selfPtr(), nullptr, name ? name : "", "", true));
}

ITOVELDOMAttribute* CTOVELDOMDocument::createAttributeNS(char const* ns,
                                                         char const* qualifiedName) const {
    if (!qualifiedName) throw TOVELDOMException(NULL_STRING_ERR);
    // A prefixed name needs a namespace; an unprefixed one may not have one, not even "".
    if (hasColon(qualifiedName) ? (!ns || !*ns) : ns != nullptr)
        throw TOVELDOMException(NULL_STRING_ERR);
    return handOut(CreateXMLAttribute_7_4_0(selfPtr(), nullptr, qualifiedName, ns, true));
}

ITOVELDOMText* CTOVELDOMDocument::createTextNode(char const* data) const {
    return handOut(make<CTOVELDOMText>(selfPtr(), nullptr, data));
}

ITOVELDOMComment* CTOVELDOMDocument::createComment(char const* data) const {
    return handOut(make<CTOVELDOMComment>(selfPtr(), nullptr, data));
}

ITOVELDOMCDATASection* CTOVELDOMDocument::createCDATASection(char const* data) const {
    return handOut(make<CTOVELDOMCDATASection>(selfPtr(), nullptr, data));
}

ITOVELDOMProcessingInstruction*
CTOVELDOMDocument::createProcessingInstruction(char const* target, char const* data) const {
    return handOut(make<CTOVELDOMProcessingInstruction>(selfPtr(), nullptr, target, data));
}

ITOVELDOMDocumentFragment* CTOVELDOMDocument::createDocumentFragment() const {
    return handOut(CreateXMLFragment_7_4_0(selfPtr()));
}

ITOVELDOMNode* CTOVELDOMDocument::createEntityReference(char const*) const {
    throw TOVELDOMException(NOT_IMPLEMENTED_ERR);
}

// --- copies ---------------------------------------------------------------------------------

ITOVELDOMNode* CTOVELDOMDocument::cloneNode(bool deep) try {
    ITOVELDOMDocument* copy =
        gpfnCreateXMLDocument_7_4_0 ? gpfnCreateXMLDocument_7_4_0() : tryMake<CTOVELDOMDocument>();
    if (!copy) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    NodeRef hold(copy);
    // Encoding and indentation are not copied: the copy prints with the defaults.
    ITOVELDOMPrivate* target = privateInterface(copy);
    target->setNamespaceURI(namespaceURI.c_str());
    copy->put_preserveWhiteSpace(preserveWhiteSpace);
    copy->put_resolveExternals(resolveExternals);
    if (auto* doc = dynamic_cast<CTOVELDOMDocument*>(copy)) {
        doc->setStandalone(standalone);
        doc->setVersion(version.c_str());
        doc->setExternalDTDSkipped(skipExternalDTD);
    }
    if (deep) appendChildCopies(copy, copy);
    return hold.detach();
} catch (...) {
    rethrowAsLibraryError();
}

ITOVELDOMNode* CTOVELDOMDocument::importNode(ITOVELDOMNode* node, bool deep) try {
    if (!node) throw TOVELDOMException(NULL_POINTER_ERR);
    switch (node->get_nodeType()) {
    case NODE_ELEMENT:
    case NODE_ATTRIBUTE:
    case NODE_TEXT:
    case NODE_CDATA_SECTION:
    case NODE_PROCESSING_INSTRUCTION:
    case NODE_COMMENT:
    case NODE_DOCUMENT_FRAGMENT:
        break;
    default:
        throw TOVELDOMException(NOT_SUPPORTED_ERR);
    }
    // An attribute is always copied deeply, so that its value comes along.
    bool full = deep || node->get_nodeType() == NODE_ATTRIBUTE;
    NodeRef copy = NodeRef::adopt(node->cloneNode(full));
    privateInterface(copy)->setOwnerDocument(this);
    return copy.detach();
} catch (...) {
    rethrowAsLibraryError();
}

// --- text and output ------------------------------------------------------------------------

std::string CTOVELDOMDocument::getText() {
    // The document type contributes nothing, so this is the document element's text.
    std::string text;
    for (int i = 0; i < childCount(); ++i) {
        ITOVELDOMNode* child = childAt(i);
        if (child->get_nodeType() == NODE_ELEMENT) appendTextContent(child, text);
    }
    return text;
}

bool CTOVELDOMDocument::save(char* fileName) try {
    if (!fileName) throw TOVELDOMException(NULL_STRING_ERR);
    std::string text;
    getXML(text);
    int fd = platform::openForWriting(fileName);
    if (fd < 0) throw TOVELDOMException(FILE_IO_ERR);
    // A failed or short write (a full disk) is reported too: the caller must not believe
    // a truncated file holds the document.
    bool written = platform::writeAll(fd, text.data(), text.size());
    bool closed = platform::closeFile(fd);
    if (!written || !closed) throw TOVELDOMException(FILE_IO_ERR);
    return true;
} catch (...) {
    rethrowAsLibraryError();
}

} // namespace LUMA_7_4_0

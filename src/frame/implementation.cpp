// The implementation's create functions are factories, like factories.cpp: the one place
// in the frame that knows node kinds (here only the document type; documents come from
// the exported factory).
#include <toveldom/document_type.h>
#include <toveldom/factories.h>
#include <toveldom/implementation.h>
#include <toveldom/node_ptr.h>

#include "frame/alloc.h"
#include "frame/private_interface.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

CTOVELDOMImplementation* CTOVELDOMImplementation::m_theDOMImplementation = nullptr;

// Runs at unload and drops the library's own reference on the singleton.
static CTOVELDOMImplementationCleaner theCleaner;

CTOVELDOMImplementationCleaner::~CTOVELDOMImplementationCleaner() {
    if (CTOVELDOMImplementation::m_theDOMImplementation) {
        CTOVELDOMImplementation::m_theDOMImplementation->Release();
        CTOVELDOMImplementation::m_theDOMImplementation = nullptr;
    }
}

CTOVELDOMImplementation::CTOVELDOMImplementation() : refCount(0) {}
CTOVELDOMImplementation::~CTOVELDOMImplementation() = default;

CTOVELDOMImplementation* CTOVELDOMImplementation::getInstance() {
    if (!m_theDOMImplementation) {
        CTOVELDOMImplementation* created = new (std::nothrow) CTOVELDOMImplementation();
        if (!created) return nullptr;
        created->refCount = 1; // the library's own reference, dropped at unload
        m_theDOMImplementation = created;
    }
    return m_theDOMImplementation;
}

bool CTOVELDOMImplementation::hasFeature(char const* feature, char const* version) const {
    if (!feature || !version || platform::stricmp(version, "1.0") != 0) return false;
    return platform::stricmp(feature, "XML") == 0 || platform::stricmp(feature, "DOM") == 0;
}

ITOVELDOMDocumentType* CTOVELDOMImplementation::createDocumentType(char const* qualifiedName,
                                                                   char const* publicId,
                                                                   char const* systemId) const {
    auto* doctype =
        make<CTOVELDOMDocumentType>(nullptr, nullptr, qualifiedName, systemId, publicId, nullptr);
    doctype->AddRef();
    return doctype;
}

ITOVELDOMDocument* CTOVELDOMImplementation::createDocument(char const* namespaceURI,
                                                           char const* qualifiedName,
                                                           ITOVELDOMDocumentType* doctype) const {
    ITOVELDOMDocument* created = CreateXMLDocument_7_4_0();
    if (!created) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    CNodePtr<ITOVELDOMDocument> doc(created);
    if (namespaceURI) privateInterface(doc)->setNamespaceURI(namespaceURI);
    if (doctype) CNodePtr<ITOVELDOMNode>::adopt(doc->appendChild(doctype));
    if (qualifiedName && *qualifiedName) {
        CNodePtr<ITOVELDOMElement> element =
            CNodePtr<ITOVELDOMElement>::adopt(doc->createElement(qualifiedName));
        CNodePtr<ITOVELDOMNode>::adopt(doc->appendChild(element));
    }
    return doc.detach();
}

int CTOVELDOMImplementation::AddRef() { return ++refCount; }

int CTOVELDOMImplementation::Release() {
    int left = --refCount;
    if (left == 0) delete this;
    return left;
}

int CTOVELDOMImplementation::GetRef() { return refCount; }

} // namespace LUMA_7_4_0

// CTOVELDOMImplementation: the process-wide singleton behind get_implementation.
#ifndef TOVELDOM_IMPLEMENTATION_H
#define TOVELDOM_IMPLEMENTATION_H

#include <cstdint>

#include <toveldom/export.h>
#include <toveldom/interfaces.h>

namespace LUMA_7_4_0 {

class TOVELDOM_API CTOVELDOMImplementation : public ITOVELDOMImplementation {
public:
    // The singleton, created on first use with the library's own reference (held until
    // unload). Adds no reference for the caller; null only when allocation fails.
    static CTOVELDOMImplementation* getInstance();

    bool hasFeature(char const* feature, char const* version) const override;
    // A parentless document type without owner document (+1 ref).
    ITOVELDOMDocumentType* createDocumentType(char const* qualifiedName, char const* publicId,
                                              char const* systemId) const override;
    // A new document (+1 ref) holding doctype and an element named qualifiedName when given.
    ITOVELDOMDocument* createDocument(char const* namespaceURI, char const* qualifiedName,
                                      ITOVELDOMDocumentType* doctype) const override;
    int AddRef() override;
    int Release() override;
    virtual ~CTOVELDOMImplementation();
    virtual int GetRef();

    static CTOVELDOMImplementation* m_theDOMImplementation;

private:
    CTOVELDOMImplementation();
    int32_t refCount;
};

// Drops the library's reference on the singleton when the library unloads.
class TOVELDOM_API CTOVELDOMImplementationCleaner {
public:
    ~CTOVELDOMImplementationCleaner();
};

} // namespace LUMA_7_4_0

#endif

// From a node's public face to the library's view of it.
#ifndef TOVELDOM_SRC_NODES_PRIVATE_CAST_H
#define TOVELDOM_SRC_NODES_PRIVATE_CAST_H

#include <typeinfo>

#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/document_type.h>
#include <toveldom/element.h>
#include <toveldom/exceptions.h>
#include <toveldom/interfaces.h>
#include <toveldom/processing_instruction.h>

#include "frame/private_interface.h"

namespace LUMA_7_4_0 {

template <class T> struct KindOf;
template <> struct KindOf<CTOVELDOMElement> { static constexpr auto value = NODE_ELEMENT; };
template <> struct KindOf<CTOVELDOMAttribute> { static constexpr auto value = NODE_ATTRIBUTE; };
template <> struct KindOf<CTOVELDOMText> { static constexpr auto value = NODE_TEXT; };
template <> struct KindOf<CTOVELDOMCDATASection> {
    static constexpr auto value = NODE_CDATA_SECTION;
};
template <> struct KindOf<CTOVELDOMProcessingInstruction> {
    static constexpr auto value = NODE_PROCESSING_INSTRUCTION;
};
template <> struct KindOf<CTOVELDOMComment> { static constexpr auto value = NODE_COMMENT; };
template <> struct KindOf<CTOVELDOMDocument> { static constexpr auto value = NODE_DOCUMENT; };
template <> struct KindOf<CTOVELDOMDocumentType> {
    static constexpr auto value = NODE_DOCUMENT_TYPE;
};
template <> struct KindOf<CTOVELDOMDocumentFragment> {
    static constexpr auto value = NODE_DOCUMENT_FRAGMENT;
};

// node as the library class T when that is exactly its class, else null. The node type is
// asked first: type identity then only has to confirm a match (one pointer comparison),
// and a host's hooked classes are never mistaken for ours.
template <class T> inline T* asExactly(ITOVELDOMNode* node) {
    if (!node || node->get_nodeType() != KindOf<T>::value) return nullptr;
    return &typeid(*node) == &typeid(T) ? static_cast<T*>(node) : nullptr;
}
template <class T> inline const T* asExactly(const ITOVELDOMNode* node) {
    return asExactly<T>(const_cast<ITOVELDOMNode*>(node));
}

// The private face of any node (see privateInterface). Our objects are made inside the
// library, so their type information is the library's own object: comparing its address
// recognises the common classes without a full dynamic_cast.
inline ITOVELDOMPrivate* privateOf(ITOVELDOMNode* node) {
    const std::type_info* type = &typeid(*node);
    if (type == &typeid(CTOVELDOMElement)) return static_cast<CTOVELDOMElement*>(node);
    if (type == &typeid(CTOVELDOMText)) return static_cast<CTOVELDOMText*>(node);
    if (type == &typeid(CTOVELDOMAttribute)) return static_cast<CTOVELDOMAttribute*>(node);
    return privateInterface(node);
}

inline ITOVELDOMPrivate* privateOf(const ITOVELDOMNode* node) {
    return privateOf(const_cast<ITOVELDOMNode*>(node));
}

} // namespace LUMA_7_4_0

#endif

// Prefix and local name of a qualified name. They are not stored: they are derived from
// the name whenever asked for, and built in the node's result cache.
#ifndef TOVELDOM_SRC_QUALIFIED_NAME_H
#define TOVELDOM_SRC_QUALIFIED_NAME_H

#include <cstring>
#include <string>

#include "frame/shared_string.h"
#include <toveldom/node_base.h>

namespace LUMA_7_4_0 {
namespace qname {

// With a namespace: the part before the first colon, or "". Without one the node has no
// prefix (null), as in the DOM.
inline const char* prefix(const CSharedString& name, const CSharedString& ns, CResultCache& cache) {
    if (ns.empty()) return nullptr;
    const char* colon = std::strchr(name.c_str(), ':');
    return cache.set(colon ? std::string(name.c_str(), size_t(colon - name.c_str()))
                           : std::string());
}

// With a namespace: the part after the first colon, or the whole name when it has no colon
// or ends with its first colon. Without one: the whole name.
inline const char* localName(const char* name, bool hasNamespace, CResultCache& cache) {
    if (!hasNamespace) return name;
    const char* colon = std::strchr(name, ':');
    if (!colon || colon[1] == 0) return cache.set(name);
    return cache.set(colon + 1);
}
inline const char* localName(const CSharedString& name, const CSharedString& ns,
                             CResultCache& cache) {
    return localName(name.c_str(), !ns.empty(), cache);
}

// prefix:local, or local alone for a null or empty prefix (a name without prefix has no
// colon).
inline std::string withPrefix(const char* prefix, const char* local) {
    std::string name;
    if (prefix && *prefix) name.append(prefix).append(":");
    return name.append(local ? local : "");
}

// The attribute name that declares prefix: "xmlns", or "xmlns:" and the prefix.
inline std::string declarationName(const char* prefix) {
    return prefix && *prefix ? std::string("xmlns:") + prefix : std::string("xmlns");
}

} // namespace qname
} // namespace LUMA_7_4_0

#endif

// The names of one parse. The parser reports a namespaced name as "uri\x01local"; the
// nodes carry the qualified name (the prefix of the oldest binding of that URI in scope,
// a colon and the local name) and the URI. Working that out is a scan of the bindings and
// two look-ups, for every element and attribute of the document, while a document uses a
// few dozen distinct names: so each raw name is resolved once and remembered, and only
// resolved again when the bindings of its URI change.
#ifndef TOVELDOM_SRC_PARSE_NAME_TABLE_H
#define TOVELDOM_SRC_PARSE_NAME_TABLE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "frame/shared_string.h"

namespace LUMA_7_4_0 {

struct NamespaceBinding;

// One per distinct URI bound during the parse.
struct NamespaceState {
    CSharedString uri;
    const NamespaceBinding* oldest = nullptr; // the oldest binding of the URI in scope
    uint32_t version = 0;                     // counts the changes of oldest
};

struct NamespaceBinding {
    CSharedString prefix; // shared through the table; empty for the default namespace
    bool hasPrefix = false;
    NamespaceState* state = nullptr;
    CSharedString declarationName; // "xmlns" or "xmlns:prefix"
};

struct ResolvedName {
    CSharedString qualified;
    CSharedString uri; // empty when the name has none
    bool hasURI = false;
    bool xmlSpace = false; // the qualified name is "xml:space"
};

class NameTable {
public:
    NameTable();
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;

    // The resolved form of a name as the parser reports it. The reference stays valid
    // until the next call.
    const ResolvedName& resolve(const char* raw);

    // Every distinct text handed here is stored once and shared.
    const CSharedString& intern(std::string_view text);

    // Binding changes, in the parser's order (a binding ends before any older one does).
    // bind fills in binding, the URI's state included.
    void bind(NamespaceBinding& binding, const char* prefix, const char* uri);
    void unbind(const NamespaceBinding& binding);

private:
    struct Slot {
        uint64_t hash = 0;
        std::string raw; // empty: a free slot (the parser never reports an empty name)
        ResolvedName name;
        NamespaceState* state = nullptr; // of the URI, for a namespaced name
        uint32_t version = 0;            // state->version when name was worked out
        const char* prefix = nullptr;    // the prefix text it used, or null
    };

    void fill(Slot& slot);
    void settle(Slot& slot);
    void grow();

    // The last few distinct declarations: documents repeat the same few, often one per
    // element, and each would otherwise cost several look-ups.
    struct RecentBinding {
        std::string prefix;
        bool hasPrefix = false;
        std::string uri;
        NamespaceBinding shared; // prefix, state and declaration name, ready to copy
    };
    static constexpr int kRecent = 8;

    std::vector<Slot> slots; // open addressing, a power of two in size, at most half full
    size_t used = 0;
    uint64_t seed;
    std::unordered_map<std::string_view, CSharedString> texts; // keys point into values
    std::unordered_map<std::string_view, NamespaceState> states;
    std::string scratch;
    RecentBinding recent[kRecent];
    int recentNext = 0;
};

} // namespace LUMA_7_4_0

#endif

#include "parse/name_table.h"

#include <chrono>
#include <cstring>

namespace LUMA_7_4_0 {

namespace {

constexpr char kSeparator = '\x01';

// Names are short and looked up for every element and attribute: eight bytes per step.
uint64_t hashBytes(const char* bytes, size_t length, uint64_t seed) {
    constexpr uint64_t kMultiplier = 0xBF58476D1CE4E5B9u;
    const size_t total = length;
    uint64_t h = seed ^ length;
    uint64_t word;
    for (; length >= 8; bytes += 8, length -= 8) {
        std::memcpy(&word, bytes, 8);
        h = (h ^ word) * kMultiplier;
        h ^= h >> 31;
    }
    if (length) {
        // The last eight bytes (overlapping the previous word) when there are that many:
        // one load, where a short copy would stall the load that reads it back.
        if (total >= 8) {
            std::memcpy(&word, bytes + length - 8, 8);
        } else {
            word = 0;
            for (size_t i = 0; i < length; ++i) word |= uint64_t(uint8_t(bytes[i])) << (8 * i);
        }
        h = (h ^ word) * kMultiplier;
        h ^= h >> 31;
    }
    return h ^ (h >> 29);
}

} // namespace

// Seeded per table, so that a document cannot be made of names that all collide.
NameTable::NameTable()
    : slots(16), seed(0x9E3779B97F4A7C15u ^ uint64_t(reinterpret_cast<uintptr_t>(this)) ^
                      uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())) {}

const ResolvedName& NameTable::resolve(const char* raw) {
    const size_t length = std::strlen(raw);
    const uint64_t hash = hashBytes(raw, length, seed);
    for (;;) {
        const size_t mask = slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots[i];
            if (slot.raw.empty()) {
                if (2 * (used + 1) > slots.size()) break; // grow, then probe again
                slot.raw.assign(raw, length);
                slot.hash = hash;
                ++used;
                fill(slot);
                return slot.name;
            }
            if (slot.hash == hash && slot.raw.size() == length &&
                std::memcmp(slot.raw.data(), raw, length) == 0) {
                if (slot.state && slot.version != slot.state->version) settle(slot);
                return slot.name;
            }
        }
        grow();
    }
}

void NameTable::fill(Slot& slot) {
    const size_t separator = slot.raw.rfind(kSeparator);
    if (separator == std::string::npos) {
        slot.name.qualified = intern(slot.raw);
        slot.name.xmlSpace = false; // "xml:space" always comes with its namespace
        return;
    }
    const std::string_view uri(slot.raw.data(), separator);
    auto found = states.find(uri);
    if (found == states.end()) {
        // Not bound in scope, which the parser does not report; the local name alone.
        const CSharedString& shared = intern(uri);
        found =
            states.emplace(std::string_view(shared.c_str(), shared.size()), NamespaceState{shared})
                .first;
    }
    slot.state = &found->second;
    slot.name.uri = slot.state->uri;
    slot.name.hasURI = true;
    settle(slot);
}

void NameTable::settle(Slot& slot) {
    const NamespaceBinding* oldest = slot.state->oldest;
    const char* prefix = oldest && oldest->hasPrefix ? oldest->prefix.c_str() : nullptr;
    slot.version = slot.state->version;
    // Prefixes are shared texts: the same pointer is the same prefix.
    if (!slot.name.qualified.empty() && prefix == slot.prefix) return;
    slot.prefix = prefix;
    const char* local = slot.raw.c_str() + slot.raw.rfind(kSeparator) + 1;
    if (prefix) {
        scratch.assign(prefix).append(1, ':').append(local);
        slot.name.qualified = intern(scratch);
    } else {
        slot.name.qualified = intern(local);
    }
    slot.name.xmlSpace = slot.name.qualified == "xml:space";
}

void NameTable::grow() {
    std::vector<Slot> old(slots.size() * 2);
    old.swap(slots);
    const size_t mask = slots.size() - 1;
    for (Slot& slot : old) {
        if (slot.raw.empty()) continue;
        size_t i = slot.hash & mask;
        while (!slots[i].raw.empty()) i = (i + 1) & mask;
        slots[i] = std::move(slot);
    }
}

const CSharedString& NameTable::intern(std::string_view text) {
    static const CSharedString empty;
    if (text.empty()) return empty;
    auto found = texts.find(text);
    if (found != texts.end()) return found->second;
    CSharedString shared(text.data(), text.size());
    std::string_view key(shared.c_str(), shared.size()); // the shared copy outlives the entry
    return texts.emplace(key, std::move(shared)).first->second;
}

void NameTable::bind(NamespaceBinding& binding, const char* prefix, const char* uri) {
    if (!uri) uri = "";
    const RecentBinding* known = nullptr;
    for (const RecentBinding& r : recent) {
        if (r.shared.state && r.hasPrefix == (prefix != nullptr) && r.uri == uri &&
            (!prefix || r.prefix == prefix)) {
            known = &r;
            break;
        }
    }
    if (!known) {
        RecentBinding& r = recent[recentNext];
        recentNext = (recentNext + 1) % kRecent;
        r.shared.state = nullptr; // unusable until complete
        r.hasPrefix = prefix != nullptr;
        r.prefix = prefix ? prefix : "";
        r.uri = uri;
        r.shared.hasPrefix = r.hasPrefix;
        r.shared.prefix = prefix ? intern(prefix) : CSharedString();
        r.shared.declarationName = intern(prefix ? "xmlns:" + r.prefix : std::string("xmlns"));
        const CSharedString& shared = intern(uri);
        const std::string_view key(shared.c_str(), shared.size());
        auto found = states.find(key);
        if (found == states.end()) found = states.emplace(key, NamespaceState{shared}).first;
        r.shared.state = &found->second;
        known = &r;
    }
    binding = known->shared;
    if (!binding.state->oldest) {
        binding.state->oldest = &binding;
        ++binding.state->version;
    }
}

void NameTable::unbind(const NamespaceBinding& binding) {
    // The binding ending is the newest in scope: if it is its URI's oldest, it is the only
    // one of its URI.
    if (binding.state && binding.state->oldest == &binding) {
        binding.state->oldest = nullptr;
        ++binding.state->version;
    }
}

} // namespace LUMA_7_4_0

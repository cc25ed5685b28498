#include <toveldom/named_node_map.h>

#include <cstdlib>
#include <cstring>

#include "frame/node_heap.h"
#include "frame/node_storage.h"
#include "tree/hash_table.h"

namespace LUMA_7_4_0 {

template class CNodeHashTable<ITOVELDOMNode*>;

void* CTOVELDOMNamedNodeMap::operator new(size_t size) { return nodeAllocate(size); }
void CTOVELDOMNamedNodeMap::operator delete(void* object, size_t size) noexcept {
    nodeFree(object, size);
}

CTOVELDOMNamedNodeMap::CTOVELDOMNamedNodeMap()
    : refCount(0), cursor(begin()), cursorChanges(changeCount()) {}

CTOVELDOMNamedNodeMap::~CTOVELDOMNamedNodeMap() {
    // Empty the table before releasing: a release may destroy an attribute, and nothing
    // may reach this map through it meanwhile. Most maps are small enough for the stack.
    const int n = size();
    if (n == 0) return;
    ITOVELDOMNode* onStack[16];
    ITOVELDOMNode** held =
        n <= 16 ? onStack
                : static_cast<ITOVELDOMNode**>(rawAllocate(sizeof(ITOVELDOMNode*) * size_t(n)));
    int k = 0;
    if (held) {
        for (__MAPPOS pos = begin(); pos;) held[k++] = nextValue(pos);
        removeAll();
    } else {
        // No memory for the list: release while walking, which the table survives since
        // no entry is unlinked before removeAll.
        for (__MAPPOS pos = begin(); pos;)
            if (ITOVELDOMNode* node = nextValue(pos)) node->Release();
    }
    for (int i = 0; i < k; ++i)
        if (held[i]) held[i]->Release();
    if (held != onStack) rawFree(held);
}

long CTOVELDOMNamedNodeMap::get_length() const { return size(); }

ITOVELDOMNode* CTOVELDOMNamedNodeMap::getNamedItem(char const* name) const {
    if (!name) return nullptr;
    ITOVELDOMNode* node = nullptr;
    if (!lookup(name, node) || !node) return nullptr;
    node->AddRef();
    return node;
}

ITOVELDOMNode* CTOVELDOMNamedNodeMap::setNamedItem(ITOVELDOMNode* node) {
    if (!node) throw TOVELDOMException(NULL_POINTER_ERR);
    ITOVELDOMNode*& slot = (*this)[node->get_nodeName()];
    ITOVELDOMNode* previous = slot;
    slot = node;
    node->AddRef();
    return previous;
}

ITOVELDOMNode* CTOVELDOMNamedNodeMap::removeNamedItem(char const* name) {
    if (!name) return nullptr;
    ITOVELDOMNode* node = nullptr;
    if (!lookup(name, node)) return nullptr;
    removeKey(name);
    return node;
}

ITOVELDOMNode* CTOVELDOMNamedNodeMap::get_item(long index) const {
    if (index >= size()) throw TOVELDOMException(INDEX_SIZE_ERR);
    if (index < 0) return nullptr;
    __MAPPOS pos = begin();
    ITOVELDOMNode* node = nullptr;
    for (long i = 0; i <= index && pos; ++i) node = nextValue(pos);
    if (node) node->AddRef();
    return node;
}

static bool sameString(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

ITOVELDOMNode* CTOVELDOMNamedNodeMap::getNamedItemNS(char const* namespaceURI,
                                                     char const* localName) const {
    if (!namespaceURI || !localName) throw TOVELDOMException(NULL_STRING_ERR);
    for (__MAPPOS pos = begin(); pos;) {
        ITOVELDOMNode* node = nextValue(pos);
        if (!node) continue;
        if (sameString(node->get_localName(), localName) &&
            sameString(node->get_namespaceURI(), namespaceURI)) {
            node->AddRef();
            return node;
        }
    }
    return nullptr;
}

ITOVELDOMNode* CTOVELDOMNamedNodeMap::removeNamedItemNS(char const* namespaceURI,
                                                        char const* localName) {
    ITOVELDOMNode* found = getNamedItemNS(namespaceURI, localName);
    if (!found) return nullptr;
    // The entry is removed under the node's current name. When a prefix change made that
    // name differ from the key it was stored under, nothing is removed and the map keeps
    // its reference: the caller gets null rather than a reference both would own.
    ITOVELDOMNode* stored = nullptr;
    const char* key = found->get_nodeName();
    if (lookup(key, stored) && stored == found) {
        removeKey(key);
        found->Release(); // the look-up's; the caller receives the map's
        return found;
    }
    found->Release();
    return nullptr;
}

ITOVELDOMNode* CTOVELDOMNamedNodeMap::nextNode() {
    // A cursor set before the last insertion or removal may point at a recycled entry:
    // such a walk ends until reset().
    if (!cursor || cursorChanges != changeCount()) return nullptr;
    ITOVELDOMNode* node = nextValue(cursor);
    if (node) node->AddRef();
    return node;
}

void CTOVELDOMNamedNodeMap::reset() {
    cursor = begin();
    cursorChanges = changeCount();
}
int CTOVELDOMNamedNodeMap::AddRef() { return ++refCount; }

int CTOVELDOMNamedNodeMap::Release() {
    int left = --refCount;
    if (left == 0) delete this;
    return left;
}

} // namespace LUMA_7_4_0

#include <toveldom/node_list.h>

#include "frame/node_heap.h"

namespace LUMA_7_4_0 {

void* CTOVELDOMNodeList::operator new(size_t size) { return nodeAllocate(size); }
void CTOVELDOMNodeList::operator delete(void* object, size_t size) noexcept {
    nodeFree(object, size);
}

long CTOVELDOMNodeList::get_length() const { return count(); }

ITOVELDOMNode* CTOVELDOMNodeList::get_item(long index) const {
    if (index < 0 || index >= count()) return nullptr;
    ITOVELDOMNode* node = elementAt(int(index));
    node->AddRef();
    return node;
}

ITOVELDOMNode* CTOVELDOMNodeList::nextNode() {
    if (cursor >= count()) return nullptr;
    int at = cursor++;
    if (at < 0) return nullptr;
    ITOVELDOMNode* node = elementAt(at);
    node->AddRef();
    return node;
}

void CTOVELDOMNodeList::reset() { cursor = 0; }
int CTOVELDOMNodeList::AddRef() { return ++refCount; }

int CTOVELDOMNodeList::Release() {
    int left = --refCount;
    if (left == 0) delete this;
    return left;
}

int CTOVELDOMNodeList::GetRef() { return refCount; }

} // namespace LUMA_7_4_0

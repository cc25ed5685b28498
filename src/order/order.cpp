// Reordering an element's children by an order definition: element children are grouped by
// name (ungrouped names first, then the groups in rank order) and sorted by a text key
// inside each group. Other children keep their positions.
#include <toveldom/element.h>
#include <toveldom/node_ptr.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "frame/alloc.h"
#include "platform/platform.h"
#include "nodes/private_cast.h"

namespace LUMA_7_4_0 {

namespace {

using SortRecord = CTOVELDOMElement::SortElementDef;
using SortGroup = CDynamicArray<SortRecord>;

const char* keyOf(const void* slot) {
    const char* key = (*static_cast<SortRecord* const*>(slot))->key;
    return key ? key : "";
}

// The same folding as platform::stricoll, so that collating pre-folded keys with strcoll
// gives exactly its result.
inline char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }

// The first child of node whose name is name (letter case ignored), or null.
ITOVELDOMNode* findKeyChild(ITOVELDOMNode* node, const char* name) {
    if (const CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(node)) {
        for (int i = 0, n = element->childCount(); i < n; ++i) {
            ITOVELDOMNode* child = element->childAt(i);
            if (platform::stricmp(child->get_nodeName(), name) == 0) return child;
        }
        return nullptr;
    }
    // A host's own element class: go through the interface. The child stays alive after our
    // reference goes, since its parent holds one.
    CNodePtr<ITOVELDOMNodeList> list = CNodePtr<ITOVELDOMNodeList>::adopt(node->get_childNodes());
    if (!list) return nullptr;
    for (long i = 0, n = list->get_length(); i < n; ++i) {
        CNodePtr<ITOVELDOMNode> child = CNodePtr<ITOVELDOMNode>::adopt(list->get_item(i));
        if (child && platform::stricmp(child->get_nodeName(), name) == 0) return child.get();
    }
    return nullptr;
}

// The group arrays live only during one call; a definition may have any number of groups, so
// they are allocated together rather than on the stack.
std::unique_ptr<SortGroup[]> makeGroups(unsigned count) {
    try {
        return std::unique_ptr<SortGroup[]>(new SortGroup[size_t(count) + 1]);
    } catch (const std::bad_alloc&) {
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
}

} // namespace

int CTOVELDOMElement::x_s_strcoll(const void* a, const void* b) {
    return std::strcoll(keyOf(a), keyOf(b));
}

int CTOVELDOMElement::x_i_strcoll(const void* a, const void* b) {
    return platform::stricoll(keyOf(a), keyOf(b));
}

void CTOVELDOMElement::sort(CDynamicArray<SortElementDef>& group, bool caseSensitive) {
    const int n = group.count();
    if (n < 2) return;
    SortElementDef** records = group.getElements();
    // Stable, so that elements with equal keys keep their document order and running the same
    // ordering twice gives the same sequence. The array only holds pointers: permuting them
    // moves no reference.
    if (caseSensitive) {
        std::stable_sort(records, records + n, [](SortElementDef* a, SortElementDef* b) {
            return x_s_strcoll(&a, &b) < 0;
        });
        return;
    }
    // x_i_strcoll folds both keys into fresh strings on every comparison: two allocations per
    // comparison, and an allocation failure inside the sort would leave the array half
    // permuted. Each key is folded once here instead, before anything moves; strcoll over the
    // folded copies gives the same answers.
    struct Folded {
        const char* key;
        SortElementDef* record;
    };
    std::string folded;
    std::vector<Folded> entries;
    try {
        size_t total = 0;
        for (int i = 0; i < n; ++i) total += std::strlen(keyOf(&records[i])) + 1;
        folded.resize(total);
        entries.reserve(size_t(n));
    } catch (const std::bad_alloc&) {
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
    char* out = &folded[0];
    for (int i = 0; i < n; ++i) {
        entries.push_back(Folded{out, records[i]});
        for (const char* in = keyOf(&records[i]); *in; ++in) *out++ = foldAscii(*in);
        *out++ = '\0';
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Folded& a, const Folded& b) {
        return std::strcoll(a.key, b.key) < 0;
    });
    for (int i = 0; i < n; ++i) records[i] = entries[size_t(i)].record;
}

void CTOVELDOMElement::order(ITOVELDOMOrderDef const* definition) {
    if (!definition) throw TOVELDOMException(NULL_POINTER_ERR);
    const char* tagName = definition->getSortTagName();
    const unsigned tagLevel = definition->getSortTagLevel();
    const bool descending = definition->getSortOrder() != ITOVELDOMOrderDef::eSortAscending;
    const bool caseSensitive = definition->getSortSensitivity();
    const unsigned groupCount = definition->getGroupSize();
    // Our own definition stores "" for a null name; a host's definition may still hand one
    // out, and there is no sensible key child to look for then.
    if (tagLevel != 1 && !tagName) throw TOVELDOMException(NULL_STRING_ERR);

    CTOVELDOMNodeList* list = childList();
    const int childTotal = list ? list->count() : 0;
    if (childTotal < 2) return;

    // Everything that can fail happens before the first child moves: records, group arrays,
    // keys and the sort itself.
    std::unique_ptr<SortGroup[]> groups = makeGroups(groupCount);
    int elementTotal = 0;
    try {
        for (int i = 0; i < childTotal; ++i) {
            ITOVELDOMNode* child = list->elementAt(i);
            if (child->get_nodeType() != NODE_ELEMENT) continue;
            ++elementTotal;
            std::unique_ptr<SortElementDef> record(make<SortElementDef>());
            record->node = child;

            // The group is taken before the key: the key may point into the child's result
            // cache, and nothing may touch that cache once the key is taken.
            unsigned rank = groupCount ? definition->getGroupRank(child->get_nodeName()) : 0;
            // A host's definition answering beyond its own group count gets no group.
            if (rank > groupCount) rank = 0;

            if (tagLevel == 1) {
                record->key = child->get_text();
            } else if (ITOVELDOMNode* keyChild = findKeyChild(child, tagName)) {
                record->key = keyChild->get_text();
            }
            groups[rank].appendElement(record.get());
            record.release(); // the group array holds it now
        }
    } catch (const std::bad_alloc&) {
        throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    }
    if (elementTotal < 2) return;

    for (unsigned g = 0; g <= groupCount; ++g) {
        SortGroup& group = groups[g];
        // Descending is read from last to first after an ascending sort. Reversing the group
        // first makes equal keys come out in document order in that direction too.
        if (descending) std::reverse(group.getElements(), group.getElements() + group.count());
        sort(group, caseSensitive);
    }

    // Write-back: the elements fill the element positions in group order, every other child
    // keeps its place. Positions are visited in increasing order, so the slot tested is always
    // still its original node, and the element positions are exactly those found above.
    // moveElementTo goes through the list itself: no reference moves and its look-up hint
    // keeps checking against the new contents.
    int position = 0;
    auto nextElementPosition = [&]() {
        if (elementTotal < childTotal) {
            while (list->elementAt(position)->get_nodeType() != NODE_ELEMENT) ++position;
        }
        return position++;
    };
    for (unsigned g = 0; g <= groupCount; ++g) {
        SortGroup& group = groups[g];
        const int n = group.count();
        for (int i = 0; i < n; ++i) {
            SortElementDef* record = descending ? group[n - 1 - i] : group[i];
            list->moveElementTo(record->node, nextElementPosition());
        }
    }
}

} // namespace LUMA_7_4_0

// A node's children as the walks read them: straight from the library's child list, or
// through the interfaces for a host's own node classes.
#ifndef TOVELDOM_SRC_XPATH_TREE_WALK_H
#define TOVELDOM_SRC_XPATH_TREE_WALK_H

#include <string>
#include <typeinfo>
#include <vector>

#include <toveldom/character_data.h>
#include <toveldom/element.h>
#include <toveldom/interfaces.h>
#include <toveldom/named_node_map.h>
#include <toveldom/node_list.h>
#include <toveldom/node_ptr.h>

#include "nodes/node_access.h"
#include "nodes/private_cast.h"
#include "xpath/xpath_impl.h"

namespace LUMA_7_4_0 {
namespace xpath {

struct Kids {
    CTOVELDOMNodeList* list = nullptr;
    ITOVELDOMNode* one = nullptr;     // the only child, held outside a list
    ITOVELDOMNode* generic = nullptr; // a host's node, asked each time
    int count = 0;

    ITOVELDOMNode* at(int i) const { return list ? (*list)[i] : generic ? genericAt(i) : one; }
    ITOVELDOMNode* genericAt(int i) const;
};

// The kind of a node from its type alone, for the classes a host's own cannot be.
Kind kindOfType(tagITOVELDOMNodeType type);

// The kind of a node. The library's common classes are told by their type information
// (one load and a comparison); anything else is asked for its node type. A walk asks this
// of every node it passes, and the virtual call was a tenth of a '//x' walk.
inline Kind quickKind(ITOVELDOMNode* node) {
    const std::type_info* type = &typeid(*node);
    if (type == &typeid(CTOVELDOMElement)) return Kind::Element;
    if (type == &typeid(CTOVELDOMText) || type == &typeid(CTOVELDOMCDATASection)) return Kind::Text;
    if (type == &typeid(CTOVELDOMAttribute)) return Kind::Attribute;
    return kindOfType(node->get_nodeType());
}

Kids kidsOfOther(ITOVELDOMNode* node);
inline Kids kidsOf(ITOVELDOMNode* node) {
    if (&typeid(*node) != &typeid(CTOVELDOMElement)) return kidsOfOther(node);
    const CTOVELDOMElement* e = static_cast<const CTOVELDOMElement*>(node);
    Kids k;
    k.list = e->childList();
    k.count = e->childCount();
    if (!k.list && k.count) k.one = e->childAt(0);
    return k;
}
int indexIn(const Kids& kids, ITOVELDOMNode* child); // -1 when not there
void appendAttributeValue(ITOVELDOMNode* attr, std::string& out);
bool isDeclaration(ITOVELDOMNode* attr);

// Calls visit(attribute) for each attribute of element in the tree's order, namespace
// declarations included.
template <class Visit> void forEachAttributeNode(ITOVELDOMNode* element, Visit&& visit) {
    if (const CTOVELDOMElement* e = asExactly<CTOVELDOMElement>(element)) {
        const CTOVELDOMNamedNodeMap* map = ElementAccess::attributeMap(*e);
        if (!map) return;
        for (__MAPPOS pos = map->begin(); pos;)
            if (ITOVELDOMNode* attr = map->nextValue(pos)) visit(attr);
        return;
    }
    CNodePtr<ITOVELDOMNamedNodeMap> map =
        CNodePtr<ITOVELDOMNamedNodeMap>::adopt(element->get_attributes());
    if (!map) return;
    for (long i = 0, n = map->get_length(); i < n; ++i) {
        ITOVELDOMNode* attr = map->get_item(i);
        if (!attr) continue;
        attr->Release(); // the map keeps it
        visit(attr);
    }
}

// A stack that lives in the frame up to N entries and moves to the heap beyond: a walk
// rarely goes deeper than a few levels, and a heap block per walk was a tenth of a short
// walk's time.
template <class T, size_t N> class SmallStack {
public:
    SmallStack() : base(local) {}
    SmallStack(const SmallStack&) = delete;
    SmallStack& operator=(const SmallStack&) = delete;

    bool empty() const { return used == 0; }
    T& back() { return base[used - 1]; }
    void pop() { --used; }
    void push(const T& item) {
        if (used == capacity) grow();
        base[used++] = item;
    }

private:
    void grow() {
        std::vector<T> bigger(base, base + used);
        bigger.resize(capacity * 2);
        heap.swap(bigger);
        base = heap.data();
        capacity *= 2;
    }

    T local[N];
    std::vector<T> heap;
    T* base;
    size_t used = 0;
    size_t capacity = N;
};

// Calls visit(node, kind) for the nodes below top in document order until it returns
// false; returns false when stopped. Any node, a host's own classes included.
// An explicit stack: a document may nest deeper than the call stack allows.
template <class Visit> bool walkBelowAny(ITOVELDOMNode* top, Visit&& visit) {
    struct Level {
        Kids kids;
        int next;
    };
    Kids first = kidsOf(top);
    if (!first.count) return true;
    SmallStack<Level, 32> stack;
    stack.push(Level{first, 0});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.kids.count) {
            stack.pop();
            continue;
        }
        ITOVELDOMNode* child = level.kids.at(level.next++);
        Kind k = quickKind(child);
        if (k == Kind::Other) continue;
        if (!visit(child, k)) return false;
        if (k == Kind::Element) {
            Kids below = kidsOf(child);
            if (below.count) stack.push(Level{below, 0});
        }
    }
    return true;
}

// The same as walkBelowAny. The library's elements are read in place: their child arrays
// as ranges, a sole child taken next without a level of its own. This is the walk of
// every '//x', and it costs little more than touching each node once. A host's element
// met on the way has its subtree walked by walkBelowAny.
template <class Visit> bool walkBelow(ITOVELDOMNode* top, Visit&& visit) {
    struct Range {
        ITOVELDOMNode* const* at;
        ITOVELDOMNode* const* end;
    };
    Kids first = kidsOf(top);
    if (first.generic) return walkBelowAny(top, visit);
    SmallStack<Range, 32> stack;
    ITOVELDOMNode* next = first.one;
    if (first.list && first.count)
        stack.push(Range{first.list->getElements(), first.list->getElements() + first.count});
    for (;;) {
        ITOVELDOMNode* child = next;
        if (child) {
            next = nullptr;
        } else {
            if (stack.empty()) return true;
            Range& range = stack.back();
            if (range.at == range.end) {
                stack.pop();
                continue;
            }
            child = *range.at++;
        }
        if (&typeid(*child) == &typeid(CTOVELDOMElement)) {
            if (!visit(child, Kind::Element)) return false;
            const CTOVELDOMElement* e = static_cast<const CTOVELDOMElement*>(child);
            if (CTOVELDOMNodeList* list = e->childList()) {
                if (int n = list->count())
                    stack.push(Range{list->getElements(), list->getElements() + n});
            } else {
                next = e->childAt(0);
            }
            continue;
        }
        Kind k = quickKind(child);
        if (k == Kind::Other) continue;
        if (!visit(child, k)) return false;
        if (k == Kind::Element && !walkBelowAny(child, visit)) return false;
    }
}

} // namespace xpath
} // namespace LUMA_7_4_0

#endif

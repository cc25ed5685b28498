// Helpers shared by the character-data kinds.
#ifndef TOVELDOM_SRC_CHARACTER_DATA_H
#define TOVELDOM_SRC_CHARACTER_DATA_H

#include "frame/alloc.h"

#include <toveldom/character_data.h>
#include <toveldom/node_ptr.h>

namespace LUMA_7_4_0 {

// A detached copy of node with the same data and owner (+1 ref).
template <class Node> ITOVELDOMNode* cloneCharacterData(const Node& node) try {
    Node* copy = make<Node>(node.ownerPtr(), nullptr, node.data().c_str());
    copy->AddRef();
    return copy;
} catch (...) {
    rethrowAsLibraryError();
}

// Cuts node's data at offset and inserts a node of the same class holding the rest right
// after it (+1 ref). An offset outside the data leaves all of it here and adds an empty node.
template <class Node> ITOVELDOMText* splitCharacterData(Node& node, long offset) try {
    if (!node.parentPtr() || !node.ownerPtr()) throw TOVELDOMException(HIERARCHY_REQUEST_ERR);
    const std::string& data = node.data();
    size_t cut = static_cast<unsigned long>(offset) < data.size() ? size_t(offset) : data.size();
    Node* rest = make<Node>(node.ownerPtr(), nullptr, data.c_str() + cut);
    CNodePtr<ITOVELDOMNode> hold(rest);
    CNodePtr<ITOVELDOMNode> next = CNodePtr<ITOVELDOMNode>::adopt(node.get_nextSibling());
    CNodePtr<ITOVELDOMNode>::adopt(node.parentPtr()->insertBefore(rest, next));
    node.mutableData().resize(cut);
    return static_cast<Node*>(hold.detach());
} catch (...) {
    rethrowAsLibraryError();
}

} // namespace LUMA_7_4_0

#endif

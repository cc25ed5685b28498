// How counted objects die. Ownership runs downward: a container holds its child list, the
// list one reference per child, an element its attribute map, the map its attributes, an
// attribute its value nodes. Parent and owner-document links are plain pointers. Every
// operation that returns an object adds one reference; arguments are borrowed.
#ifndef TOVELDOM_SRC_REFCOUNT_H
#define TOVELDOM_SRC_REFCOUNT_H

namespace LUMA_7_4_0 {

// Destroys a node whose count reached zero. Destroying a node releases its children,
// which may destroy them in turn; done recursively, a deep tree would exhaust the stack.
// Inside an ongoing destruction the node is queued instead, and the outermost call
// destroys the queue in a loop, so the depth of a tree never becomes the depth of the
// stack.
void destroyNode(void* node, void (*destroy)(void*));

} // namespace LUMA_7_4_0

#endif

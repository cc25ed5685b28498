// toveldom: an XML document object model. Include this one header.
//
//   using namespace LUMA_7_4_0;
//   ITOVELDOMDocument* doc = createTOVELDOMDocument_7_4_0();   // one reference
//   doc->loadXML(text, length);                                 // or build by hand
//   ...
//   doc->Release();
#ifndef TOVELDOM_TOVELDOM_H
#define TOVELDOM_TOVELDOM_H

#include <toveldom/attribute.h>
#include <toveldom/buffer.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/document_type.h>
#include <toveldom/dynamic_array.h>
#include <toveldom/element.h>
#include <toveldom/encoding.h>
#include <toveldom/exceptions.h>
#include <toveldom/export.h>
#include <toveldom/factories.h>
#include <toveldom/hash_table.h>
#include <toveldom/implementation.h>
#include <toveldom/interfaces.h>
#include <toveldom/loading.h>
#include <toveldom/memory.h>
#include <toveldom/mutex.h>
#include <toveldom/named_node_map.h>
#include <toveldom/node_base.h>
#include <toveldom/node_list.h>
#include <toveldom/node_ptr.h>
#include <toveldom/order_def.h>
#include <toveldom/processing_instruction.h>

#endif

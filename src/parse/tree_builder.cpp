// The tree builder: Expat's callbacks, turning markup events into nodes. Character data is
// collected until the next markup event and then becomes one text node, normalized unless
// white space is preserved.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/element.h>
#include <toveldom/factories.h>
#include <toveldom/node_ptr.h>
#include <toveldom/processing_instruction.h>

#include "frame/alloc.h"
#include "nodes/node_access.h"
#include "nodes/parsed_attributes.h"
#include "nodes/private_cast.h"
#include "parse/parse_context.h"

namespace LUMA_7_4_0 {

namespace {

ParseContext::Open& top(ParseContext& ctx) { return ctx.stack[ctx.depth]; }

// Appends node to the innermost open node.
void attach(ParseContext& ctx, ITOVELDOMNode* node) { top(ctx).internals->appendNewChild(node); }

// Whether one more node may be opened; otherwise the parse stops with the nesting error.
// Asked before the node is made, so a refused tag leaves nothing behind.
bool mayOpen(ParseContext& ctx) {
    if (ctx.depth < limits::kMaxDepth) {
        ctx.stack.reserve(ctx.depth + 1);
        return true;
    }
    ctx.failLimit(kErrorNestingTooDeep);
    return false;
}

// Pushes an open node, white space kept inside as around it; mayOpen said there is room.
void push(ParseContext& ctx, ITOVELDOMNode* node) {
    const bool preserve = top(ctx).preserve;
    ++ctx.depth;
    ctx.stack[ctx.depth] = {node, privateInterface(node), preserve};
}

// White space as the C library's isspace sees it in the "C" locale, and never a byte of
// 0x80 or above; a table, since every byte of character data passes through here.
struct SpaceTable {
    bool is[256] = {};
    SpaceTable() {
        for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) is[c] = true;
    }
};
const SpaceTable kSpaces;
inline bool isSpace(unsigned char c) { return kSpaces.is[c]; }

#if defined(__SSE2__)
// Bit i set when byte i of the block is white space: 0x09-0x0D (in `controls`) or a space.
struct SpaceBits {
    unsigned controls;
    unsigned spaces;
    __m128i any; // 0xFF in each white-space byte
};
inline SpaceBits spaceBits(__m128i v) {
    const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8(9)); // 0..4 exactly for 0x09..0x0D
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(4)), offset);
    const __m128i space = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
    return {unsigned(_mm_movemask_epi8(control)), unsigned(_mm_movemask_epi8(space)),
            _mm_or_si128(control, space)};
}
#endif

// How much of trimmed text (first and last byte not white space) is already normal, no
// white space but lone spaces: all of it, or a length after which normalizing starts.
// Prose runs to kilobytes, so sixteen bytes are tested at a time where the processor
// allows, two adjacent space bits (also across blocks) making a run.
size_t normalPrefix(const char* text, size_t size) {
    size_t i = 0;
    bool previousSpace = false;
#if defined(__SSE2__)
    unsigned carry = 0; // 1 when the previous block ended in a space
    for (; i + 16 <= size; i += 16) {
        const SpaceBits bits =
            spaceBits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
        if (bits.controls | (bits.spaces & ((bits.spaces << 1) | carry))) return i;
        carry = bits.spaces >> 15;
    }
    previousSpace = carry != 0;
#endif
    for (; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (isSpace(c) && (c != ' ' || previousSpace)) return i;
        previousSpace = c == ' ';
    }
    return size;
}

// Normalizes text[from, last) in place, writing from `kept` on: each run of white space
// becomes one space (the text ends in a byte that is not white space). Line breaks inside
// prose make most paragraphs take this path, so blocks without a run of two are copied
// sixteen bytes at a time with their white space made spaces.
size_t collapseSpaces(char* text, size_t from, size_t last, size_t kept) {
    size_t i = from;
    bool previousSpace = kept > 0 && text[kept - 1] == ' ';
#if defined(__SSE2__)
    for (; i + 16 <= last; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const SpaceBits bits = spaceBits(v);
        const unsigned white = bits.controls | bits.spaces;
        if (!(white & ((white << 1) | unsigned(previousSpace)))) {
            const __m128i spaced = _mm_or_si128(_mm_andnot_si128(bits.any, v),
                                                _mm_and_si128(bits.any, _mm_set1_epi8(' ')));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text + kept), spaced);
            kept += 16;
            previousSpace = (white >> 15) != 0;
            continue;
        }
        for (size_t j = i; j < i + 16; ++j) {
            const char c = text[j];
            const bool space = isSpace(static_cast<unsigned char>(c));
            if (!space || !previousSpace) text[kept++] = space ? ' ' : c;
            previousSpace = space;
        }
    }
#endif
    for (; i < last; ++i) {
        const char c = text[i];
        const bool space = isSpace(static_cast<unsigned char>(c));
        if (!space || !previousSpace) text[kept++] = space ? ' ' : c;
        previousSpace = space;
    }
    return kept;
}

// The collected character data as a string cut to fit, so the node keeps the least
// memory. A text of up to 64 KiB is copied and the collecting string keeps its room, so
// the next text grows without reallocating; a longer one is handed over whole, to be
// kept once rather than twice.
std::string takeText(ParseContext& ctx) {
    std::string& text = ctx.text;
    if (text.size() <= (64u << 10)) {
        std::string copy(text.data(), text.size());
        text.clear();
        return copy;
    }
    if (text.capacity() - text.size() > text.size() / 4 + 64) text.shrink_to_fit();
    std::string taken = std::move(text);
    text.clear(); // a moved-from string is only valid, not necessarily empty
    return taken;
}

// Turns the collected character data into a text node: unchanged when white space is
// preserved; otherwise trimmed, with each inner run of white space made one space, and
// dropped when nothing else is left. Bytes of 0x80 and above are never white space. All
// of it happens inside the collected string.
void flushText(ParseContext& ctx) {
    std::string& text = ctx.text;
    if (text.empty()) return;
    if (!(ctx.preserveWhiteSpace || top(ctx).preserve)) {
        const char* bytes = text.data();
        size_t first = 0, last = text.size();
        while (first < last && isSpace(static_cast<unsigned char>(bytes[first]))) ++first;
        while (last > first && isSpace(static_cast<unsigned char>(bytes[last - 1]))) --last;
        if (first == last) { // white space only: no node
            text.clear();
            return;
        }
        const size_t normal = normalPrefix(bytes + first, last - first);
        if (normal < last - first) {
            char* out = &text[0];
            if (first > 0) std::memmove(out, out + first, normal);
            text.resize(collapseSpaces(out, first + normal, last, normal));
        } else if (first > 0 || last < text.size()) {
            text.erase(last).erase(0, first);
        }
    }
    CTOVELDOMText* node = make<CTOVELDOMText>(&ctx.document, top(ctx).node, nullptr);
    CNodePtr<ITOVELDOMNode> hold(node);
    node->mutableData() = takeText(ctx);
    attach(ctx, node);
}

// Runs a callback body; an exception stops the parse and waits in the record for the
// driver, instead of unwinding through the parser's C frames.
template <class Body> void guarded(void* parser, Body&& body) {
    ParseContext& ctx = contextOf(parser);
    if (ctx.failure) return;
    try {
        body(ctx);
    } catch (...) {
        ctx.fail();
    }
}

// A host's own element class: an attribute made and stored through the interfaces.
void createHostAttribute(ITOVELDOMElement* element, const ResolvedName& name, const char* value,
                         bool specified) {
    CNodePtr<ITOVELDOMDocument> owner =
        CNodePtr<ITOVELDOMDocument>::adopt(element->get_ownerDocument());
    ITOVELDOMAttribute* attr =
        CreateXMLAttribute_7_4_0(owner, element, name.qualified.c_str(),
                                 name.hasURI ? name.uri.c_str() : nullptr, specified);
    if (!attr) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    CNodePtr<ITOVELDOMNode> hold(attr);
    attr->put_value(value);
    CNodePtr<ITOVELDOMNamedNodeMap> map =
        CNodePtr<ITOVELDOMNamedNodeMap>::adopt(element->get_attributes());
    CNodePtr<ITOVELDOMNode>::adopt(map->setNamedItem(attr));
}

// A declaration's attribute node (+1 ref), made now unless it was made already.
ITOVELDOMAttribute* takeDeclarationNode(ParseContext& ctx, ParseContext::Declaration& declaration) {
    if (ITOVELDOMAttribute* made = declaration.node) {
        declaration.node = nullptr;
        return made;
    }
    ITOVELDOMAttribute* attr =
        CreateXMLAttribute_7_4_0(&ctx.document, nullptr, declaration.name.c_str(), nullptr, true);
    if (!attr) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    CNodePtr<ITOVELDOMNode> hold(attr);
    attr->put_value(declaration.uri.c_str());
    return static_cast<ITOVELDOMAttribute*>(hold.detach());
}

void clearDeclarations(ParseContext& ctx) {
    for (int i = 0; i < ctx.pendingCount; ++i) {
        ParseContext::Declaration& declaration = ctx.pending[i];
        if (declaration.node) declaration.node->Release();
        declaration = ParseContext::Declaration();
    }
    ctx.pendingCount = 0;
}

// Gives element the namespace declarations the parser reported just before its tag, and
// counts the tag's attributes. Our element keeps them all, declarations first, in one block
// until nodes are asked for; the block is returned for the attributes to follow, with each
// value's length in lengths. A creation hook, or a tag with very many attributes, gets
// nodes at once (and null is returned).
CParsedAttributes* storeDeclarations(ParseContext& ctx, ITOVELDOMElement* element,
                                     CTOVELDOMElement* ours, const XML_Char** atts, size_t* lengths,
                                     int& count) {
    const int declarations = ctx.pendingCount;
    size_t valueBytes = 0;
    bool declarationsAsNodes = gpfnCreateXMLAttribute_7_4_0 != nullptr;
    for (int i = 0; i < declarations; ++i) {
        declarationsAsNodes = declarationsAsNodes || ctx.pending[i].node;
        valueBytes += ctx.pending[i].uri.size() + 1;
    }
    for (count = 0; atts[2 * count]; ++count) {
        if (declarations + count >= CParsedAttributes::kMaxItems) continue;
        lengths[count] = std::strlen(atts[2 * count + 1]);
        valueBytes += lengths[count] + 1;
    }
    if (ours && !declarationsAsNodes && declarations + count > 0 &&
        declarations + count <= CParsedAttributes::kMaxItems) {
        CParsedAttributes* block = CParsedAttributes::create(declarations + count, valueBytes);
        ElementAccess::adoptParsedAttributes(*ours, block);
        for (int i = 0; i < declarations; ++i) {
            const ParseContext::Declaration& d = ctx.pending[i];
            block->add(d.name, CSharedString(), d.uri.c_str(), d.uri.size(), true);
        }
        return block;
    }
    for (int i = 0; i < declarations; ++i) {
        CNodePtr<ITOVELDOMNode> held =
            CNodePtr<ITOVELDOMNode>::adopt(takeDeclarationNode(ctx, ctx.pending[i]));
        if (ITOVELDOMAttribute* replaced =
                element->setAttributeNode(static_cast<ITOVELDOMAttribute*>(held.get())))
            replaced->Release();
    }
    return nullptr;
}

} // namespace

namespace builder {

void XMLCALL startElement(void* parser, const XML_Char* name, const XML_Char** atts) {
    guarded(parser, [&](ParseContext& ctx) {
        if (!ctx.firstElementSeen) {
            if (ctx.captureMask & kCaptureAll) ctx.setCapture(false, kCaptureAll);
            ctx.firstElementSeen = true;
        }
        flushText(ctx);
        if (!mayOpen(ctx)) return;

        const ResolvedName& elementName = ctx.names.resolve(name);
        ITOVELDOMNode* parent = top(ctx).node;
        ITOVELDOMElement* element =
            gpfnCreateXMLElement_7_4_0
                ? gpfnCreateXMLElement_7_4_0(&ctx.document, parent, elementName.qualified.c_str(),
                                             elementName.uri.c_str())
                : make<CTOVELDOMElement>(&ctx.document, parent, elementName.qualified,
                                         elementName.uri);
        if (!element) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        CNodePtr<ITOVELDOMNode> hold(element);

        CTOVELDOMElement* ours = asExactly<CTOVELDOMElement>(static_cast<ITOVELDOMNode*>(element));
        size_t lengths[CParsedAttributes::kMaxItems];
        int count = 0;
        CParsedAttributes* block = storeDeclarations(ctx, element, ours, atts, lengths, count);
        clearDeclarations(ctx);

        attach(ctx, element);
        push(ctx, element);

        const int specified = XML_GetSpecifiedAttributeCount(static_cast<XML_Parser>(parser));
        bool spaceSeen = false;
        bool preserve = top(ctx).preserve; // the parent's, until xml:space says otherwise
        for (int i = 0; i < count; ++i) {
            const char* value = atts[2 * i + 1];
            const bool isSpecified = 2 * i < specified;
            const ResolvedName& attributeName = ctx.names.resolve(atts[2 * i]);
            if (block) {
                block->add(attributeName.qualified, attributeName.uri, value, lengths[i],
                           isSpecified);
            } else if (ours) {
                ElementAccess::createAttribute(*ours, attributeName.qualified, value,
                                               std::strlen(value), isSpecified, attributeName.uri);
            } else {
                createHostAttribute(element, attributeName, value, isSpecified);
            }
            if (!ctx.preserveWhiteSpace && !spaceSeen && attributeName.xmlSpace) {
                spaceSeen = true;
                preserve = std::strcmp(value, "preserve") == 0;
            }
        }
        top(ctx).preserve = preserve;
    });
}

void XMLCALL endElement(void* parser, const XML_Char*) {
    guarded(parser, [](ParseContext& ctx) {
        flushText(ctx);
        --ctx.depth;
    });
}

void XMLCALL characterData(void* parser, const XML_Char* s, int len) {
    guarded(parser, [&](ParseContext& ctx) {
        size_t length = size_t(len);
        // White space that starts a text never survives normalization: it is not kept.
        if (ctx.text.empty() && !ctx.insideCdata &&
            !(ctx.preserveWhiteSpace || top(ctx).preserve)) {
            while (length > 0 && isSpace(static_cast<unsigned char>(*s))) {
                ++s;
                --length;
            }
        }
        if (length > 0) ctx.text.append(s, length);
    });
}

void XMLCALL processingInstruction(void* parser, const XML_Char* target, const XML_Char* data) {
    guarded(parser, [&](ParseContext& ctx) {
        flushText(ctx);
        if (ctx.insideDoctype) return;
        CNodePtr<ITOVELDOMNode> node(
            make<CTOVELDOMProcessingInstruction>(&ctx.document, top(ctx).node, target, data));
        attach(ctx, node);
    });
}

void XMLCALL comment(void* parser, const XML_Char* data) {
    guarded(parser, [&](ParseContext& ctx) {
        flushText(ctx);
        if (ctx.insideDoctype) return;
        CNodePtr<ITOVELDOMNode> node(make<CTOVELDOMComment>(&ctx.document, top(ctx).node, data));
        attach(ctx, node);
    });
}

void XMLCALL startCdata(void* parser) {
    guarded(parser, [](ParseContext& ctx) {
        flushText(ctx);
        if (!mayOpen(ctx)) return;
        CNodePtr<ITOVELDOMNode> node(make<CTOVELDOMCDATASection>(&ctx.document, top(ctx).node, ""));
        attach(ctx, node);
        push(ctx, node);
        ctx.insideCdata = true;
    });
}

void XMLCALL endCdata(void* parser) {
    guarded(parser, [](ParseContext& ctx) {
        if (!ctx.text.empty()) {
            if (auto* cdata = asExactly<CTOVELDOMCDATASection>(top(ctx).node))
                cdata->mutableData() = takeText(ctx);
            ctx.text.clear();
        }
        ctx.insideCdata = false;
        --ctx.depth;
    });
}

void XMLCALL notationDecl(void*, const XML_Char*, const XML_Char*, const XML_Char*,
                          const XML_Char*) {}

void XMLCALL startNamespace(void* parser, const XML_Char* prefix, const XML_Char* uri) {
    guarded(parser, [&](ParseContext& ctx) {
        if (ctx.pendingCount >= limits::kMaxDeclarations)
            return ctx.failLimit(kErrorTooManyDeclarations);
        if (ctx.bindingCount >= limits::kMaxBindings) return ctx.failLimit(kErrorTooManyBindings);
        ParseContext::Declaration& declaration = ctx.pending[ctx.pendingCount];
        NamespaceBinding& binding = ctx.bindings[ctx.bindingCount++];
        ctx.names.bind(binding, prefix, uri);
        declaration.name = binding.declarationName;
        declaration.uri = binding.state->uri;
        ++ctx.pendingCount;
        // With a hook the host sees the declaration made here, before its element.
        if (gpfnCreateXMLAttribute_7_4_0) declaration.node = takeDeclarationNode(ctx, declaration);
    });
}

void XMLCALL endNamespace(void* parser, const XML_Char*) {
    // Runs even after a failure, so that the binding stack is always released in order.
    ParseContext& ctx = contextOf(parser);
    if (ctx.bindingCount > 1) ctx.names.unbind(ctx.bindings[--ctx.bindingCount]);
}

int XMLCALL notStandalone(void* parser) {
    ParseContext& ctx = contextOf(parser);
    // Either mode goes on without the external subset: no parameter-entity parsing is asked
    // for, so the parser never reads it. Skipping also opens no external entity.
    const CTOVELDOMDocument& doc = ctx.document;
    if (!doc.get_resolveExternals() && !doc.getExternalDTDSkipped()) return 0;
    ctx.document.setStandalone(false);
    return 1;
}

} // namespace builder
} // namespace LUMA_7_4_0

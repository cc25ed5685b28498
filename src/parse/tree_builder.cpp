// The tree builder: Expat's callbacks, turning markup events into nodes. Character data is
// collected until the next markup event and then becomes one text node, normalized unless
// white space is preserved.
#include <cstring>

#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/element.h>
#include <toveldom/factories.h>
#include <toveldom/node_ptr.h>
#include <toveldom/processing_instruction.h>

#include "frame/alloc.h"
#include "parse/parse_context.h"
#include "tree/private_cast.h"

namespace LUMA_7_4_0 {

namespace {

constexpr char kSeparator = '\x01';

ParseContext::Open& top(ParseContext& ctx) { return ctx.stack[ctx.depth]; }

// Appends node to the innermost open node.
void attach(ParseContext& ctx, ITOVELDOMNode* node) { top(ctx).internals->appendNewChild(node); }

// Pushes an open node, refusing nesting beyond the stack.
bool push(ParseContext& ctx, ITOVELDOMNode* node) {
    if (ctx.depth >= limits::kMaxDepth) {
        ctx.failLimit(kErrorNestingTooDeep);
        return false;
    }
    ++ctx.depth;
    ctx.stack[ctx.depth] = {node, privateOf(node)};
    return true;
}

// A name from Expat is "uri\x01local" when namespaced. The qualified name takes the prefix
// of the oldest binding of that URI in scope (none for a default-namespace binding).

void rebuildName(const ParseContext& ctx, const char* name, QName& out) {
    const char* separator = std::strrchr(name, kSeparator);
    if (!separator) {
        out.qualified = name;
        out.uri = std::string_view();
        out.hasURI = false;
        return;
    }
    out.uri = std::string_view(name, size_t(separator - name));
    out.hasURI = true;
    const char* local = separator + 1;
    out.qualified = local;
    for (int i = 0; i < ctx.bindingCount; ++i) {
        const ParseContext::Binding& binding = *ctx.bindings[i];
        if (binding.uri != out.uri) continue;
        if (binding.hasPrefix) {
            out.buffer.assign(binding.prefix).append(1, ':').append(local);
            out.qualified = out.buffer;
        }
        break;
    }
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

// Turns the collected character data into a text node: unchanged when white space is
// preserved; otherwise trimmed, with each inner run of white space made one space, and
// dropped when nothing else is left. Bytes of 0x80 and above are never white space.
void flushText(ParseContext& ctx) {
    const size_t length = ctx.text.count();
    if (length == 0) return;
    const char* bytes = ctx.text.start();
    const bool preserve = ctx.preserveWhiteSpace || ctx.preserveFlags[ctx.depth];
    const char* data = bytes;
    size_t size = length;
    if (!preserve) {
        size_t first = 0, last = length;
        while (first < last && isSpace(static_cast<unsigned char>(bytes[first]))) ++first;
        while (last > first && isSpace(static_cast<unsigned char>(bytes[last - 1]))) --last;
        if (first == last) { // white space only: no node
            ctx.text.reset();
            return;
        }
        // Already normal unless some inner white space is not a lone space.
        bool normal = true;
        for (size_t i = first; i < last && normal; ++i) {
            unsigned char c = static_cast<unsigned char>(bytes[i]);
            if (isSpace(c) && (c != ' ' || isSpace(static_cast<unsigned char>(bytes[i + 1]))))
                normal = false;
        }
        data = bytes + first;
        size = last - first;
        if (!normal) {
            std::string& out = ctx.normalized;
            out.clear();
            bool pendingSpace = false;
            for (size_t i = first; i < last; ++i) {
                unsigned char c = static_cast<unsigned char>(bytes[i]);
                if (isSpace(c)) {
                    pendingSpace = true;
                    continue;
                }
                if (pendingSpace) out.push_back(' ');
                pendingSpace = false;
                out.push_back(char(c));
            }
            data = out.data();
            size = out.size();
        }
    }
    CTOVELDOMText* node = make<CTOVELDOMText>(&ctx.document, top(ctx).node, nullptr);
    CNodePtr<ITOVELDOMNode> hold(node);
    node->mutableData().assign(data, size);
    ctx.text.reset();
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
void createHostAttribute(ITOVELDOMElement* element, const QName& name, const char* value,
                         bool specified) {
    std::string uri(name.uri);
    CNodePtr<ITOVELDOMDocument> owner =
        CNodePtr<ITOVELDOMDocument>::adopt(element->get_ownerDocument());
    ITOVELDOMAttribute* attr = CreateXMLAttribute_7_4_0(
        owner, element, name.qualified.data(), name.hasURI ? uri.c_str() : nullptr, specified);
    if (!attr) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    CNodePtr<ITOVELDOMNode> hold(attr);
    attr->put_value(value);
    CNodePtr<ITOVELDOMNamedNodeMap> map =
        CNodePtr<ITOVELDOMNamedNodeMap>::adopt(element->get_attributes());
    CNodePtr<ITOVELDOMNode>::adopt(map->setNamedItem(attr));
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
        if (ctx.depth >= limits::kMaxDepth) return ctx.failLimit(kErrorNestingTooDeep);

        QName& qname = ctx.name1;
        rebuildName(ctx, name, qname);
        ITOVELDOMNode* parent = top(ctx).node;
        ITOVELDOMElement* element =
            gpfnCreateXMLElement_7_4_0
                ? gpfnCreateXMLElement_7_4_0(&ctx.document, parent, qname.qualified.data(),
                                             std::string(qname.uri).c_str())
                : make<CTOVELDOMElement>(&ctx.document, parent, ctx.intern(qname.qualified),
                                         ctx.intern(qname.uri));
        if (!element) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        CNodePtr<ITOVELDOMNode> hold(element);

        // The declarations Expat reported just before this tag, in their order.
        for (int i = 0; i < ctx.pendingCount; ++i) {
            ITOVELDOMAttribute* declaration = ctx.pending[i];
            ctx.pending[i] = nullptr;
            CNodePtr<ITOVELDOMNode> held = CNodePtr<ITOVELDOMNode>::adopt(declaration);
            if (ITOVELDOMAttribute* replaced = element->setAttributeNode(declaration))
                replaced->Release();
        }
        ctx.pendingCount = 0;

        attach(ctx, element);
        push(ctx, element);

        CTOVELDOMElement* ours = asExactly<CTOVELDOMElement>(static_cast<ITOVELDOMNode*>(element));
        const int specified = XML_GetSpecifiedAttributeCount(static_cast<XML_Parser>(parser));
        bool spaceSeen = false;
        unsigned char preserve = ctx.preserveFlags[ctx.depth - 1];
        for (int i = 0; atts[i]; i += 2) {
            rebuildName(ctx, atts[i], qname);
            if (ours) {
                ours->createAttribute(ctx.intern(qname.qualified), atts[i + 1],
                                      std::strlen(atts[i + 1]), i < specified,
                                      ctx.intern(qname.uri));
            } else {
                createHostAttribute(element, qname, atts[i + 1], i < specified);
            }
            if (!ctx.preserveWhiteSpace && !spaceSeen && qname.qualified == "xml:space") {
                spaceSeen = true;
                preserve = std::strcmp(atts[i + 1], "preserve") == 0;
            }
        }
        ctx.preserveFlags[ctx.depth] = preserve;
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
        if (len > 0) ctx.text.append(s, static_cast<unsigned long>(len));
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
        if (ctx.depth >= limits::kMaxDepth) return ctx.failLimit(kErrorNestingTooDeep);
        CNodePtr<ITOVELDOMNode> node(make<CTOVELDOMCDATASection>(&ctx.document, top(ctx).node, ""));
        attach(ctx, node);
        push(ctx, node);
    });
}

void XMLCALL endCdata(void* parser) {
    guarded(parser, [](ParseContext& ctx) {
        if (ctx.text.count() > 0) {
            if (auto* cdata = asExactly<CTOVELDOMCDATASection>(top(ctx).node))
                cdata->mutableData().assign(ctx.text.start(), ctx.text.count());
            ctx.text.reset();
        }
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
        std::string name = prefix ? std::string("xmlns:") + prefix : std::string("xmlns");
        ITOVELDOMAttribute* attr =
            CreateXMLAttribute_7_4_0(&ctx.document, nullptr, name.c_str(), nullptr, true);
        if (!attr) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        CNodePtr<ITOVELDOMNode> hold(attr);
        attr->put_value(uri ? uri : "");
        auto* binding = make<ParseContext::Binding>();
        binding->hasPrefix = prefix != nullptr;
        try {
            if (prefix) binding->prefix = prefix;
            binding->uri = uri ? uri : "";
        } catch (...) {
            delete binding;
            throw;
        }
        ctx.bindings[ctx.bindingCount++] = binding;
        ctx.pending[ctx.pendingCount++] = static_cast<ITOVELDOMAttribute*>(hold.detach());
    });
}

void XMLCALL endNamespace(void* parser, const XML_Char*) {
    // Runs even after a failure, so that the binding stack is always released in order.
    ParseContext& ctx = contextOf(parser);
    if (ctx.bindingCount > 1) delete ctx.bindings[--ctx.bindingCount];
}

int XMLCALL notStandalone(void* parser) {
    ParseContext& ctx = contextOf(parser);
    if (!ctx.document.get_resolveExternals()) return 0;
    ctx.document.setStandalone(false);
    return 1;
}

} // namespace builder
} // namespace LUMA_7_4_0

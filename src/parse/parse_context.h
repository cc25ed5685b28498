// The state of one parse: the record every Expat callback reaches through the parser's
// user data. It lives exactly as long as one load or loadXML call.
#ifndef TOVELDOM_SRC_PARSE_CONTEXT_H
#define TOVELDOM_SRC_PARSE_CONTEXT_H

#include <cstring>
#include <exception>
#include <expat.h>
#include <new>
#include <string>
#include <string_view>

#include <toveldom/document.h>
#include <toveldom/exceptions.h>
#include <toveldom/memory.h>

#include "frame/shared_string.h"
#include "parse/name_table.h"

namespace LUMA_7_4_0 {

namespace limits {
// The document plus 2047 open elements and CDATA sections. Deeper input is refused: the
// bound keeps printing, copying and searching a loaded tree within the stack.
constexpr int kMaxDepth = 2047;
// Namespace bindings in scope at once, and declarations on one start tag.
constexpr int kMaxBindings = 256;
constexpr int kMaxDeclarations = 256;
} // namespace limits

// Error numbers of TOVELParseException beyond the parser's own (which stay below 100):
// input that exceeds one of the limits above.
enum LimitError {
    kErrorNestingTooDeep = 1001,
    kErrorTooManyBindings = 1002,
    kErrorTooManyDeclarations = 1003,
};

// Slots made when first reached, sixteen to a chunk: a document uses a few of the slots
// a hostile one may fill, and a small load would otherwise touch every page they span. A
// slot never moves (the name table keeps pointers to bindings). A chunk that cannot be
// had is OUT_OF_MEMORY_ERR.
template <class T, int N> class ChunkedArray {
public:
    ChunkedArray() = default;
    ChunkedArray(const ChunkedArray&) = delete;
    ChunkedArray& operator=(const ChunkedArray&) = delete;
    ~ChunkedArray() {
        for (int i = 0; i < made_; ++i) (*this)[i].~T();
        for (T* chunk : chunks_) rawFree(chunk);
    }
    T& operator[](int i) {
        while (made_ <= i) {
            T*& chunk = chunks_[made_ / kChunk];
            if (!chunk) {
                chunk = static_cast<T*>(rawAllocate(sizeof(T) * kChunk));
                if (!chunk) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
            }
            new (chunk + made_ % kChunk) T();
            ++made_;
        }
        return chunks_[i / kChunk][i % kChunk];
    }

private:
    static constexpr int kChunk = 16;
    T* chunks_[(N + kChunk - 1) / kChunk] = {};
    int made_ = 0;
};

// Capture mask bits of the prolog scanner.
enum CaptureBits : unsigned {
    kCaptureEntities = 0x02,
    kCaptureElements = 0x04,
    kCaptureAttributeLists = 0x08,
    kCaptureDoctype = 0x10,
    kCaptureXmlDecl = 0x20,
    kCaptureAll = 0x3E,
};

struct ParseContext {
    struct Open {
        ITOVELDOMNode* node;
        ITOVELDOMPrivate* internals; // the node's private face, looked up once
        bool preserve;               // xml:space="preserve" holds inside
    };
    // The open nodes, the document at the bottom: in place while the tree is shallow, in a
    // block that doubles as it deepens.
    class OpenStack {
    public:
        OpenStack() = default;
        OpenStack(const OpenStack&) = delete;
        OpenStack& operator=(const OpenStack&) = delete;
        ~OpenStack() {
            if (slots_ != inline_) rawFree(slots_);
        }
        Open& operator[](int i) { return slots_[i]; }
        // Room for slot i; OUT_OF_MEMORY_ERR when it cannot be made.
        void reserve(int i) {
            if (i < capacity_) return;
            int next = capacity_ * 2;
            while (next <= i) next *= 2;
            auto* grown = static_cast<Open*>(rawAllocate(sizeof(Open) * size_t(next)));
            if (!grown) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
            std::memcpy(grown, slots_, sizeof(Open) * size_t(capacity_));
            if (slots_ != inline_) rawFree(slots_);
            slots_ = grown;
            capacity_ = next;
        }

    private:
        static constexpr int kInline = 16;
        Open inline_[kInline];
        Open* slots_ = inline_;
        int capacity_ = kInline;
    };
    // What the scanner remembers of the document type declaration: offsets and lengths
    // into the capture buffer (literals with their quotes).
    struct Span {
        size_t offset = 0;
        size_t length = 0;
        bool present = false;
    };

    explicit ParseContext(CTOVELDOMDocument& document);
    ~ParseContext();
    ParseContext(const ParseContext&) = delete;
    ParseContext& operator=(const ParseContext&) = delete;

    XML_Parser parser = nullptr;
    CTOVELDOMDocument& document;
    int depth = 0;
    OpenStack stack;
    // The namespace declarations the parser reported before the tag they belong to.
    struct Declaration {
        ITOVELDOMAttribute* node = nullptr; // made at once while a creation hook is set
        CSharedString name;                 // otherwise "xmlns" or "xmlns:prefix" ...
        CSharedString uri;                  // ... and the value, kept with the attributes
    };
    int pendingCount = 0;
    ChunkedArray<Declaration, limits::kMaxDeclarations> pending;
    int bindingCount = 0;
    ChunkedArray<NamespaceBinding, limits::kMaxBindings> bindings;
    std::string text; // character data since the last markup event
    NameTable names;
    bool preserveWhiteSpace = false;
    bool insideDoctype = false;
    bool insideCdata = false;

    // Prolog scanner.
    int scanState = 0;
    unsigned captureMask = 0;
    bool firstElementSeen = false;
    bool capturing = false; // the capture buffer exists
    std::string capture;
    Span name, systemLiteral, publicLiteral, subset;

    // An exception raised inside a callback: kept here while Expat unwinds, rethrown by
    // the driver once the parse call returns.
    std::exception_ptr failure;

    // Turns prolog capture on or off for the given bits (registering or removing the
    // default handler as the mask becomes non-zero or zero).
    void setCapture(bool on, unsigned mask);
    // Stops the parse and keeps the current exception for the driver.
    void fail();
    // Stops the parse with one of the limit errors at the current position.
    void failLimit(LimitError error);
};

// Callbacks, for the driver to register.
namespace builder {
void XMLCALL startElement(void* parser, const XML_Char* name, const XML_Char** atts);
void XMLCALL endElement(void* parser, const XML_Char* name);
void XMLCALL characterData(void* parser, const XML_Char* s, int len);
void XMLCALL processingInstruction(void* parser, const XML_Char* target, const XML_Char* data);
void XMLCALL comment(void* parser, const XML_Char* data);
void XMLCALL startCdata(void* parser);
void XMLCALL endCdata(void* parser);
void XMLCALL notationDecl(void* parser, const XML_Char*, const XML_Char*, const XML_Char*,
                          const XML_Char*);
void XMLCALL startNamespace(void* parser, const XML_Char* prefix, const XML_Char* uri);
void XMLCALL endNamespace(void* parser, const XML_Char* prefix);
int XMLCALL notStandalone(void* parser);
} // namespace builder

namespace prolog {
void XMLCALL defaultHandler(void* parser, const XML_Char* s, int len);
}

inline ParseContext& contextOf(void* parser) {
    return *static_cast<ParseContext*>(XML_GetUserData(static_cast<XML_Parser>(parser)));
}

} // namespace LUMA_7_4_0

#endif

// Loading: one Expat parser per load, with namespace processing (the byte 0x01 separates a
// URI from a local name), fed a file in 8192-byte chunks or a buffer in 64 KiB pieces. Any
// failure empties the document and passes the exception on.
#include <cstring>
#include <string>

#include <toveldom/document.h>
#include <toveldom/exceptions.h>
#include <toveldom/loading.h>
#include <toveldom/node_ptr.h>

#include "encoding/encoding_handler.h"
#include "frame/alloc.h"
#include "parse/parse_context.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

namespace {
constexpr char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";
constexpr int kChunk = 8192;
constexpr int kPiece = 64 << 10;
} // namespace

ParseContext::ParseContext(CTOVELDOMDocument& doc) : document(doc) {
    stack[0] = {&doc, &doc, false};
    preserveWhiteSpace = doc.get_preserveWhiteSpace();
    names.bind(bindings[bindingCount++], "xml", kXmlNamespace);
}

ParseContext::~ParseContext() {
    if (parser) XML_ParserFree(parser);
    for (int i = 0; i < pendingCount; ++i)
        if (pending[i].node) pending[i].node->Release();
}

void ParseContext::setCapture(bool on, unsigned mask) {
    unsigned before = captureMask;
    if (on) {
        if (firstElementSeen && mask != 0x01) return;
        captureMask |= mask;
        if (before == 0 && captureMask != 0)
            XML_SetDefaultHandlerExpand(parser, prolog::defaultHandler);
    } else {
        captureMask &= ~mask;
        // Removed with the expanding setter too: the other one would also stop internal
        // entity references from being expanded into the text.
        if (before != 0 && captureMask == 0) XML_SetDefaultHandlerExpand(parser, nullptr);
    }
}

void ParseContext::fail() {
    if (!failure) failure = std::current_exception();
    XML_StopParser(parser, XML_FALSE);
}

void ParseContext::failLimit(LimitError error) {
    if (!failure) {
        failure = std::make_exception_ptr(TOVELParseException(
            int(error), int(XML_GetCurrentByteIndex(parser)), int(XML_GetCurrentLineNumber(parser)),
            int(XML_GetCurrentColumnNumber(parser))));
    }
    XML_StopParser(parser, XML_FALSE);
}

namespace {

// The parser's memory comes through the library's funnel. A refusal is remembered for the
// parse, since the parser does not always say so itself: failing to grow a table while
// binding a prefix, it reports the prefix as unbound.

void* XMLCALL parserAllocate(size_t size) {
    void* block = rawAllocate(size);
    if (!block) parserStarved = true;
    return block;
}
void* XMLCALL parserReallocate(void* old, size_t size) {
    void* block = rawReallocate(old, size);
    if (!block) parserStarved = true;
    return block;
}
void XMLCALL parserFree(void* block) { rawFree(block); }
const XML_Memory_Handling_Suite kParserMemory = {parserAllocate, parserReallocate, parserFree};

[[noreturn]] void throwParseError(XML_Parser parser) {
    int column = int(XML_GetCurrentColumnNumber(parser));
    int line = int(XML_GetCurrentLineNumber(parser));
    int offset = int(XML_GetCurrentByteIndex(parser));
    int code = parserStarved ? int(XML_ERROR_NO_MEMORY) : int(XML_GetErrorCode(parser));
    throw TOVELParseException(code, offset, line, column);
}

// After a parse call returned failure: a callback's own exception wins over the
// parser's report (which then only says the parse was stopped).
[[noreturn]] void raise(ParseContext& ctx, XML_Parser parser) {
    if (ctx.failure) std::rethrow_exception(ctx.failure);
    throwParseError(parser);
}

class File {
public:
    explicit File(const char* path) : fd(platform::openForReading(path)) {
        if (fd < 0) throw TOVELDOMException(FILE_IO_ERR);
    }
    ~File() { platform::closeFile(fd); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    long read(void* buffer, size_t size) { return platform::readSome(fd, buffer, size); }

private:
    int fd;
};

// Feeds a file to parser chunk by chunk; the end of input is one final empty chunk.
void parseFile(ParseContext& ctx, XML_Parser parser, const char* path) {
    File file(path);
    for (;;) {
        void* buffer = XML_GetBuffer(parser, kChunk);
        if (!buffer) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        long count = file.read(buffer, kChunk);
        if (count < 0) throw TOVELDOMException(FILE_IO_ERR); // a directory fails here
        if (XML_ParseBuffer(parser, int(count), count == 0) == XML_STATUS_ERROR) raise(ctx, parser);
        if (count == 0) return;
    }
}

// A system ID relative to base replaces what follows base's last separator.
std::string resolveSystemId(const char* base, const char* systemId) {
    if (!base || systemId[0] == '/' || systemId[0] == '\\' ||
        (((systemId[0] | 0x20) >= 'a' && (systemId[0] | 0x20) <= 'z') && systemId[1] == ':'))
        return systemId;
    std::string resolved = base;
    size_t slash = resolved.rfind('/');
    size_t backslash = resolved.rfind('\\');
    if (backslash != std::string::npos && (slash == std::string::npos || backslash > slash))
        slash = backslash;
    resolved.erase(slash == std::string::npos ? 0 : slash + 1);
    return resolved + systemId;
}

int XMLCALL externalEntity(XML_Parser parser, const XML_Char* context, const XML_Char* base,
                           const XML_Char* systemId, const XML_Char*) {
    ParseContext& ctx = *static_cast<ParseContext*>(XML_GetUserData(parser));
    if (ctx.failure || !systemId) return XML_STATUS_ERROR;
    XML_Parser child = XML_ExternalEntityParserCreate(parser, context, nullptr);
    if (!child) {
        ctx.failure = std::make_exception_ptr(TOVELDOMException(OUT_OF_MEMORY_ERR));
        return XML_STATUS_ERROR;
    }
    try {
        std::string path = resolveSystemId(base, systemId);
        if (XML_SetBase(child, path.c_str()) != XML_STATUS_OK)
            throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        parseFile(ctx, child, path.c_str());
    } catch (...) {
        if (!ctx.failure) ctx.failure = std::current_exception();
        XML_ParserFree(child);
        return XML_STATUS_ERROR;
    }
    XML_ParserFree(child);
    return XML_STATUS_OK;
}

void configure(ParseContext& ctx) {
    CTOVELDOMDocument& doc = ctx.document;
    const char* encoding = doc.get_encoding();
    // A document that was told (or last read) another encoding forces it on the input.
    if (platform::stricmp(encoding, "UTF-8") == 0) encoding = nullptr;
    parserStarved = false;
    XML_Parser parser = XML_ParserCreate_MM(encoding, &kParserMemory, "\x01");
    if (!parser) throw TOVELDOMException(OUT_OF_MEMORY_ERR);
    ctx.parser = parser;
    // Left to itself, the parser asks the system for entropy on every load.
    XML_SetHashSalt(parser, platform::hashSalt());
    XML_UseParserAsHandlerArg(parser);
    XML_SetUserData(parser, &ctx);
    XML_SetElementHandler(parser, builder::startElement, builder::endElement);
    XML_SetProcessingInstructionHandler(parser, builder::processingInstruction);
    XML_SetCommentHandler(parser, builder::comment);
    XML_SetCdataSectionHandler(parser, builder::startCdata, builder::endCdata);
    XML_SetCharacterDataHandler(parser, builder::characterData);
    XML_SetNotationDeclHandler(parser, builder::notationDecl);
    XML_SetNamespaceDeclHandler(parser, builder::startNamespace, builder::endNamespace);
    XML_SetUnknownEncodingHandler(parser, unknownEncodingHandler, nullptr);
    XML_SetNotStandaloneHandler(parser, builder::notStandalone);
    ctx.setCapture(true, kCaptureAll);
    if (doc.get_resolveExternals()) XML_SetExternalEntityRefHandler(parser, externalEntity);
}

} // namespace

bool CTOVELDOMDocument::load(char const* fileName) {
    if (!fileName) throw TOVELDOMException(NULL_STRING_ERR);
    try {
        namespaceURI = fileName;
        clearChildNodes();
        ParseContext ctx(*this);
        configure(ctx);
        if (XML_SetBase(ctx.parser, fileName) != XML_STATUS_OK)
            throw TOVELDOMException(OUT_OF_MEMORY_ERR);
        parseFile(ctx, ctx.parser, fileName);
    } catch (...) {
        clearChildNodes();
        namespaceURI.clear();
        rethrowAsLibraryError();
    }
    return true;
}

bool CTOVELDOMDocument::loadXML(char const* text, int length) {
    if (!text || length <= 0) throw TOVELDOMException(NULL_STRING_ERR);
    namespaceURI.clear();
    clearChildNodes();
    try {
        ParseContext ctx(*this); // a few KiB, on the stack like the parser's own frames
        configure(ctx);
        // Expat copies what it is given into its own buffer, so a buffer handed over in one
        // call would exist twice while it is parsed. Handed over in pieces, every observable
        // result stays that of one call: Expat keeps positions, lines and columns across
        // calls and reports the same handlers in the same order, the same error at the same
        // place, and the text a piece boundary splits is joined before it becomes a node.
        for (int done = 0;;) {
            const int piece = length - done < kPiece ? length - done : kPiece;
            const bool last = done + piece == length;
            if (XML_Parse(ctx.parser, text + done, piece, last) == XML_STATUS_ERROR)
                raise(ctx, ctx.parser);
            if (last) break;
            done += piece;
        }
    } catch (...) {
        clearChildNodes();
        rethrowAsLibraryError();
    }
    return true;
}

} // namespace LUMA_7_4_0

using LUMA_7_4_0::CTOVELDOMDocument;
using LUMA_7_4_0::ITOVELDOMDocument;

void TOVELDOMPutSkipExternalDTD_7_4_0(ITOVELDOMDocument* doc, bool skip) {
    if (!doc) throw LUMA_7_4_0::TOVELDOMException(LUMA_7_4_0::NULL_POINTER_ERR);
    auto* own = dynamic_cast<CTOVELDOMDocument*>(doc);
    if (!own) throw LUMA_7_4_0::TOVELDOMException(LUMA_7_4_0::NOT_SUPPORTED_ERR);
    own->setExternalDTDSkipped(skip);
}

bool TOVELDOMGetSkipExternalDTD_7_4_0(const ITOVELDOMDocument* doc) {
    auto* own = dynamic_cast<const CTOVELDOMDocument*>(doc);
    return own && own->getExternalDTDSkipped();
}

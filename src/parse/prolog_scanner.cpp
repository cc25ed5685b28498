// The prolog scanner. The XML declaration and the document type declaration reach the
// library only as raw pieces of input through the parser's default handler; a small state
// machine over those pieces sets version, encoding and standalone, and builds the
// document type node with its name, identifiers and internal subset text. Markup
// declarations produce nothing: the subset is kept as text.
#include <cstring>
#include <string>

#include <toveldom/document_type.h>
#include <toveldom/node_ptr.h>

#include "frame/alloc.h"
#include "parse/parse_context.h"
#include "platform/platform.h"

namespace LUMA_7_4_0 {

namespace {

enum State {
    kProlog,         // before "<!DOCTYPE"
    kExpectName,     // after "<!DOCTYPE"
    kAfterName,      // SYSTEM, PUBLIC, "[" or ">"
    kExpectSystem,   // the system literal
    kExpectPublic,   // the public literal (the system literal follows)
    kInternalSubset, // inside "[" ... "]"
    kAfterLiterals,  // "[" or ">"
    kAfterSubset,    // after "]": the closing ">"
};

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool allWhite(const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!(isWhite(s[i]) || s[i] == '\v' || s[i] == '\f')) return false;
    return true;
}

bool is(const char* s, size_t n, const char* word) {
    return n == std::strlen(word) && std::memcmp(s, word, n) == 0;
}

bool startsWith(const char* s, size_t n, const char* prefix) {
    size_t k = std::strlen(prefix);
    return n >= k && std::memcmp(s, prefix, k) == 0;
}

// One pseudo-attribute of the XML declaration: the name, white space, "=", white space,
// then a value running between two equal quote bytes. Searches from `from`; on success
// returns the value and moves `from` past it.
bool readPseudoAttribute(const std::string& decl, const char* name, size_t& from,
                         std::string& value) {
    size_t at = decl.find(name, from);
    if (at == std::string::npos) return false;
    size_t i = at + std::strlen(name);
    while (i < decl.size() && isWhite(decl[i])) ++i;
    if (i < decl.size() && decl[i] == '=') ++i;
    while (i < decl.size() && isWhite(decl[i])) ++i;
    if (i >= decl.size()) return false;
    char quote = decl[i];
    size_t end = decl.find(quote, i + 1);
    if (end == std::string::npos) return false;
    value.assign(decl, i + 1, end - i - 1);
    from = end + 1;
    return true;
}

// Version and encoding as written; standalone is "no" unless the declaration says
// otherwise (an absent standalone counts as no).
void readXmlDeclaration(ParseContext& ctx, const std::string& decl) {
    std::string version, encoding, standalone;
    size_t from = 0;
    bool hasVersion = readPseudoAttribute(decl, "version", from, version);
    bool hasEncoding = readPseudoAttribute(decl, "encoding", from, encoding);
    bool hasStandalone = readPseudoAttribute(decl, "standalone", from, standalone);
    ctx.document.setVersion(hasVersion ? version.c_str() : nullptr);
    ctx.document.setStandalone(hasStandalone &&
                               platform::strnicmp(standalone.c_str(), "no", 2) != 0);
    if (hasEncoding) ctx.document.put_encoding(encoding.c_str());
}

std::string spanText(const ParseContext& ctx, const ParseContext::Span& span, bool unquote) {
    if (!span.present) return std::string();
    if (!unquote) return ctx.capture.substr(span.offset, span.length);
    if (span.length < 2) return std::string();
    return ctx.capture.substr(span.offset + 1, span.length - 2);
}

void endDoctype(ParseContext& ctx) {
    if (ctx.captureMask & kCaptureDoctype) {
        std::string name = spanText(ctx, ctx.name, false);
        std::string systemID = spanText(ctx, ctx.systemLiteral, true);
        std::string publicID = spanText(ctx, ctx.publicLiteral, true);
        std::string subset = spanText(ctx, ctx.subset, false);
        ctx.insideDoctype = false;
        CNodePtr<ITOVELDOMNode> doctype(
            make<CTOVELDOMDocumentType>(&ctx.document, ctx.stack[ctx.depth].node, name.c_str(),
                                        systemID.c_str(), publicID.c_str(), subset.c_str()));
        ctx.stack[ctx.depth].internals->appendNewChild(doctype);
    }
    ctx.insideDoctype = false;
    ctx.scanState = kProlog;
    ctx.setCapture(false, kCaptureAll);
}

void remember(ParseContext::Span& span, size_t offset, size_t length) {
    span.offset = offset;
    span.length = length;
    span.present = true;
}

void scan(ParseContext& ctx, const char* piece, size_t n) {
    const size_t offset = ctx.capture.size();
    if (ctx.capturing && n > 0) ctx.capture.append(piece, n);
    const bool markup = n > 1 && piece[0] == '<';
    if (markup && ((startsWith(piece, n, "<?") && !startsWith(piece, n, "<?xml")) ||
                   startsWith(piece, n, "<!--")))
        return;
    if (allWhite(piece, n)) return;

    switch (ctx.scanState) {
    case kProlog:
        if (is(piece, n, "<!DOCTYPE") && (ctx.captureMask & 0x1E)) {
            ctx.insideDoctype = true;
            ctx.capturing = true;
            ctx.capture.assign(piece, n);
            ctx.setCapture(false, kCaptureXmlDecl);
            ctx.scanState = kExpectName;
        } else if (startsWith(piece, n, "<?xml") && (ctx.captureMask & kCaptureXmlDecl)) {
            readXmlDeclaration(ctx, std::string(piece, n));
            ctx.setCapture(false, kCaptureXmlDecl);
        }
        break;
    case kExpectName:
        remember(ctx.name, offset, n);
        ctx.scanState = kAfterName;
        break;
    case kAfterName:
        if (is(piece, n, "SYSTEM")) {
            ctx.scanState = kExpectSystem;
            break;
        }
        if (is(piece, n, "PUBLIC")) {
            ctx.scanState = kExpectPublic;
            break;
        }
        [[fallthrough]]; // without identifiers, "[" or ">" may follow the name directly
    case kAfterLiterals:
        if (is(piece, n, "[")) {
            remember(ctx.subset, offset, 1);
            ctx.scanState = kInternalSubset;
        } else if (is(piece, n, ">")) {
            endDoctype(ctx);
        }
        break;
    case kExpectSystem:
        remember(ctx.systemLiteral, offset, n);
        ctx.scanState = kAfterLiterals;
        break;
    case kExpectPublic:
        remember(ctx.publicLiteral, offset, n);
        ctx.scanState = kExpectSystem;
        break;
    case kInternalSubset:
        // Markup declarations come as several pieces each, but none of them is a lone
        // "]": that piece always closes the subset.
        if (is(piece, n, "]")) {
            ctx.subset.length = offset + n - ctx.subset.offset;
            ctx.scanState = kAfterSubset;
        }
        break;
    case kAfterSubset:
        endDoctype(ctx);
        break;
    }
}

} // namespace

namespace prolog {

void XMLCALL defaultHandler(void* parser, const XML_Char* s, int len) {
    ParseContext& ctx = contextOf(parser);
    if (ctx.failure || !(ctx.captureMask & kCaptureAll) || len < 0) return;
    try {
        scan(ctx, s, size_t(len));
    } catch (...) {
        ctx.fail();
    }
}

} // namespace prolog
} // namespace LUMA_7_4_0

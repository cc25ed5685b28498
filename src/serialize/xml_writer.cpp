// XML text of every node kind. Printing is a walk in which each node appends its own text
// to one shared string and asks its children to append theirs. Indentation is driven by
// the owner document's level and unit; only elements change the level, which is how a
// parent learns that an element child was written (and puts its end tag on a line of its
// own).
#include "serialize/xml_writer.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <toveldom/attribute.h>
#include <toveldom/character_data.h>
#include <toveldom/document.h>
#include <toveldom/document_fragment.h>
#include <toveldom/document_type.h>
#include <toveldom/element.h>

#include "nodes/node_access.h"
#include "nodes/parsed_attributes.h"
#include "nodes/private_cast.h"

namespace LUMA_7_4_0 {

// The document's indentation members are private; the printer is their one other reader.
struct SerializeAccess {
    static int level(CTOVELDOMDocument& doc) { return doc.getIndentLevel(); }
    static const char* unit(CTOVELDOMDocument& doc) { return doc.getIndentation(); }
    static const std::string& version(CTOVELDOMDocument& doc) { return doc.version; }
    static const std::string& encoding(CTOVELDOMDocument& doc) { return doc.encoding; }
    static bool standalone(CTOVELDOMDocument& doc) { return doc.standalone; }
};

namespace xmlwriter {

namespace {

// The replacement of each byte that needs one, or null.
struct EscapeTable {
    const char* text[256] = {};
    const char* attribute[256] = {};
    EscapeTable() {
        set("&", "&amp;", true);
        set("<", "&lt;", true);
        set(">", "&gt;", true);
        set("\"", "&quot;", false);
        set("'", "&apos;", false);
        set("\t", "&#9;", false);
        set("\n", "&#10;", false);
        set("\r", "&#13;", false);
    }
    void set(const char* byte, const char* replacement, bool inText) {
        unsigned char b = static_cast<unsigned char>(byte[0]);
        attribute[b] = replacement;
        if (inText) text[b] = replacement;
    }
};
const EscapeTable kEscapes;

// The first byte at or after i that needs a replacement, or length. Text runs to
// kilobytes between two escapes, so sixteen bytes are tested at a time where the
// processor allows.
template <bool kAttribute>
size_t nextSpecial(const unsigned char* p, size_t i, size_t length, const char* const* table) {
#if defined(__SSE2__)
    for (; i + 16 <= length; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')),
                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('>'))));
        if (kAttribute) {
            hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                                                 _mm_cmpeq_epi8(v, _mm_set1_epi8('\''))));
            hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                                 _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
        }
        if (const unsigned mask = unsigned(_mm_movemask_epi8(hit)))
            return i + unsigned(__builtin_ctz(mask));
    }
#endif
    while (i < length && !table[p[i]]) ++i;
    return i;
}

// Runs without special bytes go to the output as they are, each replacement after them.
template <bool kAttribute>
void appendEscaped(std::string& out, const char* data, size_t length, const char* const* table) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    size_t run = 0;
    for (size_t i = nextSpecial<kAttribute>(p, 0, length, table); i < length;
         i = nextSpecial<kAttribute>(p, run, length, table)) {
        out.append(data + run, i - run);
        out.append(table[p[i]]);
        run = i + 1;
    }
    out.append(data + run, length - run);
}

void appendRepeated(std::string& out, const char* unit, int times) {
    for (int i = 0; i < times; ++i) out += unit;
}

CTOVELDOMDocument* printingDocument(ITOVELDOMDocument* owner) {
    return owner ? dynamic_cast<CTOVELDOMDocument*>(owner) : nullptr;
}

// Printing moves the document's indentation level as it goes, and the designed results
// leave it moved (an element printed by itself leaves it one higher). An exception passing
// through puts it back where it was when printing began.
class LevelRestorer {
public:
    explicit LevelRestorer(CTOVELDOMDocument* doc)
        : doc(doc), level(doc ? SerializeAccess::level(*doc) : 0),
          exceptions(std::uncaught_exceptions()) {}
    ~LevelRestorer() {
        if (doc && std::uncaught_exceptions() > exceptions) doc->setIndentLevel(level);
    }
    LevelRestorer(const LevelRestorer&) = delete;
    LevelRestorer& operator=(const LevelRestorer&) = delete;

private:
    CTOVELDOMDocument* doc;
    int level;
    int exceptions;
};

void writeChild(ITOVELDOMNode* child, std::string& out) {
    if (CTOVELDOMElement* element = asExactly<CTOVELDOMElement>(child))
        writeElement(*element, out);
    else
        privateInterface(child)->getXML(out);
}

} // namespace

void appendEscapedText(std::string& out, const char* data, size_t length) {
    appendEscaped<false>(out, data, length, kEscapes.text);
}

void appendEscapedAttribute(std::string& out, const char* data, size_t length) {
    appendEscaped<true>(out, data, length, kEscapes.attribute);
}

namespace {
void writeNameAndValue(std::string& out, const CSharedString& name, std::string_view value) {
    out.append(name.c_str(), name.size());
    out += "=\"";
    appendEscapedAttribute(out, value.data(), value.size());
    out += '"';
}
} // namespace

void writeAttribute(CTOVELDOMAttribute& attribute, std::string& out) {
    if (AttributeAccess::hasPendingValue(attribute)) {
        writeNameAndValue(out, AttributeAccess::name(attribute),
                          AttributeAccess::pendingValue(attribute));
    } else if (attribute.childCount() == 1 && asExactly<CTOVELDOMText>(attribute.childAt(0))) {
        writeNameAndValue(out, AttributeAccess::name(attribute),
                          asExactly<CTOVELDOMText>(attribute.childAt(0))->data());
    } else {
        writeNameAndValue(out, AttributeAccess::name(attribute), attribute.getText());
    }
}

namespace {

// One element being written: its indentation level on entry, and how far its children got.
struct OpenElement {
    CTOVELDOMElement* element;
    CTOVELDOMDocument* doc;
    int level;
    int next;
    bool nested;
};

// Writes the start of element; true when it has children still to write, false when it
// was written whole (an empty element).
bool openElement(OpenElement& frame, std::string& out) {
    CTOVELDOMElement& element = *frame.element;
    CTOVELDOMDocument* doc = frame.doc;
    if (frame.level >= 1) {
        if (!out.empty() && out.back() != '\n') out += '\n';
        appendRepeated(out, SerializeAccess::unit(*doc), frame.level - 1);
    }
    out += '<';
    out.append(ElementAccess::tagName(element).c_str(), ElementAccess::tagName(element).size());
    ElementAccess::withAttributes(
        element,
        [&](const CParsedAttributes& parsed) {
            parsed.forEachInMapOrder([&](const CParsedAttributes::Item& item) {
                out += ' ';
                writeNameAndValue(out, item.name, parsed.valueView(item));
            });
        },
        [&](CTOVELDOMNamedNodeMap* map) {
            if (!map) return;
            for (__MAPPOS pos = map->begin(); pos;) {
                ITOVELDOMNode* attr = map->nextValue(pos);
                if (!attr) continue;
                out += ' ';
                if (CTOVELDOMAttribute* a = asExactly<CTOVELDOMAttribute>(attr))
                    writeAttribute(*a, out);
                else
                    privateInterface(attr)->getXML(out);
            }
        });
    if (element.childCount() > 0) {
        out += '>';
        return true;
    }
    out += "/>";
    // Leaving the level one higher tells the parent an element was written here.
    if (frame.level >= 1) doc->setIndentLevel(frame.level + 1);
    return false;
}

void closeElement(OpenElement& frame, std::string& out) {
    if (frame.level >= 1 && frame.nested) {
        out += '\n';
        appendRepeated(out, SerializeAccess::unit(*frame.doc), frame.level - 1);
    }
    out += "</";
    out.append(ElementAccess::tagName(*frame.element).c_str(),
               ElementAccess::tagName(*frame.element).size());
    out += '>';
    if (frame.level >= 1) frame.doc->setIndentLevel(frame.level + 1);
}

// After a child of frame was written: an element child leaves the level changed.
void childWritten(OpenElement& frame) {
    if (!frame.doc) return;
    if (SerializeAccess::level(*frame.doc) != frame.level + 1) frame.nested = true;
    frame.doc->setIndentLevel(frame.level);
}

OpenElement frameFor(CTOVELDOMElement& element) {
    CTOVELDOMDocument* doc = printingDocument(element.ownerPtr());
    return {&element, doc, doc ? SerializeAccess::level(*doc) : 0, 0, false};
}

} // namespace

// Elements nest as deep as the tree: they are written with a stack of open elements, not
// by recursion, so a deep tree cannot exhaust the call stack. Other kinds print
// themselves; a host's element class is asked through its private interface.
void writeElement(CTOVELDOMElement& element, std::string& out) {
    std::vector<OpenElement> stack;
    stack.push_back(frameFor(element));
    LevelRestorer restorer(stack.back().doc);
    if (!openElement(stack.back(), out)) return;
    while (!stack.empty()) {
        OpenElement& frame = stack.back();
        if (frame.next >= frame.element->childCount()) {
            closeElement(frame, out);
            stack.pop_back();
            if (!stack.empty()) childWritten(stack.back());
            continue;
        }
        if (frame.level >= 1) frame.doc->setIndentLevel(frame.level + 1);
        ITOVELDOMNode* child = frame.element->childAt(frame.next++);
        if (CTOVELDOMElement* inner = asExactly<CTOVELDOMElement>(child)) {
            // A child almost always shares its parent's owner: no second look-up then.
            // Unindented, the level stays below 1 throughout (our elements change it only
            // from 1 up, and childWritten puts back what a host's node changed).
            const bool sameOwner = inner->ownerPtr() == frame.element->ownerPtr();
            const int level = frame.level < 1 ? frame.level
                              : frame.doc     ? SerializeAccess::level(*frame.doc)
                                              : 0;
            OpenElement innerFrame =
                sameOwner ? OpenElement{inner, frame.doc, level, 0, false} : frameFor(*inner);
            if (openElement(innerFrame, out)) {
                stack.push_back(innerFrame); // may move frame: not used below
                continue;
            }
            if (sameOwner && frame.level < 1) continue; // an empty element left no trace
        } else {
            privateInterface(child)->getXML(out);
        }
        childWritten(stack.back());
    }
}

void writeDocument(CTOVELDOMDocument& doc, std::string& out) {
    LevelRestorer restorer(&doc);
    const int level = SerializeAccess::level(doc);
    if (level >= 1) {
        if (!out.empty()) out += '\n';
        appendRepeated(out, SerializeAccess::unit(doc), level - 1);
    }
    out += "<?xml version=\"";
    out += SerializeAccess::version(doc);
    out += "\" encoding=\"";
    out += SerializeAccess::encoding(doc);
    out += "\" standalone=\"";
    out += SerializeAccess::standalone(doc) ? "yes" : "no";
    out += "\"?>\n";

    auto writeAtLevel = [&](ITOVELDOMNode* child) {
        int before = SerializeAccess::level(doc);
        if (before > 1) doc.setIndentLevel(before + 1);
        writeChild(child, out);
        doc.setIndentLevel(before);
    };
    // Without a document type before it, the document element is written last, after the
    // comments and processing instructions that follow it.
    bool doctypeSeen = false;
    int deferred = -1;
    const int count = doc.childCount();
    for (int i = 0; i < count; ++i) {
        ITOVELDOMNode* child = doc.childAt(i);
        tagITOVELDOMNodeType kind = child->get_nodeType();
        if (kind == NODE_ELEMENT && !doctypeSeen) {
            deferred = i;
            continue;
        }
        if (kind == NODE_DOCUMENT_TYPE) doctypeSeen = true;
        writeAtLevel(child);
    }
    if (deferred >= 0) writeAtLevel(doc.childAt(deferred));
}

void writeFragment(CTOVELDOMDocumentFragment& fragment, std::string& out) {
    CTOVELDOMDocument* doc = printingDocument(fragment.ownerPtr());
    LevelRestorer restorer(doc);
    const int count = fragment.childCount();
    for (int i = 0; i < count; ++i) {
        int before = doc ? SerializeAccess::level(*doc) : 0;
        if (doc && before >= 1) doc->setIndentLevel(before + 1);
        writeChild(fragment.childAt(i), out);
        if (doc) doc->setIndentLevel(before);
    }
}

void writeDocumentType(CTOVELDOMDocumentType& doctype, std::string& out) {
    out += "<!DOCTYPE ";
    out += doctype.get_name();
    const char* publicID = doctype.get_publicID();
    const char* systemID = doctype.get_systemID();
    if (*publicID) {
        out += " PUBLIC \"";
        out += publicID;
        out += '"';
    }
    if (*systemID) {
        out += *publicID ? " \"" : " SYSTEM \"";
        out += systemID;
        out += '"';
    }
    if (*doctype.getInternalSubset()) {
        out += ' ';
        out += doctype.getInternalSubset();
    }
    out += ">\n";
}

} // namespace xmlwriter

// Each kind's part of printing, kept with the rest of it.
void CTOVELDOMElement::getXML(std::string& out) { xmlwriter::writeElement(*this, out); }
void CTOVELDOMAttribute::getXML(std::string& out) { xmlwriter::writeAttribute(*this, out); }
void CTOVELDOMDocument::getXML(std::string& out) { xmlwriter::writeDocument(*this, out); }
void CTOVELDOMDocumentFragment::getXML(std::string& out) { xmlwriter::writeFragment(*this, out); }
void CTOVELDOMDocumentType::getXML(std::string& out) { xmlwriter::writeDocumentType(*this, out); }
void CTOVELDOMText::getXML(std::string& out) {
    xmlwriter::appendEscapedText(out, value.data(), value.size());
}

} // namespace LUMA_7_4_0

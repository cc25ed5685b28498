// Files and printed text: loading a file, xml() in any output encoding, save().
//
// The interfaces print UTF-8 whatever the declaration says. The layer prints through them
// and then writes the text in the encoding asked for, so the designed printing stays the
// one rule for what a tree looks like as XML.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <toveldom/encoded.h>

#include "dom/dom_internal.h"
#include "encoding/output_encoding.h"

namespace toveldom {

using namespace LUMA_7_4_0;
using detail::guarded;

namespace {

error file_error(const std::string& what, const std::string& path, int error_number) {
    return error(error_kind::file, FILE_IO_ERR, what + ": " + std::strerror(error_number), path);
}

// The interface reports every file problem with one code; opening the file first lets the
// message say what went wrong.
// Returns the file's first bytes, which decide the byte order mark of a save.
std::string check_readable(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw file_error("cannot open", path, errno);
    struct stat st;
    bool directory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    char head[3];
    ssize_t n = directory ? 0 : ::read(fd, head, sizeof head);
    ::close(fd);
    if (directory) throw file_error("cannot read", path, EISDIR);
    return std::string(head, size_t(n > 0 ? n : 0));
}

void write_file(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw file_error("cannot create", path, errno);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int e = n < 0 ? errno : ENOSPC;
            ::close(fd);
            throw file_error("cannot write", path, e);
        }
        done += size_t(n);
    }
    if (::close(fd) != 0) throw file_error("cannot write", path, errno);
}

std::string copy(const char* s) { return s ? std::string(s) : std::string(); }

} // namespace

document document::load_file(const std::string& path, const load_options& options) {
    document doc;
    doc.head_ = check_readable(path);
    try {
        doc.get()->put_preserveWhiteSpace(options.preserve_whitespace);
        doc.get()->put_resolveExternals(options.resolve_externals);
        if (!options.encoding.empty()) doc.get()->put_encoding(options.encoding.c_str());
        doc.get()->load(path.c_str());
    } catch (...) {
        detail::rethrow_as_error(path);
    }
    return doc;
}

std::string node::print(const output_options& options, const std::string& head) const {
    if (!node_) return std::string();
    std::string printed, target, doctype;
    guarded([&] {
        ITOVELDOMDocument* doc = doc_;
        bool whole = !doc && node_->get_nodeType() == NODE_DOCUMENT;
        if (whole) doc = static_cast<ITOVELDOMDocument*>(node_);
        // Indentation is document state that printing reads; each call sets what it
        // needs and leaves the document compact, as a new one starts.
        if (doc) {
            doc->setIndentation(options.indent_unit.c_str());
            doc->setIndentLevel(options.indent ? 1 : 0);
        }
        printed = copy(node_->get_xml());
        if (doc) doc->setIndentLevel(0);
        target = options.encoding.empty() ? "UTF-8" : options.encoding;
        if (!whole) return;
        std::string declared = copy(doc->get_encoding());
        if (options.encoding.empty()) target = declared;
        if (target != declared) {
            std::string old = " encoding=\"" + declared + "\"";
            size_t at = printed.find(old);
            size_t line_end = printed.find('\n');
            if (at != std::string::npos && at < line_end)
                printed.replace(at, old.size(), " encoding=\"" + target + "\"");
        }
        if (ITOVELDOMDocumentType* type = doc->get_doctype()) {
            struct release {
                ITOVELDOMDocumentType* t;
                ~release() { t->Release(); }
            } hold{type};
            doctype = copy(type->get_xml());
        }
    });
    if (options.final_newline) printed += '\n';
    return detail::encode_printed(printed, target, doctype, options.encoding.empty() ? head : "");
}

std::string node::xml(const output_options& options) const { return print(options, {}); }

std::string document::xml(const output_options& options) const { return print(options, head_); }

void document::save(const std::string& path, const output_options& options) const {
    if (!node_) detail::fail(NULL_POINTER_ERR, "save of a null document");
    output_options with_newline = options;
    with_newline.final_newline = true;
    write_file(path, xml(with_newline));
}

bool is_output_encoding(std::string_view name) {
    OutputEncoding encoding;
    return encoding.select(std::string(name).c_str());
}

std::vector<std::string> output_encodings() {
    std::vector<std::string> names;
    for (const char* const* name = OutputEncoding::kBuiltInNames; *name; ++name)
        names.emplace_back(*name);
    for (int row = 0; row < EncodingInfo::kRows; ++row) {
        const char* name = EncodingInfo::externalEncodingNameArray[row][1];
        // The first row is ISO-8859-1, written without a table.
        if (name && row > 0) names.emplace_back(name);
    }
    return names;
}

namespace detail {

namespace {

enum class where { text, attribute_value, cdata, name, comment, instruction, doctype };

const char* where_name(where w) {
    switch (w) {
    case where::name:
        return "a name";
    case where::comment:
        return "a comment";
    case where::instruction:
        return "a processing instruction or the XML declaration";
    case where::doctype:
        return "the document type";
    case where::text:
    case where::attribute_value:
    case where::cdata:
        break;
    }
    return "text";
}

class encoder {
public:
    encoder(const OutputEncoding& encoding, const std::string& name)
        : encoding_(encoding), name_(name), ascii_(encoding.asciiCompatible()) {
        out = encoding.prefix();
    }

    void put(std::string_view s, where w) {
        for (size_t i = 0; i < s.size();) {
            if (ascii_ && static_cast<unsigned char>(s[i]) < 0x80) {
                size_t j = i + 1;
                while (j < s.size() && static_cast<unsigned char>(s[j]) < 0x80) ++j;
                out.append(s.data() + i, j - i);
                i = j;
                continue;
            }
            long c = next_scalar(s, i);
            if (c < 0) fail(errc::invalid_character, "the document holds bytes that are not UTF-8");
            if (encoding_.append(uint32_t(c), out)) continue;
            std::string reference = "&#" + std::to_string(c) + ";";
            if (w == where::text || w == where::attribute_value)
                out += reference;
            else if (w == where::cdata)
                out += "]]>" + reference + "<![CDATA[";
            else
                fail(errc::not_supported, "character " + std::to_string(c) + " in " +
                                              where_name(w) + " has no encoding in " + name_ +
                                              " and cannot be written as a reference there");
        }
    }

    std::string out;

private:
    const OutputEncoding& encoding_;
    const std::string& name_;
    bool ascii_;
};

} // namespace

std::string encode_printed(std::string_view p, const std::string& name, std::string_view doctype,
                           const std::string& head) {
    OutputEncoding encoding;
    if (!encoding.select(name.c_str()))
        fail(errc::not_supported, "unknown output encoding '" + name + "'");
    encoding.followInput(head);
    if (encoding.form() == OutputEncoding::Form::Utf8) return encoding.prefix() + std::string(p);

    encoder e(encoding, name);
    e.out.reserve(p.size() + p.size() / 8);
    const size_t n = p.size();
    auto starts = [&](size_t i, std::string_view s) { return p.compare(i, s.size(), s) == 0; };
    // The end of what opens at i: just past close, or the end of the text.
    auto past = [&](size_t from, std::string_view close) {
        size_t k = p.find(close, from);
        return k == std::string_view::npos ? n : k + close.size();
    };
    for (size_t i = 0; i < n;) {
        if (p[i] != '<') {
            size_t k = p.find('<', i);
            if (k == std::string_view::npos) k = n;
            e.put(p.substr(i, k - i), where::text);
            i = k;
        } else if (starts(i, "<!--")) {
            size_t end = past(i + 4, "-->");
            e.put(p.substr(i, end - i), where::comment);
            i = end;
        } else if (starts(i, "<![CDATA[")) {
            size_t close = p.find("]]>", i + 9);
            if (close == std::string_view::npos) close = n;
            e.put("<![CDATA[", where::name);
            e.put(p.substr(i + 9, close - (i + 9)), where::cdata);
            i = close < n ? close + 3 : n;
            e.put(p.substr(close, i - close), where::name);
        } else if (starts(i, "<?")) {
            size_t end = past(i + 2, "?>");
            e.put(p.substr(i, end - i), where::instruction);
            i = end;
        } else if (!doctype.empty() && starts(i, doctype)) {
            e.put(doctype, where::doctype);
            i += doctype.size();
        } else if (starts(i, "<!")) {
            size_t end = past(i, ">");
            e.put(p.substr(i, end - i), where::doctype);
            i = end;
        } else {
            // A tag: names outside quotes, attribute values inside them.
            size_t from = i, k = i + 1;
            while (k < n && p[k] != '>') {
                if (p[k] != '"' && p[k] != '\'') {
                    ++k;
                    continue;
                }
                e.put(p.substr(from, k + 1 - from), where::name);
                size_t close = p.find(p[k], k + 1);
                if (close == std::string_view::npos) close = n;
                e.put(p.substr(k + 1, close - (k + 1)), where::attribute_value);
                from = close;
                k = close + 1;
            }
            size_t end = k < n ? k + 1 : n;
            if (from < end) e.put(p.substr(from, end - from), where::name);
            i = end;
        }
    }
    return std::move(e.out);
}

} // namespace detail
} // namespace toveldom

namespace LUMA_7_4_0 {

extern "C" TOVELDOM_API bool TOVELDOMSaveEncoded_7_4_0(ITOVELDOMDocument* doc, const char* path,
                                                       const char* encoding) {
    if (!doc) throw TOVELDOMException(NULL_POINTER_ERR);
    if (!path) throw TOVELDOMException(NULL_STRING_ERR);
    try {
        toveldom::output_options options;
        if (encoding) options.encoding = encoding;
        toveldom::document::retain(doc).save(path, options);
    } catch (const toveldom::error& e) {
        // Beside the library's own codes (memory, files), every refusal of output means
        // "cannot be written that way".
        bool own = e.kind() == toveldom::error_kind::file || e.code() >= NOT_IMPLEMENTED_ERR;
        throw TOVELDOMException(static_cast<unsigned short>(own ? e.code() : NOT_SUPPORTED_ERR));
    }
    return true;
}

} // namespace LUMA_7_4_0

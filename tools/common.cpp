#include "common.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <toveldom/loading.h>
#include <unistd.h>

#include "progress.h"

namespace tool {

void usageError(const std::string& command, const std::string& message) {
    throw Failure{kUsageOrIo,
                  command + ": " + message + " (see 'toveldom " + command + " --help')"};
}

// --- the command line -----------------------------------------------------------------------

bool CommandLine::has(const char* name) const {
    for (const Option& option : options)
        if (option.name == name) return true;
    return false;
}

std::string CommandLine::last(const char* name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->name == name) return it->value;
    return fallback;
}

bool helpRequested(const CommandLine& line, const char* text) {
    if (line.help) writeStdout(text);
    return line.help;
}

CommandLine parseCommandLine(const char* command, const std::vector<OptionSpec>& known, int argc,
                             char** argv, int first) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        // A lone "-" names standard input, so it is an operand like any file name.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            continue;
        }
        const OptionSpec* match = nullptr;
        std::string spelled; // as the user wrote it, for messages
        std::string value;
        bool hasValue = false;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.erase(equals);
                hasValue = true;
            }
            for (const OptionSpec& candidate : known)
                if (name == candidate.name) match = &candidate;
            spelled = "--" + name;
            if (!match) usageError(command, "unknown option '" + spelled + "'");
            if (hasValue && match->value == Value::None)
                usageError(command, "option '" + spelled + "' takes no value");
        } else {
            for (const OptionSpec& candidate : known)
                if (candidate.shortName && arg[1] == candidate.shortName) match = &candidate;
            spelled = arg.substr(0, 2);
            if (!match) usageError(command, "unknown option '" + spelled + "'");
            if (arg.size() > 2) {
                if (match->value == Value::None)
                    usageError(command, "option '" + spelled + "' takes no value");
                value = arg.substr(2);
                hasValue = true;
            }
        }
        if (!hasValue && match->value == Value::Required) {
            if (i + 1 >= argc) usageError(command, "option '" + spelled + "' needs a value");
            value = argv[++i];
            hasValue = true;
        }
        line.options.push_back(Option{match->name, value, hasValue});
    }
    return line;
}

// --- documents ------------------------------------------------------------------------------

void addLoadOptionSpecs(std::vector<OptionSpec>& known) {
    known.push_back({"encoding", 0, Value::Required});
    known.push_back({"preserve-space", 0, Value::None});
    known.push_back({"externals", 0, Value::None});
}

LoadOptions loadOptions(const CommandLine& line) {
    LoadOptions options;
    options.encoding = line.last("encoding");
    options.preserveSpace = line.has("preserve-space");
    options.externals = line.has("externals");
    return options;
}

const char* const kExternalsHelp =
    "  --externals           read external general entities declared in the internal\n"
    "                        subset, from any local path their system IDs name; the\n"
    "                        external DTD subset is never read. Without it nothing\n"
    "                        outside FILE is read: a named external DTD is skipped\n";

std::string displayName(const std::string& path) { return path == "-" ? "<stdin>" : path; }

std::string parseErrorMessage(int code) {
    // The library's own limits on hostile input, numbered after the parser's errors.
    switch (code) {
    case 1001:
        return "elements nested deeper than 2047 levels";
    case 1002:
        return "more than 256 namespace bindings in scope";
    case 1003:
        return "more than 256 namespace declarations on one tag";
    }
    const XML_LChar* text = XML_ErrorString(static_cast<XML_Error>(code));
    return text ? text : "unknown parser error";
}

std::string describeParseError(const std::string& path, const ITOVELParseException& error) {
    // The parser counts columns from 0; editors and compilers count them from 1.
    return displayName(path) + ":" + std::to_string(error.getLinePos()) + ":" +
           std::to_string(error.getColPos() + 1) + ": " + parseErrorMessage(error.getErrorCode()) +
           " (error " + std::to_string(error.getErrorCode()) + ")";
}

namespace {

Failure ioFailure(const std::string& what, const std::string& path, int error) {
    return Failure{kUsageOrIo, what + " " + displayName(path) + ": " + std::strerror(error)};
}

std::string readAll(FILE* in, const std::string& path) {
    std::string data;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) data.append(buffer, n);
    if (std::ferror(in)) throw ioFailure("cannot read", path, errno);
    return data;
}

// The library reports every file problem as one code; opening the file first lets the
// message say what went wrong.
void checkReadable(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw ioFailure("cannot open", path, errno);
    struct stat st;
    bool directory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    ::close(fd);
    if (directory) throw ioFailure("cannot read", path, EISDIR);
}

} // namespace

Document loadUnchecked(const std::string& path, const LoadOptions& options) {
    Document doc = Document::adopt(createTOVELDOMDocument_7_4_0());
    try {
        doc->put_preserveWhiteSpace(options.preserveSpace);
        doc->put_resolveExternals(options.externals);
        TOVELDOMPutSkipExternalDTD_7_4_0(doc, !options.externals);
        if (!options.encoding.empty()) doc->put_encoding(options.encoding.c_str());
        if (path == "-") {
            std::string data = readAll(stdin, path);
            // loadXML refuses an empty buffer outright; a file with nothing in it gets the
            // parser's "no element found" at 1:0, and standard input should read the same.
            if (data.empty()) throw TOVELParseException(XML_ERROR_NO_ELEMENTS, 0, 1, 0);
            if (data.size() > size_t(INT32_MAX))
                throw Failure{kUsageOrIo, "cannot read <stdin>: input larger than 2 GiB"};
            doc->loadXML(data.data(), int(data.size()));
        } else {
            checkReadable(path);
            ProgressScope progress(path);
            doc->load(path.c_str());
        }
    } catch (const TOVELDOMException& error) {
        if (error.get_code() == FILE_IO_ERR)
            throw Failure{kUsageOrIo, "cannot read " + displayName(path)};
        throw Failure{kDocumentFailure, displayName(path) + ": " + error.message()};
    }
    return doc;
}

Document loadDocument(const std::string& path, const LoadOptions& options) {
    try {
        return loadUnchecked(path, options);
    } catch (const TOVELParseException& error) {
        // A forced name the parser does not know is a mistake on the command line, not in
        // the document: say which name.
        if (error.getErrorCode() == XML_ERROR_UNKNOWN_ENCODING && !options.encoding.empty())
            throw Failure{kDocumentFailure, "unknown encoding '" + options.encoding +
                                                "' (see 'toveldom encodings' for the names known)"};
        throw Failure{kDocumentFailure, describeParseError(path, error)};
    }
}

// --- output ---------------------------------------------------------------------------------

OutputOptions outputOptions(const char* command, const CommandLine& line) {
    OutputOptions options;
    options.path = line.last("output");
    bool indent = line.has("indent");
    bool indentWith = line.has("indent-with");
    if (indent && indentWith) usageError(command, "use either --indent or --indent-with");
    if (indent) {
        options.indent = true;
        for (const Option& option : line.options) {
            if (option.name != "indent" || !option.hasValue) continue;
            const std::string& n = option.value;
            if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != n.npos)
                usageError(command, "--indent=N needs a number of spaces from 0 to 99");
            options.unit.assign(std::stoul(n), ' ');
        }
    }
    if (indentWith) {
        options.indent = true;
        options.unit = line.last("indent-with");
    }
    return options;
}

void writeStdout(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout))
        throw ioFailure("cannot write", "standard output", errno);
}

namespace {

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode a new file gets from open(..., 0666): an existing file keeps its own.
mode_t modeFor(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The library's save writes in place, so a failure half way would leave a truncated file
// under the user's name; writing beside it and renaming makes the change all or nothing.
void saveAtomically(ITOVELDOMDocument* doc, const std::string& path) {
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::string pattern = directoryOf(path) + "/." + name + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) throw ioFailure("cannot write", path, errno);
    ::fchmod(fd, modeFor(path));
    ::close(fd);
    try {
        doc->save(temporary.data());
    } catch (const TOVELDOMException&) {
        ::unlink(temporary.data());
        throw Failure{kUsageOrIo, "cannot write " + path};
    }
    if (::rename(temporary.data(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.data());
        throw ioFailure("cannot write", path, error);
    }
}

} // namespace

void writeDocument(ITOVELDOMDocument* doc, const OutputOptions& options) {
    // The text the library holds is UTF-8 whatever the input was; a declaration still naming
    // the input's encoding would make the output lie about itself.
    doc->put_encoding("UTF-8");
    if (options.indent) {
        doc->setIndentation(options.unit.c_str());
        doc->setIndentLevel(1);
    }
    if (options.path.empty() || options.path == "-") {
        std::string text = doc->get_xml();
        if (text.empty() || text.back() != '\n') text += '\n';
        writeStdout(text);
        return;
    }
    saveAtomically(doc, options.path);
}

} // namespace tool

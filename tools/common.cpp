#include "common.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <toveldom/dom.hpp>
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
        const bool pair = match->value == Value::Pair;
        if (!hasValue && (match->value == Value::Required || pair)) {
            if (i + 1 >= argc)
                usageError(command,
                           "option '" + spelled + "' needs " + (pair ? "two values" : "a value"));
            value = argv[++i];
            hasValue = true;
        }
        std::string second;
        if (pair) {
            if (i + 1 >= argc) usageError(command, "option '" + spelled + "' needs two values");
            second = argv[++i];
        }
        line.options.push_back(Option{match->name, value, hasValue, second});
    }
    return line;
}

// --- documents ------------------------------------------------------------------------------

void addLoadOptionSpecs(std::vector<OptionSpec>& known, bool writesDocument) {
    known.push_back({"input-encoding", 0, Value::Required});
    if (!writesDocument) known.push_back({"encoding", 0, Value::Required});
    known.push_back({"preserve-space", 0, Value::None});
    known.push_back({"externals", 0, Value::None});
}

LoadOptions loadOptions(const CommandLine& line, bool writesDocument) {
    LoadOptions options;
    options.encoding = line.last("input-encoding", writesDocument ? "" : line.last("encoding"));
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

// loadXML takes the length as an int, and an input is read whole before it is parsed, so no
// input may be larger than INT32_MAX bytes; checking while reading stops a stream without end
// early. TOVELDOM_TOOL_MAX_INPUT may lower the limit (tests do, to try it quickly).
size_t maxInput() {
    static const size_t limit = [] {
        const char* lowered = std::getenv("TOVELDOM_TOOL_MAX_INPUT");
        unsigned long long n = lowered ? std::strtoull(lowered, nullptr, 10) : 0;
        return n > 0 && n < INT32_MAX ? size_t(n) : size_t(INT32_MAX);
    }();
    return limit;
}

std::string tooLarge(const std::string& path) {
    return "cannot read " + displayName(path) + ": larger than " + std::to_string(maxInput()) +
           " bytes, the most the tool reads";
}

// Reads fd to its end. Stops as soon as the input passes kMaxInput rather than after
// holding all of it.
std::string readAll(int fd, const std::string& path) {
    std::string data;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw ioFailure("cannot read", path, EISDIR);
        if (S_ISREG(st.st_mode) && st.st_size > 0) {
            if (uint64_t(st.st_size) > maxInput()) throw Failure{kUsageOrIo, tooLarge(path)};
            data.reserve(size_t(st.st_size));
        }
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw ioFailure("cannot read", path, errno);
        if (n == 0) return data;
        if (data.size() + size_t(n) > maxInput()) throw Failure{kUsageOrIo, tooLarge(path)};
        data.append(buffer, size_t(n));
    }
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd > 0) ::close(fd);
    }
};

} // namespace

// Each input is opened once and read whole: a FIFO opened twice would lose its writer to the
// first open, and reading ahead lets the message say what went wrong with the file. A regular
// file, which a second open cannot harm, is left to the library when progress or external
// entities need it read by name.
Document loadUnchecked(const std::string& path, const LoadOptions& options) {
    Document doc = Document::adopt(createTOVELDOMDocument_7_4_0());
    try {
        doc->put_preserveWhiteSpace(options.preserveSpace);
        doc->put_resolveExternals(options.externals);
        TOVELDOMPutSkipExternalDTD_7_4_0(doc, !options.externals);
        if (!options.encoding.empty()) doc->put_encoding(options.encoding.c_str());
        Descriptor input{path == "-" ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
        if (input.fd < 0) throw ioFailure("cannot open", path, errno);
        // The library reads a named regular file itself, a chunk at a time: progress can then
        // follow it, and external entities resolve against the document's own path.
        struct stat st;
        if (path != "-" && ::fstat(input.fd, &st) == 0 && S_ISREG(st.st_mode) &&
            (options.externals || ProgressScope::wanted(st))) {
            ProgressScope progress(path, st);
            try {
                doc->load(path.c_str());
            } catch (const TOVELDOMException& error) {
                if (error.get_code() != FILE_IO_ERR) throw;
                throw ioFailure("cannot read", path, EIO);
            }
            return doc;
        }
        std::string data = readAll(input.fd, path);
        // loadXML refuses an empty buffer outright; the parser's own answer to an empty file
        // is "no element found" at 1:0.
        if (data.empty()) throw TOVELParseException(XML_ERROR_NO_ELEMENTS, 0, 1, 0);
        doc->loadXML(data.data(), int(data.size()));
    } catch (const TOVELDOMException& error) {
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
    // Text read in a forced encoding goes back out in it, so bytes not changed stay the same.
    options.encoding = line.last("encoding", line.last("input-encoding"));
    if (line.has("encoding")) checkOutputEncoding(command, options.encoding);
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

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Where the bytes for a path go: the file its chain of symbolic links ends at, and whether
// that is a regular file (or none yet) to be replaced by renaming a finished copy over it.
struct Destination {
    std::string path;
    bool replace = false;
    bool exists = false;
    struct stat st = {};
};

// The symbolic link limit the kernel itself uses.
constexpr int kMaxLinks = 40;

Destination destinationOf(const std::string& path) {
    Destination to;
    to.path = path;
    for (int links = 0;; ++links) {
        // What /dev and /proc name (a device, /dev/stdout, a descriptor) is already open
        // elsewhere or is not a file at all: renaming over it would replace the name, not
        // write to what it stands for.
        if (startsWith(to.path, "/dev/") || startsWith(to.path, "/proc/")) return to;
        if (::lstat(to.path.c_str(), &to.st) != 0) {
            if (errno != ENOENT) throw ioFailure("cannot write", path, errno);
            to.replace = true;
            return to;
        }
        if (S_ISDIR(to.st.st_mode)) throw ioFailure("cannot write", path, EISDIR);
        if (!S_ISLNK(to.st.st_mode)) {
            to.replace = to.exists = S_ISREG(to.st.st_mode);
            return to;
        }
        if (links == kMaxLinks) throw ioFailure("cannot write", path, ELOOP);
        std::vector<char> target(size_t(to.st.st_size > 0 ? to.st.st_size : PATH_MAX) + 1);
        ssize_t n = ::readlink(to.path.c_str(), target.data(), target.size());
        if (n < 0) throw ioFailure("cannot write", path, errno);
        std::string next(target.data(), size_t(n));
        to.path = next[0] == '/' ? next : directoryOf(to.path) + "/" + next;
    }
}

// The mode open(..., 0666) would give a new file.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void writeOutputFile(const std::string& path, const std::function<void(const char*)>& write) {
    Destination to = destinationOf(path);
    if (!to.replace) {
        write(to.path.c_str());
        return;
    }
    size_t slash = to.path.rfind('/');
    std::string temporary = directoryOf(to.path) + "/." +
                            to.path.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    int fd = ::mkstemp(&temporary[0]);
    if (fd < 0) throw ioFailure("cannot write", path, errno);
    try {
        if (::fchmod(fd, to.exists ? to.st.st_mode & 07777 : newFileMode()) != 0)
            throw ioFailure("cannot write", path, errno);
        // Only a privileged user can give the file back to its owner; anyone else replacing
        // a file they may write gets it as their own, as any editor does.
        if (to.exists) (void)!::fchown(fd, to.st.st_uid, to.st.st_gid);
        int closing = fd;
        fd = -1;
        if (::close(closing) != 0) throw ioFailure("cannot write", path, errno);
        write(temporary.c_str());
        if (::rename(temporary.c_str(), to.path.c_str()) != 0)
            throw ioFailure("cannot write", path, errno);
    } catch (...) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
}

void checkOutputEncoding(const char* command, const std::string& name) {
    if (!toveldom::is_output_encoding(name))
        throw Failure{kUsageOrIo, std::string(command) + ": cannot write in encoding '" + name +
                                      "' (see 'toveldom encodings' for the names known)"};
}

void writeDocument(ITOVELDOMDocument* doc, const OutputOptions& options) {
    toveldom::output_options out;
    out.indent = options.indent;
    out.indent_unit = options.unit;
    out.encoding = options.encoding;
    out.final_newline = true;
    std::string bytes;
    try {
        bytes = toveldom::document::retain(doc).xml(out);
    } catch (const toveldom::error& error) {
        // A name, comment or instruction with a character the encoding lacks.
        throw Failure{kDocumentFailure, error.what()};
    }
    if (options.path.empty() || options.path == "-") {
        writeStdout(bytes);
        return;
    }
    writeOutputFile(options.path, [&](const char* file) {
        int fd = ::open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) throw ioFailure("cannot write", options.path, errno);
        for (size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                int error = errno;
                ::close(fd);
                throw ioFailure("cannot write", options.path, error);
            }
            done += size_t(n);
        }
        if (::close(fd) != 0) throw ioFailure("cannot write", options.path, errno);
    });
}

} // namespace tool

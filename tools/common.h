// What every command of the tool shares: its failure type and exit statuses, the command-line
// reader, loading a document from a file or standard input, and printing or saving one.
#ifndef TOVELDOM_TOOLS_COMMON_H
#define TOVELDOM_TOOLS_COMMON_H

#include <functional>
#include <string>
#include <vector>

#include <toveldom/toveldom.h>

namespace tool {

using namespace LUMA_7_4_0;

// Exit statuses, the same for every command.
enum Status {
    kOk = 0,
    kDocumentFailure = 1, // malformed XML, unknown encoding, nothing to work on
    kUsageOrIo = 2,       // bad command line, a file that cannot be opened or written
};

// A failure that ends the command: main prints "toveldom: <message>" and exits with status.
struct Failure {
    int status;
    std::string message;
};

[[noreturn]] void usageError(const std::string& command, const std::string& message);

// --- the command line -----------------------------------------------------------------------

enum class Value {
    None,     // --flag
    Required, // --name VALUE or --name=VALUE
    Attached, // --name or --name=VALUE only, so that a following operand is never taken
    Pair,     // --name VALUE SECOND (or --name=VALUE SECOND)
};

struct OptionSpec {
    const char* name; // long name without the dashes
    char shortName;   // 0 when there is none
    Value value;
};

struct Option {
    std::string name; // the long name, whichever spelling was used
    std::string value;
    bool hasValue;
    std::string second; // the second value of a Value::Pair option
};

struct CommandLine {
    std::vector<Option> options; // in command-line order, repeats kept
    std::vector<std::string> operands;
    bool help = false;

    bool has(const char* name) const;
    // The last value given for name, or fallback.
    std::string last(const char* name, const std::string& fallback = std::string()) const;
};

// Writes text and answers true when the command line asked for help.
bool helpRequested(const CommandLine& line, const char* text);

// Reads argv[first..argc) against the known options; "--help"/"-h" is always known. Throws a usage
// Failure naming command for anything else it does not know.
CommandLine parseCommandLine(const char* command, const std::vector<OptionSpec>& known, int argc,
                             char** argv, int first);

// --- documents ------------------------------------------------------------------------------

// A document with one reference held; released when the holder goes.
using Document = CNodePtr<ITOVELDOMDocument>;

struct LoadOptions {
    std::string encoding; // forced input encoding, empty to follow the document
    bool preserveSpace = false;
    // Off: a named external DTD is skipped and nothing outside the input is read. On: the
    // library resolves external general entities (put_resolveExternals).
    bool externals = false;
};

// The options of every command that loads: --input-encoding, --preserve-space, --externals,
// and --encoding for the input too where the command writes no document (where it does,
// --encoding names the output's encoding).
void addLoadOptionSpecs(std::vector<OptionSpec>& known, bool writesDocument);
LoadOptions loadOptions(const CommandLine& line, bool writesDocument);

// The lines of --help that describe --externals, for every command that loads.
extern const char* const kExternalsHelp;

// How a path is shown in messages ("-" is standard input).
std::string displayName(const std::string& path);

// Loads path ("-" for standard input) into a new document, opening it once and reading at
// most 2 GiB. Throws Failure with status 2 when the input cannot be read or is larger;
// passes the parser's TOVELParseException on.
Document loadUnchecked(const std::string& path, const LoadOptions& options);
// The same, with a parse error turned into a Failure with status 1.
Document loadDocument(const std::string& path, const LoadOptions& options);

// The parse error as "FILE:LINE:COLUMN: MESSAGE (error N)", columns counted from 1.
std::string describeParseError(const std::string& path, const ITOVELParseException& error);

// The parser's message for its error number, or the library's own for its limits.
std::string parseErrorMessage(int code);

struct OutputOptions {
    std::string path; // empty or "-" for standard output
    bool indent = false;
    std::string unit = "  "; // one indentation step
    std::string encoding;    // empty: the encoding the document declares
};

// Reads --indent[=N], --indent-with, --encoding and -o from the command line.
OutputOptions outputOptions(const char* command, const CommandLine& line);
// A usage Failure unless name is an encoding the tool can write.
void checkOutputEncoding(const char* command, const std::string& name);

// Prints the document in options.encoding, or else the encoding it declares (the declaration
// names the one written), to standard output, ending with a line feed, or saves it to
// options.path whole or not at all.
void writeDocument(ITOVELDOMDocument* doc, const OutputOptions& options);

// Puts what write saves into the file named path, whole or not at all. write gets the name
// of the file to fill (it may create it or truncate it):
// - a regular file, or none yet: a new file beside it, renamed over it once write returns;
//   it keeps the old file's permissions (and owner, where the user may give it);
// - a symbolic link: the same for the file the link ends at, so the link stays;
// - anything else (a FIFO, a device, /dev/stdout, /proc/self/fd/N): path itself, written
//   where it is.
// Whatever write throws is passed on after the new file is removed; nothing is left behind.
void writeOutputFile(const std::string& path, const std::function<void(const char* file)>& write);

// Writes text to standard output; a failed write is an I/O Failure.
void writeStdout(const std::string& text);

} // namespace tool

#endif

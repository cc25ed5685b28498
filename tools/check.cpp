#include "commands.h"
#include "common.h"

#include <cstdio>

namespace tool {

const char* const kCheckSummary = "report whether documents are well-formed";

namespace {

const char kHelp[] =
    "usage: toveldom check [-q] [--encoding NAME] FILE...\n"
    "\n"
    "Loads each FILE ('-' is standard input) and prints one line for each that is not\n"
    "well-formed:\n"
    "\n"
    "  FILE:LINE:COLUMN: MESSAGE (error N)\n"
    "\n"
    "with the parser's own message and error number; lines and columns count from 1.\n"
    "\n"
    "  -q, --quiet      print nothing; the exit status tells\n"
    "  --encoding NAME  read every FILE in encoding NAME, whatever it declares\n"
    "\n"
    "Exit status: 0 all well-formed, 1 some file is not, 2 usage error or a file that\n"
    "cannot be read.\n";

} // namespace

int runCheck(int argc, char** argv, int first) {
    CommandLine line =
        parseCommandLine("check", {{"quiet", 'q', Value::None}, {"encoding", 0, Value::Required}},
                         argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (line.operands.empty()) usageError("check", "expects at least one FILE");
    const bool quiet = line.has("quiet");
    LoadOptions load;
    load.encoding = line.last("encoding");

    int status = kOk;
    for (const std::string& path : line.operands) {
        try {
            loadUnchecked(path, load);
        } catch (const TOVELParseException& error) {
            status = status > kDocumentFailure ? status : kDocumentFailure;
            if (!quiet) writeStdout(describeParseError(path, error) + "\n");
        } catch (const Failure& failure) {
            // An unreadable file does not stop the others from being checked; the worst
            // outcome decides the status.
            if (failure.status > status) status = failure.status;
            if (quiet) continue;
            std::fflush(stdout);
            std::fprintf(stderr, "toveldom: %s\n", failure.message.c_str());
        }
    }
    return status;
}

} // namespace tool

#include "commands.h"
#include "common.h"

#include <algorithm>
#include <cstdio>

namespace tool {

const char* const kFormatSummary = "load documents and print them, compact or indented";

namespace {

const char kHelp[] =
    "usage: toveldom format [FILE...] [--indent[=N] | --indent-with STRING]\n"
    "                       [--preserve-space] [--encoding NAME] [--input-encoding NAME]\n"
    "                       [--externals] [-o OUT | -i]\n"
    "\n"
    "Loads each FILE (standard input when FILE is '-' or missing) and prints it in the\n"
    "encoding it declares (UTF-8 when it declares none), or in the one --encoding or else\n"
    "--input-encoding names; the XML declaration names the encoding written. Characters\n"
    "the encoding lacks are written as character references.\n"
    "\n"
    "  --indent[=N]          one element per line, indented by N spaces a level (2)\n"
    "  --indent-with STRING  one element per line, indented by STRING a level\n"
    "  --preserve-space      keep text made only of white space (dropped by default)\n"
    "  --encoding NAME       write in encoding NAME: UTF-8, UTF-16 (little-endian with a\n"
    "                        byte order mark), UTF-16LE, UTF-16BE, ISO-8859-1, US-ASCII\n"
    "                        or any name 'toveldom encodings' lists\n"
    "  --input-encoding NAME read the input in encoding NAME, whatever it declares\n"
    "%s"
    "  -o, --output OUT      save to OUT instead of printing (one FILE only); OUT is\n"
    "                        replaced whole or left as it was\n"
    "  -i, --in-place        save each FILE over itself, replaced whole or left as it was\n"
    "\n"
    "A FILE that fails is reported and the others go on.\n"
    "\n"
    "Exit status: 0 printed, 1 not well-formed or unknown encoding, 2 usage or I/O error.\n";

} // namespace

int runFormat(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {{"indent", 0, Value::Attached},
                                     {"indent-with", 0, Value::Required},
                                     {"output", 'o', Value::Required},
                                     {"in-place", 'i', Value::None},
                                     {"encoding", 0, Value::Required}};
    addLoadOptionSpecs(known, true);
    CommandLine line = parseCommandLine("format", known, argc, argv, first);
    if (line.help) {
        std::vector<char> text(sizeof kHelp + std::string(kExternalsHelp).size());
        std::snprintf(text.data(), text.size(), kHelp, kExternalsHelp);
        writeStdout(text.data());
        return kOk;
    }
    std::vector<std::string> files = line.operands;
    if (files.empty()) files.push_back("-");
    const bool inPlace = line.has("in-place");
    if (inPlace && line.has("output")) usageError("format", "use either -o or -i");
    if (line.has("output") && files.size() > 1)
        usageError("format", "-o takes one FILE; use -i to rewrite several");
    if (inPlace && std::count(files.begin(), files.end(), "-"))
        usageError("format", "-i cannot rewrite standard input");
    if (std::count(files.begin(), files.end(), "-") > 1)
        usageError("format", "standard input ('-') can be read only once");
    const OutputOptions output = outputOptions("format", line);
    const LoadOptions load = loadOptions(line, true);

    int status = kOk;
    for (const std::string& path : files) {
        try {
            Document doc = loadDocument(path, load);
            OutputOptions to = output;
            if (inPlace) to.path = path;
            writeDocument(doc, to);
        } catch (const Failure& failure) {
            if (files.size() == 1) throw;
            status = std::max(status, failure.status);
            std::fflush(stdout);
            std::fprintf(stderr, "toveldom: %s\n", failure.message.c_str());
        }
    }
    return status;
}

} // namespace tool

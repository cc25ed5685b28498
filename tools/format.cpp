#include "commands.h"
#include "common.h"

#include <algorithm>
#include <cstdio>

namespace tool {

const char* const kFormatSummary = "load documents and print them, compact or indented";

namespace {

const char kHelp[] =
    "usage: toveldom format [FILE...] [--indent[=N] | --indent-with STRING]\n"
    "                       [--preserve-space] [--encoding NAME] [--externals]\n"
    "                       [-o OUT | -i]\n"
    "\n"
    "Loads each FILE (standard input when FILE is '-' or missing) and prints it as UTF-8:\n"
    "the XML declaration says encoding=\"UTF-8\" whatever encoding the input was in.\n"
    "\n"
    "  --indent[=N]          one element per line, indented by N spaces a level (2)\n"
    "  --indent-with STRING  one element per line, indented by STRING a level\n"
    "  --preserve-space      keep text made only of white space (dropped by default)\n"
    "  --encoding NAME       read the input in encoding NAME, whatever it declares\n"
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
                                     {"in-place", 'i', Value::None}};
    addLoadOptionSpecs(known);
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
    const LoadOptions load = loadOptions(line);

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

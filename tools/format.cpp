#include "commands.h"
#include "common.h"

namespace tool {

const char* const kFormatSummary = "load a document and print it, compact or indented";

namespace {

const char kHelp[] =
    "usage: toveldom format [FILE|-] [--indent[=N] | --indent-with STRING]\n"
    "                       [--preserve-space] [--encoding NAME] [-o OUT]\n"
    "\n"
    "Loads FILE (standard input when FILE is '-' or missing) and prints it as UTF-8: the\n"
    "XML declaration says encoding=\"UTF-8\" whatever encoding the input was in.\n"
    "\n"
    "  --indent[=N]          one element per line, indented by N spaces a level (2)\n"
    "  --indent-with STRING  one element per line, indented by STRING a level\n"
    "  --preserve-space      keep text made only of white space (dropped by default)\n"
    "  --encoding NAME       read the input in encoding NAME, whatever it declares\n"
    "  -o, --output OUT      save to OUT instead of printing; OUT is replaced whole\n"
    "                        or left as it was\n"
    "\n"
    "Exit status: 0 printed, 1 not well-formed or unknown encoding, 2 usage or I/O error.\n";

} // namespace

int runFormat(int argc, char** argv, int first) {
    CommandLine line = parseCommandLine("format",
                                        {{"indent", 0, Value::Attached},
                                         {"indent-with", 0, Value::Required},
                                         {"preserve-space", 0, Value::None},
                                         {"encoding", 0, Value::Required},
                                         {"output", 'o', Value::Required}},
                                        argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (line.operands.size() > 1) usageError("format", "expects one FILE");
    OutputOptions output = outputOptions("format", line);
    LoadOptions load;
    load.encoding = line.last("encoding");
    load.preserveSpace = line.has("preserve-space");
    Document doc = loadDocument(line.operands.empty() ? "-" : line.operands[0], load);
    writeDocument(doc, output);
    return kOk;
}

} // namespace tool

#include "commands.h"
#include "common.h"

namespace tool {

const char* const kFindSummary = "print the elements of a document with a given name";

namespace {

const char kHelp[] =
    "usage: toveldom find FILE NAME [--ns URI] [--ignore-case] [--text | --count]\n"
    "                     [--preserve-space] [--encoding NAME] [--externals]\n"
    "\n"
    "Prints, one per line and in document order, every element of FILE ('-' is standard\n"
    "input) named NAME ('*' matches every element).\n"
    "\n"
    "  --ns URI           NAME is a local name in namespace URI\n"
    "  -i, --ignore-case  match NAME ignoring ASCII letter case (not the URI's)\n"
    "  --text             print each match's text instead of its XML\n"
    "  --count            print only the number of matches\n"
    "  --preserve-space   keep text made only of white space (dropped by default)\n"
    "  --encoding NAME    read the input in encoding NAME, whatever it declares\n"
    "  --externals        read external entities as 'toveldom format --help' describes\n"
    "\n"
    "Exit status: 0 searched (also with no match), 1 not well-formed or unknown encoding,\n"
    "2 usage or I/O error.\n";

} // namespace

int runFind(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {{"ns", 0, Value::Required},
                                     {"ignore-case", 'i', Value::None},
                                     {"text", 0, Value::None},
                                     {"count", 0, Value::None}};
    addLoadOptionSpecs(known, false);
    CommandLine line = parseCommandLine("find", known, argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (line.operands.size() != 2) usageError("find", "expects FILE and NAME");
    const bool text = line.has("text");
    const bool count = line.has("count");
    if (text && count) usageError("find", "use either --text or --count");
    const std::string& name = line.operands[1];
    if (name.empty()) usageError("find", "NAME is empty");

    LoadOptions load = loadOptions(line, false);
    Document doc = loadDocument(line.operands[0], load);

    const bool noCase = line.has("ignore-case");
    CNodePtr<ITOVELDOMNodeList> matches;
    if (line.has("ns")) {
        std::string uri = line.last("ns");
        matches = CNodePtr<ITOVELDOMNodeList>::adopt(
            noCase ? doc->getElementsByTagNameNSNoCase(uri.c_str(), name.c_str())
                   : doc->getElementsByTagNameNS(uri.c_str(), name.c_str()));
    } else {
        matches = CNodePtr<ITOVELDOMNodeList>::adopt(
            noCase ? doc->getElementsByTagNameNoCase(name.c_str())
                   : doc->getElementsByTagName(name.c_str()));
    }
    const long total = matches ? matches->get_length() : 0;
    if (count) {
        writeStdout(std::to_string(total) + "\n");
        return kOk;
    }
    std::string out;
    for (long i = 0; i < total; ++i) {
        CNodePtr<ITOVELDOMNode> match = CNodePtr<ITOVELDOMNode>::adopt(matches->get_item(i));
        if (!match) continue;
        out += text ? match->get_text() : match->get_xml();
        out += '\n';
    }
    writeStdout(out);
    return kOk;
}

} // namespace tool

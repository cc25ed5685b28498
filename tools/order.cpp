#include "commands.h"
#include "common.h"

#include <string>

namespace tool {

const char* const kOrderSummary = "regroup and sort the children of elements";

namespace {

const char kHelp[] =
    "usage: toveldom order FILE [--at NAME] [--group NAME[:RANK]]... [--key CHILD | --key .]\n"
    "                      [--descending] [--case-sensitive] [-o OUT]\n"
    "                      [--indent[=N] | --indent-with STRING] [--preserve-space]\n"
    "                      [--encoding NAME] [--input-encoding NAME] [--externals]\n"
    "\n"
    "Reorders the element children of the document element of FILE ('-' is standard\n"
    "input), or of every element named NAME, and prints the document as 'format' does.\n"
    "Children that are not elements (text, comments) keep their places.\n"
    "\n"
    "  --at NAME             reorder the children of every element named NAME\n"
    "  --group NAME[:RANK]   children named NAME (any letter case) form a group; groups\n"
    "                        follow the children in no group, by ascending RANK (by\n"
    "                        default the group's place on the command line)\n"
    "  --key CHILD           inside each group sort by the text of each child's first\n"
    "                        child element named CHILD (any letter case)\n"
    "  --key .               sort by each child's own text (the default)\n"
    "  --descending          sort from last to first\n"
    "  --case-sensitive      compare keys with letter case (ignored by default)\n"
    "  -o, --output OUT      save to OUT instead of printing\n"
    "  --indent[=N], --indent-with STRING, --preserve-space, --encoding NAME,\n"
    "  --input-encoding NAME, --externals\n"
    "                        as for 'toveldom format'\n"
    "\n"
    "Keys compare by the collation of the locale (LC_ALL, LC_COLLATE); equal keys keep\n"
    "their document order.\n"
    "\n"
    "Exit status: 0 reordered, 1 not well-formed, unknown encoding or no element NAME,\n"
    "2 usage or I/O error.\n";

struct Group {
    std::string name;
    unsigned rank;
};

// NAME[:RANK]. A qualified name has a colon of its own, and a local name never starts with
// a digit, so only an all-digit tail after the last colon is a rank.
Group parseGroup(const std::string& text, unsigned position) {
    Group group{text, position};
    size_t colon = text.rfind(':');
    if (colon != std::string::npos && colon + 1 < text.size() &&
        text.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
        std::string digits = text.substr(colon + 1);
        if (digits.size() > 9) usageError("order", "rank too large in '--group " + text + "'");
        group.name = text.substr(0, colon);
        group.rank = unsigned(std::stoul(digits));
    }
    if (group.name.empty()) usageError("order", "--group needs a NAME");
    return group;
}

// Releases the definition even when the library throws half way.
using OrderDef = CNodePtr<ITOVELDOMOrderDef>;

OrderDef makeDefinition(const CommandLine& line) {
    OrderDef definition = OrderDef::adopt(createTOVELDOMOrderDef_7_4_0());
    unsigned position = 0;
    for (const Option& option : line.options) {
        if (option.name != "group") continue;
        Group group = parseGroup(option.value, ++position);
        definition->setGroup(group.name.c_str(), group.rank);
    }
    std::string key = line.last("key", ".");
    if (key.empty()) usageError("order", "--key needs CHILD or '.'");
    // Tag level 1 sorts by the element's own text, level 2 by a child's.
    const unsigned level = key == "." ? 1 : 2;
    const ITOVELDOMOrderDef::eSort direction = line.has("descending")
                                                   ? ITOVELDOMOrderDef::eSortDescending
                                                   : ITOVELDOMOrderDef::eSortAscending;
    const bool caseSensitive = line.has("case-sensitive");
    definition->setSort(level == 1 ? "" : key.c_str(), level, direction, caseSensitive);
    return definition;
}

} // namespace

int runOrder(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {
        {"at", 0, Value::Required},         {"group", 0, Value::Required},
        {"key", 0, Value::Required},        {"descending", 0, Value::None},
        {"case-sensitive", 0, Value::None}, {"output", 'o', Value::Required},
        {"indent", 0, Value::Attached},     {"indent-with", 0, Value::Required},
        {"encoding", 0, Value::Required}};
    addLoadOptionSpecs(known, true);
    CommandLine line = parseCommandLine("order", known, argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (line.operands.size() != 1) usageError("order", "expects one FILE");
    OutputOptions output = outputOptions("order", line);
    OrderDef definition = makeDefinition(line);
    if (line.has("at") && line.last("at").empty()) usageError("order", "--at needs a NAME");

    LoadOptions load = loadOptions(line, true);
    const std::string& path = line.operands[0];
    Document doc = loadDocument(path, load);

    if (line.has("at")) {
        std::string at = line.last("at");
        CNodePtr<ITOVELDOMNodeList> targets =
            CNodePtr<ITOVELDOMNodeList>::adopt(doc->getElementsByTagName(at.c_str()));
        const long total = targets ? targets->get_length() : 0;
        if (total == 0)
            throw Failure{kDocumentFailure,
                          "order: no element named '" + at + "' in " + displayName(path)};
        for (long i = 0; i < total; ++i) {
            CNodePtr<ITOVELDOMNode> node = CNodePtr<ITOVELDOMNode>::adopt(targets->get_item(i));
            if (auto* element = dynamic_cast<ITOVELDOMElement*>(node.get()))
                element->order(definition);
        }
    } else {
        CNodePtr<ITOVELDOMElement> root =
            CNodePtr<ITOVELDOMElement>::adopt(doc->get_documentElement());
        if (root) root->order(definition);
    }
    writeDocument(doc, output);
    return kOk;
}

} // namespace tool

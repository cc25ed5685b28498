#include "commands.h"
#include "common.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tool {

const char* const kEncodingsSummary = "list the legacy encodings and where their files are";

namespace {

const char kHelp[] =
    "usage: toveldom encodings\n"
    "\n"
    "Lists the legacy encodings the library reads through \".enc\" files: the canonical\n"
    "name, the other names that select it (letter case ignored), the file, whether the\n"
    "library loads it, and the first place the file was found, looking where the library\n"
    "looks and in its order: the current directory, the tool's directory, the library's\n"
    "directory, then the data directory beside the library.\n"
    "UTF-8, UTF-16, ISO-8859-1 and US-ASCII need no file: the parser knows them.\n"
    "\n"
    "Exit status: 0 every file loads, 1 some file is missing or does not load.\n";

struct Place {
    const char* label;
    std::string directory; // ends with '/', or empty when it cannot be known
};

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

std::string currentDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) + "/" : std::string();
}

std::string executableDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? directoryOf(std::string(buffer, size_t(n))) : std::string();
}

// The directory of the library this process actually loaded, which may not be the one
// installed beside the tool.
std::string libraryDirectory() {
    Dl_info info;
    if (!::dladdr(reinterpret_cast<void*>(&createTOVELDOMDocument_7_4_0), &info) || !info.dli_fname)
        return std::string();
    return directoryOf(resolved(info.dli_fname));
}

// The places the library searches, in its order.
std::vector<Place> searchPlaces() {
    std::vector<Place> places{{"current directory", currentDirectory()},
                              {"tool's directory", executableDirectory()},
                              {"library's directory", libraryDirectory()}};
#ifdef TOVELDOM_DATA_FROM_LIB
    std::string library = places.back().directory;
    std::string data;
    if (!library.empty()) {
        data = resolved(library + TOVELDOM_DATA_FROM_LIB);
        if (data.back() != '/') data += '/';
    }
    places.push_back({"data directory", data});
#endif
    return places;
}

bool isReadableFile(const std::string& path) {
    struct stat st;
    return ::access(path.c_str(), R_OK) == 0 && ::stat(path.c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

struct Row {
    std::string name, aliases, file, loads, location;
};

} // namespace

int runEncodings(int argc, char** argv, int first) {
    CommandLine line = parseCommandLine("encodings", {}, argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    if (!line.operands.empty()) usageError("encodings", "takes no operands");

    const std::vector<Place> places = searchPlaces();
    std::vector<Row> rows{{"NAME", "OTHER NAMES", "FILE", "LOADS", "FOUND IN"}};
    int found = 0, loaded = 0, total = 0;
    for (int index = 0; index < EncodingInfo::kRows; ++index) {
        const char* const* names = EncodingInfo::externalEncodingNameArray[index];
        if (!names[0]) continue;
        ++total;
        Row row;
        row.name = names[1];
        for (int column = 2; column < 6 && names[column]; ++column)
            row.aliases += (row.aliases.empty() ? "" : " ") + std::string(names[column]);
        if (row.aliases.empty()) row.aliases = "-";
        row.file = names[0];
        // The current directory is searched by the bare name; the others by full path.
        row.location = "missing";
        for (const Place& place : places) {
            if (place.directory.empty()) continue;
            if (isReadableFile(place.directory + names[0])) {
                row.location = resolved(place.directory + names[0]);
                ++found;
                break;
            }
        }
        const bool loads = EncodingInfo::getExternalEncoding(index) != nullptr;
        loaded += loads;
        row.loads = loads ? "yes" : "no";
        rows.push_back(row);
    }

    size_t width[4] = {};
    for (const Row& row : rows) {
        width[0] = std::max(width[0], row.name.size());
        width[1] = std::max(width[1], row.aliases.size());
        width[2] = std::max(width[2], row.file.size());
        width[3] = std::max(width[3], row.loads.size());
    }
    auto pad = [](const std::string& text, size_t size) {
        return text + std::string(size - text.size() + 2, ' ');
    };
    std::string out;
    for (const Row& row : rows)
        out += pad(row.name, width[0]) + pad(row.aliases, width[1]) + pad(row.file, width[2]) +
               pad(row.loads, width[3]) + row.location + "\n";
    out += "\n" + std::to_string(total) + " encodings, " + std::to_string(found) +
           " files found, " + std::to_string(loaded) + " loaded. Searched, in order:\n";
    for (const Place& place : places)
        out += "  " + pad(place.label, 20) +
               (place.directory.empty() ? std::string("(unknown)") : place.directory) + "\n";
    writeStdout(out);
    return loaded == total ? kOk : kDocumentFailure;
}

} // namespace tool

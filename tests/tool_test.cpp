// Golden tests of the command-line tool, from the tables tests/tool/<command>.cases:
//
//   ## NAME: what the case shows
//   $ toveldom format -o $D/out.xml samples/malformed.xml; cat $D/out.xml
//   > a line the command must print on standard output
//   ! a line it must print on standard error
//   exit N                  (the status of the command line; 0 when absent)
//
// The command line runs in bash -o pipefail from the source directory, with `toveldom`
// first on PATH (TOVELDOM_TOOL picks another build, an installed one), $D an empty scratch
// directory, shown as $D in the output, and the C locale, so that sorting compares bytes.
// A line "..." in the expected output stands for any number of lines; a last line
// "<no final line feed>" says the output ends without one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Case {
    std::string name, where, command;
    std::vector<std::string> out, err;
    int status = 0;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.where; }

std::vector<Case> allCases() {
    std::vector<Case> cases;
    const fs::path dir = fs::path(TOVELDOM_SOURCE_DIR) / "tests" / "tool";
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".cases") continue;
        std::ifstream in(entry.path());
        std::string line, table = entry.path().stem().string();
        for (int number = 1; std::getline(in, line); ++number) {
            std::string rest = line.size() > 2 ? line.substr(2) : "";
            if (line.rfind("## ", 0) == 0) {
                cases.emplace_back();
                cases.back().name = table + "_" + rest.substr(1, rest.find(':') - 1);
                cases.back().where =
                    entry.path().filename().string() + ":" + std::to_string(number);
            } else if (line.empty() || line[0] == '#') {
                continue;
            } else if (cases.empty()) {
                ADD_FAILURE() << entry.path() << ":" << number << ": no case header yet";
            } else if (line.rfind("$ ", 0) == 0) {
                cases.back().command = rest;
            } else if (line[0] == '>' || line[0] == '!') {
                (line[0] == '>' ? cases.back().out : cases.back().err).push_back(rest);
            } else if (line.rfind("exit ", 0) == 0) {
                cases.back().status = std::atoi(line.c_str() + 5);
            } else {
                ADD_FAILURE() << entry.path() << ":" << number << ": cannot read '" << line << "'";
            }
        }
    }
    return cases;
}

std::string readFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Whether the lines of text, from line i on, match the expected lines from j on.
bool matches(const std::vector<std::string>& lines, size_t i, const std::vector<std::string>& want,
             size_t j) {
    if (j == want.size()) return i == lines.size();
    if (want[j] == "...") {
        for (size_t k = i; k <= lines.size(); ++k)
            if (matches(lines, k, want, j + 1)) return true;
        return false;
    }
    return i < lines.size() && lines[i] == want[j] && matches(lines, i + 1, want, j + 1);
}

// Compares text with the expected lines, each ending with a line feed.
void expectLines(const std::string& text, const std::vector<std::string>& want, const char* what) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::string shown;
    for (const std::string& line : want) shown += line + "\n";
    if (!text.empty() && text.back() != '\n') lines.push_back("<no final line feed>");
    EXPECT_TRUE(matches(lines, 0, want, 0)) << what << " was:\n" << text << "expected:\n" << shown;
}

class Tool : public ::testing::TestWithParam<Case> {};

TEST_P(Tool, PrintsWhatTheTableSays) {
    const Case& c = GetParam();
    std::string pattern = (fs::temp_directory_path() / "toveldom-tool-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path work = pattern, scratch = work / "d", bin = work / "bin";
    fs::create_directories(scratch);
    fs::create_directories(bin);
    const char* installed = std::getenv("TOVELDOM_TOOL");
    fs::create_symlink(installed && *installed ? installed : TOVELDOM_BINARY_DIR "/bin/toveldom",
                       bin / "toveldom");
    const std::string script = "cd '" TOVELDOM_SOURCE_DIR "' && export LC_ALL=C D='" +
                               scratch.string() + "' PATH='" + bin.string() +
                               "':\"$PATH\" && set -o pipefail && " + c.command;
    std::ofstream(work / "script") << script;
    const std::string run = "timeout 60 bash '" + (work / "script").string() + "' < /dev/null > '" +
                            (work / "out").string() + "' 2> '" + (work / "err").string() + "'";
    const int status = std::system(run.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << c.command;
    expectLines(replaceAll(readFile(work / "out"), scratch.string(), "$D"), c.out, "stdout");
    expectLines(replaceAll(readFile(work / "err"), scratch.string(), "$D"), c.err, "stderr");
    fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Table, Tool, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

} // namespace

// Golden-file tests of the command-line tool: each tests/tool/<name>.case runs the tool once
// on the bundled samples and compares its standard output, standard error and exit status
// with tests/tool/<name>.stdout, <name>.stderr (absent: empty) and the case's status line.
//
// A case file has one directive a line ('#' starts a comment):
//   arg TEXT            one argument, taken verbatim to the end of the line; @TMP@ names
//                       a scratch directory the case may write into
//   stdin PATH          standard input from a file of the source tree (default: empty)
//   stdin-generate KIND N
//                       standard input made here: "nested" N elements, "bindings" N
//                       nested namespace bindings, "declarations" N on one tag
//   seed NAME           copy <name>.seed to @TMP@/NAME before the run
//   file NAME           afterwards @TMP@/NAME must equal <name>.file, and the scratch
//                       directory must hold nothing else (no temporary left behind)
//   no-files            afterwards the scratch directory must be empty
//   normalize-paths     replace every absolute directory in the output by <DIR>/
//   status N            the expected exit status
//
// TOVELDOM_TOOL runs another build of the tool (an installed one); TOVELDOM_UPDATE_GOLDEN=1
// rewrites the .stdout, .stderr and .file files from what the tool printed and saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOVELDOM_SOURCE_DIR;
const fs::path kCaseDir = kSourceDir / "tests" / "tool";

std::string toolPath() {
    const char* configured = std::getenv("TOVELDOM_TOOL");
    if (configured && *configured) return configured;
    return TOVELDOM_BINARY_DIR "/bin/toveldom";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string stdinPath;
    std::string generateKind;
    int generateCount = 0;
    std::vector<std::string> seeds;
    std::vector<std::string> files;
    bool noFiles = false;
    bool normalizePaths = false;
    int status = -1;
};

// Test names already carry the case name; without this gtest prints the struct's bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

Case readCase(const fs::path& path) {
    Case c;
    c.name = path.stem().string();
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t space = line.find(' ');
        std::string key = line.substr(0, space);
        std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "arg")
            c.args.push_back(value);
        else if (key == "stdin")
            c.stdinPath = value;
        else if (key == "stdin-generate") {
            std::istringstream words(value);
            words >> c.generateKind >> c.generateCount;
        } else if (key == "seed")
            c.seeds.push_back(value);
        else if (key == "file")
            c.files.push_back(value);
        else if (key == "no-files")
            c.noFiles = true;
        else if (key == "normalize-paths")
            c.normalizePaths = true;
        else if (key == "status")
            c.status = std::atoi(value.c_str());
        else
            ADD_FAILURE() << path << ": unknown directive '" << key << "'";
    }
    return c;
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const fs::directory_entry& entry : fs::directory_iterator(kCaseDir))
        if (entry.path().extension() == ".case") cases.push_back(readCase(entry.path()));
    std::sort(cases.begin(), cases.end(),
              [](const Case& a, const Case& b) { return a.name < b.name; });
    return cases;
}

// Input shapes that reach the library's limits on hostile documents; too big to check in.
std::string generate(const std::string& kind, int n) {
    std::string text;
    if (kind == "nested") {
        for (int i = 0; i < n; ++i) text += "<a>";
        for (int i = 0; i < n; ++i) text += "</a>";
    } else if (kind == "bindings") {
        for (int i = 0; i < n; ++i) text += "<a xmlns:p" + std::to_string(i) + "=\"urn:x\">";
        for (int i = 0; i < n; ++i) text += "</a>";
    } else if (kind == "declarations") {
        text = "<a";
        for (int i = 0; i < n; ++i) text += " xmlns:p" + std::to_string(i) + "=\"urn:x\"";
        text += "/>";
    } else {
        ADD_FAILURE() << "unknown stdin-generate kind '" << kind << "'";
    }
    return text + "\n";
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct Result {
    std::string out, err;
    int status = -1;
};

// Runs the tool from the source directory, so that sample paths and messages read the same
// everywhere, in the C locale, so that sorting compares bytes.
Result run(const std::vector<std::string>& args, const fs::path& input, const fs::path& io) {
    const fs::path outPath = io / "stdout", errPath = io / "stderr";
    const std::string tool = toolPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        int in = open(input.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(kSourceDir.c_str()) != 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        setenv("LC_ALL", "C", 1);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    Result result;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "cannot run " << tool;
        return result;
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

std::vector<std::string> listDirectory(const fs::path& dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ToolGolden : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "toveldom-tool-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        work_ = pattern;
        fs::create_directories(work_ / "io");
        fs::create_directories(work_ / "scratch");
    }
    void TearDown() override {
        std::error_code ignored;
        if (!work_.empty()) fs::remove_all(work_, ignored);
    }

    fs::path work_;
};

TEST_P(ToolGolden, MatchesGoldenOutput) {
    const Case& c = GetParam();
    const fs::path scratch = work_ / "scratch";
    ASSERT_NE(c.status, -1) << c.name << ".case has no status line";

    fs::path input = work_ / "io" / "stdin";
    if (!c.stdinPath.empty())
        input = kSourceDir / c.stdinPath;
    else
        writeFile(input, c.generateKind.empty() ? "" : generate(c.generateKind, c.generateCount));
    for (const std::string& seed : c.seeds)
        fs::copy_file(kCaseDir / (c.name + ".seed"), scratch / seed);
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
        args.push_back(replaceAll(arg, "@TMP@", scratch.string()));

    Result result = run(args, input, work_ / "io");
    // Scratch paths vary from run to run; goldens show them as @TMP@.
    result.out = replaceAll(result.out, scratch.string(), "@TMP@");
    result.err = replaceAll(result.err, scratch.string(), "@TMP@");
    if (c.normalizePaths) {
        static const std::regex directory(R"(/\S*/)");
        result.out = std::regex_replace(result.out, directory, "<DIR>/");
        result.err = std::regex_replace(result.err, directory, "<DIR>/");
    }

    const fs::path outGolden = kCaseDir / (c.name + ".stdout");
    const fs::path errGolden = kCaseDir / (c.name + ".stderr");
    if (const char* update = std::getenv("TOVELDOM_UPDATE_GOLDEN"); update && *update == '1') {
        for (auto [path, text] : {std::pair{outGolden, result.out}, {errGolden, result.err}}) {
            if (text.empty())
                fs::remove(path);
            else
                writeFile(path, text);
        }
        for (const std::string& name : c.files)
            if (c.seeds.empty())
                fs::copy_file(scratch / name, kCaseDir / (c.name + ".file"),
                              fs::copy_options::overwrite_existing);
    }
    EXPECT_EQ(result.status, c.status) << "stderr: " << result.err;
    EXPECT_EQ(result.out, readFile(outGolden));
    EXPECT_EQ(result.err, readFile(errGolden));

    for (const std::string& name : c.files)
        EXPECT_EQ(readFile(scratch / name), readFile(kCaseDir / (c.name + ".file"))) << name;
    if (!c.files.empty() || c.noFiles) {
        std::vector<std::string> expected = c.files;
        if (c.noFiles) expected.clear();
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listDirectory(scratch), expected) << "files left in the scratch directory";
    }
}

INSTANTIATE_TEST_SUITE_P(Tool, ToolGolden, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

} // namespace

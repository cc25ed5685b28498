// The configuration and data files a Linux system ships as XML: the tool loads every one that
// is well-formed, most of them naming an external DTD it does not read, and its canonical
// form equals xmllint's byte for byte. TOVELDOM_REAL_FILES_ALL=1 compares every file; by
// default the many generated files of the MIME database are sampled.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const kRoots[] = {
    "/etc/fonts",  "/usr/share/fontconfig", "/etc/polkit-1",   "/usr/share/polkit-1",
    "/etc/dbus-1", "/usr/share/dbus-1",     "/usr/share/mime", "/usr/share/xml/iso-codes"};

std::vector<std::string> realFiles() {
    std::vector<std::string> files;
    for (const char* root : kRoots) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end;
             it.increment(ec)) {
            std::string ext = it->path().extension();
            if (!it->is_regular_file() || (ext != ".xml" && ext != ".conf" && ext != ".policy"))
                continue;
            std::ifstream in(it->path());
            char first = 0;
            if (in >> first && first == '<') files.push_back(it->path());
        }
    }
    return files;
}

// Standard output of command, and whether it exited 0.
std::pair<std::string, bool> run(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    return {out, pclose(pipe) == 0};
}

const std::string kTool = TOVELDOM_BINARY_DIR "/bin/toveldom";

TEST(RealFiles, LoadAndCanonicalizeAsXmllintDoes) {
    std::vector<std::string> files = realFiles();
    if (files.empty()) GTEST_SKIP() << "no XML files of the kinds looked for on this system";
    if (std::system("xmllint --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed: skipped " << files.size() << " files";
    const bool all = std::getenv("TOVELDOM_REAL_FILES_ALL") != nullptr;
    size_t compared = 0, generated = 0;
    for (const std::string& file : files) {
        const bool sampled = file.rfind("/usr/share/mime/", 0) != 0 ||
                             file.find("/packages/") != std::string::npos || generated++ % 10 == 0;
        if (!all && !sampled) continue;
        auto [xmllint, wellFormed] = run("xmllint --nonet --c14n '" + file + "'");
        auto [ours, loaded] = run(kTool + " c14n '" + file + "'");
        EXPECT_EQ(loaded, wellFormed) << file;
        if (wellFormed) {
            EXPECT_EQ(ours, xmllint) << file;
        }
        ++compared;
    }
    std::printf("compared %zu of %zu files with xmllint\n", compared, files.size());
}

} // namespace

// Replays the inputs kept in fuzz/regressions/ through exactly what the load fuzzer does
// with an input (fuzz/load_target.h): load, print, reload into a second document, print,
// reload into the first, print. Each file there once made the fuzzer fail; under the
// sanitizer build a fault coming back fails this test.
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../fuzz/load_target.h"

namespace {

std::vector<std::string> regressionFiles() {
    std::string dir = std::string(TOVELDOM_SOURCE_DIR) + "/fuzz/regressions";
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d)) {
            std::string name = entry->d_name;
            if (name.empty() || name[0] == '.' || name == "README") continue;
            files.push_back(dir + "/" + name);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void replay(const std::string& bytes) { tovel_fuzz::loadPrintReload(bytes.data(), bytes.size()); }

TEST(FuzzRegression, KeptInputsGoThroughLoadPrintReload) {
    std::vector<std::string> files = regressionFiles();
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        replay(contentsOf(file));
    }
    std::printf("[ replayed ] %zu kept inputs\n", files.size());
}

// A shape the fuzzer is slow to reach, fed with both white-space modes (the target picks the
// mode from the input's length, so a trailing space flips it): two attributes that are one
// once their prefixes are resolved.
TEST(FuzzRegression, DuplicateAfterResolutionGoesThroughLoadPrintReload) {
    replay("<r xmlns='u' xmlns:a='u' a:x='1' x='2'/>");
    replay("<r xmlns='u' xmlns:a='u' a:x='1' x='2'/> ");
}

} // namespace

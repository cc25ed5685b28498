// The tool's inputs and -o on what golden cases cannot set up: links, FIFOs, modes, devices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class ToolFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "toveldom-files-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs a shell line with $T the tool, $D the scratch directory and $S the samples; a
    // hang is ended after 20 s. Returns the exit status.
    int sh(const std::string& line) {
        std::string command =
            "cd '" + dir_.string() + "' && T='" TOVELDOM_BINARY_DIR "/bin/toveldom' D='" +
            dir_.string() + "' S='" TOVELDOM_SOURCE_DIR "/samples' timeout 20 sh -c '" + line + "'";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string read(const std::string& name) {
        std::ostringstream text;
        text << std::ifstream(dir_ / name).rdbuf();
        return text.str();
    }
    // No temporary left behind: the directory holds just what the case made.
    size_t files() {
        return size_t(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
    fs::path dir_;
};

TEST_F(ToolFiles, OutputThroughLinkWritesTargetAndKeepsLinkAndMode) {
    ASSERT_EQ(sh("echo old > real && chmod 640 real && ln -s real link && "
                 "$T format $S/catalogue.xml -o link"),
              0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
    EXPECT_EQ(read("real"), read("link"));
    EXPECT_NE(read("real"), "old\n");
    EXPECT_EQ(fs::status(dir_ / "real").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(files(), 2u);
}

TEST_F(ToolFiles, OutputToFifoAndStdoutIsWrittenWhereItIs) {
    ASSERT_EQ(
        sh("mkfifo pipe && (timeout 20 cat pipe > got &) && $T format $S/catalogue.xml -o pipe && "
           "wait; sleep 0.2; $T format $S/catalogue.xml -o /dev/stdout > direct"),
        0);
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));
    EXPECT_FALSE(read("direct").empty());
    EXPECT_EQ(read("got"), read("direct"));
    EXPECT_EQ(files(), 3u);
}

TEST_F(ToolFiles, FifoInputIsOpenedOnce) {
    // The writer is done before the tool could open the FIFO a second time.
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(
            sh("rm -f in && mkfifo in && (timeout 20 cat $S/catalogue.xml > in &) && $T check in"),
            0)
            << i;
}

TEST_F(ToolFiles, EndlessStandardInputStopsAtTheLimit) {
    EXPECT_EQ(sh("TOVELDOM_TOOL_MAX_INPUT=1000000 $T format - < /dev/zero 2> err"), 2);
    EXPECT_EQ(
        read("err"),
        "toveldom: cannot read <stdin>: larger than 1000000 bytes, the most the tool reads\n");
}

} // namespace

// What a job that writes a file leaves when it cannot finish: killed
// outright at any moment, or out of room on the disk, the file the user named
// is the old one or the whole new one, on every road that writes one.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "program_fixture.h"
#include "small_disk.h"

namespace {

namespace fs = std::filesystem;

class CliDurabilityTest : public kxtest::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        // A scene large enough that writing it takes a while, made by the sample plug-in.
        std::string output;
        ASSERT_EQ(kalvex({"--plugin", "Spring", "--set", "Turns=8", "--set", "Steps=64", "--set", "Sides=16",
                          "big.cad"},
                         output)
                      .exitCode,
                  0)
            << output;
        std::ofstream(dir.path() / "keep.lua") << "print('kept')\n";
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir.path() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    struct Road {
        const char* road;
        std::vector<std::string> args;
        std::string file;
    };
    // Every road that writes a file of the user's, writing into `folder`.
    static std::vector<Road> roads(const std::string& folder) {
        return {
            {"export", {"--export", "big.cad", folder + "out.pov"}, folder + "out.pov"},
            {"a script's --save", {"--script", "keep.lua", "big.cad", "--save", folder + "out.cad"}, folder + "out.cad"},
            {"a plug-in's SAVE", {"--export", "big.cad", folder + "out.stl", "--type", "stlSave"}, folder + "out.stl"},
        };
    }
};

// Jobs killed outright at random moments while they write: the file named is
// always the old one or the whole new one, on every road that writes it.
TEST_F(CliDurabilityTest, AJobKilledWhileWritingLeavesTheOldFileOrTheWholeNewOne) {
    std::string output;
    std::srand(20261210);
    for (const Road& row : roads("")) {
        SCOPED_TRACE(row.road);
        std::vector<std::string> argv{KALVEX_PROGRAM};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(run(argv, output).exitCode, 0) << output;
        const auto whole = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        const std::string written = read(row.file);
        ASSERT_GT(written.size(), 100000u);
        int newOnes = 0;
        for (int kill = 0; kill < 17; ++kill) {  // 51 in all
            std::ofstream(dir.path() / row.file, std::ios::binary | std::ios::trunc) << "the old file";
            // A kill while the plug-ins load looks like a crash of the one
            // loading, which the next start would disable: not what is tested here.
            fs::remove(dir.path() / ".local/share/kalvex/plugins.disabled");
            const pid_t job = startOutsideAnySupervisor(row.args);
            ASSERT_GT(job, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::rand() % (whole.count() + 1)));
            ::kill(job, SIGKILL);
            ::waitpid(job, nullptr, 0);
            const std::string now = read(row.file);
            EXPECT_TRUE(now == "the old file" || now == written) << kill << ": " << now.size() << " bytes";
            newOnes += now == written;
        }
        // How many kills came after the new file was in place, for the report.
        RecordProperty(std::string("whole_new_files_") + row.file, newOnes);
    }
}

// A disk that fills up under the write (a small file system of its own,
// mounted when the tests run as root): the job fails and says why, and the
// old file is left byte for byte.
TEST_F(CliDurabilityTest, AFullDiskFailsTheJobAndLeavesTheOldFile) {
    const kxtest::SmallDisk disk((dir.path() / "small").string());
    if (!disk.mounted()) GTEST_SKIP() << "a small file system needs root to mount";
    const std::string& mounted = disk.folder();
    for (const Road& row : roads("small/")) {
        SCOPED_TRACE(row.road);
        std::ofstream(dir.path() / row.file, std::ios::binary) << "the old file";
        std::string output;
        EXPECT_EQ(kalvex(row.args, output).exitCode, 1) << output;
        EXPECT_NE(output.find("No space left on device"), std::string::npos) << output;
        EXPECT_EQ(read(row.file), "the old file");
        // Nothing half-written is left beside it to fill the disk.
        size_t files = 0;
        for (const auto& e : fs::directory_iterator(mounted)) files += e.is_regular_file();
        EXPECT_EQ(files, 1u);
        fs::remove(dir.path() / row.file);
    }
}

}  // namespace

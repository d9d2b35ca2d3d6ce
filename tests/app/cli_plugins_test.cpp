// Plug-ins as the program loads them: listing, and a plug-in that kills the
// program while loading is disabled at the next start.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "kxplatform/process.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class CliPluginsTest : public kxtest::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        fs::create_directories(dir.path() / "plugins");
        fs::create_directories(dir.path() / ".config/Velmora");
        std::ofstream(dir.path() / ".config/Velmora/Kalvex.ini")
            << "[Directories]\nPlugin=" << (dir.path() / "plugins").string() << "\n";
    }
    void addPlugin(const char* name, const char* as) {
        fs::copy_file(std::string(KALVEX_TEST_PLUGIN_DIR) + "/" + name + ".pi", dir.path() / "plugins" / as);
    }
};

TEST_F(CliPluginsTest, ACrashWhileLoadingDisablesThatPlugin) {
    addPlugin("init_crashes", "a_crash.pi");
    addPlugin("good", "b_good.pi");
    std::string output;
    EXPECT_NE(kalvex({"--list-plugins"}, output).exitCode, 0) << output;
    const kx::platform::RunResult r = kalvex({"--list-plugins"}, output);
    EXPECT_EQ(r.exitCode, 0) << output;
    const std::string crashed = (dir.path() / "plugins" / "a_crash.pi").string();
    EXPECT_NE(output.find("The plug-in " + crashed + " stopped Kalvex while loading and has been disabled."),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("UTIL\tHello\thello\n"), std::string::npos) << output;
    EXPECT_NE(output.find("RENDER\tFlat renderer\trender\n"), std::string::npos) << output;
    // Once reported, it stays disabled and is not reported again.
    EXPECT_EQ(kalvex({"--list-plugins"}, output).exitCode, 0);
    EXPECT_EQ(output.find("stopped Kalvex"), std::string::npos) << output;
    EXPECT_NE(output.find("BUILD\tTriangles\ttri\n"), std::string::npos) << output;
    EXPECT_EQ(kalvex({"--list-plugins", "--no-plugins"}, output).exitCode, 0);
    EXPECT_EQ(output.find("Hello"), std::string::npos) << output;
}

TEST_F(CliPluginsTest, RunsAFunctionAndSavesItsResult) {
    addPlugin("good", "good.pi");
    struct Row {
        std::vector<std::string> args;
        int exitCode;
        const char* file;
        const char* contains;
    };
    const Row rows[] = {
        {{"--plugin", "Triangles", "--set", "Turns=7", "tri.cad"}, 0, "tri.cad", "_mesh"},
        {{"--plugin", "hello", "hello.tst"}, 0, "hello.tst", "objects 4"},
        {{"--plugin", "Nothing", "x.cad"}, 1, "x.cad", nullptr},
        {{"--plugin", "tri", "--set", "Unknown=1", "y.cad"}, 1, "y.cad", nullptr},
        {{"--plugin", "Bad answers", "z.cad"}, 1, "z.cad", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[1]);
        std::string output;
        EXPECT_EQ(kalvex(row.args, output).exitCode, row.exitCode) << output;
        const bool written = fs::exists(dir.path() / row.file);
        EXPECT_EQ(written, row.contains != nullptr);
        if (written) {
            std::ifstream in(dir.path() / row.file);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_NE(text.find(row.contains), std::string::npos) << text;
        }
    }
}

}  // namespace

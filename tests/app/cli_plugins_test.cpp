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

// Every road that writes a scene file writes the block form the window's
// Save writes.
TEST_F(CliPluginsTest, EveryRoadWritesTheSceneInItsBlockForm) {
    addPlugin("good", "good.pi");
    std::ofstream(dir.file("one.cad")) << "version 2.0\nSphere\n{\n\tName ball\n\tsize 1 1 1\n\tscale 1 1 1\n}\n";
    std::ofstream(dir.file("save.lua")) << "Scene:Save('by-script.cad', 0)\n";
    struct Row {
        const char* name;
        std::vector<std::string> args;
        const char* file;
    } rows[] = {
        {"export to the scene format", {"--export", "one.cad", "exported.cad"}, "exported.cad"},
        {"plug-in job", {"--plugin", "Triangles", "tri.cad"}, "tri.cad"},
        {"script job's --save", {"--script", "save.lua", "--save", "saved.cad"}, "saved.cad"},
        {"a script's Scene:Save", {"--script", "save.lua"}, "by-script.cad"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string output;
        EXPECT_EQ(kalvex(row.args, output).exitCode, 0) << output;
        std::ifstream in(dir.file(row.file), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.rfind("version 2.0", 0), 0u) << text.substr(0, 40);
    }
    // The older statement form only when asked for by its own name.
    std::string output;
    ASSERT_EQ(kalvex({"--export", "one.cad", "old.cad", "--type", "Kalvex1.5"}, output).exitCode, 0) << output;
    std::ifstream in(dir.file("old.cad"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("version 1.5", 0), 0u) << text.substr(0, 40);
    EXPECT_NE(text.find("ball"), std::string::npos);
}

// A job that cannot write its output leaves the user's file where it stood,
// byte for byte: an unknown type, a plug-in writer that gives up half-way.
TEST_F(CliPluginsTest, AFailedWriteLeavesTheUsersFileWhereItStood) {
    addPlugin("good", "good.pi");
    std::ofstream(dir.file("run.lua")) << "x = 1\n";
    struct Row {
        const char* name;
        std::vector<std::string> args;
        const char* file;
        bool saveFails;
    };
    const Row rows[] = {
        {"script saving to an unknown type", {"--script", "run.lua", "--save", "mine.zzz"}, "mine.zzz", false},
        {"plug-in job to an unknown type", {"--plugin", "Triangles", "mine.zzz"}, "mine.zzz", false},
        {"plug-in job through a failing writer", {"--plugin", "Triangles", "mine.tst"}, "mine.tst", true},
        {"script saving through a failing writer", {"--script", "run.lua", "--save", "mine.tst"}, "mine.tst", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string before = "the user's own file\n";
        std::ofstream(dir.file(row.file), std::ios::binary) << before;
        if (row.saveFails) setenv("KALVEX_TEST_SAVE_FAILS", "1", 1);
        std::string output;
        EXPECT_EQ(kalvex(row.args, output).exitCode, 1) << output;
        unsetenv("KALVEX_TEST_SAVE_FAILS");
        std::ifstream in(dir.file(row.file), std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), before);
        // Nothing half-written is left beside it.
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_EQ(e.path().filename().string().rfind(".kalvex-save-", 0), std::string::npos) << e.path();
    }
}

}  // namespace

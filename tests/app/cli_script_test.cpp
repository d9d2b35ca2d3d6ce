// kalvex --script end to end: the real program, the shipped examples, the
// bounds that end a script, and scene scripts of the scenes jobs read.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "program_fixture.h"

namespace {

namespace fs = std::filesystem;

class ScriptProgram : public kxtest::ProgramTest {
protected:
    std::string example(const char* name) { return std::string(KALVEX_EXAMPLES_DIR) + "/" + name; }
    std::string write(const char* name, const std::string& text) {
        const fs::path p = dir.path() / name;
        std::ofstream(p) << text;
        return p.string();
    }
    std::string read(const char* name) {
        std::ifstream in(dir.path() / name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static size_t count(const std::string& text, const std::string& word) {
        size_t n = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
        return n;
    }
};

TEST_F(ScriptProgram, SpiralExampleSavesARenderableScene) {
    std::string output;
    ASSERT_EQ(kalvex({"--script", example("scripts/spiral.lua"), "--save", "spiral.cad"}, output).exitCode, 0)
        << output;
    EXPECT_NE(output.find("48 spheres made"), std::string::npos) << output;
    const std::string scene = read("spiral.cad");
    EXPECT_EQ(scene.rfind("version 2.0", 0), 0u);
    EXPECT_EQ(count(scene, "Spiral"), 48u);

    ASSERT_TRUE(fs::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
    ASSERT_EQ(kalvex({"--render", "spiral.cad", "--width", "64", "--height", "48"}, output).exitCode, 0) << output;
    const auto pixels = kxtest::imagePixels((dir.path() / "spiral.tga").string(), 64, 48);
    ASSERT_EQ(pixels.size(), 64u * 48u);
    size_t differing = 0;
    for (uint32_t p : pixels) differing += p != pixels.front();
    EXPECT_GT(differing, 50u) << "the spheres show in the image";
}

TEST_F(ScriptProgram, OrbitExampleMakesKeyFrames) {
    std::string output;
    ASSERT_EQ(kalvex({"--script", example("scripts/orbit.lua"), "--save", "orbit.cad"}, output).exitCode, 0)
        << output;
    const std::string scene = read("orbit.cad");
    EXPECT_NE(scene.find("maxframes 36"), std::string::npos);
    EXPECT_NE(scene.find("Moon"), std::string::npos);
}

TEST_F(ScriptProgram, RunsEndWithTheirStatus) {
    struct Row {
        const char* script;
        std::vector<std::string> extra;
        int exitCode;
        const char* shown;
    };
    const Row rows[] = {
        {"print('hello', 2)", {}, 0, "hello\t2"},
        {"while true do end", {"--max-instructions", "100000"}, 1, "Script stopped: more than 100000 instructions"},
        {"x = = 1", {}, 1, "Error parsing script"},
        {"function main() error('no') end", {}, 1, "'no'"},
        {"$VBScript\nx = 1", {}, 1, "Invalid language name: \"VBScript\""},
        {"io.open('x', 'w')", {}, 1, "attempt to index a nil value (global 'io')"},
        // A number the scene cannot hold fails the call; one it can is taken.
        {"local b = Scene:CreateObject('b', 13) print(Scene:SetSize(b, 1e308, 1, 1), Scene:SetSize(b, 2, 2, 2))", {},
         0, "false\ttrue"},
        // The end of a run cannot be caught, nor outrun in C.
        {"while true do pcall(function() while true do end end) end", {"--max-instructions", "100000"}, 1,
         "Script stopped: more than 100000 instructions"},
        {"while true do xpcall(function() while true do end end, print) end", {"--max-instructions", "100000"}, 1,
         "Script stopped: more than 100000 instructions"},
        {"while true do coroutine.resume(coroutine.create(function() while true do end end)) end",
         {"--max-instructions", "100000"}, 1, "Script stopped: more than 100000 instructions"},
        {"local t = {} for i = 1, 1000 do t[i] = i end while true do table.move(t, 1, #t, 1) end",
         {"--max-instructions", "1000000"}, 1, "Script stopped: more than 1000000 instructions"},
        {"table.move({}, 1, 1e15, 2)", {}, 1, "is too long"},
        {"setmetatable({}, {__gc = function() while true do end end})", {}, 1,
         "__gc metamethods are not available to scripts"},
        // A message handler is not run once the run is ending: it would run
        // where nothing could stop it.
        {"while true do xpcall(function() while true do end end, function() while true do end end) end",
         {"--max-instructions", "100000"}, 1, "Script stopped: more than 100000 instructions"},
        // Loops in C count: pieces of a text, elements of a range, the time a
        // pattern takes.
        {"string.rep('', 1 << 62)", {}, 1, "string.rep of 4611686018427387904 empty pieces is too long"},
        {"while true do local s = string.rep('', 100000000) end", {"--max-instructions", "1000000"}, 1,
         "Script stopped: more than 1000000 instructions"},
        {"table.concat({}, '', 1, 1e15)", {}, 1, "table.concat of 1000000000000000 elements is too long"},
        {"local s = string.rep('a', 10000) while true do pcall(string.gsub, s, 'a-b', '') end",
         {"--max-instructions", "100000"}, 1, "Script stopped: more than 100000 instructions"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.script);
        std::vector<std::string> args = {"--script", write("s.lua", r.script)};
        args.insert(args.end(), r.extra.begin(), r.extra.end());
        std::string output;
        EXPECT_EQ(kalvex(args, output).exitCode, r.exitCode) << output;
        EXPECT_NE(output.find(r.shown), std::string::npos) << output;
    }
}

// Loading a file that cannot be read reports the failure and keeps the
// scene the script built.
TEST_F(ScriptProgram, AFailedLoadKeepsTheScene) {
    std::ofstream(dir.file("broken.cad")) << "version 2.0\nSphere\n{\n\tsize 1 x\n";
    for (const char* file : {"absent.cad", "broken.cad"}) {
        SCOPED_TRACE(file);
        const std::string script = std::string("Scene:CreateObject('Kept', 13)\nprint(Scene:Load('") + file +
                                   "'))\n";
        std::string output;
        ASSERT_EQ(kalvex({"--script", write("load.lua", script), "--save", "after.cad"}, output).exitCode, 0)
            << output;
        EXPECT_NE(output.find("false"), std::string::npos) << output;
        EXPECT_NE(read("after.cad").find("Name Kept"), std::string::npos);
    }
}

TEST_F(ScriptProgram, InterruptStopsAScript) {
    // Also one that catches errors round its loop.
    for (const char* loop : {"while true do end", "while true do pcall(function() while true do end end) end",
                             // Work in C between the hook's counts: the stop is seen at the next call.
                             "local s = string.rep('a', 10000) while true do pcall(string.gsub, s, 'a-b', '') end",
                             "while true do string.rep('', 100000000) end"}) {
        SCOPED_TRACE(loop);
        kx::platform::CommandRunner runner;
        ASSERT_TRUE(runner.start({KALVEX_PROGRAM, "--script", write("loop.lua", loop)}, dir.path().string(), true, {}));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        runner.cancel(10000, SIGINT);
        const kx::platform::RunResult r = runner.wait();
        EXPECT_EQ(r.exitCode, 128 + SIGINT);
        EXPECT_NE(runner.output().find("Script stopped"), std::string::npos) << runner.output();
    }
}

TEST_F(ScriptProgram, SceneScriptsRunOnceWhenJobsReadTheScene) {
    std::string output;
    const std::string find = write("find.lua", "print('found', Scene:FindObject('Greeting') > 0)");
    ASSERT_EQ(kalvex({"--script", find, example("event-script.cad")}, output).exitCode, 0) << output;
    EXPECT_NE(output.find("found\ttrue"), std::string::npos) << output;
    ASSERT_EQ(kalvex({"--export", example("event-script.cad"), "out.pov"}, output).exitCode, 0) << output;
    EXPECT_EQ(count(read("out.pov"), "Greeting"), 1u);
}

TEST_F(ScriptProgram, HostileSceneScriptsEndAndWriteNothing) {
    struct Row {
        const char* script;
    };
    const Row rows[] = {
        {"while true do end"},
        {"local t = {} while true do t[#t + 1] = string.rep('x', 100000) end"},
        {"Scene:Save('victim.txt', 1); local f = Scene:OpenFile('victim.txt', true); Scene:WriteFile(f, 'x')"},
        {"Scene:Load('scene.cad')"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.script);
        fs::remove(dir.path() / "victim.txt");
        write("scene.cad", std::string("version 2.0\nSphere\n{\n\tName ball\n}\nScript Bad SceneCreate \"") + r.script +
                               "\"\n");
        std::string output;
        EXPECT_EQ(kalvex({"--export", "scene.cad", "out.pov", "--max-instructions", "10000000"}, output).exitCode, 0)
            << output;
        EXPECT_FALSE(fs::exists(dir.path() / "victim.txt"));
        EXPECT_EQ(count(read("out.pov"), "ball"), 1u) << "the scene stays open";
    }
}

// A received scene's start-up script ends on its own in a job that names no
// limit, and Ctrl-C while it runs ends the whole job.
TEST_F(ScriptProgram, StartupScriptsEndOnTheirOwnAndCtrlCEndsTheJob) {
    write("loop.cad", "version 2.0\nSphere\n{\n\tName ball\n}\nScript Loop SceneCreate "
                      "\"while true do pcall(function() while true do end end) end\"\n");
    std::string output;
    EXPECT_EQ(kalvex({"--export", "loop.cad", "bounded.pov"}, output).exitCode, 0) << output;
    EXPECT_EQ(count(read("bounded.pov"), "ball"), 1u);
    // The bound is the user's to set: a script that makes an object after a
    // long count does so under the default bound, not under a tight one.
    write("late.cad", "version 2.0\nSphere\n{\n\tName ball\n}\nScript Late SceneCreate "
                      "\"for i = 1, 300000 do end Scene:CreateObject('late', 13)\"\n");
    for (const auto& [setting, made] : {std::pair<const char*, size_t>{"", 1}, {"StartupInstructions=1000\n", 0}}) {
        SCOPED_TRACE(setting);
        fs::create_directories(dir.path() / ".config/Velmora");
        std::ofstream(dir.path() / ".config/Velmora/Kalvex.ini") << "[Script]\n" << setting;
        EXPECT_EQ(kalvex({"--export", "late.cad", "late.pov"}, output).exitCode, 0) << output;
        EXPECT_EQ(count(read("late.pov"), "late"), made) << read("late.pov");
    }
    fs::remove(dir.path() / ".config/Velmora/Kalvex.ini");

    kx::platform::CommandRunner runner;
    ASSERT_TRUE(runner.start({KALVEX_PROGRAM, "--export", "loop.cad", "stopped.pov", "--max-instructions",
                              "100000000000"},
                             dir.path().string(), true, {}));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    runner.cancel(10000, SIGINT);
    EXPECT_EQ(runner.wait().exitCode, 128 + SIGINT) << runner.output();
    EXPECT_FALSE(fs::exists(dir.path() / "stopped.pov"));
}

// A script that would grow the scene without end gets failures past
// [Script] MaxVertices, and the job ends normally.
TEST_F(ScriptProgram, ASceneGrowsOnlyByTheBudgetOfARun) {
    fs::create_directories(dir.path() / ".config/Velmora");
    std::ofstream(dir.path() / ".config/Velmora/Kalvex.ini") << "[Script]\nMaxVertices=1000\n";
    const std::string script = "local h = Scene:CreateObject('m', 10) local n = 0 "
                               "for i = 1, 100000 do if Scene:AddFacet(h, 0,0,0, 1,0,0, 0,1,0) then n = n + 1 end end "
                               "print('facets', n)";
    std::string output;
    EXPECT_EQ(kalvex({"--script", write("grow.lua", script)}, output).exitCode, 0) << output;
    EXPECT_NE(output.find("facets\t312"), std::string::npos) << output;  // (1000 - 64) / 3
    EXPECT_NE(output.find("more than 1000 vertices in one run"), std::string::npos) << output;
}

}  // namespace

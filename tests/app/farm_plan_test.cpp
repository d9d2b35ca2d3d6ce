// The pieces the frame driver hands to a shell and to GNU parallel, checked
// against the real /bin/sh and the real parallel.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/farm_plan.h"
#include "cli/frame_farm.h"
#include "kxplatform/process.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using kx::app::shellWord;

std::string runCaptured(const std::vector<std::string>& argv, const std::string& cwd, int* exitCode = nullptr) {
    kx::platform::CommandRunner runner;
    EXPECT_TRUE(runner.start(argv, cwd, true, {}));
    const kx::platform::RunResult r = runner.wait();
    if (exitCode) *exitCode = r.exitCode;
    return runner.output();
}

// Every word comes back from the shell exactly as it was, and nothing in it runs.
TEST(FarmPlanTest, ShellWordsComeBackWhole) {
    kxtest::TempDir dir;
    const char* words[] = {"plain",     "/abs/path-1.2_x+y@z:w,v", "with blank", "it's",   "$(touch x)",
                           "`touch y`", "a\"b",                    "",           "-x",     "a=b",
                           "~",         "*",                       "semi;colon", "back\\slash",
                           "two\nlines", "'''",                    "$HOME",      "tab\there"};
    for (const char* w : words) {
        SCOPED_TRACE(w);
        const std::string out = runCaptured({"/bin/sh", "-c", "printf '%s|' " + shellWord(w)}, dir.path().string());
        EXPECT_EQ(out, std::string(w) + "|");
    }
    EXPECT_EQ(shellWord("/usr/bin/kalvex"), "/usr/bin/kalvex");  // nothing to quote: left as typed
    EXPECT_FALSE(fs::exists(dir.file("x")));
    EXPECT_FALSE(fs::exists(dir.file("y")));
    // A whole job line keeps its words apart.
    const kx::app::FrameJob job{"printf", "/my scenes/$(touch x)/a.cad", 32, 24, 9};
    std::vector<std::string> args = kx::app::frameJobArgs(job, "7");
    args.insert(args.begin() + 1, "%s|");
    EXPECT_EQ(runCaptured({"/bin/sh", "-c", kx::app::shellLine(args)}, dir.path().string()),
              "--render|/my scenes/$(touch x)/a.cad|--frames|7|--width|32|--height|24|--quality|9|");
    EXPECT_FALSE(fs::exists(dir.file("x")));
}

TEST(FarmPlanTest, ASceneNamedLikeAnOptionStaysAScene) {
    const kx::app::FrameJob job{"kalvex", "-scene.cad", 1, 1, 0};
    EXPECT_EQ(kx::app::frameJobArgs(job, "3")[2], "./-scene.cad");
}

// A job log written by the real parallel: exit values and a signal come back
// for the right job numbers.
TEST(FarmPlanTest, ReadsParallelsJobLog) {
    if (!fs::exists("/usr/bin/parallel")) GTEST_SKIP() << "scripts/setup-deps.sh installs parallel";
    kxtest::TempDir dir;
    int exitCode = 0;
    runCaptured({"/usr/bin/parallel", "--will-cite", "--quote", "--jobs", "1", "--joblog", "log", "sh", "-c",
                 "case {} in k) kill -9 $$;; *) exit {};; esac", ":::", "0", "3", "k"},
                dir.path().string(), &exitCode);
    EXPECT_NE(exitCode, 0);
    const std::vector<kx::app::JobLogEntry> entries = kx::app::parseJobLog(dir.read("log"));
    ASSERT_EQ(entries.size(), 3u) << dir.read("log");
    struct Expected {
        unsigned long seq;
        long exitValue, signal;
    } expected[] = {{1, 0, 0}, {2, 3, 0}, {3, 0, 9}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.seq);
        auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& x) { return x.seq == e.seq; });
        ASSERT_NE(it, entries.end());
        EXPECT_EQ(it->exitValue, e.exitValue);
        EXPECT_EQ(it->signal, e.signal);
    }
}

TEST(FarmPlanTest, DamagedJobLogLinesArePassedOver) {
    struct Case {
        const char* text;
        size_t records;
    } cases[] = {
        {"Seq\tHost\tStarttime\tJobRuntime\tSend\tReceive\tExitval\tSignal\tCommand\n", 0},
        {"1\t:\t1.0\t0.1\t0\t0\t2\t0\tkalvex --frames '\t7'\n", 1},  // a tab inside the command
        {"1\t:\t1.0\t0.1\t0\t0\t2\t0", 0},                           // the command missing
        {"x\t:\t1.0\t0.1\t0\t0\t2\t0\tc\n", 0},
        {"0\t:\t1.0\t0.1\t0\t0\t2\t0\tc\n", 0},
        {"1\t:\t1.0\t0.1\t0\t0\t99999999999999999999\t0\tc\n", 0},
        {"1\t:\t1.0\t0.1\t0\t0\t-1\t15\tc\r\n2\t:\t1\t1\t0\t0\t0\t0\tc", 2},
        {"\n\n\t\t\t\t\t\t\t\t\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(kx::app::parseJobLog(c.text).size(), c.records);
    }
    const auto killed = kx::app::parseJobLog("4\t:\t1.0\t0.1\t0\t0\t-1\t15\tc\n");
    ASSERT_EQ(killed.size(), 1u);
    EXPECT_EQ(killed[0].seq, 4u);
    EXPECT_EQ(killed[0].exitValue, -1);
    EXPECT_EQ(killed[0].signal, 15);
}

// What travels with a scene to a worker: the files it names inside its folder,
// found in any case, and nothing outside the folder.
TEST(FarmPlanTest, FilesForWorkers) {
    kxtest::TempDir dir;
    fs::create_directories(dir.path() / "scene" / "inc");
    for (const char* name : {"scene/hills.pgm", "scene/inc/stones.inc", "scene/my map.pgm", "outside.pgm",
                             "scene/Bricks.PGM", "scene/unnamed.pgm"})
        std::ofstream(dir.file(name)) << "x";
    std::ofstream(dir.file("scene/a.cad")) << "version 2.0\r\nHeightField\r\n{\r\n\tHeightfieldFile \"hills.pgm\"\r\n}\r\n"
                                              "Userdefined\r\n{\r\n\tUserInline \"#include \\\"inc\\\\stones.inc\\\" "
                                              "sphere { 0, 1 }\"\r\n}\r\n"
                                              "HeightField { HeightfieldFile \"my map.pgm\" }\r\n"
                                              "HeightField { HeightfieldFile \"../outside.pgm\" }\r\n"
                                              "HeightField { HeightfieldFile \"bricks.pgm\" }\r\n"
                                              "HeightField { HeightfieldFile \"gone.pgm\" }\r\n"
                                              "HeightField { HeightfieldFile \"hills.pgm\" }\r\n";
    const std::vector<std::string> files = kx::app::filesForWorkers(dir.file("scene/a.cad"));
    EXPECT_EQ(files, (std::vector<std::string>{"a.cad", "hills.pgm", "my map.pgm", "Bricks.PGM", "inc/stones.inc"}));
}

TEST(FarmPlanTest, NamedFileCandidates) {
    const std::string longName(kx::app::kMaxNamedFile + 1, 'a');
    const std::vector<std::string> words =
        kx::app::namedFileCandidates("F \"a b.pgm\" x.inc x.inc \"" + longName + "\" 'q.inc' {y.pgm}\"open");
    EXPECT_EQ(words, (std::vector<std::string>{"a b.pgm", "F", "a", "b.pgm", "x.inc", "q.inc", "y.pgm", "open"}));
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <thread>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "kxplatform/process.h"
#include "temp_dir.h"

namespace {

using kx::platform::CommandRunner;
using kx::platform::splitCommandLine;

TEST(CommandLineTest, SplittingAndQuoting) {
    struct Case {
        const char* text;
        std::vector<std::string> args;
    } cases[] = {
        {"povray  +Iscene.pov\t+W640", {"povray", "+Iscene.pov", "+W640"}},
        {"a \"b c\" 'd e'", {"a", "b c", "d e"}},
        {"x \"say \\\"hi\\\"\"", {"x", "say \"hi\""}},
        {"C:\\dir\\file a\\\\b", {"C:\\dir\\file", "a\\b"}},
        // Quotes that open inside a word stay: the renderer reads them itself.
        {"+GF\"/tmp/my dir/render.err\"", {"+GF\"/tmp/my dir/render.err\""}},
        {"+I\"/a b/c.pov\" +O'x y'", {"+I\"/a b/c.pov\"", "+O'x y'"}},
        {"\"\" x", {"", "x"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(splitCommandLine(c.text), c.args);
    }
    // Whatever a name holds, quoting brings it back as one argument.
    for (std::string name : {"plain", "my scene.pov", "$(rm -rf x);|`y`", "a\"b", "back\\slash", "it's"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(splitCommandLine("prog " + kx::platform::quoteArgument(name)),
                  (std::vector<std::string>{"prog", name}));
    }
}

class RunnerTest : public ::testing::Test {
protected:
    std::string script(const std::string& name, const std::string& body) {
        std::string path = dir.file(name);
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    // Starts prog in the test's folder and waits until it has said something.
    bool startAndWaitForOutput(CommandRunner& runner, const std::string& prog) {
        auto said = std::make_shared<std::atomic<bool>>(false);
        CommandRunner::Callbacks cb;
        cb.output = [said](const std::string&) { *said = true; };
        if (!runner.start({prog}, dir.path().string(), true, cb)) return false;
        for (int i = 0; i < 250 && !*said; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return *said;
    }
    kxtest::TempDir dir;
};

TEST_F(RunnerTest, CapturesOutputAndExitCode) {
    std::string prog = script("fails.sh", "echo \"arg: $1\"; echo oops >&2; exit 3");
    CommandRunner runner;
    std::string seen;
    std::atomic<int> finishedCalls{0};
    CommandRunner::Callbacks cb;
    cb.output = [&seen](const std::string& piece) { seen += piece; };
    cb.finished = [&finishedCalls](const kx::platform::RunResult&) { ++finishedCalls; };
    ASSERT_TRUE(runner.start({prog, "with space; $(touch pwned)"}, dir.path().string(), true, cb));
    kx::platform::RunResult r = runner.wait();
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(seen, "arg: with space; $(touch pwned)\noops\n");
    EXPECT_EQ(runner.output(), seen);
    EXPECT_EQ(finishedCalls, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("pwned")));
}

TEST_F(RunnerTest, CancelEndsTheWholeProcessGroup) {
    std::string prog = script("hangs.sh", "sleep 300 & echo $! > child.pid; echo started; wait");
    CommandRunner runner;
    ASSERT_TRUE(startAndWaitForOutput(runner, prog));
    EXPECT_TRUE(runner.running());
    runner.cancel();
    kx::platform::RunResult r = runner.wait();
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(runner.running());
    std::ifstream pidFile(dir.file("child.pid"));
    pid_t child = 0;
    pidFile >> child;
    ASSERT_GT(child, 0);
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = ::kill(child, 0) != 0;
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(gone) << "the renderer's own child outlived the cancel";
}

TEST_F(RunnerTest, FloodedOutputKeepsOnlyTheTail) {
    std::string prog = script("floods.sh", "head -c 10000000 /dev/zero | tr '\\0' 'x'; echo END");
    CommandRunner runner;
    size_t total = 0;
    CommandRunner::Callbacks cb;
    cb.output = [&total](const std::string& piece) { total += piece.size(); };
    ASSERT_TRUE(runner.start({prog}, {}, true, cb));
    EXPECT_EQ(runner.wait().exitCode, 0);
    EXPECT_EQ(total, 10000004u);
    std::string kept = runner.output();
    EXPECT_EQ(kept.size(), CommandRunner::kKeptOutput);
    EXPECT_EQ(kept.substr(kept.size() - 4), "END\n");
}

// A program that needs time to stop its own helpers gets the time it is
// given, and no more than that.
TEST_F(RunnerTest, CancelWaitsTheGracePeriod) {
    std::string prog = script("slow_stop.sh", "trap 'sleep 1.5; echo clean > stopped; exit 0' TERM INT\n"
                                               "echo started\nwhile :; do sleep 0.1; done");
    struct Case {
        int graceMs;
        int signal;
        bool endsCleanly;
    } cases[] = {{4000, SIGTERM, true}, {1000, SIGTERM, false}, {4000, SIGINT, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.graceMs);
        std::filesystem::remove(dir.file("stopped"));
        CommandRunner runner;
        ASSERT_TRUE(startAndWaitForOutput(runner, prog));
        runner.cancel(c.graceMs, c.signal);
        const kx::platform::RunResult r = runner.wait();
        EXPECT_TRUE(r.cancelled);
        EXPECT_EQ(std::filesystem::exists(dir.file("stopped")), c.endsCleanly);
        EXPECT_EQ(r.exitCode, c.endsCleanly ? 0 : 128 + SIGKILL);
    }
}

// Output that never stops does not keep a cancel from being acted on, even when
// whoever takes the output is slow.
TEST_F(RunnerTest, ACancelIsHeardThroughAFlood) {
    CommandRunner runner;
    std::atomic<size_t> total{0};
    CommandRunner::Callbacks cb;
    cb.output = [&total](const std::string& piece) {
        total += piece.size();
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // a slow panel
    };
    ASSERT_TRUE(runner.start({"yes", "flood"}, {}, true, cb));
    for (int i = 0; i < 200 && total == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    runner.cancel();
    const auto asked = std::chrono::steady_clock::now();
    kx::platform::RunResult r = runner.wait();
    EXPECT_TRUE(r.cancelled);
    // A generous bound: without looking between reads the wait never ends.
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(10));
}

namespace {

pid_t readPid(const std::string& path) {
    pid_t pid = 0;
    for (int i = 0; i < 250 && pid == 0; ++i) {
        std::ifstream(path) >> pid;
        if (pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pid;
}

// Running, not a zombie waiting to be reaped.
bool running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    pid_t read = 0;
    std::string name;
    char state = 0;
    return static_cast<bool>(stat >> read >> name >> state) && state != 'Z' && state != 'X';
}

bool endsSoon(pid_t pid) {
    for (int i = 0; i < 250; ++i) {
        if (!running(pid)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    return false;
}

}  // namespace

// A renderer dies with the program even when the program is killed outright.
TEST_F(RunnerTest, TheRendererDiesWithItsProgram) {
    const std::string pidFile = dir.file("renderer.pid");
    pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        CommandRunner runner;
        if (!runner.start({"/bin/sh", "-c", "echo $$ > '" + pidFile + "'; exec sleep 300"}, {}, false, {}))
            ::_exit(1);
        ::pause();
        ::_exit(2);
    }
    const pid_t renderer = readPid(pidFile);
    ASSERT_GT(renderer, 0);
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    EXPECT_TRUE(endsSoon(renderer)) << "the renderer outlived its program";
}

// Helpers a renderer started, even those that left its process group or were
// orphaned on purpose, do not outlive the render, whether it ends or is
// cancelled.
TEST_F(RunnerTest, NothingTheRendererStartedOutlivesTheRender) {
    const std::string leave = "setsid sleep 300 >/dev/null 2>&1 & echo $! > left.pid\n"
                              "(setsid sh -c 'sleep 300 & echo $! > orphan.pid' >/dev/null 2>&1 &)\n"
                              "while [ ! -s orphan.pid ]; do sleep 0.05; done\necho started\n";
    struct Case {
        const char* name;
        std::string tail;
        bool cancel;
        int exitCode;
    } cases[] = {{"ends", "exit 5", false, 5}, {"cancelled", "while :; do sleep 0.1; done", true, 128 + SIGTERM}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir.file("left.pid"));
        std::filesystem::remove(dir.file("orphan.pid"));
        const std::string prog = script(std::string(c.name) + ".sh", leave + c.tail);
        CommandRunner runner;
        ASSERT_TRUE(startAndWaitForOutput(runner, prog));
        const pid_t left = readPid(dir.file("left.pid"));
        const pid_t orphan = readPid(dir.file("orphan.pid"));
        ASSERT_GT(left, 0);
        ASSERT_GT(orphan, 0);
        if (c.cancel) runner.cancel();
        const kx::platform::RunResult r = runner.wait();
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.cancelled, c.cancel);
        EXPECT_TRUE(endsSoon(left)) << "a helper that left the group outlived the render";
        EXPECT_TRUE(endsSoon(orphan)) << "an orphaned helper outlived the render";
    }
}

TEST_F(RunnerTest, StartFailuresAreReportedNotRun) {
    CommandRunner runner;
    EXPECT_FALSE(runner.start({dir.file("no-such-program")}, {}, true, {}));
    EXPECT_EQ(runner.result().startError, ENOENT);
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(kx::platform::startDetached({dir.file("missing")}, {}), ENOENT);
    EXPECT_EQ(kx::platform::runShellLine("exit 4\r", {}), 4);
    EXPECT_EQ(kx::platform::runShellLine("echo hi > made.txt", dir.path().string()), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("made.txt")));
}

}  // namespace

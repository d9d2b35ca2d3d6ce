// Frames of an animation rendered as independent jobs: the real kalvex, the
// real GNU parallel and the real POV-Ray (or a stand-in renderer where a test
// needs one that fails or takes its time).
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "program_fixture.h"
#include "kxplatform/process.h"
#include "pixmo.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using kx::platform::CommandRunner;
using kx::platform::RunResult;

// The example animation with a fourth frame.
std::string fourFrameScene() {
    std::ifstream in(fs::path(KALVEX_EXAMPLES_DIR) / "rolling_ball.cad", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = text.find("maxframes 3");
    if (at != std::string::npos) text.replace(at, 11, "maxframes 4");
    return text;
}

std::vector<uint32_t> pixels(const std::string& path) { return kxtest::imagePixels(path, 32, 24); }

// Every file below a folder, relative to it.
std::set<std::string> filesBelow(const fs::path& folder) {
    std::set<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file()) files.insert(fs::relative(e.path(), folder).string());
    return files;
}

// A file of /proc; empty when its process ended while it was read (a read
// then fails, which the stream library would throw for).
std::string readProcFile(const fs::path& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

// The pids of processes whose command line holds `text`, this one left out.
std::vector<pid_t> processesNaming(const std::string& text) {
    std::vector<pid_t> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = readProcFile(e.path() / "cmdline");
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid != ::getpid() && cmdline.find(text) != std::string::npos) found.push_back(pid);
    }
    return found;
}

// The one child of `parent`.
pid_t childOf(pid_t wanted) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        if (e.path().filename().string().find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = readProcFile(e.path() / "stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 1));
        std::string state;
        long parent = 0;
        fields >> state >> parent;
        if (parent == static_cast<long>(wanted)) return static_cast<pid_t>(std::stol(e.path().filename().string()));
    }
    return -1;
}

class CliFarmTest : public kxtest::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(fs::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
        ASSERT_TRUE(fs::exists("/usr/bin/parallel")) << "scripts/setup-deps.sh installs parallel";
        makeScene(folder);
    }
    void makeScene(const fs::path& where) {
        fs::create_directories(where);
        std::ofstream(where / "ball.cad", std::ios::binary) << fourFrameScene();
    }
    std::string frame(int f, const char* ext = ".tga") const {
        return (folder / ("Rolling" + std::to_string(f) + ext)).string();
    }
    fs::path folder = dir.path() / "scenes";
};

TEST_F(CliFarmTest, JobsRenderEveryFrameAndWriteNothingElse) {
    std::string output;
    // The first start seeds the data folder; what a farm run adds is measured after it.
    ASSERT_EQ(kalvex({"--export", "scenes/ball.cad", "seed.pov"}, output).exitCode, 0) << output;
    const fs::path data = dir.path() / ".local/share/kalvex";
    const std::set<std::string> sceneBefore = filesBelow(folder), dataBefore = filesBelow(data);

    const RunResult r =
        kalvex({"--render", "scenes/ball.cad", "--frames", "0-3", "--jobs", "2", "--width", "32", "--height", "24"},
               output);
    ASSERT_EQ(r.exitCode, 0) << output;
    std::set<std::string> expectedNew;
    for (int f = 0; f < 4; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(pixels(frame(f)).size(), 32u * 24u);
        // The job's own lines reach the output tagged with its frame.
        EXPECT_NE(output.find("frame " + std::to_string(f) + "\tFrame " + std::to_string(f) + ": " + frame(f)),
                  std::string::npos)
            << output;
        expectedNew.insert("Rolling" + std::to_string(f) + ".tga");
        expectedNew.insert("Rolling" + std::to_string(f) + ".pov");
    }
    EXPECT_NE(output.find("kalvex: 4 frames rendered in " + folder.string()), std::string::npos) << output;
    std::set<std::string> sceneNew;
    for (const std::string& f : filesBelow(folder))
        if (!sceneBefore.count(f)) sceneNew.insert(f);
    EXPECT_EQ(sceneNew, expectedNew);
    EXPECT_EQ(filesBelow(data), dataBefore);
}

// The lines --emit-jobs writes, each run by itself through /bin/sh in a fresh
// copy of the folder, make the same pixels as the farm.
TEST_F(CliFarmTest, EmittedJobsMakeTheSamePixels) {
    std::string output;
    ASSERT_EQ(kalvex({"--render", "scenes/ball.cad", "--frames", "0-3", "--jobs", "2", "--width", "32", "--height",
                      "24"},
                     output)
                  .exitCode,
              0)
        << output;
    const fs::path fresh = dir.path() / "fresh copy";
    makeScene(fresh);
    std::string lines;
    ASSERT_EQ(kalvex({"--render", "fresh copy/ball.cad", "--frames", "0-3", "--emit-jobs", "--width", "32",
                      "--height", "24"},
                     lines)
                  .exitCode,
              0)
        << lines;
    std::istringstream in(lines);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        SCOPED_TRACE(line);
        EXPECT_EQ(line, std::string(KALVEX_PROGRAM) + " --render '" + (fresh / "ball.cad").string() + "' --frames " +
                            std::to_string(count) + " --width 32 --height 24 --quality 0");
        EXPECT_EQ(run({"/bin/sh", "-c", line}, output).exitCode, 0) << output;
        ++count;
    }
    ASSERT_EQ(count, 4);
    for (int f = 0; f < 4; ++f) {
        SCOPED_TRACE(f);
        const std::vector<uint32_t> farmed = pixels(frame(f));
        EXPECT_EQ(farmed.size(), 32u * 24u);
        EXPECT_EQ(pixels((fresh / ("Rolling" + std::to_string(f) + ".tga")).string()), farmed);
    }
    // With --resume only the frames still missing get a line.
    fs::remove(fresh / "Rolling2.tga");
    ASSERT_EQ(kalvex({"--render", "fresh copy/ball.cad", "--frames", "all", "--emit-jobs", "--resume"}, lines)
                  .exitCode,
              0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
    EXPECT_NE(lines.find(" --frames 2 "), std::string::npos) << lines;
}

// An ssh login file naming only this machine (":"): with the shared folder,
// and with the scene sent along; the copies parallel cleans up are never the
// user's own scene.
TEST_F(CliFarmTest, SshLoginFileOfThisMachine) {
    std::ofstream(dir.file("machines")) << ":\n";
    for (bool transfer : {false, true}) {
        SCOPED_TRACE(transfer);
        for (int f = 0; f < 4; ++f) fs::remove(frame(f));
        std::vector<std::string> args = {"--render", "scenes/ball.cad", "--frames", "0-3",  "--jobs", "2",
                                         "--sshloginfile", "machines", "--width", "32", "--height", "24"};
        if (transfer) args.push_back("--transfer");
        std::string output;
        ASSERT_EQ(kalvex(args, output).exitCode, 0) << output;
        for (int f = 0; f < 4; ++f) EXPECT_EQ(pixels(frame(f)).size(), 32u * 24u) << f;
        EXPECT_TRUE(fs::exists(folder / "ball.cad"));
    }
}

TEST_F(CliFarmTest, AFailedFrameIsNamedAndResumeRendersOnlyWhatIsMissing) {
    fakeRenderer("case \" $* \" in *\" +K1 \"*) echo 'cannot render frame 1' >&2; exit 3;; esac");
    std::string output;
    RunResult r = kalvex({"--render", "scenes/ball.cad", "--frames", "0-3", "--jobs", "2"}, output);
    EXPECT_EQ(r.exitCode, 1) << output;
    EXPECT_NE(output.find("kalvex: frame 1 failed (exit 1)\n"), std::string::npos) << output;
    EXPECT_NE(output.find("frame 1\tKalvex: Error rendering scene, command exit code 3"), std::string::npos) << output;
    for (int f : {0, 2, 3}) EXPECT_EQ(output.find("frame " + std::to_string(f) + " failed"), std::string::npos) << f;
    const std::string hint = "; to render only those:\n";
    const size_t at = output.find(hint);
    ASSERT_NE(at, std::string::npos) << output;
    const std::string again = output.substr(at + hint.size(), output.find('\n', at + hint.size()) - at - hint.size());
    EXPECT_NE(again.find(" --resume"), std::string::npos) << again;

    // A damaged image counts as missing; whole ones keep their times.
    fs::resize_file(frame(3), 5);
    const auto time0 = fs::last_write_time(frame(0)), time2 = fs::last_write_time(frame(2));
    fakeRenderer("");
    r = run({"/bin/sh", "-c", again}, output);
    EXPECT_EQ(r.exitCode, 0) << output;
    for (int f = 0; f < 4; ++f) EXPECT_EQ(pixels(frame(f)).size(), 32u * 24u) << f;
    EXPECT_NE(output.find("frame 1\t"), std::string::npos) << output;
    EXPECT_NE(output.find("frame 3\t"), std::string::npos) << output;
    EXPECT_EQ(output.find("frame 0\t"), std::string::npos) << output;
    EXPECT_EQ(output.find("frame 2\t"), std::string::npos) << output;
    EXPECT_EQ(fs::last_write_time(frame(0)), time0);
    EXPECT_EQ(fs::last_write_time(frame(2)), time2);

    // Without --jobs, --resume with nothing missing renders nothing.
    r = kalvex({"--render", "scenes/ball.cad", "--frames", "all", "--resume"}, output);
    EXPECT_EQ(r.exitCode, 0) << output;
    EXPECT_EQ(output.find("Frame "), std::string::npos) << output;
}

TEST_F(CliFarmTest, AnInterruptLeavesNothingRunning) {
    fakeRenderer("touch \"$out.started\"\nsleep 60 & wait");
    CommandRunner driver;
    ASSERT_TRUE(driver.start({KALVEX_PROGRAM, "--render", "scenes/ball.cad", "--frames", "0-3", "--jobs", "2"},
                             dir.path().string(), true, {}));
    int started = 0;
    for (int i = 0; i < 300 && started < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        started = 0;
        for (int f = 0; f < 4; ++f) started += fs::exists(frame(f) + ".started");
    }
    ASSERT_EQ(started, 2) << driver.output();
    // The runner starts the program under a supervisor of its own.
    const pid_t ours = childOf(childOf(::getpid()));
    ASSERT_GT(ours, 0);
    ::kill(ours, SIGINT);  // as Ctrl-C would
    const RunResult r = driver.wait();
    EXPECT_EQ(r.exitCode, 128 + SIGINT) << driver.output();
    std::vector<pid_t> left = processesNaming(dir.path().string());
    for (int i = 0; i < 40 && !left.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        left = processesNaming(dir.path().string());
    }
    EXPECT_TRUE(left.empty()) << left.size() << " processes left, the first " << left.front();
    for (int f = 0; f < 4; ++f) EXPECT_FALSE(fs::exists(frame(f))) << f;
}

// A driver killed outright, with no supervisor of the caller's above it to
// clear up (as a shell's job would be): the renderers, their own children and
// the farm's jobs end with it instead of running on under init.
TEST_F(CliFarmTest, AKilledJobLeavesNothingRunning) {
    const std::string sleeper = dir.file("sleeper");  // named so that it can be found
    fs::copy_file("/bin/sleep", sleeper);
    fakeRenderer("touch \"$out.started\"\n" + sleeper + " 60 & wait");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int renderersStarted;
    } rows[] = {
        {"one render", {"--render", "scenes/ball.cad"}, 1},
        {"a farm of two jobs", {"--render", "scenes/ball.cad", "--frames", "0-3", "--jobs", "2"}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().extension() == ".started") fs::remove(e.path());
        const pid_t job = startOutsideAnySupervisor(row.args);
        ASSERT_GT(job, 0);
        int started = 0;
        for (int i = 0; i < 300 && started < row.renderersStarted; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            started = 0;
            for (const auto& e : fs::directory_iterator(folder)) started += e.path().extension() == ".started";
        }
        EXPECT_EQ(started, row.renderersStarted);
        ASSERT_FALSE(processesNaming(sleeper).empty()) << "the renderers' own children run";
        ::kill(job, SIGKILL);
        ::waitpid(job, nullptr, 0);
        std::vector<pid_t> left = processesNaming(dir.path().string());
        for (int i = 0; i < 100 && !left.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            left = processesNaming(dir.path().string());
        }
        EXPECT_TRUE(left.empty()) << left.size() << " processes left, the first " << left.front();
        for (pid_t pid : left) ::kill(pid, SIGKILL);
    }
}

TEST_F(CliFarmTest, TheSlurmScriptRendersItsTasksFrame) {
    std::string output;
    const RunResult r = run({"/usr/bin/env", "SLURM_ARRAY_TASK_ID=2", std::string("KALVEX=") + KALVEX_PROGRAM,
                             "/bin/sh", std::string(KALVEX_EXAMPLES_DIR) + "/render-frames.sbatch", "scenes/ball.cad",
                             "--width", "32", "--height", "24"},
                            output);
    ASSERT_EQ(r.exitCode, 0) << output;
    EXPECT_EQ(pixels(frame(2)).size(), 32u * 24u);
    for (int f : {0, 1, 3}) EXPECT_FALSE(fs::exists(frame(f))) << f;
}

// Folder names are data: never split at a blank, never run.
TEST_F(CliFarmTest, AHostileFolderNameRendersAndRunsNothing) {
    folder = dir.path() / "it's my scenes $(touch x) `touch y`";
    makeScene(folder);
    std::string output;
    const std::string scene = (folder / "ball.cad").string();
    const RunResult r =
        kalvex({"--render", scene, "--frames", "0-1", "--jobs", "2", "--width", "32", "--height", "24"}, output);
    EXPECT_EQ(r.exitCode, 0) << output;
    for (int f = 0; f < 2; ++f) EXPECT_EQ(pixels(frame(f)).size(), 32u * 24u) << f;
    for (const fs::path& where : {dir.path(), folder, fs::current_path()})
        for (const char* name : {"x", "y"}) EXPECT_FALSE(fs::exists(where / name)) << (where / name);
}

TEST_F(CliFarmTest, WithoutGnuParallel) {
    const fs::path other = dir.path() / "bin";
    fs::create_directories(other);
    std::ofstream(other / "parallel") << "#!/bin/sh\necho 'parallel [OPTIONS] command -- arguments'\nexit 0\n";
    fs::permissions(other / "parallel", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    for (const std::string& searched : {(dir.path() / "nothing").string(), other.string()}) {
        SCOPED_TRACE(searched);
        setenv("PATH", searched.c_str(), 1);
        std::string output;
        const RunResult r = kalvex({"--render", "scenes/ball.cad", "--frames", "all", "--jobs", "2"}, output);
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(output.find("kalvex: --jobs needs GNU parallel (Debian package parallel)\n"), std::string::npos)
            << output;
    }
}

// Frame jobs starting at once on an account that never ran the program all
// find their renderer: none reads a data file that is still being copied.
TEST_F(CliFarmTest, FirstStartsAtOnce) {
    std::vector<std::unique_ptr<CommandRunner>> jobs;
    for (int f = 0; f < 4; ++f) {
        jobs.push_back(std::make_unique<CommandRunner>());
        ASSERT_TRUE(jobs.back()->start({KALVEX_PROGRAM, "--render", "scenes/ball.cad", "--frames", std::to_string(f),
                                        "--width", "32", "--height", "24"},
                                       dir.path().string(), true, {}));
    }
    for (int f = 0; f < 4; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(jobs[f]->wait().exitCode, 0) << jobs[f]->output();
        EXPECT_EQ(pixels(frame(f)).size(), 32u * 24u);
    }
}

}  // namespace

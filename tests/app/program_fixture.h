// The real kalvex program run as a user runs it: a home folder of the test's
// own (the program seeds its data folder and settings there), the program
// started without a shell, its output captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "kxplatform/process.h"
#include "pixmo.h"
#include "temp_dir.h"

namespace kxtest {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("HOME", dir.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        unsetenv("KALVEX_CONFIG");
    }
    // Runs argv in the test's folder; its whole output in `output`.
    kx::platform::RunResult run(const std::vector<std::string>& argv, std::string& output) {
        kx::platform::CommandRunner runner;
        EXPECT_TRUE(runner.start(argv, dir.path().string(), true, {}));
        kx::platform::RunResult r = runner.wait();
        output = runner.output();
        return r;
    }
    kx::platform::RunResult kalvex(std::vector<std::string> args, std::string& output) {
        args.insert(args.begin(), KALVEX_PROGRAM);
        return run(args, output);
    }
    // Starts the program with args in the test's folder as a shell starts a
    // job, under no supervisor of ours, its standard output to `output` (-1:
    // nowhere) and its errors nowhere. Its pid, for the test to signal and
    // reap; -1 when it could not be started.
    pid_t startOutsideAnySupervisor(const std::vector<std::string>& args, int output = -1) {
        std::vector<std::string> argv{KALVEX_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> exec;
        for (std::string& a : argv) exec.push_back(a.data());
        exec.push_back(nullptr);
        const std::string folder = dir.path().string();
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        // Only calls that are safe after a fork, up to exec.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(output >= 0 ? output : null, 1);
        ::dup2(null, 2);
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        ::execv(exec[0], exec.data());
        ::_exit(127);
    }
    // Makes the shipped renderer definition a fake POV-Ray that writes a
    // 1 x 1 image after running `before` (which sees its options in "$@" and
    // the image in $out); "+K" passes the frame number.
    void fakeRenderer(const std::string& before) {
        const std::string data = dir.file(".local/share/kalvex");
        std::filesystem::create_directories(data);
        const std::string fake = dir.file("fake-render.sh");
        std::ofstream(fake) << "#!/bin/sh\n"
                               "for a in \"$@\"; do case \"$a\" in +O*) out=\"${a#+O}\";; esac; done\n"
                               "out=${out#\\\"}; out=${out%\\\"}\n"
                            << before
                            << "\nprintf '\\000\\000\\002\\000\\000\\000\\000\\000\\000\\000\\000\\000"
                               "\\001\\000\\001\\000\\030\\000\\377\\000\\000' > \"$out\"\n";
        std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
        std::ofstream(data + "/povray37.inf") << "#begin render_settings\nDescription \"Fake\"\nType 11\n"
                                                 "SetCommmand \"+I$O +O$I [$C\"\nFrame \"+K\"\n"
                                                 "DefaultProgramPath \"" << fake << "\"\n"
                                                 "DefaultIncludePath \"/tmp\"\n#end\n";
    }
    TempDir dir;
};

// The pixels of an image of width x height, read back through the image
// library; empty when it cannot be read.
inline std::vector<uint32_t> imagePixels(const std::string& path, int width, int height) {
    static int owner;
    pxRegisterApplication(reinterpret_cast<HWND>(&owner), "test");
    std::vector<uint32_t> out;
    if (pxDisplayImageEx(reinterpret_cast<HWND>(&owner), path.c_str(), 1))
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) out.push_back(pxGetPixelRGB(nullptr, x, y));
    pxUnRegisterApplication();
    return out;
}

}  // namespace kxtest

// The window program told to end by a signal while a message box waits for
// an answer: it closes the box and ends at once, asking nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "program_fixture.h"

namespace {

class WindowSignalTest : public kxtest::ProgramTest {};

TEST_F(WindowSignalTest, ASignalEndsTheProgramWhileABoxIsOpen) {
    // A scene cut short: opening it shows a box and asks whether to keep the part read.
    std::ifstream whole(KALVEX_EXAMPLES_DIR "/showcase.cad", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
    ASSERT_GT(text.size(), 1200u);
    const std::string damaged = dir.file("damaged.cad");
    std::ofstream(damaged, std::ios::binary) << text.substr(0, 1200);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        kx::platform::CommandRunner runner;
        ASSERT_TRUE(runner.start({KALVEX_PROGRAM, damaged}, dir.path().string(), true, {}));
        // Time to start and to reach the box; a signal that comes earlier must work too.
        std::this_thread::sleep_for(std::chrono::seconds(4));
        ASSERT_TRUE(runner.running()) << runner.output();
        const auto asked = std::chrono::steady_clock::now();
        // The signal goes to the program; only if it has not ended 20 s later is it killed.
        runner.cancel(20000, signal);
        const kx::platform::RunResult r = runner.wait();
        EXPECT_NE(r.exitCode, 128 + SIGKILL) << "the program ignored the signal\n" << runner.output();
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(15));
    }
}

}  // namespace

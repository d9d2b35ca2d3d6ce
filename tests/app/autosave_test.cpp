// Copies of unsaved work: written whole beside a note of their file, gone
// when the work is saved, and offered back only when the program that wrote
// them is no longer running, even when it was killed outright.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>

#include "core_fixture.h"
#include "document/autosave.h"
#include "kxcore.h"
#include "small_disk.h"

namespace {

namespace fs = std::filesystem;
using kx::app::Autosaver;

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void setAge(const std::string& path, std::time_t secondsAgo) {
    const std::time_t t = std::time(nullptr) - secondsAgo;
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class AutosaveTest : public kxtest::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        Point3d at{1, 2, 3};
        CreateDefaultObjectEx("Kept", KX_SPHERE, &at);
        folder = dir.file("autosave");
    }
    std::string folder;
};

TEST_F(AutosaveTest, ACopyIsWholeNamedAfterItsSceneAndGoesWhenSaved) {
    Autosaver saver(folder, 41);
    ASSERT_TRUE(saver.locked());
    const std::string original = dir.file("my table.cad");
    ASSERT_TRUE(saver.saveNow(original));
    const std::string copy = folder + "/my_table-41.cad";
    EXPECT_EQ(saver.copyPath(original), copy);
    EXPECT_NE(contents(copy).find("Name Kept"), std::string::npos);
    EXPECT_EQ(contents(copy).rfind("version 2.0", 0), 0u);
    EXPECT_EQ(contents(folder + "/my_table-41.path"), original);
    // Nothing half-written is left beside it.
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();

    // Saved under another name: the copy follows, the old one goes.
    ASSERT_TRUE(saver.saveNow(""));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(fs::exists(folder + "/untitled-41.cad"));
    saver.remove();
    EXPECT_FALSE(fs::exists(folder + "/untitled-41.cad"));
    EXPECT_FALSE(fs::exists(folder + "/untitled-41.path"));
}

// Every writer of files waits at its first write until the test lets it go.
struct HeldFirstWrite {
    static inline int go = -1;
    static inline bool waited = false;
    static ssize_t write(int fd, const void* data, size_t size) {
        if (!waited) {
            waited = true;
            char byte = 0;
            if (::read(go, &byte, 1) != 1) return -1;
        }
        return kx::platform::systemFileCalls().write(fd, data, size);
    }
};

// The copy is the scene as it stood at the call, written without the caller
// waiting: a writer held up at its first write does not hold up save, and
// what the caller changes meanwhile is not in the copy.
TEST_F(AutosaveTest, TheCopyIsTheSceneAtTheCallWrittenWithoutTheCallerWaiting) {
    Autosaver saver(folder, 43);
    const std::string original = dir.file("held.cad");
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    HeldFirstWrite::go = gate[0];
    HeldFirstWrite::waited = false;
    kx::platform::FileCalls held = kx::platform::systemFileCalls();
    held.write = HeldFirstWrite::write;
    kx::platform::setFileCalls(&held);
    std::future<bool> started = std::async(std::launch::async, [&] { return saver.save(original); });
    const bool returnedFirst = started.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    Point3d at{4, 5, 6};
    CreateDefaultObjectEx("Later", KX_BOX, &at);
    ASSERT_EQ(write(gate[1], "g", 1), 1);
    EXPECT_TRUE(started.get());
    EXPECT_TRUE(saver.settle());
    kx::platform::setFileCalls(nullptr);
    close(gate[0]);
    close(gate[1]);
    EXPECT_TRUE(returnedFirst) << "save waited for the copy to be written";
    const std::string written = contents(saver.copyPath(original));
    EXPECT_EQ(written.rfind("version 2.0", 0), 0u);
    EXPECT_NE(written.find("Name Kept"), std::string::npos);
    EXPECT_EQ(written.find("Name Later"), std::string::npos);
    EXPECT_FALSE(saver.lastFailed());
}

TEST_F(AutosaveTest, OnlyCopiesOfProgramsNoLongerRunningAreOffered) {
    const std::string saved = dir.file("saved.cad");
    std::ofstream(saved) << "version 2.0\n";
    setAge(saved, 600);
    {
        Autosaver dead(folder, 51);
        ASSERT_TRUE(dead.saveNow(""));
        Autosaver older(folder, 52);
        ASSERT_TRUE(older.saveNow(saved));
        Autosaver newer(folder, 53);
        ASSERT_TRUE(newer.saveNow(dir.file("newer.cad")));
        // Each still runs: nothing is offered, not even to a third program.
        EXPECT_TRUE(Autosaver::orphans(folder, 99).empty());
    }
    // The programs ended without removing their copies, as a crash leaves them.
    setAge(folder + "/saved-52.cad", 1200);  // older than the saved file
    setAge(folder + "/untitled-51.cad", 60);
    {
        Autosaver running(folder, 60);
        ASSERT_TRUE(running.saveNow(""));
        std::vector<kx::app::OrphanedAutosave> offered = Autosaver::orphans(folder, 99);
        ASSERT_EQ(offered.size(), 2u);
        EXPECT_EQ(offered[0].scene, folder + "/newer-53.cad");  // newest first
        EXPECT_EQ(offered[0].original, dir.file("newer.cad"));
        EXPECT_EQ(offered[1].scene, folder + "/untitled-51.cad");
        EXPECT_TRUE(offered[1].original.empty());
        // Claimed: a second program starting meanwhile does not offer them too.
        EXPECT_TRUE(Autosaver::orphans(folder, 98).empty());
        // The copy older than its saved file was set aside, not deleted.
        EXPECT_FALSE(fs::exists(folder + "/saved-52.cad"));
        int aside = 0;
        for (const auto& e : fs::directory_iterator(folder + "/discarded")) aside += e.path().extension() == ".cad";
        EXPECT_EQ(aside, 1);

        ASSERT_TRUE(Autosaver::discard(offered[1]));
        EXPECT_FALSE(fs::exists(folder + "/untitled-51.cad"));
    }
    // Discarded copies are kept a week.
    int aside = 0;
    for (const auto& e : fs::directory_iterator(folder + "/discarded")) {
        if (e.path().extension() != ".cad") continue;
        ++aside;
        setAge(e.path().string(), 8 * 24 * 3600);
    }
    EXPECT_EQ(aside, 2);
    Autosaver::orphans(folder, 99);
    for (const auto& e : fs::directory_iterator(folder + "/discarded"))
        EXPECT_NE(e.path().extension(), ".cad") << e.path();
}

// A program killed outright leaves its last copy whole, and the next start
// finds it; while it ran, nobody took it.
TEST_F(AutosaveTest, AProgramKilledOutrightLeavesItsCopyForTheNextStart) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        Autosaver saver(folder, static_cast<long>(getpid()));
        const bool ok = saver.saveNow(dir.file("kill.cad"));
        const char said = ok ? 'y' : 'n';
        if (write(ready[1], &said, 1) != 1) _exit(2);
        for (;;) pause();
    }
    close(ready[1]);
    char said = 0;
    ASSERT_EQ(read(ready[0], &said, 1), 1);
    close(ready[0]);
    EXPECT_EQ(said, 'y');
    EXPECT_TRUE(Autosaver::orphans(folder, 99).empty());
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    std::vector<kx::app::OrphanedAutosave> offered = Autosaver::orphans(folder, 99);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].scene, folder + "/kill-" + std::to_string(child) + ".cad");
    EXPECT_NE(contents(offered[0].scene).find("Name Kept"), std::string::npos);
}

// Process ids come round again: a program given the id of one that died
// offers that one's copies and writes its own under another name, and two
// programs never share one.
TEST_F(AutosaveTest, AProgramGivenTheIdOfOneThatDiedOffersItsCopies) {
    {
        Autosaver dead(folder, 70);
        ASSERT_TRUE(dead.saveNow(dir.file("work.cad")));
    }
    const std::string left = folder + "/work-70.cad";
    ASSERT_TRUE(fs::exists(left));
    Autosaver reborn(folder, 70);
    ASSERT_TRUE(reborn.locked());
    EXPECT_NE(reborn.owner(), 70);
    std::vector<kx::app::OrphanedAutosave> offered = Autosaver::orphans(folder, reborn.owner());
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].scene, left);
    ASSERT_TRUE(reborn.saveNow(dir.file("work.cad")));
    EXPECT_NE(reborn.copyPath(dir.file("work.cad")), left);
    EXPECT_TRUE(fs::exists(left)) << "the dead program's copy is not overwritten";

    Autosaver first(folder, 80), second(folder, 80);
    EXPECT_TRUE(first.locked());
    EXPECT_TRUE(second.locked());
    EXPECT_EQ(first.owner(), 80);
    EXPECT_NE(second.owner(), 80);
}

// A disk that fills up (a small file system of its own, mounted when the
// tests run as root): the next copy fails and the one before stays whole.
TEST_F(AutosaveTest, AFullDiskKeepsTheCopyBefore) {
    const kxtest::SmallDisk disk(dir.file("small"));
    if (!disk.mounted()) GTEST_SKIP() << "a small file system needs root to mount";
    Autosaver saver(disk.folder() + "/autosave", 42);
    ASSERT_TRUE(saver.saveNow(""));
    const std::string copy = saver.copyPath("");
    const std::string before = contents(copy);
    ASSERT_NE(before.find("Name Kept"), std::string::npos);
    // Enough objects that the next copy cannot fit.
    for (int i = 0; i < 2000; ++i) {
        Point3d at{static_cast<float>(i), 0, 0};
        CreateDefaultObjectEx(("Ball" + std::to_string(i)).c_str(), KX_SPHERE, &at);
    }
    EXPECT_FALSE(saver.saveNow(""));
    EXPECT_EQ(contents(copy), before);
}

}  // namespace

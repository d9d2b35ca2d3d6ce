#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_fault.h"
#include "kxplatform/files.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using kx::platform::Durability;
using kx::platform::replaceFileWith;
using kxtest::FileFault;

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Everything in the folder but the files a test made itself.
std::vector<std::string> strays(const kxtest::TempDir& dir, const std::vector<std::string>& expected) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) out.push_back(name);
    }
    return out;
}

TEST(FilesTest, AFailureAtAnyStepKeepsTheOldFileAndNoTemporary) {
    struct Case {
        FileFault::Call call;
        int error;
    } cases[] = {
        {FileFault::Call::Open, EACCES},
        {FileFault::Call::Write, ENOSPC},
        {FileFault::Call::Fsync, EIO},
        {FileFault::Call::Rename, EXDEV},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.call));
        kxtest::TempDir dir;
        const std::string target = dir.file("scene.cad");
        writeText(target, "the user's work\r\n");
        {
            FileFault fault(c.call, 1, c.error);
            errno = 0;
            EXPECT_FALSE(replaceFileWith(target, "replacement", Durability::Synced));
            EXPECT_EQ(errno, c.error);
            EXPECT_TRUE(fault.fired());
        }
        EXPECT_EQ(dir.read("scene.cad"), "the user's work\r\n");
        EXPECT_EQ(strays(dir, {"scene.cad"}), std::vector<std::string>{});
    }
}

// Every whole-file reader's one rule: up to the limit it reads, past it
// nothing is kept, and a file that is not there or not a file is said so.
TEST(FilesTest, WholeFilesAreReadUpToTheirLimit) {
    kxtest::TempDir dir;
    const std::string file = dir.file("whole.txt");
    const std::string big(200000, 'x');  // several reads
    struct Case {
        const char* name;
        std::string content;
        size_t limit;
        int fault;  // the nth read fails
        int result;
    } cases[] = {
        {"under the limit", "abc", 10, 0, 0},
        {"exactly the limit", "abcdefghij", 10, 0, 0},
        {"one past the limit", "abcdefghijk", 10, 0, EFBIG},
        {"empty", "", 10, 0, 0},
        {"longer than one read", big, big.size(), 0, 0},
        {"no limit to speak of", big, SIZE_MAX, 0, 0},
        {"far past the limit", big, 70000, 0, EFBIG},
        {"a read fails", big, big.size(), 2, EIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(file, c.content);
        std::string bytes = "old";
        int result = 0;
        if (c.fault) {
            FileFault fault(FileFault::Call::Read, c.fault, EIO);
            result = kx::platform::readWholeFile(file, bytes, c.limit);
        } else {
            result = kx::platform::readWholeFile(file, bytes, c.limit);
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(bytes, c.result == 0 ? c.content : std::string());
    }
    std::string bytes;
    EXPECT_EQ(kx::platform::readWholeFile(dir.file("absent"), bytes, 10), ENOENT);
    EXPECT_EQ(kx::platform::readWholeFile(dir.path(), bytes, 10), EISDIR);
    EXPECT_EQ(errno, EISDIR);
}

TEST(FilesTest, UnsyncedReplacementsNeverSync) {
    kxtest::TempDir dir;
    FileFault fault(FileFault::Call::Fsync, 1);
    EXPECT_TRUE(replaceFileWith(dir.file("out.pov"), "derived", Durability::Unsynced));
    EXPECT_EQ(fault.calls(), 0);
    EXPECT_EQ(dir.read("out.pov"), "derived");
}

TEST(FilesTest, ALinkStaysALinkAndItsTargetIsReplaced) {
    kxtest::TempDir dir;
    fs::create_directory(dir.path() / "real");
    writeText(dir.file("real/scene.cad"), "old");
    fs::create_symlink("real/scene.cad", dir.path() / "link.cad");
    fs::create_symlink("real/new.cad", dir.path() / "dangling.cad");
    ASSERT_TRUE(replaceFileWith(dir.file("link.cad"), "new", Durability::Synced));
    ASSERT_TRUE(replaceFileWith(dir.file("dangling.cad"), "made", Durability::Synced));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.cad"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.cad"));
    EXPECT_EQ(dir.read("real/scene.cad"), "new");
    EXPECT_EQ(dir.read("real/new.cad"), "made");
}

TEST(FilesTest, WhatIsNoRegularFileIsNeverReplaced) {
    kxtest::TempDir dir;
    // A device is written in place and stays a device.
    ASSERT_TRUE(replaceFileWith("/dev/null", "nothing", Durability::Synced));
    struct stat st;
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    // A pipe nobody reads is refused at once instead of blocking; it stays a pipe.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    errno = 0;
    EXPECT_FALSE(replaceFileWith(dir.file("pipe"), "x", Durability::Synced));
    EXPECT_EQ(errno, ENXIO);
    EXPECT_TRUE(fs::is_fifo(dir.path() / "pipe"));
    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(replaceFileWith(dir.file("folder"), "x", Durability::Synced));
    EXPECT_EQ(errno, EISDIR);
    // Reading never waits on a pipe either.
    EXPECT_EQ(kx::platform::openRegularForReading(dir.file("pipe")), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST(FilesTest, AWriteProtectedFileIsRefusedAndKeepsItsMode) {
    kxtest::TempDir dir;
    writeText(dir.file("locked.cad"), "keep");
    ::chmod(dir.file("locked.cad").c_str(), 0444);
    errno = 0;
    EXPECT_FALSE(replaceFileWith(dir.file("locked.cad"), "lost", Durability::Synced));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(dir.read("locked.cad"), "keep");
    // A writable file keeps its permissions through a replacement.
    writeText(dir.file("shared.cad"), "a");
    ::chmod(dir.file("shared.cad").c_str(), 0640);
    ASSERT_TRUE(replaceFileWith(dir.file("shared.cad"), "b", Durability::Synced));
    struct stat st;
    ASSERT_EQ(::stat(dir.file("shared.cad").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(FilesTest, LeftoversOfAKilledSaveAreRemovedOthersKept) {
    kxtest::TempDir dir;
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = "scene.cad.kxtmp-" + std::to_string(child) + "-abc123";
    const std::string alive = "scene.cad.kxtmp-1-abc123";  // pid 1 is always there
    const std::string other = "other.cad.kxtmp-" + std::to_string(child) + "-abc123";
    for (const std::string& name : {dead, alive, other}) writeText(dir.file(name), "half");
    ASSERT_TRUE(replaceFileWith(dir.file("scene.cad"), "whole", Durability::Synced));
    EXPECT_FALSE(fs::exists(dir.path() / dead));
    EXPECT_TRUE(fs::exists(dir.path() / alive));
    EXPECT_TRUE(fs::exists(dir.path() / other));
}

TEST(FilesTest, StoredNamesFindTheirFile) {
    kxtest::TempDir dir;
    fs::create_directory(dir.path() / "Maps");
    writeText(dir.file("Maps/Wood.TGA"), "x");
    struct Case {
        std::string asked;
        std::string found;
    } cases[] = {
        {dir.file("Maps/Wood.TGA"), dir.file("Maps/Wood.TGA")},
        {dir.file("Maps/wood.tga"), dir.file("Maps/Wood.TGA")},
        {dir.path().string() + "\\Maps\\wood.tga", dir.file("Maps/Wood.TGA")},
        {dir.file("Maps/stone.tga"), ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        EXPECT_EQ(kx::platform::findExisting(c.asked), c.found);
    }
    EXPECT_EQ(kx::platform::folderOf("a/b/c.cad"), "a/b");
    EXPECT_EQ(kx::platform::folderOf("c.cad"), ".");
    EXPECT_EQ(kx::platform::folderOf("/c.cad"), "/");
    EXPECT_EQ(kx::platform::leafOf("a/b.d/c"), "c");
}

}  // namespace

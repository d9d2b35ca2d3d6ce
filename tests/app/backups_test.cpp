// The versions a save keeps: the newest backup is the file as it stood, the
// older ones move up, and no more than asked are kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/backups.h"
#include "kxplatform/files.h"
#include "temp_dir.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string("(none)");
}

TEST(Backups, EachSaveKeepsTheVersionBeforeUpToTheCountAsked) {
    struct Case {
        int count;
        std::vector<std::pair<const char*, const char*>> after;  // file, contents after saves v1..v5
    } cases[] = {
        {0, {{"s.cad", "v5"}, {"s.cad~", "(none)"}, {"s.cad~1", "(none)"}}},
        {1, {{"s.cad", "v5"}, {"s.cad~", "v4"}, {"s.cad~1", "(none)"}}},
        {3, {{"s.cad", "v5"}, {"s.cad~1", "v4"}, {"s.cad~2", "v3"}, {"s.cad~3", "v2"}, {"s.cad~4", "(none)"},
             {"s.cad~", "(none)"}}},
        {12, {{"s.cad", "v5"}, {"s.cad~1", "v4"}, {"s.cad~4", "v1"}, {"s.cad~5", "(none)"}}},  // at most 9
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        kxtest::TempDir dir;
        const std::string file = dir.file("s.cad");
        for (int v = 1; v <= 5; ++v) {
            ASSERT_TRUE(kx::app::keepBackup(file, c.count));
            ASSERT_TRUE(kx::platform::replaceFileWith(file, "v" + std::to_string(v), kx::platform::Durability::Synced));
        }
        for (const auto& [name, expected] : c.after) EXPECT_EQ(contents(dir.file(name)), expected) << name;
    }
}

// A save that fails leaves the file and every backup as they were, and no
// scratch name behind; only a save that succeeds moves the backups up.
TEST(Backups, AFailedSaveLeavesTheFileAndItsBackupsWhole) {
    for (const int count : {1, 3}) {
        SCOPED_TRACE(count);
        kxtest::TempDir dir;
        const std::string file = dir.file("s.cad");
        for (int v = 1; v <= 4; ++v) {
            ASSERT_TRUE(kx::app::keepBackup(file, count));
            ASSERT_TRUE(kx::platform::replaceFileWith(file, "v" + std::to_string(v), kx::platform::Durability::Synced));
        }
        const auto before = [&] {
            std::vector<std::string> all;
            for (int i = 1; i <= count; ++i) all.push_back(contents(kx::app::backupName(file, count, i)));
            return all;
        }();
        {
            kx::app::PendingBackup backup(file, count);
            ASSERT_TRUE(backup.held());
            // The save that follows fails before it replaces anything.
            kx::platform::FileReplacement failing;
            ASSERT_TRUE(failing.begin(file, kx::platform::Durability::Synced));
            ASSERT_TRUE(failing.write("half", 4));
            failing.abandon();
        }
        EXPECT_EQ(contents(file), "v4");
        for (int i = 1; i <= count; ++i)
            EXPECT_EQ(contents(kx::app::backupName(file, count, i)), before[static_cast<size_t>(i - 1)]) << i;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1 + count)
            << "no scratch file is left";
        // A save that succeeds afterwards keeps the version before it.
        kx::app::PendingBackup backup(file, count);
        ASSERT_TRUE(kx::platform::replaceFileWith(file, "v5", kx::platform::Durability::Synced));
        EXPECT_TRUE(backup.keep());
        EXPECT_EQ(contents(kx::app::backupName(file, count, 1)), "v4");
    }
    // Nothing to keep yet is no failure.
    kxtest::TempDir dir;
    EXPECT_TRUE(kx::app::keepBackup(dir.file("new.cad"), 1));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.cad~")));
}

}  // namespace

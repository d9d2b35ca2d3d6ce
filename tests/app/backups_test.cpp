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

TEST(Backups, AFailedSaveLeavesTheFileAndItsBackupWhole) {
    kxtest::TempDir dir;
    const std::string file = dir.file("s.cad");
    ASSERT_TRUE(kx::platform::replaceFileWith(file, "saved", kx::platform::Durability::Synced));
    ASSERT_TRUE(kx::app::keepBackup(file, 1));
    // The save that follows fails before it replaces anything.
    kx::platform::FileReplacement failing;
    ASSERT_TRUE(failing.begin(file, kx::platform::Durability::Synced));
    ASSERT_TRUE(failing.write("half", 4));
    failing.abandon();
    EXPECT_EQ(contents(file), "saved");
    EXPECT_EQ(contents(file + "~"), "saved");
    // Nothing to keep yet is no failure.
    EXPECT_TRUE(kx::app::keepBackup(dir.file("new.cad"), 1));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.cad~")));
}

}  // namespace

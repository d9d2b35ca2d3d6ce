// Seeding the user's data folder while other starts of the program do the same.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "startup/data_folder.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Several first starts at once: none of them, and no watcher, ever sees a
// seeded file shorter than the shipped one, and no temporary stays behind.
TEST(DataFolderTest, SeededFilesAppearOnlyWhole) {
    kxtest::TempDir dir;
    fs::create_directories(dir.path() / "shipped" / "textures");
    const std::string big(32 << 20, 'k');
    std::ofstream(dir.file("shipped/KALVEX.INF"), std::ios::binary) << big;
    std::ofstream(dir.file("shipped/textures/wood.def")) << "wood";
    fs::permissions(dir.file("shipped/KALVEX.INF"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string user = dir.file("user");
    const fs::path seeded = fs::path(user) / "KALVEX.INF";

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        fs::remove_all(user);
        std::atomic<bool> done{false};
        std::atomic<int> partial{0};
        std::thread watcher([&] {
            while (!done) {
                std::error_code ec;
                const auto size = fs::file_size(seeded, ec);
                if (!ec && size != big.size()) ++partial;
            }
        });
        std::vector<std::thread> starts;
        for (int i = 0; i < 4; ++i)
            starts.emplace_back([&] { EXPECT_EQ(kx::app::prepareUserDataFolder(user, dir.file("shipped")), user); });
        for (std::thread& t : starts) t.join();
        done = true;
        watcher.join();
        EXPECT_EQ(partial, 0) << "a start could read a half-copied file";
        EXPECT_EQ(fs::file_size(seeded), big.size());
        EXPECT_EQ(fs::status(seeded).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(dir.read("user/textures/wood.def"), "wood");
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(user))
            EXPECT_EQ(e.path().filename().string().find(".kxtmp-"), std::string::npos) << e.path();
    }
}

TEST(DataFolderTest, TheUsersOwnFilesAreKept) {
    kxtest::TempDir dir;
    fs::create_directories(dir.path() / "shipped");
    fs::create_directories(dir.path() / "user");
    std::ofstream(dir.file("shipped/KALVEX.INF")) << "shipped";
    std::ofstream(dir.file("shipped/povray37.inf")) << "shipped";
    std::ofstream(dir.file("user/KALVEX.INF")) << "changed by the user";
    EXPECT_EQ(kx::app::prepareUserDataFolder(dir.file("user"), dir.file("shipped")), dir.file("user"));
    EXPECT_EQ(dir.read("user/KALVEX.INF"), "changed by the user");
    EXPECT_EQ(dir.read("user/povray37.inf"), "shipped");
}

}  // namespace

#include "startup/data_folder.h"

#include <filesystem>
#include <unistd.h>

namespace kx::app {

namespace fs = std::filesystem;

std::string shippedDataFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path installed = exe.parent_path().parent_path() / "share" / "kalvex";
        if (fs::is_directory(installed, ec)) return installed.string();
    }
#ifdef KALVEX_SOURCE_DATA_DIR
    if (fs::is_directory(KALVEX_SOURCE_DATA_DIR, ec)) return KALVEX_SOURCE_DATA_DIR;
#endif
    return {};
}

std::string prepareUserDataFolder(const std::string& userFolder, const std::string& shippedFolder) {
    std::error_code ec;
    fs::create_directories(userFolder, ec);
    if (!fs::is_directory(userFolder, ec)) return {};
    if (shippedFolder.empty()) return userFolder;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(shippedFolder, ec)) {
        fs::path relative = fs::relative(entry.path(), shippedFolder, ec);
        fs::path target = fs::path(userFolder) / relative;
        if (entry.is_directory()) {
            fs::create_directories(target, ec);
        } else if (!fs::exists(target, ec)) {
            fs::copy_file(entry.path(), target, ec);
        }
    }
    return userFolder;
}

}  // namespace kx::app

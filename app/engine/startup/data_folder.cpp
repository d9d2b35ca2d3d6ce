#include "startup/data_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

#include "kxplatform/files.h"

namespace kx::app {

namespace fs = std::filesystem;

namespace {

// Copies a shipped file to a missing target so that nobody ever sees half of
// it: programs starting at once on a fresh account (frames of a farm) would
// otherwise read a renderer definition that is still being copied. The copy is
// made under a temporary name beside the target and then linked into place,
// which fails when another start put the file there first; that file is kept.
void seedFile(const fs::path& shipped, const fs::path& target) {
    std::string temporary = target.string() + ".kxtmp-" + std::to_string(::getpid()) + "-XXXXXX";
    platform::UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) return;
    std::error_code ec;
    fd.reset();
    const bool copied = fs::copy_file(shipped, temporary, fs::copy_options::overwrite_existing, ec);
    if (copied && ::link(temporary.c_str(), target.c_str()) != 0 && errno != EEXIST) {
        // A file system without hard links: a move that still refuses to replace.
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return;
    }
    ::unlink(temporary.c_str());
}

}  // namespace

std::string shippedDataFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path installed = exe.parent_path().parent_path() / KALVEX_DATADIR_FROM_PREFIX;
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
        } else if (!fs::exists(target, ec) && !fs::is_symlink(target, ec)) {
            seedFile(entry.path(), target);
        }
    }
    return userFolder;
}

}  // namespace kx::app

#include "plugins/replacing_save.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "kxcore.h"
#include "kxplatform/files.h"

namespace kx::plugins {

namespace fs = std::filesystem;

namespace {

bool syncPath(const std::string& path, int flags) {
    platform::UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
    return fd && ::fsync(fd.get()) == 0;
}

}  // namespace

int saveReplacing(const std::string& target, const std::function<int(const std::string& path)>& write) {
    std::error_code ec;
    // A link's own file is replaced, not the link.
    std::string real = target;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) real = resolved.string();
    }
    std::string folder = platform::folderOf(real);
    if (folder.empty()) folder = ".";
    std::string pattern = folder + "/.kalvex-save-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        ErrorMessage("Unable to write file %s", target.c_str());
        return 0;
    }
    const std::string leaf = platform::leafOf(real);
    const std::string made = pattern + "/" + leaf;
    int result = 0;
    try {
        result = write(made);
    } catch (...) {
        result = 0;
    }
    struct stat st {};
    bool ok = result != 0 && ::lstat(made.c_str(), &st) == 0 && S_ISREG(st.st_mode) && syncPath(made, O_RDONLY);
    if (ok) {
        // The writer's other files (a material library beside a mesh) go beside the target too.
        for (const auto& entry : fs::directory_iterator(pattern, ec)) {
            const std::string name = entry.path().filename().string();
            if (name == leaf) continue;
            fs::rename(entry.path(), fs::path(folder) / name, ec);
        }
        ok = std::rename(made.c_str(), real.c_str()) == 0;
        if (ok) syncPath(folder, O_RDONLY | O_DIRECTORY);
    }
    fs::remove_all(pattern, ec);
    return ok ? result : 0;
}

}  // namespace kx::plugins

// A file system of its own, tiny, for tests of what a full disk does: a tmpfs
// mounted over a folder for as long as the object lives. Mounting needs root;
// mounted() says whether it could be done, so a test can skip otherwise.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kxtest {

class SmallDisk {
public:
    explicit SmallDisk(std::string folder, const char* size = "size=64k") : folder_(std::move(folder)), size_(size) {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, size) == 0;
    }
    // From now on nobody, root neither, can write there (an installed tree).
    bool makeReadOnly() const {
        return mounted_ && ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, size_) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    const char* size_;
    bool mounted_ = false;
};

}  // namespace kxtest

// A temporary folder per test that is also the current directory while it lives.
#pragma once

#include <filesystem>
#include <string>

namespace kxtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The whole content of a file in the folder ("" when missing).
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace kxtest

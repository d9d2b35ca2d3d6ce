#include "io/temp_file.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kx::io {

TempFile::~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

bool TempFile::create(const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    std::string pattern = std::string(dir) + "/pxjpeg-XXXXXX" + suffix;
    // A name of our own, created exclusively: a shared folder may hold links
    // planted by others, and several programs may convert at once.
    int fd = ::mkostemps(pattern.data(), static_cast<int>(std::strlen(suffix)), O_CLOEXEC);
    if (fd < 0) return false;
    fd_ = fd;
    path_ = std::move(pattern);
    return true;
}

int TempFile::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

}  // namespace kx::io

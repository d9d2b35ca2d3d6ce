#include "io/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace kx::io {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

}  // namespace

bool writeAll(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

OutputFile::OutputFile() { buffer_.reserve(kBufferSize); }

OutputFile::~OutputFile() { discard(); }

bool OutputFile::create(const std::string& path) {
    discard();
    target_ = path;
    std::random_device seed;
    std::mt19937 gen(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x~", static_cast<unsigned>(gen()));
        std::string candidate = path + suffix;
        // O_EXCL: never write through a link or into someone else's file.
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = std::move(candidate);
            failed_ = false;
            return true;
        }
        if (errno != EEXIST) break;
    }
    target_.clear();
    return false;
}

void OutputFile::adopt(int fd) {
    discard();
    fd_ = fd;
    failed_ = fd < 0;
}

bool OutputFile::flush() {
    if (!failed_ && !buffer_.empty() && !writeAll(fd_, buffer_.data(), buffer_.size()))
        failed_ = true;
    buffer_.clear();
    return !failed_;
}

bool OutputFile::write(const void* data, size_t n) {
    if (failed_ || fd_ < 0) return false;
    if (buffer_.size() + n > kBufferSize && !flush()) return false;
    if (n >= kBufferSize) {
        if (!writeAll(fd_, data, n)) failed_ = true;
        return !failed_;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + n);
    return true;
}

bool OutputFile::commit() {
    if (fd_ < 0) return false;
    bool ok = flush();
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (!temp_.empty()) {
        if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) ok = false;
        if (!ok) ::unlink(temp_.c_str());
        temp_.clear();
    }
    return ok;
}

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
    failed_ = false;
}

}  // namespace kx::io

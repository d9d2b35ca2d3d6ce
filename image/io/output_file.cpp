#include "io/output_file.h"

#include <cerrno>

namespace kx::io {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

}  // namespace

OutputFile::OutputFile() { buffer_.reserve(kBufferSize); }

OutputFile::~OutputFile() { discard(); }

bool OutputFile::create(const std::string& path) {
    discard();
    return replacement_.begin(path, kx::platform::Durability::Unsynced);
}

void OutputFile::adopt(int fd) {
    discard();
    adopted_.reset(fd);
    failed_ = fd < 0;
}

int OutputFile::fd() const { return adopted_ ? adopted_.get() : replacement_.fd(); }

bool OutputFile::flush() {
    if (!failed_ && !buffer_.empty() && !kx::platform::writeAll(fd(), buffer_.data(), buffer_.size()))
        failed_ = true;
    buffer_.clear();
    return !failed_;
}

bool OutputFile::write(const void* data, size_t n) {
    if (failed_ || fd() < 0) return false;
    if (buffer_.size() + n > kBufferSize && !flush()) return false;
    if (n >= kBufferSize) {
        if (!kx::platform::writeAll(fd(), data, n)) failed_ = true;
        return !failed_;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + n);
    return true;
}

bool OutputFile::commit() {
    if (fd() < 0) return false;
    bool ok = flush();
    if (adopted_) {
        if (!adopted_.reset()) ok = false;
        return ok;
    }
    if (!ok) {
        replacement_.abandon();
        return false;
    }
    return replacement_.commit();
}

void OutputFile::discard() {
    adopted_.reset();
    replacement_.abandon();
    buffer_.clear();
    failed_ = false;
}

}  // namespace kx::io

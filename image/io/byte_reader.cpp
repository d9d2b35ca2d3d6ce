#include "io/byte_reader.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kx::io {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

ByteReader::ByteReader(int fd) : fd_(fd), buffer_(kBufferSize) {
    data_ = buffer_.data();
    struct stat st {};
    off_t here = ::lseek(fd, 0, SEEK_CUR);
    base_ = here > 0 ? static_cast<uint64_t>(here) : 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
}

ByteReader::ByteReader(const uint8_t* data, size_t size)
    : data_(data), len_(size), size_(size) {}

bool ByteReader::refill(size_t want) {
    if (fd_ < 0) return false;
    // Keep the unread tail at the front so that `want` bytes can be contiguous.
    size_t tail = len_ - pos_;
    if (tail > 0 && pos_ > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, tail);
    base_ += pos_;
    pos_ = 0;
    len_ = tail;
    while (len_ < want) {
        ssize_t n = ::read(fd_, buffer_.data() + len_, buffer_.size() - len_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        len_ += static_cast<size_t>(n);
    }
    // A file that grows while being read is read as far as it goes.
    if (base_ + len_ > size_) size_ = base_ + len_;
    return len_ >= want;
}

const uint8_t* ByteReader::take(size_t n) {
    if (n > kBufferSize) return nullptr;
    if (len_ - pos_ < n && !refill(n)) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
}

bool ByteReader::read(void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    while (n > 0) {
        if (pos_ == len_ && !refill(1)) return false;
        size_t chunk = len_ - pos_ < n ? len_ - pos_ : n;
        std::memcpy(out, data_ + pos_, chunk);
        pos_ += chunk;
        out += chunk;
        n -= chunk;
    }
    return true;
}

bool ByteReader::readU16le(uint16_t& v) {
    uint8_t b[2];
    if (!read(b, 2)) return false;
    v = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool ByteReader::readU32le(uint32_t& v) {
    uint8_t b[4];
    if (!read(b, 4)) return false;
    v = b[0] | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
    return true;
}

bool ByteReader::readU16be(uint16_t& v) {
    uint8_t b[2];
    if (!read(b, 2)) return false;
    v = static_cast<uint16_t>((b[0] << 8) | b[1]);
    return true;
}

bool ByteReader::readU32be(uint32_t& v) {
    uint8_t b[4];
    if (!read(b, 4)) return false;
    v = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    return true;
}

bool ByteReader::skip(uint64_t n) {
    if (n <= len_ - pos_) {
        pos_ += static_cast<size_t>(n);
        return true;
    }
    return seek(tell() + n);
}

bool ByteReader::seek(uint64_t offset) {
    if (offset > size_) return false;
    if (offset >= base_ && offset - base_ <= len_) {
        pos_ = static_cast<size_t>(offset - base_);
        return true;
    }
    if (fd_ < 0) return false;
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
    base_ = offset;
    pos_ = 0;
    len_ = 0;
    return true;
}

}  // namespace kx::io

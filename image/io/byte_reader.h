// Buffered reading of an image file, or of bytes already in memory, with every
// read checked against what the input really holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx::io {

class ByteReader {
public:
    // Reads from an open descriptor (not owned), from its current position.
    explicit ByteReader(int fd);
    // Reads from memory that outlives the reader.
    ByteReader(const uint8_t* data, size_t size);
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // Fills dst with exactly n bytes; false on a short read (position then undefined).
    [[nodiscard]] bool read(void* dst, size_t n);
    [[nodiscard]] bool readByte(uint8_t& b) {
        if (pos_ == len_ && !refill(1)) return false;
        b = data_[pos_++];
        return true;
    }
    [[nodiscard]] bool readU16le(uint16_t& v);
    [[nodiscard]] bool readU32le(uint32_t& v);
    [[nodiscard]] bool readU16be(uint16_t& v);
    [[nodiscard]] bool readU32be(uint32_t& v);
    // Moves forward; false when that passes the end of the input.
    [[nodiscard]] bool skip(uint64_t n);
    // Moves to an absolute offset from the start of the input.
    [[nodiscard]] bool seek(uint64_t offset);
    uint64_t tell() const { return base_ + pos_; }
    uint64_t size() const { return size_; }
    uint64_t remaining() const { return size_ > tell() ? size_ - tell() : 0; }
    // Pointer to the next n bytes (n <= 64 KiB) consumed at once, or null at the end.
    const uint8_t* take(size_t n);

private:
    bool refill(size_t want);

    int fd_ = -1;
    const uint8_t* data_ = nullptr;  // buffer_.data() for files, the caller's bytes otherwise
    size_t len_ = 0;                 // valid bytes at data_
    size_t pos_ = 0;                 // next byte within data_
    uint64_t base_ = 0;              // input offset of data_[0]
    uint64_t size_ = 0;              // total input size
    std::vector<uint8_t> buffer_;
};

}  // namespace kx::io

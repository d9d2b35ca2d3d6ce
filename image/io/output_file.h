// Buffered output that never leaves a half-written file where a good one stood:
// the data goes to a temporary file in the same folder, which replaces the
// target only when every write and the close succeeded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kx::io {

class OutputFile {
public:
    OutputFile();
    ~OutputFile();  // discards the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts a temporary file beside `path`; false when it cannot be created.
    [[nodiscard]] bool create(const std::string& path);
    // Writes into an open descriptor instead (taken over; closed by commit).
    void adopt(int fd);
    // Buffered; a failure sticks and makes commit fail.
    bool write(const void* data, size_t n);
    bool putByte(uint8_t b) { return write(&b, 1); }
    // Flushes, closes and renames over the target; false when any step failed.
    [[nodiscard]] bool commit();

private:
    bool flush();
    void discard();

    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string temp_;
    std::vector<uint8_t> buffer_;
};

// write(2) until everything is written, retrying short writes and EINTR.
[[nodiscard]] bool writeAll(int fd, const void* data, size_t n);

}  // namespace kx::io

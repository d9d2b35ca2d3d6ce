// Buffered output that never leaves a half-written file where a good one stood:
// the data goes to a temporary file in the same folder, which replaces the
// target only when every write and the close succeeded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kxplatform/files.h"

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
    int fd() const;
    bool flush();
    void discard();

    // An image can be made again from its scene: replaced atomically, not synced.
    kx::platform::FileReplacement replacement_;
    kx::platform::UniqueFd adopted_;
    bool failed_ = false;
    std::vector<uint8_t> buffer_;
};

}  // namespace kx::io

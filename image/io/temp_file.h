// A uniquely named temporary file in $TMPDIR (or /tmp), removed with the object.
#pragma once

#include <string>

namespace kx::io {

class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates an empty file whose name ends in suffix; false when it cannot.
    [[nodiscard]] bool create(const char* suffix);
    const std::string& path() const { return path_; }
    // The open descriptor, handed over to the caller (-1 once taken).
    int release();

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace kx::io

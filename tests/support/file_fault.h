// Makes the n-th call of one kind of file operation fail, for as long as the
// object lives: the way tests prove that a failed save keeps the old file.
#pragma once

#include <cerrno>

namespace kxtest {

class FileFault {
public:
    enum class Call { Open, Write, Fsync, Rename, Unlink, Read };

    // The nth (1-based) call of `call` from now on fails with `error`.
    FileFault(Call call, int nth, int error = EIO);
    ~FileFault();
    FileFault(const FileFault&) = delete;
    FileFault& operator=(const FileFault&) = delete;

    // How many calls of the kind were made while installed (the failed one included).
    int calls() const;
    bool fired() const;
};

}  // namespace kxtest

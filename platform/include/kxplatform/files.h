// Files as every part of Kalvex reads and writes them: one set of rules for
// writing all bytes, replacing a file without ever leaving half of it behind,
// finding a stored name whose case differs, and refusing what is not a
// regular file. No Qt, no exceptions; failures come back as false or -1 with
// errno set to the system's reason, so callers can report it in their words.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kx::platform {

// The calls that change files on disk. Tests replace them to make the n-th
// call fail and prove that nothing the user had is lost.
struct FileCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    ssize_t (*read)(int fd, void* data, size_t size);
};

// The table in force; the system's unless a test set another.
const FileCalls& fileCalls();
// Installs a table (copied); null puts the system's back. Tests only, and
// never while another thread writes a file.
void setFileCalls(const FileCalls* calls);
// The system's own calls, for a test table that fails only some of them.
const FileCalls& systemFileCalls();

// A descriptor closed when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the descriptor; false (errno set) when the close failed.
    bool reset(int fd = -1);

private:
    int fd_ = -1;
};

// write(2) until every byte is written, retrying short writes and EINTR;
// false (errno set) on the first real failure.
[[nodiscard]] bool writeAll(int fd, const void* data, size_t size);

// "a/b/c.cad" gives "a/b"; a name without a folder gives "."; "/x" gives "/".
std::string folderOf(const std::string& path);
// The last path component: "a/b/c.cad" gives "c.cad".
std::string leafOf(const std::string& path);

// The existing file a stored name means: the name itself, else with "\" read
// as "/", else a case-insensitive match of the last component in its folder.
// Empty when there is none.
std::string findExisting(const std::string& name);

// True when the name is an existing regular file (links followed).
bool isRegularFile(const std::string& path);

// Opens an existing regular file for reading (O_CLOEXEC). A pipe, a device or a
// folder is refused with EINVAL without waiting on it. -1 with errno on failure.
int openRegularForReading(const std::string& path);

// Reads a whole regular file (opened as openRegularForReading does) into
// bytes, which it replaces. Returns 0, or the errno of the open or the read
// that failed, or EFBIG when the file holds more than limit bytes (errno is
// left set to it): bytes then holds nothing. Every reader of a whole file goes through here, so that all
// of them refuse what is too large the same way.
[[nodiscard]] int readWholeFile(const std::string& path, std::string& bytes, size_t limit);

// Whether a replaced file must reach the disk before the new name is visible.
// The user's own work (scenes, settings, texture databases) is synced; derived
// files that can be made again (exports, images) are not.
enum class Durability { Synced, Unsynced };

// A file that takes the place of another only when it is complete. The bytes
// go to "<name>.kxtmp-<pid>-XXXXXX" beside the target and are renamed over it
// by commit(); a failure or a destruction without commit removes the temporary
// and leaves the old file as it was.
// - A symbolic link stays a link: its final target is replaced.
// - An existing target that is not a regular file (a device, a pipe) is
//   written in place, never replaced; a folder is refused (EISDIR).
// - An existing target the user may not write is refused (EACCES), even though
//   the folder would allow the rename.
// - Temporaries left by a writer that was killed are removed on the next begin.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&& other) noexcept;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // false with errno when the file cannot be started.
    [[nodiscard]] bool begin(const std::string& target, Durability durability);
    int fd() const { return fd_.get(); }
    // Writes all bytes; a failure sticks and makes commit fail.
    bool write(const void* data, size_t size);
    bool failed() const { return failed_; }
    // Syncs when asked, closes and renames over the target; false (errno set)
    // when any step failed, the old file then untouched.
    [[nodiscard]] bool commit();
    // Drops what was written; the old file stays.
    void abandon();

    // The file that is being replaced (a link's target), as begin resolved it.
    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }

private:
    UniqueFd fd_;
    std::string target_;
    std::string temporary_;  // empty when writing in place
    Durability durability_ = Durability::Synced;
    bool failed_ = false;
};

// Replaces a whole file by `bytes` through a FileReplacement.
[[nodiscard]] bool replaceFileWith(const std::string& target, std::string_view bytes, Durability durability);

}  // namespace kx::platform

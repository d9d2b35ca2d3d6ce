#include "kxplatform/files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kx::platform {
namespace {

int systemOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t systemWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
ssize_t systemRead(int fd, void* data, size_t size) { return ::read(fd, data, size); }

const FileCalls kSystemCalls{systemOpen, systemWrite, ::fsync, ::rename, ::unlink, systemRead};

// Set only by tests, before any file is written; see setFileCalls.
FileCalls activeCalls = kSystemCalls;

bool equalNoCaseAscii(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

// Follows a chain of symbolic links to the name that is finally written. A
// dangling link is followed too, so the save creates the file it points to.
std::string resolveLinks(const std::string& name) {
    std::string current = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0) return current;
        link.resize(static_cast<size_t>(n));
        current = link[0] == '/' ? link : folderOf(current) + "/" + link;
    }
    return current;
}

constexpr const char* kTemporaryMark = ".kxtmp-";

// A temporary named "<leaf>.kxtmp-<pid>-<random>" whose writer is gone is
// left over from a killed save and only takes space.
void removeLeftovers(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string prefix = leafOf(target) + kTemporaryMark;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return;
    while (dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
        char* end = nullptr;
        long pid = std::strtol(name + prefix.size(), &end, 10);
        if (end == name + prefix.size() || *end != '-' || pid <= 0 || pid > INT_MAX) continue;
        if (pid == static_cast<long>(::getpid())) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        activeCalls.unlink((folder + "/" + name).c_str());
    }
}

bool userMayWrite(const std::string& path, const struct stat& st) {
    if (::access(path.c_str(), W_OK) != 0) return false;
    // The superuser passes every access check; a file nobody may write is
    // still meant to stay as it is.
    return ::geteuid() != 0 || (st.st_mode & 0222) != 0;
}

}  // namespace

const FileCalls& fileCalls() { return activeCalls; }
const FileCalls& systemFileCalls() { return kSystemCalls; }
void setFileCalls(const FileCalls* calls) { activeCalls = calls ? *calls : kSystemCalls; }

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

bool UniqueFd::reset(int fd) {
    bool ok = true;
    if (fd_ >= 0) ok = ::close(fd_) == 0;
    fd_ = fd;
    return ok;
}

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = activeCalls.write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string leafOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string findExisting(const std::string& name) {
    struct stat st;
    if (name.empty()) return {};
    if (::stat(name.c_str(), &st) == 0) return name;
    std::string slashed = name;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    if (::stat(slashed.c_str(), &st) == 0) return slashed;
    // The file system tells case apart; names from other systems do not.
    const std::string folder = folderOf(slashed);
    const std::string leaf = leafOf(slashed);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return {};
    while (dirent* entry = ::readdir(dir.get()))
        if (equalNoCaseAscii(entry->d_name, leaf.c_str()))
            return (slashed.find('/') == std::string::npos ? std::string() : folder + "/") + entry->d_name;
    return {};
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int openRegularForReading(const std::string& path) {
    // Without blocking, so that a pipe with no writer is refused, not waited on.
    UniqueFd fd(activeCalls.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0));
    if (!fd) return -1;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd.release();
}

int readWholeFile(const std::string& path, std::string& bytes, size_t limit) {
    bytes.clear();
    UniqueFd fd(openRegularForReading(path));
    if (!fd) return errno = errno ? errno : EIO;
    char buffer[65536];
    for (;;) {
        // One byte past the limit is enough to know the file does not fit.
        const size_t left = limit - std::min(limit, bytes.size());
        const size_t want = left < sizeof buffer ? left + 1 : sizeof buffer;
        const ssize_t n = activeCalls.read(fd.get(), buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno ? errno : EIO;
            bytes.clear();
            return errno = error;
        }
        if (n == 0) return 0;
        if (bytes.size() + static_cast<size_t>(n) > limit) {
            bytes.clear();
            return errno = EFBIG;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

FileReplacement::~FileReplacement() { abandon(); }

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : fd_(std::move(other.fd_)),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      durability_(other.durability_),
      failed_(other.failed_) {
    other.temporary_.clear();
}

FileReplacement& FileReplacement::operator=(FileReplacement&& other) noexcept {
    if (this != &other) {
        abandon();
        fd_ = std::move(other.fd_);
        target_ = std::move(other.target_);
        temporary_ = std::move(other.temporary_);
        durability_ = other.durability_;
        failed_ = other.failed_;
        other.temporary_.clear();
    }
    return *this;
}

bool FileReplacement::begin(const std::string& target, Durability durability) {
    abandon();
    failed_ = false;
    durability_ = durability;
    if (target.empty()) {
        errno = ENOENT;
        return false;
    }
    target_ = resolveLinks(target);
    struct stat st;
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe is something else's: write to it, never replace it.
        fd_.reset(activeCalls.open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK, 0));
        if (!fd_) return false;
        ::fcntl(fd_.get(), F_SETFL, ::fcntl(fd_.get(), F_GETFL) & ~O_NONBLOCK);
        return true;
    }
    if (exists && !userMayWrite(target_, st)) {
        errno = EACCES;
        return false;
    }
    removeLeftovers(target_);
    std::random_device seed;
    std::mt19937 gen(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, "%s%ld-%06x", kTemporaryMark, static_cast<long>(::getpid()),
                      static_cast<unsigned>(gen() & 0xffffffu));
        std::string candidate = target_ + suffix;
        // O_EXCL: never write through a link or into someone else's file.
        int fd = activeCalls.open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        fd_.reset(fd);
        temporary_ = std::move(candidate);
        // A replaced file keeps its permissions (and, for the superuser, its owner).
        if (exists) {
            ::fchmod(fd, st.st_mode & 07777);
            if (::geteuid() == 0 && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
                // The new file then belongs to whoever saved it, as a new file would.
            }
        }
        return true;
    }
    errno = EEXIST;
    return false;
}

bool FileReplacement::write(const void* data, size_t size) {
    if (failed_ || !fd_) return false;
    if (!writeAll(fd_.get(), data, size)) failed_ = true;
    return !failed_;
}

bool FileReplacement::commit() {
    if (!fd_) {
        errno = EBADF;
        return false;
    }
    bool ok = !failed_;
    int reason = ok ? 0 : (errno ? errno : EIO);
    if (ok && !temporary_.empty() && durability_ == Durability::Synced && activeCalls.fsync(fd_.get()) != 0) {
        ok = false;
        reason = errno;
    }
    if (!fd_.reset() && ok) {
        ok = false;
        reason = errno;
    }
    if (!temporary_.empty()) {
        if (ok && activeCalls.rename(temporary_.c_str(), target_.c_str()) != 0) {
            ok = false;
            reason = errno;
        }
        if (ok && durability_ == Durability::Synced) {
            // The new name is durable only once its folder is.
            UniqueFd folder(::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (folder) activeCalls.fsync(folder.get());
        }
        if (!ok) activeCalls.unlink(temporary_.c_str());
        temporary_.clear();
    }
    if (!ok) errno = reason;
    return ok;
}

void FileReplacement::abandon() {
    int saved = errno;
    fd_.reset();
    if (!temporary_.empty()) activeCalls.unlink(temporary_.c_str());
    temporary_.clear();
    errno = saved;
}

bool replaceFileWith(const std::string& target, std::string_view bytes, Durability durability) {
    FileReplacement file;
    if (!file.begin(target, durability)) return false;
    file.write(bytes.data(), bytes.size());
    return file.commit();
}

}  // namespace kx::platform

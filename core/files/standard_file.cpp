// The buffered text file record: opening, closing, positioning and raw I/O.
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "files/files_internal.h"
#include "model/text.h"

namespace {

constexpr size_t kWriteChunk = 64 * 1024;

int fd(const StandardFile* f) { return static_cast<int>(f->handle); }

bool writeAll(int handle, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(handle, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Hands the pending bytes to the system; a failure sticks to the file.
bool flushPending(StandardFile* f) {
    auto& pending = f->internals->pending;
    if (pending.empty()) return !f->error;
    if (!writeAll(fd(f), pending.data(), pending.size())) f->error = 1;
    pending.clear();
    return !f->error;
}

void forgetReadBuffer(StandardFile* f) {
    f->bufferStart = 0;
    f->remaining = 0;
    f->bufferPos = 0;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// A temporary file beside the target, so that the final rename stays on one file system.
int openTemporary(const std::string& target, std::string& temporary) {
    temporary = target + ".kxtmp-XXXXXX";
    int handle = mkostemp(temporary.data(), O_CLOEXEC);
    if (handle < 0) return -1;
    struct stat st;
    // A replaced file keeps its permissions; a new one gets the usual ones.
    mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
    if (::stat(target.c_str(), &st) != 0) {
        mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    fchmod(handle, mode);
    return handle;
}

void freeRecord(StandardFile* f) {
    std::unique_ptr<StdFileInternals> internals(f->internals);
    std::unique_ptr<StandardFile> record(f);
}

}  // namespace

namespace kx::files {

std::string findExisting(const std::string& name) {
    struct stat st;
    if (name.empty()) return {};
    if (::stat(name.c_str(), &st) == 0) return name;
    std::string slashed = name;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    if (::stat(slashed.c_str(), &st) == 0) return slashed;
    // The file system tells case apart; names from other systems do not.
    std::string folder = folderOf(slashed);
    std::string base = kx::text::lastComponent(slashed.c_str());
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return {};
    while (dirent* entry = readdir(dir.get()))
        if (kx::text::equalNoCase(entry->d_name, base.c_str()))
            return (slashed.find('/') == std::string::npos ? std::string() : folder + "/") + entry->d_name;
    return {};
}

}  // namespace kx::files

StandardFile* StdOpenFile(const char* name, unsigned long mode) {
    if (!name || !*name) return nullptr;
    auto record = std::make_unique<StandardFile>();
    auto internals = std::make_unique<StdFileInternals>();
    internals->target = name;
    int handle = -1;
    unsigned access = mode & 3;
    if ((mode & 0x1000) != 0) {
        handle = openTemporary(internals->target, internals->temporary);
    } else {
        std::string existing = kx::files::findExisting(name);
        if (existing.empty()) existing = name;
        // Opened without blocking so that a name that is a pipe or a device
        // (a "load" statement can name anything) is refused, not waited on.
        int flags = (access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
        handle = ::open(existing.c_str(), flags);
        struct stat st;
        if (handle >= 0 && (::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(handle);
            handle = -1;
            errno = EINVAL;
        }
        if (handle >= 0) ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
        internals->target = existing;
    }
    if (handle < 0) return nullptr;
    record->handle = handle;
    record->internals = internals.release();
    return record.release();
}

namespace {

int closeRecord(StandardFile* f, bool commit) {
    bool ok = flushPending(f);
    if (::close(fd(f)) != 0) ok = false;
    StdFileInternals& in = *f->internals;
    if (!in.temporary.empty()) {
        if (ok && commit) {
            ok = ::rename(in.temporary.c_str(), in.target.c_str()) == 0;
            if (ok) {
                // The new name is durable only once its folder is.
                int dirHandle = ::open(folderOf(in.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (dirHandle >= 0) {
                    fsync(dirHandle);
                    ::close(dirHandle);
                }
            }
        }
        if (!ok || !commit) {
            int saved = errno;
            ::unlink(in.temporary.c_str());
            errno = saved;
        }
    }
    freeRecord(f);
    return ok ? 1 : 0;
}

}  // namespace

int StdCloseFile(StandardFile* f) {
    if (!f) return 0;
    if (!f->internals->temporary.empty() && !f->error) {
        if (!flushPending(f) || fsync(fd(f)) != 0) f->error = 1;
    }
    return closeRecord(f, true);
}

int StdAbortFile(StandardFile* f) {
    if (!f) return 0;
    f->internals->pending.clear();
    closeRecord(f, false);
    return 1;
}

int StdFlush(StandardFile* f) {
    if (!f) return 0;
    flushPending(f);
    forgetReadBuffer(f);
    return 1;
}

long StdGetFilePos(StandardFile* f) {
    return f ? static_cast<long>(f->bufferStart) + f->bufferPos : 0;
}

int StdRewind(StandardFile* f) {
    if (!f) return 0;
    StdFlush(f);
    return ::lseek(fd(f), 0, SEEK_SET) == 0 ? 1 : 0;
}

int StdSeek(StandardFile* f, unsigned long offset, unsigned origin) {
    if (!f || origin > 2) return 0;
    StdFlush(f);
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(fd(f), static_cast<off_t>(static_cast<long>(offset)), whence);
    return pos < 0 ? 0 : static_cast<int>(pos);
}

int StdReadFile(StandardFile* f, void* buf, unsigned long n) {
    if (!f || !buf) return 0;
    flushPending(f);
    off_t before = ::lseek(fd(f), 0, SEEK_CUR);
    ssize_t got;
    do {
        got = ::read(fd(f), buf, n);
    } while (got < 0 && errno == EINTR);
    f->remaining = 0;
    f->bufferStart = static_cast<int32_t>(before < 0 ? 0 : before);
    f->bufferPos = static_cast<int32_t>(got < 0 ? 0 : got);
    return got < 0 ? 0 : static_cast<int>(got);
}

int StdWriteFile(StandardFile* f, void* buf, unsigned long n) {
    if (!f || !buf) return 0;
    if (!flushPending(f) || !writeAll(fd(f), static_cast<const char*>(buf), n)) {
        f->error = 1;
        return 0;
    }
    f->bufferPos = static_cast<int32_t>(n);
    return static_cast<int>(n);
}

intptr_t StdGetFileHandle(StandardFile* f) {
    if (!f) return 0;
    flushPending(f);
    return f->handle;
}

namespace kx::files {

// Queues bytes for writing; they reach the system in large pieces.
bool queueWrite(StandardFile* f, const char* data, size_t size) {
    auto& pending = f->internals->pending;
    pending.insert(pending.end(), data, data + size);
    if (pending.size() >= kWriteChunk) return flushPending(f);
    return !f->error;
}

}  // namespace kx::files

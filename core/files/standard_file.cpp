// The buffered text file record: opening, closing, positioning and raw I/O.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "files/files_internal.h"

namespace {

constexpr size_t kWriteChunk = 64 * 1024;

int fd(const StandardFile* f) { return static_cast<int>(f->handle); }

bool replacing(const StandardFile* f) { return f->internals->replacement.fd() >= 0; }

// Hands the pending bytes to the system; a failure sticks to the file.
bool flushPending(StandardFile* f) {
    auto& pending = f->internals->pending;
    if (pending.empty()) return !f->error;
    if (!kx::platform::writeAll(fd(f), pending.data(), pending.size())) {
        f->error = 1;
        f->internals->failure = errno;
    }
    pending.clear();
    return !f->error;
}

void forgetReadBuffer(StandardFile* f) {
    f->bufferStart = 0;
    f->remaining = 0;
    f->bufferPos = 0;
}

void freeRecord(StandardFile* f) {
    std::unique_ptr<StdFileInternals> internals(f->internals);
    std::unique_ptr<StandardFile> record(f);
}

// Opens an existing file to read or update it. Only regular files: a "load"
// statement can name anything, and a pipe or a device is refused, not waited on.
int openExisting(StdFileInternals& in, const char* name, unsigned access) {
    std::string existing = kx::platform::findExisting(name);
    if (existing.empty()) existing = name;
    in.target = existing;
    if (access == 0) return kx::platform::openRegularForReading(existing);
    kx::platform::UniqueFd handle(kx::platform::fileCalls().open(
        existing.c_str(), (access == 1 ? O_WRONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK, 0));
    struct stat st;
    if (!handle || ::fstat(handle.get(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    ::fcntl(handle.get(), F_SETFL, ::fcntl(handle.get(), F_GETFL) & ~O_NONBLOCK);
    return handle.release();
}

}  // namespace

StandardFile* StdOpenFile(const char* name, unsigned long mode) {
    if (!name || !*name) return nullptr;
    auto record = std::make_unique<StandardFile>();
    auto internals = std::make_unique<StdFileInternals>();
    int handle = -1;
    if ((mode & 0x1000) != 0) {
        // The user's scene or database must be on the disk before it takes
        // the old one's place; an export can be made again, and syncing
        // hundreds of megabytes would cost more than the writing.
        const auto durability = (mode & 0x2000) != 0 ? kx::platform::Durability::Unsynced
                                                     : kx::platform::Durability::Synced;
        if (!internals->replacement.begin(name, durability)) return nullptr;
        internals->target = internals->replacement.target();
        handle = internals->replacement.fd();
    } else {
        handle = openExisting(*internals, name, static_cast<unsigned>(mode & 3));
    }
    if (handle < 0) return nullptr;
    record->handle = handle;
    record->internals = internals.release();
    return record.release();
}

namespace {

// Ends the file: a replacing write takes the target's place only when every
// write succeeded and `commit` is asked; otherwise the old file stays.
int closeRecord(StandardFile* f, bool commit) {
    bool ok = flushPending(f);
    StdFileInternals& in = *f->internals;
    // The first failure is the one the user must hear of.
    int reason = in.failure ? in.failure : errno;
    if (replacing(f)) {
        if (ok && commit) {
            ok = in.replacement.commit();
            if (!ok) reason = errno;
        } else {
            in.replacement.abandon();
        }
    } else if (::close(fd(f)) != 0) {
        ok = false;
        reason = errno;
    }
    freeRecord(f);
    errno = reason;
    return ok ? 1 : 0;
}

}  // namespace

int StdCloseFile(StandardFile* f) {
    if (!f) return 0;
    return closeRecord(f, !f->error);
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
    if (!flushPending(f) || !kx::platform::writeAll(fd(f), buf, n)) {
        if (!f->internals->failure) f->internals->failure = errno;
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

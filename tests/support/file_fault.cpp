#include "file_fault.h"

#include "kxplatform/files.h"

namespace kxtest {
namespace {

struct Plan {
    FileFault::Call call = FileFault::Call::Open;
    int nth = 0;
    int error = EIO;
    int seen = 0;
} plan;

bool failNow(FileFault::Call call) {
    if (call != plan.call) return false;
    if (++plan.seen != plan.nth) return false;
    errno = plan.error;
    return true;
}

const kx::platform::FileCalls& real() { return kx::platform::systemFileCalls(); }

int faultyOpen(const char* path, int flags, mode_t mode) {
    return failNow(FileFault::Call::Open) ? -1 : real().open(path, flags, mode);
}
ssize_t faultyWrite(int fd, const void* data, size_t size) {
    return failNow(FileFault::Call::Write) ? -1 : real().write(fd, data, size);
}
int faultyFsync(int fd) { return failNow(FileFault::Call::Fsync) ? -1 : real().fsync(fd); }
int faultyRename(const char* from, const char* to) {
    return failNow(FileFault::Call::Rename) ? -1 : real().rename(from, to);
}
int faultyUnlink(const char* path) { return failNow(FileFault::Call::Unlink) ? -1 : real().unlink(path); }
ssize_t faultyRead(int fd, void* data, size_t size) {
    return failNow(FileFault::Call::Read) ? -1 : real().read(fd, data, size);
}

}  // namespace

FileFault::FileFault(Call call, int nth, int error) {
    plan = Plan{call, nth, error, 0};
    const kx::platform::FileCalls table{faultyOpen, faultyWrite, faultyFsync, faultyRename, faultyUnlink, faultyRead};
    kx::platform::setFileCalls(&table);
}

FileFault::~FileFault() { kx::platform::setFileCalls(nullptr); }

int FileFault::calls() const { return plan.seen; }
bool FileFault::fired() const { return plan.seen >= plan.nth; }

}  // namespace kxtest

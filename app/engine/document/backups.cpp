#include "document/backups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "kxplatform/files.h"

namespace kx::app {

namespace {

constexpr size_t kLargestBackupCopy = size_t{1} << 31;

bool isRegularFile(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string backupName(const std::string& file, int count, int index) {
    return count <= 1 ? file + "~" : file + "~" + std::to_string(index);
}

PendingBackup::PendingBackup(const std::string& file, int count) : file_(file), count_(std::min(count, kMostBackups)) {
    if (count_ <= 0 || !isRegularFile(file)) return;  // nothing to keep
    scratch_ = backupName(file, count_, 1) + ".kxtmp";
    ::unlink(scratch_.c_str());
    // A second name for the same bytes costs nothing, and keeps the old
    // bytes when the save puts a new file in the old one's place.
    if (::link(file.c_str(), scratch_.c_str()) == 0) return;
    std::string bytes;
    held_ = platform::readWholeFile(file, bytes, kLargestBackupCopy) == 0 &&
            platform::replaceFileWith(scratch_, bytes, platform::Durability::Synced);
    if (!held_) scratch_.clear();
}

PendingBackup::~PendingBackup() {
    if (!scratch_.empty()) ::unlink(scratch_.c_str());
}

bool PendingBackup::keep() {
    if (scratch_.empty()) return held_;
    for (int i = count_ - 1; i >= 1; --i)
        std::rename(backupName(file_, count_, i).c_str(), backupName(file_, count_, i + 1).c_str());
    const bool kept = std::rename(scratch_.c_str(), backupName(file_, count_, 1).c_str()) == 0;
    if (kept) scratch_.clear();
    return kept;
}

bool keepBackup(const std::string& file, int count) {
    PendingBackup backup(file, count);
    return backup.keep();
}

}  // namespace kx::app

#include "document/backups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "kxplatform/files.h"

namespace kx::app {

namespace {

constexpr size_t kLargestBackupCopy = size_t{1} << 31;

}  // namespace

std::string backupName(const std::string& file, int count, int index) {
    return count <= 1 ? file + "~" : file + "~" + std::to_string(index);
}

bool keepBackup(const std::string& file, int count) {
    count = std::min(count, kMostBackups);
    if (count <= 0) return true;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;  // nothing to keep yet
    for (int i = count - 1; i >= 1; --i)
        std::rename(backupName(file, count, i).c_str(), backupName(file, count, i + 1).c_str());
    const std::string newest = backupName(file, count, 1);
    // A second name for the same bytes costs nothing; the save then puts a
    // new file in the old one's place, and the backup keeps the old bytes.
    const std::string linking = newest + ".kxtmp";
    ::unlink(linking.c_str());
    if (::link(file.c_str(), linking.c_str()) == 0) {
        if (std::rename(linking.c_str(), newest.c_str()) == 0) return true;
        ::unlink(linking.c_str());
    }
    std::string bytes;
    return platform::readWholeFile(file, bytes, kLargestBackupCopy) == 0 &&
           platform::replaceFileWith(newest, bytes, platform::Durability::Synced);
}

}  // namespace kx::app

// The versions a save keeps: the file as it stood before a save becomes
// "NAME.cad~" (or, keeping several, "NAME.cad~1" the newest up to
// "NAME.cad~9"). The old versions move up only once the new file is whole, so
// a failed save leaves the file and every backup as they were.
#pragma once

#include <string>

namespace kx::app {

inline constexpr int kMostBackups = 9;

// The name of backup `index` (1 the newest) when `count` are kept.
std::string backupName(const std::string& file, int count, int index);

// The file as it stands, held aside under a scratch name before a save
// (hard-linked where the file system allows it, else copied). `keep()`, called
// once the save has succeeded, moves the older backups up and makes it the
// newest; a pending backup never kept is removed and changes nothing.
class PendingBackup {
public:
    PendingBackup(const std::string& file, int count);  // count 0: none kept
    ~PendingBackup();
    PendingBackup(const PendingBackup&) = delete;
    PendingBackup& operator=(const PendingBackup&) = delete;

    // False when the file existed and could not be held aside.
    bool held() const { return held_; }
    // False when there was a version to keep and it could not be kept.
    bool keep();

private:
    std::string file_;
    std::string scratch_;
    int count_;
    bool held_ = true;
};

// Keeps the file as it stands as its newest backup at once (a PendingBackup
// kept straight away). False when the file exists and could not be kept.
bool keepBackup(const std::string& file, int count);

}  // namespace kx::app

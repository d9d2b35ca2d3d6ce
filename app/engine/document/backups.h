// The versions a save keeps: before the scene file is replaced, the file as
// it stands becomes "NAME.cad~" (or, keeping several, "NAME.cad~1" the
// newest up to "NAME.cad~9"). The file itself is replaced only once the new
// one is whole, so a failed save leaves both.
#pragma once

#include <string>

namespace kx::app {

inline constexpr int kMostBackups = 9;

// The name of backup `index` (1 the newest) when `count` are kept.
std::string backupName(const std::string& file, int count, int index);

// Keeps the file as it stands as its newest backup, the older ones moved up
// (count 0: none kept). Hard-linked where the file system allows it, else
// copied. False when the file exists and could not be kept.
bool keepBackup(const std::string& file, int count);

}  // namespace kx::app

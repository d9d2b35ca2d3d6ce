// The user's data folder: where the program keeps the files it reads and writes
// beside itself (renderer definitions, texture databases, render.err).
#pragma once

#include <string>

namespace kx::app {

// The folder the program ships its data in: <prefix>/share/kalvex next to the
// installed program, or the source tree's data folder in a build tree.
std::string shippedDataFolder();

// Creates the user's data folder when needed and copies every shipped file
// that is not there yet (files the user changed are never overwritten).
// Returns the folder; an empty text when it cannot be created.
std::string prepareUserDataFolder(const std::string& userFolder, const std::string& shippedFolder);

}  // namespace kx::app

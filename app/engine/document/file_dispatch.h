// Opening and saving scene files by file type: what the file commands (and
// later plug-ins and scripts) go through.
#pragma once

#include <string>

#include "settings/settings.h"

namespace kx::app {

// Types above this belong to plug-ins, which bring their own readers and writers.
inline constexpr unsigned kLastBuiltInFileType = 41;
// File type kFirstPluginFileType + n is the n-th plug-in item.
inline constexpr unsigned kFirstPluginFileType = kLastBuiltInFileType + 1;

// Reads a file into the current scene. Type 0 takes the type from the file's
// extension; 1 is the native scene reader; other known types go through the
// import dispatcher. The process changes to the file's folder first. An
// unknown type shows "Error unknown file type: %s". Returns 1 on success.
int openSceneFile(const std::string& path, unsigned type);

// Writes the current scene (or the first selected object, for the point and
// facet file types) by type, type 0 meaning the extension's. The camera's
// image size becomes the render size first. Returns 1 on success.
int saveSceneFile(const std::string& path, unsigned type, const Settings& settings);

}  // namespace kx::app

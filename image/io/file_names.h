// File-name rules of the image files: extensions are looked for in the last
// path component only, and names generated in one case find files written in
// another.
#pragma once

#include <string>
#include <string_view>

namespace kx::io {

// Offset of the last path component ("/" and "\" both separate).
size_t lastComponentStart(std::string_view name);
// The extension of the last component including its ".", or "" without one.
std::string_view extensionOf(std::string_view name);
bool equalNoCase(std::string_view a, std::string_view b);

// name + ext unless the last component already holds a ".".
std::string addExtension(std::string_view name, std::string_view ext);
// The last component's extension (if any) replaced by ext.
std::string replaceExtension(std::string_view name, std::string_view ext);
// As replaceExtension, but an extension equal to ext apart from case is kept.
std::string forceExtension(std::string_view name, std::string_view ext);

// Opens a regular file for reading (O_CLOEXEC); when the exact name is missing,
// a file of the same name apart from case in that folder is opened. -1 (errno
// set) when neither exists or the name is a folder, pipe or device.
int openForReading(const std::string& path);

}  // namespace kx::io

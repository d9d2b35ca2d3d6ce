// Reading a file into a user texture's free-form text.
#pragma once

#include <string>

namespace kx::app {

// The free-form text holds at most this many characters (its room less the end).
inline constexpr size_t kFreeFormMax = 1023;

// Reads the whole file as a free-form texture text. Shows "Unable to open file
// %s" or "Empty file" as the builder does, and refuses a file too large for
// the text or holding a NUL (cutting it would break its braces). False then.
bool importTextureText(const std::string& path, std::string& text);

}  // namespace kx::app

// Reporting inside the library.
#pragma once

namespace kx::image {

// Keeps text as the last message and shows it (while display is on) with caption.
void reportWithCaption(const char* caption, const char* text);

}  // namespace kx::image

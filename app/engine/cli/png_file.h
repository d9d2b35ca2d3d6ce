// PNG pictures for the desktop (thumbnails): 8-bit RGB, written whole or not
// at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx::app {

// Writes width x height pixels, rows top first, each pixel 0xAARRGGBB as the
// preview delivers them (the alpha byte is not written). The file is written beside the target and renamed
// over it once complete, so a failure leaves whatever stood there. False,
// with `error` set, when it could not be written.
bool writePngFile(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height,
                  std::string& error);

}  // namespace kx::app

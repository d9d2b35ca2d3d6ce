// Helpers shared by the parts of the library that fill the current image.
#pragma once

#include <array>
#include <cstdint>

namespace kx::image {

// The palette as surface pixels, entry by entry.
std::array<uint32_t, 256> paletteColours();
// Frees the scratch buffer and the kept palette indices.
void releaseScratch();
// Records the size and depth of the file being read in the information record.
void recordSource(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
// Width rounded up to a multiple of 4, as the readers size the surface.
constexpr int roundUp4(int64_t width) {
    return width <= 0 ? 0 : (width > (1 << 20) ? (1 << 20) : static_cast<int>((width + 3) & ~int64_t{3}));
}

}  // namespace kx::image

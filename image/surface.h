// The library's drawing surfaces: 32-bit pixel buffers reached through opaque
// handles. A surface's device-context handle and bitmap handle are two
// distinct addresses inside it; handles are looked up in a table of live
// surfaces, so a stale or foreign handle is recognised instead of followed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pixmo/types.h"

namespace kx::image {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

inline uint32_t packRgb(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}
// 0xFFRRGGBB to the 0x00BBGGRR colour of the interface.
inline uint32_t toColorRef(uint32_t px) {
    return ((px >> 16) & 0xFF) | (px & 0xFF00) | ((px & 0xFF) << 16);
}

class Surface {
public:
    // A white surface; null when the pixels cannot be allocated.
    static std::unique_ptr<Surface> create(int width, int height);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const uint32_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    void fill(uint32_t px);
    PxBits bits() const { return {pixels_.data(), width_, height_, width_}; }

    HDC dc() { return reinterpret_cast<HDC>(&dcTag_); }
    HBITMAP bitmap() { return reinterpret_cast<HBITMAP>(&bitmapTag_); }

    // The live surface behind a handle, or null.
    static Surface* fromDc(HDC dc);
    static Surface* fromBitmap(HBITMAP bitmap);

private:
    Surface(int width, int height);

    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
    char dcTag_ = 0;
    char bitmapTag_ = 0;
};

// Copies src into dst at (x, y), clipped to dst.
void blit(Surface& dst, const PxBits& src, int x, int y);
// Stretches src into the rectangle of dst (nearest pixel), clipped to dst.
void stretchBlit(Surface& dst, const PxBits& src, const RECT& rect);

}  // namespace kx::image

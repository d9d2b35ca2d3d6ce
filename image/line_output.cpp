// Line output: readers hand over one decoded row at a time. Rows outside the
// image and pixels past its right edge are dropped, never written.
#include <algorithm>
#include <cstring>

#include "current_image.h"
#include "image_state.h"
#include "surface.h"

namespace kx::image {
namespace {

enum class Source { Indices, Bgr };

// Copy-bits mode: the row goes into the scratch buffer.
int toScratch(int row, const uint8_t* bytes, const uint8_t* mask, int count, Source kind) {
    Scratch& s = state().image.scratch;
    if (s.bytesPerPixel == 0) return 0;
    if (row < 0 || row >= s.height) return 1;
    int n = std::min(count, s.width);
    uint8_t* dst = s.bytes.data() +
                   static_cast<size_t>(s.height - row - 1) * s.width * s.bytesPerPixel;
    if (s.bytesPerPixel == 1) {
        if (kind == Source::Bgr) return 0;  // a palette image has no room for colours
        if (!mask) {
            std::memcpy(dst, bytes, static_cast<size_t>(n));
            return 1;
        }
        for (int x = 0; x < n; ++x)
            if (mask[x]) dst[x] = bytes[x];
        return 1;
    }
    if (kind == Source::Bgr && !mask) {
        std::memcpy(dst, bytes, static_cast<size_t>(n) * 3);
        return 1;
    }
    const auto& pal = state().palette.rgb;
    for (int x = 0; x < n; ++x, dst += 3) {
        if (mask && !mask[x]) continue;
        if (kind == Source::Bgr) {
            std::memcpy(dst, bytes + 3 * x, 3);
        } else {
            const uint8_t* c = &pal[3 * size_t{bytes[x]}];
            dst[0] = c[2];
            dst[1] = c[1];
            dst[2] = c[0];
        }
    }
    return 1;
}

// Direct mode: each pixel is set on the surface, shifted by the offset.
int toSurface(int row, const uint8_t* bytes, const uint8_t* mask, int count, Source kind) {
    CurrentImage& img = state().image;
    Surface* surface = img.surface.get();
    if (!surface) return 0;
    int64_t y = int64_t{row} + img.yOffset;
    if (row < 0 || y < 0 || y >= surface->height()) return 1;
    int64_t first = std::max<int64_t>(0, -int64_t{img.xOffset});
    int64_t last = std::min<int64_t>(count, int64_t{surface->width()} - img.xOffset);
    uint32_t* out = surface->row(static_cast<int>(y));
    bool indices = kind == Source::Indices && img.indices.size() ==
                                                  static_cast<size_t>(surface->width()) *
                                                      surface->height();
    std::array<uint32_t, 256> colours{};
    if (kind == Source::Indices) colours = paletteColours();
    for (int64_t x = first; x < last; ++x) {
        if (mask && !mask[x]) continue;
        int64_t at = x + img.xOffset;
        if (kind == Source::Bgr) {
            const uint8_t* p = bytes + 3 * x;
            out[at] = packRgb(p[2], p[1], p[0]);
        } else {
            out[at] = colours[bytes[x]];
            if (indices) img.indices[static_cast<size_t>(y) * surface->width() + at] = bytes[x];
        }
    }
    return 1;
}

int outputLine(int row, const uint8_t* bytes, const uint8_t* mask, int count, Source kind) {
    CurrentImage& img = state().image;
    if (img.abort || !bytes || count <= 0) return 0;
    return img.copyBits ? toScratch(row, bytes, mask, count, kind)
                        : toSurface(row, bytes, mask, count, kind);
}

}  // namespace
}  // namespace kx::image

using kx::image::outputLine;
using kx::image::Source;

int out_line(int row, const unsigned char* bytes, int count) {
    return outputLine(row, bytes, nullptr, count, Source::Indices);
}

int out_line_ex(int row, const unsigned char* bytes, const unsigned char* mask, int count) {
    return mask ? outputLine(row, bytes, mask, count, Source::Indices) : 0;
}

int out_line24(int row, const unsigned char* bytes, int count) {
    return outputLine(row, bytes, nullptr, count, Source::Bgr);
}

int out_line24_ex(int row, const unsigned char* bytes, const unsigned char* mask, int count) {
    return mask ? outputLine(row, bytes, mask, count, Source::Bgr) : 0;
}

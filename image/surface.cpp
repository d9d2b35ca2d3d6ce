#include "surface.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image_state.h"

namespace kx::image {

Surface::Surface(int width, int height) : width_(width), height_(height) {}

std::unique_ptr<Surface> Surface::create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<Surface> s(new (std::nothrow) Surface(width, height));
    if (!s) return nullptr;
    try {
        s->pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), kWhite);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    SurfaceTable& table = state().surfaces;
    table.byDc[s->dc()] = s.get();
    table.byBitmap[s->bitmap()] = s.get();
    return s;
}

Surface::~Surface() {
    SurfaceTable& table = state().surfaces;
    table.byDc.erase(dc());
    table.byBitmap.erase(bitmap());
}

void Surface::fill(uint32_t px) { std::fill(pixels_.begin(), pixels_.end(), px); }

Surface* Surface::fromDc(HDC dc) {
    if (!dc) return nullptr;
    auto& map = state().surfaces.byDc;
    auto it = map.find(dc);
    return it == map.end() ? nullptr : it->second;
}

Surface* Surface::fromBitmap(HBITMAP bitmap) {
    if (!bitmap) return nullptr;
    auto& map = state().surfaces.byBitmap;
    auto it = map.find(bitmap);
    return it == map.end() ? nullptr : it->second;
}

void blit(Surface& dst, const PxBits& src, int x, int y) {
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(dst.width(), x + src.width);
    int y1 = std::min(dst.height(), y + src.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int row = y0; row < y1; ++row) {
        const uint32_t* from = src.pixels + static_cast<size_t>(row - y) * src.stride + (x0 - x);
        std::memmove(dst.row(row) + x0, from, static_cast<size_t>(x1 - x0) * sizeof(uint32_t));
    }
}

void stretchBlit(Surface& dst, const PxBits& src, const RECT& rect) {
    int64_t w = int64_t{rect.right} - rect.left;
    int64_t h = int64_t{rect.bottom} - rect.top;
    if (w <= 0 || h <= 0 || src.width <= 0 || src.height <= 0) return;
    int x0 = static_cast<int>(std::max<int64_t>(0, rect.left));
    int y0 = static_cast<int>(std::max<int64_t>(0, rect.top));
    int x1 = static_cast<int>(std::min<int64_t>(dst.width(), rect.right));
    int y1 = static_cast<int>(std::min<int64_t>(dst.height(), rect.bottom));
    for (int y = y0; y < y1; ++y) {
        int64_t sy = (int64_t{y} - rect.top) * src.height / h;
        const uint32_t* from = src.pixels + static_cast<size_t>(sy) * src.stride;
        uint32_t* to = dst.row(y);
        for (int x = x0; x < x1; ++x) to[x] = from[(int64_t{x} - rect.left) * src.width / w];
    }
}

}  // namespace kx::image

// The one current image: its surface, scratch buffer, flags and information record.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "current_image.h"
#include "image_state.h"
#include "messages.h"
#include "surface.h"

namespace kx::image {

std::array<uint32_t, 256> paletteColours() {
    std::array<uint32_t, 256> out{};
    const auto& rgb = state().palette.rgb;
    for (size_t i = 0; i < 256; ++i) out[i] = packRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    return out;
}

void releaseScratch() {
    Scratch& s = state().image.scratch;
    std::vector<uint8_t>().swap(s.bytes);
    s = Scratch{};
}

void recordSource(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    PxImageInfo& info = state().image.info;
    info.sourceWidth = width;
    info.sourceHeight = height;
    info.bitsPerPixel = bitsPerPixel;
}

namespace {

constexpr int kMaxSide = 4096;

int displayDepth() {
    const PxDrawCallbacks& d = state().draw;
    return d.displayDepth ? d.displayDepth(d.context) : 32;
}

void transfer(Surface& dst, const Scratch& scratch, bool trueColour) {
    int rows = std::min(scratch.height, dst.height());
    int cols = std::min(scratch.width, dst.width());
    size_t stride = static_cast<size_t>(scratch.width) * scratch.bytesPerPixel;
    CurrentImage& img = state().image;
    if (trueColour && scratch.bytesPerPixel == 3) {
        for (int y = 0; y < rows; ++y) {
            const uint8_t* src = scratch.bytes.data() + (scratch.height - y - 1) * stride;
            uint32_t* out = dst.row(y);
            for (int x = 0; x < cols; ++x, src += 3) out[x] = packRgb(src[2], src[1], src[0]);
        }
        return;
    }
    if (scratch.bytesPerPixel != 1) return;
    std::array<uint32_t, 256> colours = paletteColours();
    bool keepIndices = dst.dc() == pxGetMemDC();
    if (keepIndices) {
        try {
            img.indices.assign(static_cast<size_t>(dst.width()) * dst.height(), 0);
        } catch (const std::bad_alloc&) {
            keepIndices = false;
        }
    }
    for (int y = 0; y < rows; ++y) {
        const uint8_t* src = scratch.bytes.data() + (scratch.height - y - 1) * stride;
        uint32_t* out = dst.row(y);
        for (int x = 0; x < cols; ++x) out[x] = colours[src[x]];
        if (keepIndices)
            std::memcpy(img.indices.data() + static_cast<size_t>(y) * dst.width(), src,
                        static_cast<size_t>(cols));
    }
}

}  // namespace

}  // namespace kx::image

using kx::image::state;
using kx::image::Surface;

int pxSetNewBuffer(HWND window, int width, int height) {
    kx::image::CurrentImage& img = state().image;
    if (!img.initEnabled && img.valid) return 1;
    if (width < 1 || width > kx::image::kMaxSide || height < 1 || height > kx::image::kMaxSide) {
        kx::image::reportWithCaption("View", "Invalid Image Size!!");
        pxFreeMemoryDC();
        img.info = PxImageInfo{};
        return 0;
    }
    // A surface of the same size is cleared and kept: reading one render after
    // another then costs no fresh allocation.
    std::unique_ptr<Surface> reuse;
    if (img.surface && img.surface->width() == width && img.surface->height() == height)
        reuse = std::move(img.surface);
    pxFreeMemoryDC();
    if (window && !img.owner) img.owner = window;
    if (reuse) {
        reuse->fill(kx::image::kWhite);
        img.surface = std::move(reuse);
    } else {
        img.surface = Surface::create(width, height);
    }
    if (!img.surface) {
        ErrorMessage("Fatal Error: Creating Image Buffer\n");
        return 0;
    }
    img.width = width;
    img.height = height;
    img.hiColour = kx::image::displayDepth() >= 9;
    if (!img.hiColour) pxGradPalette();
    PxImageInfo& info = img.info;
    info.width = info.sourceWidth = static_cast<uint32_t>(width);
    info.height = info.sourceHeight = static_cast<uint32_t>(height);
    info.hiColor = img.hiColour ? 1 : 0;
    info.trueColor = img.trueColour ? 1 : 0;
    img.valid = true;
    return 1;
}

int pxInitDisplay(int width, int height, int trueColour) {
    kx::image::CurrentImage& img = state().image;
    img.trueColour = trueColour != 0;
    img.info.trueColor = img.trueColour ? 1 : 0;
    if (!pxSetNewBuffer(img.owner, width, height)) return 0;
    img.copyBits = true;
    kx::image::releaseScratch();
    int bpp = img.trueColour ? 3 : 1;
    kx::image::Scratch& s = img.scratch;
    try {
        // Rows a reader never delivers show white, or palette entry 0.
        s.bytes.assign(static_cast<size_t>(width) * height * bpp, img.trueColour ? 0xFF : 0);
    } catch (const std::bad_alloc&) {
        long kib = static_cast<long>(int64_t{width} * height * (img.trueColour ? 4 : 2) / 1024);
        ErrorMessage("Fatal Error: Out of Global Memory (%ld)", kib);
        return 0;
    }
    s.width = width;
    s.height = height;
    s.bytesPerPixel = bpp;
    return 1;
}

int pxCopyBits(HDC context, HBITMAP bitmap) {
    kx::image::CurrentImage& img = state().image;
    Surface* dst = Surface::fromDc(context);
    if (!dst) dst = Surface::fromBitmap(bitmap);
    if (dst && img.copyBits && !img.abort && img.scratch.bytesPerPixel)
        kx::image::transfer(*dst, img.scratch, img.trueColour);
    kx::image::releaseScratch();
    return dst ? 1 : 0;
}

int pxUpdateMemoryDC() { return pxCopyBits(pxGetMemDC(), pxGetMemBitmap()); }

HDC pxGetMemDC() {
    auto& s = state().image.surface;
    return s ? s->dc() : nullptr;
}

HBITMAP pxGetMemBitmap() {
    auto& s = state().image.surface;
    return s ? s->bitmap() : nullptr;
}

void pxFreeMemoryDC() {
    kx::image::CurrentImage& img = state().image;
    kx::image::releaseScratch();
    std::vector<uint8_t>().swap(img.indices);
    img.surface.reset();
    img.valid = false;
    img.width = img.height = 0;
}

int pxGetSurfaceBits(HDC surface, PxBits* bits) {
    Surface* s = Surface::fromDc(surface);
    if (!s || !bits) return 0;
    *bits = s->bits();
    return 1;
}

uint32_t pxGetPixelRGB(HDC surface, int x, int y) {
    Surface* s = surface ? Surface::fromDc(surface) : state().image.surface.get();
    if (!s || x < 0 || y < 0 || x >= s->width() || y >= s->height()) return 0xFFFFFFFFu;
    return kx::image::toColorRef(s->row(y)[x]);
}

int pxIsHiColor() { return state().image.hiColour ? 1 : 0; }
int pxIsGrayScale() { return state().image.greyScale ? 1 : 0; }

void pxSetOffset(int x, int y) {
    kx::image::CurrentImage& img = state().image;
    img.xOffset = x;
    img.yOffset = y;
    img.info.xOffset = static_cast<uint32_t>(x);
    img.info.yOffset = static_cast<uint32_t>(y);
}

int pxGetCopyBits() { return state().image.copyBits ? 1 : 0; }
void pxSetCopyBits(int on) { state().image.copyBits = on != 0; }
void pxEnableInit(int on) { state().image.initEnabled = on != 0; }

int pxSetAbort(HWND, int on) {
    bool previous = state().image.abort;
    state().image.abort = on != 0;
    return previous ? 1 : 0;
}

int pxGetImageInfoEx(PxImageInfo* record, int which) {
    if (!record || which != 0) return 0;
    *record = state().image.info;
    return 1;
}

int pxGetImageInfo(PxImageInfo* record) { return pxGetImageInfoEx(record, 0); }

void pxInitImageInfo() {
    state().image.info = PxImageInfo{};
    state().image.initEnabled = true;
}

int pxDisplayImageHandle(HWND window, HBITMAP bitmap) {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    const PxDrawCallbacks& draw = state().draw;
    try {
        if (Surface* own = Surface::fromBitmap(bitmap)) {
            width = own->width();
            height = own->height();
            // Copied first: the source may be the very surface about to be replaced.
            pixels.assign(own->row(0), own->row(0) + static_cast<size_t>(width) * height);
        } else if (bitmap && draw.readBitmap &&
                   draw.readBitmap(draw.context, bitmap, &width, &height, nullptr) && width > 0 &&
                   height > 0 && width <= 4096 && height <= 4096) {
            pixels.resize(static_cast<size_t>(width) * height);
            if (!draw.readBitmap(draw.context, bitmap, &width, &height, pixels.data()))
                width = 0;
        }
    } catch (const std::bad_alloc&) {
        width = 0;
    }
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) {
        ErrorMessage("Error getting bitmap information");
        return 0;
    }
    if (!pxSetNewBuffer(window, width, height)) return 0;
    Surface& dst = *state().image.surface;
    kx::image::blit(dst, PxBits{pixels.data(), width, height, width}, 0, 0);
    state().image.valid = true;
    return 1;
}

// Records and constants of the image library's interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kxplatform/handles.h"
#include "kxplatform/ui_callbacks.h"

#define PIXMO_API __attribute__((visibility("default")))

// Image kinds, chosen from a file name's last extension.
enum : int {
    PX_IMAGE_UNKNOWN = 0,
    PX_IMAGE_GIF = 1,
    PX_IMAGE_BMP = 2,
    PX_IMAGE_PCX = 3,
    PX_IMAGE_TGA = 4,
    PX_IMAGE_RAW = 5,
    PX_IMAGE_RGB = 6,
    PX_IMAGE_COM = 7,
    PX_IMAGE_RAS = 8,
    PX_IMAGE_ILBM = 9,
    PX_IMAGE_CRD = 10,
    PX_IMAGE_JPG = 11,
};

// The information record of the current image: 13 unsigned 32-bit fields.
struct PxImageInfo {
    uint32_t width;
    uint32_t height;
    uint32_t xOffset;
    uint32_t yOffset;
    uint32_t reserved0;
    uint32_t trueColor;
    uint32_t grayScale;
    uint32_t hiColor;
    uint32_t sourceWidth;
    uint32_t sourceHeight;
    uint32_t bitsPerPixel;
    uint32_t reserved1;
    uint32_t reserved2;
};
static_assert(sizeof(PxImageInfo) == 52);
static_assert(offsetof(PxImageInfo, trueColor) == 20);
static_assert(offsetof(PxImageInfo, sourceWidth) == 32);
static_assert(offsetof(PxImageInfo, bitsPerPixel) == 40);

// What ReadInfoTGA and ReadInfoBMP learn from a file's header.
struct PxFileInfo {
    uint32_t width;
    uint32_t height;
    uint32_t bitsPerPixel;
    uint32_t type;  // the image kind (PX_IMAGE_TGA, PX_IMAGE_BMP)
};
static_assert(sizeof(PxFileInfo) == 16);

// A viewport: an off-screen surface of a fixed size. `valid` is 1 while it lives.
struct PxViewport {
    HDC dc;
    HBITMAP bitmap;
    HBITMAP oldBitmap;
    int32_t valid;
    int32_t width;
    int32_t height;
};
static_assert(sizeof(PxViewport) == 40);
static_assert(offsetof(PxViewport, valid) == 24);
static_assert(offsetof(PxViewport, height) == 32);

// The pixels of a surface: rows top-down, `stride` pixels apart, each pixel a
// 32-bit 0xFFRRGGBB value (blue, green, red, 255 in memory order).
struct PxBits {
    const uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;
};
static_assert(sizeof(PxBits) == 24);

// The drawing services of the program: painting a surface into one of its
// windows, repainting, the display depth and reading its own bitmaps. Every
// member may be null; targets that are the library's own surfaces never reach
// this table. Append new members at the end only.
struct PxDrawCallbacks {
    unsigned size;  // sizeof(PxDrawCallbacks) of the table's author
    void* context;  // handed back to every callback

    // Copies the image to the target at (x, y), natural size; 1 on success.
    int (*paint)(void* context, HDC target, const PxBits* image, int x, int y);
    // Stretches the image into the rectangle of the target; 1 on success.
    int (*stretch)(void* context, HDC target, const PxBits* image, const RECT* dest);
    // Marks a window for repainting.
    void (*invalidate)(void* context, HWND window);
    // Bits per pixel (times planes) of the display; 32 when null.
    int (*displayDepth)(void* context);
    // Reads a bitmap of the program: its size always, and its pixels (rows
    // top-down, width pixels each, 0xFFRRGGBB) when `pixels` is not null.
    int (*readBitmap)(void* context, HBITMAP bitmap, int* width, int* height, uint32_t* pixels);
};

#include <array>
#include <cstring>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

const uint8_t kRed[3] = {0, 0, 255};  // blue, green, red

TEST_F(PixmoTest, NewBufferAcceptsOnlySidesFrom1To4096) {
    struct Case {
        int width, height;
        bool ok;
    } cases[] = {{1, 1, true},     {4096, 4096, true}, {4097, 10, false},
                 {10, 4097, false}, {0, 10, false},    {-4, 10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        ui.clear();
        ASSERT_TRUE(pxSetNewBuffer(window(), 2, 2));  // something valid to lose
        EXPECT_EQ(pxSetNewBuffer(window(), c.width, c.height), c.ok ? 1 : 0);
        PxImageInfo info;
        ASSERT_EQ(pxGetImageInfo(&info), 1);
        if (c.ok) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(info.width, static_cast<uint32_t>(c.width));
            EXPECT_EQ(info.sourceHeight, static_cast<uint32_t>(c.height));
            EXPECT_EQ(pxGetPixelRGB(nullptr, c.width - 1, c.height - 1), 0xFFFFFFu);  // white
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, "Invalid Image Size!!");
            EXPECT_EQ(ui.messages[0].caption, "View");
            EXPECT_EQ(pxGetMemDC(), nullptr);
            EXPECT_EQ(pxPaintMemoryDC(pxGetMemDC()), 0);
            EXPECT_EQ(info.width, 0u);
        }
    }
}

TEST_F(PixmoTest, GradedPaletteAndAnEightBitDisplay) {
    PxDrawCallbacks draw{};
    draw.size = sizeof draw;
    draw.displayDepth = [](void*) { return 8; };
    pxSetDrawCallbacks(&draw);
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    EXPECT_EQ(pxIsHiColor(), 0);
    const unsigned char* p = pxGetImagePalette();
    struct Entry {
        int index;
        uint8_t r, g, b;
    } entries[] = {{0, 0, 0, 0}, {1, 0, 0, 64}, {17, 64, 0, 64}, {100, 128, 64, 0}, {255, 192, 192, 192}};
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(p[3 * e.index], e.r);
        EXPECT_EQ(p[3 * e.index + 1], e.g);
        EXPECT_EQ(p[3 * e.index + 2], e.b);
    }
    pxSetDrawCallbacks(nullptr);
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    EXPECT_EQ(pxIsHiColor(), 1);
}

TEST_F(PixmoTest, PaletteLimitsAndRealisation) {
    std::vector<unsigned char> big(300 * 3, 7);
    EXPECT_EQ(pxCreatePalette(300, big.data()), 1);  // only 256 entries are taken
    EXPECT_EQ(pxGetImagePalette()[765], 7);
    EXPECT_EQ(pxInitPalette(16), 0);
    EXPECT_EQ(lastBox(), "Error: Invalid Device Context");
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    EXPECT_EQ(pxInitPalette(0), 0);
    EXPECT_EQ(lastBox(), "Error Intializing System Palette");
    EXPECT_EQ(pxInitPalette(256), 1);

    static int invalidated = 0;
    PxDrawCallbacks draw{};
    draw.size = sizeof draw;
    draw.invalidate = [](void*, HWND) { ++invalidated; };
    pxSetDrawCallbacks(&draw);
    EXPECT_EQ(pxUpdatePalette(window()), 256);
    EXPECT_EQ(invalidated, 1);
    EXPECT_EQ(pxUpdatePalette(window()), 0);  // nothing changed: no repaint
    pxGetImagePalette()[0] = 1;
    EXPECT_EQ(pxUpdatePaletteEx(window(), nullptr, 0), 1);
    EXPECT_EQ(invalidated, 1);
}

// Copy-bits mode: rows outside the image and pixels past its width are dropped.
TEST_F(PixmoTest, LineOutputIsClippedToTheScratchBuffer) {
    ASSERT_TRUE(pxInitDisplay(4, 3, 1));
    std::vector<uint8_t> row(3 * 100, 0x40);
    struct Case {
        int row, count, result;
    } cases[] = {{-1, 4, 1}, {3, 4, 1}, {1000000, 4, 1}, {0, 100, 1}, {2, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(out_line24(c.row, row.data(), c.count), c.result);
    }
    EXPECT_EQ(out_line24(1, kRed, 1), 1);
    ASSERT_EQ(pxUpdateMemoryDC(), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 3, 0), 0x404040u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 1), 0x0000FFu);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 3, 2), 0xFFFFFFu);  // never written
    // The scratch buffer is gone after the copy: further lines are refused.
    EXPECT_EQ(out_line24(0, row.data(), 4), 0);
    EXPECT_EQ(out_line(0, row.data(), 4), 0);
}

TEST_F(PixmoTest, LineOutputRefusesWhileAbortingAndMismatchedKinds) {
    ASSERT_TRUE(pxInitDisplay(4, 2, 0));
    uint8_t indices[4] = {1, 2, 3, 4};
    EXPECT_EQ(out_line24(0, indices, 1), 0);  // colours do not fit a palette image
    EXPECT_EQ(pxSetAbort(window(), 1), 0);
    EXPECT_EQ(out_line(0, indices, 4), 0);
    EXPECT_EQ(pxSetAbort(window(), 0), 1);
    EXPECT_EQ(out_line(0, indices, 4), 1);
    uint8_t mask[4] = {1, 0, 1, 0};
    uint8_t zeros[4] = {0, 0, 0, 0};
    EXPECT_EQ(out_line_ex(1, indices, mask, 4), 1);
    EXPECT_EQ(out_line_ex(0, zeros, mask, 4), 1);
    EXPECT_EQ(out_line_ex(0, zeros, nullptr, 4), 0);
    unsigned char pal[5 * 3] = {0, 0, 0, 10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0};
    pxCreatePalette(5, pal);
    ASSERT_EQ(pxUpdateMemoryDC(), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), 0u);  // masked over with index 0
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), 20u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 1), 30u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 3, 1), 0u);  // masked out: still index 0
    EXPECT_EQ(pxLoadViewPortEx(1, 0), 2);
    EXPECT_EQ(pxLoadViewPortEx(9, 9), 0);
}

// Direct mode: pixels go straight to the surface, shifted by the offset.
TEST_F(PixmoTest, DirectLineOutputHonoursTheOffsetAndClips) {
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    pxSetCopyBits(0);
    pxSetOffset(2, 1);
    uint8_t bgr[3 * 4] = {0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4};
    EXPECT_EQ(out_line24(0, bgr, 4), 1);
    EXPECT_EQ(out_line24(3, bgr, 4), 1);   // lands below the surface
    EXPECT_EQ(out_line24(-3, bgr, 4), 1);  // above it
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 1), 1u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 3, 1), 2u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), 0xFFFFFFu);
    pxSetOffset(-3, 0);
    EXPECT_EQ(out_line24(0, bgr, 4), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), 4u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), 0xFFFFFFu);
    PxImageInfo info;
    pxGetImageInfo(&info);
    EXPECT_EQ(static_cast<int32_t>(info.xOffset), -3);
    pxFreeMemoryDC();
    EXPECT_EQ(out_line24(0, bgr, 4), 0);  // no surface
}

// Reading with initialisation disabled draws a larger file into the image
// that is already there, clipped to it.
TEST_F(PixmoTest, ReadingIntoASmallerImageWithInitialisationDisabled) {
    Picture big = makePicture(12, 12, 200);
    showPicture(big);
    ASSERT_EQ(WriteTGA(pxGetMemDC(), "big.tga"), 1);
    ASSERT_TRUE(pxSetNewBuffer(window(), 8, 8));
    pxEnableInit(0);
    pxSetCopyBits(0);
    pxSetOffset(2, 3);
    EXPECT_EQ(ReadTGA("big.tga"), 1);
    pxEnableInit(1);
    PxBits bits;
    ASSERT_EQ(pxGetSurfaceBits(pxGetMemDC(), &bits), 1);
    EXPECT_EQ(bits.width, 8);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 3), colorRef(big.at(0, 0)));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 7, 7), colorRef(big.at(5, 4)));
}

TEST_F(PixmoTest, DisplayImageHandleCopiesABitmap) {
    PxViewport* v = pxCreateViewport(window(), 3, 2);
    ASSERT_NE(v, nullptr);
    ASSERT_TRUE(pxSetNewBuffer(window(), 3, 2));
    uint8_t bgr[3] = {9, 8, 7};
    pxSetCopyBits(0);
    out_line24(1, bgr, 1);
    pxPaintMemoryDC(v->dc);
    EXPECT_EQ(pxDisplayImageHandle(window(), v->bitmap), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 1), 0x090807u);
    // The current image's own bitmap can be copied onto itself.
    EXPECT_EQ(pxDisplayImageHandle(window(), pxGetMemBitmap()), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 1), 0x090807u);

    EXPECT_EQ(pxDisplayImageHandle(window(), reinterpret_cast<HBITMAP>(v)), 0);
    EXPECT_EQ(lastBox(), "Error getting bitmap information");

    // A bitmap of the program is read through its drawing table.
    PxDrawCallbacks draw{};
    draw.size = sizeof draw;
    draw.readBitmap = [](void*, HBITMAP, int* w, int* h, uint32_t* pixels) {
        *w = 2;
        *h = 1;
        if (pixels) pixels[0] = pixels[1] = 0xFF102030u;
        return 1;
    };
    pxSetDrawCallbacks(&draw);
    EXPECT_EQ(pxDisplayImageHandle(window(), reinterpret_cast<HBITMAP>(0x99)), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), 0x302010u);
    pxReleaseViewport(v);
}

}  // namespace
}  // namespace kxtest

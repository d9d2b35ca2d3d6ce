#include <string>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

TEST_F(PixmoTest, ViewportsStartWhiteAndCopyTheImage) {
    PxViewport* blank = pxCreateViewport(window(), 5, 3);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->valid, 1);
    EXPECT_EQ(blank->width, 5);
    EXPECT_EQ(pxGetPixelRGB(blank->dc, 4, 2), 0xFFFFFFu);
    EXPECT_EQ(pxCreateViewportFromImage(window()), nullptr);  // no image yet

    Picture p = makePicture(6, 4, 50);
    showPicture(p);
    PxViewport* copy = pxCreateViewportFromImage(window());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->height, 4);
    EXPECT_EQ(pxGetPixelRGB(copy->dc, 5, 3), colorRef(p.at(5, 3)));
    EXPECT_EQ(pxCopyImageToViewport(blank), 1);  // clipped to the viewport
    EXPECT_EQ(pxGetPixelRGB(blank->dc, 4, 2), colorRef(p.at(4, 2)));

    // A viewport outlives the image it was copied from.
    pxFreeMemoryDC();
    EXPECT_EQ(pxGetPixelRGB(copy->dc, 0, 0), colorRef(p.at(0, 0)));
    pxReleaseViewport(copy);
    pxReleaseViewport(blank);
}

TEST_F(PixmoTest, ViewportArgumentsAreChecked) {
    EXPECT_EQ(pxCreateViewport(window(), 0, 5), nullptr);
    EXPECT_EQ(lastBox(), "Error allocating image view port");
    EXPECT_EQ(pxCreateViewport(window(), 5000, 5), nullptr);
    PxViewport* v = pxCreateViewport(window(), 2, 2);
    PxViewport stranger = *v;
    pxReleaseViewport(v);
    struct Case {
        const char* what;
        PxViewport* viewport;
    } cases[] = {{"null", nullptr}, {"released", v}, {"not ours", &stranger}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        EXPECT_EQ(pxCopyImageToViewport(c.viewport), 0);
        EXPECT_EQ(lastBox(), "Invalid image view argument");
        EXPECT_EQ(pxSaveViewPortEx(c.viewport, "x.tga", 1), 0);
        EXPECT_EQ(pxPaintViewportEx(c.viewport, nullptr, 0, 0, 0, 0, 0), 0);
    }
    pxReleaseViewport(nullptr);
    pxReleaseViewport(v);  // twice: nothing happens
}

// Viewports are saved at their own size, by the kind of the name.
TEST_F(PixmoTest, SavingAViewportByKind) {
    Picture p = makePicture(6, 3, 40);
    showPicture(p);
    PxViewport* v = pxCreateViewportFromImage(window());
    ASSERT_TRUE(pxSetNewBuffer(window(), 16, 16));  // a current image of another size
    struct Case {
        const char* name;
        int result;
        size_t size;
    } cases[] = {{"v.bmp", 1, 54 + 20 * 3}, {"v.tga", 1, 18 + 6 * 3 * 3}, {"v.jpg", 1, 0},
                 {"v.pcx", 0, 0},           {"v", 0, 0},                  {"v.gif", 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        EXPECT_EQ(pxSaveViewPortEx(v, c.name, 1), c.result);
        if (c.result && c.size) {
            EXPECT_EQ(readBytes(c.name).size(), c.size);
        }
        if (!c.result) {
            EXPECT_EQ(lastBox(), "Unable to save \"" + std::string(c.name) + "\" image, unknown format");
        }
    }
    ASSERT_EQ(pxDisplayImage(window(), "v.bmp"), 1);
    expectImage(p);
    pxReleaseViewport(v);
}

TEST_F(PixmoTest, PaintingIntoSurfacesAndProgramTargets) {
    Picture p{2, 2, {{10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 0, 0}}};
    showPicture(p);
    PxViewport* v = pxCreateViewport(window(), 6, 6);
    EXPECT_EQ(pxPaintMemoryDCEx(v->dc, 0, 3, 1, 0, 0), 1);  // natural size at (3, 1)
    EXPECT_EQ(pxGetPixelRGB(v->dc, 4, 2), 40u);
    EXPECT_EQ(pxGetPixelRGB(v->dc, 2, 1), 0xFFFFFFu);
    EXPECT_EQ(pxPaintMemoryDCEx(v->dc, 1, 0, 0, 4, 4), 1);  // stretched to 4 x 4
    EXPECT_EQ(pxGetPixelRGB(v->dc, 1, 1), 10u);
    EXPECT_EQ(pxGetPixelRGB(v->dc, 2, 1), 20u);
    EXPECT_EQ(pxGetPixelRGB(v->dc, 3, 3), 40u);

    // Anything else goes to the program's drawing table.
    struct Seen {
        int paints = 0, stretches = 0, width = 0;
        RECT rect{};
    };
    static Seen seen;
    PxDrawCallbacks draw{};
    draw.size = sizeof draw;
    draw.paint = [](void*, HDC, const PxBits* image, int, int) {
        ++seen.paints;
        seen.width = image->width;
        return 1;
    };
    draw.stretch = [](void*, HDC, const PxBits*, const RECT* r) {
        ++seen.stretches;
        seen.rect = *r;
        return 1;
    };
    pxSetDrawCallbacks(&draw);
    HDC screen = reinterpret_cast<HDC>(0x77);
    EXPECT_EQ(pxPaintMemoryDC(screen), 1);
    EXPECT_EQ(pxPaintViewportEx(v, screen, 1, 1, 2, 30, 40), 1);
    EXPECT_EQ(seen.paints, 1);
    EXPECT_EQ(seen.width, 2);
    EXPECT_EQ(seen.stretches, 1);
    EXPECT_EQ(seen.rect.bottom, 40);
    pxFreeMemoryDC();
    EXPECT_EQ(pxPaintMemoryDC(screen), 0);  // no image
    pxReleaseViewport(v);
}

TEST_F(PixmoTest, DisplayImageByKind) {
    static int busy = 0, calls = 0;
    KxUiCallbacks table = *ui.table();
    table.waitCursor = [](void*, int on) {
        busy = on;
        ++calls;
    };
    pxSetUiCallbacks(&table);
    for (const char* name : {"x.raw", "x.rgb", "x.com", "x.ras", "x.crd", "x", "x.png"}) {
        SCOPED_TRACE(name);
        ui.clear();
        EXPECT_EQ(pxDisplayImage(window(), name), 0);
        EXPECT_EQ(lastBox(), "File \"" + std::string(name) + "\" unknown image format");
        EXPECT_EQ(busy, 0);
    }
    EXPECT_EQ(calls, 14);
    EXPECT_EQ(pxDisplayImageEx(window(), "x.raw", 1), 0);
    EXPECT_EQ(calls, 14);  // quiet: no busy cursor
}

}  // namespace
}  // namespace kxtest

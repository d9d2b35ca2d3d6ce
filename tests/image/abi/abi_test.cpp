// Sees only the umbrella header and the shared library, as the program does;
// the JPEG codec is found beside the library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "pixmo.h"
#include "temp_dir.h"
#include "ui_capture.h"

namespace {

TEST(PixmoAbiTest, ReadsWritesAndFindsTheCodecBesideTheLibrary) {
    kxtest::TempDir dir;
    kxtest::UiCapture ui;
    pxSetUiCallbacks(ui.table());
    HWND window = reinterpret_cast<HWND>(0x20);
    ASSERT_NE(pxRegisterApplicationEx(window, "Kalvex"), nullptr);
    ASSERT_EQ(pxInitDisplay(8, 4, 1), 1);
    unsigned char row[8 * 3];
    for (int i = 0; i < 24; ++i) row[i] = static_cast<unsigned char>(i * 10);
    for (int y = 0; y < 4; ++y) ASSERT_EQ(out_line24(y, row, 8), 1);
    ASSERT_EQ(pxUpdateMemoryDC(), 1);
    ASSERT_EQ(WriteTGA(pxGetMemDC(), "abi"), 1);
    ASSERT_EQ(WriteJpeg(pxGetMemDC(), "abi.jpg"), 1);
    ASSERT_EQ(pxDisplayImage(window, "abi.TGA"), 1);
    // Pixel 1 is blue 30, green 40, red 50 in every row.
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 3), 0x1E2832u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), 0x000A14u);
    ASSERT_EQ(pxDisplayImage(window, "abi.jpg"), 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    EXPECT_STREQ(AddNewExt("a.b.c", ".GIF"), "a.b.GIF");
    EXPECT_EQ(pxDisplayImage(window, "abi.xyz"), 0);
    EXPECT_EQ(ui.lastMessage(), "File \"abi.xyz\" unknown image format");
    EXPECT_EQ(pxUnRegisterApplication(), 1);
    EXPECT_EQ(pxGetMemDC(), nullptr);
    pxSetUiCallbacks(nullptr);
}

}  // namespace

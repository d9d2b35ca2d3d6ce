#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

std::string le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string le32(int64_t v) { return le16(static_cast<int>(v & 0xFFFF)) + le16(static_cast<int>((v >> 16) & 0xFFFF)); }

struct BmpSpec {
    int width = 2, height = 2, bits = 24, planes = 1, compression = 0;
    int coloursUsed = 0, headerSize = 40;
    int64_t offset = -1;  // -1: right after the palette
    int paletteEntries = 0;
};

std::string bmpHeaders(const BmpSpec& s) {
    int entry = s.headerSize == 12 ? 3 : 4;
    int64_t offset = s.offset >= 0 ? s.offset : 14 + s.headerSize + s.paletteEntries * entry;
    std::string h = "BM" + le32(0) + le32(0) + le32(offset) + le32(s.headerSize);
    if (s.headerSize == 12) {
        h += le16(s.width) + le16(s.height) + le16(s.planes) + le16(s.bits);
    } else {
        h += le32(s.width) + le32(s.height) + le16(s.planes) + le16(s.bits) + le32(s.compression);
        h += le32(0) + le32(0) + le32(0) + le32(s.coloursUsed) + le32(0);
    }
    for (int i = 0; i < s.paletteEntries; ++i) {
        h += {static_cast<char>(i), '\x11', static_cast<char>(200 - i)};  // blue, green, red
        if (entry == 4) h += '\0';
    }
    return h;
}

uint32_t entry(int i) { return colorRef({static_cast<uint8_t>(200 - i), 0x11, static_cast<uint8_t>(i)}); }

// Rows are padded to four bytes, and the file size counts the padding.
TEST_F(PixmoTest, BmpRoundTripIsExact) {
    for (int width : {1, 2, 3, 5, 8}) {
        SCOPED_TRACE(width);
        Picture p = makePicture(width, 3, 250);
        showPicture(p);
        ASSERT_EQ(WriteBMP(pxGetMemDC(), "round"), 1);
        std::string f = readBytes("round.BMP");
        size_t stride = (width * 3 + 3) / 4 * 4;
        ASSERT_EQ(f.size(), 54 + stride * 3);
        EXPECT_EQ(f.substr(0, 54), bmpHeaders({width, 3, 24}).replace(2, 4, le32(54 + stride * 3)));
        ASSERT_EQ(pxDisplayImage(window(), "round.BMP"), 1);
        expectImage(p);
    }
}

TEST_F(PixmoTest, BmpFromTheSystemConverter) {
    REQUIRE_TOOL("ppmtobmp");
    struct Case {
        const char* options;
        int colours;
    } cases[] = {{"-bpp 24", 300}, {"-bpp 8", 200}, {"-bpp 4", 12}, {"-bpp 1", 2},
                 {"-os2 -bpp 24", 300}, {"-os2 -bpp 8", 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        ui.clear();
        Picture p = makePicture(7, 5, c.colours);
        writePpm("in.ppm", p);
        ASSERT_TRUE(run(std::string("ppmtobmp ") + c.options + " in.ppm > conv.bmp"));
        ASSERT_EQ(pxDisplayImage(window(), "conv.bmp"), 1);
        expectImage(p);
        EXPECT_TRUE(ui.messages.empty());
    }
}

// A negative height stores the rows top-down; pixels start at the header's
// offset, wherever the palette ends; the palette is capped at 256 entries.
TEST_F(PixmoTest, BmpLayoutVariants) {
    std::string rows = std::string("\x01\x02\x00\x00", 4) + std::string("\x03\x04\x00\x00", 4);
    BmpSpec topDown{2, -2, 8};
    topDown.paletteEntries = 256;
    writeBytes("top.bmp", bmpHeaders(topDown) + rows);
    ASSERT_EQ(pxDisplayImage(window(), "top.bmp"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), entry(1));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), entry(4));

    BmpSpec gap{2, 2, 8};
    gap.paletteEntries = 256;
    gap.coloursUsed = 100000;
    gap.offset = 14 + 40 + 256 * 4 + 10;
    writeBytes("gap.bmp", bmpHeaders(gap) + std::string(10, '\x09') + rows);
    ASSERT_EQ(pxDisplayImage(window(), "gap.bmp"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 1), entry(1));  // bottom-up
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), entry(4));

    BmpSpec zeroOffset{2, 2, 8};
    zeroOffset.paletteEntries = 256;
    zeroOffset.offset = 0;
    writeBytes("zero.bmp", bmpHeaders(zeroOffset) + rows);
    ASSERT_EQ(pxDisplayImage(window(), "zero.bmp"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), entry(4));

    // One bit per pixel may be wider than 1024.
    BmpSpec wide{2000, 1, 1};
    wide.paletteEntries = 2;
    writeBytes("wide.bmp", bmpHeaders(wide) + std::string(252, '\xFF'));
    ASSERT_EQ(pxDisplayImage(window(), "wide.bmp"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1999, 0), entry(1));

    int fd = ::open("gap.bmp", O_RDONLY | O_CLOEXEC);
    PxFileInfo info{};
    EXPECT_EQ(ReadInfoBMP(fd, &info), 1);
    EXPECT_EQ(info.width, 2u);
    EXPECT_EQ(info.bitsPerPixel, 8u);
    EXPECT_EQ(info.type, 2u);
    char first;
    EXPECT_EQ(::read(fd, &first, 1), 1);
    EXPECT_EQ(first, '\x01');
    ::close(fd);
}

TEST_F(PixmoTest, BmpFailures) {
    std::string rows(16, '\0');
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"magic", "XM" + bmpHeaders({}).substr(2) + rows, "Not a Valid Windows Bitmap"},
        {"header 64", bmpHeaders({2, 2, 24, 1, 0, 0, 64}) + rows, "Unknown Windows Bitmap Type"},
        {"planes", bmpHeaders({2, 2, 24, 2}) + rows, "Unable to View Multi-Plane Bitmaps"},
        {"compressed", bmpHeaders({2, 2, 8, 1, 1}) + rows, "Unable to View Compressed Bitmaps"},
        {"16 bits", bmpHeaders({2, 2, 16}) + rows, "Unknown Pixel Size"},
        {"too wide", bmpHeaders({1025, 1, 8}) + rows, "Image too wide for Viewer"},
        {"short header", bmpHeaders({}).substr(0, 30), "Error reading BMP image"},
        {"short rows", bmpHeaders({}) + rows.substr(0, 10), "Error reading BMP image"},
        {"short palette", bmpHeaders({2, 2, 8}) + rows, "Error reading BMP image"},
        {"offset past the end", bmpHeaders({2, 2, 24, 1, 0, 0, 40, 5000}) + rows, "Error reading BMP image"},
        {"no width", bmpHeaders({0, 2, 24}) + rows, "Invalid Image Size!!"},
        {"huge height", bmpHeaders({2, -2147483647 - 1, 24}) + rows, "Error reading BMP image"},
        {"too tall", bmpHeaders({1, 5000, 1, 1, 0, 0, 40, -1, 2}) + std::string(20000, '\0'),
         "Invalid Image Size!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        writeBytes("bad.bmp", c.bytes);
        EXPECT_EQ(ReadBMP("bad.bmp"), 0);
        EXPECT_EQ(lastBox(), c.message);
    }
}

}  // namespace
}  // namespace kxtest

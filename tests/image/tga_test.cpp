#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

std::string le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

struct TgaSpec {
    int type = 2, width = 2, height = 2, depth = 24, descriptor = 0;
    int idLength = 0, mapType = 0, mapFirst = 0, mapLength = 0, mapBits = 0;
};

std::string tgaHeader(const TgaSpec& s) {
    std::string h;
    h += static_cast<char>(s.idLength);
    h += static_cast<char>(s.mapType);
    h += static_cast<char>(s.type);
    h += le16(s.mapFirst) + le16(s.mapLength);
    h += static_cast<char>(s.mapBits);
    h += le16(0) + le16(0) + le16(s.width) + le16(s.height);
    h += static_cast<char>(s.depth);
    h += static_cast<char>(s.descriptor);
    return h;
}

std::string bgr(Rgb c) { return {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)}; }

const Rgb kA{200, 10, 20}, kB{1, 2, 3}, kC{40, 50, 60}, kD{255, 255, 0};

TEST_F(PixmoTest, TargaRoundTripIsExact) {
    for (int width : {1, 5, 8}) {
      // Bottom-left origin as ever, and the top-left one other programs read safely.
      for (const bool topFirst : {false, true}) {
        SCOPED_TRACE(testing::Message() << width << (topFirst ? " top first" : " bottom first"));
        Picture p = makePicture(width, 3, 250);
        showPicture(p);
        ASSERT_EQ(topFirst ? WriteTGATopFirst(pxGetMemDC(), "round") : WriteTGA(pxGetMemDC(), "round"), 1);
        std::string file = readBytes("round.TGA");
        ASSERT_EQ(file.size(), 18u + width * 3 * 3);
        EXPECT_EQ(file.substr(0, 18), tgaHeader({2, width, 3, 24, topFirst ? 0x20 : 0}));
        ASSERT_TRUE(pxSetNewBuffer(window(), 1, 1));
        ASSERT_EQ(pxDisplayImage(window(), "round.TGA"), 1);
        expectImage(p);
        PxImageInfo info;
        pxGetImageInfo(&info);
        EXPECT_EQ(info.width, static_cast<uint32_t>((width + 3) / 4 * 4));
        EXPECT_EQ(info.sourceWidth, static_cast<uint32_t>(width));
        EXPECT_EQ(info.bitsPerPixel, 24u);
        EXPECT_EQ(info.trueColor, 1u);
      }
    }
}

TEST_F(PixmoTest, TargaRowOrderFollowsTheOriginBit) {
    // Rows as stored: first kA kB, then kC kD.
    std::string pixels = bgr(kA) + bgr(kB) + bgr(kC) + bgr(kD);
    writeBytes("bottom.tga", tgaHeader({2, 2, 2, 24, 0x00}) + pixels);
    writeBytes("top.tga", tgaHeader({2, 2, 2, 24, 0x20}) + pixels);
    ASSERT_EQ(pxDisplayImage(window(), "top.tga"), 1);
    expectImage({2, 2, {kA, kB, kC, kD}});
    ASSERT_EQ(pxDisplayImage(window(), "bottom.tga"), 1);
    expectImage({2, 2, {kC, kD, kA, kB}});
}

TEST_F(PixmoTest, TargaPixelDepths) {
    // 16 bits: x rrrrr ggggg bbbbb, little-endian.
    unsigned v = (0x1F << 10) | (0x01 << 5) | 0x10;
    std::string p16 = le16(static_cast<int>(v));
    writeBytes("d16.tga", tgaHeader({2, 1, 1, 16, 0x20}) + p16);
    writeBytes("d32.tga", tgaHeader({2, 1, 1, 32, 0x20}) + bgr(kA) + '\x7F');
    ASSERT_EQ(pxDisplayImage(window(), "d16.tga"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), colorRef({0xF8, 0x08, 0x80}));
    ASSERT_EQ(pxDisplayImage(window(), "d32.tga"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), colorRef(kA));
}

// Packets stop at the end of the row: a run's rest is dropped, and so is the
// rest of a literal packet, which is read so the next header is found.
TEST_F(PixmoTest, TargaRunLengthPacketsEndAtTheRow) {
    std::string rows = std::string("\x85") + bgr(kA) +                       // run of 6 into 2
                       std::string("\x02") + bgr(kB) + bgr(kC) + bgr(kD) +  // literal of 3
                       std::string("\x80") + bgr(kD) +                       // run of 1
                       std::string(1, '\0') + bgr(kC);                        // literal of 1
    writeBytes("rle.tga", tgaHeader({10, 2, 3, 24, 0x20}) + rows);
    ASSERT_EQ(pxDisplayImage(window(), "rle.tga"), 1);
    expectImage({2, 3, {kA, kA, kB, kC, kD, kC}});
    EXPECT_TRUE(ui.messages.empty());
}

// The colour map holds `length` entries, however large the first index.
TEST_F(PixmoTest, TargaSkipsTheIdAndTheWholeColourMap) {
    struct Case {
        int first, length, bits;
    } cases[] = {{0, 2, 24}, {5, 2, 24}, {1, 3, 15}, {0, 1, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        std::string map(static_cast<size_t>(c.length) * ((c.bits + 7) / 8), '\x55');
        TgaSpec s{2, 1, 1, 24, 0, 3, 1, c.first, c.length, c.bits};
        writeBytes("map.tga", tgaHeader(s) + "id!" + map + bgr(kC));
        ASSERT_EQ(pxDisplayImage(window(), "map.tga"), 1);
        EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), colorRef(kC));

        int fd = ::open("map.tga", O_RDONLY | O_CLOEXEC);
        PxFileInfo info{};
        EXPECT_EQ(ReadInfoTGA(fd, &info), 1);
        EXPECT_EQ(info.type, 4u);
        EXPECT_EQ(info.bitsPerPixel, 24u);
        char pixel[3];
        EXPECT_EQ(::read(fd, pixel, 3), 3);
        EXPECT_EQ(std::string(pixel, 3), bgr(kC));
        EXPECT_EQ(ReadInfoTGA(fd, nullptr), 0);
        ::close(fd);
    }
}

TEST_F(PixmoTest, TargaFailures) {
    struct Case {
        const char* what;
        std::string bytes;
        int result;
        const char* message;
    } cases[] = {
        {"short header", tgaHeader({}).substr(0, 10), 0, "Error Reading TrueVision Header"},
        {"8 bits", tgaHeader({1, 2, 2, 8, 0}) + std::string(4, '\0'), 1,
         "Unable to Decode 8 Bit Targa Images"},
        {"short pixels", tgaHeader({2, 2, 2, 24, 0}) + bgr(kA), 0, "Error Reading TrueVision Image"},
        {"short run", tgaHeader({10, 4, 1, 24, 0}) + "\x03\x01", 0, "Error Reading TrueVision Image"},
        {"map past the end", tgaHeader({2, 1, 1, 24, 0, 0, 1, 0, 1000, 24}), 0,
         "Error Reading TrueVision Image"},
        {"no width", tgaHeader({2, 0, 5, 24, 0}), 0, "Invalid Image Size!!"},
        {"too wide", tgaHeader({2, 4097, 1, 24, 0}) + std::string(4097 * 3, '\0'), 0, "Invalid Image Size!!"},
        {"more pixels than bytes", tgaHeader({2, 4000, 4000, 24, 0}) + bgr(kA), 0,
         "Error Reading TrueVision Image"},
        {"more packets than bytes", tgaHeader({10, 4000, 4000, 24, 0}) + "\xFF" + bgr(kA), 0,
         "Error Reading TrueVision Image"},
        // Headers the format does not allow: other files that happen to be read as Targa.
        {"depth 0", tgaHeader({2, 4096, 4096, 0, 0}), 0, "Error Reading TrueVision Header"},
        {"depth 7", tgaHeader({2, 1, 1, 7, 0x20}) + "\x01", 0, "Error Reading TrueVision Header"},
        {"no image data", tgaHeader({0, 1, 1, 24, 0}) + bgr(kA), 0, "Error Reading TrueVision Header"},
        {"unknown type", tgaHeader({'G', 1, 1, 24, 0}) + bgr(kA), 0, "Error Reading TrueVision Header"},
        {"grey of 24 bits", tgaHeader({3, 1, 1, 24, 0}) + bgr(kA), 0, "Error Reading TrueVision Header"},
        {"map type 2", tgaHeader({2, 1, 1, 24, 0, 0, 2}) + bgr(kA), 0, "Error Reading TrueVision Header"},
        {"map of 9-bit entries", tgaHeader({2, 1, 1, 24, 0, 0, 1, 0, 2, 9}) + std::string(8, '\0'), 0,
         "Error Reading TrueVision Header"},
        {"reserved origin bits", tgaHeader({2, 1, 1, 24, 0xC0}) + bgr(kA), 0, "Error Reading TrueVision Header"},
        {"more alpha bits than the pixel", tgaHeader({3, 1, 1, 8, 0x0F}) + "\x01", 0,
         "Error Reading TrueVision Header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        writeBytes("bad.tga", c.bytes);
        EXPECT_EQ(ReadTGA("bad.tga"), c.result);
        EXPECT_EQ(lastBox(), c.message);
    }
    ui.clear();
    EXPECT_EQ(ReadTGA("absent"), 0);  // a missing file fails without a message
    EXPECT_TRUE(ui.messages.empty());
}

// Files written by another program.
TEST_F(PixmoTest, TargaFromTheSystemConverter) {
    REQUIRE_TOOL("ppmtotga");
    Picture p = makePicture(7, 5, 300);  // over 256 colours: true colour output
    writePpm("in.ppm", p);
    for (const char* options : {"-rgb", "-rgb -norle"}) {
        SCOPED_TRACE(options);
        ASSERT_TRUE(run(std::string("ppmtotga ") + options + " in.ppm > conv.tga"));
        ASSERT_EQ(pxDisplayImage(window(), "conv.tga"), 1);
        expectImage(p);
        EXPECT_TRUE(ui.messages.empty());
    }
    ASSERT_TRUE(run("ppmtotga -cmap in.ppm > cmap.tga") || run("ppmtotga -mono in.ppm > cmap.tga"));
    EXPECT_EQ(ReadTGA("cmap.tga"), 1);
    EXPECT_EQ(lastBox(), "Unable to Decode 8 Bit Targa Images");
}

TEST_F(PixmoTest, WritersNeedOneOfTheLibrarysSurfaces) {
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    EXPECT_EQ(WriteTGA(nullptr, "x"), 0);
    EXPECT_EQ(WriteTGA(reinterpret_cast<HDC>(0x1234), "x"), 0);
    EXPECT_EQ(WriteBMP(reinterpret_cast<HDC>(0x1234), "x"), 0);
    EXPECT_EQ(WriteTGA(pxGetMemDC(), "no/such/folder/x"), 0);
    EXPECT_FALSE(std::filesystem::exists("x.TGA"));
}

}  // namespace
}  // namespace kxtest

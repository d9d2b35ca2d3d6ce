#include <string>
#include <vector>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

std::string le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

struct PcxFields {
    int manufacturer = 10, version = 5, encoding = 1, bits = 8;
    int xmin = 0, ymin = 0, xmax = 1, ymax = 1;
    int planes = 1, bytesPerLine = 2;
    int hres = 0, vres = 0, hscreen = 0, vscreen = 0;
};

std::string pcxHeader(const PcxFields& s) {
    std::string h;
    h += static_cast<char>(s.manufacturer);
    h += static_cast<char>(s.version);
    h += static_cast<char>(s.encoding);
    h += static_cast<char>(s.bits);
    h += le16(s.xmin) + le16(s.ymin) + le16(s.xmax) + le16(s.ymax) + le16(s.hres) + le16(s.vres);
    h += std::string(48, '\0');
    h += '\0';
    h += static_cast<char>(s.planes);
    h += le16(s.bytesPerLine) + le16(1) + le16(s.hscreen) + le16(s.vscreen);
    h.resize(128, '\0');
    return h;
}

std::string trailer() {
    std::string p(1, '\x0C');
    for (int i = 0; i < 256; ++i) p += {static_cast<char>(i), static_cast<char>(255 - i), '\x09'};
    return p;
}

uint32_t entry(int i) { return colorRef({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 9}); }

// A palette image written as PCX reads back with the same indices and palette.
TEST_F(PixmoTest, PcxRoundTripIsExact) {
    REQUIRE_TOOL("ppmtogif");
    Picture p = makePicture(13, 9, 200);
    writePpm("in.ppm", p);
    ASSERT_TRUE(run("ppmtogif in.ppm > in.gif"));
    ASSERT_EQ(pxDisplayImage(window(), "in.gif"), 1);
    ASSERT_EQ(SavePCX("saved.pcx"), 1);
    ASSERT_TRUE(pxSetNewBuffer(window(), 2, 2));
    ASSERT_EQ(pxDisplayImage(window(), "saved.pcx"), 1);
    expectImage(p);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PixmoTest, PcxWriterLayout) {
    // 640 pixels of one index: ten runs of 63 and one of 10 per row.
    ASSERT_TRUE(pxInitDisplay(640, 2, 0));
    std::vector<uint8_t> row(640, 0xC5);
    row[639] = 7;
    ASSERT_EQ(out_line(0, row.data(), 640), 1);
    ASSERT_EQ(out_line(1, row.data(), 640), 1);
    pxUpdateMemoryDC();
    ASSERT_EQ(SavePCX("wide"), 1);
    std::string f = readBytes("wide.PCX");
    PcxFields fields{10, 5, 1, 8, 0, 0, 639, 1, 1, 640, 640, 480, 640, 2};
    EXPECT_EQ(f.substr(0, 128), pcxHeader(fields));
    std::string line;
    for (int i = 0; i < 10; ++i) line += "\xFF\xC5";
    line += "\xC9\xC5";  // a run of 9 ...
    line += "\x07";      // ... and a bare byte below 0xC0
    ASSERT_EQ(f.size(), 128 + 2 * line.size() + 769);
    EXPECT_EQ(f.substr(128, line.size()), line);
    EXPECT_EQ(f.substr(128 + line.size(), line.size()), line);
    EXPECT_EQ(f[f.size() - 769], '\x0C');
    EXPECT_EQ(f.substr(f.size() - 768), std::string(reinterpret_cast<char*>(pxGetImagePalette()), 768));

    EXPECT_EQ(SavePCX("no/such/folder/x"), 0);
    EXPECT_EQ(lastBox(), "Unable to Create PCX File");
}

TEST_F(PixmoTest, PcxFromTheSystemConverter) {
    REQUIRE_TOOL("ppmtopcx");
    Picture p = makePicture(11, 6, 40);
    writePpm("in.ppm", p);
    ASSERT_TRUE(run("ppmtopcx -8bit in.ppm > conv.pcx"));
    ASSERT_EQ(pxDisplayImage(window(), "conv.pcx"), 1);
    expectImage(p);

    // Two colours: one plane of one bit, shown black and white.
    Picture bw{3, 2, {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}}};
    writePpm("bw.ppm", bw);
    ASSERT_TRUE(run("ppmtopcx bw.ppm > bw.pcx"));
    ASSERT_EQ(pxDisplayImage(window(), "bw.pcx"), 1);
    expectImage(bw);

    // Sixteen colours come as four planes, true colour as three.
    writePpm("few.ppm", makePicture(5, 5, 9));
    for (const char* command : {"ppmtopcx few.ppm > planes.pcx", "ppmtopcx -24bit in.ppm > planes.pcx"}) {
        SCOPED_TRACE(command);
        ui.clear();
        ASSERT_TRUE(run(command));
        EXPECT_EQ(ReadPCX("planes.pcx"), 0);
        EXPECT_EQ(lastBox(), "Error PCX Image more than 256 Colours");
    }
}

// A run may cross the end of a line: its excess begins the next line. The size
// comes from the window even when the screen fields say something else.
TEST_F(PixmoTest, PcxRunsCrossLinesAndTheWindowGivesTheSize) {
    PcxFields s{10, 5, 1, 8, 10, 20, 12, 21, 1, 4, 300, 300, 0, 0};  // 3 x 2, 4 bytes a line
    std::string data = "\xC6\x05" "\x01\x02";  // 6 x index 5, then 1, 2
    writeBytes("cross.pcx", pcxHeader(s) + data + trailer());
    ASSERT_EQ(pxDisplayImage(window(), "cross.pcx"), 1);
    PxImageInfo info;
    pxGetImageInfo(&info);
    EXPECT_EQ(info.sourceWidth, 3u);
    EXPECT_EQ(info.sourceHeight, 2u);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 0), entry(5));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), entry(5));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 1), entry(1));
}

TEST_F(PixmoTest, PcxFailures) {
    std::string pixels = "\xC4\x01";
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"short header", pcxHeader({}).substr(0, 60), "Fatal Error: Unable To Open/Read Picture File \"bad.pcx\" "},
        {"16 bits", pcxHeader({10, 5, 1, 16}) + pixels + trailer(), "Error PCX Image more than 256 Colours"},
        {"3 planes", pcxHeader({10, 5, 1, 8, 0, 0, 1, 1, 3}) + pixels + trailer(),
         "Error PCX Image more than 256 Colours"},
        {"manufacturer", pcxHeader({11}) + pixels + trailer(), "Error Unknown PCX Image Type"},
        {"3 bits", pcxHeader({10, 5, 1, 3}) + pixels + trailer(), "Error Unknown PCX Image Type"},
        {"window upside down", pcxHeader({10, 5, 1, 8, 5, 0, 1, 1}) + pixels + trailer(),
         "Error Unknown PCX Image Type"},
        {"short lines", pcxHeader({10, 5, 1, 8, 0, 0, 1, 1, 1, 1}) + pixels + trailer(),
         "Error Unknown PCX Image Type"},
        {"no palette", pcxHeader({}) + pixels, "Error Reading PCX Palette"},
        {"wrong marker", pcxHeader({}) + pixels + "\x0B" + trailer().substr(1), "Error Reading PCX Palette"},
        {"too wide", pcxHeader({10, 5, 1, 8, 0, 0, 4096, 1, 1, 4097}) + pixels + trailer(),
         "Invalid Image Size!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        writeBytes("bad.pcx", c.bytes);
        EXPECT_EQ(ReadPCX("bad.pcx"), 0);
        EXPECT_EQ(lastBox(), c.message);
    }
    // Cut in the pixels: the palette at the end is found, the rows are not.
    writeBytes("cut.pcx", pcxHeader({10, 5, 1, 8, 0, 0, 999, 9, 1, 1000}) + pixels + trailer());
    EXPECT_EQ(ReadPCX("cut.pcx"), 0);
    EXPECT_EQ(lastBox(), "Fatal Error: Unable To Open/Read Picture File \"cut.pcx\" ");
    EXPECT_EQ(ReadPCX("missing"), 0);
    EXPECT_EQ(lastBox(), "Fatal Error: Unable To Open/Read Picture File \"missing.PCX\" ");
}

}  // namespace
}  // namespace kxtest

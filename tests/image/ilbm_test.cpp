#include <string>
#include <vector>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

std::string be16(int v) { return {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)}; }
std::string be32(uint32_t v) { return be16(static_cast<int>(v >> 16)) + be16(static_cast<int>(v & 0xFFFF)); }

std::string chunk(const char* id, const std::string& data) {
    std::string c = std::string(id, 4) + be32(static_cast<uint32_t>(data.size())) + data;
    if (data.size() & 1) c += '\0';
    return c;
}

std::string bmhd(int width, int height, int planes, int masking = 0, int compression = 0) {
    return be16(width) + be16(height) + be16(0) + be16(0) + static_cast<char>(planes) +
           static_cast<char>(masking) + static_cast<char>(compression) + '\0' + be16(0) + "\x0A\x0B" +
           be16(width) + be16(height);
}

std::string cmap(int entries) {
    std::string c;
    for (int i = 0; i < entries; ++i) c += {static_cast<char>(i), '\x22', static_cast<char>(3 * i)};
    return c;
}

std::string form(const std::string& chunks) { return "FORM" + be32(static_cast<uint32_t>(chunks.size() + 4)) + "ILBM" + chunks; }

uint32_t entry(int i) { return colorRef({static_cast<uint8_t>(i), 0x22, static_cast<uint8_t>(3 * i)}); }

TEST_F(PixmoTest, IlbmFromTheSystemConverter) {
    REQUIRE_TOOL("ppmtoilbm");
    Picture p = makePicture(21, 6, 30);
    writePpm("in.ppm", p);
    for (const char* options : {"", "-nocompress"}) {
        SCOPED_TRACE(options);
        ASSERT_TRUE(run(std::string("ppmtoilbm ") + options + " in.ppm > conv.ilb"));
        ASSERT_EQ(pxDisplayImage(window(), "conv.ilb"), 1);
        expectImage(p);
        EXPECT_TRUE(ui.messages.empty());
    }
}

// Two planes, 3 x 2 pixels, with a mask plane after each row's planes and a
// colour map larger than any index can reach.
TEST_F(PixmoTest, IlbmSkipsTheMaskPlaneAndCapsTheColourMap) {
    std::string row0 = std::string("\xA0\x00", 2) + std::string("\x60\x00", 2) + std::string("\xFF\xFF", 2);
    std::string row1 = std::string("\x00\x00", 2) + std::string("\xE0\x00", 2) + std::string("\xFF\xFF", 2);
    std::string file = form(chunk("BMHD", bmhd(3, 2, 2, 1)) + chunk("CAMG", be32(0)) +
                            chunk("CMAP", cmap(300)) + chunk("ANNO", "odd") + chunk("BODY", row0 + row1));
    writeBytes("mask.ilb", file);
    ASSERT_EQ(pxDisplayImage(window(), "mask.ilb"), 1);
    // Row 0: plane 0 = 101, plane 1 = 011 -> indices 1, 2, 3.
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), entry(1));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), entry(2));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 0), entry(3));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 2, 1), entry(2));
    EXPECT_EQ(pxGetImagePalette()[3 * 255], 255);  // entry 255 of the 300
}

TEST_F(PixmoTest, IlbmByteRunRows) {
    // 16 pixels, one plane: a repeat of 0xF0 twice = 11110000 11110000.
    std::string body = std::string("\xFF\xF0", 2) + std::string("\x80", 1) + std::string("\x01\x0F\x0F", 3);
    writeBytes("run.ilb", form(chunk("BMHD", bmhd(16, 2, 1, 0, 1)) + chunk("CMAP", cmap(2)) +
                               chunk("BODY", body)));
    ASSERT_EQ(pxDisplayImage(window(), "run.ilb"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 3, 0), entry(1));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 4, 0), entry(0));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 3, 1), entry(0));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 15, 1), entry(1));
}

TEST_F(PixmoTest, IlbmFailures) {
    std::string header = chunk("BMHD", bmhd(16, 1, 1, 0, 1));
    std::string colours = chunk("CMAP", cmap(2));
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"no form", "LIST" + form("").substr(4), "No FORM Identifier"},
        {"not ilbm", "FORM" + be32(4) + "PBM ", "No ILBM Identifier"},
        {"nothing", form(""), "No BMHD"},
        {"body first", form(chunk("BODY", "xx")), "No BMHD"},
        {"bmhd length", form(chunk("BMHD", bmhd(16, 1, 1) + "x")), "Bad BMHD length"},
        {"compression", form(chunk("BMHD", bmhd(16, 1, 1, 0, 2))), "Unknown Compression Technique"},
        {"depth 9", form(chunk("BMHD", bmhd(16, 1, 9))), "Bad depth!!"},
        {"depth 0", form(chunk("BMHD", bmhd(16, 1, 0))), "Bad depth!!"},
        {"camg length", form(header + chunk("CAMG", "abc")), "Bad CAMG length"},
        {"cmap length", form(header + chunk("CMAP", "ab")), "Bad CMAP Length"},
        {"cmap cut", form(header + "CMAP" + be32(30) + "abc"), "Bad CMAP Length"},
        {"no cmap", form(header + chunk("BODY", "\x01\x00\x00")), "No CMAP"},
        {"no body", form(header + colours), "No BODY"},
        {"body cut", form(header + colours + "BODY" + be32(100) + "\x01"), "Bad BODY Length"},
        {"short raw body", form(chunk("BMHD", bmhd(16, 2, 1)) + colours + chunk("BODY", "ab")), "Bad BODY Length"},
        {"run past the row", form(header + colours + chunk("BODY", "\xFC\x01")), "Bad run/dump count, Count 5"},
        {"dump past the row", form(header + colours + chunk("BODY", "\x02\x01\x02\x03")),
         "Bad run/dump count, Count 3"},
        {"body ends", form(header + colours + chunk("BODY", std::string("\x00\x01", 2))), "Bad run/dump count"},
        {"too wide", form(chunk("BMHD", bmhd(5000, 1, 1, 0, 1)) + colours + chunk("BODY", std::string(16, '\0'))),
         "Invalid Image Size!!"},
        {"more rows than body", form(chunk("BMHD", bmhd(4000, 4000, 8, 0, 1)) + colours + chunk("BODY", "ab")),
         "Bad BODY Length"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        writeBytes("bad.ilb", c.bytes);
        EXPECT_EQ(ReadILBM("bad.ilb"), 0);
        EXPECT_EQ(lastBox(), c.message);
    }
}

}  // namespace
}  // namespace kxtest

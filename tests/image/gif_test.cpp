#include <string>
#include <vector>

#include "pixmo_fixture.h"

namespace kxtest {
namespace {

std::string le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

// Codes packed least significant bit first into length-prefixed sub-blocks.
class CodeWriter {
public:
    void put(int code, int width) {
        acc_ |= static_cast<uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_ += static_cast<char>(acc_ & 0xFF);
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    std::string blocks() {
        if (bits_ > 0) bytes_ += static_cast<char>(acc_ & 0xFF);
        std::string out;
        for (size_t i = 0; i < bytes_.size(); i += 255) {
            std::string part = bytes_.substr(i, 255);
            out += static_cast<char>(part.size());
            out += part;
        }
        return out + std::string(1, '\0');
    }

private:
    std::string bytes_;
    uint32_t acc_ = 0;
    int bits_ = 0;
};

// Every index as a literal code, with clear codes often enough that the code
// width never grows: a valid stream any decoder must accept.
std::string literalStream(const std::vector<uint8_t>& indices, int minCodeSize, bool endCode = true) {
    int clear = 1 << minCodeSize, width = minCodeSize + 1;
    int limit = (1 << width) - clear - 2;
    CodeWriter w;
    w.put(clear, width);
    int run = 0;
    for (uint8_t index : indices) {
        if (run == limit) {
            w.put(clear, width);
            run = 0;
        }
        w.put(index, width);
        ++run;
    }
    if (endCode) w.put(clear + 1, width);
    return std::string(1, static_cast<char>(minCodeSize)) + w.blocks();
}

struct GifSpec {
    int screenWidth = 2, screenHeight = 2;
    int imageWidth = 2, imageHeight = 2;
    int packed = 0x80;  // global table of 2 entries
    int flags = 0;
    std::string extensions;
    std::string data;
};

std::string palette(int entries) {
    std::string p;
    for (int i = 0; i < entries; ++i) p += {static_cast<char>(i * 10), static_cast<char>(i), '\x05'};
    return p;
}

std::string gifFile(const GifSpec& s) {
    std::string f = "GIF89a" + le16(s.screenWidth) + le16(s.screenHeight);
    f += static_cast<char>(s.packed);
    f += std::string("\0\0", 2);
    if (s.packed & 0x80) f += palette(1 << ((s.packed & 7) + 1));
    f += s.extensions;
    f += ',' + le16(0) + le16(0) + le16(s.imageWidth) + le16(s.imageHeight);
    f += static_cast<char>(s.flags);
    if (s.flags & 0x80) {
        for (int i = 0; i < (1 << ((s.flags & 7) + 1)); ++i) f += {'\x77', '\x66', static_cast<char>(i)};
    }
    return f + s.data + ";";
}

uint32_t entry(int i) { return colorRef({static_cast<uint8_t>(i * 10), static_cast<uint8_t>(i), 5}); }

TEST_F(PixmoTest, GifFromTheSystemConverter) {
    REQUIRE_TOOL("ppmtogif");
    // The larger picture fills the string table, so the stream clears it.
    for (Picture p : {makePicture(9, 7, 20), makePicture(300, 200, 256)}) {
        SCOPED_TRACE(p.width);
        writePpm("in.ppm", p);
        ASSERT_TRUE(run("ppmtogif in.ppm > conv.gif"));
        ASSERT_EQ(pxDisplayImage(window(), "conv.gif"), 1);
        expectImage(p);
        EXPECT_TRUE(ui.messages.empty());
        PxImageInfo info;
        pxGetImageInfo(&info);
        EXPECT_EQ(info.trueColor, 0u);
        EXPECT_EQ(info.sourceWidth, static_cast<uint32_t>(p.width));
    }
    ASSERT_TRUE(run("ppmtogif -interlace in.ppm > inter.gif"));
    EXPECT_EQ(ReadGIF("inter.gif"), 0);
    EXPECT_EQ(lastBox(), "error: unable to decode interlace GIF");
}

TEST_F(PixmoTest, GifBlocksBeforeTheImage) {
    // An application extension whose data holds zero bytes, as XMP and ICC
    // profiles do, then a graphic control extension and stray bytes.
    std::string xmp = "\x21\xFF\x0B" "XMP DataXMP" "\x05" + std::string("a\0b\0c", 5) + "\x03" +
                      std::string("\0\0\0", 3) + std::string(1, '\0');
    std::string gce = std::string("\x21\xF9\x04\x00\x00\x00\x00", 7) + std::string(1, '\0');
    GifSpec s;
    s.extensions = xmp + gce + std::string(32, '\x01');
    s.data = literalStream({0, 1, 1, 0}, 2);
    writeBytes("ext.gif", gifFile(s));
    ASSERT_EQ(pxDisplayImage(window(), "ext.gif"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), entry(1));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 1), entry(1));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), entry(0));

    s.extensions += "\x01";  // the 33rd stray byte
    writeBytes("stray.gif", gifFile(s));
    EXPECT_EQ(ReadGIF("stray.gif"), 0);
    EXPECT_EQ(lastBox(), "error: stray.gif missing GIF seperator");
}

// The image is the screen clipped to the image descriptor; rows and columns
// outside it are decoded and dropped.
TEST_F(PixmoTest, GifImageLargerOrSmallerThanTheScreen) {
    std::vector<uint8_t> indices;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 5; ++x) indices.push_back(static_cast<uint8_t>((x + y) % 4));
    struct Case {
        int screenW, screenH, width, height;
    } cases[] = {{3, 2, 5, 6}, {40, 40, 5, 6}, {5, 6, 5, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screenW);
        GifSpec s{c.screenW, c.screenH, c.width, c.height, 0x81, 0, "", literalStream(indices, 2)};
        writeBytes("size.gif", gifFile(s));
        ASSERT_EQ(pxDisplayImage(window(), "size.gif"), 1);
        PxImageInfo info;
        pxGetImageInfo(&info);
        int w = std::min(c.screenW, c.width), h = std::min(c.screenH, c.height);
        EXPECT_EQ(info.sourceWidth, static_cast<uint32_t>(w));
        EXPECT_EQ(info.height, static_cast<uint32_t>(h));
        EXPECT_EQ(pxGetPixelRGB(nullptr, w - 1, h - 1), entry((w - 1 + h - 1) % 4));
        EXPECT_EQ(pxGetPixelRGB(nullptr, 0, h - 1), entry((h - 1) % 4));
    }
}

TEST_F(PixmoTest, GifLocalColourTableAndShortStreams) {
    GifSpec s;
    s.flags = 0x80;  // local table of 2 entries
    s.data = literalStream({1, 0, 0, 1}, 2);
    writeBytes("local.gif", gifFile(s));
    ASSERT_EQ(pxDisplayImage(window(), "local.gif"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 0, 0), colorRef({0x77, 0x66, 1}));

    // The data stops after the first row, without an end code: the row stays.
    s.flags = 0;
    s.data = literalStream({1, 1}, 2, false);
    writeBytes("short.gif", gifFile(s));
    ASSERT_EQ(pxDisplayImage(window(), "short.gif"), 1);
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 0), entry(1));
    EXPECT_EQ(pxGetPixelRGB(nullptr, 1, 1), entry(0));
}

TEST_F(PixmoTest, GifFailures) {
    GifSpec good;
    good.data = literalStream({0, 1, 1, 0}, 2);
    std::string file = gifFile(good);
    GifSpec noTable = good;
    noTable.packed = 0x01;
    GifSpec badSize = good;
    badSize.data = literalStream({0}, 2);
    badSize.data[0] = 1;
    GifSpec tooBig = good;
    tooBig.data = literalStream({0}, 2);
    tooBig.data[0] = 10;
    // After a clear, code 6 is the next free code, which no string defines yet.
    CodeWriter w;
    w.put(4, 3);
    w.put(6, 3);
    GifSpec undefined = good;
    undefined.data = "\x02" + w.blocks();
    CodeWriter w2;
    w2.put(4, 3);
    w2.put(1, 3);
    w2.put(7, 3);  // two above the next free code
    GifSpec beyond = good;
    beyond.data = "\x02" + w2.blocks();
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"not a gif", "PNG89a" + file.substr(6), "error: bad.gif GIF header not found!"},
        {"no colour table", gifFile(noTable), "error: bad.gif must have Global Color Map to decode GIF"},
        {"code size 1", gifFile(badSize), "error: bad code size"},
        {"code size 10", gifFile(tooBig), "error: bad code size"},
        {"undefined code", gifFile(undefined), "error: unknown GIF error #-21 "},
        {"code past the table", gifFile(beyond), "error: unknown GIF error #-21 "},
        {"cut in the palette", file.substr(0, 15), "error: read error"},
        {"cut in the data", file.substr(0, file.size() - 5), "error: read error"},
        {"empty", "", "error: read error"},
        {"no size", gifFile({0, 0, 0, 0, 0x80, 0, "", good.data}), "Invalid Image Size!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        writeBytes("bad.gif", c.bytes);
        EXPECT_EQ(ReadGIF("bad.gif"), 0);
        EXPECT_EQ(lastBox(), c.message);
    }
    EXPECT_EQ(ReadGIF("missing"), 0);
    EXPECT_EQ(lastBox(), "error: missing.GIF open error");
}

}  // namespace
}  // namespace kxtest

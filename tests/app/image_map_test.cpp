#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "grey_jpeg.h"
#include "preview/image_map.h"
#include "temp_dir.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes header(unsigned type, unsigned width, unsigned height, unsigned bits, unsigned descriptor) {
    Bytes h(18, 0);
    h[2] = static_cast<unsigned char>(type);
    h[12] = width & 0xFF, h[13] = width >> 8;
    h[14] = height & 0xFF, h[15] = height >> 8;
    h[16] = static_cast<unsigned char>(bits);
    h[17] = static_cast<unsigned char>(descriptor);
    return h;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Two pixels across, two down, as blue-green-red: the bottom row stored first.
const Bytes kBottomFirst = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
// Top row first (red-green-blue): the bottom row's pixels come second.
const Bytes kTopRowsRgb = {9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4};

// A PNG file of the RGB pixels, rows top first.
Bytes pngOf(unsigned width, unsigned height, const Bytes& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    Bytes out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    out.resize(size);
    return out;
}

TEST(ImageMap, DecodesOrRefusesEachKindOfFile) {
    struct Case {
        const char* name;
        Bytes file;
        Bytes rgb;          // expected, rows top first
        const char* error;  // expected message when refused
    };
    const std::vector<Case> cases = {
        {"raw, bottom row first", header(2, 2, 2, 24, 0) + kBottomFirst, kTopRowsRgb, nullptr},
        {"raw, top-left origin", header(2, 2, 2, 24, 0x20) + kBottomFirst,
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}, nullptr},
        {"run-length: a run of two and two literal pixels",
         header(10, 2, 2, 24, 0x20) + Bytes{0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9},
         {3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7}, nullptr},
        {"run longer than the picture is cut", header(10, 1, 1, 24, 0) + Bytes{0xFF, 1, 2, 3}, {3, 2, 1}, nullptr},
        {"image id and colour map skipped",
         [] {
             Bytes h = header(2, 1, 1, 24, 0);
             h[0] = 2;
             h[1] = 1;
             h[5] = 1;  // one map entry
             h[7] = 24;
             return h + Bytes{0xEE, 0xEE} + Bytes{0xDD, 0xDD, 0xDD} + Bytes{1, 2, 3};
         }(),
         {3, 2, 1}, nullptr},
        {"short header", Bytes(17, 0), {}, "Error reading Targa Image Header\n"},
        {"16 bits", header(2, 2, 2, 16, 0) + Bytes(8, 0), {}, "Unknown Image Map File"},
        {"32 bits", header(2, 2, 2, 32, 0) + Bytes(16, 0), {}, "Unknown Image Map File"},
        {"colour-mapped", header(1, 2, 2, 24, 0) + Bytes(12, 0), {}, "Unknown Image Map File"},
        {"no width", header(2, 0, 2, 24, 0), {}, "Unknown Image Map File"},
        {"wider than 4096", header(2, 4097, 1, 24, 0) + Bytes(4097 * 3, 0), {}, "Unknown Image Map File"},
        {"65535 square", header(2, 65535, 65535, 24, 0), {}, "Unknown Image Map File"},
        {"truncated pixels", header(2, 2, 2, 24, 0) + Bytes(11, 0), {}, "Error Reading Targa Image Bits"},
        {"truncated run-length", header(10, 2, 2, 24, 0) + Bytes{0x83, 1, 2}, {}, "Error Reading Targa Image Bits"},
        {"run-length ends early", header(10, 2, 2, 24, 0) + Bytes{0x80, 1, 2, 3}, {}, "Error Reading Targa Image Bits"},
        {"colour map past the end",
         [] {
             Bytes h = header(2, 1, 1, 24, 0);
             h[1] = 1;
             h[5] = 0xFF, h[6] = 0xFF;
             h[7] = 32;
             return h;
         }(),
         {}, "Error reading Targa Image Header\n"},
        // PNG pictures, told by their first bytes as the loader tells them.
        {"PNG", pngOf(2, 2, kTopRowsRgb), kTopRowsRgb, nullptr},
        {"PNG wider than 4096", pngOf(4097, 1, Bytes(4097 * 3, 7)), {}, "Unknown Image Map File"},
        {"PNG cut short", [] {
             Bytes png = pngOf(2, 2, kTopRowsRgb);
             png.resize(png.size() - 20);
             return png;
         }(),
         {}, "Error Reading PNG Image Bits"},
        {"PNG signature alone", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, {}, "Unknown Image Map File"},
        {"JPEG", kxtest::greyJpeg(2, 2, 0x50), Bytes(12, 0x50), nullptr},
        {"JPEG wider than 4096", kxtest::greyJpeg(4097, 1, 0x50), {}, "Unknown Image Map File"},
        {"JPEG start alone", Bytes{0xFF, 0xD8, 0xFF}, {}, "Unknown Image Map File"},
        {"JPEG without its frame", [] {
             // The start-of-frame marker turned into one no decoder knows.
             Bytes jpeg = kxtest::greyJpeg(2, 2, 0x50);
             for (size_t i = 0; i + 1 < jpeg.size(); ++i)
                 if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) jpeg[i + 1] = 0xCF;
             return jpeg;
         }(),
         {}, "Unknown Image Map File"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kx::app::ImageMapPixels px;
        std::string error;
        // Told by their first bytes, as the loader tells them.
        const unsigned char* data = c.file.data();
        const bool ok = kx::app::isPngMap(data, c.file.size())    ? kx::app::decodePngMap(data, c.file.size(), px, error)
                        : kx::app::isJpegMap(data, c.file.size()) ? kx::app::decodeJpegMap(data, c.file.size(), px, error)
                                                                  : kx::app::decodeTargaMap(data, c.file.size(), px, error);
        if (c.error) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(error, c.error);
        } else {
            ASSERT_TRUE(ok) << error;
            EXPECT_EQ(px.rgb, c.rgb);
            EXPECT_EQ(px.rgb.size(), size_t{px.width} * px.height * 3);
        }
    }
}

TEST(ImageMap, TextureRecordTakesThePixelsOnce) {
    kxtest::TempDir dir;
    const std::string path = dir.file("map.tga");
    const Bytes file = header(2, 2, 2, 24, 0) + kBottomFirst;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());

    TextureInfo t{};
    std::snprintf(t.shortText2, sizeof t.shortText2, "NULL");
    EXPECT_EQ(kx::app::imageMapFile(t), "");
    EXPECT_EQ(kx::app::LoadImageMap(&t), 0);
    std::snprintf(t.shortText2, sizeof t.shortText2, "MAP.TGA");  // found in any letter case
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const int loaded = kx::app::LoadImageMap(&t);
    std::filesystem::current_path(before);
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(t.reserved1, 2u);
    EXPECT_EQ(t.reserved2, 2u);
    EXPECT_TRUE(kx::app::holdsImageMap(t));
    EXPECT_EQ(Bytes(t.text, t.text + 12), kTopRowsRgb);
    char* block = t.text;
    EXPECT_EQ(kx::app::LoadImageMap(&t), 1);  // already there: not read again
    EXPECT_EQ(t.text, block);
    std::free(t.text);
}

}  // namespace

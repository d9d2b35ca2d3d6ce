// Height field images as the preview reads them: every format it takes, rows
// top first and heights from 0 to 1, and damaged files refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/height_field_surface.h"

namespace {

using kx::app::HeightSamples;

std::string targa(int type, int depth, int descriptor, int w, int h, const std::string& pixels) {
    std::string t(18, '\0');
    t[2] = static_cast<char>(type);
    t[12] = static_cast<char>(w), t[14] = static_cast<char>(h);
    t[16] = static_cast<char>(depth);
    t[17] = static_cast<char>(descriptor);
    return t + pixels;
}

TEST(HeightSamples, EachFormatGivesRowsTopFirstFromZeroToOne) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<float> heights;  // 2 x 2, rows top first
    } cases[] = {
        {"binary PGM", std::string("P5\n# made by hand\n2 2\n255\n") + '\0' + '\x33' + '\xFF' + '\x66', {0, 0.2f, 1, 0.4f}},
        {"16-bit PGM", std::string("P5 2 2 65535\n") + "\xFF\xFF" + std::string(2, '\0') + std::string("\x80\x00", 2) + std::string("\x40\x00", 2),
         {1, 0, 32768 / 65535.0f, 16384 / 65535.0f}},
        {"text PGM", "P2\n2 2\n10\n0 5\n10 20\n", {0, 0.5f, 1, 1}},
        // Bottom row first in the file: (0, 255) then (51, 102).
        {"8-bit grey Targa", targa(3, 8, 0, 2, 2, std::string() + '\0' + '\xFF' + '\x33' + '\x66'),
         {0.2f, 0.4f, 0, 1}},
        // Blue, green, red a pixel; red the high byte, green the low.
        {"24-bit Targa", targa(2, 24, 0x20, 2, 2, std::string("\0\0\xFF", 3) + std::string("\0\xFF\0", 3) +
                                                      std::string("\0\0\0", 3) + std::string("\0\x00\x80", 3)),
         {65280 / 65535.0f, 255 / 65535.0f, 0, 32768 / 65535.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HeightSamples s;
        ASSERT_TRUE(kx::app::decodeHeightSamples(c.bytes, s));
        EXPECT_EQ(s.width, 2);
        EXPECT_EQ(s.height, 2);
        ASSERT_EQ(s.values.size(), 4u);
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(s.values[i], c.heights[i], 1e-4) << i;
    }
}

TEST(HeightSamples, DamagedOrUnusableFilesAreRefused) {
    const std::string refused[] = {
        "",
        "P5\n2 2\n255\n\x01\x02",                // short of pixels
        "P5\n1 1\n255\n\x01",                    // a single sample has no cell
        "P5\n99999 99999\n255\n",                // larger than any preview needs
        "P5\n2 2\n0\n\x01\x02\x03\x04",          // no maximum
        "P2\n2 2\n9\n1 2 3\n",                   // short of numbers
        "P6\n2 2\n255\n" + std::string(12, 'x'),  // colour PPM
        targa(3, 8, 0, 2, 2, "\x01\x02"),        // short grey Targa
        targa(9, 8, 0, 2, 2, std::string(4, 'x')),  // colour-mapped
        "GIF89a" + std::string(20, '\0'),
    };
    for (const std::string& bytes : refused) {
        SCOPED_TRACE(bytes.substr(0, 12));
        HeightSamples s;
        EXPECT_FALSE(kx::app::decodeHeightSamples(bytes, s));
    }
}

}  // namespace

// The font service on the installed fonts: finding faces, sizes, widths and
// outlines, and the code page of text bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "kxplatform/glyphs.h"

namespace {

using namespace kx::platform;

LOGFONT request(const char* face, int height, int weight = 0, uint8_t italic = 0) {
    LOGFONT lf{};
    std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    return lf;
}

struct Box {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    void add(const GlyphPoint& p) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
};

// The box of every point of a glyph's contours (control points included).
Box inkOf(GlyphFont& font, char c) {
    std::vector<GlyphContour> contours;
    Box box;
    if (font.outline(static_cast<unsigned char>(c), contours) != GlyphStatus::Ok) return box;
    for (const GlyphContour& k : contours) {
        box.add(k.start);
        for (const GlyphRecord& r : k.records)
            for (const GlyphPoint& p : r.points) box.add(p);
    }
    return box;
}

TEST(GlyphServiceTest, FacesAreFoundByNameOrStandardName) {
    struct Case {
        const char* face;
        FontStatus status;
    };
    const Case cases[] = {
        {"DejaVu Sans", FontStatus::Ok}, {"dejavusans", FontStatus::Ok}, {"Arial", FontStatus::Ok},
        {"", FontStatus::Ok},           {"sans-serif", FontStatus::Ok},  {"No Such Face 42", FontStatus::UnknownFace},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        FontStatus status = FontStatus::Unavailable;
        auto font = openGlyphFont(request(c.face, -22), status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(font != nullptr, c.status == FontStatus::Ok);
    }
}

TEST(GlyphServiceTest, OutlinesAreClosedContoursAtTheRequestedSize) {
    FontStatus status;
    auto font = openGlyphFont(request("DejaVu Sans", -22), status);
    ASSERT_TRUE(font);
    std::vector<GlyphContour> contours;
    EXPECT_EQ(font->outline(' ', contours), GlyphStatus::Blank);
    EXPECT_EQ(font->outline('O', contours), GlyphStatus::Ok);
    EXPECT_EQ(contours.size(), 2u);
    EXPECT_EQ(font->outline('l', contours), GlyphStatus::Ok);
    ASSERT_EQ(contours.size(), 1u);
    // The contour returns to its start by itself: no record ends on it.
    const GlyphPoint end = contours[0].records.back().points.back();
    EXPECT_FALSE(end.x == contours[0].start.x && end.y == contours[0].start.y);

    // A capital H of a 22 pixel em is about 16 pixels high; its widths add up
    // to its advance and frame its ink.
    const Box h = inkOf(*font, 'H');
    EXPECT_GT(h.y1 - h.y0, 14);
    EXPECT_LT(h.y1 - h.y0, 18);
    GlyphWidths w{};
    ASSERT_TRUE(font->widths('H', w));
    EXPECT_NEAR(w.a, h.x0, 0.05);
    EXPECT_NEAR(w.a + w.b, h.x1, 0.05);
    EXPECT_GT(w.c, 0);
    EXPECT_FALSE(font->widths(0xE000, w));  // private use: no glyph
    EXPECT_EQ(font->outline(0xE000, contours), GlyphStatus::Failed);
}

TEST(GlyphServiceTest, HeightWeightAndSlantShapeTheGlyphs) {
    FontStatus status;
    auto em = openGlyphFont(request("DejaVu Sans", -100), status);
    auto cell = openGlyphFont(request("DejaVu Sans", 100), status);
    auto bold = openGlyphFont(request("DejaVu Sans", -100, 700), status);
    auto italic = openGlyphFont(request("DejaVu Sans", -100, 400, 1), status);
    auto huge = openGlyphFont(request("DejaVu Sans", -2000000000), status);
    ASSERT_TRUE(em && cell && bold && italic && huge);
    const Box plain = inkOf(*em, 'l');
    // A cell height includes the room above and below the letters.
    EXPECT_LT(inkOf(*cell, 'l').y1, plain.y1 * 0.95);
    EXPECT_GT(inkOf(*bold, 'l').x1 - inkOf(*bold, 'l').x0, (plain.x1 - plain.x0) * 1.2);
    // A slanted l leans right: its box is wider than its upright stroke.
    EXPECT_GT(inkOf(*italic, 'l').x1 - inkOf(*italic, 'l').x0, (plain.x1 - plain.x0) * 1.5);
    EXPECT_LT(inkOf(*huge, 'l').y1, kMaxGlyphPixels);
    EXPECT_GT(inkOf(*huge, 'l').y1, kMaxGlyphPixels * 0.5);
}

TEST(GlyphServiceTest, TextBytesAreWindows1252) {
    const std::pair<unsigned char, uint32_t> cases[] = {
        {'A', 'A'}, {0x80, 0x20AC}, {0x81, 0}, {0x8D, 0}, {0x92, 0x2019}, {0x9F, 0x0178}, {0xA0, 0xA0}, {0xE9, 0xE9},
    };
    for (const auto& [byte, codepoint] : cases) {
        SCOPED_TRACE(static_cast<int>(byte));
        EXPECT_EQ(glyphCodepoint(byte, 0), codepoint);
    }
}

}  // namespace

// Text objects: the text field, solids of real glyphs and of glyphs from a
// scripted font, and extrusion of drawn outlines.
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "core_fixture.h"
#include "geometry/mesh_expect.h"
#include "geometry/solid_expect.h"
#include "geometry/text_internal.h"
#include "kxplatform/glyphs.h"

namespace kxtest {
namespace {

using kx::platform::FontStatus;
using kx::platform::GlyphContour;
using kx::platform::GlyphRecord;
using kx::platform::GlyphStatus;

LOGFONT font(const char* face, int height, int weight = 0, uint8_t italic = 0) {
    LOGFONT lf{};
    std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    return lf;
}

// A font whose glyphs are scripted: S a 10 x 10 square, Q a square whose
// corners are rounded by one quadratic spline of three control points, W two
// curves bent enough for 2^8 pieces each, F and B fail, N has no glyph.
class ScriptedFont : public kx::platform::GlyphFont {
public:
    bool widths(uint32_t c, kx::platform::GlyphWidths& out) override {
        if (c == 'N') return false;
        out = {1, 10, 1};
        return true;
    }
    GlyphStatus outline(uint32_t c, std::vector<GlyphContour>& out) override {
        out.clear();
        switch (c) {
            case 'F': return GlyphStatus::Failed;
            case 'B': return GlyphStatus::BadData;
            case 'S': out.push_back({{0, 0}, {{GlyphRecord::Line, {{10, 0}, {10, 10}, {0, 10}}}}}); break;
            case 'Q':
                out.push_back({{0, 0}, {{GlyphRecord::QuadSpline, {{10, 0}, {10, 10}, {0, 10}}}}});
                break;
            case 'W':
                out.push_back({{0, 0},
                               {{GlyphRecord::QuadSpline, {{5000, 0}, {5000, 5000}}},
                                {GlyphRecord::QuadSpline, {{0, 5000}, {0, 0}}}}});
                break;
            default: return GlyphStatus::Blank;
        }
        return GlyphStatus::Ok;
    }
};

std::unique_ptr<kx::platform::GlyphFont> openScripted(const LOGFONT& lf, FontStatus& status) {
    status = FontStatus::Ok;
    if (std::strcmp(lf.lfFaceName, "Gone") == 0) status = FontStatus::UnknownFace;
    if (std::strcmp(lf.lfFaceName, "Down") == 0) status = FontStatus::Unavailable;
    if (status != FontStatus::Ok) return nullptr;
    return std::make_unique<ScriptedFont>();
}

class TextTest : public CoreTest {
protected:
    void TearDown() override {
        kx::platform::setGlyphFontOpener(nullptr);
        CoreTest::TearDown();
    }
    CadObject* textObject(const char* field) {
        CadObjectInfo* info = CreateDefaultInfo();
        SetObjectExtraInfo(info, KX_VALUE_STRING, KX_PROP_TEXTSTRING, 1, field);
        CreateText(info);
        return GetLastCadObject();
    }
    bool shown(const std::string& text) const {
        for (const ShownMessage& m : ui.messages)
            if (m.text == text) return true;
        return false;
    }
};

TEST_F(TextTest, FieldRoundTripsEveryFontAndTextEvenWithBars) {
    LOGFONT plain = font("Arial", -22, 400);
    EXPECT_STREQ(SetTextObject("Text", &plain), "Text|Arial|-22");
    LOGFONT styled = font("Arial", -22, 700, 1);
    EXPECT_STREQ(SetTextObject("Text", &styled), "Text|Arial|-22|700|0|1");

    LOGFONT fonts[] = {plain, styled, font("Courier New", 40, 300)};
    fonts[2].lfUnderline = 1;
    fonts[2].lfStrikeOut = 1;
    fonts[2].lfCharSet = 2;
    const char* texts[] = {"Text", "a|b", "|", "a|", "|a", "Year|2024", "x|-22", "1|2|3|4|5", ""};
    for (const LOGFONT& f : fonts)
        for (const char* t : texts) {
            SCOPED_TRACE(std::string(t) + " in " + f.lfFaceName);
            const std::string field = SetTextObject(t, &f);
            // The short form carries no weight: the one read over stays.
            const bool shortForm = &f == &fonts[0];
            LOGFONT back = font("other", 1, 1);
            EXPECT_STREQ(GetTextObject(field.c_str(), &back), t);
            EXPECT_STREQ(back.lfFaceName, f.lfFaceName);
            EXPECT_EQ(back.lfHeight, f.lfHeight);
            EXPECT_EQ(back.lfWeight, shortForm ? 1 : f.lfWeight);
            EXPECT_EQ(back.lfCharSet, f.lfCharSet);
            EXPECT_EQ(back.lfItalic != 0, f.lfItalic != 0);
            EXPECT_EQ(back.lfUnderline != 0, f.lfUnderline != 0);
            EXPECT_EQ(back.lfStrikeOut != 0, f.lfStrikeOut != 0);
        }
}

TEST_F(TextTest, FieldPartsThatAreMissingLeaveTheFontAlone) {
    struct Case {
        const char* field;
        const char* text;
        const char* face;
        int height, weight;
    };
    const Case cases[] = {
        {"Just text", "Just text", "keep", 5, 600},
        {"Text|Courier", "Text", "Courier", 5, 600},
        {"Text|Courier|-30|700", "Text", "Courier", -30, 700},
        {"Text|Courier|abc", "Text", "Courier", 0, 600},  // read as atoi reads it
        {"Text|1942|-22", "Text", "1942", -22, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        LOGFONT lf = font("keep", 5, 600);
        EXPECT_STREQ(GetTextObject(c.field, &lf), c.text);
        EXPECT_STREQ(lf.lfFaceName, c.face);
        EXPECT_EQ(lf.lfHeight, c.height);
        EXPECT_EQ(lf.lfWeight, c.weight);
    }
    EXPECT_STREQ(GetTextObject("a|b|c", nullptr), "a");
    EXPECT_STREQ(GetTextObject(nullptr, nullptr), "");
}

TEST_F(TextTest, OverlongTextsAndFacesStayInTheirBuffers) {
    const std::string longText(5000, 'x');
    LOGFONT lf = font("Arial", -22);
    std::memset(lf.lfFaceName, 'F', sizeof lf.lfFaceName);  // no terminator
    const std::string field = SetTextObject(longText.c_str(), &lf);
    EXPECT_LE(field.size(), KX_EXTRA_TEXT_MAX);
    const std::string face(31, 'F');
    EXPECT_EQ(field.substr(field.size() - face.size() - 5), "|" + face + "|-22");
    LOGFONT back{};
    const std::string text = GetTextObject(field.c_str(), &back);
    EXPECT_EQ(text, longText.substr(0, text.size()));
    EXPECT_EQ(back.lfFaceName, face);
    EXPECT_EQ(back.lfHeight, -22);
}

TEST_F(TextTest, KalvexInTheDefaultFaceIsAClosedSolidSizedByItsAdvances) {
    CadObject* obj = textObject("Kalvex");
    ASSERT_EQ(obj->type, KX_TEXT);
    ASSERT_NE(obj->points, nullptr);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    const Solid s = readSolid(obj->points);
    EXPECT_TRUE(s.stray.empty());
    EXPECT_TRUE(wallsClosed(s));
    EXPECT_TRUE(capsFill(s));
    ASSERT_NE(obj->polygons, nullptr);
    EXPECT_EQ(obj->polygonCount, obj->count);

    // The box is centred, 4 deep, as wide as the ink of the advances laid out
    // at 0.4 units per pixel and about as high as a capital of 22 pixels.
    LOGFONT lf = font("Arial", -22);
    FontStatus status;
    auto face = kx::platform::openGlyphFont(lf, status);
    ASSERT_TRUE(face);
    // The ink runs from the first glyph's bearing to the end of the last one's.
    const std::string text = "Kalvex";
    double advance = 0, first = 0, last = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        kx::platform::GlyphWidths w{};
        ASSERT_TRUE(face->widths(static_cast<unsigned char>(text[i]), w));
        if (i == 0) first = w.a;
        if (i + 1 == text.size()) last = advance + w.a + w.b;
        advance += w.a + w.b + w.c;
    }
    ASSERT_EQ(obj->boundValid, 1);
    Point3d lo{}, hi{};
    ASSERT_EQ(GetObjectBounds(obj->points, &lo, &hi, 0), 1);
    EXPECT_TRUE(nearPoint(obj->boundMin, lo, 0) && nearPoint(obj->boundMax, hi, 0));
    EXPECT_FLOAT_EQ(obj->boundMin.z, -2);
    EXPECT_FLOAT_EQ(obj->boundMax.z, 2);
    EXPECT_NEAR(obj->boundMax.x - obj->boundMin.x, (last - first) * 0.4, 0.4);
    EXPECT_NEAR(obj->boundMax.x + obj->boundMin.x, 0, 1e-4);
    const double height = obj->boundMax.y - obj->boundMin.y;
    EXPECT_GT(height, 0.6 * 22 * 0.4);
    EXPECT_LT(height, 1.1 * 22 * 0.4);
}

TEST_F(TextTest, RebuildFromTheTextFieldGivesTheSameSolid) {
    CadObject* obj = textObject("Kalvex|DejaVu Sans|-30|700|0|1");
    const std::vector<Point3d> built = listVertices(obj->points);
    ASSERT_FALSE(built.empty());
    ASSERT_EQ(RebuildText(obj), 1);
    std::vector<Point3d> again = listVertices(obj->points);
    ASSERT_EQ(again.size(), built.size());
    EXPECT_EQ(std::memcmp(again.data(), built.data(), built.size() * sizeof(Point3d)), 0);

    // The rebuild of the primitive places it, here nowhere else.
    ASSERT_EQ(RebuildObjectEx(obj, 1), 1);
    again = listVertices(obj->points);
    ASSERT_EQ(again.size(), built.size());
    size_t moved = 0;
    for (size_t i = 0; i < built.size(); ++i) moved += !nearPoint(again[i], built[i], 1e-4);
    EXPECT_EQ(moved, 0u);

    // A text object without its field keeps the placeholder letter.
    CadObject* bare = textObject("x");
    FreeObjectExtra(bare);
    EXPECT_EQ(CreateTextEx(bare), 0);
    EXPECT_EQ(bare->count, 24u);
    EXPECT_EQ(nodeSizes(bare->points), std::vector<unsigned>(24, 2));
}

TEST_F(TextTest, BadFontsAndStringsNeverCrash) {
    {
        SCOPED_TRACE("unknown face falls back, and the log says so");
        EnableLogMessage(1);
        LOGFONT lf = font("No Such Face 42", -22);
        CadObject* obj = NewCadObject("t");
        EXPECT_EQ(RipTextReplace(obj, "Kx", &lf), 1);
        EXPECT_TRUE(shown("Error unknown font"));
        EXPECT_STREQ(lf.lfFaceName, "Arial");
        EXPECT_TRUE(wallsClosed(readSolid(obj->points)));
        const std::string log = dir.read("KALVEX.LOG");
        EXPECT_NE(log.find("Error unknown font"), std::string::npos);
        EXPECT_NE(log.find("\"No Such Face 42\""), std::string::npos) << log;
    }
    for (const char* blank : {"", "   "}) {
        SCOPED_TRACE(std::string("blank \"") + blank + "\"");
        ui.clear();
        CadObject* obj = NewCadObject("t");
        EXPECT_EQ(RipTextReplace(obj, blank, nullptr), 0);
        EXPECT_EQ(ui.lastMessage(), std::string("Error generating text \"") + blank + "\"");
        EXPECT_FALSE(shown("Error unknown font"));
        EXPECT_EQ(obj->points, nullptr);
        EXPECT_EQ(obj->count, 0u);
    }
    {
        SCOPED_TRACE("characters without glyphs are skipped but take room");
        ui.clear();
        CadObject* plain = NewCadObject("plain");
        CadObject* gaps = NewCadObject("gaps");
        ASSERT_EQ(RipTextReplace(plain, "Kx", nullptr), 1);
        ASSERT_EQ(RipTextReplace(gaps, "K\x81x", nullptr), 1);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(gaps->count, plain->count);
        EXPECT_GT(gaps->boundMax.x - gaps->boundMin.x, plain->boundMax.x - plain->boundMin.x + 1);
    }
    {
        SCOPED_TRACE("over-long strings build their first 1024 bytes");
        CadObject* one = NewCadObject("one");
        CadObject* many = NewCadObject("many");
        ASSERT_EQ(RipTextReplace(one, "-", nullptr), 1);
        ASSERT_EQ(RipTextReplace(many, std::string(5000, '-').c_str(), nullptr), 1);
        EXPECT_EQ(many->count, one->count * 1024);
    }
    // Heights past what glyphs are built at are capped, and the log says so.
    for (int height : {-2000000000, INT_MIN, INT_MAX, 0, -16384}) {
        SCOPED_TRACE("height " + std::to_string(height));
        EnableLogMessage(1);
        std::filesystem::remove(dir.file("KALVEX.LOG"));
        LOGFONT lf = font("DejaVu Sans", height);
        CadObject* obj = NewCadObject("huge");
        ASSERT_EQ(RipTextReplace(obj, "O", &lf), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_TRUE(wallsClosed(s));
        EXPECT_TRUE(capsFill(s));
        EXPECT_LE(obj->boundMax.y - obj->boundMin.y, kx::platform::kMaxGlyphPixels * 0.4 * 1.5);
        const bool capped = std::abs(static_cast<double>(height)) > kx::platform::kMaxGlyphPixels;
        const std::string said = "Text height " + std::to_string(height) + " is out of range";
        EXPECT_EQ(dir.read("KALVEX.LOG").find(said) != std::string::npos, capped);
    }
}

TEST_F(TextTest, LargeGlyphsKeepEveryPointOfTheirOutline) {
    // At a height of thousands of pixels each curve of an O gives 2^8
    // pieces: far more points than a table of 500 would hold.
    LOGFONT lf = font("DejaVu Sans", -10000);
    CadObject* obj = NewCadObject("big");
    ASSERT_EQ(RipTextReplace(obj, "O", &lf), 1);
    const Solid s = readSolid(obj->points);
    EXPECT_GT(s.walls.size(), 2u * 1000);
    EXPECT_TRUE(wallsClosed(s));
    EXPECT_TRUE(capsFill(s));
}

TEST_F(TextTest, ScriptedGlyphsBuildAsTheirOutlinesSay) {
    kx::platform::setGlyphFontOpener(openScripted);
    LOGFONT lf = font("Scripted", -22);
    {
        SCOPED_TRACE("square");
        CadObject* obj = NewCadObject("s");
        ASSERT_EQ(RipTextReplace(obj, "S", &lf), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_EQ(s.walls.size(), 8u);
        EXPECT_TRUE(wallsClosed(s));
        EXPECT_TRUE(capsFill(s, 0.005));
        EXPECT_NEAR(enclosedArea(s), 16.0, 1e-4);  // 10 x 10 font units at 0.4
    }
    {
        SCOPED_TRACE("spline through the midpoints of its control points");
        CadObject* obj = NewCadObject("q");
        ASSERT_EQ(RipTextReplace(obj, "Q", &lf), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_TRUE(wallsClosed(s));
        // Centred on the box of 0..4 x 0..4: the midpoint (10, 5) and the end
        // (0, 10) of the spline are corners.
        bool mid = false, end = false;
        for (const Triangle& t : s.walls)
            for (const Point3d& p : t) {
                mid |= nearPoint(p, {2, 0, p.z}, 1e-5);
                end |= nearPoint(p, {-2, 2, p.z}, 1e-5);
            }
        EXPECT_TRUE(mid && end);
    }
    {
        SCOPED_TRACE("two sharply bent curves: 512 corners");
        CadObject* obj = NewCadObject("w");
        ASSERT_EQ(RipTextReplace(obj, "W", &lf), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_EQ(s.walls.size(), 2u * 512);
        EXPECT_TRUE(wallsClosed(s));
    }
    {
        SCOPED_TRACE("failing glyphs are reported and skipped; the others keep their place");
        ui.clear();
        CadObject* obj = NewCadObject("f");
        ASSERT_EQ(RipTextReplace(obj, "FSBS", &lf), 1);
        EXPECT_TRUE(shown("Error GetGlyphOutline"));
        EXPECT_TRUE(shown("Error bad glyph data"));
        EXPECT_EQ(readSolid(obj->points).walls.size(), 16u);
        // Squares 10 wide at the advances 12 and 36 (each glyph takes 12).
        EXPECT_NEAR(obj->boundMax.x - obj->boundMin.x, (36 + 10 - 12) * 0.4, 1e-4);
    }
    struct Case {
        const char* face;
        const char* message;
    };
    for (const Case& c : {Case{"Gone", "Error unknown font"}, Case{"Down", "Error getting text device context"}}) {
        SCOPED_TRACE(c.face);
        ui.clear();
        LOGFONT bad = font(c.face, -22);
        CadObject* obj = NewCadObject("bad");
        EXPECT_EQ(RipTextReplace(obj, "S", &bad), 1);  // "Arial" is there
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.front().text, c.message);
    }
}

TEST_F(TextTest, RipTextAddsASelectedPolygonOnlyWhenSomethingWasBuilt) {
    EXPECT_EQ(RipText(Point3d{5, 5, 5}, "Kx", nullptr), 1);
    CadObject* obj = GetLastCadObject();
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->type, KX_POLYGON);
    EXPECT_STREQ(obj->name, "_poly0");
    EXPECT_EQ(obj->selected, 1);
    EXPECT_NEAR(obj->boundMin.x + obj->boundMax.x, 0, 1e-4);
    EXPECT_EQ(RipText(Point3d{}, " ", nullptr), 0);
    EXPECT_EQ(GetLastCadObject(), obj);
    EXPECT_EQ(GetCadObjectsCount(), 1u);
}

TEST_F(TextTest, AccumulatorStopsAtItsLimit) {
    Point3d tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    TextAccumulator acc{nullptr, nullptr, kx::geometry::kMaxTextFacets - 2};
    EXPECT_EQ(WriteTextFacet(&acc, tri), 1);
    EXPECT_EQ(WriteTextFacet(&acc, tri), 1);
    EXPECT_EQ(WriteTextFacet(&acc, tri), 0);
    EXPECT_EQ(CountEntry(acc.head), 2u);
    EXPECT_EQ(WriteTextFacet(nullptr, tri), 0);
    EXPECT_EQ(WriteTextFacet(&acc, nullptr), 0);
    ClearEntry(acc.head);
}

TEST_F(TextTest, ScanlineFillEndsWhereYStopsGrowing) {
    // Far from zero a thousandth of this outline's height is lost in rounding.
    const kx::geometry::Vec2 far[] = {{0, 1e17}, {64, 1e17}, {0, 1e17 + 64}, {0, 1e17}};
    kx::geometry::TextLayout layout;
    layout.scale = kx::geometry::kExtrudeScale;
    kx::geometry::FacetList facets;
    kx::geometry::SolidBuilder builder(layout, facets.get());
    builder.walls(far, 4);
    builder.caps();
    EXPECT_EQ(facets.count(), 6u);  // the walls; no scanline above the first one exists

    // A layout scale that is neither the text's nor the extrusion's is replaced.
    layout.scale = 2.5;
    kx::geometry::SolidBuilder rescaled(layout, facets.get());
    EXPECT_EQ(ui.lastMessage(), "Bad text scale 2.500000\n");
    EXPECT_EQ(layout.scale, kx::geometry::kTextScale);
}

}  // namespace
}  // namespace kxtest

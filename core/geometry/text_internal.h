// The wall-and-cap builder shared by text objects and extrusion, and the
// glyph layout of a string; not exported.
#pragma once

#include <cstddef>
#include <vector>

#include "core_state.h"
#include "kx/text.h"

namespace kx::geometry {

inline constexpr double kTextScale = 0.4;     // scene units per font unit of text
inline constexpr double kExtrudeScale = 1.0;  // drawn outlines keep their size
inline constexpr double kDepth = 2.0;         // walls and caps at z = -kDepth and +kDepth
inline constexpr size_t kMaxCrossings = 32;   // crossings of one scanline that are filled
inline constexpr uint32_t kMaxTextFacets = 1000000;
inline constexpr size_t kMaxTextBytes = 1024;  // bytes of a string that are built
// A glyph's flattened outline may grow to this many points before it is
// taken for damaged data (one curve gives at most 256).
inline constexpr size_t kMaxGlyphPoints = size_t{1} << 20;

// Where the next glyph goes: scene point = (advance + x) * scale + origin.x,
// y * scale + origin.y, origin.z. Reset before every string.
struct TextLayout {
    Point3d origin{0, 0, 0};
    double scale = kTextScale;
    double advance = 0;
};

struct Vec2 {
    double x;
    double y;
};

// Holds an accumulator's triangles until they are handed over.
class FacetList {
public:
    FacetList() = default;
    FacetList(const FacetList&) = delete;
    FacetList& operator=(const FacetList&) = delete;
    ~FacetList() { ClearEntry(acc_.head); }

    TextAccumulator* get() { return &acc_; }
    uint32_t count() const { return acc_.count; }
    // Gives the list to obj (its old list is freed) and empties this one.
    void storeInto(CadObject* obj);
    void clear();

private:
    TextAccumulator acc_{};
};

// Builds walls and caps into an accumulator. Outlines are given in font (or
// drawing) units and placed by the layout; the edges collected since the last
// caps() are filled at both depths by caps().
class SolidBuilder {
public:
    // A layout scale other than the text or the extrusion scale is reported
    // and replaced by the text scale.
    SolidBuilder(TextLayout& layout, TextAccumulator* acc);

    // The walls of the edges points[i] -> points[i + 1]; with collect, the
    // edges also go into the edge table for the caps.
    void walls(const Vec2* points, size_t n, bool collect = true);
    // Caps at z = -2, then z = +2; empties the edge table.
    void caps();
    // False once the accumulator refused a triangle: nothing more is added.
    bool ok() const { return ok_; }

private:
    struct Edge {
        Vec2 lower;
        Vec2 upper;
        unsigned contour;
    };
    struct Crossing {
        double x;
        size_t edge;
    };
    struct Row {
        double y = 0;
        std::vector<Crossing> xs;
    };

    Vec2 place(const Vec2& p) const;
    void facet(const Vec2& a, double za, const Vec2& b, double zb, const Vec2& c, double zc);
    bool scan(double y, Row& row) const;
    void fill(double z);
    void strip(const Row& bottom, const Row& top, double z);

    TextLayout& layout_;
    TextAccumulator* acc_;
    std::vector<Edge> edges_;
    unsigned contour_ = 0;
    bool ok_ = true;
};

// Lays out text (len bytes) in the font lf, each glyph's walls and caps in
// turn, into acc. Reports an unknown face or an unusable font service, and
// glyphs that cannot be read (they are skipped; the advance still grows).
void buildTextSolid(const char* text, size_t len, const LOGFONT& lf, TextLayout& layout,
                    TextAccumulator* acc);

// Flattens the quadratic curve p0, p1, p2 into 2^k straight pieces (k from
// its bend, 1 to 8) and appends their end points (not p0) to out.
void flattenCurve(const Vec2& p0, const Vec2& p1, const Vec2& p2, std::vector<Vec2>& out);

}  // namespace kx::geometry

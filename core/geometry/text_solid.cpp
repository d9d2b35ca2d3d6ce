// Solids from outlines: walls along every edge between the two depth planes,
// caps from a scanline fill of the edges at both planes, and the glyph
// outlines of a string laid out one after the other.
#include <algorithm>
#include <cmath>

#include "geometry/mesh_builder.h"
#include "geometry/text_internal.h"
#include "kxplatform/glyphs.h"

namespace kx::geometry {
namespace {

using platform::GlyphContour;
using platform::GlyphRecord;

Vec2 midpoint(const platform::GlyphPoint& a, const platform::GlyphPoint& b) {
    return Vec2{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
}

Vec2 vec(const platform::GlyphPoint& p) { return Vec2{p.x, p.y}; }

// The closed point sequence of a contour: its curve points in order, then its
// start, then its first curve point again, so that consecutive points give
// every edge once. Repeated points are merged: an edge of no length would only
// give walls of no area. False when the contour grows beyond the point limit.
bool contourPoints(const GlyphContour& c, std::vector<Vec2>& pts) {
    pts.clear();
    Vec2 current = vec(c.start);
    for (const GlyphRecord& r : c.records) {
        const size_t n = r.points.size();
        if (n == 0) continue;
        if (r.kind == GlyphRecord::Line || n == 1) {
            for (const auto& p : r.points) pts.push_back(vec(p));
        } else {
            // Curves through c1 to the midpoint of c1 and c2, through c2 to the
            // next midpoint, ..., the last through c(n-1) to cn itself.
            for (size_t i = 0; i + 1 < n; ++i) {
                const Vec2 end = i + 2 == n ? vec(r.points[n - 1]) : midpoint(r.points[i], r.points[i + 1]);
                flattenCurve(current, vec(r.points[i]), end, pts);
                current = end;
            }
        }
        current = pts.empty() ? current : pts.back();
        if (pts.size() > kMaxGlyphPoints) return false;
    }
    if (pts.empty()) return true;
    const Vec2 first = pts.front();
    pts.push_back(vec(c.start));
    pts.push_back(first);
    pts.erase(std::unique(pts.begin(), pts.end(),
                          [](const Vec2& a, const Vec2& b) { return a.x == b.x && a.y == b.y; }),
              pts.end());
    // Fewer than three corners enclose nothing.
    if (pts.size() < 4) pts.clear();
    return true;
}

// One glyph at the current advance: all its contours, then its caps.
void buildGlyph(platform::GlyphFont& font, uint32_t codepoint, SolidBuilder& builder,
                std::vector<GlyphContour>& contours, std::vector<std::vector<Vec2>>& outlines) {
    switch (font.outline(codepoint, contours)) {
        case platform::GlyphStatus::Ok: break;
        case platform::GlyphStatus::Blank: return;
        case platform::GlyphStatus::Failed: ErrorMessage("Error GetGlyphOutline"); return;
        case platform::GlyphStatus::BadData: ErrorMessage("Error bad glyph data"); return;
    }
    outlines.resize(contours.size());
    size_t total = 0;
    for (size_t i = 0; i < contours.size(); ++i) {
        if (!contourPoints(contours[i], outlines[i]) || (total += outlines[i].size()) > kMaxGlyphPoints) {
            ErrorMessage("Error bad glyph data");
            return;
        }
    }
    for (size_t i = 0; i < contours.size(); ++i) builder.walls(outlines[i].data(), outlines[i].size());
    builder.caps();
}

}  // namespace

void FacetList::storeInto(CadObject* obj) {
    SetObjectPoints(obj, acc_.head);
    acc_ = TextAccumulator{};
}

void FacetList::clear() {
    ClearEntry(acc_.head);
    acc_ = TextAccumulator{};
}

void flattenCurve(const Vec2& p0, const Vec2& p1, const Vec2& p2, std::vector<Vec2>& out) {
    // The bend in 1/64 units: each halving of the pieces quarters it.
    const double ax = std::fabs(p0.x - 2 * p1.x + p2.x) * 64.0;
    const double ay = std::fabs(p0.y - 2 * p1.y + p2.y) * 64.0;
    double d = 2 * std::max(ax, ay) + std::min(ax, ay);
    int k = 1;
    while (d > 128.0 && k < 8) {
        d /= 4.0;
        ++k;
    }
    const int n = 1 << k;
    for (int i = 1; i < n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1.0 - t;
        out.push_back(Vec2{u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                           u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    out.push_back(p2);
}

SolidBuilder::SolidBuilder(TextLayout& layout, TextAccumulator* acc) : layout_(layout), acc_(acc) {
    if (layout_.scale != kTextScale && layout_.scale != kExtrudeScale) {
        ErrorMessage("Bad text scale %f\n", layout_.scale);
        layout_.scale = kTextScale;
    }
}

Vec2 SolidBuilder::place(const Vec2& p) const {
    const double s = layout_.scale;
    return Vec2{layout_.advance * s + p.x * s + layout_.origin.x, p.y * s + layout_.origin.y};
}

void SolidBuilder::facet(const Vec2& a, double za, const Vec2& b, double zb, const Vec2& c, double zc) {
    if (!ok_) return;
    const double z0 = layout_.origin.z;
    Point3d tri[3] = {vertex(a.x, a.y, z0 + za), vertex(b.x, b.y, z0 + zb), vertex(c.x, c.y, z0 + zc)};
    if (WriteTextFacet(acc_, tri)) return;
    ok_ = false;
    if (acc_ && acc_->count >= kMaxTextFacets) LogMessage(1, "Solid cut at %u triangles", acc_->count);
}

void SolidBuilder::walls(const Vec2* points, size_t n, bool collect) {
    for (size_t i = 0; i + 1 < n && ok_; ++i) {
        const Vec2 p = place(points[i]), q = place(points[i + 1]);
        facet(p, -kDepth, q, -kDepth, q, kDepth);
        facet(q, kDepth, p, kDepth, p, -kDepth);
        if (!collect) continue;
        // Lower end first; of two ends at one height the first stays first.
        if (q.y < p.y)
            edges_.push_back(Edge{q, p, contour_});
        else
            edges_.push_back(Edge{p, q, contour_});
    }
    ++contour_;
}

bool SolidBuilder::scan(double y, Row& row) const {
    row.y = y;
    row.xs.clear();
    for (size_t i = 0; i < edges_.size(); ++i) {
        const Edge& e = edges_[i];
        if (e.lower.y == e.upper.y || !(e.lower.y <= y && y < e.upper.y)) continue;
        const double x = e.lower.x + (y - e.lower.y) * (e.upper.x - e.lower.x) / (e.upper.y - e.lower.y);
        row.xs.push_back(Crossing{x, i});
    }
    std::sort(row.xs.begin(), row.xs.end(), [](const Crossing& a, const Crossing& b) {
        return a.x < b.x || (a.x == b.x && a.edge < b.edge);
    });
    if (row.xs.size() > kMaxCrossings) row.xs.resize(kMaxCrossings);
    return !row.xs.empty();
}

void SolidBuilder::strip(const Row& bottom, const Row& top, double z) {
    // With a different number of crossings the top row's x values cannot be
    // paired with the bottom row's: the strip is squared off instead.
    const bool paired = bottom.xs.size() == top.xs.size();
    for (size_t i = 0; i + 1 < bottom.xs.size() && ok_; i += 2) {
        const double b0 = bottom.xs[i].x, b1 = bottom.xs[i + 1].x;
        const double t0 = paired ? top.xs[i].x : b0, t1 = paired ? top.xs[i + 1].x : b1;
        facet(Vec2{t1, top.y}, z, Vec2{b1, bottom.y}, z, Vec2{b0, bottom.y}, z);
        facet(Vec2{t0, top.y}, z, Vec2{t1, top.y}, z, Vec2{b0, bottom.y}, z);
    }
}

void SolidBuilder::fill(double z) {
    if (edges_.empty()) return;
    double ymin = edges_.front().lower.y, ymax = edges_.front().upper.y;
    for (const Edge& e : edges_) {
        ymin = std::min(ymin, e.lower.y);
        ymax = std::max(ymax, e.upper.y);
    }
    const double step = (ymax - ymin) * 0.001;
    // Far from zero a small step may vanish in rounding (or be zero for a flat
    // outline): the scan ends where y stops increasing.
    auto up = [step](double& y) {
        const double next = y + step;
        if (!(next > y)) return false;
        y = next;
        return true;
    };
    auto same = [](const Row& a, const Row& b) {
        return a.xs.size() == b.xs.size() &&
               std::equal(a.xs.begin(), a.xs.end(), b.xs.begin(),
                          [](const Crossing& p, const Crossing& q) { return p.edge == q.edge; });
    };

    Row bottom, top, probe;
    double y = ymin;
    while (y < ymax && !scan(y, bottom))
        if (!up(y)) return;
    while (ok_ && y < ymax) {
        // The next scanline with crossings is the top of the strip. Rows
        // separated by empty scanlines belong to separate pieces (the dot
        // over an i): the gap between them is not filled.
        bool gap = false;
        for (;;) {
            if (!up(y) || !(y < ymax)) return;
            if (scan(y, top)) break;
            gap = true;
        }
        if (gap) {
            std::swap(bottom, top);
            continue;
        }
        // While the same edges are crossed, the strip grows.
        if (same(bottom, top)) {
            double next = y;
            while (up(next) && next < ymax && scan(next, probe) && same(bottom, probe)) {
                std::swap(top, probe);
                y = next;
            }
        }
        strip(bottom, top, z);
        std::swap(bottom, top);
    }
}

void SolidBuilder::caps() {
    fill(-kDepth);
    fill(kDepth);
    edges_.clear();
    contour_ = 0;
}

void buildTextSolid(const char* text, size_t len, const LOGFONT& lf, TextLayout& layout,
                    TextAccumulator* acc) {
    platform::FontStatus status = platform::FontStatus::Ok;
    std::unique_ptr<platform::GlyphFont> font = platform::openGlyphFont(lf, status);
    if (!font) {
        ErrorMessage(status == platform::FontStatus::Unavailable ? "Error getting text device context"
                                                                 : "Error unknown font");
        return;
    }
    SolidBuilder builder(layout, acc);
    std::vector<GlyphContour> contours;
    std::vector<std::vector<Vec2>> outlines;
    // A character without widths keeps the width of the one before it.
    double width = 1.0;
    for (size_t i = 0; i < len && builder.ok(); ++i) {
        const uint32_t codepoint = platform::glyphCodepoint(static_cast<unsigned char>(text[i]), lf.lfCharSet);
        platform::GlyphWidths w{};
        if (codepoint != 0 && font->widths(codepoint, w)) {
            buildGlyph(*font, codepoint, builder, contours, outlines);
            width = w.a + w.b + w.c;
        }
        layout.advance += width;
    }
}

}  // namespace kx::geometry

int WriteTextFacet(TextAccumulator* acc, Point3d* tri) {
    if (!acc || !tri || acc->count >= kx::geometry::kMaxTextFacets) return 0;
    ListEntry* node = AddEntry(3, acc->last, tri);
    if (!node) return 0;
    if (!acc->head) acc->head = node;
    acc->last = node;
    ++acc->count;
    return 1;
}

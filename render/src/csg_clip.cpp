#include "csg_clip.h"

#include <algorithm>
#include <cmath>

#include "rasteriser.h"

namespace kxr {

namespace {

// Splits stop at pieces about this many pixels across, or this deep.
constexpr double kFinestPixels = 1.5;
constexpr int kDeepestSplit = 9;

Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }
Point3d point(Vec3 v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

struct Corner {
    Vec3 position, normal;
};

Corner between(const Corner& a, const Corner& b) {
    return {(a.position + b.position) * 0.5, (a.normal + b.normal) * 0.5};
}

}  // namespace

std::optional<ClipSolid> ClipSolid::make(const CadObject& o, bool keepOutside) {
    ClipSolid s(o);
    if (!s.placement_.usable()) return std::nullopt;
    Vec3 half;
    switch (o.type) {
        case KX_SPHERE:
        case KX_ELLIPSOID:
            s.shape_ = Shape::Sphere;
            s.a_ = std::fabs(o.size.y);
            half = {s.a_, s.a_, s.a_};
            break;
        case KX_BOX:
            s.shape_ = Shape::Box;
            s.a_ = std::fabs(o.size.x) / 2, s.b_ = std::fabs(o.size.y) / 2, s.c_ = std::fabs(o.size.z) / 2;
            half = {s.a_, s.b_, s.c_};
            break;
        case KX_CYLINDER:
        case KX_CONE:
            s.shape_ = Shape::Cylinder;
            s.a_ = std::fabs(o.size.x);
            s.b_ = o.type == KX_CONE ? std::fabs(o.extraPoint.x) : s.a_;
            s.c_ = std::fabs(o.size.y) / 2;
            half = {std::max(s.a_, s.b_), s.c_, std::max(s.a_, s.b_)};
            break;
        case KX_TORUS:
            s.shape_ = Shape::Torus;
            s.a_ = std::fabs(o.size.x), s.b_ = std::fabs(o.size.y);
            half = {s.a_ + s.b_, s.b_, s.a_ + s.b_};
            break;
        default: return std::nullopt;
    }
    if (!finite(half) || !(half.x > 0) || !(half.y > 0) || !(half.z > 0)) return std::nullopt;
    s.keepOutside_ = keepOutside;
    s.lo_ = {INFINITY, INFINITY, INFINITY};
    s.hi_ = {-INFINITY, -INFINITY, -INFINITY};
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 at = s.placement_.point({corner & 1 ? half.x : -half.x, corner & 2 ? half.y : -half.y,
                                            corner & 4 ? half.z : -half.z});
        s.lo_ = {std::min(s.lo_.x, at.x), std::min(s.lo_.y, at.y), std::min(s.lo_.z, at.z)};
        s.hi_ = {std::max(s.hi_.x, at.x), std::max(s.hi_.y, at.y), std::max(s.hi_.z, at.z)};
    }
    return s;
}

bool ClipSolid::inside(Vec3 world) const {
    const Vec3 q = placement_.local(world);
    switch (shape_) {
        case Shape::Sphere: return dot(q, q) <= a_ * a_;
        case Shape::Box: return std::fabs(q.x) <= a_ && std::fabs(q.y) <= b_ && std::fabs(q.z) <= c_;
        case Shape::Cylinder: {
            if (std::fabs(q.y) > c_) return false;
            const double radius = a_ + (b_ - a_) * (q.y + c_) / (2 * c_);
            return q.x * q.x + q.z * q.z <= radius * radius;
        }
        case Shape::Torus: {
            const double across = std::hypot(q.x, q.z) - a_;
            return across * across + q.y * q.y <= b_ * b_;
        }
    }
    return false;
}

bool ClipSolid::mayCross(const Vec3 (&c)[3], const bool (&in)[3]) const {
    if (in[0] != in[1] || in[1] != in[2]) return true;
    // All inside a convex solid: the whole triangle is. The torus is not.
    if (in[0]) return shape_ == Shape::Torus;
    // All outside: it may still reach in between its corners, unless it
    // misses the solid's box.
    for (int axis = 0; axis < 3; ++axis) {
        auto along = [axis](Vec3 v) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; };
        const double low = std::min({along(c[0]), along(c[1]), along(c[2])});
        const double high = std::max({along(c[0]), along(c[1]), along(c[2])});
        if (high < along(lo_) || low > along(hi_)) return false;
    }
    return true;
}

namespace {

struct Clipper {
    const Rasteriser& r;
    const std::vector<ClipSolid>& solids;
    std::vector<TriPolygon>& out;
    size_t budget;

    bool keeps(Vec3 p) const {
        return std::all_of(solids.begin(), solids.end(), [p](const ClipSolid& s) { return s.keeps(p); });
    }

    void emit(const Corner (&c)[3]) {
        TriPolygon t;
        for (int k = 0; k < 3; ++k) {
            t.vertex[k] = point(c[k].position);
            t.normal[k] = point(c[k].normal);
        }
        out.push_back(t);
    }

    void clip(const Corner (&c)[3], int depth) {
        const Vec3 at[3] = {c[0].position, c[1].position, c[2].position};
        bool unsettled = false;
        for (const ClipSolid& s : solids) {
            const bool in[3] = {s.inside(at[0]), s.inside(at[1]), s.inside(at[2])};
            if (s.mayCross(at, in)) {
                unsettled = true;
                break;
            }
        }
        const Vec3 centre = (at[0] + at[1] + at[2]) * (1.0 / 3);
        if (unsettled && depth < kDeepestSplit && budget >= 4) {
            const double reach = std::max({length(at[0] - centre), length(at[1] - centre), length(at[2] - centre)});
            if (r.pixelsAcross(centre, reach) > kFinestPixels) {
                budget -= 4;
                const Corner ab = between(c[0], c[1]), bc = between(c[1], c[2]), ca = between(c[2], c[0]);
                const Corner pieces[4][3] = {{c[0], ab, ca}, {ab, c[1], bc}, {ca, bc, c[2]}, {ab, bc, ca}};
                for (const auto& piece : pieces) clip(piece, depth + 1);
                return;
            }
        }
        if (keeps(centre)) emit(c);
    }
};

}  // namespace

void clipTriangles(const Rasteriser& r, const std::vector<ClipSolid>& solids, const TriPolygon* triangles, size_t n,
                   std::vector<TriPolygon>& out, size_t budget) {
    Clipper clipper{r, solids, out, budget};
    for (size_t i = 0; i < n; ++i) {
        const TriPolygon& t = triangles[i];
        const Corner c[3] = {{vec(t.vertex[0]), vec(t.normal[0])},
                             {vec(t.vertex[1]), vec(t.normal[1])},
                             {vec(t.vertex[2]), vec(t.normal[2])}};
        if (!finite(c[0].position) || !finite(c[1].position) || !finite(c[2].position)) continue;
        clipper.clip(c, 0);
    }
}

}  // namespace kxr

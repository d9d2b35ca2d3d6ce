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
        case KX_PLANE:
            // The plane lies at -size.y / 2 of its frame, its normal along +y;
            // its inside is the side away from the normal.
            if (!std::isfinite(o.size.y)) return std::nullopt;
            s.shape_ = Shape::HalfSpace;
            s.a_ = -o.size.y / 2.0;
            s.keepOutside_ = keepOutside;
            s.lo_ = {-INFINITY, -INFINITY, -INFINITY};
            s.hi_ = {INFINITY, INFINITY, INFINITY};
            return s;
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
        case Shape::HalfSpace: return q.y <= a_;
    }
    return false;
}

namespace {

// The point of triangle abc nearest the origin.
Vec3 nearestToOrigin(Vec3 a, Vec3 b, Vec3 c) {
    const Vec3 ab = b - a, ac = c - a, ap = a * -1.0;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return a;
    const Vec3 bp = b * -1.0;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
    const Vec3 cp = c * -1.0;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double whole = va + vb + vc;
    if (!(std::fabs(whole) > 0)) return a;
    return a + ab * (vb / whole) + ac * (vc / whole);
}

}  // namespace

bool ClipSolid::mayCross(const Vec3 (&c)[3], const bool (&in)[3]) const {
    if (in[0] != in[1] || in[1] != in[2]) return true;
    // A plane crosses a triangle only between corners on its two sides.
    if (shape_ == Shape::HalfSpace) return false;
    // All inside a convex solid: the whole triangle is. The torus is not.
    if (in[0]) return shape_ == Shape::Torus;
    // All outside: it may still reach in between its corners, unless it
    // misses the solid's box in the scene, or, in the solid's own frame
    // (where a triangle stays a triangle), the ball or box around it.
    for (int axis = 0; axis < 3; ++axis) {
        auto along = [axis](Vec3 v) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; };
        const double low = std::min({along(c[0]), along(c[1]), along(c[2])});
        const double high = std::max({along(c[0]), along(c[1]), along(c[2])});
        if (high < along(lo_) || low > along(hi_)) return false;
    }
    const Vec3 q[3] = {placement_.local(c[0]), placement_.local(c[1]), placement_.local(c[2])};
    if (shape_ == Shape::Sphere) {
        const Vec3 near = nearestToOrigin(q[0], q[1], q[2]);
        return !(dot(near, near) > a_ * a_);
    }
    const Vec3 half = shape_ == Shape::Box        ? Vec3{a_, b_, c_}
                      : shape_ == Shape::Cylinder ? Vec3{std::max(a_, b_), c_, std::max(a_, b_)}
                                                  : Vec3{a_ + b_, b_, a_ + b_};
    const double lows[3] = {std::min({q[0].x, q[1].x, q[2].x}), std::min({q[0].y, q[1].y, q[2].y}),
                            std::min({q[0].z, q[1].z, q[2].z})};
    const double highs[3] = {std::max({q[0].x, q[1].x, q[2].x}), std::max({q[0].y, q[1].y, q[2].y}),
                             std::max({q[0].z, q[1].z, q[2].z})};
    const double halves[3] = {half.x, half.y, half.z};
    for (int axis = 0; axis < 3; ++axis)
        if (lows[axis] > halves[axis] || highs[axis] < -halves[axis]) return false;
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

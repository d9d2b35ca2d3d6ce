// Sampling the spline curves of the profile shapes.
#include "geometry/shape_curves.h"

#include <algorithm>
#include <cmath>

namespace kx::shapes {
namespace {

CurvePoint operator+(CurvePoint a, const CurvePoint& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.radius + b.radius}; }
CurvePoint operator*(double k, const CurvePoint& a) { return {k * a.x, k * a.y, k * a.z, k * a.radius}; }

// A segment as a function of t in 0..1 of its four (or fewer) points.
using Segment = CurvePoint (*)(const CurvePoint* p, double t);

CurvePoint linear(const CurvePoint* p, double t) { return (1 - t) * p[0] + t * p[1]; }

// The parabola through p[0], p[1], p[2] at t = -1, 0, 1, from p[1] to p[2].
CurvePoint parabola(const CurvePoint* p, double t) {
    return p[1] + (t * 0.5) * (p[2] + (-1.0) * p[0]) + (t * t * 0.5) * (p[2] + (-2.0) * p[1] + p[0]);
}

CurvePoint catmullRom(const CurvePoint* p, double t) {
    const double t2 = t * t, t3 = t2 * t;
    return 0.5 * ((2.0 * p[1]) + t * ((-1.0) * p[0] + p[2]) + t2 * (2.0 * p[0] + (-5.0) * p[1] + 4.0 * p[2] + (-1.0) * p[3]) +
                  t3 * ((-1.0) * p[0] + 3.0 * p[1] + (-3.0) * p[2] + p[3]));
}

CurvePoint bezier(const CurvePoint* p, double t) {
    const double u = 1 - t;
    return (u * u * u) * p[0] + (3 * u * u * t) * p[1] + (3 * u * t * t) * p[2] + (t * t * t) * p[3];
}

CurvePoint bSpline(const CurvePoint* p, double t) {
    const double t2 = t * t, t3 = t2 * t, u = 1 - t;
    return (1.0 / 6) * ((u * u * u) * p[0] + (3 * t3 - 6 * t2 + 4) * p[1] + (-3 * t3 + 3 * t2 + 3 * t + 1) * p[2] +
                        t3 * p[3]);
}

// Samples segments starting at first, first + stride, ... while `width`
// points remain; each segment gives `steps` points, the last one its end.
std::vector<CurvePoint> sample(const std::vector<CurvePoint>& p, Segment segment, size_t first, size_t width,
                               size_t stride, unsigned steps) {
    std::vector<CurvePoint> out;
    steps = std::max(1u, steps);
    for (size_t i = first; i + width <= p.size(); i += stride) {
        const unsigned from = out.empty() ? 0 : 1;
        for (unsigned k = from; k <= steps; ++k) out.push_back(segment(&p[i], static_cast<double>(k) / steps));
    }
    return out;
}

std::vector<CurvePoint> planar(const std::vector<Point3d>& pts, bool xz) {
    std::vector<CurvePoint> out;
    for (const Point3d& q : pts) out.push_back({q.x, xz ? q.z : q.y, 0, 0});
    return out;
}

std::vector<CurvePoint> splineCurve(int spline, const std::vector<CurvePoint>& p, unsigned steps) {
    switch (spline) {
        case kQuadratic: return sample(p, parabola, 0, 3, 1, steps);
        case kCubic: return sample(p, catmullRom, 0, 4, 1, steps);
        case kBezier: return sample(p, bezier, 0, 4, 4, steps);
        default: return sample(p, linear, 0, 2, 1, 1);
    }
}

}  // namespace

std::vector<CurvePoint> latheCurve(int spline, const std::vector<Point3d>& pts, unsigned steps) {
    return splineCurve(spline, planar(pts, false), steps);
}

std::vector<CurvePoint> sorCurve(const std::vector<Point3d>& pts, unsigned steps) {
    std::vector<CurvePoint> out;
    const size_t n = pts.size();
    if (n < 4) return out;
    auto squared = [&](size_t i) { return static_cast<double>(pts[i].x) * pts[i].x; };
    auto slope = [&](size_t i) { return (squared(i + 1) - squared(i - 1)) / (static_cast<double>(pts[i + 1].y) - pts[i - 1].y); };
    steps = std::max(1u, steps);
    for (size_t i = 1; i + 2 < n; ++i) {
        const double h0 = pts[i].y, h1 = pts[i + 1].y, span = h1 - h0;
        const double y0 = squared(i), y1 = squared(i + 1), m0 = slope(i) * span, m1 = slope(i + 1) * span;
        for (unsigned k = out.empty() ? 0 : 1; k <= steps; ++k) {
            const double t = static_cast<double>(k) / steps, t2 = t * t, t3 = t2 * t;
            const double y = (2 * t3 - 3 * t2 + 1) * y0 + (t3 - 2 * t2 + t) * m0 + (-2 * t3 + 3 * t2) * y1 + (t3 - t2) * m1;
            out.push_back({std::sqrt(std::max(0.0, y)), h0 + t * span, 0, 0});
        }
    }
    return out;
}

std::vector<CurvePoint> prismOutline(const ShapeParameters& p, unsigned steps) {
    std::vector<CurvePoint> out = splineCurve(p.spline, planar(prismSplinePoints(p), true), steps);
    // The outline closes on its first point; the mesh closes it again itself.
    if (out.size() > 1 && std::fabs(out.front().x - out.back().x) < 1e-9 && std::fabs(out.front().y - out.back().y) < 1e-9)
        out.pop_back();
    return out;
}

std::vector<CurvePoint> sweepPath(int spline, const std::vector<Point3d>& centres, const std::vector<double>& radii,
                                  unsigned steps) {
    std::vector<CurvePoint> p;
    for (size_t i = 0; i < centres.size(); ++i)
        p.push_back({centres[i].x, centres[i].y, centres[i].z, i < radii.size() ? radii[i] : 0});
    switch (spline) {
        case 1: return sample(p, bSpline, 0, 4, 1, steps);
        case 2: return sample(p, catmullRom, 0, 4, 1, steps);
        default: return sample(p, linear, 0, 2, 1, 1);
    }
}

}  // namespace kx::shapes

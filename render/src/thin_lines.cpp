// Lines and lone points as the wireframe shows them, and the markers of
// lights and cameras, drawn into the shaded picture one pixel wide.
#include <algorithm>
#include <cmath>
#include <new>

#include "four_lanes.h"
#include "rasteriser.h"

namespace kxr {

namespace {

// Half the arms of a lone point's cross, in pixels, as the wireframe draws it.
constexpr double kCrossArm = 2;
// A line lying on a surface (an edge, a path drawn on a face) stays in front
// of it: its depth is raised by this share before the test.
constexpr float kLineLift = 1e-5f;

// Clips the parameter range [t0, t1] of p + t d to where lo <= value <= hi.
bool clipRange(double p, double d, double lo, double hi, double& t0, double& t1) {
    if (d == 0) return p >= lo && p <= hi;
    double a = (lo - p) / d, b = (hi - p) / d;
    if (a > b) std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
    return t0 <= t1;
}

}  // namespace

bool Rasteriser::screenSegment(const Vec3& a, const Vec3& b, ScreenEnd& p, ScreenEnd& q) const {
    if (!camera_.valid || width_ == 0 || height_ == 0 || !finite(a) || !finite(b)) return false;
    Vec3 ca = camera_.toCamera(a), cb = camera_.toCamera(b);
    // The part behind the near plane is cut away.
    if (ca.z < kNear && cb.z < kNear) return false;
    if (ca.z < kNear) ca = ca + (cb - ca) * ((kNear - ca.z) / (cb.z - ca.z));
    if (cb.z < kNear) cb = cb + (ca - cb) * ((kNear - cb.z) / (ca.z - cb.z));
    auto onPicture = [this](const Vec3& c) {
        const double invz = 1.0 / c.z;
        return ScreenEnd{viewX_ + (c.x * invz + 0.5) * viewW_, viewY_ + (0.5 - c.y * invz) * viewH_, invz};
    };
    p = onPicture(ca);
    q = onPicture(cb);
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(q.x) && std::isfinite(q.y);
}

void Rasteriser::rasterSegment(ScreenEnd p, ScreenEnd q, uint32_t colour, bool onlyBackground) {
    // Kept to the camera's picture first: an end far off it costs no steps.
    double t0 = 0, t1 = 1;
    const double dx = q.x - p.x, dy = q.y - p.y;
    if (!clipRange(p.x, dx, std::max(0.0, viewX_), std::min<double>(width_, viewX_ + viewW_) - 1e-9, t0, t1) ||
        !clipRange(p.y, dy, std::max(0.0, viewY_), std::min<double>(height_, viewY_ + viewH_) - 1e-9, t0, t1))
        return;
    const ScreenEnd from{p.x + t0 * dx, p.y + t0 * dy, p.invz + t0 * (q.invz - p.invz)};
    const ScreenEnd to{p.x + t1 * dx, p.y + t1 * dy, p.invz + t1 * (q.invz - p.invz)};
    // 1/z runs straight across the picture, so it is stepped with x and y.
    const double ex = to.x - from.x, ey = to.y - from.y, ez = to.invz - from.invz;
    const int steps = static_cast<int>(std::ceil(std::max(std::fabs(ex), std::fabs(ey))));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps ? static_cast<double>(i) / steps : 0.0;
        const int x = std::clamp(static_cast<int>(from.x + t * ex), 0, width_ - 1);
        const int y = std::clamp(static_cast<int>(from.y + t * ey), 0, height_ - 1);
        const size_t at = static_cast<size_t>(y) * width_ + x;
        const float invz = static_cast<float>(from.invz + t * ez);
        if (onlyBackground) {
            if (depth_[at] == 0.0f) colour_[at] = colour;
            continue;
        }
        if (!(invz * (1.0f + kLineLift) > depth_[at])) continue;
        depth_[at] = std::max(depth_[at], invz);
        colour_[at] = colour;
    }
}

void Rasteriser::drawLine(const Vec3& a, const Vec3& b, uint32_t colour) {
    ScreenEnd p, q;
    if (!screenSegment(a, b, p, q)) return;
    drawWaiting();
    batch_.flush();
    rasterSegment(p, q, colour, false);
}

void Rasteriser::drawPoint(const Vec3& at, uint32_t colour) {
    ScreenEnd p, q;
    if (!screenSegment(at, at, p, q)) return;
    drawWaiting();
    batch_.flush();
    rasterSegment({p.x - kCrossArm, p.y, p.invz}, {p.x + kCrossArm, p.y, p.invz}, colour, false);
    rasterSegment({p.x, p.y - kCrossArm, p.invz}, {p.x, p.y + kCrossArm, p.invz}, colour, false);
}

void Rasteriser::addMarker(const Vec3& a, const Vec3& b, uint32_t colour) {
    try {
        markers_.push_back({a, b, colour});
    } catch (const std::bad_alloc&) {
        // A marker less: the picture's surfaces are whole.
    }
}

void Rasteriser::drawMarkers() {
    drawWaiting();
    batch_.flush();
    for (const Marker& m : markers_) {
        ScreenEnd p, q;
        if (screenSegment(m.a, m.b, p, q)) rasterSegment(p, q, m.colour, true);
    }
    markers_.clear();
}

}  // namespace kxr

#include "views/flat_navigation.h"

#include <algorithm>
#include <cmath>

namespace kx::app {
namespace {

unsigned index(ViewKind kind) { return static_cast<unsigned>(kind); }

bool flat(ViewKind kind) { return kind == kFront || kind == kPlan || kind == kSide; }

// Where a canvas point lies relative to the view's origin, without its pan.
Point3d offsetAt(ViewKind kind, double canvasX, double canvasY) {
    Point3d p{};
    const Point3d none{};
    Point3d ref = none;
    CalcPanPosition(index(kind), static_cast<float>(1.0 / GetDistance(index(kind))), static_cast<float>(canvasX),
                    static_cast<float>(canvasY), &p, &ref);
    return p;
}

}  // namespace

ShownAxes shownAxes(ViewKind kind) {
    switch (kind) {
        case kPlan: return {0, 2};
        case kSide: return {2, 1};
        default: return {0, 1};
    }
}

Point3d scenePointAt(ViewKind kind, double canvasX, double canvasY, bool snap) {
    Point3d p{};
    if (!flat(kind)) return p;
    Point3d pan{};
    GetPanOffset(index(kind), &pan);
    CalcPanPosition(index(kind), static_cast<float>(1.0 / GetDistance(index(kind))), static_cast<float>(canvasX),
                    static_cast<float>(canvasY), &p, &pan);
    if (snap) SnapCadObject(&p);
    return p;
}

void zoomFlatViewAbout(ViewKind kind, double factor, double canvasX, double canvasY) {
    if (!flat(kind) || !(factor > 0) || !std::isfinite(factor)) return;
    const Point3d before = offsetAt(kind, canvasX, canvasY);
    SetDistance(std::clamp(GetDistance(index(kind)) * factor, kMinFlatZoom, kMaxFlatZoom), index(kind));
    const Point3d after = offsetAt(kind, canvasX, canvasY);
    // The point under the pointer is offset - pan: moving the pan by the
    // change of the offset keeps it there.
    Point3d shift{after.x - before.x, after.y - before.y, after.z - before.z};
    PanView(index(kind), &shift, 0);
}

void fitFlatView(ViewKind kind, const Point3d& lo, const Point3d& hi, double width, double height) {
    if (!flat(kind) || !(width > 0) || !(height > 0)) return;
    const float lows[3] = {lo.x, lo.y, lo.z};
    const float highs[3] = {hi.x, hi.y, hi.z};
    const ShownAxes axes = shownAxes(kind);
    const double across = highs[axes.across] - lows[axes.across];
    const double up = highs[axes.up] - lows[axes.up];
    if (!(across >= 0) || !(up >= 0)) return;
    // A fifth of room around the box; a flat or empty box keeps a sane zoom.
    const double zoom = std::min(width / std::max(across * 1.2, 1e-3), height / std::max(up * 1.2, 1e-3));
    SetDistance(std::clamp(zoom, kMinFlatZoom, kMaxFlatZoom), index(kind));
    Point3d pan{-(lo.x + hi.x) / 2, -(lo.y + hi.y) / 2, -(lo.z + hi.z) / 2};
    PanView(index(kind), &pan, 1);
}

std::vector<double> gridValues(double lo, double hi, double step, double pixelsPerUnit, double minSpacing) {
    std::vector<double> out;
    if (!(step > 0) || !(pixelsPerUnit > 0) || !std::isfinite(lo) || !std::isfinite(hi) || !(hi >= lo)) return out;
    static constexpr double kSteps[] = {1, 2, 5};
    double s = step;
    for (int k = 0; s * pixelsPerUnit < minSpacing && k < 60; ++k) s = step * kSteps[(k + 1) % 3] * std::pow(10.0, (k + 1) / 3);
    if (!std::isfinite(s)) return out;
    const double first = std::ceil(lo / s), last = std::floor(hi / s);
    // More lines than any screen has pixels means the values are useless.
    constexpr double kMaxLines = 20000;
    if (!(last - first < kMaxLines)) return out;
    for (double i = first; i <= last; ++i) out.push_back(i * s);
    return out;
}

}  // namespace kx::app

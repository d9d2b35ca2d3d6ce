#include "primitive_shapes.h"

#include <algorithm>
#include <cmath>

#include "placement.h"

namespace kxr {

namespace {

constexpr int kFewestSegments = 16;
constexpr int kMostSegments = 128;

Point3d point(const Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

// The corners of a grid of rows + 1 by segments + 1, from corner(row,
// segment), drawn as two triangles a cell. Cells that collapse to a line
// (a pole, an apex) draw nothing. Without an image map the cells are built
// in the rasteriser's own room as one mesh, its fast road.
template <class Corner>
void drawGrid(Rasteriser& r, const Surface& s, std::vector<TriPolygon>* into, int rows, int segments, Corner corner) {
    std::vector<Vertex> above(segments + 1), below(segments + 1);
    std::vector<TriPolygon>& mesh = into ? *into : r.buildArea();
    const size_t first = mesh.size();
    const bool asMesh = into || !s.image.data;
    auto add = [&](const Vertex& a, const Vertex& b, const Vertex& c) {
        const Vertex v[3] = {a, b, c};
        if (!asMesh) {
            r.drawTriangle(v, s);
            return;
        }
        TriPolygon& t = mesh.emplace_back();
        for (int k = 0; k < 3; ++k) {
            t.vertex[k] = point(v[k].position);
            t.normal[k] = point(v[k].normal);
        }
    };
    for (int j = 0; j <= segments; ++j) above[j] = corner(0, j);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 0; j <= segments; ++j) below[j] = corner(i, j);
        for (int j = 0; j < segments; ++j) {
            add(above[j], below[j], above[j + 1]);
            add(below[j], below[j + 1], above[j + 1]);
        }
        std::swap(above, below);
    }
    if (asMesh && !into) r.drawBuilt(first, s);
}

// A polygon of n corners on a circle covers less than the circle; corners
// this much further out give it the circle's area, so that the outline
// neither shrinks nor grows on the picture.
double areaKeeping(int n) {
    const double a = 2 * M_PI / n;
    return std::sqrt(a / std::sin(a));
}

// The object's size on the picture: a local radius about a local centre.
double pixelsOf(const Rasteriser& r, const Placement& p, Vec3 localCentre, double radius) {
    return r.pixelsAcross(p.point(localCentre), std::fabs(radius) * p.largestScale());
}

bool usableLength(double v) { return std::isfinite(v); }

}  // namespace

int segmentsFor(double pixels) {
    if (!(pixels > 0)) return kFewestSegments;
    // A chord of n segments strays r (1 - cos(pi/n)) ~ r pi^2 / 2n^2 from
    // the circle: a quarter of a pixel at most, the outline's area kept.
    const double r = std::min(pixels, 1e6);
    const double n = std::ceil(M_PI * std::sqrt(2.0 * r));
    const int whole = static_cast<int>(std::clamp(n, double{kFewestSegments}, double{kMostSegments}));
    return (whole + 3) / 4 * 4;
}

void drawSphere(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into) {
    const double radius = o.size.y;
    const Placement p(o);
    if (!(std::fabs(radius) > 0) || !usableLength(radius) || !p.usable()) return;
    const int segments = segmentsFor(pixelsOf(r, p, {}, radius));
    const int rings = segments / 2;
    const double out = radius * areaKeeping(segments);
    std::vector<double> sinTheta(segments + 1), cosTheta(segments + 1);
    for (int j = 0; j <= segments; ++j) {
        sinTheta[j] = std::sin(2 * M_PI * j / segments);
        cosTheta[j] = std::cos(2 * M_PI * j / segments);
    }
    std::vector<double> sinPhi(rings + 1), cosPhi(rings + 1);
    for (int i = 0; i <= rings; ++i) {
        sinPhi[i] = std::sin(M_PI * i / rings);
        cosPhi[i] = std::cos(M_PI * i / rings);
    }
    drawGrid(r, s, into, rings, segments, [&](int ring, int segment) {
        const double sp = sinPhi[ring];
        const Vec3 unit{sp * cosTheta[segment], sp * sinTheta[segment], cosPhi[ring]};
        Vertex v;
        v.position = p.point(unit * out);
        v.normal = p.normal(unit);
        v.u = static_cast<double>(segment) / segments;
        v.v = 1.0 - static_cast<double>(ring) / rings;
        return v;
    });
}

namespace {

// A surface of revolution about the local y axis, from the profile point
// (radius, height) of each row, angles as the core's fans run them.
template <class Profile>
void drawRevolved(Rasteriser& r, const Surface& s, std::vector<TriPolygon>* into, const Placement& p, int rows,
                  int segments, Profile profile) {
    const double out = areaKeeping(segments);
    // The angles' sines and cosines once a segment, not once a corner.
    std::vector<double> sines(segments + 1), cosines(segments + 1);
    for (int j = 0; j <= segments; ++j) {
        const double a = 2 * M_PI * j / segments - M_PI;
        sines[j] = std::sin(a);
        cosines[j] = std::cos(a);
    }
    drawGrid(r, s, into, rows, segments, [&](int row, int segment) {
        const double sa = sines[segment], ca = cosines[segment];
        double radius = 0, height = 0;
        Vec3 normal;  // in the profile's plane: (outward, up)
        profile(row, radius, height, normal);
        Vertex v;
        v.position = p.point({radius * out * sa, height, radius * out * ca});
        v.normal = p.normal({normal.x * sa, normal.y, normal.x * ca});
        v.u = static_cast<double>(segment) / segments;
        v.v = static_cast<double>(row) / rows;
        return v;
    });
}

// A flat cap of the given radius at height y, its normal along up or down.
void drawCap(Rasteriser& r, const Surface& s, std::vector<TriPolygon>* into, const Placement& p, int segments,
             double radius, double y, double up) {
    drawRevolved(r, s, into, p, 1, segments, [&](int row, double& rad, double& height, Vec3& normal) {
        rad = row == 0 ? 0 : radius;
        height = y;
        normal = {0, up, 0};
    });
}

}  // namespace

void drawDisc(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into) {
    // The core fans the disc from (0, h/2, 0) down to its rim at -h/2; flat when h is 0.
    const double radius = o.size.x, h = o.size.y;
    const Placement p(o);
    if (!(std::fabs(radius) > 0) || !usableLength(radius) || !usableLength(h) || !p.usable()) return;
    const int segments = segmentsFor(pixelsOf(r, p, {}, std::max(std::fabs(radius), std::fabs(h))));
    drawRevolved(r, s, into, p, 1, segments, [&](int row, double& rad, double& height, Vec3& normal) {
        rad = row == 0 ? 0 : radius;
        height = row == 0 ? h / 2 : -h / 2;
        normal = {};  // the face's own, towards the eye
    });
}

void drawCylinderOrCone(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into) {
    const double bottom = std::fabs(o.size.x), h = o.size.y;
    const double top = o.type == KX_CONE ? std::fabs(o.extraPoint.x) : bottom;
    const Placement p(o);
    if (!usableLength(bottom) || !usableLength(top) || !usableLength(h) || !p.usable()) return;
    if (!(bottom > 0) && !(top > 0)) return;
    const int segments = segmentsFor(pixelsOf(r, p, {}, std::max({bottom, top, std::fabs(h) / 2})));
    if (bottom > 0) drawCap(r, s, into, p, segments, bottom, -h / 2, -1);
    if (top > 0) drawCap(r, s, into, p, segments, top, h / 2, 1);
    if (h == 0) return;
    drawRevolved(r, s, into, p, 1, segments, [&](int row, double& rad, double& height, Vec3& normal) {
        rad = row == 0 ? bottom : top;
        height = row == 0 ? -h / 2 : h / 2;
        normal = {std::fabs(h), bottom - top, 0};
    });
}

void drawTorus(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into) {
    const double major = o.size.x, minor = o.size.y;
    const Placement p(o);
    if (!usableLength(major) || !usableLength(minor) || !(std::fabs(minor) > 0) || !p.usable()) return;
    const int around = segmentsFor(pixelsOf(r, p, {}, std::fabs(major) + std::fabs(minor)));
    const int section = segmentsFor(pixelsOf(r, p, {major, 0, 0}, minor));
    const double tube = minor * areaKeeping(section);
    std::vector<double> sines(section + 1), cosines(section + 1);
    for (int i = 0; i <= section; ++i) {
        const double b = 2 * M_PI * i / section;
        sines[i] = std::sin(b);
        cosines[i] = std::cos(b);
    }
    drawRevolved(r, s, into, p, section, around, [&](int row, double& rad, double& height, Vec3& normal) {
        rad = major + tube * cosines[row];
        height = tube * sines[row];
        normal = {cosines[row], sines[row], 0};
    });
}

void drawPlane(Rasteriser& r, const CadObject& o, const Surface& s) {
    const Placement p(o);
    if (!p.usable() || !usableLength(o.size.y)) return;
    // The core's preview square lies at -size.y / 2; the plane goes on for ever from there.
    const Vec3 onPlane = p.point({0, -o.size.y / 2.0, 0});
    const Vec3 normal = normalised(p.normal({0, 1, 0}));
    const Vec3 eye = r.eye();
    if (length(normal) == 0 || !finite(eye)) return;
    const double height = dot(eye - onPlane, normal);
    const Vec3 foot = eye - normal * height;
    // Two directions in the plane.
    const Vec3 across = normalised(std::fabs(normal.x) < 0.9 ? cross(normal, {1, 0, 0}) : cross(normal, {0, 1, 0}));
    const Vec3 along = cross(normal, across);
    // Far enough that its edge lies within a fraction of a pixel of the horizon.
    const double reach = 1e5 * std::max(1.0, std::fabs(height));
    constexpr int kCells = 16;
    drawGrid(r, s, nullptr, kCells, kCells, [&](int row, int column) {
        Vertex v;
        const double a = (2.0 * column / kCells - 1) * reach, b = (2.0 * row / kCells - 1) * reach;
        v.position = foot + across * a + along * b;
        v.normal = normal;
        v.u = static_cast<double>(column) / kCells;
        v.v = static_cast<double>(row) / kCells;
        return v;
    });
}

}  // namespace kxr

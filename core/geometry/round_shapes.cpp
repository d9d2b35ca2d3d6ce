// Preview meshes of the round primitives: sphere (also ellipsoid and blob),
// disc, cylinder, cone and torus. Discs, cylinders and cones share one fan and
// band builder around the y axis; the sphere's poles lie on the z axis.
#include <array>
#include <cmath>
#include <memory>

#include "geometry/mesh_builder.h"
#include "model/memory.h"

using kx::geometry::MeshBuilder;
using kx::geometry::vertex;

namespace {

struct FreeDeleter {
    void operator()(void* p) const { kx::mem::release(p); }
};
using PointArray = std::unique_ptr<Point3d[], FreeDeleter>;

double pi() { return 4.0 * std::atan(1.0); }

// Without band: a fan from the apex (centre lifted by h/2) to the rim (centre
// dropped by h/2). With band: the side between that rim and a ring at +h/2 of
// radius r2 (r when r2 equals r). Angles run from -pi round to +pi in 2n sectors.
void fanOrBand(MeshBuilder& mesh, unsigned n, const Point3d& c, double r, double h, bool band,
               double r2) {
    const double top = (band && r2 != r) ? r2 : r;
    const double lowY = c.y - h / 2;
    const double highY = c.y + h / 2;
    auto ring = [&](int i, double radius, double y) {
        double a = i * pi() / n;
        return vertex(c.x + radius * std::sin(a), y, c.z + radius * std::cos(a));
    };
    const Point3d apex = vertex(c.x, highY, c.z);
    const int sectors = static_cast<int>(n);
    for (int i = -sectors + 1; i <= sectors; ++i) {
        Point3d r0 = ring(i - 1, r, lowY);
        Point3d r1 = ring(i, r, lowY);
        if (!band) {
            mesh.facet(apex, r0, r1);
            continue;
        }
        Point3d t0 = ring(i - 1, top, highY);
        Point3d t1 = ring(i, top, highY);
        mesh.facet(t0, r0, r1);
        mesh.facet(r1, t1, t0);
    }
}

// Bottom cap, then either a top cap and the side band, or (no top radius)
// the side as a fan to the apex.
int cylinderOrCone(CadObject* obj, double r1, double r2, double h) {
    const unsigned n = kx::geometry::stepCount();
    MeshBuilder mesh;
    fanOrBand(mesh, n, vertex(0, -h / 2, 0), r1, 0, false, 0);
    if (r2 != 0) {
        fanOrBand(mesh, n, vertex(0, h / 2, 0), r2, 0, false, 0);
        fanOrBand(mesh, n, vertex(0, 0, 0), r1, h, true, r2);
    } else {
        fanOrBand(mesh, n, vertex(0, 0, 0), r1, h, false, 0);
    }
    mesh.storeInto(obj);
    return 1;
}

constexpr unsigned kMaxCirclePoints = 64;

// Points of a circle of radius rho about c in the xy plane from the angle -pi
// on, 2n + 1 of them but never more than 64, followed by a zero point.
PointArray circle(const Point3d& c, double rho, unsigned n, unsigned* count) {
    *count = 0;
    PointArray pts(kx::mem::allocZeroed<Point3d>(kMaxCirclePoints + 1));
    if (!pts) {
        ErrorMessage("Error allocating fixed circle array");
        return pts;
    }
    const int steps = static_cast<int>(n);
    for (int i = -steps; i <= steps && *count < kMaxCirclePoints; ++i) {
        double a = i * pi() / n;
        pts[(*count)++] = vertex(c.x + rho * std::cos(a), c.y + rho * std::sin(a), c.z);
    }
    return pts;
}

}  // namespace

int CreateSphereEx(CadObject* obj) {
    if (!obj) return 0;
    const double r = obj->size.y;
    const size_t n = kx::geometry::stepCount();
    const size_t m = 2 * n;
    // Entry 0 is unused; 1 and the last are the poles, rings of m between them.
    PointArray v(kx::mem::allocZeroed<Point3d>((n - 1) * m + 3));
    if (!v) {
        ErrorMessage("Error allocating point array for subdivsion");
        return 0;
    }
    const size_t south = (n - 1) * m + 2;
    v[1] = vertex(0, 0, r);
    for (size_t i = 1; i < n; ++i) {
        double phi = static_cast<double>(i) * pi() / static_cast<double>(n);
        for (size_t j = 0; j < m; ++j) {
            double theta = static_cast<double>(j) * (2 * pi() / static_cast<double>(m));
            v[2 + (i - 1) * m + j] = vertex(r * std::sin(phi) * std::cos(theta),
                                            r * std::sin(phi) * std::sin(theta), r * std::cos(phi));
        }
    }
    v[south] = vertex(0, 0, -r);

    // k runs over 2..m+1, the positions of one ring; next wraps within it.
    auto next = [m](size_t k) { return k < m + 1 ? k + 1 : 2; };
    MeshBuilder mesh;
    for (size_t k = 2; k <= m + 1; ++k) mesh.facet(v[next(k)], v[k], v[1]);
    for (size_t b = 0; b + 2 < n; ++b) {
        const size_t upper = b * m;
        const size_t lower = (b + 1) * m;
        for (size_t k = 2; k <= m + 1; ++k) {
            mesh.facet(v[lower + next(k)], v[lower + k], v[upper + k]);
            mesh.facet(v[upper + k], v[upper + next(k)], v[lower + next(k)]);
        }
    }
    const size_t last = (n - 2) * m;
    for (size_t k = 2; k <= m + 1; ++k) mesh.facet(v[last + k], v[south], v[last + next(k)]);

    mesh.storeInto(obj);
    DeleteObjectPolygons(obj);
    if (obj->points) {
        obj->polygons = CopyListToPolygons(obj->points, obj->count);
        if (obj->polygons) obj->polygonCount = obj->count;
    }
    return 1;
}

int CreateDiscEx(CadObject* obj) {
    if (!obj) return 0;
    MeshBuilder mesh;
    fanOrBand(mesh, kx::geometry::stepCount(), vertex(0, 0, 0), obj->size.x, obj->size.y, false, 0);
    mesh.storeInto(obj);
    return 1;
}

int CreateCylinderEx(CadObject* obj) {
    if (!obj) return 0;
    return cylinderOrCone(obj, obj->size.x, obj->size.x, obj->size.y);
}

int CreateConeEx(CadObject* obj) {
    if (!obj) return 0;
    return cylinderOrCone(obj, obj->size.x, obj->extraPoint.x, obj->size.y);
}

int CreateTorusEx(CadObject* obj) {
    if (!obj) return 0;
    const double major = obj->size.x;
    const unsigned n = kx::geometry::stepCount();
    const Point3d origin{0, 0, 0};
    unsigned sections = 0;
    PointArray s = circle(origin, obj->size.y, n, &sections);
    if (!s || sections == 0) {
        ErrorMessage("Error generating torus cross section");
        return 0;
    }
    // One ring in the xy plane per cross-section point, of radius R + s.x.
    std::array<PointArray, kMaxCirclePoints> rings;
    for (unsigned k = 0; k < sections; ++k) {
        unsigned made = 0;
        rings[k] = circle(origin, major + s[k].x, n, &made);
        if (!rings[k]) return 0;  // reported by circle(); the old mesh stays
    }
    // Ring points turned into the xz plane and lifted by the section's y.
    auto w = [&](unsigned k, unsigned j) { return Point3d{rings[k][j].x, s[k].y, rings[k][j].y}; };
    MeshBuilder mesh;
    for (unsigned k = 0; k + 1 < sections; ++k) {
        for (unsigned j = 0; j + 1 < sections; ++j) {
            if (IsZero(&rings[k][j])) break;  // a ring of radius 0 has no band
            mesh.facet(w(k + 1, j), w(k, j), w(k, j + 1));
            mesh.facet(w(k, j + 1), w(k + 1, j + 1), w(k + 1, j));
        }
    }
    mesh.storeInto(obj);
    return 1;
}

double BlobComponentRadius(const CadObject* blob, double threshold) {
    if (!blob) return 0;
    const double strength = blob->extraPoint.y == 0.0f ? 1.0 : static_cast<double>(blob->extraPoint.y);
    const double shown = std::fabs(static_cast<double>(blob->size.y) * blob->scale.y);
    if (!(threshold > 0) || !(strength > threshold) || !(shown > 0) || !std::isfinite(shown)) return 0;
    // strength (1 - d^2 / r^2)^2 = threshold at d = shown.
    const double inside = 1.0 - std::sqrt(threshold / strength);
    const double r = shown / std::sqrt(inside);
    return std::isfinite(r) ? r : 0;
}

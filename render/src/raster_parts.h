// What the rasteriser's drawing of a mesh and its filling of a triangle
// share: the corner and face records, small roundings and tests. Private to
// the drawing library.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "rasteriser.h"

namespace kxr {

namespace raster {

// Triangles whose pixel centres lie within this many columns and rows are
// tested a block at a time (at most 32 pixels: one bit each).
constexpr int kSmallColumns = 4;
constexpr int kSmallRows = 8;
static_assert(std::tuple_size_v<BlockDepths> == kSmallColumns * kSmallRows);

// Rounding of a small in-range value without a library call per triangle.
inline int floorSmall(double a) {
    const int t = static_cast<int>(a);
    return t - (t > a);
}
inline int ceilSmall(double a) {
    const int t = static_cast<int>(a);
    return t + (t < a);
}

inline Vec3 sample(const ImageMap& map, double u, double v) {
    u -= std::floor(u);
    v -= std::floor(v);
    if (!std::isfinite(u) || !std::isfinite(v)) return {};
    // v runs up the picture; rows are stored top first.
    int x = std::clamp(static_cast<int>(u * map.width), 0, map.width - 1);
    int y = std::clamp(static_cast<int>((1.0 - v) * map.height), 0, map.height - 1);
    const unsigned char* p = map.data + (static_cast<size_t>(y) * map.width + x) * 3;
    return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
}

inline bool isZero(const Vec3& a) { return a.x == 0 && a.y == 0 && a.z == 0; }
inline bool isZero(const Point3d& a) { return a.x == 0 && a.y == 0 && a.z == 0; }
inline bool hasNormals(const TriPolygon& t) {
    return !isZero(t.normal[0]) || !isZero(t.normal[1]) || !isZero(t.normal[2]);
}
inline Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }
inline bool finite(const Point3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace raster

// A corner on the picture, with what is interpolated across the triangle.
struct Rasteriser::Corner {
    double sx, sy, invz;
    Vec3 position;
    Vec3 normal;
    double u, v;
};

// The normal of the triangle as given (before any cut), worked out only when
// one of its pixels is about to be drawn: many triangles of a dense mesh
// cover no pixel centre at all. A mesh's triangle brings its corners' positions and
// normals into the corners only when a pixel needs them.
struct Rasteriser::Face {
    const Vec3* corner[3];  // outlive the drawing of the triangle
    bool flat;              // no corner brings a normal of its own
    const TriPolygon* source = nullptr;  // read into `into` when first needed
    Corner* into = nullptr;
    int state = 0;          // 0 not yet known, 1 known, -1 degenerate: nothing is drawn
    Vec3 unit{};                      // set by attributes() for a mesh's triangle
    std::array<float, 3> normalF{};  // along the normal, of any length
    bool normalKnown = false;         // normalF was given with the corners

    bool usable() {
        if (state == 0) {
            if (source) {
                const Point3d* v = source->vertex;
                flat = !raster::hasNormals(*source);
                if (normalKnown) {
                    state = 1;
                    return true;
                }
                const float ax = v[1].x - v[0].x, ay = v[1].y - v[0].y, az = v[1].z - v[0].z;
                const float bx = v[2].x - v[0].x, by = v[2].y - v[0].y, bz = v[2].z - v[0].z;
                // Left at its length, the lighting batch makes it a unit
                // vector; one too short or too long for single precision is
                // made one here, from the corners in double precision.
                normalF = {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
                const Vec3 n{normalF[0], normalF[1], normalF[2]};
                const double l2 = dot(n, n);
                if (!(l2 > 1e-20 && l2 < 1e30)) {
                    const Vec3 p0 = raster::vec(v[0]);
                    const Vec3 exact = normalised(cross(raster::vec(v[1]) - p0, raster::vec(v[2]) - p0));
                    normalF = {static_cast<float>(exact.x), static_cast<float>(exact.y), static_cast<float>(exact.z)};
                    state = dot(exact, exact) > 0 ? 1 : -1;
                } else {
                    state = 1;
                }
            } else {
                const Vec3 n = cross(*corner[1] - *corner[0], *corner[2] - *corner[0]);
                state = (dot(n, n) > 0 && finite(n)) ? 1 : -1;
                unit = normalised(n);
                normalF = {static_cast<float>(unit.x), static_cast<float>(unit.y), static_cast<float>(unit.z)};
            }
        }
        return state > 0;
    }

    // The corners' positions, normals and map coordinates, for a pixel that
    // needs more than its depth.
    void attributes() {
        if (!source) return;
        for (int k = 0; k < 3; ++k) {
            const Point3d& v = source->vertex[k];
            const Point3d& n = source->normal[k];
            into[k].position = raster::vec(v);
            into[k].normal = raster::vec(n);
            into[k].u = into[k].v = 0;
        }
        unit = normalised({normalF[0], normalF[1], normalF[2]});
        source = nullptr;
    }
};

}  // namespace kxr

#include "object_mesh.h"

#include <algorithm>
#include <cmath>

namespace kxr {

namespace {

// A sphere drawn from its parameters is finer than any wireframe needs.
constexpr int kSphereRings = 48;
constexpr int kSphereSegments = 96;

Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }

// The sphere as the rebuild places it: radius, then the object's scale about
// its centre, then its translation.
void drawSphere(Rasteriser& r, const CadObject& o, const Surface& s) {
    const double radius = o.size.y;
    const Vec3 scale{o.scale.x, o.scale.y, o.scale.z};
    const Vec3 centre = vec(o.translate);
    if (!(std::fabs(radius) > 0) || !std::isfinite(radius) || !finite(scale) || !finite(centre)) return;
    // The angles' sines and cosines, worked out once for every sphere.
    struct Angles {
        double sinPhi[kSphereRings + 1], cosPhi[kSphereRings + 1];
        double sinTheta[kSphereSegments + 1], cosTheta[kSphereSegments + 1];
        Angles() {
            for (int i = 0; i <= kSphereRings; ++i) {
                sinPhi[i] = std::sin(M_PI * i / kSphereRings);
                cosPhi[i] = std::cos(M_PI * i / kSphereRings);
            }
            for (int j = 0; j <= kSphereSegments; ++j) {
                sinTheta[j] = std::sin(2 * M_PI * j / kSphereSegments);
                cosTheta[j] = std::cos(2 * M_PI * j / kSphereSegments);
            }
        }
    };
    static const Angles angles;
    auto at = [&](int ring, int segment) {
        const double sp = angles.sinPhi[ring];
        const Vec3 unit{sp * angles.cosTheta[segment], sp * angles.sinTheta[segment], angles.cosPhi[ring]};
        Vertex v;
        v.position = centre + Vec3{unit.x * radius * scale.x, unit.y * radius * scale.y, unit.z * radius * scale.z};
        // The normal of a scaled sphere divides by the scale.
        v.normal = Vec3{scale.x != 0 ? unit.x / scale.x : 0, scale.y != 0 ? unit.y / scale.y : 0,
                        scale.z != 0 ? unit.z / scale.z : 0};
        v.u = static_cast<double>(segment) / kSphereSegments;
        v.v = 1.0 - static_cast<double>(ring) / kSphereRings;
        return v;
    };
    for (int i = 0; i < kSphereRings; ++i)
        for (int j = 0; j < kSphereSegments; ++j) {
            const Vertex a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            if (i > 0) r.drawTriangle({a, b, d}, s);
            if (i < kSphereRings - 1) r.drawTriangle({b, c, d}, s);
        }
}

void drawTriangles(Rasteriser& r, const CadObject& o, const Surface& s) {
    const TriPolygon* t = o.polygons;
    const size_t n = o.polygonCount ? o.polygonCount : o.count;
    if (!t || n == 0) return;
    if (!s.image.data) {
        r.drawMesh(t, n, s);
        return;
    }
    const bool ownUv = s.image.data && o.uv && o.uvCount >= 3 * n;
    // Planar coordinates over the mesh's extent in x and y.
    double minX = 0, minY = 0, spanX = 1, spanY = 1;
    if (s.image.data && !ownUv) {
        double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
        for (size_t i = 0; i < n; ++i)
            for (const Point3d& p : t[i].vertex) {
                lo[0] = std::min(lo[0], static_cast<double>(p.x));
                hi[0] = std::max(hi[0], static_cast<double>(p.x));
                lo[1] = std::min(lo[1], static_cast<double>(p.y));
                hi[1] = std::max(hi[1], static_cast<double>(p.y));
            }
        minX = lo[0];
        minY = lo[1];
        if (hi[0] - lo[0] > 0) spanX = hi[0] - lo[0];
        if (hi[1] - lo[1] > 0) spanY = hi[1] - lo[1];
    }
    for (size_t i = 0; i < n; ++i) {
        Vertex v[3];
        for (int k = 0; k < 3; ++k) {
            v[k].position = vec(t[i].vertex[k]);
            v[k].normal = vec(t[i].normal[k]);
            if (ownUv) {
                v[k].u = o.uv[3 * i + k].x;
                v[k].v = o.uv[3 * i + k].y;
            } else if (s.image.data) {
                v[k].u = (v[k].position.x - minX) / spanX;
                v[k].v = (v[k].position.y - minY) / spanY;
            }
        }
        r.drawTriangle(v, s);
    }
}

}  // namespace

void drawObject(Rasteriser& r, const CadObject& object, const Surface& surface) {
    switch (object.type) {
        case KX_LIGHT:
        case KX_CAMERA: return;  // not part of the picture
        case KX_SPHERE: drawSphere(r, object, surface); break;
        default: drawTriangles(r, object, surface); break;
    }
    r.flush();
}

}  // namespace kxr

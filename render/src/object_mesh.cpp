#include "object_mesh.h"

#include <algorithm>
#include <cmath>

#include "primitive_shapes.h"

namespace kxr {

namespace {

Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }

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
        case KX_SPHERE:
        case KX_ELLIPSOID:
        case KX_BLOB: drawSphere(r, object, surface); break;
        case KX_DISC: drawDisc(r, object, surface); break;
        case KX_CYLINDER:
        case KX_CONE: drawCylinderOrCone(r, object, surface); break;
        case KX_TORUS: drawTorus(r, object, surface); break;
        case KX_PLANE: drawPlane(r, object, surface); break;
        default: drawTriangles(r, object, surface); break;
    }
    r.flush();
}

}  // namespace kxr

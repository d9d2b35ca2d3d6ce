#include "object_mesh.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "placement.h"
#include "primitive_shapes.h"

namespace kxr {

namespace {

Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }

// Planar image coordinates over a mesh's extent in x and y.
struct PlanarMap {
    double minX = 0, minY = 0, spanX = 1, spanY = 1;
    void cover(const double (&lo)[2], const double (&hi)[2]) {
        minX = lo[0];
        minY = lo[1];
        if (hi[0] - lo[0] > 0) spanX = hi[0] - lo[0];
        if (hi[1] - lo[1] > 0) spanY = hi[1] - lo[1];
    }
    void place(Vertex& v) const {
        v.u = (v.position.x - minX) / spanX;
        v.v = (v.position.y - minY) / spanY;
    }
};

// The extent of the points p(i) for i below n, in x and y.
template <class Point>
PlanarMap planarMap(size_t n, Point p) {
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (size_t i = 0; i < n; ++i) {
        const Point3d& q = p(i);
        lo[0] = std::min(lo[0], static_cast<double>(q.x));
        hi[0] = std::max(hi[0], static_cast<double>(q.x));
        lo[1] = std::min(lo[1], static_cast<double>(q.y));
        hi[1] = std::max(hi[1], static_cast<double>(q.y));
    }
    PlanarMap map;
    map.cover(lo, hi);
    return map;
}

void drawTriangles(Rasteriser& r, const CadObject& o, const Surface& s) {
    const TriPolygon* t = o.polygons;
    const size_t n = o.polygonCount ? o.polygonCount : o.count;
    if (!t || n == 0) return;
    if (!s.image.data) {
        r.drawMesh(t, n, s);
        return;
    }
    const bool ownUv = o.uv && o.uvCount >= 3 * n;
    const PlanarMap planar =
        ownUv ? PlanarMap{} : planarMap(3 * n, [t](size_t i) -> const Point3d& { return t[i / 3].vertex[i % 3]; });
    for (size_t i = 0; i < n; ++i) {
        Vertex v[3];
        for (int k = 0; k < 3; ++k) {
            v[k].position = vec(t[i].vertex[k]);
            v[k].normal = vec(t[i].normal[k]);
            if (ownUv) {
                v[k].u = o.uv[3 * i + k].x;
                v[k].v = o.uv[3 * i + k].y;
            } else {
                planar.place(v[k]);
            }
        }
        r.drawTriangle(v, s);
    }
}

// The nodes of the point list the picture shows thin, as the wireframe does:
// a lone point as a small cross (a point object's points also joined in
// order: they are a path or a profile) and a segment; faces are the
// triangles' to draw. A light's or a camera's nodes, faces' outlines too,
// are its marker; a user-defined object's box is outlined as the stand-in
// it is, and a segment object's faces (a wire) too.
void drawThin(Rasteriser& r, const CadObject& o, const Surface& s) {
    const bool marker = o.type == KX_LIGHT || o.type == KX_CAMERA;
    // A black marker would not show on the background.
    constexpr uint32_t kPlainMarker = 0xFFB4B4B4u;
    uint32_t colour = pictureColour(s.colour);
    if (marker && colour == KXRENDER_BACKGROUND) colour = kPlainMarker;
    const bool joined = o.type == KX_POINTS;
    const Point3d* lastLone = nullptr;
    for (const ListEntry* node = o.points; node; node = node->next) {
        if (!node->points || node->count == 0) continue;
        const unsigned n = std::min<unsigned>(node->count, 8);
        auto line = [&](const Point3d& a, const Point3d& b) {
            if (marker) r.addMarker(vec(a), vec(b), colour);
            else r.drawLine(vec(a), vec(b), colour);
        };
        if (n == 1) {
            if (joined && lastLone) line(*lastLone, node->points[0]);
            if (!marker) r.drawPoint(vec(node->points[0]), colour);
            lastLone = &node->points[0];
            continue;
        }
        lastLone = nullptr;
        if (n == 2) {
            line(node->points[0], node->points[1]);
        } else if (marker || o.type == KX_USERDEFINED || o.type == KX_LINESEG) {
            for (unsigned k = 0; k < n; ++k) line(node->points[k], node->points[(k + 1) % n]);
        }
    }
}

// The square of a plane that covers what the bounded solids share: what of
// the plane an intersection can keep. False when no solid bounds it.
bool planeWithin(const CadObject& plane, const std::vector<ClipSolid>& solids, std::vector<TriPolygon>& into) {
    Vec3 lo{-INFINITY, -INFINITY, -INFINITY}, hi{INFINITY, INFINITY, INFINITY};
    bool bounded = false;
    for (const ClipSolid& s : solids) {
        Vec3 a, b;
        if (s.keepsOutside() || !s.bounds(a, b)) continue;
        lo = {std::max(lo.x, a.x), std::max(lo.y, a.y), std::max(lo.z, a.z)};
        hi = {std::min(hi.x, b.x), std::min(hi.y, b.y), std::min(hi.z, b.z)};
        bounded = true;
    }
    const Placement p(plane);
    if (!bounded || !p.usable() || !(lo.x <= hi.x && lo.y <= hi.y && lo.z <= hi.z)) return false;
    const Vec3 normal = normalised(p.normal({0, 1, 0}));
    const Vec3 onPlane = p.point({0, -plane.size.y / 2.0, 0});
    if (length(normal) == 0 || !finite(onPlane)) return false;
    // Two directions in the plane, and the box's corners along them.
    const Vec3 seed = std::fabs(normal.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    const Vec3 u = normalised(cross(normal, seed)), v = cross(normal, u);
    double uLo = INFINITY, uHi = -INFINITY, vLo = INFINITY, vHi = -INFINITY;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 at{corner & 1 ? hi.x : lo.x, corner & 2 ? hi.y : lo.y, corner & 4 ? hi.z : lo.z};
        uLo = std::min(uLo, dot(at - onPlane, u)), uHi = std::max(uHi, dot(at - onPlane, u));
        vLo = std::min(vLo, dot(at - onPlane, v)), vHi = std::max(vHi, dot(at - onPlane, v));
    }
    auto corner = [&](double a, double b) {
        const Vec3 at = onPlane + u * a + v * b;
        return Point3d{static_cast<float>(at.x), static_cast<float>(at.y), static_cast<float>(at.z)};
    };
    const Point3d n{static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z)};
    const Point3d c[4] = {corner(uLo, vLo), corner(uHi, vLo), corner(uHi, vHi), corner(uLo, vHi)};
    into.push_back({{c[0], c[1], c[2]}, {n, n, n}});
    into.push_back({{c[0], c[2], c[3]}, {n, n, n}});
    return true;
}

// An object drawn from its parameters, its triangles made into `into` on a
// thread: only the rasteriser's const side is read there.
template <void (*Draw)(Rasteriser&, const CadObject&, const Surface&, std::vector<TriPolygon>*)>
void makeWith(const Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>& into) {
    Draw(const_cast<Rasteriser&>(r), o, s, &into);
}

// How a kind is made on the threads; null for one drawn otherwise.
Rasteriser::Tessellate madeOnThreads(uint32_t type) {
    switch (type) {
        case KX_SPHERE:
        case KX_ELLIPSOID: return makeWith<drawSphere>;
        case KX_DISC: return makeWith<drawDisc>;
        case KX_CYLINDER:
        case KX_CONE: return makeWith<drawCylinderOrCone>;
        case KX_TORUS: return makeWith<drawTorus>;
        default: return nullptr;
    }
}

}  // namespace

void drawObject(Rasteriser& r, const CadObject& object, const Surface& surface) {
    if (const Rasteriser::Tessellate make = madeOnThreads(object.type); make && r.sharesShapes() && !surface.image.data) {
        r.waitShape(make, object, surface);
        return;
    }
    switch (object.type) {
        case KX_LIGHT:
        case KX_CAMERA: drawThin(r, object, surface); return;
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
    // What the views show thin beside the faces.
    if (object.points && object.type != KX_LIGHT && object.type != KX_CAMERA) drawThin(r, object, surface);
    r.flush();
}

void drawClippedObject(Rasteriser& r, const CadObject& object, const IndexedMesh* mesh, const Surface& surface,
                       const std::vector<ClipSolid>& solids) {
    // Splitting along a boundary makes at most this many pieces an object.
    constexpr size_t kMostPieces = size_t{1} << 20;
    if (!(object.flags & KX_FLAG_VISIBLE)) return;
    Surface plain = surface;
    plain.image = {};
    std::vector<TriPolygon> made;
    const TriPolygon* triangles = nullptr;
    size_t n = 0;
    if (mesh) {
        made.resize(mesh->triangles);
        for (size_t t = 0; t < mesh->triangles; ++t)
            for (int k = 0; k < 3; ++k) {
                const uint32_t c = mesh->indices[3 * t + k];
                made[t].vertex[k] = {mesh->positions[3 * c], mesh->positions[3 * c + 1], mesh->positions[3 * c + 2]};
                made[t].normal[k] = mesh->normals ? Point3d{mesh->normals[3 * c], mesh->normals[3 * c + 1],
                                                            mesh->normals[3 * c + 2]}
                                                  : Point3d{};
            }
    } else if (const Rasteriser::Tessellate make = madeOnThreads(object.type)) {
        make(r, object, plain, made);
    } else if (object.type == KX_BLOB) {
        drawSphere(r, object, plain, &made);
    } else if (object.polygons) {
        triangles = object.polygons;
        n = object.polygonCount ? object.polygonCount : object.count;
    } else if (!(object.type == KX_PLANE && planeWithin(object, solids, made))) {
        drawObject(r, object, surface);
        return;
    }
    if (!triangles) triangles = made.data(), n = made.size();
    std::vector<TriPolygon> kept;
    clipTriangles(r, solids, triangles, n, kept, kMostPieces);
    if (!kept.empty()) r.drawMesh(kept.data(), kept.size(), plain);
    r.flush();
}

void drawIndexedObject(Rasteriser& r, const IndexedMesh& mesh, const Surface& surface) {
    if (!surface.image.data) {
        r.drawIndexed(mesh, surface);
    } else {
        // An image map goes triangle by triangle, as for the records.
        std::vector<Point3d> corners(mesh.corners);
        for (size_t i = 0; i < mesh.corners; ++i)
            corners[i] = {mesh.positions[3 * i], mesh.positions[3 * i + 1], mesh.positions[3 * i + 2]};
        const PlanarMap planar = planarMap(mesh.corners, [&corners](size_t i) -> const Point3d& { return corners[i]; });
        for (size_t t = 0; t < mesh.triangles; ++t) {
            Vertex v[3];
            for (int k = 0; k < 3; ++k) {
                const uint32_t c = mesh.indices[3 * t + k];
                v[k].position = vec(corners[c]);
                if (mesh.normals) v[k].normal = {mesh.normals[3 * c], mesh.normals[3 * c + 1], mesh.normals[3 * c + 2]};
                planar.place(v[k]);
            }
            r.drawTriangle(v, surface);
        }
    }
    r.flush();
}

}  // namespace kxr

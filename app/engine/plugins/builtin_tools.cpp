#include "plugins/builtin_tools.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <tuple>

namespace kx::plugins {
namespace {

struct V {
    double x, y, z;
};
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(V a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dotv(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V crossv(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V unit(V a) {
    const double l = std::sqrt(dotv(a, a));
    return l > 0 ? a * (1.0 / l) : a;
}
Point3d toP(V v) { return Point3d{static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}; }

TriPolygon triangle(V a, V b, V c) {
    TriPolygon t{};
    t.vertex[0] = toP(a);
    t.vertex[1] = toP(b);
    t.vertex[2] = toP(c);
    return t;
}

// A convex polygon fanned into triangles, wound counter-clockwise seen from
// outside (along the normal).
void addFace(std::vector<TriPolygon>& out, std::vector<V> corners, V normal) {
    V centre{0, 0, 0};
    for (V c : corners) centre = centre + c;
    centre = centre * (1.0 / static_cast<double>(corners.size()));
    const V u = unit(corners[0] - centre);
    const V w = crossv(normal, u);
    std::sort(corners.begin(), corners.end(), [&](V a, V b) {
        return std::atan2(dotv(a - centre, w), dotv(a - centre, u)) <
               std::atan2(dotv(b - centre, w), dotv(b - centre, u));
    });
    for (size_t i = 1; i + 1 < corners.size(); ++i) out.push_back(triangle(corners[0], corners[i], corners[i + 1]));
}

// The faces of the convex hull of vertices whose face normals are known.
std::vector<TriPolygon> hull(const std::vector<V>& vertices, const std::vector<V>& normals) {
    std::vector<TriPolygon> out;
    for (V n : normals) {
        double best = -1e300;
        for (V v : vertices) best = std::max(best, dotv(v, n));
        std::vector<V> face;
        for (V v : vertices)
            if (dotv(v, n) > best - 1e-9) face.push_back(v);
        addFace(out, face, n);
    }
    return out;
}

}  // namespace

BuiltinTools& builtinTools() {
    static BuiltinTools tools;
    return tools;
}

std::vector<TriPolygon> octahedronTriangles() {
    const std::vector<V> vertices = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::vector<V> normals;
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            for (int sz : {-1, 1}) normals.push_back({double(sx), double(sy), double(sz)});
    return hull(vertices, normals);
}

std::vector<TriPolygon> dodecahedronTriangles() {
    const double phi = std::numbers::phi;
    const double inv = 1.0 / phi;
    std::vector<V> vertices;
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            for (int sz : {-1, 1}) vertices.push_back({double(sx), double(sy), double(sz)});
    std::vector<V> normals;
    for (int a : {-1, 1}) {
        for (int b : {-1, 1}) {
            vertices.push_back({0, a * inv, b * phi});
            vertices.push_back({a * inv, b * phi, 0});
            vertices.push_back({a * phi, 0, b * inv});
            // The face normals point at the dual icosahedron's vertices.
            normals.push_back({double(a), 0, b * phi});
            normals.push_back({0, a * phi, double(b)});
            normals.push_back({a * phi, double(b), 0});
        }
    }
    return hull(vertices, normals);
}

std::vector<TriPolygon> cableTriangles(const std::vector<CadObject*>& objects, double radius, int sides) {
    std::vector<TriPolygon> out;
    using Key = std::tuple<float, float, float, float, float, float>;
    std::set<Key> done;
    auto tube = [&](const Point3d& pa, const Point3d& pb) {
        Key k{pa.x, pa.y, pa.z, pb.x, pb.y, pb.z};
        Key back{pb.x, pb.y, pb.z, pa.x, pa.y, pa.z};
        if (done.count(k) || done.count(back)) return;
        done.insert(k);
        const V a{pa.x, pa.y, pa.z};
        const V b{pb.x, pb.y, pb.z};
        const V axis = unit(b - a);
        if (dotv(b - a, b - a) == 0) return;
        const V helper = std::fabs(axis.x) < 0.9 ? V{1, 0, 0} : V{0, 1, 0};
        const V u = unit(crossv(axis, helper));
        const V w = crossv(axis, u);
        for (int i = 0; i < sides; ++i) {
            const double t0 = 2 * std::numbers::pi * i / sides;
            const double t1 = 2 * std::numbers::pi * (i + 1) / sides;
            const V r0 = (u * std::cos(t0) + w * std::sin(t0)) * radius;
            const V r1 = (u * std::cos(t1) + w * std::sin(t1)) * radius;
            out.push_back(triangle(a + r0, a + r1, b + r1));
            out.push_back(triangle(a + r0, b + r1, b + r0));
        }
    };
    for (CadObject* obj : objects) {
        for (ListEntry* e = obj->points; e; e = e->next) {
            const unsigned n = std::min(e->count, 8u);
            if (n < 2) continue;
            for (unsigned i = 0; i < n; ++i) {
                if (n == 2 && i == 1) break;
                tube(e->points[i], e->points[(i + 1) % n]);
            }
        }
    }
    return out;
}

CadObject* makeMeshObject(const char* base, const TriPolygon* triangles, unsigned n) {
    if (triangles == nullptr || n == 0) return nullptr;
    SetObjectsUnSelected();
    CadObject* obj = NewDefaultCadObject(GetNextObjectName(base, KX_POLYGON), KX_POLYGON);
    if (obj == nullptr) return nullptr;
    obj->polygons = CopyPolygons(const_cast<TriPolygon*>(triangles), n);
    if (obj->polygons == nullptr || !CopyPolygonsToList(obj, obj->polygons, n)) {
        DeleteCadObject(obj);
        return nullptr;
    }
    obj->polygonCount = n;
    obj->count = n;
    AddSelectedObject(obj);
    obj->selected = 1;
    return obj;
}

int BuiltinTools::run(const char* name) {
    std::vector<TriPolygon> tris;
    const char* base = nullptr;
    if (strcasecmp(name, "Octahedron") == 0) {
        tris = octahedronTriangles();
        base = "Octahedron";
    } else if (strcasecmp(name, "Dodecahedron") == 0) {
        tris = dodecahedronTriangles();
        base = "Dodecahedron";
    } else if (strcasecmp(name, "Cable") == 0) {
        std::vector<CadObject*> selected;
        for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o))
            if (o->type == KX_POLYGON) selected.push_back(o);
        tris = cableTriangles(selected, cableRadius, cableSides);
        base = "Cable";
        if (tris.empty()) return 0;
    } else {
        return -1;
    }
    return makeMeshObject(base, tris.data(), static_cast<unsigned>(tris.size())) ? 1 : 0;
}

std::span<const ToolParameter> BuiltinTools::parametersOf(const char* tool) {
    static constexpr ToolParameter kCable[] = {
        {"CableRadius", "Radius", 0.001, 1000, 3},
        {"CableSides", "Sides", 3, 64, 0},
    };
    if (tool && strcasecmp(tool, "Cable") == 0) return kCable;
    return {};
}

std::string BuiltinTools::refusal(const char* tool) {
    if (!tool || strcasecmp(tool, "Cable") != 0) return {};
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o))
        if (o->type == KX_POLYGON && o->points) return {};
    return "Cable lays a tube along every edge of the selected meshes: select a mesh first";
}

double BuiltinTools::value(const char* property) const {
    if (property && strcasecmp(property, "CableRadius") == 0) return cableRadius;
    if (property && strcasecmp(property, "CableSides") == 0) return cableSides;
    return std::nan("");
}

bool BuiltinTools::setProperty(const char* name, const KxVar& value) {
    const double number = value.type == KXVAR_INT ? value.value.i : value.type == KXVAR_DOUBLE ? value.value.d
                                                                                               : std::nan("");
    if (strcasecmp(name, "CableRadius") == 0) {
        if (!(number > 0) || !std::isfinite(number)) return false;
        cableRadius = number;
        return true;
    }
    if (strcasecmp(name, "CableSides") == 0) {
        if (!(number >= 3 && number <= 64)) return false;
        cableSides = static_cast<int>(number);
        return true;
    }
    return false;
}

}  // namespace kx::plugins

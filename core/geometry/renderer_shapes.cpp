// The proxy meshes of the renderer's own shapes, made from the parameters the
// export writes: a superellipsoid's surface, a lathe or sor turned about the y
// axis, a prism swept from its outline, a sphere sweep's tube, and the
// isosurface and julia fractal by marching cubes. A shape whose parameters
// the renderer would refuse is drawn as its container, and the log says why.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

#include "geometry/implicit_function.h"
#include "geometry/julia_field.h"
#include "geometry/marching_cubes.h"
#include "geometry/mesh_builder.h"
#include "geometry/renderer_shapes.h"
#include "geometry/shape_curves.h"

namespace kx::geometry {
namespace {

using kx::shapes::CurvePoint;
using kx::shapes::ShapeParameters;

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z;
};
V3 operator-(const V3& a, const V3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(const V3& a, const V3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(double k, const V3& a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(const V3& a, const V3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(const V3& a, const V3& otherwise) {
    const double n = std::sqrt(dot(a, a));
    return n > 1e-12 ? (1 / n) * a : otherwise;
}
Point3d at(const V3& v) { return vertex(v.x, v.y, v.z); }

void quad(MeshBuilder& mesh, const Point3d& a, const Point3d& b, const Point3d& c, const Point3d& d) {
    mesh.facet(a, b, c);
    mesh.facet(c, d, a);
}

// A grid of rows × columns points closed round the columns (and the rows too
// when `closedRows`), as quads.
void gridMesh(MeshBuilder& mesh, const std::vector<Point3d>& g, size_t rows, size_t columns, bool closedRows) {
    const size_t lastRow = closedRows ? rows : rows - 1;
    for (size_t i = 0; i < lastRow; ++i)
        for (size_t j = 0; j < columns; ++j) {
            const size_t i1 = (i + 1) % rows, j1 = (j + 1) % columns;
            quad(mesh, g[i * columns + j], g[i1 * columns + j], g[i1 * columns + j1], g[i * columns + j1]);
        }
}

unsigned sectors() { return 4 * stepCount(); }

// sign(v) |v|^e, the superellipsoid's signed power.
double signedPower(double v, double e) { return std::copysign(std::pow(std::fabs(v), e), v); }

// A closed surface over longitude u (0..2 pi, round the columns) and
// latitude v (-pi/2..pi/2, pole to pole), its points from `point`.
template <typename Point>
void poleToPole(MeshBuilder& mesh, Point&& point) {
    const size_t around = sectors(), along = sectors() / 2 + 1;
    std::vector<Point3d> g;
    for (size_t i = 0; i < along; ++i) {
        const double v = -kPi / 2 + kPi * static_cast<double>(i) / (along - 1);
        for (size_t j = 0; j < around; ++j) g.push_back(point(2 * kPi * static_cast<double>(j) / around, v));
    }
    gridMesh(mesh, g, along, around, false);
}

void superellipsoid(MeshBuilder& mesh, const ShapeParameters& p, const Point3d& size) {
    // e shapes the sections across z, n the profile along it; z is the pole axis.
    poleToPole(mesh, [&](double u, double v) {
        const double cv = signedPower(std::cos(v), p.exponents[1]);
        return vertex(size.x * cv * signedPower(std::cos(u), p.exponents[0]),
                      size.y * cv * signedPower(std::sin(u), p.exponents[0]),
                      size.z * signedPower(std::sin(v), p.exponents[1]));
    });
}

// The profile <r, h> turned about the y axis; caps close the ends of a sor.
void revolve(MeshBuilder& mesh, const std::vector<CurvePoint>& profile, bool caps) {
    const size_t around = sectors();
    if (profile.size() < 2) return;
    std::vector<Point3d> g;
    for (const CurvePoint& q : profile)
        for (size_t j = 0; j < around; ++j) {
            const double a = 2 * kPi * static_cast<double>(j) / around;
            g.push_back(vertex(q.x * std::cos(a), q.y, q.x * std::sin(a)));
        }
    gridMesh(mesh, g, profile.size(), around, false);
    if (!caps) return;
    for (size_t end : {size_t{0}, profile.size() - 1}) {
        const Point3d centre = vertex(0, profile[end].y, 0);
        for (size_t j = 0; j < around; ++j) mesh.facet(centre, g[end * around + (j + 1) % around], g[end * around + j]);
    }
}

double polygonArea(const std::vector<CurvePoint>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const CurvePoint& u = p[i];
        const CurvePoint& v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

// Ear clipping of a simple outline; the triangles' indexes into it.
std::vector<std::array<size_t, 3>> earClip(const std::vector<CurvePoint>& p) {
    std::vector<size_t> left(p.size());
    for (size_t i = 0; i < left.size(); ++i) left[i] = i;
    const double turn = polygonArea(p) >= 0 ? 1 : -1;
    auto cross2 = [&](size_t a, size_t b, size_t c) {
        return ((p[b].x - p[a].x) * (p[c].y - p[a].y) - (p[b].y - p[a].y) * (p[c].x - p[a].x)) * turn;
    };
    std::vector<std::array<size_t, 3>> out;
    size_t guard = left.size() * left.size() + 8;
    while (left.size() > 3 && guard-- > 0) {
        bool clipped = false;
        for (size_t k = 0; k < left.size() && !clipped; ++k) {
            const size_t a = left[(k + left.size() - 1) % left.size()], b = left[k], c = left[(k + 1) % left.size()];
            if (cross2(a, b, c) <= 0) continue;
            bool empty = true;
            for (size_t q : left) {
                if (q == a || q == b || q == c) continue;
                if (cross2(a, b, q) >= 0 && cross2(b, c, q) >= 0 && cross2(c, a, q) >= 0) {
                    empty = false;
                    break;
                }
            }
            if (!empty) continue;
            out.push_back({a, b, c});
            left.erase(left.begin() + static_cast<std::ptrdiff_t>(k));
            clipped = true;
        }
        if (!clipped) break;  // not simple after all: the caps stay partly open
    }
    if (left.size() == 3) out.push_back({left[0], left[1], left[2]});
    return out;
}

void prism(MeshBuilder& mesh, const ShapeParameters& p) {
    const std::vector<CurvePoint> outline = kx::shapes::prismOutline(p, stepCount());
    if (outline.size() < 3) return;
    // A conic sweep grows from the apex at the origin: at height h the
    // outline is scaled by h.
    auto point = [&](const CurvePoint& q, double h) {
        const double k = p.conic ? h : 1;
        return vertex(q.x * k, h, q.y * k);
    };
    const size_t n = outline.size();
    std::vector<Point3d> g;
    for (double h : {p.heights[0], p.heights[1]})
        for (const CurvePoint& q : outline) g.push_back(point(q, h));
    gridMesh(mesh, g, 2, n, false);
    for (const auto& t : earClip(outline)) {
        mesh.facet(g[t[0]], g[t[2]], g[t[1]]);
        mesh.facet(g[n + t[0]], g[n + t[1]], g[n + t[2]]);
    }
}

void sphere(MeshBuilder& mesh, const V3& c, double r) {
    poleToPole(mesh, [&](double u, double v) {
        return at(c + r * V3{std::cos(v) * std::cos(u), std::sin(v), std::cos(v) * std::sin(u)});
    });
}

void sphereSweep(MeshBuilder& mesh, const ShapeParameters& p) {
    const std::vector<CurvePoint> path = kx::shapes::sweepPath(p.spline, p.profile, p.radii, 2 * stepCount());
    if (path.empty()) return;
    auto centre = [&](size_t k) { return V3{path[k].x, path[k].y, path[k].z}; };
    // Rings about the path, each turned from the one before by as little as
    // its tangent asks, so the tube does not twist.
    const size_t around = sectors();
    std::vector<Point3d> g;
    V3 tangent{1, 0, 0};
    V3 normal{0, 1, 0};
    for (size_t k = 0; k < path.size(); ++k) {
        const V3 ahead = centre(std::min(k + 1, path.size() - 1)) - centre(k > 0 ? k - 1 : 0);
        tangent = unit(ahead, tangent);
        normal = unit(normal - dot(normal, tangent) * tangent, unit(cross(tangent, V3{0, 0, 1}), V3{0, 1, 0}));
        const V3 binormal = cross(tangent, normal);
        for (size_t j = 0; j < around; ++j) {
            const double a = 2 * kPi * static_cast<double>(j) / around;
            g.push_back(at(centre(k) + path[k].radius * (std::cos(a) * normal + std::sin(a) * binormal)));
        }
    }
    if (path.size() > 1) gridMesh(mesh, g, path.size(), around, false);
    // The ends are round, and so are the joints of a linear sweep.
    for (size_t k = 0; k < path.size(); ++k)
        if (k == 0 || k + 1 == path.size() || p.spline == kx::shapes::kLinear) sphere(mesh, centre(k), path[k].radius);
}

void storeTriangles(MeshBuilder& mesh, const MarchResult& result) {
    for (const auto& t : result.triangles) mesh.facet(t[0], t[1], t[2]);
}

// The most milliseconds the marching-cubes proxies of one file read take together.
constexpr double kReadingProxyMilliseconds = 3000;

// Grid cells per axis of the marching cubes proxies.
unsigned marchingCells() { return std::clamp(7 * stepCount(), 16u, 64u); }

// Marches the field over the box, first on the full grid, then, when that
// takes longer than the budget, on one of half the cells.
bool march(MeshBuilder& mesh, CadObject* obj, const ScalarField& field, double level, const FieldBox& box) {
    GeometryState& g = kx::core().geometry;
    const bool reading = g.snapSuspended > 0;
    for (unsigned cells : {marchingCells(), marchingCells() / 2}) {
        double budget = g.shapeProxyMilliseconds;
        if (reading) budget = std::min(budget, kReadingProxyMilliseconds - g.readingProxyMilliseconds);
        if (budget < 1) {
            LogMessage(1, "%s: the surfaces of the scene took too long to draw while it was read; its container is drawn",
                       obj->name);
            return false;
        }
        const auto start = std::chrono::steady_clock::now();
        const MarchResult result = marchingCubes(field, level, box, cells, budget);
        if (reading)
            g.readingProxyMilliseconds +=
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (result.complete) {
            storeTriangles(mesh, result);
            return true;
        }
    }
    LogMessage(1, "%s: its surface takes too long to draw; its container is drawn", obj->name);
    return false;
}

bool isosurface(MeshBuilder& mesh, CadObject* obj, const ShapeParameters& p) {
    const ImplicitFunction f = ImplicitFunction::compile(p.function);
    if (!f.valid()) {
        LogMessage(1, "%s: %s; its container is drawn", obj->name, f.error().c_str());
        return false;
    }
    const Point3d& s = obj->size;
    const double half[3] = {std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)};
    const bool sphereContainer = p.container == kx::shapes::kSphereContainer;
    const double r = half[0];
    // Nothing renders outside the container: there the field is far above
    // the threshold, which also closes the surface where the container cuts it.
    auto contained = [&](double x, double y, double z) {
        const bool outside = sphereContainer ? x * x + y * y + z * z > r * r
                                             : std::fabs(x) > half[0] || std::fabs(y) > half[1] || std::fabs(z) > half[2];
        return outside ? p.threshold + 1e3 : f(x, y, z);
    };
    // A cell beyond the container on each side, so that its faces are inside the grid.
    FieldBox box{};
    const unsigned n = marchingCells();
    for (int a = 0; a < 3; ++a) {
        const double extent = sphereContainer ? r : half[a];
        box.min[a] = -extent - 2 * extent / n;
        box.max[a] = extent + 2 * extent / n;
    }
    return march(mesh, obj, contained, p.threshold, box);
}

bool julia(MeshBuilder& mesh, CadObject* obj, const ShapeParameters& p) {
    JuliaParameters j{};
    std::copy(p.julia, p.julia + 4, j.c);
    j.iterations = static_cast<unsigned>(std::clamp(p.iterations, 1, 100));
    std::copy(p.slice, p.slice + 4, j.slice);
    j.sliceDistance = p.slice[4];
    const FieldBox box{{-2, -2, -2}, {2, 2, 2}};
    const PreparedJulia prepared = prepareJulia(j);
    return march(mesh, obj, [&](double x, double y, double z) { return juliaField(prepared, x, y, z); }, 0, box);
}

// The box a shape is drawn as when it cannot be drawn as itself.
void container(MeshBuilder& mesh, CadObject* obj, const ShapeParameters& p) {
    V3 lo{-1, -1, -1}, hi{1, 1, 1};
    if (obj->type == KX_ISOSURFACE) {
        lo = {-std::fabs(obj->size.x), -std::fabs(obj->size.y), -std::fabs(obj->size.z)};
        hi = -1.0 * lo;
    } else if (obj->type == KX_JULIA) {
        lo = {-2, -2, -2};
        hi = {2, 2, 2};
    } else if (!p.profile.empty()) {
        lo = hi = V3{p.profile[0].x, p.profile[0].y, p.profile[0].z};
        for (const Point3d& q : p.profile) {
            if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z)) continue;
            lo = {std::min(lo.x, double{q.x}), std::min(lo.y, double{q.y}), std::min(lo.z, double{q.z})};
            hi = {std::max(hi.x, double{q.x}), std::max(hi.y, double{q.y}), std::max(hi.z, double{q.z})};
        }
        if (obj->type == KX_LATHE || obj->type == KX_SOR) {
            const double r = std::max(std::fabs(lo.x), std::fabs(hi.x));
            lo = {-r, lo.y, -r};
            hi = {r, hi.y, r};
        } else if (obj->type == KX_PRISM) {
            lo.y = std::min(p.heights[0], p.heights[1]);
            hi.y = std::max(p.heights[0], p.heights[1]);
        }
    }
    const Point3d c[8] = {at(lo), at({hi.x, lo.y, lo.z}), at({hi.x, hi.y, lo.z}), at({lo.x, hi.y, lo.z}),
                          at({lo.x, lo.y, hi.z}), at({hi.x, lo.y, hi.z}), at(hi), at({lo.x, hi.y, hi.z})};
    constexpr int kFaces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    for (const auto& f : kFaces) quad(mesh, c[f[0]], c[f[1]], c[f[2]], c[f[3]]);
}

}  // namespace

int buildRendererShape(CadObject* obj) {
    if (!obj || !KxIsRendererShape(obj->type)) return 0;
    const ShapeParameters p = kx::shapes::readShape(obj);
    MeshBuilder mesh;
    bool drawn = false;
    const std::string problem = kx::shapes::shapeProblem(obj->type, p);
    if (!problem.empty()) {
        LogMessage(1, "%s %s; its container is drawn", obj->name, problem.c_str());
    } else {
        switch (obj->type) {
            case KX_SUPERELLIPSOID: superellipsoid(mesh, p, obj->size); break;
            case KX_LATHE: revolve(mesh, kx::shapes::latheCurve(p.spline, p.profile, stepCount()), false); break;
            case KX_SOR: revolve(mesh, kx::shapes::sorCurve(p.profile, stepCount()), true); break;
            case KX_PRISM: prism(mesh, p); break;
            case KX_SPHERESWEEP: sphereSweep(mesh, p); break;
            case KX_ISOSURFACE: isosurface(mesh, obj, p); break;
            case KX_JULIA: julia(mesh, obj, p); break;
            default: break;
        }
        drawn = mesh.count() > 0;
    }
    if (!drawn) container(mesh, obj, p);
    mesh.storeInto(obj);
    return 1;
}

}  // namespace kx::geometry

void SetShapeProxyBudget(double milliseconds) {
    kx::core().geometry.shapeProxyMilliseconds = std::isfinite(milliseconds) ? std::max(1.0, milliseconds) : 250.0;
}

// Preview meshes of the primitives made of flat facets: plane, box (also the
// mesh of user-defined objects) and the height field's pyramid.
#include <cmath>

#include "geometry/mesh_builder.h"

using kx::geometry::MeshBuilder;
using kx::geometry::vertex;

namespace {

// Cells of a plane per axis at most: a plane's size comes from files and
// plug-ins, and a huge one would otherwise ask for billions of facets.
constexpr double kMaxPlaneCells = 256;

// Whole cells of `cell` that fit in `extent`. Past the cap the cells are
// widened so that kMaxPlaneCells of them still cover the extent.
unsigned planeCells(double extent, double& cell, bool& capped) {
    double cells = extent * (1 / cell);
    if (!(cells >= 1)) return 0;  // narrower than a cell, negative, or not a number
    if (cells > kMaxPlaneCells) {
        cell = extent / kMaxPlaneCells;
        capped = true;
        return static_cast<unsigned>(kMaxPlaneCells);
    }
    return static_cast<unsigned>(cells);
}

// One facet of a table: each corner a sign (-1, 0 or +1) per half-extent.
struct SignedFacet {
    signed char corner[3][3];
};

void facetsFromTable(MeshBuilder& mesh, const SignedFacet* table, unsigned n, double a, double b,
                     double c) {
    for (unsigned i = 0; i < n; ++i) {
        Point3d v[3];
        for (int k = 0; k < 3; ++k) {
            const signed char* s = table[i].corner[k];
            v[k] = vertex(s[0] * a, s[1] * b, s[2] * c);
        }
        mesh.facet(v[0], v[1], v[2]);
    }
}

constexpr SignedFacet kBox[12] = {
    {{{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
    {{{1, 1, -1}, {1, -1, -1}, {-1, -1, -1}}},
    {{{-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}}},
    {{{1, 1, 1}, {1, -1, 1}, {-1, -1, 1}}},
    {{{1, -1, 1}, {1, 1, 1}, {1, 1, -1}}},
    {{{1, 1, -1}, {1, -1, -1}, {1, -1, 1}}},
    {{{-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}},
    {{{-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
    {{{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}}},
    {{{1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{{-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}}},
    {{{1, 1, -1}, {1, 1, 1}, {-1, 1, 1}}},
};

// The base square at -b and four sides up to the apex (0, b, 0).
constexpr SignedFacet kPyramid[6] = {
    {{{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}}},
    {{{1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{{-1, -1, 1}, {0, 1, 0}, {1, -1, 1}}},
    {{{-1, -1, -1}, {0, 1, 0}, {1, -1, -1}}},
    {{{-1, -1, 1}, {0, 1, 0}, {-1, -1, -1}}},
    {{{1, -1, 1}, {0, 1, 0}, {1, -1, -1}}},
};

int fromTable(CadObject* obj, const SignedFacet* table, unsigned n) {
    if (!obj) return 0;
    MeshBuilder mesh;
    facetsFromTable(mesh, table, n, obj->size.x / 2.0, obj->size.y / 2.0, obj->size.z / 2.0);
    mesh.storeInto(obj);
    return 1;
}

}  // namespace

int CreatePlaneEx(CadObject* obj) {
    if (!obj) return 0;
    const double hx = obj->size.x / 2.0;
    const double hz = obj->size.z / 2.0;
    const double y = -obj->size.y / 2.0;
    double cellX = 4 * kx::core().geometry.subFactor;
    double cellZ = cellX;
    bool capped = false;
    const unsigned nx = planeCells(hx - (-hx), cellX, capped);
    const unsigned nz = planeCells(hz - (-hz), cellZ, capped);
    if (capped)
        LogMessage(1, "Plane %s of size %g x %g: the preview is kept to %u x %u cells", obj->name,
                   hx * 2, hz * 2, nx, nz);
    MeshBuilder mesh;
    for (unsigned s = 0; s < nz; ++s) {
        const double z0 = -hz + s * cellZ;
        const double z1 = z0 + cellZ;
        for (unsigned t = 0; t < nx; ++t) {
            const double x0 = -hx + t * cellX;
            const double x1 = x0 + cellX;
            mesh.facet(vertex(x1, y, z1), vertex(x0, y, z1), vertex(x0, y, z0));
            mesh.facet(vertex(x0, y, z0), vertex(x1, y, z0), vertex(x1, y, z1));
        }
    }
    mesh.storeInto(obj);
    return 1;
}

int CreateBoxEx(CadObject* obj) { return fromTable(obj, kBox, 12); }

int CreateHeightfieldEx(CadObject* obj) { return fromTable(obj, kPyramid, 6); }

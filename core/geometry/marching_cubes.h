// The proxy mesh of a surface given as a scalar field (isosurfaces, julia
// fractals): where field(p) == level inside a box, as loose triangles.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "kx/types.h"

namespace kx::geometry {

// An axis-aligned box; an axis with max <= min (or a bound that is not a
// finite number) makes the box empty.
struct FieldBox {
    double min[3];
    double max[3];
};

struct MarchResult {
    std::vector<std::array<Point3d, 3>> triangles;
    bool complete = true;  // false: the time or triangle budget ran out first
};

using ScalarField = std::function<double(double, double, double)>;

// Fewest and most cells along each axis of the sampling grid.
inline constexpr unsigned kMinFieldCells = 2;
inline constexpr unsigned kMaxFieldCells = 128;

// The surface field(p) == level inside `box`, sampled at the corners of an
// n x n x n grid of cells (n clamped to kMinFieldCells..kMaxFieldCells).
// "Inside" is field < level; a field value that is not a number counts as
// far outside. Triangles wind counter-clockwise seen from outside, so their
// normals point to growing field. A closed surface that lies wholly inside
// the box gives a closed, consistently wound mesh: every edge is run as often
// one way as the other (once each way, unless samples equal the level exactly
// and pinch the surface, or it collapses to slivers there). Where the surface
// meets the box the mesh stays open.
//
// Memory beyond the triangles is two layers of samples, O(n^2). The steady
// clock is read after every row of samples; once `maxMilliseconds` have
// passed, or when a triangle past `maxTriangles` would be needed, the march
// stops and returns the triangles made so far (at most maxTriangles) with
// complete == false. An empty box gives no triangles and complete == true.
MarchResult marchingCubes(const ScalarField& field, double level, const FieldBox& box, unsigned n,
                          double maxMilliseconds = 250, size_t maxTriangles = 2'000'000);

}  // namespace kx::geometry

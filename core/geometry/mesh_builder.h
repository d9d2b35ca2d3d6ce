// What the primitive generators share: the whole step count of the
// subdivision setting, the vertex they store, and the light's wireframe.
#pragma once

#include <cstdint>

#include "core_state.h"
#include "geometry/point_list_builder.h"

namespace kx::geometry {

// Fewest and most whole steps a generator uses: below 2 the sphere's facet
// pattern has no band to stand on, above 256 a mesh only costs memory.
inline constexpr unsigned kMinSteps = 2;
inline constexpr unsigned kMaxSteps = 256;

// trunc(6 / factor) within kMinSteps..kMaxSteps; 6 when it is not a number.
unsigned stepCount();

// The vertex a generator stores: computed in double, narrowed once.
inline Point3d vertex(double x, double y, double z) {
    return Point3d{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// The generators build their meshes with the point-list builder.
using MeshBuilder = PointListBuilder;

// The light's wireframe aimed at target (relative to the light), which need
// not be the object's stored extraPoint.
int buildLight(CadObject* obj, const Point3d& target);

}  // namespace kx::geometry

// Exact tests of a point against the values writers leave out (a zero
// rotation or move, a unit scale); IsZero is the exported form of the first.
#pragma once

#include "kx/types.h"

namespace kx::model {

inline bool isZero(const Point3d& p) { return p.x == 0.0f && p.y == 0.0f && p.z == 0.0f; }
inline bool isUnitScale(const Point3d& p) { return p.x == 1.0f && p.y == 1.0f && p.z == 1.0f; }

}  // namespace kx::model

// The mesh the benchmarks work on: a grid of side x side quads (two triangles
// each) on a gentle wave, so that inner corners are shared by six triangles as
// in imported and generated meshes.
#pragma once

#include <cmath>

#include "kxcore.h"
#include "triangle_lists.h"

namespace kxbench {

inline ListEntry* gridMesh(unsigned triangles) {
    unsigned side = static_cast<unsigned>(std::sqrt(triangles / 2.0));
    auto at = [](unsigned i, unsigned j) { return MakePoint(i * 0.01, std::sin(i * 0.1) * std::cos(j * 0.1), j * 0.01); };
    return kxtest::triangleGrid(side, at).head();
}

// A fresh scene holding the grid as one mesh object named "mesh".
inline CadObject* gridMeshScene(unsigned triangles) {
    InitScene();
    InitCamera();
    ListEntry* list = gridMesh(triangles);
    return AddObject("mesh", list, CountEntry(list), KX_POLYGON);
}

}  // namespace kxbench

// A triangle list's corners shared among its triangles, as the preview keeps
// a mesh: each corner is then projected and lit once a frame, and the mesh
// takes a third of the room of its records.
#pragma once

#include <cstdint>
#include <vector>

#include "kxcore.h"

namespace kx::app {

struct SharedCorners {
    std::vector<float> positions;  // three a corner
    std::vector<float> normals;    // three a corner, or none when every corner's is zero
    std::vector<uint32_t> corners; // three a triangle
};

// The corners of the triangles, those equal to the bit in position and normal
// written once when they lie near each other in the list (a mesh's
// neighbours do); a corner seen long before may be written again, which
// costs room, never a pixel. False when the triangles are too many to number.
bool shareCorners(const TriPolygon* triangles, size_t count, SharedCorners& out);

// The same of a point list's faces, a node of 4 to 8 corners fanned from its
// first, passing over lone points and segments; false when some node is
// empty or longer than a face, or when the list holds no face. `nodes` (the
// object's count) sizes the room first, up to a bound, so that a count that
// says more than the list holds costs little.
bool shareListCorners(const ListEntry* points, uint32_t nodes, SharedCorners& out);

// The faces of a point list kept as `before` keeps them (made by
// shareListCorners from a list of the same faces), with the corners where
// they stand now: what a move, a turn or a scale of the list leaves, without
// welding the corners again. False when the list's faces are not those of
// `before`, when corners it shared now differ, or when the list brings
// normals `before` had none of (or none where it had some).
bool refreshListCorners(const ListEntry* points, const SharedCorners& before, SharedCorners& out);

// Triangle i of a mesh so kept, written out.
TriPolygon sharedTriangle(const SharedCorners& mesh, size_t i);

}  // namespace kx::app

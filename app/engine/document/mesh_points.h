// The corners of a mesh as places a user drags in a flat view (Edit Points):
// each place once, with every corner of the point list that stands there, so
// that the faces meeting at a corner stay joined when it moves.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "document/edit_history.h"
#include "kxcore.h"

namespace kx::app {

struct MeshVertex {
    Point3d at;                   // where it is drawn, in the scene
    std::vector<size_t> corners;  // the list's corners there, counted from 0 over all its nodes
};

// The most places a mesh offers; a denser one offers none, its corners too
// close together to be taken one by one.
inline constexpr size_t kMaxMeshVertices = 20000;

// The places of a polygon object, in the order the list first reaches them,
// where its triangles show them (through its scale, rotation and position);
// none for any other object. The first edit of a scaled or turned mesh moves
// its list to where its triangles stand and lets its scale and rotation go,
// as part of the edit's step, so that each corner is then where it is drawn.
std::vector<MeshVertex> meshVertices(const CadObject* mesh);

// Moves the corners to `to`, a place in the scene, and makes the mesh's
// triangles again: one step named "Edit Points" (a drag passes one merge key
// for all its moves). False when a corner is not the mesh's or `to` is not
// a finite place.
bool moveMeshVertex(EditHistory& history, CadObject* mesh, const std::vector<size_t>& corners, const Point3d& to,
                    const std::string& mergeKey = {});

// Takes the corners away with every face that meets there, as modellers
// delete a vertex: one step named "Edit Points". False when a corner is not
// the mesh's or no face would be left.
bool removeMeshVertex(EditHistory& history, CadObject* mesh, const std::vector<size_t>& corners);

// The edges of the mesh's faces between its places (indices into `places`,
// as meshVertices gave them), each once.
std::vector<std::pair<size_t, size_t>> meshEdges(const CadObject* mesh, const std::vector<MeshVertex>& places);

// Puts a corner at `at`, a place in the scene, on every face edge that runs
// between the corners `from` and `to` (two places): a triangle becomes two,
// a larger face gains a corner. One step named "Edit Points"; false when no
// face has that edge.
bool splitMeshEdge(EditHistory& history, CadObject* mesh, const std::vector<size_t>& from, const std::vector<size_t>& to,
                   const Point3d& at);

}  // namespace kx::app

// Turns a scene object into the triangles the rasteriser fills.
#pragma once

#include <vector>

#include "csg_clip.h"
#include "kxrender.h"
#include "rasteriser.h"

namespace kxr {

// Draws object with surface; textured selects the image map's coordinates.
void drawObject(Rasteriser& r, const CadObject& object, const Surface& surface);

// Draws an indexed mesh with surface (an image map placed over its extent);
// its corner numbers must lie below its corner count.
void drawIndexedObject(Rasteriser& r, const IndexedMesh& mesh, const Surface& surface);

// Draws the part of an object's surface that the solids keep (a member of
// an intersection or a difference), in the surface's colour: its triangles
// are mesh's when given, else its own or those made from its fields. A
// kind with neither (a plane) is drawn whole.
void drawClippedObject(Rasteriser& r, const CadObject& object, const IndexedMesh* mesh, const Surface& surface,
                       const std::vector<ClipSolid>& solids);

}  // namespace kxr

// Turns a scene object into the triangles the rasteriser fills.
#pragma once

#include "kxrender.h"
#include "rasteriser.h"

namespace kxr {

// Draws object with surface; textured selects the image map's coordinates.
void drawObject(Rasteriser& r, const CadObject& object, const Surface& surface);

// Draws an indexed mesh with surface (an image map placed over its extent);
// its corner numbers must lie below its corner count.
void drawIndexedObject(Rasteriser& r, const IndexedMesh& mesh, const Surface& surface);

}  // namespace kxr

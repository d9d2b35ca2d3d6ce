// Turns a scene object into the triangles the rasteriser fills.
#pragma once

#include "kxrender.h"
#include "rasteriser.h"

namespace kxr {

// Draws object with surface; textured selects the image map's coordinates.
void drawObject(Rasteriser& r, const CadObject& object, const Surface& surface);

}  // namespace kxr

// The primitives the preview draws from their parameters rather than from
// their stored preview meshes: as fine as their size on the picture asks, in
// the place the core's rebuild puts them.
#pragma once

#include "rasteriser.h"

namespace kxr {

void drawSphere(Rasteriser& r, const CadObject& o, const Surface& s);
void drawDisc(Rasteriser& r, const CadObject& o, const Surface& s);
void drawCylinderOrCone(Rasteriser& r, const CadObject& o, const Surface& s);
void drawTorus(Rasteriser& r, const CadObject& o, const Surface& s);
// An infinite plane, cut only by the picture's edges and the near plane.
void drawPlane(Rasteriser& r, const CadObject& o, const Surface& s);

// How many segments a circle of `pixels` radius on the picture needs for its
// outline to stay within a quarter of a pixel of the true one.
int segmentsFor(double pixels);

}  // namespace kxr

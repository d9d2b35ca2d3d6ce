// The primitives the preview draws from their parameters rather than from
// their stored preview meshes: as fine as their size on the picture asks, in
// the place the core's rebuild puts them.
#pragma once

#include <vector>

#include "rasteriser.h"

namespace kxr {

// With `into`, the triangles are appended there and not drawn (the surface
// then has no image map).
void drawSphere(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into = nullptr);
void drawDisc(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into = nullptr);
void drawCylinderOrCone(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into = nullptr);
void drawTorus(Rasteriser& r, const CadObject& o, const Surface& s, std::vector<TriPolygon>* into = nullptr);
// An infinite plane, cut only by the picture's edges and the near plane.
void drawPlane(Rasteriser& r, const CadObject& o, const Surface& s);

// How many segments a circle of `pixels` radius on the picture needs for its
// outline to stay within a quarter of a pixel of the true one.
int segmentsFor(double pixels);

}  // namespace kxr

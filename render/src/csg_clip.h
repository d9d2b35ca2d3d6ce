// The surface a member of an intersection or a difference shows: only the
// part of its triangles that lies inside the group's other members (and
// outside those the group takes away). Triangles that a member's boundary
// may cross are split, down to about a pixel on the picture, and each piece
// kept or dropped by its centre, so the outline follows the boundary as
// closely as the picture can show it.
#pragma once

#include <optional>
#include <vector>

#include "kx/types.h"
#include "placement.h"
#include "vec3.h"

namespace kxr {

class Rasteriser;

// A solid of known inside: a sphere (or ellipsoid), a box, a cylinder or
// cone, or a torus, in its own placement.
class ClipSolid {
public:
    // None when the object's kind has no known inside (a mesh, a blob, a
    // disc, text...) or its fields are unusable: such a member bounds nothing.
    static std::optional<ClipSolid> make(const CadObject& object, bool keepOutside);

    bool inside(Vec3 world) const;
    // Whether a point is kept as far as this solid goes.
    bool keeps(Vec3 world) const { return inside(world) != keepOutside_; }
    // Whether the solid's boundary may cross the triangle whose corners'
    // insides are given: it may not when they disagree with nothing.
    bool mayCross(const Vec3 (&corners)[3], const bool (&cornersInside)[3]) const;

private:
    enum class Shape { Sphere, Box, Cylinder, Torus };
    explicit ClipSolid(const CadObject& object) : placement_(object) {}

    Shape shape_ = Shape::Sphere;
    Placement placement_;
    double a_ = 0, b_ = 0, c_ = 0;  // radius; half sizes; bottom, top, half height; major, minor
    bool keepOutside_ = false;
    Vec3 lo_{}, hi_{};  // the scene's box around it
};

// The pieces of n triangles that every solid keeps, appended to out. At
// most `budget` pieces are made by splitting.
void clipTriangles(const Rasteriser& r, const std::vector<ClipSolid>& solids, const TriPolygon* triangles, size_t n,
                   std::vector<TriPolygon>& out, size_t budget);

}  // namespace kxr

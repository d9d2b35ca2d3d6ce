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
// cone, a torus, or the half-space below a plane, in its own placement.
class ClipSolid {
public:
    // None when the object's kind has no known inside (a mesh, a blob, a
    // disc, text...) or its fields are unusable: such a member bounds nothing.
    static std::optional<ClipSolid> make(const CadObject& object, bool keepOutside);

    bool inside(Vec3 world) const;
    // The scene's box around a solid of finite size; false for a half-space.
    bool bounds(Vec3& lo, Vec3& hi) const {
        lo = lo_, hi = hi_;
        return shape_ != Shape::HalfSpace;
    }
    // Whether a point is kept as far as this solid goes.
    bool keeps(Vec3 world) const { return inside(world) != keepOutside_; }
    // Whether what is kept lies outside the solid (a taken-away member).
    bool keepsOutside() const { return keepOutside_; }
    // Whether the solid's boundary may cross the triangle whose corners'
    // insides are given: it may not when they disagree with nothing.
    bool mayCross(const Vec3 (&corners)[3], const bool (&cornersInside)[3]) const;

private:
    enum class Shape { Sphere, Box, Cylinder, Torus, HalfSpace };
    explicit ClipSolid(const CadObject& object) : placement_(object) {}

    Shape shape_ = Shape::Sphere;
    Placement placement_;
    double a_ = 0, b_ = 0, c_ = 0;  // radius; half sizes; bottom, top, half height; major, minor; height
    bool keepOutside_ = false;
    Vec3 lo_{}, hi_{};  // the scene's box around it
};

// The pieces of n triangles that every solid keeps, appended to out. At
// most `budget` pieces are made by splitting.
void clipTriangles(const Rasteriser& r, const std::vector<ClipSolid>& solids, const TriPolygon* triangles, size_t n,
                   std::vector<TriPolygon>& out, size_t budget);

}  // namespace kxr

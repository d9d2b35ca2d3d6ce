// The curves of the profile shapes, sampled as the renderer reads their
// points: the lathe's four splines, the sor's radius curve, the prism's closed
// outline and the sphere sweep's centre path with its radii.
#pragma once

#include <vector>

#include "geometry/shape_parameters.h"

namespace kx::shapes {

struct CurvePoint {
    double x, y, z;
    double radius;  // the sweep's sphere radius; 0 for profiles
};

// The lathe profile <r, h> (x and y of the points) sampled with `steps`
// points per segment. Quadratic segments run from point 1 on, each a parabola
// through its two ends and the point before; cubic segments are Catmull-Rom
// between the second and the last-but-one point; bezier segments take four
// points each.
std::vector<CurvePoint> latheCurve(int spline, const std::vector<Point3d>& pts, unsigned steps);

// The sor profile: the radius squared is a cubic in the height through the
// second to the last-but-one point, its slopes from the neighbours.
std::vector<CurvePoint> sorCurve(const std::vector<Point3d>& pts, unsigned steps);

// The prism outline (x and z), closed, without the repeated first point.
std::vector<CurvePoint> prismOutline(const ShapeParameters& p, unsigned steps);

// The sweep's centres and radii: linear through every sphere, b-spline
// (uniform cubic, approximating) or cubic (Catmull-Rom, through the second to
// the last-but-one sphere).
std::vector<CurvePoint> sweepPath(int spline, const std::vector<Point3d>& centres, const std::vector<double>& radii,
                                  unsigned steps);

}  // namespace kx::shapes

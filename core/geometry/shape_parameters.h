// The parameters of the renderer's own shapes (superellipsoid, lathe, sor,
// prism, sphere sweep, isosurface, julia fractal) as their extra fields hold
// them, with the defaults of a new object, and the check of what the renderer
// would refuse. The proxy meshes and the exports read them from here, so the
// views and the render always follow the same values.
#pragma once

#include <string>
#include <vector>

#include "kxcore.h"

namespace kx::shapes {

// Lathe and prism splines; a sphere sweep knows the first three under its own
// names (linear, b-spline, cubic).
enum Spline : int { kLinear = 0, kQuadratic = 1, kCubic = 2, kBezier = 3 };
enum Container : int { kBoxContainer = 0, kSphereContainer = 1 };

// Most profile points a shape keeps: what one extra field holds.
inline constexpr unsigned kMaxProfilePoints = 85;

struct ShapeParameters {
    double exponents[2] = {0.5, 0.5};
    int spline = kLinear;
    std::vector<Point3d> profile;
    std::vector<double> radii;
    double heights[2] = {0, 1};
    int conic = 0;
    std::string function;
    int container = kBoxContainer;
    double threshold = 0;
    double accuracy = 0.001;
    double maxGradient = 4;
    double julia[4] = {-0.083, 0, -0.83, -0.025};
    int iterations = 8;
    double precision = 15;
    double slice[5] = {0, 0, 0, 1, 0};  // the 4D normal, then the distance
};

// The object's parameters; a field it lacks keeps its default.
ShapeParameters readShape(CadObject* obj);

// Stores the defaults of a new shape of `type` in a creation record.
void storeDefaults(CadObjectInfo* info, unsigned type);

// Why the renderer would refuse the shape: "" when it takes it.
std::string shapeProblem(unsigned type, const ShapeParameters& p);

// The prism's outline as the renderer reads it for the spline: the stored
// outline is closed implicitly, so linear, quadratic and cubic splines get
// the points that close them (bezier outlines are written as stored).
std::vector<Point3d> prismSplinePoints(const ShapeParameters& p);

// The keyword of a lathe or prism spline, and of a sphere sweep's.
const char* splineKeyword(int spline);
const char* sweepSplineKeyword(int spline);

}  // namespace kx::shapes

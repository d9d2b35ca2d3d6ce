// State of the primitive generators: part of the core's one state aggregate.
#pragma once

#include <cstdlib>
#include <vector>

#include "kx/types.h"

namespace kx {

// The working mesh of the last smooth(), which calc_pt_normals and
// output_triangles go on with: points in order of first appearance,
// triangles in input order.
struct SmoothWork {
    struct WeldedPoint {
        Point3d position;
        Point3d normal;
        double sum[3];
        unsigned uses;
    };
    struct Triangle {
        unsigned corner[3];  // indices of welded points, in the node's corner order
        Point3d normal;      // not normalised: larger triangles weigh more
    };
    std::vector<WeldedPoint> points;
    std::vector<Triangle> triangles;
    void clear() {
        points.clear();
        points.shrink_to_fit();
        triangles.clear();
        triangles.shrink_to_fit();
    }
};

struct GeometryState {
    double subFactor = 1.0;  // as set by SetSubFactor
    double steps = 6.0;      // 6 / subFactor
    // Non-zero while a scene file is read: stored positions are kept as written.
    unsigned snapSuspended = 0;
    // The record CreateDefaultInfo hands out.
    CadObjectInfo defaultInfo{};
    SmoothWork smoothing;
    // How long one marching-cubes proxy may take, see SetShapeProxyBudget.
    double shapeProxyMilliseconds = 250;
    // What the proxies of the file being read took so far: a scene of many
    // isosurfaces still opens in seconds, the rest drawn as their containers.
    double readingProxyMilliseconds = 0;

    // Back to a freshly loaded library; an unclaimed extra block is freed.
    void reset() {
        std::free(defaultInfo.extra);
        *this = GeometryState{};
    }
};

}  // namespace kx

// Helpers shared by the geometry files; not exported.
#pragma once

#include "core_state.h"

namespace kx::geometry {

// Calls fn(Point3d&) for every vertex of every node, each node by its own count.
template <class Fn>
void forEachVertex(ListEntry* list, Fn fn) {
    for (ListEntry* node = list; node; node = node->next)
        for (uint32_t i = 0; i < node->count && i < 8; ++i) fn(node->points[i]);
}

// A prepared turn about a coordinate axis through a centre, kept by value so
// that several can be applied to one vertex in turn.
struct AxisTurn {
    PreparedRotation r;
    void apply(double v[3]) const {
        double out[3];
        for (int i = 0; i < 3; ++i)
            out[i] = r.r[i][0] * v[0] + r.r[i][1] * v[1] + r.r[i][2] * v[2] + r.t[i];
        v[0] = out[0];
        v[1] = out[1];
        v[2] = out[2];
    }
};

// A turn by degrees about the axis (0 x, 1 y, 2 z) through c.
AxisTurn axisTurn(const double c[3], int axis, double degrees);

}  // namespace kx::geometry

// The points of the selected profiles, and the corners of the selected
// meshes, as handles in a flat view: which one lies under the mouse, and
// where on an edge a new point would go.
// Positions are client points of the view, given by its own projection.
#pragma once

#include <QPoint>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "kxcore.h"

namespace kx::app {

using Projector = std::function<QPoint(const Point3d&)>;

// How near, in pixels, the mouse must be to take a point or an edge.
inline constexpr int kHandleReach = 6;

struct PointHandle {
    CadObject* object;
    size_t index;
    Point3d at;
    // A mesh's corners at this place (none for a profile's point).
    std::vector<size_t> corners;
};
// The selected point objects' points, in list order, then the places of
// the selected meshes.
std::vector<PointHandle> selectedHandles();
// The handle under a client point; the nearest when several are in reach.
std::optional<PointHandle> handleAt(const QPoint& client, const Projector& project);

struct EdgePlace {
    CadObject* object;
    size_t after;  // the new point goes after this one
    Point3d at;    // on the edge, where the mouse is
    // A mesh's corners at the edge's two ends (none for a profile's edge).
    std::vector<size_t> from, to;
};
// The place on a selected profile's edge, or a selected mesh's face edge,
// under a client point.
std::optional<EdgePlace> edgeAt(const QPoint& client, const Projector& project);

}  // namespace kx::app

#include "views/point_handles.h"

#include <cmath>

#include "document/mesh_points.h"
#include "document/profile_edits.h"

namespace kx::app {

namespace {

double distance(const QPoint& a, const QPoint& b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

}  // namespace

std::vector<PointHandle> selectedHandles() {
    std::vector<PointHandle> out;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) {
        if (o->type == KX_POLYGON) {
            std::vector<MeshVertex> places = meshVertices(o);
            for (size_t i = 0; i < places.size(); ++i)
                out.push_back({o, i, places[i].at, std::move(places[i].corners)});
            continue;
        }
        if (o->type != KX_POINTS) continue;
        const std::vector<Point3d> points = profilePoints(o);
        for (size_t i = 0; i < points.size(); ++i) out.push_back({o, i, points[i], {}});
    }
    return out;
}

std::optional<PointHandle> handleAt(const QPoint& client, const Projector& project) {
    std::optional<PointHandle> best;
    double nearest = kHandleReach + 0.5;
    for (const PointHandle& h : selectedHandles()) {
        const double d = distance(project(h.at), client);
        if (d < nearest) {
            nearest = d;
            best = h;
        }
    }
    return best;
}

std::optional<EdgePlace> edgeAt(const QPoint& client, const Projector& project) {
    std::optional<EdgePlace> best;
    double nearest = kHandleReach + 0.5;
    // The edge from a to b, if the mouse is nearer it than to the best so far.
    auto consider = [&](const PointHandle& a, const PointHandle& b) {
        const QPoint pa = project(a.at), pb = project(b.at);
        const double dx = pb.x() - pa.x(), dy = pb.y() - pa.y();
        const double length2 = dx * dx + dy * dy;
        if (length2 < 1) return;
        // Where along the edge the mouse is, kept off the ends (those are handles).
        double t = ((client.x() - pa.x()) * dx + (client.y() - pa.y()) * dy) / length2;
        if (t <= 0 || t >= 1) return;
        const QPoint foot(static_cast<int>(std::lround(pa.x() + t * dx)), static_cast<int>(std::lround(pa.y() + t * dy)));
        const double d = distance(foot, client);
        if (d >= nearest) return;
        nearest = d;
        auto mix = [t](float u, float v) { return static_cast<float>(u + t * (v - u)); };
        best = EdgePlace{a.object, a.index, Point3d{mix(a.at.x, b.at.x), mix(a.at.y, b.at.y), mix(a.at.z, b.at.z)},
                         a.corners, b.corners};
    };
    const std::vector<PointHandle> handles = selectedHandles();
    for (size_t i = 0; i + 1 < handles.size(); ++i)
        if (handles[i].object == handles[i + 1].object && handles[i].object->type == KX_POINTS)
            consider(handles[i], handles[i + 1]);
    // A mesh's edges run between its places as its faces join them.
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) {
        if (o->type != KX_POLYGON) continue;
        const std::vector<MeshVertex> places = meshVertices(o);
        for (const auto& [a, b] : meshEdges(o, places))
            consider(PointHandle{o, a, places[a].at, places[a].corners}, PointHandle{o, b, places[b].at, places[b].corners});
    }
    return best;
}

}  // namespace kx::app

// Extrusion: outlines drawn as points or line segments become solids with
// the walls and caps of text, at the drawing's own size.
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "geometry/text_internal.h"
#include "model/model_internal.h"

using kx::geometry::FacetList;
using kx::geometry::SolidBuilder;
using kx::geometry::TextLayout;
using kx::geometry::Vec2;

namespace {

struct FreePoints {
    void operator()(Point3d* p) const { std::free(p); }
};

bool everyNodeHas(const ListEntry* list, uint32_t vertices) {
    for (; list; list = list->next)
        if (list->count != vertices) return false;
    return true;
}

Vec2 flat(const Point3d& p) { return Vec2{p.x, p.y}; }

// Walls and caps of the object's n nodes. Points form one outline that ends
// with an edge to the origin (the zero point after the last one); each
// segment is an outline of its own.
bool buildCapped(CadObject* obj, unsigned n, TextAccumulator* acc) {
    const std::unique_ptr<Point3d, FreePoints> pts(PointsToArray(obj->points, n + 1));
    if (!pts) return false;
    const Point3d* p = pts.get();
    TextLayout layout;
    layout.scale = kx::geometry::kExtrudeScale;
    SolidBuilder builder(layout, acc);
    if (obj->type == KX_POINTS) {
        std::vector<Vec2> outline;
        outline.reserve(static_cast<size_t>(n) + 1);
        for (unsigned i = 0; i <= n; ++i) outline.push_back(flat(p[i]));
        builder.walls(outline.data(), outline.size());
    } else {
        for (unsigned i = 0; i < n; ++i) {
            const Vec2 segment[2] = {flat(p[2 * i]), flat(p[2 * i + 1])};
            builder.walls(segment, 2);
        }
    }
    builder.caps();
    return true;
}

void buildWalls(const CadObject* obj, TextAccumulator* acc) {
    TextLayout layout;
    layout.scale = kx::geometry::kExtrudeScale;
    SolidBuilder builder(layout, acc);
    for (const ListEntry* node = obj->points; node; node = node->next) {
        const Vec2 segment[2] = {flat(node->points[0]), flat(node->points[1])};
        builder.walls(segment, 2, false);
    }
}

}  // namespace

int RipExtrude(CadObject* obj) {
    if (!obj) return 0;
    const uint32_t type = obj->type;
    if ((type != KX_POINTS && type != KX_LINESEG && type != KX_POLYGON) ||
        !everyNodeHas(obj->points, type == KX_POINTS ? 1 : 2)) {
        ErrorMessage("Error extrude points or lines only");
        return 0;
    }
    const unsigned n = CountEntry(obj->points);
    if (n == 0) {
        ErrorMessage("No points too extrude");
        return 0;
    }
    const bool capped = type != KX_POLYGON || GetExtrude();
    try {
        FacetList facets;
        if (capped) {
            if (!buildCapped(obj, n, facets.get())) return 0;
        } else {
            buildWalls(obj, facets.get());
        }
        // Not one triangle could be stored (the list code has said why):
        // the drawing stays as it was.
        if (facets.count() == 0) return 0;
        DeleteObjectPolygons(obj);
        facets.storeInto(obj);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Error out of memory");
        return 0;
    }
    obj->type = KX_POLYGON;
    SetSceneChanged(1);
    return 1;
}

int ExtrudeObjectsEx() {
    int retried = 0;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) {
        RipExtrude(o);
        if (o->points && (o->type == KX_POINTS || o->type == KX_LINESEG)) {
            RipExtrude(o);
            retried = 1;
        }
    }
    return retried;
}

// The bicubic patch: its 4 x 4 control net in the PatchData field, the preview
// mesh drawn over the net, and reading the net back from an edited preview.
#include <algorithm>

#include "geometry/mesh_builder.h"
#include "model/model_internal.h"

using kx::geometry::MeshBuilder;
using kx::geometry::vertex;

namespace {

constexpr unsigned kNetPoints = 16;

// Where the 18-facet preview holds P[0][0], P[0][1], ... P[3][3] when its
// vertices are read in list order.
constexpr unsigned kNetPositions[kNetPoints] = {2,  8,  14, 16, 20, 26, 32, 34,
                                                38, 44, 50, 52, 37, 43, 49, 53};

// Nodes are read until more than 64 vertices are held; a node adds at most 8.
constexpr unsigned kReadLimit = 64;
constexpr unsigned kMaxNodeVertices = 8;

// Unit spacing whatever the size: the default 3 x 3 patch spans it exactly.
void defaultNet(const CadObject* obj, Point3d* net) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            net[r * 4 + c] = vertex(-obj->size.x / 2.0 + c, -obj->size.y / 2.0, -obj->size.z / 2.0 + r);
}

}  // namespace

int PackPatch(CadObject* obj, Point3d* net16) {
    if (!obj || !net16) return 0;
    return SetObjectExtra(obj, KX_VALUE_POINTSARRAY, KX_PROP_PATCHDATA, kNetPoints, net16);
}

int UnpackPatch(CadObject* obj, Point3d* net16) {
    if (!obj || !net16) return 0;
    const ExtraField* f = kx::model::findExtra(obj->extra, KX_PROP_PATCHDATA);
    // A short net from a damaged file would leave corners undefined.
    if (!f || f->type != KX_VALUE_POINTSARRAY || f->count < kNetPoints) return 0;
    return kx::model::readExtra(obj, KX_PROP_PATCHDATA, KX_VALUE_POINTSARRAY, kNetPoints, net16) ==
                   kNetPoints
               ? 1
               : 0;
}

int CreatePatchEx(CadObject* obj) {
    if (!obj) return 0;
    Point3d p[kNetPoints];
    if (!UnpackPatch(obj, p)) {
        if (kx::model::findExtra(obj->extra, KX_PROP_PATCHDATA))
            LogMessage(1, "Patch %s: its PatchData is not 16 points; the default net is used", obj->name);
        defaultNet(obj, p);
        PackPatch(obj, p);
    }
    auto at = [&p](int r, int c) -> const Point3d& { return p[r * 4 + c]; };
    MeshBuilder mesh;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            mesh.facet(at(r + 1, c + 1), at(r + 1, c), at(r, c));
            mesh.facet(at(r, c), at(r, c + 1), at(r + 1, c + 1));
        }
    }
    mesh.storeInto(obj);
    return 1;
}

int GetPatchFromPoints(CadObject* obj, Point3d* net16) {
    if (!obj || !net16) return 0;
    if (CountEntry(obj->points) < kNetPoints) {
        ErrorMessage("Too few control points in patch");
        return 0;
    }
    NormalizeObject(obj, 0);
    std::fill_n(net16, kNetPoints, Point3d{0, 0, 0});
    Point3d flat[kReadLimit + kMaxNodeVertices] = {};
    unsigned held = 0;
    for (ListEntry* node = obj->points; node && held <= kReadLimit; node = node->next) {
        if (node->count > kMaxNodeVertices) break;  // the end of a damaged list
        std::copy_n(node->points, node->count, flat + held);
        held += node->count;
    }
    // A list of 16 or 17 triangles does not reach every position: those stay zero.
    for (unsigned i = 0; i < kNetPoints; ++i)
        if (kNetPositions[i] < held) net16[i] = flat[kNetPositions[i]];
    return 1;
}

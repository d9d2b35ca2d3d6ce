#include "model/scene_snapshot.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace kx::app {

namespace {

constexpr unsigned kLightValues = 116;

// The list's triangles, or none when some node is not a whole triangle: a
// later node of one or two points (AddFacet then AddPoint) would be read
// past its end. One walk: the object's node count sizes the array first, up
// to a bound, so that a count that says more than the list holds costs little.
bool convertPointList(const ListEntry* points, uint32_t nodes, std::vector<TriPolygon>& out) {
    constexpr uint32_t kMostReserved = 1u << 21;
    out.clear();
    out.reserve(std::min(nodes, kMostReserved));
    for (const ListEntry* n = points; n; n = n->next) {
        if (n->count != 3 || !n->points) return false;
        TriPolygon& t = out.emplace_back();
        for (int k = 0; k < 3; ++k) {
            t.vertex[k] = n->points[k];
            t.normal[k] = n->normals ? n->normals[k] : Point3d{};
        }
    }
    return !out.empty();
}

}  // namespace

LightKind lightKind(const CadObject& light) {
    const ExtraField* field = nullptr;
    if (light.extra) {
        const ExtraField* fields = ExtraBlockFields(light.extra);
        for (uint32_t i = 0; i < light.extra->count; ++i)
            if (fields[i].id == kLightValues) field = &fields[i];
    }
    if (!field) return LightKind::Point;
    if ((field->type != KX_VALUE_FLOATARRAY && field->type != KX_VALUE_FLOAT) || field->count == 0)
        return LightKind::Point;
    double first = 0;
    if (!GetObjectExtra(const_cast<CadObject*>(&light), kLightValues, 1, &first)) return LightKind::Point;
    // 1 aims the light; 0 (set with a falloff or radius) and 2 (an area
    // light) are drawn as points at the light's position.
    if (first == 1.0) return LightKind::Spot;
    if (first == 0.0 || first == 2.0) return LightKind::Point;
    return LightKind::Omitted;
}

TextureInfo* findListTexture(const char* name) {
    if (!name || !name[0]) return nullptr;
    for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t))
        if (strncasecmp(t->name, name, sizeof t->name) == 0) return t;
    return nullptr;
}

TextureInfo colourMaterial(const CadObject& object) {
    TextureInfo m{};
    m.colour[0] = object.rgb & 0xFF;
    m.colour[1] = (object.rgb >> 8) & 0xFF;
    m.colour[2] = (object.rgb >> 16) & 0xFF;
    return m;
}

bool drawnFromParameters(uint32_t type) {
    switch (type) {
        case KX_LIGHT:
        case KX_CAMERA:
        case KX_SPHERE:
        case KX_DISC:
        case KX_CYLINDER:
        case KX_CONE: return true;
        default: return false;
    }
}

std::shared_ptr<const SnapshotGeometry> snapshotGeometry(const CadObject& object) {
    auto geometry = std::make_shared<SnapshotGeometry>();
    if (object.polygons) {
        const size_t n = object.polygonCount ? object.polygonCount : object.count;
        geometry->triangles.assign(object.polygons, object.polygons + n);
        if (object.uv && object.uvCount >= 3 * n) geometry->uv.assign(object.uv, object.uv + 3 * n);
        return geometry;
    }
    if (drawnFromParameters(object.type)) return nullptr;
    if (!convertPointList(object.points, object.count, geometry->triangles)) return nullptr;
    return geometry;
}

}  // namespace kx::app

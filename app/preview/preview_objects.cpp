#include "preview/preview_objects.h"

#include <cstring>
#include <strings.h>

namespace kx::app {

namespace {

constexpr unsigned kLightValues = 116;

bool drawnFromOwnData(uint32_t type) {
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

}  // namespace

const CadObject* PreparedObjects::prepare(const CadObject& object, const Pause& pause) {
    abandoned_ = false;
    if (drawnFromOwnData(object.type) || object.polygons) return &object;
    auto found = converted_.find(&object);
    // Nothing changed since the entry was made (clear() comes with every
    // change), so a long point list is not walked again on every picture.
    if (found == converted_.end() || found->second.points != object.points) {
        Entry& e = converted_[&object];
        e.points = object.points;
        e.triangles.reset();
        e.count = 0;
        // Only a list of triangles all the way converts: a later node of one
        // or two points (AddFacet then AddPoint) would be read past its end.
        // Counted first, so that the array is made once: growing it would
        // copy a million triangles at once, holding the lock.
        size_t sincePause = 0;
        auto pauseDue = [&](const ListEntry* n) {
            if (++sincePause < nodesBetweenPauses_ || !n->next || !pause) return false;
            sincePause = 0;
            if (pause()) return false;
            // The list may be gone: nothing of it is kept or read again.
            converted_.erase(&object);
            abandoned_ = true;
            return true;
        };
        size_t nodes = 0;
        e.drawable = object.points != nullptr;
        for (const ListEntry* n = object.points; n; n = n->next) {
            if (n->count != 3 || !n->points) {
                e.drawable = false;
                break;
            }
            ++nodes;
            if (pauseDue(n)) return nullptr;
        }
        if (e.drawable) {
            // Every pause found the scene as it was counted. The array is made
            // without clearing: its pages are first touched run by run.
            e.triangles = std::make_unique_for_overwrite<TriPolygon[]>(nodes);
            e.count = nodes;
            TriPolygon* t = e.triangles.get();
            const TriPolygon* end = t + nodes;
            sincePause = 0;
            for (const ListEntry* n = object.points; n && t != end; n = n->next, ++t) {
                for (int k = 0; k < 3; ++k) {
                    t->vertex[k] = n->points[k];
                    t->normal[k] = n->normals ? n->normals[k] : Point3d{};
                }
                if (pauseDue(n)) return nullptr;
            }
        }
        found = converted_.find(&object);
    }
    const Entry& e = found->second;
    if (!e.drawable) return nullptr;
    copy_ = object;
    copy_.polygons = e.triangles.get();
    copy_.polygonCount = static_cast<uint32_t>(e.count);
    copy_.count = copy_.polygonCount;
    return &copy_;
}

LightKind lightKind(CadObject& light) {
    const ExtraField* field = nullptr;
    if (light.extra) {
        ExtraField* fields = ExtraBlockFields(light.extra);
        for (uint32_t i = 0; i < light.extra->count; ++i)
            if (fields[i].id == kLightValues) field = &fields[i];
    }
    if (!field) return LightKind::Point;
    if ((field->type != KX_VALUE_FLOATARRAY && field->type != KX_VALUE_FLOAT) || field->count == 0)
        return LightKind::Point;
    double first = 0;
    if (!GetObjectExtra(&light, kLightValues, 1, &first)) return LightKind::Point;
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

}  // namespace kx::app

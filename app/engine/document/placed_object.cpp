#include "document/placed_object.h"

#include <cmath>

#include "model/scene_model.h"

namespace kx::app {

namespace {

float heightOf(CadObject* obj) {
    CentreInfo info{};
    if (!GetSingleObjectCenterPoint(obj, &info, 1)) return 0;
    return info.max.y - info.min.y;
}

}  // namespace

void finishPlacedObject(CadObject* obj, const std::string& image) {
    if (!obj) return;
    if (obj->type == KX_HEIGHTFIELD && !image.empty()) SetCadObjectProperty(obj, KX_PROP_HEIGHTFIELDFILE, image.c_str());
    // The core's default blob has its threshold at its strength, a field with
    // no surface: the renderer would draw nothing where the views show a ball.
    if (obj->type == KX_BLOB) obj->extraPoint.x = kNewBlobThreshold;
    if (obj->type == KX_TEXT) {
        const float height = heightOf(obj);
        if (!(height > 0) || !std::isfinite(height)) return;
        const float f = kNewObjectHeight / height;
        // The scale is the object's own, shown in its Scale field, so that the
        // user can change it back.
        Point3d scale{obj->scale.x * f, obj->scale.y * f, obj->scale.z * f};
        SetCadObjectProperty(obj, KX_PROP_SCALE, &scale);
        RebuildObjectEx(obj, 1);
    }
}

}  // namespace kx::app

// Reading and writing object and scene properties by name or id.
#include <cmath>
#include <cstring>

#include "model/flag_tracking.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace {

using kx::model::objectPropertyId;
using kx::model::objectPropertyTypeOf;

constexpr int kLightValueCount = 6;

// The flag bit of the boolean properties "Visible" .. "Noobject".
uint32_t flagOf(int id) {
    return (id >= KX_PROP_VISIBLE && id <= KX_PROP_NOOBJECT) ? KX_OBJECT_FLAGS[id - KX_PROP_VISIBLE].flag : 0;
}

// A group's CSG operation is kept as a float; never convert garbage to unsigned.
unsigned csgOperation(const CadObject* obj) {
    float v = obj->extraPoint.x;
    if (!std::isfinite(v) || v < 0.0f) return 0;
    if (v >= 4294967295.0f) return 0xFFFFFFFFu;
    return static_cast<unsigned>(v);
}

int typeOfName(const char* name) { return objectPropertyTypeOf(objectPropertyId(name)); }

// The fields of the renderer's own shapes (and the photons flags) are kept in
// the extra block under their ids, whole numbers and numbers alike.
bool keptAsExtra(int id) { return id >= KX_PROP_EXPONENTS; }

}  // namespace

int GetCadObjectProperty(CadObject* obj, const char* name, char* out) {
    if (!obj || typeOfName(name) != KX_VALUE_STRING) return 0;
    int id = objectPropertyId(name);
    if (out && id == KX_PROP_NAME) std::memcpy(out, obj->name, sizeof obj->name);
    if (out && id == KX_PROP_MATERIAL) std::memcpy(out, obj->material, sizeof obj->material);
    return 1;
}

int GetCadObjectProperty(CadObject* obj, const char* name, unsigned* out) {
    if (!obj || typeOfName(name) != KX_VALUE_INTEGER) return 0;
    if (!out) return 1;
    int id = objectPropertyId(name);
    switch (id) {
        case KX_PROP_GROUPID: *out = obj->groupId; break;
        case KX_PROP_SELECT: *out = static_cast<unsigned>(obj->selected); break;
        case KX_PROP_RGBCOLOR: *out = obj->rgb; break;
        case KX_PROP_MATERIALTYPE: *out = obj->materialType; break;
        case KX_PROP_CSGTYPE:
            if (obj->type == KX_GROUP) *out = csgOperation(obj);
            break;
        case KX_PROP_VISIBLE: case KX_PROP_VISIBLE + 1: case KX_PROP_VISIBLE + 2: case KX_PROP_VISIBLE + 3:
        case KX_PROP_VISIBLE + 4:
            *out = (obj->flags & flagOf(id)) ? 1 : 0;
            break;
        default:
            if (keptAsExtra(id)) {
                int32_t v = 0;
                kx::model::readExtra(obj, static_cast<unsigned>(id), KX_VALUE_INTEGER, 1, &v);
                *out = static_cast<unsigned>(v);
            }
            break;  // "Type", "LightType", "Bound", "Noexport", "Noobject"
    }
    return 1;
}

int GetCadObjectProperty(CadObject* obj, const char* name, Point3d* out, unsigned* n) {
    if (n) *n = 0;
    int type = typeOfName(name);
    if (!obj || (type != KX_VALUE_POINT && type != KX_VALUE_POINTSARRAY)) return 0;
    if (!out) return 1;
    const Point3d* single = nullptr;
    switch (objectPropertyId(name)) {
        case KX_PROP_SIZE:
        case KX_PROP_LOOKAT: single = &obj->size; break;
        case KX_PROP_EXTRA: single = &obj->extraPoint; break;
        case KX_PROP_SCALE: single = &obj->scale; break;
        case KX_PROP_ROTATE: single = &obj->rotate; break;
        case KX_PROP_TRANSLATE: single = &obj->translate; break;
        case KX_PROP_BOUNDINGBOX:
            if (obj->boundValid || CalcObjectBounds(obj)) {
                out[0] = obj->boundMin;
                out[1] = obj->boundMax;
                if (n) *n = 2;
            }
            return 1;
        default: return 1;  // "Up", "Direction", "Right", "PatchData"
    }
    *out = *single;
    if (n) *n = 1;
    return 1;
}

int SetCadObjectProperty(CadObject* obj, int id, const char* text) {
    if (!obj) return 0;
    switch (id) {
        case 0: return 1;
        case KX_PROP_NAME:
            kx::text::copyField(obj->name, text);
            kx::model::renameTreeItem(obj);
            return 1;
        case KX_PROP_MATERIAL: kx::text::copyField(obj->material, text); return 1;
        case KX_PROP_COLOR: return SetObjectTextureEx(obj, 1, text);
        case KX_PROP_TEXTURE: return SetObjectTextureEx(obj, 2, text);
        default: break;
    }
    // A known property keeps its own value type: a text under the id of a
    // number or an array would later be read back as that type.
    int type = objectPropertyTypeOf(id);
    if (type != KX_VALUE_UNKNOWN && type != KX_VALUE_STRING) {
        LogMessage(1, "Property %s takes no text", GetObjectPropertyTypeName(id));
        return 0;
    }
    return SetObjectExtra(obj, KX_VALUE_STRING, static_cast<unsigned>(id), 1, text ? text : "");
}

int SetCadObjectProperty(CadObject* obj, const char* name, const char* text) {
    if (!obj || typeOfName(name) != KX_VALUE_STRING) return 0;
    return SetCadObjectProperty(obj, objectPropertyId(name), text);
}

int SetCadObjectProperty(CadObject* obj, int id, Point3d* p) {
    if (!obj || !p) return 0;
    if (obj->type == KX_GROUP && id >= KX_PROP_SCALE && id <= KX_PROP_TRANSLATE) {
        SelectCadGroup(obj, obj->groupId, 1);
        unsigned mode = id == KX_PROP_SCALE    ? KX_TRANSFORM_SCALE
                        : id == KX_PROP_ROTATE ? KX_TRANSFORM_ROTATE
                                               : KX_TRANSFORM_MOVE;
        return TransformObjects(mode, p, p, p);
    }
    switch (id) {
        case KX_PROP_SIZE: obj->size = *p; break;
        case KX_PROP_EXTRA: obj->extraPoint = *p; break;
        case KX_PROP_SCALE: obj->scale = *p; break;
        case KX_PROP_ROTATE: obj->rotate = *p; break;
        case KX_PROP_TRANSLATE:
            obj->translate = *p;
            if (kx::isCameraObject(obj)) SetCameraPositionEx(nullptr, p, nullptr, 1);
            break;
        case KX_PROP_LOOKAT:
            obj->size = *p;  // a camera keeps its look-at in size
            if (kx::isCameraObject(obj)) SetCameraPositionEx(nullptr, nullptr, p, 1);
            break;
        default: break;
    }
    return 1;
}

int SetCadObjectProperty(CadObject* obj, const char* name, Point3d* p) {
    if (!obj || typeOfName(name) != KX_VALUE_POINT) return 0;
    return SetCadObjectProperty(obj, objectPropertyId(name), p);
}

int SetCadObjectProperty(CadObject* obj, const char* name, unsigned value) {
    if (!obj || typeOfName(name) != KX_VALUE_INTEGER) return 0;
    int id = objectPropertyId(name);
    switch (id) {
        case KX_PROP_GROUPID:
            obj->groupId = value;
            if (obj->type == KX_GROUP) kx::model::raiseGroupCounter(value);
            if (value == 0) kx::model::unlinkFromParent(obj);
            else if (CadObject* group = FindParentObject(value); group && group != obj)
                AddChildObject(group, obj);
            break;
        case KX_PROP_SELECT:
            obj->selected = static_cast<int>(value);
            if (value) kx::model::noteFlagged(obj);
            break;
        case KX_PROP_RGBCOLOR:
            obj->rgb = value;
            obj->materialType = 1;
            break;
        case KX_PROP_CSGTYPE:
            if (obj->type == KX_GROUP) obj->extraPoint.x = static_cast<float>(value);
            break;
        case KX_PROP_MATERIALTYPE: obj->materialType = value; break;
        case KX_PROP_LIGHTTYPE: SetLightProperty(obj, KX_PROP_LIGHTTYPE, value, 0.0); break;
        default:
            if (keptAsExtra(id)) {
                const auto v = static_cast<int32_t>(value);
                return SetObjectExtra(obj, KX_VALUE_INTEGER, static_cast<unsigned>(id), 1, &v);
            }
            if (uint32_t bit = flagOf(id)) {
                if (value & 1) obj->flags |= bit;
                else obj->flags &= ~bit;
            }
            break;
    }
    return 1;
}

int SetCadObjectProperty(CadObject* obj, const char* name, double value) {
    if (!obj || typeOfName(name) != KX_VALUE_FLOAT) return 0;
    int id = objectPropertyId(name);
    if (keptAsExtra(id)) return SetObjectExtra(obj, KX_VALUE_FLOAT, static_cast<unsigned>(id), 1, &value);
    if (id < KX_PROP_LIGHTTIGHTNESS || id > KX_PROP_LIGHTRADIUS) return 0;
    return SetLightProperty(obj, static_cast<unsigned>(id), 0, value);
}

int SetCadObjectProperty(CadObject* obj, const char* name, double* values, int n) {
    if (!obj || !values || n < 0 || typeOfName(name) != KX_VALUE_FLOATARRAY) return 0;
    return SetObjectExtra(obj, KX_VALUE_FLOATARRAY, static_cast<unsigned>(objectPropertyId(name)),
                          static_cast<unsigned>(n), values);
}

int SetCadObjectProperty(CadObject* obj, const char* name, int* values, int n) {
    if (!obj || !values || n < 0 || typeOfName(name) != KX_VALUE_FLOATARRAY) return 0;
    // The property is an array of doubles: store the integers as doubles, so that
    // every reader finds the type the table promises.
    double converted[128];
    if (static_cast<unsigned>(n) > kx::model::extraRoom(KX_VALUE_FLOATARRAY)) return 0;
    for (int i = 0; i < n; ++i) converted[i] = values[i];
    return SetObjectExtra(obj, KX_VALUE_FLOATARRAY, static_cast<unsigned>(objectPropertyId(name)),
                          static_cast<unsigned>(n), converted);
}

int SetCadObjectProperty(CadObject* obj, const char* name, Point3d* values, int n) {
    if (!obj || !values || n < 0 || typeOfName(name) != KX_VALUE_POINTSARRAY) return 0;
    return SetObjectExtra(obj, KX_VALUE_POINTSARRAY, static_cast<unsigned>(objectPropertyId(name)),
                          static_cast<unsigned>(n), values);
}

int SetLightProperty(CadObject* light, unsigned id, unsigned ivalue, double fvalue) {
    if (!light || light->type != KX_LIGHT) return 0;
    double values[kLightValueCount] = {};
    kx::model::readExtra(light, KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY, kLightValueCount, values);
    switch (id) {
        case KX_PROP_LIGHTTYPE: values[0] = ivalue; break;
        case KX_PROP_LIGHTRADIUS: values[1] = fvalue; break;
        case KX_PROP_LIGHTFALLOFF: values[2] = fvalue; break;
        case KX_PROP_LIGHTTIGHTNESS: values[3] = fvalue; break;
        case KX_PROP_LIGHTADAPTIVE: values[4] = fvalue; break;
        case KX_PROP_LIGHTJITTER: values[5] = fvalue; break;
        default: break;
    }
    return SetObjectExtra(light, KX_VALUE_FLOATARRAY, KX_PROP_LIGHTVALUES, kLightValueCount, values);
}

int SetSceneProperty(CadScene* scene, const char* name, unsigned value) {
    if (!scene || !name) return 0;
    if (kx::text::equalNoCase(name, "BackColor")) scene->backColor = value;
    return 1;
}

int SetSceneProperty(CadScene* scene, const char* name, const char* text) {
    if (!scene || !name || !text) return 0;
    if (kx::model::isSceneSetting(name)) return SetSceneSetting(name, text);
    struct Slot {
        const char* name;
        char* field;
        size_t size;
    } slots[] = {
        {"Name", scene->name, sizeof scene->name},
        {"Description", scene->description, sizeof scene->description},
        {"Include", scene->include, sizeof scene->include},
        {"Image", scene->image, sizeof scene->image},
        {"RenderPath", scene->renderPath, sizeof scene->renderPath},
        {"RenderInclude", scene->renderInclude, sizeof scene->renderInclude},
    };
    for (const Slot& s : slots)
        if (kx::text::equalNoCase(name, s.name)) kx::text::copyField(s.field, s.size, text);
    return 1;
}

// Host functions on object, scene and plug-in properties.
#include <strings.h>

#include <cstring>
#include <string>

#include "document/edit_history.h"
#include "kxcore.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "plugins/builtin_tools.h"
#include "plugins/plugin_manager.h"

namespace kx::plugins::host {
namespace {

HandleTable& handles() { return hostState().handles; }

KxVar* asValue(void* p) {
    auto* v = static_cast<KxVar*>(p);
    return v != nullptr && v->size == KXVAR_SIZE ? v : nullptr;
}

void setPoint(KxVar& v, const Point3d& p) {
    v.value.p[0] = p.x;
    v.value.p[1] = p.y;
    v.value.p[2] = p.z;
}

void setText(KxVar& v, const char* text, size_t limit) {
    std::memset(v.value.s, 0, sizeof v.value.s);
    std::memcpy(v.value.s, text, strnlen(text, limit));
}

// The text a value carries: inline (at most 71 characters) or through a pointer.
std::string valueText(const KxVar& v, size_t limit) {
    const char* s = nullptr;
    size_t n = 0;
    if (v.type == KXVAR_STRING) {
        s = v.value.s;
        n = strnlen(s, KXVAR_TEXT_BYTES - 1);
    } else if (v.type == KXVAR_POINTER && v.value.ptr != nullptr) {
        s = static_cast<const char*>(v.value.ptr);
        n = strnlen(s, limit);
    }
    return s ? std::string(s, std::min(n, limit)) : std::string();
}

bool isText(const KxVar& v) {
    return v.type == KXVAR_STRING || (v.type == KXVAR_POINTER && v.value.ptr != nullptr);
}

struct NamedId {
    const char* name;
    int id;
};

constexpr NamedId kSceneNames[] = {
    {"SceneRedraw", 1001}, {"SceneName", 1002},   {"SceneBackColor", 1003}, {"SceneDescription", 1004},
    {"SceneInclude", 1005}, {"RenderPath", 1007}, {"RenderInclude", 1008},
};

template <size_t N>
int lookUp(const NamedId (&table)[N], const char* name, int otherwise) {
    for (const NamedId& row : table)
        if (strcasecmp(row.name, name) == 0) return row.id;
    return otherwise;
}

}  // namespace

int GetObjectPropertyId(const char* name) {
    if (name == nullptr) return 0;
    const int id = GetObjectPropertyTypeId(name);
    if (id != 0) return id;
    // Object type names, as plug-ins and scripts know them.
    for (const KxObjectType& t : KX_OBJECT_TYPES)
        if (t.pluginName && strcasecmp(t.pluginName, name) == 0) return static_cast<int>(t.id);
    return 0;
}

int GetPropertyId(const char* name) {
    if (name == nullptr) return 0;
    if (const int id = lookUp(kSceneNames, name, -1); id >= 0) return id;
    // The renderer's scene settings are scene properties from 1101 on, in their order.
    for (int i = 0; const char* setting = GetSceneSettingName(static_cast<unsigned>(i)); ++i)
        if (strcasecmp(setting, name) == 0) return 1101 + i;
    for (const KxFileTypeName& t : KX_FILE_TYPE_NAMES)
        if (strcasecmp(t.name, name) == 0) return static_cast<int>(t.id);
    return GetObjectPropertyId(name);
}

int GetObjectProperty(int handle, const char* property, void* value) {
    CadObject* obj = handles().object(handle);
    KxVar* v = asValue(value);
    if (obj == nullptr || v == nullptr || property == nullptr) return 0;
    const int id = GetObjectPropertyTypeId(property);
    v->type = id < 100 ? KXVAR_POINT : id < 200 ? KXVAR_INT : id < 300 ? KXVAR_STRING : KXVAR_POINTER;
    switch (id) {
    case KX_PROP_SIZE:
    case KX_PROP_LOOKAT: setPoint(*v, obj->size); break;
    case KX_PROP_EXTRA: setPoint(*v, obj->extraPoint); break;
    case KX_PROP_SCALE: setPoint(*v, obj->scale); break;
    case KX_PROP_ROTATE: setPoint(*v, obj->rotate); break;
    case KX_PROP_TRANSLATE: setPoint(*v, obj->translate); break;
    case KX_PROP_UP: setPoint(*v, Point3d{0, 1, 0}); break;
    case KX_PROP_DIRECTION: setPoint(*v, Point3d{0, 0, obj->extraPoint.z}); break;
    case KX_PROP_RIGHT: setPoint(*v, Point3d{obj->extraPoint.x, 0, 0}); break;
    case KX_PROP_TYPE: v->value.i = static_cast<int>(obj->type); break;
    case KX_PROP_FLAGS: v->value.i = static_cast<int>((obj->flags >> 1) & 0x1f); break;
    case KX_PROP_GROUPID: v->value.i = static_cast<int>(obj->groupId); break;
    case KX_PROP_SELECT: v->value.i = obj->selected; break;
    case KX_PROP_RGBCOLOR: v->value.i = static_cast<int>(obj->rgb); break;
    case KX_PROP_CSGTYPE: v->value.i = obj->type == KX_GROUP ? static_cast<int>(obj->extraPoint.x) : 0; break;
    case KX_PROP_VISIBLE:
    case KX_PROP_VISIBLE + 1:
    case KX_PROP_VISIBLE + 2:
    case KX_PROP_VISIBLE + 3:
    case KX_PROP_VISIBLE + 4: v->value.i = (obj->flags >> (id - KX_PROP_VISIBLE + 1)) & 1; break;
    case KX_PROP_NAME: setText(*v, obj->name, sizeof obj->name - 1); break;
    case KX_PROP_MATERIAL: v->value.i = static_cast<int>(obj->materialType); break;
    case KX_PROP_PLUGIN: {
        std::string text(KX_EXTRA_TEXT_MAX + 1, '\0');
        const int ok = GetObjectExtraString(obj, KX_PROP_PLUGIN, text.data());
        setText(*v, ok ? text.c_str() : "", KXVAR_TEXT_BYTES - 1);
        return 1;
    }
    case KX_PROP_COMMENT:
    case KX_PROP_VRMLANCHOR:
    case KX_PROP_VRMLINLINE:
    case KX_PROP_USERINLINE:
    case KX_PROP_USERDATA: {
        // The caller's buffer holds 1024 bytes (the documented size).
        if (v->value.ptr == nullptr) return 0;
        std::string text(KX_EXTRA_TEXT_MAX + 1, '\0');
        const int ok = GetObjectExtraString(obj, id, text.data());
        const size_t n = strnlen(text.c_str(), PLUGIN_EXTRA_BUFFER - 1);
        std::memcpy(v->value.ptr, text.c_str(), n);
        static_cast<char*>(v->value.ptr)[n] = '\0';
        return ok;
    }
    default: break;
    }
    return 1;
}

int SetObjectProperty(int handle, const char* property, void* value) {
    HandleEntry* e = handles().entry(handle);
    if (e == nullptr) {
        handles().lastError = "invalid object handle";
        return 0;
    }
    KxVar* v = asValue(value);
    if (v == nullptr) return logFailure(0, "SetObjectProperty: size mismatch\n");
    if (e->object == nullptr) return logFailure(0, "SetObjectProperty: invalid object\n");
    if (property == nullptr) return 0;
    CadObject* obj = e->object;
    // A size, a position or a smoothing reshapes the object (a group's
    // members with it); what stayed the same is dropped from the step again.
    kx::app::journalReshaping(obj);
    switch (GetObjectPropertyType(property)) {
    case 1:
        if (!isText(*v)) return 0;
        return SetCadObjectProperty(obj, property, valueText(*v, KX_EXTRA_TEXT_MAX).c_str());
    case 2:
        if (v->type != KXVAR_DOUBLE) return 0;
        if (!storableNumber(v->value.d)) return logFailure(0, "SetObjectProperty: value out of range\n");
        return SetCadObjectProperty(obj, property, v->value.d);
    case 3:
        if (v->type != KXVAR_INT) return 0;
        return SetCadObjectProperty(obj, property, static_cast<unsigned>(v->value.i));
    case 4: {
        if (v->type != KXVAR_POINT) return 0;
        if (!storableNumbers(v->value.p, 3)) return logFailure(0, "SetObjectProperty: value out of range\n");
        Point3d p{v->value.p[0], v->value.p[1], v->value.p[2]};
        return SetCadObjectProperty(obj, property, &p);
    }
    default: return 0;
    }
}

int SetObjectPropPnt(int handle, const char* property, float* p) {
    if (p == nullptr) return 0;
    KxVar v{};
    v.size = KXVAR_SIZE;
    v.type = KXVAR_POINT;
    std::memcpy(v.value.p, p, sizeof v.value.p);
    return SetObjectProperty(handle, property, &v);
}

int GetObjectPropPnt(int handle, const char* property, float* p) {
    KxVar v{};
    v.size = KXVAR_SIZE;
    if (p != nullptr && GetObjectProperty(handle, property, &v) && v.type == KXVAR_POINT)
        std::memcpy(p, v.value.p, sizeof v.value.p);
    return 1;
}

int GetObjectPropInt(int handle, const char* property) {
    KxVar v{};
    v.size = KXVAR_SIZE;
    return GetObjectProperty(handle, property, &v) ? v.value.i : 0;
}

int SetObjectPropInt(int handle, const char* property, int value) {
    KxVar v{};
    v.size = KXVAR_SIZE;
    v.type = KXVAR_INT;
    v.value.i = value;
    return SetObjectProperty(handle, property, &v);
}

int SetSceneProperty(int id, void* value) {
    KxVar* v = asValue(value);
    if (v == nullptr) return 0;
    const char* name = GetScenePropertyTypeName(id);
    if (name == nullptr) return 0;
    if (id == 1001) hostState().sceneRedrawOff = v->value.i != 0;
    if (GetScenePropertyType(id) == 1) {
        if (!isText(*v)) return 0;
        // Scene texts hold 259 characters.
        return SetSceneProperty(GetCurrentScene(), name, valueText(*v, 259).c_str());
    }
    return SetSceneProperty(GetCurrentScene(), name, static_cast<unsigned>(v->value.i));
}

int GetPluginProperty(const char*, const char*, void*) { return 0; }

int SetPluginProperty(const char* function, const char* property, void* value) {
    KxVar* v = asValue(value);
    if (v == nullptr || property == nullptr) return 0;
    const size_t n = std::strlen(property);
    if (n <= PLUGIN_PROPERTY_NAME - 1) {
        if (PluginManager* m = hostState().manager) {
            const int result = m->setItemProperty(function, property, *v);
            if (result >= 0) return result;
        }
        if (builtinTools().setProperty(property, *v)) return 1;
    }
    LogMessage(1, "SetPluginProperty: Unknown property\n");
    return 0;
}

}  // namespace kx::plugins::host

// Creating primitives: the default creation record, one creator per type from
// a table of base names, meshes and default sizes, groups, any default object
// by type id, and the subdivision and grid-snap settings new meshes follow.
#include <algorithm>
#include <cmath>

#include "geometry/mesh_builder.h"
#include "geometry/renderer_shapes.h"
#include "geometry/shape_parameters.h"
#include "model/memory.h"
#include "model/model_internal.h"

namespace {

struct PrimitiveKind {
    unsigned type;
    const char* base;  // AddCadAtom appends the type's counter
    int (*mesh)(CadObject*);
    Point3d size;   // defaults of CreateDefault*
    Point3d extra;
};

constexpr PrimitiveKind kKinds[] = {
    {KX_LIGHT, "_light", CreateLightEx, {1, 1, 1}, {0, 0, 0}},
    {KX_SPHERE, "_sphere", CreateSphereEx, {1, 1, 1}, {0, 0, 0}},
    {KX_PLANE, "_plane", CreatePlaneEx, {8, 0, 8}, {0, 0, 0}},
    {KX_DISC, "_disc", CreateDiscEx, {1, 0, 1}, {0, 0, 0}},
    {KX_CYLINDER, "_cylinder", CreateCylinderEx, {1, 2, 1}, {0, 0, 0}},
    {KX_CONE, "_cone", CreateConeEx, {1, 2, 1}, {0, 0, 0}},
    {KX_TORUS, "_torus", CreateTorusEx, {2, 0.5f, 0}, {0, 0, 0}},
    {KX_BOX, "_box", CreateBoxEx, {1, 1, 1}, {0, 0, 0}},
    {KX_HEIGHTFIELD, "_heightfield", CreateHeightfieldEx, {1, 1, 1}, {0, 0, 0}},
    {KX_BLOB, "_blob", CreateSphereEx, {1, 1, 1}, {1, 1, 1}},
    {KX_PATCH, "_patch", CreatePatchEx, {3, 0, 3}, {0, 0, 0}},
    {KX_TEXT, "_text", CreateTextEx, {1, 1, 1}, {0, 0, 0}},
    {KX_USERDEFINED, "_userdefined", CreateBoxEx, {1, 1, 1}, {0, 0, 0}},
    {KX_SUPERELLIPSOID, "_superellipsoid", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
    {KX_LATHE, "_lathe", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
    {KX_SOR, "_sor", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
    {KX_PRISM, "_prism", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
    {KX_SPHERESWEEP, "_spheresweep", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
    {KX_ISOSURFACE, "_isosurface", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
    {KX_JULIA, "_julia", kx::geometry::buildRendererShape, {1, 1, 1}, {0, 0, 0}},
};

const PrimitiveKind* findKind(unsigned type) {
    for (const PrimitiveKind& k : kKinds)
        if (k.type == type) return &k;
    return nullptr;
}

// The object made, or null; its mesh failing is reported by the generator.
CadObject* createFrom(unsigned type, CadObjectInfo* info) {
    const PrimitiveKind* kind = findKind(type);
    if (!kind) return nullptr;
    if (type == KX_LIGHT && info)
        info->extraPoint = MakePoint(static_cast<double>(info->extraPoint.x) - info->translate.x,
                                     static_cast<double>(info->extraPoint.y) - info->translate.y,
                                     static_cast<double>(info->extraPoint.z) - info->translate.z);
    CadObject* obj = AddCadAtom(info, kind->base, kind->type);
    if (obj) kind->mesh(obj);
    return obj;
}

CadObject* createDefault(unsigned type) {
    const PrimitiveKind* kind = findKind(type);
    if (!kind) return nullptr;
    CadObjectInfo* info = CreateDefaultInfo();
    info->size = kind->size;
    info->extraPoint = kind->extra;
    if (type == KX_TEXT) SetObjectExtraInfo(info, KX_VALUE_STRING, KX_PROP_TEXTSTRING, 1, "Text");
    kx::shapes::storeDefaults(info, type);
    return createFrom(type, info);
}

bool groupIdTaken(unsigned id) {
    for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o))
        if (o->groupId == id) return true;
    return false;
}

// The camera object comes from the camera record; take it only when one was
// really added, never whatever object happens to be last.
CadObject* createDefaultCameraObject() {
    CadObject* before = GetLastCadObject();
    CreateDefaultCamera();
    CadObject* after = GetLastCadObject();
    return (after && after != before && after->type == KX_CAMERA) ? after : nullptr;
}

}  // namespace

namespace kx::geometry {

unsigned stepCount() {
    const double n = std::trunc(core().geometry.steps);
    if (!std::isfinite(n)) return 6;
    return static_cast<unsigned>(std::clamp(n, double{kMinSteps}, double{kMaxSteps}));
}

}  // namespace kx::geometry

int SetSubFactor(double factor) {
    if (!(factor > 0) || !std::isfinite(factor)) {
        if (!(factor <= 0)) LogMessage(1, "Subdivision factor %g is not a number; 1 is used", factor);
        factor = 1.0;
    }
    kx::GeometryState& g = kx::core().geometry;
    g.subFactor = factor;
    g.steps = 6.0 / factor;
    const unsigned used = kx::geometry::stepCount();
    if (std::trunc(g.steps) != used)
        LogMessage(1, "Subdivision factor %g gives %g steps; meshes use %u", factor, g.steps, used);
    return 1;
}

int SnapCadObject(Point3d* p) {
    double step = 0;
    if (!p || !GetSnapGrid(&step) || kx::core().geometry.snapSuspended) return 0;
    const double g = static_cast<float>(step);
    if (!(g > 0) || !std::isfinite(g)) return 0;  // beyond single precision
    // The small allowance keeps a point already on the grid where it is,
    // whatever the division's rounding: snapping twice equals snapping once.
    auto snap = [g](float v) { return static_cast<float>(std::ceil(v / g - 1e-6) * g); };
    *p = Point3d{snap(p->x), snap(p->y), snap(p->z)};
    return 1;
}

CadObjectInfo* CreateDefaultInfo() {
    CadObjectInfo& info = kx::core().geometry.defaultInfo;
    kx::mem::release(info.extra);  // a block no object took over
    info = CadObjectInfo{};
    info.flags = KX_FLAG_VISIBLE;
    info.size = Point3d{1, 1, 1};
    info.scale = Point3d{1, 1, 1};
    return &info;
}

int CreateSphere(CadObjectInfo* info) { createFrom(KX_SPHERE, info); return 1; }
int CreatePlane(CadObjectInfo* info) { createFrom(KX_PLANE, info); return 1; }
int CreateDisc(CadObjectInfo* info) { createFrom(KX_DISC, info); return 1; }
int CreateCylinder(CadObjectInfo* info) { createFrom(KX_CYLINDER, info); return 1; }
int CreateCone(CadObjectInfo* info) { createFrom(KX_CONE, info); return 1; }
int CreateTorus(CadObjectInfo* info) { createFrom(KX_TORUS, info); return 1; }
int CreateBox(CadObjectInfo* info) { createFrom(KX_BOX, info); return 1; }
int CreateHeightfield(CadObjectInfo* info) { createFrom(KX_HEIGHTFIELD, info); return 1; }
int CreateUserDefined(CadObjectInfo* info) { createFrom(KX_USERDEFINED, info); return 1; }
int CreateBlob(CadObjectInfo* info) { createFrom(KX_BLOB, info); return 1; }
int CreatePatch(CadObjectInfo* info) { createFrom(KX_PATCH, info); return 1; }
int CreateLight(CadObjectInfo* info) { createFrom(KX_LIGHT, info); return 1; }
int CreateText(CadObjectInfo* info) { createFrom(KX_TEXT, info); return 1; }

CadObject* CreateGroup(CadObjectInfo* info) {
    unsigned no = 0;
    const char* name = GetNextObjectNameEx("_group", KX_GROUP, &no);
    if (!name) return nullptr;
    // Ids read from files or drawn for other groups may be ahead of the
    // counter: a second group with a live id would capture its members.
    while (no + 1 == 0 || groupIdTaken(no + 1)) name = GetNextObjectNameEx("_group", KX_GROUP, &no);
    SetObjectsUnSelected();
    CadObject* group = NewCadObject(name);
    if (!group) return nullptr;
    group->selected = 1;
    group->type = KX_GROUP;
    group->groupId = no + 1;
    kx::model::raiseGroupCounter(group->groupId);
    group->extraPoint.x = info ? info->extraPoint.x : 0.0f;  // the CSG operation
    return group;
}

CadObject* CreateDefaultGroup() { return CreateGroup(CreateDefaultInfo()); }
int CreateDefaultSphere() { createDefault(KX_SPHERE); return 1; }
int CreateDefaultEllipsiod() { return CreateDefaultSphere(); }
int CreateDefaultDisc() { createDefault(KX_DISC); return 1; }
int CreateDefaultPlane() { createDefault(KX_PLANE); return 1; }
int CreateDefaultCylinder() { createDefault(KX_CYLINDER); return 1; }
int CreateDefaultCone() { createDefault(KX_CONE); return 1; }
int CreateDefaultTorus() { createDefault(KX_TORUS); return 1; }
int CreateDefaultBox() { createDefault(KX_BOX); return 1; }
int CreateDefaultHeightfield() { createDefault(KX_HEIGHTFIELD); return 1; }
int CreateDefaultUserDefined() { createDefault(KX_USERDEFINED); return 1; }
int CreateDefaultBlob() { createDefault(KX_BLOB); return 1; }
int CreateDefaultLight() { createDefault(KX_LIGHT); return 1; }
int CreateDefaultPatch() { createDefault(KX_PATCH); return 1; }
int CreateDefaultText() { createDefault(KX_TEXT); return 1; }

CadObject* CreateDefaultObjectEx(const char* name, unsigned type, Point3d* at) {
    CadObject* obj = nullptr;
    if (type == KX_GROUP) obj = CreateDefaultGroup();
    else if (type == KX_POINTS || type == KX_POLYGON) obj = AddCadAtom(CreateDefaultInfo(), "_polygon", type);
    else if (type == KX_CAMERA) obj = createDefaultCameraObject();
    else if (type == KX_ELLIPSOID) obj = createDefault(KX_SPHERE);
    else obj = createDefault(type);  // null for a type without a creator
    if (!obj) return nullptr;
    if (at) {
        SnapCadObject(at);
        TransformObject(obj, KX_TRANSFORM_MOVE, nullptr, nullptr, at, nullptr, 0);
    }
    if (name) SetCadObjectProperty(obj, KX_PROP_NAME, name);  // keeps 31 characters
    return obj;
}

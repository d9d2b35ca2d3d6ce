// The active camera and the camera object that shows it in the views.
#include <cstring>
#include <string>

#include "core_state.h"
#include "files/numbers.h"
#include "model/model_internal.h"
#include "view/view_internal.h"

using kx::core;

namespace {

CameraInfo& camera() { return core().camera; }

Point3d* defaultVector(unsigned which) {
    kx::CoreSettings& s = core().settings;
    switch (which) {
        case 0: return &s.cameraPosition;
        case 1: return &s.cameraLookAt;
        case 2: return &s.cameraUp;
        case 3: return &s.cameraRight;
        default: return nullptr;
    }
}

// The linked object, when it still is an object of the scene.
CadObject* linkedObject() {
    CadObject* obj = camera().object;
    if (obj && !kx::model::isLive(obj)) camera().object = obj = nullptr;
    return obj;
}

}  // namespace

namespace kx::view {

void activeCameraAim(Point3d* location, Point3d* lookAt) {
    if (location) *location = camera().location;
    if (lookAt) *lookAt = camera().lookAt;
}

void forgetCameraObject(const CadObject* obj) {
    if (camera().object == obj) camera().object = nullptr;
}


}  // namespace kx::view

CameraInfo* GetActiveCamera() { return &camera(); }

int InitCamera() {
    CameraInfo& cam = camera();
    kx::CoreSettings& s = core().settings;
    cam.object = nullptr;
    cam.track = 1;
    cam.isDefault = 1;
    // A left-handed presentation looks from the other side; the flip sticks.
    if (GetViewSide() == 0) {
        if (s.cameraPosition.z > 0) s.cameraPosition.z = -s.cameraPosition.z;
        if (s.cameraRight.x < 0) s.cameraRight.x = -s.cameraRight.x;
    }
    cam.location = s.cameraPosition;
    cam.lookAt = s.cameraLookAt;
    cam.up = s.cameraUp;
    cam.rightDir = s.cameraRight;
    cam.width = 320;
    cam.height = 200;
    return 1;
}

int SetCameraDefault(const char* text, unsigned which) {
    if (!text) return 1;
    const std::string t = text;
    double v[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        if (start > t.size()) return 0;  // fewer than three parts
        size_t comma = t.find(',', start);
        size_t end = comma == std::string::npos ? t.size() : comma;
        v[i] = kx::numbers::leading(t.substr(start, end - start).c_str());
        start = end + 1;
    }
    if (Point3d* target = defaultVector(which)) *target = MakePoint(v[0], v[1], v[2]);
    return 1;
}

int SetCameraPositionEx(CadObject*, Point3d* location, Point3d* lookAt, int absolute) {
    CameraInfo& cam = camera();
    cam.isDefault = 0;
    auto apply = [absolute](Point3d& field, const Point3d* value) {
        if (!value) return;
        field = absolute ? *value
                         : MakePoint(static_cast<double>(field.x) + value->x,
                                     static_cast<double>(field.y) + value->y,
                                     static_cast<double>(field.z) + value->z);
    };
    apply(cam.location, location);
    apply(cam.lookAt, lookAt);
    LookAt(&cam.location, &cam.lookAt);
    return 1;
}

int SetCameraHome(CameraInfo* cam, int both) {
    if (!cam) return 0;
    cam->location = Point3d{0, 0, 0};
    if (both) cam->lookAt = Point3d{0, 0, 0};
    return 1;
}

int SetCameraSize(CameraInfo* cam, POINT size) {
    if (!cam) return 0;
    cam->width = size.x;
    cam->height = size.y;
    return 1;
}

int GetCameraTrack(CameraInfo* cam) { return cam ? cam->track : 0; }

CadObjectInfo* CameraToInfo(CameraInfo* cam) {
    CadObjectInfo& info = core().results.cameraInfo;
    info = CadObjectInfo{};
    info.scale = Point3d{1, 1, 1};
    info.flags |= KX_FLAG_VISIBLE;
    if (cam)
        for (const KxCameraField& field : KX_CAMERA_FIELDS) info.*field.info = cam->*field.camera;
    return &info;
}

CadObject* CameraToObject(CameraInfo* cam) {
    CadObject& record = core().results.cameraObject;
    record = CadObject{};
    record.type = KX_CAMERA;
    record.flags = KX_FLAG_VISIBLE;
    record.scale = Point3d{1, 1, 1};
    if (cam)
        for (const KxCameraField& field : KX_CAMERA_FIELDS) record.*field.object = cam->*field.camera;
    return &record;
}

int CreateCamera(CadObjectInfo* info) {
    if (!info) return 0;
    CameraInfo& cam = camera();
    cam.location = info->translate;
    cam.lookAt = info->size;
    cam.up = info->rotate;
    cam.rightDir = info->extraPoint;
    cam.isDefault = 0;
    LookAt(&cam.location, &cam.lookAt);
    // A camera object already in the scene follows the new values; never a
    // second one. One that lost its link (a file, a plug-in) is taken back.
    if (!linkedObject())
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (o->type == KX_CAMERA) {
                cam.object = o;
                break;
            }
    if (linkedObject()) return RebuildCameraObject(&cam) ? 1 : 1;
    if (GetShowCamera() && GetCurrentObjectNo(KX_CAMERA) == 0) {
        CreateCameraObject(info);
        RebuildCameraObject(&cam);
    }
    return 1;
}

int CreateCameraObject(CadObjectInfo* info) {
    CadObject* obj = AddCadAtom(info, "_camera", KX_CAMERA);
    if (!obj) return 1;
    camera().object = obj;
    CreateCameraEx(obj);
    return 1;
}

int DestroyCameraObject() {
    camera().object = nullptr;
    return 1;
}

int RebuildCameraObject(CameraInfo* cam) {
    if (!cam || cam != &camera()) return 0;
    CadObject* obj = linkedObject();
    if (!obj) return 0;
    obj->translate = cam->location;
    obj->size = cam->lookAt;
    obj->rotate = cam->up;
    obj->extraPoint = cam->rightDir;
    return RebuildObjectEx(obj, 0);
}

int RecalcCamera(CameraInfo*) { return 1; }

int SetSceneDefaultCamera(CadScene* scene) {
    Point3d lo, hi;
    if (!GetSceneBound(scene, &lo, &hi)) return 0;
    Point3d c = MakePoint((static_cast<double>(lo.x) + hi.x) / 2, (static_cast<double>(lo.y) + hi.y) / 2,
                          (static_cast<double>(lo.z) + hi.z) / 2);
    double z = (static_cast<double>(hi.x) - lo.x) + (static_cast<double>(hi.z) - lo.z) / 2 + hi.z;
    if (z > 0 && z < 1) z = 1;
    Point3d location = MakePoint(c.x, c.y, z);
    Point3d lookAt = c;
    return SetCameraPositionEx(nullptr, &location, &lookAt, 1);
}

// The scene's one camera: its record, the camera object shown in the views, and
// the defaults the program can change.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

struct CameraInfo {
    Point3d location;
    Point3d lookAt;
    Point3d up;        // written to renderers only when not zero
    Point3d rightDir;  // x: length of the right vector (sign: handedness); z: length of direction
    int32_t width;     // image size in pixels
    int32_t height;
    int track;         // 1: a motion path moves the location; 0: it moves the look-at point
    int isDefault;     // 1 until the camera is positioned or created from parameters
    CadObject* object; // the camera object in the scene, or null
};

// The four vectors of a camera in the order scene files keep them: the keyword
// of the camera block (and another the reader also takes), the camera's field,
// and the field that holds it in the camera object and in its creation record.
struct KxCameraField {
    const char* keyword;
    const char* alsoRead;  // null: none
    Point3d CameraInfo::*camera;
    Point3d CadObject::*object;
    Point3d CadObjectInfo::*info;
};
inline constexpr KxCameraField KX_CAMERA_FIELDS[] = {
    {"Position", "Translate", &CameraInfo::location, &CadObject::translate, &CadObjectInfo::translate},
    {"LookAt", nullptr, &CameraInfo::lookAt, &CadObject::size, &CadObjectInfo::size},
    {"Up", nullptr, &CameraInfo::up, &CadObject::rotate, &CadObjectInfo::rotate},
    {"Right", nullptr, &CameraInfo::rightDir, &CadObject::extraPoint, &CadObjectInfo::extraPoint},
};

KXCORE_API CameraInfo* GetActiveCamera();
KXCORE_API int InitCamera();
// "x,y,z" into default vector which (0 location, 1 look-at, 2 up, 3 rightDir).
KXCORE_API int SetCameraDefault(const char* text, unsigned which);
KXCORE_API int SetCameraPositionEx(CadObject* obj, Point3d* location, Point3d* lookAt, int absolute);
KXCORE_API int SetCameraHome(CameraInfo* camera, int both);
KXCORE_API int SetCameraSize(CameraInfo* camera, POINT size);
KXCORE_API int GetCameraTrack(CameraInfo* camera);
KXCORE_API CadObjectInfo* CameraToInfo(CameraInfo* camera);
KXCORE_API CadObject* CameraToObject(CameraInfo* camera);
// Sets the camera from a creation record. An existing camera object is kept and
// rebuilt from the new values: there is never a second one.
KXCORE_API int CreateCamera(CadObjectInfo* info);
KXCORE_API int CreateCameraObject(CadObjectInfo* info);
KXCORE_API int DestroyCameraObject();
KXCORE_API int RebuildCameraObject(CameraInfo* camera);
KXCORE_API int RecalcCamera(CameraInfo* camera);
KXCORE_API int SetSceneDefaultCamera(CadScene* scene);

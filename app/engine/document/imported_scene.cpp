#include "document/imported_scene.h"

#include <cstring>

namespace kx::app {

bool isImportedFileType(unsigned type) {
    return type == KX_FILETYPE_NFF || type == KX_FILETYPE_DXF || type == KX_FILETYPE_3DSTUDIO ||
           type == KX_FILETYPE_WAVEFRONT || type == KX_FILETYPE_STL || type == KX_FILETYPE_PLY ||
           type == KX_FILETYPE_GLTF;
}

CameraInfo startImportedScene(bool withDefaults) {
    InitScene();
    if (withDefaults) CreateDefaultScene();
    SetObjectsUnSelected();
    return *GetActiveCamera();
}

void frameImportedScene(const CameraInfo& before) {
    const CameraInfo* now = GetActiveCamera();
    // A camera read from the file moved the record; the record's own flag
    // cannot tell, since the default camera is created from parameters too.
    const bool cameraRead = std::memcmp(&before.location, &now->location, sizeof before.location) != 0 ||
                            std::memcmp(&before.lookAt, &now->lookAt, sizeof before.lookAt) != 0;
    if (!cameraRead) SetSceneDefaultCamera(GetCurrentScene());
}

}  // namespace kx::app

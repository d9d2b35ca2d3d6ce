// Files of other programs opened as a scene of their own: the new scene is
// made as File > New makes it, and a file without a camera is framed by the
// default one. Shared by the window's Open and the command line.
#pragma once

#include "kxcore.h"

namespace kx::app {

// 3D Studio, NFF, Wavefront OBJ and DXF: the types an importer brings in.
bool isImportedFileType(unsigned type);

// Starts the new scene (InitScene, and the default camera and lights when
// withDefaults, nothing selected); returns the camera as it then stands.
CameraInfo startImportedScene(bool withDefaults);

// After the import: when the camera is still where startImportedScene left
// it, it is placed in front of the whole scene.
void frameImportedScene(const CameraInfo& before);

}  // namespace kx::app

#include "document/write_scene.h"

#include "kxcore.h"

namespace kx::app {

int writeSceneAs(const std::string& path, unsigned type) {
    if (type == 0) type = GetCadFileType(path.c_str());
    if (type == KX_FILETYPE_KALVEX) return SaveScene2(GetCurrentScene(), path.c_str());
    return Write3Dfile(GetCurrentScene(), path.c_str(), type);
}

}  // namespace kx::app

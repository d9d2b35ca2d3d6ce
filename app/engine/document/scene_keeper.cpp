#include "document/scene_keeper.h"

#include <stdlib.h>

#include <filesystem>

#include "kxcore.h"
#include "model/scene_model.h"

namespace kx::app {

SceneKeeper::SceneKeeper() {
    // A folder of our own: nobody else can plant a link where the scene goes.
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "kalvex-kept-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return;
    folder_ = pattern;
    path_ = folder_ + "/scene.cad";
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        hadCameraObject_ = hadCameraObject_ || o->type == KX_CAMERA;
    kept_ = SaveScene2(GetCurrentScene(), path_.c_str()) != 0;
}

SceneKeeper::~SceneKeeper() {
    if (folder_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

bool SceneKeeper::restore() const {
    emptyScene();
    if (!kept_ || !LoadScene(GetCurrentScene(), path_.c_str())) return false;
    // Reading the camera block shows the camera as an object when the
    // settings say so; a scene that had none gets none back.
    if (!hadCameraObject_)
        for (CadObject* o = GetCadObject(nullptr); o;) {
            CadObject* next = o->next;
            if (o->type == KX_CAMERA) DeleteCadObject(o);
            o = next;
        }
    return true;
}

}  // namespace kx::app

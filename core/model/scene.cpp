// The single scene record and its lifecycle.
#include "model/model_internal.h"

using kx::model::objects;

CadScene* InitScene() {
    // Objects still in the list would be lost without being freed.
    DeleteAllCadObjects();
    objects().scene = CadScene{};
    InitDistance();
    InitCadObjects();
    return &objects().scene;
}

int ClearScene(CadScene*) {
    // Handlers see the scene before anything of it is gone.
    FireKalvexEventAll(KX_EVENT_SCENE_DELETE);
    objects().scene = CadScene{};
    DeleteAllCadObjects();
    return 0;
}

int DestroyScene(CadScene*) {
    objects().scene = CadScene{};
    return 0;
}

CadScene* GetCurrentScene() { return &objects().scene; }

CadScene* CreateDefaultScene() {
    GetNextObjectName(nullptr, 0);
    SetObjectsUnSelected();
    return &objects().scene;
}

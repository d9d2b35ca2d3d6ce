// The single scene record and its lifecycle.
#include "model/model_internal.h"

using kx::model::objects;

CadScene* InitScene() {
    // Objects still in the list would be lost without being freed.
    DeleteAllCadObjects();
    DestroyAni();
    objects().scene = CadScene{};
    ClearSceneSettings();
    InitDistance();
    InitCamera();
    InitCadObjects();
    return &objects().scene;
}

int ClearScene(CadScene*) {
    // Handlers see the scene before anything of it is gone.
    FireKalvexEventAll(KX_EVENT_SCENE_DELETE);
    objects().scene = CadScene{};
    ClearSceneSettings();
    DestroyCameraObject();
    DeleteAllCadObjects();
    DestroyAni();
    return 0;
}

int DestroyScene(CadScene*) {
    objects().scene = CadScene{};
    ClearSceneSettings();
    return 0;
}

CadScene* GetCurrentScene() { return &objects().scene; }

CadScene* CreateDefaultScene() {
    GetNextObjectName(nullptr, 0);
    if (GetShowCamera()) CreateDefaultCamera();
    // Two lights above the scene, on the viewer's side of the default views.
    const bool viewSide = GetViewSide() != 0;
    Point3d first = viewSide ? Point3d{-20, 35, 34} : Point3d{20, 35, -34};
    Point3d second = viewSide ? Point3d{0, 0, 24} : Point3d{0, 0, -24};
    CreateDefaultLight();
    TranslateObjectsEx(&first);
    CreateDefaultLight();
    TranslateObjectsEx(&second);
    SetObjectsUnSelected();
    return &objects().scene;
}

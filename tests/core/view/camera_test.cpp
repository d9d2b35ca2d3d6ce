#include <cmath>

#include "core_fixture.h"

namespace kxtest {
namespace {

class CameraTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
    }
    static unsigned cameraObjects() {
        unsigned n = 0;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) n += o->type == KX_CAMERA;
        return n;
    }
};

TEST_F(CameraTest, DefaultsAndTheirFlip) {
    CameraInfo* cam = GetActiveCamera();
    EXPECT_EQ(InitCamera(), 1);
    EXPECT_EQ(cam->location.z, 20.0f);
    EXPECT_EQ(cam->location.y, 4.0f);
    EXPECT_EQ(cam->rightDir.x, -1.33f);
    EXPECT_EQ(cam->up.y, 1.0f);
    EXPECT_EQ(cam->width, 320);
    EXPECT_EQ(cam->height, 200);
    EXPECT_EQ(cam->track, 1);
    EXPECT_EQ(cam->isDefault, 1);
    SetViewSide(0);
    InitCamera();
    InitCamera();  // the flip sticks and is not undone
    EXPECT_EQ(cam->location.z, -20.0f);
    EXPECT_EQ(cam->rightDir.x, 1.33f);
}

TEST_F(CameraTest, DefaultsFromText) {
    EXPECT_EQ(SetCameraDefault("1,2", 0), 0);
    EXPECT_EQ(SetCameraDefault("1.5,2,3", 0), 1);
    EXPECT_EQ(SetCameraDefault(nullptr, 0), 1);
    EXPECT_EQ(SetCameraDefault("9,9,9", 7), 1);
    InitCamera();
    EXPECT_EQ(GetActiveCamera()->location.x, 1.5f);
    EXPECT_EQ(GetActiveCamera()->location.z, 3.0f);
}

TEST_F(CameraTest, PositioningIsAbsoluteOrRelative) {
    InitCamera();
    Point3d d{1, 0, 0};
    EXPECT_EQ(SetCameraPositionEx(nullptr, &d, nullptr, 0), 1);
    CameraInfo* cam = GetActiveCamera();
    EXPECT_EQ(cam->location.x, 1.0f);
    EXPECT_EQ(cam->location.z, 20.0f);
    EXPECT_TRUE(IsZero(&cam->lookAt));
    EXPECT_EQ(cam->isDefault, 0);
    EXPECT_NEAR(GetDistance(0), std::sqrt(1 + 16 + 400.0), 1e-4);  // re-aimed
    Point3d at{0, 1, 0};
    SetCameraPositionEx(nullptr, &d, &at, 1);
    EXPECT_EQ(cam->location.z, 0.0f);
    EXPECT_EQ(cam->lookAt.y, 1.0f);
    POINT size{640, 480};
    SetCameraSize(cam, size);
    EXPECT_EQ(cam->height, 480);
    SetCameraHome(cam, 1);
    EXPECT_TRUE(IsZero(&cam->location) && IsZero(&cam->lookAt));
}

TEST_F(CameraTest, NeverASecondCameraObject) {
    SetShowCamera(1);
    EXPECT_EQ(CreateDefaultCamera(), 1);
    CadObject* obj = GetActiveCamera()->object;
    ASSERT_NE(obj, nullptr);
    EXPECT_STREQ(obj->name, "_camera0");
    EXPECT_EQ(obj->count, 20u);
    EXPECT_EQ(obj->translate.z, 20.0f);
    EXPECT_EQ(GetActiveCamera()->location.z, 20.0f);  // back from the rebuild

    CadObjectInfo info = *CameraToInfo(GetActiveCamera());
    info.translate = Point3d{5, 5, 5};
    EXPECT_EQ(CreateCamera(&info), 1);
    GetNextObjectName(nullptr, 0);  // as a file read after a new scene does
    EXPECT_EQ(CreateCamera(&info), 1);
    EXPECT_EQ(cameraObjects(), 1u);
    EXPECT_EQ(GetActiveCamera()->object, obj);
    EXPECT_EQ(obj->translate.x, 5.0f);
    EXPECT_EQ(GetActiveCamera()->location.x, 5.0f);

    // Create > Camera in a scene that has one resets the camera and keeps its object.
    struct Path {
        const char* what;
        int (*create)();
    } paths[] = {
        {"CreateDefaultCamera", [] { return CreateDefaultCamera(); }},
        {"CreateDefaultObjectEx", [] { return CreateDefaultObjectEx(nullptr, KX_CAMERA, nullptr) ? 1 : 0; }},
        {"InitCamera then CreateCamera", [] {
             InitCamera();  // a link lost this way is found again
             return CreateCamera(CameraToInfo(GetActiveCamera()));
         }},
    };
    for (const Path& p : paths) {
        SCOPED_TRACE(p.what);
        GetActiveCamera()->location = Point3d{7, 7, 7};
        RebuildCameraObject(GetActiveCamera());
        p.create();
        EXPECT_EQ(cameraObjects(), 1u);
        EXPECT_EQ(GetActiveCamera()->object, obj);
        EXPECT_EQ(obj->translate.z, 20.0f);  // follows the reset camera
        EXPECT_EQ(RebuildCameraObject(GetActiveCamera()), 1);
    }
}

TEST_F(CameraTest, TheObjectCarriesTheCamera) {
    SetShowCamera(1);
    CreateDefaultCamera();
    CadObject* obj = GetActiveCamera()->object;
    SetObjectsUnSelected();
    AddSelectedObject(obj);
    Point3d d{0, 0, -5};
    TranslateObjectsEx(&d);
    EXPECT_EQ(GetActiveCamera()->location.z, 15.0f);
    EXPECT_EQ(GetActiveCamera()->lookAt.z, -5.0f);
    Point3d at{1, 1, 1};
    SetCadObjectProperty(obj, "LookAt", &at);
    EXPECT_EQ(GetActiveCamera()->lookAt.x, 1.0f);
    DeleteCadObject(obj);
    EXPECT_EQ(GetActiveCamera()->object, nullptr);
    EXPECT_EQ(RebuildCameraObject(GetActiveCamera()), 0);
}

TEST_F(CameraTest, DefaultSceneAndClearing) {
    SetShowCamera(1);
    CreateDefaultScene();
    EXPECT_EQ(cameraObjects(), 1u);
    EXPECT_EQ(GetCadObjectsCount(), 3u);
    ClearScene(GetCurrentScene());
    EXPECT_EQ(GetActiveCamera()->object, nullptr);
    SetShowCamera(0);
    CreateDefaultScene();
    EXPECT_EQ(cameraObjects(), 0u);
}

TEST_F(CameraTest, CameraInFrontOfTheScene) {
    CreateDefaultBox();
    Point3d two{2, 2, 2};
    ScaleObjectsEx(&two);
    EXPECT_EQ(SetSceneDefaultCamera(GetCurrentScene()), 1);
    EXPECT_EQ(GetActiveCamera()->location.z, 4.0f);
    EXPECT_TRUE(IsZero(&GetActiveCamera()->lookAt));
    DeleteAllCadObjects();
    EXPECT_EQ(SetSceneDefaultCamera(GetCurrentScene()), 0);
}

}  // namespace
}  // namespace kxtest

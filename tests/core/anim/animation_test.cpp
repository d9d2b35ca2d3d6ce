#include <string>
#include <vector>

#include "core_fixture.h"
#include "model/memory.h"

namespace kxtest {
namespace {

class AnimationTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    CadObject* sphere(const char* name, Point3d at = {0, 0, 0}) {
        CadObject* obj = CreateDefaultObjectEx(name, KX_SPHERE, &at);
        SetObjectsUnSelected();
        return obj;
    }
    AnimFrame& frame(unsigned entry, unsigned f) { return GetAniObject(entry)->frames[f]; }
    bool shown(const std::string& text) const {
        for (const ShownMessage& m : ui.messages)
            if (m.text == text) return true;
        return false;
    }
};

TEST_F(AnimationTest, StartsEmptyWithItsDefaults) {
    EXPECT_EQ(InitAni(), 1);
    const AniSettings* s = GetAniSettings(nullptr);
    EXPECT_EQ(s->copyForward, 1u);
    EXPECT_EQ(s->options[0] + s->options[1] + s->options[2], 3u);
    EXPECT_EQ(IsAni(), 0);
    EXPECT_EQ(GetAniObjectCount(), -1);
    EXPECT_EQ(GetAniObject(0), nullptr);
    EXPECT_EQ(IsUpdateAnimateCtrl(), 1);
    EXPECT_EQ(IsUpdateAnimateCtrl(), 0);

    EXPECT_EQ(CreateAnimation(nullptr, 10), 0);
    ASSERT_EQ(CreateAnimation(std::string(400, 'n').c_str(), 10), 1);
    EXPECT_EQ(std::string(s->name), std::string(259, 'n'));
    EXPECT_EQ(s->capacity, 48u);
    EXPECT_EQ(GetMaxFrame(), 10u);
    EXPECT_EQ(GetAniObjectCount(), 0);
    // Creating the frames again over an existing table starts a nameless animation.
    ASSERT_EQ(CreateFrames(5, 48), 1);
    EXPECT_STREQ(s->name, "");
}

TEST_F(AnimationTest, FrameStorageThatCannotBeHadLeavesNoAnimation) {
    for (unsigned frames : {KX_ANIM_MAX_FRAMES + 1, 0xFFFFFFFFu}) {
        SCOPED_TRACE(frames);
        ui.clear();
        EXPECT_EQ(CreateFrames(frames, 48), 0);
        EXPECT_EQ(ui.lastMessage(), "Error Out of Memory Allocating Frame Storage");
        EXPECT_EQ(IsAni(), 0);
        EXPECT_EQ(GetMaxFrame(), 0u);
    }
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(CreateFrames(10, 48), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(IsAni(), 0);
}

// A whole animation put back as undo does it: copied, emptied entries kept,
// and refused whole when it does not fit.
TEST_F(AnimationTest, AWholeTableIsPutBackOrRefusedWhole) {
    ASSERT_NE(CreateAnimation("walk", 3), 0);
    CadObject* a = sphere("a");
    CadObject* b = sphere("b", {1, 0, 0});
    ASSERT_EQ(AddObjectToAni(a, 0), 1);
    ASSERT_EQ(AddObjectToAni(b, 0), 1);
    AniSettings kept = *GetAniSettings(nullptr);
    std::vector<AnimFrame> frames(GetAniObject(1)->frames, GetAniObject(1)->frames + 3);
    frames[2].move = Point3d{7, 8, 9};
    const AnimObject entries[] = {{nullptr, nullptr, KX_SPHERE}, {b, frames.data(), KX_SPHERE}};

    AniSettings tooMany = kept;
    tooMany.maxFrames = KX_ANIM_MAX_FRAMES + 1;
    EXPECT_EQ(SetAniTable(nullptr, entries, 2), 0);
    EXPECT_EQ(SetAniTable(&tooMany, entries, 2), 0);
    EXPECT_EQ(GetAniObjectCount(), 2);  // as it was
    EXPECT_EQ(GetAniObject(0)->object, a);

    ASSERT_EQ(SetAniTable(&kept, entries, 2), 1);
    frames[2].move = Point3d{};  // the table holds its own copy
    EXPECT_EQ(GetAniObjectCount(), 1);
    EXPECT_EQ(GetAniObject(0)->object, nullptr);
    EXPECT_EQ(GetAniObject(1)->object, b);
    EXPECT_EQ(frame(1, 2).move.y, 8.0f);

    AniSettings none{};
    ASSERT_EQ(SetAniTable(&none, nullptr, 0), 1);
    EXPECT_EQ(IsAni(), 0);
    EXPECT_EQ(GetAniObject(0), nullptr);
}

TEST_F(AnimationTest, AddingAtALaterFrameHidesTheObjectBefore) {
    ASSERT_EQ(CreateAnimation("Movie1", 10), 1);
    CadObject* ball = sphere("ball", {1, 2, 3});
    SetCurrentFrame(5);
    ASSERT_EQ(AddObjectToAni(ball, 0), 1);
    EXPECT_TRUE(ball->flags & KX_FLAG_ANIMATED);
    EXPECT_EQ(GetAniObjectCount(), 1);
    for (unsigned f = 0; f < 10; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(frame(0, f).hide, f < 5 ? 1u : 0u);
        EXPECT_EQ(frame(0, f).key, f == 0 ? 1u : 0u);
        EXPECT_EQ(frame(0, f).move.y, 2.0f);
    }
    // Adding it again refreshes only its non-key frames.
    frame(0, 7).key = 1;
    ball->translate = Point3d{9, 9, 9};
    ASSERT_EQ(AddObjectToAni(ball, 0), 1);
    EXPECT_EQ(GetAniObjectCount(), 1);
    EXPECT_EQ(frame(0, 7).move.x, 1.0f);
    EXPECT_EQ(frame(0, 6).move.x, 9.0f);
}

TEST_F(AnimationTest, ObjectsThatCannotBeAnimated) {
    ASSERT_EQ(CreateAnimation("Movie1", 4), 1);
    EXPECT_EQ(AddObjectToAni(nullptr, 0), 0);
    EXPECT_EQ(ui.lastMessage(), "Invalid CAD Object, anim.cpp line 414");
    CadObject* mesh = makeMesh("mesh", 2);
    EXPECT_EQ(AddObjectToAni(mesh, 0), 0);
    EXPECT_EQ(ui.lastMessage(), "Error Unable to Animate RAW Mesh Object");
    EXPECT_EQ(DeleteObjectFromAni(nullptr, 0), 0);
    EXPECT_EQ(ui.lastMessage(), "Invalid CAD Object, anim.cpp line 553");
    EXPECT_EQ(UpdateAniObject(nullptr), 0);
    EXPECT_EQ(ui.lastMessage(), "Invalid CAD Object, anim.cpp line 291");
    EXPECT_EQ(UpdateAniObject(sphere("loose")), 1);
    EXPECT_EQ(ui.lastMessage(), "Error Unable to Update Aniated Object");

    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(AddObjectToAni(sphere("late"), 0), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Error allocating animation object");
    EXPECT_EQ(GetAniObjectCount(), 0);
}

TEST_F(AnimationTest, TheTableGrowsOneEntryAtATime) {
    ASSERT_EQ(CreateFrames(2, 1), 1);
    ASSERT_EQ(AddObjectToAni(sphere("a"), 0), 1);
    ASSERT_EQ(AddObjectToAni(sphere("b"), 0), 1);
    EXPECT_EQ(GetAniSettings(nullptr)->capacity, 2u);
    CadObject* c = sphere("c");
    kx::mem::failAllocationsAfter(1);  // the frames are had, the table cannot grow
    EXPECT_EQ(AddObjectToAni(c, 0), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Error Unable to Aninate Object, Too Many Objects: 3");
    EXPECT_EQ(GetAniObjectCount(), 2);
    EXPECT_EQ(GetAniObject(2), nullptr);
}

TEST_F(AnimationTest, StoringAFrameCopiesForwardUpToTheNextKey) {
    ASSERT_EQ(CreateAnimation("Movie1", 10), 1);
    CadObject* ball = sphere("ball");
    ASSERT_EQ(AddObjectToAni(ball, 0), 1);
    frame(0, 6).key = 1;
    ball->translate = Point3d{4, 0, 0};
    ASSERT_EQ(UpdateObjectsFromFrame(2), 1);
    for (unsigned f = 0; f < 10; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(frame(0, f).move.x, (f >= 2 && f <= 5) ? 4.0f : 0.0f);
    }
    EXPECT_EQ(frame(0, 2).key, 1u);
    EXPECT_EQ(frame(0, 3).key, 0u);

    GetAniSettings(nullptr)->copyForward = 0;
    ball->translate = Point3d{7, 0, 0};
    ASSERT_EQ(UpdateObjectsFromFrame(2), 1);
    EXPECT_EQ(frame(0, 3).move.x, 4.0f);
    EXPECT_EQ(UpdateObjectsFromFrame(10), 0);
}

TEST_F(AnimationTest, InterpolationByMidpoints) {
    ASSERT_EQ(CreateAnimation("Movie1", 8), 1);
    ASSERT_EQ(AddObjectToAni(sphere("ball"), 0), 1);
    struct Case {
        unsigned f1, f2;
        int result;
        float expected[8];  // move.x of frames 0..7 afterwards; f1 starts at 0, f2 at 12, others at -1
    };
    const Case cases[] = {
        {0, 4, 1, {0, 3, 6, 9, 12, -1, -1, -1}},
        {0, 3, 1, {0, 6, 9, 12, -1, -1, -1, -1}},
        {4, 5, 1, {-1, -1, -1, -1, 0, 12, -1, -1}},
        {5, 4, 0, {-1, -1, -1, -1, 12, 0, -1, -1}},
        {0, 8, 0, {0, -1, -1, -1, -1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.f1) + "-" + std::to_string(c.f2));
        for (unsigned f = 0; f < 8; ++f) frame(0, f) = AnimFrame{0, 0, {1, 1, 1}, {}, {1, 1, 1}, {}, {-1, 0, 0}};
        frame(0, c.f1).move.x = 0;
        if (c.f2 < 8) frame(0, c.f2).move.x = 12;
        EXPECT_EQ(InterpFrames(0, c.f1, c.f2), c.result);
        for (unsigned f = 0; f < 8; ++f) {
            SCOPED_TRACE(f);
            EXPECT_EQ(frame(0, f).move.x, c.expected[f]);
            EXPECT_EQ(frame(0, f).key, (c.result && f > c.f1 && f < c.f2) ? 1u : 0u);
        }
    }
    EXPECT_EQ(InterpFrames(1, 0, 4), 0);
}

TEST_F(AnimationTest, HiddenFramesShowNothingAndComeBackRebuilt) {
    ASSERT_EQ(CreateAnimation("Movie1", 3), 1);
    CadObject* ball = sphere("ball");
    ASSERT_EQ(AddObjectToAni(ball, 0), 1);
    frame(0, 1).hide = 1;
    frame(0, 2).move = Point3d{5, 0, 0};
    ASSERT_EQ(SetObjectsToFrame(1), 1);
    EXPECT_EQ(ball->type, static_cast<uint32_t>(KX_NULL));
    EXPECT_EQ(GetCurrentFrame(), 1u);
    ASSERT_EQ(SetObjectsToFrame(2), 1);
    EXPECT_EQ(ball->type, static_cast<uint32_t>(KX_SPHERE));
    EXPECT_EQ(ball->translate.x, 5.0f);
    // The mesh was rebuilt where the frame puts it.
    ASSERT_NE(ball->polygons, nullptr);
    EXPECT_GT(ball->polygons[0].vertex[0].x, 3.0f);
    EXPECT_EQ(SetObjectsToFrame(3), 0);
    EXPECT_EQ(GetCurrentFrame(), 2u);
}

TEST_F(AnimationTest, PendingEditsAreStoredOnceBeforeTheFrameChanges) {
    ASSERT_EQ(CreateAnimation("Movie1", 4), 1);
    CadObject* ball = sphere("ball");
    ASSERT_EQ(AddObjectToAni(ball, 0), 1);
    GetAniSettings(nullptr)->copyForward = 0;
    ball->translate = Point3d{2, 0, 0};
    SetFrameChange(1);
    ASSERT_EQ(SetObjectsToFrame(1), 1);
    EXPECT_EQ(frame(0, 0).move.x, 2.0f);
    ASSERT_EQ(SetObjectsToFrame(2), 1);
    // Frame 1 was only passed through: it did not become a key frame.
    EXPECT_EQ(frame(0, 1).key, 0u);
}

TEST_F(AnimationTest, FlagsOnlyForSelectedAnimatedObjects) {
    ASSERT_EQ(CreateAnimation("Movie1", 3), 1);
    CadObject* a = sphere("a");
    CadObject* b = sphere("b");
    AddObjectToAni(a, 0);
    AddObjectToAni(b, 0);
    AddSelectedObject(b);
    EXPECT_EQ(SetObjectFrameAttrib(1, 1, 1), 1);
    EXPECT_EQ(SetObjectFrameAttrib(2, 0, 5), 1);
    EXPECT_EQ(SetObjectFrameAttrib(2, 7, 1), 1);
    EXPECT_EQ(SetObjectFrameAttrib(3, 0, 1), 0);
    EXPECT_EQ(frame(0, 1).hide, 0u);
    EXPECT_EQ(frame(1, 1).hide, 1u);
    EXPECT_EQ(frame(1, 2).key, 1u);
    EXPECT_EQ(frame(1, 2).hide, 0u);
}

TEST_F(AnimationTest, RemovedObjectsLeaveEmptyEntriesAndTheirType) {
    ASSERT_EQ(CreateAnimation("Movie1", 3), 1);
    CadObject* a = sphere("a");
    CadObject* b = sphere("b");
    CadObject* c = sphere("c");
    for (CadObject* o : {a, b, c}) AddObjectToAni(o, 0);
    frame(0, 1).hide = 1;
    frame(2, 1).hide = 1;
    ASSERT_EQ(SetObjectsToFrame(1), 1);
    ASSERT_EQ(a->type, static_cast<uint32_t>(KX_NULL));

    // Not selected: left alone.
    EXPECT_EQ(DeleteObjectFromAni(a, 0), 1);
    EXPECT_EQ(GetAniObjectCount(), 3);
    AddSelectedObject(a);
    EXPECT_EQ(DeleteObjectFromAni(a, 0), 1);
    EXPECT_EQ(GetAniObjectCount(), 2);
    EXPECT_EQ(GetAniObject(0)->object, nullptr);
    EXPECT_EQ(a->type, static_cast<uint32_t>(KX_SPHERE));
    EXPECT_FALSE(a->flags & KX_FLAG_ANIMATED);

    // Deleted from the scene while not selected: the entry forgets it all the same.
    DeleteCadObject(b);
    EXPECT_EQ(GetAniObject(1)->object, nullptr);
    EXPECT_EQ(GetAniObjectCount(), 1);
    EXPECT_EQ(GetAniSettings(nullptr)->deletedCount, 2u);
    EXPECT_EQ(InterpFrames(1, 0, 2), 0);
    EXPECT_EQ(SetObjectsToFrame(2), 1);

    // Ending the animation shows the object that is hidden now.
    ASSERT_EQ(SetObjectsToFrame(1), 1);
    ASSERT_EQ(c->type, static_cast<uint32_t>(KX_NULL));
    ASSERT_EQ(DestroyAni(), 1);
    EXPECT_EQ(c->type, static_cast<uint32_t>(KX_SPHERE));
    EXPECT_EQ(IsAni(), 0);
}

TEST_F(AnimationTest, MotionPathMovesTheSelectedOrLastLiveObject) {
    ASSERT_EQ(CreateAnimation("Movie1", 4), 1);
    CadObject* a = sphere("a");
    CadObject* b = sphere("b");
    AddObjectToAni(a, 0);
    AddObjectToAni(b, 0);
    ListEntry* list = nullptr;
    ListEntry* tail = nullptr;
    for (float x : {10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) {
        Point3d p{x, 1, 0};
        tail = AddEntry(1, tail, &p);
        if (!list) list = tail;
    }
    CadObject* path = AddObject("path", list, 5, KX_POINTS);
    ASSERT_NE(path, nullptr);
    SetObjectsUnSelected();
    // The last used entry is gone: the path goes to the last live one.
    AddSelectedObject(b);
    DeleteObjectFromAni(b, 0);
    SetObjectsUnSelected();
    SetCurrentFrame(1);
    ASSERT_EQ(AddObjectToAni(path, 0), 1);
    EXPECT_EQ(frame(0, 0).key, 1u);
    EXPECT_EQ(frame(0, 0).move.x, 0.0f);
    for (unsigned f = 1; f < 4; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(frame(0, f).move.x, 10.0f * static_cast<float>(f));
        EXPECT_EQ(frame(0, f).key, 1u);
    }
    EXPECT_EQ(a->translate.x, 10.0f);
    EXPECT_EQ(GetAniObjectCount(), 1);
}

TEST_F(AnimationTest, AnimatedCameraAimsTheCamera) {
    SetShowCamera(1);
    CreateDefaultCamera();
    CadObject* cam = GetActiveCamera()->object;
    ASSERT_NE(cam, nullptr);
    ASSERT_EQ(CreateAnimation("Movie1", 2), 1);
    ASSERT_EQ(AddObjectToAni(cam, 0), 1);
    frame(0, 1).move = Point3d{3, 4, 5};
    frame(0, 1).size = Point3d{1, 2, 3};
    frame(0, 1).rotate = Point3d{0, 0, 1};
    ASSERT_EQ(SetObjectsToFrame(1), 1);
    const CameraInfo* info = GetActiveCamera();
    EXPECT_EQ(info->location.x, 3.0f);
    EXPECT_EQ(info->location.z, 5.0f);
    EXPECT_EQ(info->lookAt.y, 2.0f);
    EXPECT_EQ(info->up.z, 1.0f);
}

TEST_F(AnimationTest, ClearingTheSceneEndsTheAnimation) {
    ASSERT_EQ(CreateAnimation("Movie1", 2), 1);
    AddObjectToAni(sphere("a"), 0);
    ClearScene(GetCurrentScene());
    EXPECT_EQ(IsAni(), 0);
    EXPECT_EQ(GetAniObject(0), nullptr);
}

}  // namespace
}  // namespace kxtest

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core_fixture.h"
#include "document/scene_edits.h"
#include "model/scene_model.h"
#include "kxcore.h"

namespace {

using kx::app::SceneDelta;
using kx::app::SceneModel;

class SceneModelTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        model().resetForTests();
        model().addSnapshotUser();
    }
    void TearDown() override {
        model().removeSnapshotUser();
        CoreTest::TearDown();
    }
    static SceneModel& model() { return kx::app::sceneModel(); }
    CadObject* visibleMesh(const char* name) {
        SceneModel::Transaction change;
        CadObject* o = makeMesh(name, 4);
        o->flags |= KX_FLAG_VISIBLE;
        return o;
    }
    static const kx::app::SnapshotObject* drawn(const kx::app::SceneSnapshot& snap, const char* name) {
        for (const auto& o : snap.objects)
            if (std::strcmp(o->record.name, name) == 0) return o.get();
        return nullptr;
    }
    // The snapshot's geometry of the object is exactly these n triangles.
    static bool holds(const kx::app::SnapshotObject& object, const TriPolygon* expected, size_t n) {
        if (!object.geometry || object.geometry->triangleCount() != n) return false;
        for (size_t i = 0; i < n; ++i) {
            const TriPolygon t = object.geometry->triangle(i);
            if (std::memcmp(&t, &expected[i], sizeof t) != 0) return false;
        }
        return true;
    }
};

TEST_F(SceneModelTest, NestedTransactionsCommitOnceWithEverythingTheyTouched) {
    std::vector<SceneDelta> heard;
    const int id = model().subscribe([&](const SceneDelta& d) { heard.push_back(d); });
    const uint64_t before = model().generation();
    {
        SceneModel::Transaction outer(SceneDelta::Camera);
        ASSERT_TRUE(outer.owns());
        SceneModel::Transaction inner(SceneDelta::Textures);
        EXPECT_TRUE(inner.owns());
        EXPECT_TRUE(heard.empty());
    }
    model().unsubscribe(id);
    { SceneModel::Transaction unheard; }
    EXPECT_EQ(model().generation(), before + 2);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].what, SceneDelta::Camera | SceneDelta::Textures);
    EXPECT_EQ(model().snapshot()->generation, model().generation());

    // Another thread waits while a change is made.
    std::atomic<bool> tookIt{false};
    std::thread other;
    {
        SceneModel::Transaction change;
        other = std::thread([&] {
            SceneModel::Transaction second;
            tookIt = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(tookIt.load());
    }
    other.join();
    EXPECT_TRUE(tookIt.load());
}

// Which snapshot objects share their triangles with the snapshot before.
TEST_F(SceneModelTest, SnapshotsShareWhatAChangeDidNotReshape) {
    CadObject* a = visibleMesh("a");
    visibleMesh("b");
    kx::app::EditHistory& history = model().history();
    struct Case {
        const char* name;
        std::function<void()> change;
        bool aShared, bShared;
    };
    const std::vector<Case> cases = {
        {"selection", [&] {
             SceneModel::Transaction change(SceneDelta::Selection);
             AddSelectedObject(a);
         }, true, true},
        {"recorded move of a", [&] {
             {
                 SceneModel::Transaction change(SceneDelta::Selection);
                 SetObjectsUnSelected();
                 AddSelectedObject(a);
             }
             ASSERT_TRUE(kx::app::moveSelection(history, {1, 0, 0}));
         }, false, true},
        {"colour of a", [&] {
             ASSERT_TRUE(kx::app::setObjectColour(history, {a}, 10, 20, 30));
             EXPECT_EQ(drawn(*model().snapshot(), "a")->colour.colour[0], 10);
         }, true, true},
        {"texture list", [&] { SceneModel::Transaction change(SceneDelta::Textures); }, true, true},
        {"a change that names no object", [&] { SceneModel::Transaction change; }, false, false},
        {"undo", [&] { ASSERT_TRUE(model().undo()); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = model().snapshot();
        c.change();
        const auto after = model().snapshot();
        ASSERT_NE(drawn(*before, "a"), nullptr);
        ASSERT_NE(drawn(*after, "a"), nullptr);
        EXPECT_EQ(drawn(*before, "a")->geometry == drawn(*after, "a")->geometry, c.aShared);
        EXPECT_EQ(drawn(*before, "b")->geometry == drawn(*after, "b")->geometry, c.bShared);
        // Whatever is shared or not, the snapshot holds the scene's triangles.
        const TriPolygon* tris = CopyListToPolygons(a->points, a->count);
        ASSERT_NE(tris, nullptr);
        EXPECT_TRUE(holds(*drawn(*after, "a"), tris, 4));
        std::free(const_cast<TriPolygon*>(tris));
    }
    // Undo took the colour back in the snapshot too.
    EXPECT_EQ(drawn(*model().snapshot(), "a")->colour.colour[0], a->rgb & 0xFF);
    EXPECT_NE(a->rgb & 0xFF, 10u);
}

// A picture a mesh is painted with lives among its extras: a recorded change
// of it alone reaches the next snapshot, and what it does not change stays shared.
TEST_F(SceneModelTest, APictureAloneReachesTheSnapshot) {
    CadObject* a = visibleMesh("a");
    {
        SceneModel::Transaction change;
        ASSERT_EQ(AllocCadObjectUV(a, a->count * 3), 1);
    }
    struct Case {
        const char* picture;  // set in a recorded change that reshapes nothing; null sets none
        const char* drawnWith;
        bool geometryShared;
    } cases[] = {
        {"one.tga", "one.tga", false},  // painted: prepared by its uvs
        {"two.png", "two.png", true},
        {nullptr, "two.png", true},
        {"three.bmp", "", false},  // a kind the preview does not draw
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture ? c.picture : "nothing");
        const auto before = model().snapshot();
        {
            SceneModel::Transaction change;
            SceneModel::noteRecorded();
            if (c.picture) {
                ASSERT_EQ(SetCadObjectProperty(a, "ImageMap", c.picture), 1);
            }
        }
        const auto after = model().snapshot();
        ASSERT_NE(drawn(*after, "a"), nullptr);
        EXPECT_EQ(drawn(*after, "a")->imageFile, c.drawnWith);
        EXPECT_EQ(drawn(*before, "a")->geometry == drawn(*after, "a")->geometry, c.geometryShared);
        if (!c.picture) {
            EXPECT_EQ(drawn(*before, "a"), drawn(*after, "a"));
        }
    }
}

TEST_F(SceneModelTest, ASnapshotOutlivesTheObjectsItWasMadeFrom) {
    CadObject* a = visibleMesh("a");
    TriPolygon* expected = CopyListToPolygons(a->points, a->count);
    ASSERT_NE(expected, nullptr);
    const auto kept = model().snapshot();
    {
        SceneModel::Transaction change(SceneDelta::Replaced);
        ClearScene(GetCurrentScene());
        InitScene();
    }
    EXPECT_EQ(model().snapshot()->objects.size(), 0u);
    const kx::app::SnapshotObject* old = drawn(*kept, "a");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->record.points, nullptr);
    EXPECT_EQ(old->record.next, nullptr);
    EXPECT_TRUE(holds(*old, expected, 4));
    std::free(expected);
}

TEST_F(SceneModelTest, ObjectsKeepTheirIdsUntilFreed) {
    CadObject* a = visibleMesh("a");
    CadObject* b = visibleMesh("b");
    const uint64_t idA = model().idOf(a), idB = model().idOf(b);
    EXPECT_NE(idA, 0u);
    EXPECT_NE(idA, idB);
    { SceneModel::Transaction change; }
    EXPECT_EQ(model().idOf(a), idA);
    EXPECT_EQ(model().objectById(idB), b);
    EXPECT_EQ(drawn(*model().snapshot(), "a")->id, idA);
    kx::app::EditHistory history;
    {
        SceneModel::Transaction change(SceneDelta::Selection);
        AddSelectedObject(b);
    }
    ASSERT_TRUE(kx::app::deleteSelection(history));
    EXPECT_EQ(model().objectById(idB), nullptr);
    CadObject* c = visibleMesh("c");
    EXPECT_NE(model().idOf(c), idB);  // even at b's address
    EXPECT_EQ(model().idOf(nullptr), 0u);
}

TEST_F(SceneModelTest, SnapshotsAreMadeOnlyWhileSomeoneDrawsThem) {
    visibleMesh("a");
    EXPECT_EQ(model().snapshot()->objects.size(), 1u);
    model().removeSnapshotUser();
    EXPECT_EQ(model().snapshot()->objects.size(), 0u);
    visibleMesh("b");
    EXPECT_EQ(model().snapshot()->objects.size(), 0u);
    model().addSnapshotUser();  // the scene as it stands
    EXPECT_EQ(model().snapshot()->objects.size(), 2u);
}

TEST_F(SceneModelTest, EditsAreStepsOfTheModelsHistory) {
    CadObject* a = visibleMesh("a");
    const float x = a->points->points[0].x;
    EXPECT_TRUE(model().edit("Nudge", [&](kx::app::EditRecorder& rec) {
        Point3d d{2, 0, 0};
        rec.translating(a, d);
        SetObjectsUnSelected();
        AddSelectedObject(a);
        TranslateObjectsEx(&d);
    }));
    EXPECT_EQ(model().history().undoName(), "Nudge");
    EXPECT_FLOAT_EQ(drawn(*model().snapshot(), "a")->geometry->triangle(0).vertex[0].x, x + 2);
    ASSERT_TRUE(model().undo());
    EXPECT_FLOAT_EQ(a->points->points[0].x, x);
    EXPECT_FLOAT_EQ(drawn(*model().snapshot(), "a")->geometry->triangle(0).vertex[0].x, x);
    EXPECT_FALSE(model().undo());  // nothing left
    ASSERT_TRUE(model().redo());
    EXPECT_FLOAT_EQ(drawn(*model().snapshot(), "a")->geometry->triangle(0).vertex[0].x, x + 2);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "animation/animation_edit.h"
#include "core_fixture.h"
#include "host_calls.h"
#include "document/scene_clipboard.h"
#include "document/scene_edits.h"
#include "document/object_state.h"
#include "model/scene_model.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "script/script_runner.h"
#include "triangle_lists.h"

namespace {

using namespace kx::app;

void select(std::initializer_list<const char*> names) {
    SetObjectsUnSelected();
    for (const char* n : names) AddSelectedObject(GetCadObjectByName(n));
}

class SceneEditsTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
        CreateDefaultScene();
        CreateCameraObject(CameraToInfo(GetActiveCamera()));
        Point3d at{1.25f, 0, -2};
        CreateDefaultObjectEx("Ball", KX_SPHERE, &at);
        at = Point3d{-3, 0.5f, 1};
        CadObject* box = CreateDefaultObjectEx("Crate", KX_BOX, &at);
        SetCadObjectProperty(box, KX_PROP_TEXTURE, "Jade");
        CadObject* mesh = makeMesh("Mesh", 40);
        // Odd coordinates, so that moving them back is not trivially exact.
        for (ListEntry* n = mesh->points; n; n = n->next)
            for (unsigned i = 0; i < n->count; ++i) n->points[i].z = 0.1f * static_cast<float>(i) + 1e-3f;
        CadObject* pts = NewPointObject("_points");
        Point3d p[2] = {{0, 1, 0}, {0.5f, 2, 0}};
        pts->points = AddEntry(1, nullptr, &p[0]);
        AddEntry(1, pts->points, &p[1]);
        pts->count = 2;
        SetCadObjectProperty(pts, KX_PROP_NAME, "_points");
        SetObjectsUnSelected();
    }

    std::string saved() {
        const std::string path = dir.file("scene.cad");
        EXPECT_TRUE(SaveScene2(GetCurrentScene(), path.c_str()));
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }


    EditHistory history;
};

struct EditCase {
    const char* name;
    std::function<bool(EditHistory&)> edit;
    const char* stepName;
};

const std::vector<EditCase>& editCases() {
    static const std::vector<EditCase> cases = {
        {"size of a sphere", [](EditHistory& h) {
             return setVectorProperty(h, {GetCadObjectByName("Ball")}, KX_PROP_SIZE, -1, Point3d{2, 2, 2});
         }, "Change Size"},
        {"one axis of two objects", [](EditHistory& h) {
             return setVectorProperty(h, {GetCadObjectByName("Ball"), GetCadObjectByName("Mesh")}, KX_PROP_TRANSLATE, 1,
                                      Point3d{0.7f, 0, 0});
         }, "Change Position"},
        {"scale of a mesh", [](EditHistory& h) {
             return setVectorProperty(h, {GetCadObjectByName("Mesh")}, KX_PROP_SCALE, -1, Point3d{2, 1, 0.5f});
         }, "Change Scale"},
        {"camera position", [](EditHistory& h) {
             CadObject* cam = GetActiveCamera()->object;
             return cam && setVectorProperty(h, {cam}, KX_PROP_TRANSLATE, -1, Point3d{3, 9, 11});
         }, "Change Position"},
        {"rename", [](EditHistory& h) { return renameObject(h, GetCadObjectByName("Crate"), "Chest"); }, "Rename"},
        {"flag", [](EditHistory& h) {
             return setObjectFlag(h, {GetCadObjectByName("Crate"), GetCadObjectByName("Ball")}, KX_FLAG_NOEXPORT, true);
         }, "Set Noexport"},
        {"colour", [](EditHistory& h) { return setObjectColour(h, {GetCadObjectByName("Ball")}, 10, 200, 30); },
         "Change Colour"},
        {"colour in place of a texture", [](EditHistory& h) {
             return setObjectColour(h, {GetCadObjectByName("Crate")}, 10, 200, 30);
         }, "Change Colour"},
        {"no texture", [](EditHistory& h) { return setObjectTexture(h, {GetCadObjectByName("Crate")}, "", 0); },
         "Change Texture"},
        {"move selection", [](EditHistory& h) {
             select({"Mesh", "Ball"});
             return moveSelection(h, Point3d{0.3f, -1.7f, 0.01f});
         }, "Move"},
        {"scale selection", [](EditHistory& h) {
             select({"Mesh", "Crate"});
             return scaleSelection(h, Point3d{1.5f, 1.5f, 1.5f});
         }, "Scale"},
        {"rotate selection", [](EditHistory& h) {
             select({"Mesh"});
             return rotateSelection(h, Point3d{0, 33, 0});
         }, "Rotate"},
        {"create", [](EditHistory& h) { return createObject(h, KX_CONE, Point3d{4, 0, 4}); }, "Create Cone"},
        {"place point", [](EditHistory& h) {
             select({"_points"});
             return placePoint(h, Point3d{1, 3, 0});
         }, "Add Point"},
        {"delete first and middle", [](EditHistory& h) {
             SetObjectsUnSelected();
             AddSelectedObject(GetCadObject(nullptr));
             AddSelectedObject(GetCadObjectByName("Crate"));
             return deleteSelection(h);
         }, "Delete 2 Objects"},
        {"duplicate", [](EditHistory& h) {
             select({"Ball", "Mesh"});
             return duplicateSelection(h);
         }, "Duplicate 2 Objects"},
        {"group", [](EditHistory& h) {
             select({"Ball", "Crate"});
             return groupSelection(h);
         }, "Group"},
        {"lathe", [](EditHistory& h) {
             select({"_points"});
             return latheSelection(h, 8, 360, true);
         }, "Lathe"},
        {"apply texture", [](EditHistory& h) {
             return setObjectTexture(h, {GetCadObjectByName("Ball"), GetCadObjectByName("Mesh")}, "Gold_Metal",
                                     KX_TEXTURE_TEXTURE, "Apply Texture");
         }, "Apply Texture"},
        {"plug-in deleting, renaming, reshaping and making objects", [](EditHistory& h) {
             return recordOutsideChange(h, "Run Plug-in Spring", [] {
                        // Through the core alone, as a plug-in does.
                        // A mesh is written point by point: its geometry must come back.
                        CadObject* mesh = GetCadObjectByName("Mesh");
                        DeleteCadObject(mesh ? mesh : GetLastCadObject());
                        if (CadObject* ball = GetCadObjectByName("Ball")) SetCadObjectProperty(ball, KX_PROP_NAME, "Globe");
                        // In place, told to the journal first as the host functions do.
                        if (CadObject* pts = GetCadObjectByName("_points"); pts && pts->points) {
                            journalReshaping(pts);
                            pts->points->points[0].z += 0.5f;
                        }
                        Point3d at{2, 2, 2};
                        CreateDefaultObjectEx("Spring", KX_CONE, &at);
                        return true;
                    }) == OutsideChange::Recorded;
         }, "Run Plug-in Spring"},
        {"macro moving the camera and choosing objects", [](EditHistory& h) {
             return recordOutsideChange(h, "Run Macro", [] {
                        Point3d eye{7, 3, -9}, target{0, 1, 0};
                        SetCameraPositionEx(nullptr, &eye, &target, 1);
                        if (CameraInfo* c = GetActiveCamera(); c && c->object) RebuildCameraObject(c);
                        SetObjectsUnSelected();
                        AddSelectedObject(GetLastCadObject());
                        return true;
                    }) == OutsideChange::Recorded;
         }, "Run Macro"},
        {"camera record", [](EditHistory& h) {
             CameraInfo c = *GetActiveCamera();
             c.location = Point3d{-5, 2, 7};
             c.lookAt = Point3d{1, 0, 0};
             return changeCamera(h, c, "Orbit");
         }, "Orbit"},
    };
    return cases;
}

TEST_F(SceneEditsTest, EveryEditIsUndoneAndRedoneToTheByte) {
    const std::string original = saved();
    for (const EditCase& c : editCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(saved(), original);
        ASSERT_TRUE(c.edit(history));
        EXPECT_EQ(history.undoName(), c.stepName);
        const std::string edited = saved();
        EXPECT_NE(edited, original);
        EXPECT_TRUE(history.differsFromSaved());
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(saved(), original);
        EXPECT_FALSE(history.differsFromSaved());
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(saved(), edited);
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(saved(), original);
        // A new edit after an undo drops the step undone.
        history.clear();
    }
}

// A colour picked for a textured object is the colour it is saved and
// rendered with: no colour is shown that the file would not keep.
TEST_F(SceneEditsTest, AColourPickedForATexturedObjectReplacesItsTexture) {
    ASSERT_NE(saved().find("  texture Jade"), std::string::npos);
    ASSERT_TRUE(setObjectColour(history, {GetCadObjectByName("Crate")}, 10, 200, 30));
    const std::string after = saved();
    EXPECT_EQ(after.find("  texture Jade"), std::string::npos);
    EXPECT_NE(after.find("  color Rgb.10.200.30"), std::string::npos);
    EXPECT_EQ(GetCadObjectByName("Crate")->rgb, 10u | (200u << 8) | (30u << 16));
}

TEST_F(SceneEditsTest, ANewBlobHasASurfaceToRender) {
    ASSERT_TRUE(createObject(history, KX_BLOB, Point3d{0, 0, 0}));
    CadObject* blob = GetLastCadObject();
    ASSERT_EQ(blob->type, KX_BLOB);
    EXPECT_GT(BlobComponentRadius(blob, blob->extraPoint.x), 0);
    EXPECT_NE(saved().find("\textra 0.5 1 1"), std::string::npos);
}

TEST_F(SceneEditsTest, UngroupIsUndoneWithItsLinks) {
    select({"Ball", "Crate"});
    ASSERT_TRUE(groupSelection(history));
    history.clear();
    history.markSaved();
    const std::string grouped = saved();
    ASSERT_TRUE(ungroupSelection(history));
    EXPECT_NE(saved(), grouped);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), grouped);
    ASSERT_TRUE(history.redo());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), grouped);
}

TEST_F(SceneEditsTest, DragIsOneStepAndTypingInOneFieldIsAnother) {
    const std::string original = saved();
    select({"Mesh"});
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(moveSelection(history, Point3d{0.1f, 0.2f, 0}, "drag"));
    history.seal();
    ASSERT_TRUE(moveSelection(history, Point3d{0.1f, 0, 0}, "drag"));
    EXPECT_EQ(history.size(), 2u);
    CadObject* ball = GetCadObjectByName("Ball");
    for (float x : {1.2f, 1.5f, 1.52f})
        ASSERT_TRUE(setVectorProperty(history, {ball}, KX_PROP_SIZE, 0, Point3d{x, 0, 0}, "size0"));
    EXPECT_EQ(history.size(), 3u);
    const std::string edited = saved();
    while (history.canUndo()) ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), original);
    while (history.canRedo()) ASSERT_TRUE(history.redo());
    EXPECT_EQ(saved(), edited);
}

TEST_F(SceneEditsTest, SelectionAndNamesComeBack) {
    select({"Crate", "Ball"});
    ASSERT_TRUE(deleteSelection(history));
    EXPECT_EQ(GetCadObjectByName("Crate"), nullptr);
    ASSERT_TRUE(history.undo());
    std::vector<std::string> names;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) names.push_back(o->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Ball", "Crate"}));
    EXPECT_STREQ(GetCadObjectByName("Crate")->material, "Jade");
}

TEST_F(SceneEditsTest, LongRandomSequenceUndoesToTheStart) {
    const std::string original = saved();
    std::mt19937 random(1234);
    const auto& cases = editCases();
    std::vector<std::string> states{original};
    for (int i = 0; i < 60; ++i) {
        const EditCase& c = cases[random() % cases.size()];
        SCOPED_TRACE(c.name);
        if (c.edit(history)) states.push_back(saved());
    }
    ASSERT_EQ(history.size(), states.size() - 1);
    while (history.canUndo()) {
        ASSERT_TRUE(history.undo());
        states.pop_back();
        ASSERT_EQ(saved(), states.back());
    }
    EXPECT_EQ(saved(), original);
}

TEST_F(SceneEditsTest, DepthDropsTheOldestAndForgetsTheSavedState) {
    history.setDepth(3);
    select({"Ball"});
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(moveSelection(history, Point3d{1, 0, 0}));
    EXPECT_EQ(history.size(), 3u);
    while (history.undo()) {
    }
    EXPECT_TRUE(history.differsFromSaved());
    history.markSaved();
    EXPECT_FALSE(history.differsFromSaved());
}

TEST_F(SceneEditsTest, BigMeshesAreNotCopiedToBeMovedOrDeleted) {
    CadObject* big = makeMesh("Big", 20000);
    const size_t meshBytes = geometryBytes(*big);
    select({"Big"});
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(moveSelection(history, Point3d{0.5f, 0.25f, 0}));
    EXPECT_LT(history.heldBytes(), meshBytes / 4);
    const std::string moved = saved();
    history.clear();
    select({"Big"});
    ASSERT_TRUE(deleteSelection(history));
    EXPECT_LT(history.heldBytes(), meshBytes + meshBytes / 4);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), moved);
}

TEST_F(SceneEditsTest, StepsKeepTheFieldsOfUnchangedObjectsOnce) {
    constexpr size_t kObjects = 1000, kSteps = 20;
    for (size_t i = 0; i < kObjects; ++i) {
        Point3d at{static_cast<float>(i), 0, 0};
        CreateDefaultObjectEx("Many", KX_SPHERE, &at);
    }
    const std::string original = saved();
    const size_t empty = history.heldBytes();
    select({"Ball"});
    for (size_t i = 0; i < kSteps; ++i) ASSERT_TRUE(moveSelection(history, Point3d{0.5f, 0, 0}));
    // A few links per object and step; a copy of every object's fields
    // (name, texture, vectors, extra block) in every step was several times more.
    EXPECT_LT(history.heldBytes() - empty, kObjects * kSteps * 128 + kObjects * 1024);
    const std::string moved = saved();
    while (history.canUndo()) ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), original);
    while (history.canRedo()) ASSERT_TRUE(history.redo());
    EXPECT_EQ(saved(), moved);
}

TEST_F(SceneEditsTest, ChangeOutsideTheHistoryDropsIt) {
    select({"Ball"});
    ASSERT_TRUE(deleteSelection(history));
    NewCadObject("Stranger");
    EXPECT_FALSE(history.undo());
    EXPECT_FALSE(history.canUndo());
    EXPECT_NE(GetCadObjectByName("Stranger"), nullptr);
}

// Pasting again and again numbers the copies one after another, each
// number taken by no other object (reading the text used to draw one too).
TEST_F(SceneEditsTest, RepeatedPastesNameTheCopiesConsecutively) {
    Point3d at{0, 0, 0};
    CadObject* cylinder = CreateDefaultObjectEx(nullptr, KX_CYLINDER, &at);
    ASSERT_NE(cylinder, nullptr);
    const std::string original = cylinder->name;
    SetObjectsUnSelected();
    AddSelectedObject(cylinder);
    const std::string text = selectionAsSceneText();
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(pasteSceneText(history, text));
        names.emplace_back(GetNextSelectedObject(nullptr)->name);
    }
    EXPECT_EQ(original, "_cylinder0");
    EXPECT_EQ(names, (std::vector<std::string>{"_cylinder1", "_cylinder2", "_cylinder3"}));
    // A name freed by a delete is given again rather than skipped.
    SetObjectsUnSelected();
    AddSelectedObject(GetCadObjectByName("_cylinder2"));
    ASSERT_TRUE(deleteSelection(history));
    ASSERT_TRUE(pasteSceneText(history, text));
    EXPECT_STREQ(GetNextSelectedObject(nullptr)->name, "_cylinder2");
    EXPECT_EQ(freeObjectName(std::string(40, 'x')).size(), 31u);  // the base gives way to the number
}

TEST_F(SceneEditsTest, CopiedObjectsPasteIntoAnotherSceneWithNewNamesAndGroupIds) {
    select({"Ball", "Crate"});
    ASSERT_TRUE(groupSelection(history));
    CadObject* group = GetLastCadObject();
    ASSERT_EQ(group->type, static_cast<uint32_t>(KX_GROUP));
    const unsigned groupId = group->groupId;
    SetObjectsUnSelected();
    AddSelectedObject(group);
    const std::string text = selectionAsSceneText();
    ASSERT_NE(text.find("Jade"), std::string::npos) << text;

    // Pasted into the same scene: the copies must not join the original group.
    ASSERT_TRUE(pasteSceneText(history, text));
    EXPECT_EQ(history.undoName(), "Paste 3 Objects");
    std::vector<CadObject*> pasted;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) pasted.push_back(o);
    ASSERT_EQ(pasted.size(), 3u);
    for (CadObject* o : pasted) {
        EXPECT_STRNE(o->name, "Ball");
        EXPECT_STRNE(o->name, "Crate");
        EXPECT_NE(o->groupId, groupId);
    }
    EXPECT_EQ(pasted[1]->parent, pasted[0]);
    EXPECT_EQ(pasted[2]->parent, pasted[0]);

    // Into another scene.
    history.clear();
    ClearScene(GetCurrentScene());
    InitScene();
    CreateDefaultScene();
    const std::string empty = saved();
    ASSERT_TRUE(pasteSceneText(history, text));
    CadObject* box = nullptr;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type == KX_BOX) box = o;
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(box->material, "Jade");
    EXPECT_TRUE(box->selected);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), empty);
    EXPECT_FALSE(pasteSceneText(history, "not a scene"));
}

TEST_F(SceneEditsTest, CutIsOneStepThatPastesBack) {
    select({"Mesh"});
    const std::string before = saved();
    const std::string text = cutSelection(history);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(history.undoName(), "Cut Object");
    EXPECT_EQ(GetCadObjectByName("Mesh"), nullptr);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), before);
}

TEST_F(SceneEditsTest, OutsideChangesThatCannotBeAStepDropTheHistory) {
    struct Case {
        const char* name;
        std::function<bool()> change;
        OutsideChange result;
        bool historyKept;
    };
    auto movedBehindTheJournal = [](const char* name, bool told) {
        return [name, told] {
            CadObject* obj = GetCadObjectByName(name);
            if (told) journalReshaping(obj);
            obj->points->points[0].y += 1;
            return true;
        };
    };
    const Case cases[] = {
        {"nothing changed", [] { return true; }, OutsideChange::Unchanged, true},
        {"scene replaced", [] { return false; }, OutsideChange::Unrecorded, false},
        {"grid changed",
         [] {
             SetGridInterval(0.25, 32);
             return true;
         },
         OutsideChange::Unrecorded, false},
        {"animation made", [] { return CreateAnimation("walk", 5) != 0; }, OutsideChange::Unrecorded, false},
        // The journal's fingerprints catch a reshape nobody told it of.
        {"mesh written in place untold", movedBehindTheJournal("Mesh", false), OutsideChange::Unrecorded, false},
        {"points written in place untold", movedBehindTheJournal("_points", false), OutsideChange::Unrecorded, false},
        {"mesh written in place, told", movedBehindTheJournal("Mesh", true), OutsideChange::Recorded, true},
        {"triangles dropped untold",
         [] {
             DeleteObjectPolygons(GetCadObjectByName("Ball"));
             return true;
         },
         OutsideChange::Unrecorded, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.clear();
        select({"Ball"});
        ASSERT_TRUE(moveSelection(history, Point3d{1, 0, 0}));
        EXPECT_EQ(recordOutsideChange(history, "Run Plug-in", c.change), c.result);
        EXPECT_EQ(history.canUndo(), c.historyKept);
        EXPECT_EQ(history.undoName(), !c.historyKept ? "" : c.result == OutsideChange::Recorded ? "Run Plug-in" : "Move");
    }
}

// An import that brings materials adds to the texture list: the list is part
// of its step, put back by undo and again by redo; a list changed since by
// anything else (a texture database loaded) drops the history instead of
// being lost.
TEST_F(SceneEditsTest, TexturesAnOutsideChangeAddsArePartOfItsStep) {
    auto names = [] {
        std::vector<std::string> out;
        for (const TextureInfo* t = GetTexture(nullptr); t; t = t->next) out.push_back(t->name);
        return out;
    };
    auto addTexture = [](const char* name, unsigned char red) {
        TextureInfo info{};
        std::strcpy(info.name, name);
        info.kind = KX_TEXTURE_COLOUR;
        info.colour[0] = red;
        AddCustomTexture(&info);
    };
    auto import = [&] {
        return recordOutsideChange(history, "Import jeep.3ds", [&] {
            addTexture("Paint", 200);
            CreateDefaultBox();
            return true;
        });
    };
    addTexture("Jade", 10);
    struct Case {
        const char* name;
        std::function<void()> between;  // after the import, before undo
        bool undone;
    } cases[] = {
        {"nothing else", [] {}, true},
        {"a database loaded since", [&] { addTexture("Marble", 30); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.clear();
        const std::string before = saved();
        ASSERT_EQ(import(), OutsideChange::Recorded);
        EXPECT_EQ(names(), (std::vector<std::string>{"Jade", "Paint"}));
        c.between();
        EXPECT_EQ(history.undo(), c.undone);
        if (!c.undone) {
            EXPECT_FALSE(history.canUndo());
            EXPECT_EQ(names(), (std::vector<std::string>{"Jade", "Paint", "Marble"}));
            continue;
        }
        EXPECT_EQ(saved(), before);
        EXPECT_EQ(names(), std::vector<std::string>{"Jade"});
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(names(), (std::vector<std::string>{"Jade", "Paint"}));
        EXPECT_EQ(GetTextureInfoByName("Paint")->colour[0], 200);
        ASSERT_TRUE(history.undo());
    }
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
}

// A plug-in's or a script's run through the host functions is recorded by
// what it touched: the step of a run that leaves a big mesh alone holds
// nothing of it, and every run is undone and redone to the byte.
class HostRunTest : public SceneEditsTest {
protected:
    void SetUp() override {
        SceneEditsTest::SetUp();
        host.emplace();
    }
    void TearDown() override {
        host.reset();
        SceneEditsTest::TearDown();
    }
    std::optional<kxtest::HostCalls> host;
};

TEST_F(HostRunTest, RunsThroughTheHostKeepOnlyWhatTheyTouch) {
    namespace host = kx::plugins::host;
    CadObject* big = makeMesh("Big", 20000);
    const size_t bigBytes = geometryBytes(*big);
    auto named = [](const char* name) { return host::FindObject(name); };
    struct Case {
        const char* name;
        std::function<void()> run;
        bool touchesBig;
    };
    const Case cases[] = {
        {"a point added to a profile",
         [&] {
             float p[3] = {1, 2.5f, 0};
             host::PutGeometry(named("_points"), 1, p);
         },
         false},
        {"a sphere resized (rebuilt by the core)",
         [&] {
             float p[3] = {2, 3, 2};
             host::Size(named("Ball"), p);
         },
         false},
        {"the selected box moved and turned about a point",
         [&] {
             host::SelectObject(named("Crate"), 1);
             float by[3] = {1, 2, 3}, angles[3] = {0, 30, 0}, about[3] = {1, 0, 1};
             host::Move(-1, by);
             host::RotateAbout(-1, angles, about);
         },
         false},
        {"a box deleted and a sphere made",
         [&] {
             host::DeleteObject(named("Crate"));
             host::CreateDefaultObject(KX_SPHERE);
         },
         false},
        {"the mesh's points cleared and written again",
         [&] {
             const int h = named("Mesh");
             host::DeleteGeometry(h);
             float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
             host::PutGeometry(h, 3, tri);
         },
         false},
        {"a node put behind the mesh's first, the rest kept",
         [&] {
             const int h = named("Mesh");
             const unsigned nodes = CountEntry(GetCadObjectByName("Mesh")->points);
             float first[24] = {}, tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 1};
             host::GetGeometry(h, 1, first);
             host::PutGeometry(h, 3, tri);
             EXPECT_EQ(CountEntry(GetCadObjectByName("Mesh")->points), nodes + 1);
             EXPECT_EQ(GetCadObjectByName("Mesh")->count, nodes + 1);
         },
         false},
        {"the big mesh smoothed", [&] { host::Smooth(named("Big"), 0); }, true},
        {"the selected big mesh turned",
         [&] {
             host::SelectObject(named("Big"), 1);
             host::RotateF(0, 45, 0);
         },
         true},
        {"the whole scene normalised and the selection smoothed",
         [&] {
             host::SelectObject(named("Big"), 1);
             host::Transform(0, "smooth");
         },
         true},
        {"a script scaling the selected ball",
         [&] {
             const kx::script::RunResult r = kx::script::runScript(
                 "function main() local b = Scene:FindObject('Ball') Scene:ClearSelection() "
                 "Scene:SelectObject(b, true) Scene:Scale(2, 1, 2) end",
                 kx::script::RunOptions{});
             EXPECT_TRUE(r.ok) << r.message;
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.clear();
        SetObjectsUnSelected();
        const std::string original = saved();
        ASSERT_EQ(recordOutsideChange(history, "Run Plug-in", [&] {
                      c.run();
                      return true;
                  }),
                  OutsideChange::Recorded);
        if (c.touchesBig) EXPECT_GE(history.heldBytes(), bigBytes);
        else EXPECT_LT(history.heldBytes(), bigBytes / 8);
        const std::string edited = saved();
        // Compared whole: the scene texts are too long to print.
        EXPECT_FALSE(edited == original);
        ASSERT_TRUE(history.undo());
        EXPECT_TRUE(saved() == original);
        ASSERT_TRUE(history.redo());
        EXPECT_TRUE(saved() == edited);
        ASSERT_TRUE(history.undo());
    }
}

// At any scene size: a run beside a mesh of a million triangles (three
// million vertices) keeps a step of the small object it changed.
TEST_F(HostRunTest, RunsBesideAMillionTrianglesKeepOnlyTheObjectTheyChanged) {
    namespace host = kx::plugins::host;
    ListEntry* list = kxtest::triangleRow(1000000);
    CadObject* huge = AddObject("Huge", list, CountEntry(list), KX_POLYGON);
    ASSERT_NE(huge, nullptr);
    const size_t hugeBytes = geometryBytes(*huge);
    const std::string original = saved();
    const std::pair<const char*, std::function<void()>> runs[] = {
        {"a plug-in resizing the ball",
         [] {
             float p[3] = {2, 2, 2};
             host::Size(host::FindObject("Ball"), p);
         }},
        {"a script moving the box",
         [] {
             kx::script::runScript("Scene:ClearSelection() Scene:SelectObject(Scene:FindObject('Crate'), true) "
                                   "Scene:Move(0, 2, 0)",
                                   kx::script::RunOptions{});
         }},
    };
    for (const auto& [name, run] : runs) {
        SCOPED_TRACE(name);
        history.clear();
        ASSERT_EQ(recordOutsideChange(history, "Run Plug-in", [&] {
                      run();
                      return true;
                  }),
                  OutsideChange::Recorded);
        EXPECT_LT(history.heldBytes(), hugeBytes / 1000);
        const std::string edited = saved();
        ASSERT_TRUE(history.undo());
        EXPECT_TRUE(saved() == original);
        ASSERT_TRUE(history.redo());
        EXPECT_TRUE(saved() == edited);
        ASSERT_TRUE(history.undo());
    }
}

TEST_F(SceneEditsTest, ObjectsFreedAndMadeAgainAtTheSameAddressAreToldApart) {
    const std::string original = saved();
    ASSERT_EQ(recordOutsideChange(history, "Run Plug-in", [] {
                  // Freed and made at once, the new record often takes the old one's place.
                  for (int i = 0; i < 3; ++i) {
                      DeleteCadObject(GetCadObjectByName("Ball"));
                      Point3d at{0, static_cast<float>(i), 0};
                      CreateDefaultObjectEx("Ball", KX_SPHERE, &at);
                  }
                  return true;
              }),
              OutsideChange::Recorded);
    const std::string edited = saved();
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), original);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(saved(), edited);
}

TEST_F(SceneEditsTest, AnEditRecordedInsideAnOutsideChangeKeepsBothApart) {
    const std::string original = saved();
    std::string afterInner;
    ASSERT_EQ(recordOutsideChange(history, "Run Plug-in", [&] {
                  select({"Crate"});
                  // A host function recording an edit of its own in the middle of the run.
                  EXPECT_TRUE(deleteSelection(history));
                  afterInner = saved();
                  NewCadObject("Made");
                  return true;
              }),
              OutsideChange::Recorded);
    EXPECT_EQ(history.undoName(), "Run Plug-in");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(saved(), original);
}

TEST(EditHistoryNames, CountedNames) {
    EXPECT_EQ(countedName("Delete", 1), "Delete Object");
    EXPECT_EQ(countedName("Delete", 3), "Delete 3 Objects");
}

}  // namespace

namespace {

using namespace kx::app;

// Animation commands are steps of the scene model's history like any edit:
// undo and redo take the animation and the objects back together.
class AnimationEditsTest : public SceneEditsTest {
protected:
    void SetUp() override {
        SceneEditsTest::SetUp();
        sceneModel().resetForTests();
        ASSERT_TRUE(applyAnimationSetup({"Walk", 5, true, ""}));
        select({"Ball"});
        ASSERT_EQ(addSelectedToAnimation(), 1);
        // Frame 4 is a key frame with the ball elsewhere; frame 0 is shown.
        ASSERT_TRUE(goToAnimationFrame(3));
        ASSERT_TRUE(moveSelection(model().history(), Point3d{2, 0, 1}));
        ASSERT_TRUE(storeAnimationFrame());
        ASSERT_TRUE(goToAnimationFrame(0));
        model().history().clear();
    }
    static SceneModel& model() { return sceneModel(); }
};

TEST_F(AnimationEditsTest, EveryAnimationCommandIsUndoneAndRedoneToTheByte) {
    struct Case {
        const char* name;
        std::function<bool()> command;
        const char* stepName;
        size_t steps;  // the command's own and those it needs first
    };
    const Case cases[] = {
        {"another frame shown", [] { return goToAnimationFrame(3); }, "Show Frame", 1},
        {"a key frame cleared", [] { return goToAnimationFrame(3) && setAnimationKey(false); }, "Clear Key Frame", 2},
        {"hidden in the frame", [] { return setAnimationHidden(true); }, "Hide in Frame", 1},
        {"frames tweened", [] { return tweenAnimation(1, 4, true) > 0; }, "Tween", 1},
        {"renamed", [] { return applyAnimationSetup({"Run", 5, false, ""}); }, "Animation Setup", 1},
        {"frames made again", [] { return applyAnimationSetup({"Walk", 8, true, ""}); }, "Animation Setup", 1},
        {"taken out", [] { return removeSelectedFromAnimation() == 1; }, "Remove from Animation", 1},
        {"another object added", [] {
             select({"Crate"});
             return addSelectedToAnimation() == 1;
         }, "Add to Animation", 1},
        {"a moved frame stored", [] {
             return moveSelection(sceneModel().history(), Point3d{0, 3, 0}) && storeAnimationFrame();
         }, "Store Frame", 2},
        {"the animated object deleted", [] { return deleteSelection(sceneModel().history()); }, "Delete Object", 1},
    };
    const std::string original = saved();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select({"Ball"});
        ASSERT_EQ(saved(), original);
        ASSERT_TRUE(c.command());
        EditHistory& h = model().history();
        EXPECT_EQ(h.undoName(), c.stepName);
        EXPECT_EQ(h.size(), c.steps);
        const std::string edited = saved();
        EXPECT_NE(edited, original);
        for (size_t i = 0; i < c.steps; ++i) ASSERT_TRUE(model().undo());
        EXPECT_EQ(saved(), original);
        EXPECT_EQ(GetAniObjectCount(), 1);
        for (size_t i = 0; i < c.steps; ++i) ASSERT_TRUE(model().redo());
        EXPECT_EQ(saved(), edited);
        for (size_t i = 0; i < c.steps; ++i) ASSERT_TRUE(model().undo());
        EXPECT_EQ(saved(), original);
        h.clear();
    }
}

TEST_F(AnimationEditsTest, FrameAfterFrameIsOneStep) {
    const std::string original = saved();
    for (unsigned f : {1u, 2u, 3u, 4u, 2u}) ASSERT_TRUE(goToAnimationFrame(f));
    EXPECT_EQ(model().history().size(), 1u);
    EXPECT_EQ(GetCurrentFrame(), 2u);
    ASSERT_TRUE(model().undo());
    EXPECT_EQ(GetCurrentFrame(), 0u);
    EXPECT_EQ(saved(), original);
    // Showing the frame already shown is no step.
    EXPECT_TRUE(goToAnimationFrame(0));
    EXPECT_FALSE(model().history().canUndo());
}

}  // namespace

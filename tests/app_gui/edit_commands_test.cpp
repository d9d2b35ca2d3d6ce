// The Edit commands on the selection: duplicate, group, ungroup, delete.
#include "kxcore.h"
#include "mainframe/edit_commands.h"
#include "mainframe/scene_tree_panel.h"
#include "window_fixture.h"

namespace {

using Names = std::vector<std::string>;

class EditCommandsTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
        std::tie(a, b) = sphereAndBox({0, 0, 0}, {4, 0, 0});
    }
    EditCommands* edit() const { return frame->editCommands(); }
    CadObject* a = nullptr;
    CadObject* b = nullptr;
};

TEST_F(EditCommandsTest, DuplicateMakesNamedSelectedCopiesBesideTheOriginals) {
    edit()->selectAll();
    edit()->duplicate();
    ASSERT_EQ(GetCadObjectsCount(), 4u);
    EXPECT_EQ(selectedNames(), (Names{"_sphere1", "_box1"}));
    CadObject* copy = GetCadObjectByName("_sphere1");
    ASSERT_NE(copy, nullptr);
    // One grid step right and up, with the original's shape.
    EXPECT_FLOAT_EQ(copy->translate.x, 1);
    EXPECT_FLOAT_EQ(copy->translate.y, 1);
    EXPECT_NEAR(centreOf(copy).x, 1, 1e-4);
    EXPECT_EQ(copy->count, a->count);
    EXPECT_NE(frame->sceneTree()->itemOf(copy), nullptr);
    EXPECT_FLOAT_EQ(a->translate.x, 0);
    // Select All leaves the camera and the lights out, so that Select All
    // and Delete keeps what renders the scene; a click may still pick them.
    emptyScene();
    doc()->newScene(true);
    edit()->selectAll();
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next)
        EXPECT_EQ(obj->selected != 0, obj->type != KX_CAMERA && obj->type != KX_LIGHT) << obj->name;
    // The camera is never copied: there is one.
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) AddSelectedObject(obj);
    edit()->duplicate();
    unsigned cameras = 0;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) cameras += obj->type == KX_CAMERA;
    EXPECT_EQ(cameras, 1u);
}

TEST_F(EditCommandsTest, GroupAndUngroup) {
    edit()->selectAll();
    edit()->group();
    CadObject* group = GetLastCadObject();
    ASSERT_EQ(group->type, static_cast<uint32_t>(KX_GROUP));
    EXPECT_EQ(a->parent, group);
    EXPECT_EQ(b->parent, group);
    EXPECT_EQ(a->groupId, group->groupId);
    // The group and its members stay selected, so that they move together.
    EXPECT_EQ(selectedNames().size(), 3u);

    SetObjectsUnSelected();
    AddSelectedObject(group);
    edit()->ungroup();
    EXPECT_EQ(GetCadObjectsCount(), 2u);
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_EQ(a->groupId, 0u);
    EXPECT_EQ(frame->sceneTree()->itemOf(group), nullptr);
}

TEST_F(EditCommandsTest, DeleteAndSelectNone) {
    edit()->selectNone();
    edit()->deleteSelection();  // nothing selected: nothing happens
    EXPECT_EQ(GetCadObjectsCount(), 2u);
    AddSelectedObject(a);
    edit()->deleteSelection();
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_EQ(GetCadObject(nullptr), b);
    // What is left is not selected behind the user's back.
    EXPECT_TRUE(selectedNames().empty());
    // Commands that need a selection say so.
    edit()->centre();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"No objects selected"});
}

TEST_F(EditCommandsTest, AlignMovesOneCoordinateOnly) {
    Point3d up{0, 3, 2};
    AddSelectedObject(b);
    TranslateObjectsEx(&up);
    SetObjectsUnSelected();
    AddSelectedObject(a);
    AddSelectedObject(b);
    edit()->align(1);  // y of the first selected object
    EXPECT_FLOAT_EQ(b->translate.y, 0);
    EXPECT_FLOAT_EQ(b->translate.z, 2);
    EXPECT_FLOAT_EQ(b->translate.x, 4);
}

}  // namespace

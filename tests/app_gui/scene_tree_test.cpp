// The scene tree shows groups as nested items and follows grouping and
// ungrouping at once; a group's item selects the group with its members.
#include <QTreeWidget>

#include "kxcore.h"
#include "mainframe/edit_commands.h"
#include "mainframe/scene_tree_panel.h"
#include "window_fixture.h"

namespace {

using Names = std::vector<std::string>;

class SceneTreeTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
        a = addObject(KX_SPHERE, {-3, 0, 0});
        b = addObject(KX_BOX, {3, 0, 0});
        c = addObject(KX_CONE, {0, 4, 0});
    }
    SceneTreePanel* panel() const { return frame->sceneTree(); }
    QTreeWidgetItem* item(CadObject* obj) const { return panel()->itemOf(obj); }
    void select(std::initializer_list<CadObject*> objects) {
        SetObjectsUnSelected();
        for (CadObject* obj : objects) AddSelectedObject(obj);
        doc()->selectionChanged();
    }
    CadObject* a = nullptr;
    CadObject* b = nullptr;
    CadObject* c = nullptr;
};

TEST_F(SceneTreeTest, GroupsNestAndUngroupingPutsTheMembersBack) {
    QTreeWidgetItem* top = item(a)->parent();
    ASSERT_NE(top, nullptr);
    select({a, b});
    frame->editCommands()->group();
    CadObject* inner = GetLastCadObject();
    ASSERT_EQ(inner->type, static_cast<uint32_t>(KX_GROUP));
    EXPECT_EQ(item(a)->parent(), item(inner));
    EXPECT_EQ(item(b)->parent(), item(inner));
    EXPECT_EQ(item(c)->parent(), top);
    EXPECT_EQ(item(inner)->parent(), top);
    EXPECT_TRUE(item(inner)->isExpanded());

    // A group of the group and another object: two levels.
    select({inner, c});
    frame->editCommands()->group();
    CadObject* outer = GetLastCadObject();
    ASSERT_EQ(outer->type, static_cast<uint32_t>(KX_GROUP));
    ASSERT_NE(outer, inner);
    EXPECT_EQ(item(inner)->parent(), item(outer));
    EXPECT_EQ(item(c)->parent(), item(outer));
    EXPECT_EQ(item(a)->parent(), item(inner));

    // Ungrouping the outer group: what it held goes back to the top at once
    // (the command dissolves a group nested directly in it as well).
    select({outer});
    frame->editCommands()->ungroup();
    EXPECT_EQ(item(outer), nullptr);
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        SCOPED_TRACE(obj->name);
        ASSERT_NE(item(obj), nullptr);
        EXPECT_EQ(item(obj)->parent(), obj->parent ? item(obj->parent) : top);
    }
    for (CadObject* obj : {a, b, c}) {
        ASSERT_NE(item(obj), nullptr);
        EXPECT_EQ(item(obj)->parent(), top);
    }
    EXPECT_EQ(top->childCount(), 3);
}

TEST_F(SceneTreeTest, UngroupedMembersTakeTheGroupsPlace) {
    QTreeWidgetItem* top = item(a)->parent();
    auto shown = [&] {
        Names names;
        for (int i = 0; i < top->childCount(); ++i) names.push_back(top->child(i)->text(0).toStdString());
        return names;
    };
    select({a, b});
    frame->editCommands()->group();
    CadObject* group = GetLastCadObject();
    const std::string groupName = group->name;
    CadObject* d = addObject(KX_CYLINDER, {0, -4, 0});
    const Names grouped{c->name, groupName, d->name};
    ASSERT_EQ(shown(), grouped);
    select({group});
    frame->editCommands()->ungroup();
    EXPECT_EQ(shown(), (Names{c->name, a->name, b->name, d->name}));
    // Undone, the group stands where it stood, holding its members again.
    ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(shown(), grouped);
    ASSERT_EQ(top->child(1)->childCount(), 2);
    EXPECT_EQ(top->child(1)->child(0)->text(0).toStdString(), a->name);

    // A member taken out of a group that stays is shown just after it.
    group = GetCadObjectByName(groupName.c_str());
    ASSERT_NE(group, nullptr);
    CadObject* member = group->firstChild;
    ASSERT_NE(member, nullptr);
    const std::string memberName = member->name;
    SetObjectsUnSelected();
    AddSelectedObject(member);
    int deleted = 0;
    SetObjectsGroupEx(nullptr, 0, &deleted);
    doc()->geometryChanged();
    const Names after = shown();
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[1], groupName);
    EXPECT_EQ(after[2], memberName);
}

TEST_F(SceneTreeTest, SelectingAGroupRowSelectsTheGroupWithItsMembersAndShowsThatRowAlone) {
    select({a, b});
    frame->editCommands()->group();
    CadObject* group = GetLastCadObject();
    select({});
    QTreeWidget* tree = panel()->tree();
    tree->clearSelection();
    item(group)->setSelected(true);
    // The members go with the group, so that they move with it...
    EXPECT_EQ(selectedNames(), (Names{a->name, b->name, group->name}));
    // ...but the tree shows exactly the row that was picked.
    EXPECT_TRUE(item(group)->isSelected());
    EXPECT_FALSE(item(a)->isSelected());
    EXPECT_FALSE(item(b)->isSelected());
    EXPECT_FALSE(item(c)->isSelected());
    // A member's row picks that member alone.
    tree->clearSelection();
    item(a)->setSelected(true);
    EXPECT_EQ(selectedNames(), (Names{a->name}));
    EXPECT_FALSE(item(group)->isSelected());
}

// A group object deleted by the core takes only its own item: the items of
// its members stay (the core still names them) and move up.
TEST_F(SceneTreeTest, DeletingAGroupKeepsItsMembersItems) {
    select({a, b});
    frame->editCommands()->group();
    CadObject* group = GetLastCadObject();
    select({group});
    frame->editCommands()->deleteSelection();
    EXPECT_EQ(item(group), nullptr);
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        SCOPED_TRACE(obj->name);
        ASSERT_NE(item(obj), nullptr);
        EXPECT_EQ(item(obj)->text(0).toStdString(), obj->name);
    }
    // The tree can be emptied and filled again without stale items.
    emptyScene();
    addObject(KX_SPHERE, {0, 0, 0});
    EXPECT_EQ(panel()->tree()->topLevelItem(0)->childCount(), 1);
}

}  // namespace

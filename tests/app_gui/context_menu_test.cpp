// The right-click menus of the views and of the scene tree, the arrow keys
// of the flat views, and the keys of the scene tree (Delete, F2).
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <cmath>

#include "kxcore.h"
#include "mainframe/context_menus.h"
#include "mainframe/scene_tree_panel.h"
#include "views/kalvex_view.h"
#include "window_fixture.h"

namespace {

using Names = std::vector<std::string>;

class ContextMenuTest : public kxtest::FrontViewTest {
protected:
    void SetUp() override {
        FrontViewTest::SetUp();
        std::tie(a, b) = sphereAndBox({-3, 0, 0}, {3, 0, 0});
    }
    void TearDown() override {
        if (QMenu* menu = menus()->lastMenu()) menu->close();
        WindowTest::TearDown();
    }
    ContextMenus* menus() const { return frame->contextMenus(); }
    QMenu* rightClick(QWidget* widget, QPoint pos) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget->mapToGlobal(pos));
        QApplication::sendEvent(widget, &event);
        return menus()->lastMenu();
    }
    static QAction* find(QMenu* menu, const char* name) {
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(name)) return action;
        return nullptr;
    }
    QTreeWidget* tree() const { return frame->sceneTree()->tree(); }
    // The open name editor of the tree, or null.
    QLineEdit* editor() const {
        QApplication::processEvents();
        for (QLineEdit* e : tree()->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) return e;
        return nullptr;
    }
    QPoint treePoint(CadObject* obj) const {
        return tree()->visualItemRect(frame->sceneTree()->itemOf(obj)).center();
    }

    CadObject* a = nullptr;
    CadObject* b = nullptr;
};

TEST_F(ContextMenuTest, ARightClickOnAnObjectSelectsItAndItsMenuActsOnIt) {
    AddSelectedObject(a);
    doc()->selectionChanged();
    QMenu* menu = rightClick(front, at(front, {3, 0, 0}));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    // The object under the pointer, not the one selected before.
    EXPECT_EQ(selectedNames(), Names{b->name});
    QAction* del = find(menu, "editDelete");
    ASSERT_NE(del, nullptr);
    EXPECT_EQ(find(menu, "editUngroup"), nullptr);  // nothing grouped
    // The clipboard and the CSG operations are at hand where the object is.
    for (const char* name : {"editCut", "editCopy", "editPaste"}) EXPECT_NE(find(menu, name), nullptr) << name;
    QMenu* csg = menu->findChild<QMenu*>(QStringLiteral("contextCsg"));
    ASSERT_NE(csg, nullptr);
    EXPECT_EQ(csg->actions().size(), 4);
    del->trigger();
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_EQ(GetCadObject(nullptr), a);
}

TEST_F(ContextMenuTest, ARightClickOnNothingKeepsTheSelectionForTheCommands) {
    AddSelectedObject(a);
    AddSelectedObject(b);
    doc()->selectionChanged();
    QMenu* menu = rightClick(front, at(front, {0, 8, 0}));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(selectedNames(), (Names{a->name, b->name}));
    QAction* group = find(menu, "editGroup");
    ASSERT_NE(group, nullptr);
    group->trigger();
    EXPECT_NE(a->parent, nullptr);
    menu->close();
    // Now a member is selected: ungrouping is offered.
    menu = rightClick(front, at(front, {-3, 0, 0}));
    ASSERT_NE(menu, nullptr);
    EXPECT_NE(find(menu, "editUngroup"), nullptr);
    menu->close();

    // With nothing selected and nothing under the pointer: no object commands,
    // but what makes objects.
    SetObjectsUnSelected();
    doc()->selectionChanged();
    menu = rightClick(front, at(front, {0, 8, 0}));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(find(menu, "editDelete"), nullptr);
    QMenu* create = menu->findChild<QMenu*>(QStringLiteral("contextCreate"));
    ASSERT_NE(create, nullptr);
    bool sphere = false;
    for (QAction* action : create->actions()) sphere = sphere || action->objectName() == QLatin1String("createSphere");
    EXPECT_TRUE(sphere);
}

TEST_F(ContextMenuTest, TheTreeMenuSelectsTheItemsObjectRenamesAndDeletes) {
    QMenu* menu = rightClick(tree()->viewport(), treePoint(a));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(selectedNames(), Names{a->name});
    QAction* rename = find(menu, "contextRename");
    ASSERT_NE(rename, nullptr);
    rename->trigger();
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("ball"));
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();  // the editor's data is taken queued
    EXPECT_STREQ(a->name, "ball");
    menu->close();

    menu = rightClick(tree()->viewport(), treePoint(b));
    ASSERT_NE(menu, nullptr);
    QAction* del = find(menu, "editDelete");
    ASSERT_NE(del, nullptr);
    del->trigger();
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_EQ(frame->sceneTree()->itemOf(b), nullptr);
}

// Delete deletes the selected objects from the tree; a click on a selected
// item does not open the name for editing, F2 and a double click do, and in
// the editor Delete edits the name only.
TEST_F(ContextMenuTest, TreeKeysDeleteObjectsAndRenameOnlyWhenAsked) {
    const std::string name = a->name;
    tree()->setFocus();
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, treePoint(a));
    // Long enough apart not to be a double click.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, treePoint(a));
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(selectedNames(), Names{a->name});

    QTest::keyClick(tree(), Qt::Key_F2);
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(GetCadObjectsCount(), 2u);
    EXPECT_EQ(std::string(a->name), name.substr(1));  // the name lost its first character

    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(GetCadObjectsCount(), 1u);
    EXPECT_EQ(GetCadObject(nullptr), b);

    // A double click as the window system sends it: a click, then the second press.
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, treePoint(b));
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, treePoint(b));
    EXPECT_NE(editor(), nullptr);
}

struct NudgeCase {
    int view;
    int key;
    bool shift;
};

// An arrow key moves the selection one grid step (ten with Shift) along the
// one axis that runs that way on the screen of the view.
TEST_F(ContextMenuTest, ArrowKeysNudgeTheSelectionByGridSteps) {
    double step = GetGridInterval();
    ASSERT_GT(step, 0);
    const NudgeCase cases[] = {
        {kx::app::kFront, Qt::Key_Right, false}, {kx::app::kFront, Qt::Key_Up, true},
        {kx::app::kFront, Qt::Key_Left, false},  {kx::app::kPlan, Qt::Key_Up, false},
        {kx::app::kPlan, Qt::Key_Down, true},    {kx::app::kSide, Qt::Key_Right, false},
        {kx::app::kSide, Qt::Key_Up, false},     {kx::app::kSide, Qt::Key_Left, true},
    };
    for (const NudgeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "view " << c.view << " key " << c.key << " shift " << c.shift);
        CKalvexView* view = openView(c.view);
        ASSERT_NE(view, nullptr);
        SetObjectsUnSelected();
        AddSelectedObject(a);
        doc()->selectionChanged();
        const Point3d before = centreOf(a);
        const QPoint screenBefore = at(view, before);
        view->setFocus();
        QTest::keyClick(view, static_cast<Qt::Key>(c.key), c.shift ? Qt::ShiftModifier : Qt::NoModifier);
        const Point3d after = centreOf(a);
        const double moved[3] = {after.x - before.x, after.y - before.y, after.z - before.z};
        int changed = 0;
        double distance = 0;
        for (double m : moved)
            if (std::fabs(m) > 1e-5) {
                ++changed;
                distance = std::fabs(m);
            }
        EXPECT_EQ(changed, 1);
        EXPECT_NEAR(distance, step * (c.shift ? 10 : 1), 1e-4);
        const QPoint screen = at(view, after) - screenBefore;
        switch (c.key) {
            case Qt::Key_Right: EXPECT_GT(screen.x(), 0); break;
            case Qt::Key_Left: EXPECT_LT(screen.x(), 0); break;
            case Qt::Key_Up: EXPECT_LT(screen.y(), 0); break;
            default: EXPECT_GT(screen.y(), 0); break;
        }
        EXPECT_TRUE(doc()->isModified());
    }
    // The perspective view has no screen axes of the scene: nothing moves.
    CKalvexView* perspective = openView(kx::app::kPerspective);
    ASSERT_NE(perspective, nullptr);
    const Point3d before = centreOf(a);
    QTest::keyClick(perspective, Qt::Key_Right);
    EXPECT_FLOAT_EQ(centreOf(a).x, before.x);
    // Nothing selected: nothing moves, nothing is said.
    SetObjectsUnSelected();
    QTest::keyClick(front, Qt::Key_Right);
    EXPECT_FLOAT_EQ(centreOf(a).x, before.x);
    EXPECT_TRUE(boxes.empty());
}

}  // namespace

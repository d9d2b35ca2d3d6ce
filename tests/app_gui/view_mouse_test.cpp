// Selection, band selection, placing and dragging with real mouse events on
// real views.
#include <QLabel>
#include <QTest>
#include <cmath>

#include "kxcore.h"
#include "mainframe/edit_commands.h"
#include "mainframe/scene_tree_panel.h"
#include "views/mouse_state.h"
#include "views/selection.h"
#include "window_fixture.h"


namespace {

using Names = std::vector<std::string>;

using ViewMouseTest = kxtest::FrontViewTest;

TEST_F(ViewMouseTest, ClickSelectsTheSmallestObjectUnderTheMouse) {
    const Point3d large{6, 6, 6};
    CadObject* box = addObject(KX_BOX, {0, 0, 0}, &large);
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    // The ball lies inside the box on the screen: only the ball is meant.
    click(front, at(front, {0.2f, 0.2f, 0}));
    EXPECT_EQ(selectedNames(), Names{ball->name});
    // Away from the ball but inside the box: the box.
    click(front, at(front, {2.5f, 2.5f, 0}));
    EXPECT_EQ(selectedNames(), Names{box->name});
    // Nowhere: nothing.
    click(front, at(front, {9, 9, 0}));
    EXPECT_TRUE(selectedNames().empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ViewMouseTest, EqualAreasUnderTheMouseAreAllSelected) {
    CadObject* a = addObject(KX_SPHERE, {0, 0, 0});
    CadObject* b = addObject(KX_SPHERE, {0.5f, 0, 0});
    addObject(KX_SPHERE, {5, 0, 0});
    click(front, at(front, {0.25f, 0, 0}));
    EXPECT_EQ(selectedNames(), (Names{a->name, b->name}));
}

TEST_F(ViewMouseTest, ShiftTogglesOneObjectAndKeepsTheOthers) {
    CadObject* a = addObject(KX_SPHERE, {-3, 0, 0});
    CadObject* b = addObject(KX_SPHERE, {3, 0, 0});
    CadObject* c = addObject(KX_BOX, {0, 3, 0});
    click(front, at(front, {-3, 0, 0}));
    click(front, at(front, {3, 0, 0}), Qt::ShiftModifier);
    click(front, at(front, {0, 3, 0}), Qt::ShiftModifier);
    EXPECT_EQ(selectedNames(), (Names{a->name, b->name, c->name}));
    click(front, at(front, {3, 0, 0}), Qt::ShiftModifier);
    EXPECT_EQ(selectedNames(), (Names{a->name, c->name}));
    // Without Shift a click on the selection leaves it as it is (a drag may follow).
    click(front, at(front, {-3, 0, 0}));
    EXPECT_EQ(selectedNames(), (Names{a->name, c->name}));
}

TEST_F(ViewMouseTest, BandSelectsWhatItEnclosesInEveryDirection) {
    CadObject* a = addObject(KX_SPHERE, {-2, 0, 0});
    CadObject* b = addObject(KX_SPHERE, {2, 0, 0});
    addObject(KX_SPHERE, {7, 0, 0});
    const QPoint topLeft = at(front, {-4, 2, 0});
    const QPoint bottomRight = at(front, {4, -2, 0});
    struct Case {
        const char* name;
        QPoint from, to;
    };
    const Case cases[] = {
        {"down and right", topLeft, bottomRight},
        {"up and left", bottomRight, topLeft},
        {"down and left", QPoint(bottomRight.x(), topLeft.y()), QPoint(topLeft.x(), bottomRight.y())},
        {"up and right", QPoint(topLeft.x(), bottomRight.y()), QPoint(bottomRight.x(), topLeft.y())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        click(front, at(front, {0, 8, 0}));  // clear the selection
        ASSERT_TRUE(selectedNames().empty());
        drag(front, c.from, c.to);
        EXPECT_EQ(selectedNames(), (Names{a->name, b->name}));
        EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
    }
}

TEST_F(ViewMouseTest, APointBandChangesNothing) {
    CadObject* a = addObject(KX_SPHERE, {0, 0, 0});
    // The band itself, given one point, leaves a selection alone.
    front->prepareForPicking();
    AddSelectedObject(a);
    EXPECT_FALSE(kx::app::bandSelect(RECT{10, 10, 10, 10}, POINT{0, 0}));
    EXPECT_EQ(selectedNames(), Names{a->name});
    // With the mouse: a click beside everything ends as a band of one point,
    // which selects nothing and leaves the state at select.
    SetObjectsUnSelected();
    const QPoint empty = at(front, {5, 5, 0});
    QTest::mousePress(front, Qt::LeftButton, {}, empty);
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseBand);
    QTest::mouseRelease(front, Qt::LeftButton, {}, empty);
    EXPECT_TRUE(selectedNames().empty());
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
}

TEST_F(ViewMouseTest, PlacingPutsANewObjectAtTheClick) {
    frame->editCommands()->startPlacing(KX_CYLINDER);
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMousePlace);
    click(front, at(front, {3, 2, 0}));
    CadObject* made = GetLastCadObject();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->type, static_cast<uint32_t>(KX_CYLINDER));
    EXPECT_FLOAT_EQ(made->translate.x, 3);
    EXPECT_FLOAT_EQ(made->translate.y, 2);
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
    EXPECT_NE(frame->sceneTree()->itemOf(made), nullptr);
    EXPECT_TRUE(doc()->isModified());
    // The 3D cursor is where the object went.
    EXPECT_FLOAT_EQ(doc()->mouseEditor().cursor.x, 3);
    EXPECT_FLOAT_EQ(doc()->mouseEditor().cursor.y, 2);
}

TEST_F(ViewMouseTest, PlacingSeveralWhenTheSettingSaysSo) {
    session->settings().desktop.placeMultiple = 1;
    frame->editCommands()->startPlacing(KX_BOX);
    click(front, at(front, {1, 1, 0}));
    click(front, at(front, {-1, -1, 0}));
    EXPECT_EQ(GetCadObjectsCount(), 2u);
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMousePlace);
    frame->cancel();
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
}

TEST_F(ViewMouseTest, DraggingMovesTheSelectionByTheMouseDistance) {
    // 16 pixels are one unit in a new view; y goes up in the front and side
    // views, z down the plan view and to the left in the side view.
    struct Case {
        int kind;
        QPoint move;
        Point3d expected;
    };
    const Case cases[] = {
        {kx::app::kFront, QPoint(32, -16), {2, 1, 0}},
        {kx::app::kPlan, QPoint(32, 16), {2, 0, 1}},
        {kx::app::kSide, QPoint(32, -16), {0, 1, -2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        emptyScene();
        CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
        CadObject* other = addObject(KX_BOX, {-5, -5, -5});
        CKalvexView* view = openView(c.kind);
        const QPoint start = at(view, {0, 0, 0});
        drag(view, start, start + c.move);
        EXPECT_NEAR(ball->translate.x, c.expected.x, 1e-4);
        EXPECT_NEAR(ball->translate.y, c.expected.y, 1e-4);
        EXPECT_NEAR(ball->translate.z, c.expected.z, 1e-4);
        // The geometry went with it and the other object stayed.
        EXPECT_NEAR(centreOf(ball).x, c.expected.x, 1e-3);
        EXPECT_NEAR(centreOf(ball).z, c.expected.z, 1e-3);
        EXPECT_NEAR(other->translate.x, -5, 1e-6);
        EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
        // The view draws the ball where it now is: clicking there picks it.
        click(view, at(view, c.expected));
        EXPECT_EQ(selectedNames(), Names{ball->name});
    }
}

TEST_F(ViewMouseTest, ClickThenDragMovesOnTheSecondPress) {
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    const QPoint start = at(front, {0, 0, 0});
    click(front, start);
    // Released without moving: the drag waits for the next press on the selection.
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseDrag);
    drag(front, start, start + QPoint(16, 0));
    EXPECT_NEAR(ball->translate.x, 1, 1e-4);
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
}

TEST_F(ViewMouseTest, CtrlDragMovesInWholeGridSteps) {
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    const QPoint start = at(front, {0, 0, 0});
    // 40 pixels are 2.5 units: the selection moves 2.
    drag(front, start, start + QPoint(40, 0), Qt::ControlModifier);
    EXPECT_NEAR(ball->translate.x, 2, 1e-4);
}

TEST_F(ViewMouseTest, StatusBarShowsTheCursorAndTheState) {
    frame->editCommands()->startPlacing(KX_SPHERE);
    auto* state = frame->findChild<QLabel*>(QStringLiteral("stateLabel"));
    auto* cursor = frame->findChild<QLabel*>(QStringLiteral("cursorLabel"));
    ASSERT_TRUE(state && cursor);
    EXPECT_EQ(state->text(), QStringLiteral("Place Sphere"));
    QTest::mouseMove(front, at(front, {1, -2, 0}));
    EXPECT_EQ(cursor->text(), QStringLiteral("X 1.000  Y -2.000  Z 0.000"));
}

}  // namespace

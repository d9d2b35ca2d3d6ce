// Profiles drawn with the mouse in a flat view: clicks place points,
// Backspace takes one back, Enter or a double click ends, Esc takes the
// drawing back; the profile lathes into a vase.
#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTimer>
#include <QTest>
#include <cmath>
#include <functional>

#include "dialogs/lathe_dialog.h"
#include "dialogs/sweep_dialog.h"
#include "document/profile_shapes.h"
#include "document/profile_edits.h"
#include "mainframe/edit_commands.h"
#include "document/scene_edits.h"
#include "kxcore.h"
#include "triangle_lists.h"
#include "views/kalvex_view.h"
#include "views/mouse_state.h"
#include "views/profile_drawing.h"
#include "window_fixture.h"

namespace {

using kx::app::ProfileKind;

class ProfileDrawingTest : public kxtest::FrontViewTest {
protected:
    void start(const char* action) {
        QAction* a = frame->action(QString::fromLatin1(action));
        ASSERT_NE(a, nullptr) << action;
        a->trigger();
        ASSERT_EQ(doc()->mouseEditor().state, kx::app::kMouseProfile);
    }
    void clickAll(const std::vector<Point3d>& points) {
        for (const Point3d& p : points) click(front, at(front, p));
    }
    CadObject* profile() const {
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (o->type == KX_POINTS) return o;
        return nullptr;
    }
    static void expectNear(const std::vector<Point3d>& got, const std::vector<Point3d>& wanted) {
        ASSERT_EQ(got.size(), wanted.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].x, wanted[i].x, 0.1) << i;
            EXPECT_NEAR(got[i].y, wanted[i].y, 0.1) << i;
        }
    }
};

TEST_F(ProfileDrawingTest, EachKindIsDrawnWithClicksAndKeysAsOneStep) {
    const std::vector<Point3d> clicked{{1, 0, 0}, {2, 1, 0}, {1.5f, 2, 0}, {2, 3, 0}};
    struct Case {
        const char* action;
        std::vector<Point3d> clicks;
        std::vector<int> keys;  // pressed after the clicks
        size_t points;          // the profile's points at the end; 0: no profile
        const char* step;
    };
    const Case cases[] = {
        {"createPolyline", clicked, {Qt::Key_Return}, 4, "Draw Polyline"},
        {"createPolyline", clicked, {Qt::Key_Backspace, Qt::Key_Enter}, 3, "Draw Polyline"},
        {"createLine", {{1, 0, 0}, {2, 2, 0}}, {}, 2, "Draw Line"},  // ends at its second point
        {"createSpline", clicked, {Qt::Key_Return}, 3 * 8 + 1, "Draw Spline"},
        {"createPolyline", clicked, {Qt::Key_Escape}, 0, ""},
        {"createPolyline", {{1, 0, 0}}, {Qt::Key_Return}, 0, ""},  // one point is no profile
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + std::to_string(c.keys.size()) + " keys");
        emptyScene();
        doc()->history().clear();
        start(c.action);
        clickAll(c.clicks);
        for (int key : c.keys) QTest::keyClick(front, static_cast<Qt::Key>(key));
        EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
        CadObject* drawn = profile();
        if (c.points == 0) {
            EXPECT_EQ(drawn, nullptr);
            EXPECT_FALSE(doc()->history().canUndo());
            continue;
        }
        ASSERT_NE(drawn, nullptr);
        const std::vector<Point3d> points = kx::app::profilePoints(drawn);
        EXPECT_EQ(points.size(), c.points);
        // The placed points stand where they were clicked, in order (a spline passes through them).
        EXPECT_NEAR(points.front().x, c.clicks.front().x, 0.1);
        EXPECT_NEAR(points.back().y, c.clicks[c.points == 3 ? 2 : c.clicks.size() - 1].y, 0.1);
        EXPECT_TRUE(drawn->selected);
        // The whole drawing is one step.
        EXPECT_EQ(doc()->history().undoName(), c.step);
        ASSERT_TRUE(doc()->undo());
        EXPECT_EQ(profile(), nullptr);
        EXPECT_FALSE(doc()->history().canUndo());
    }
}

TEST_F(ProfileDrawingTest, ADoubleClickEndsAndTheProfileLathesIntoAVase) {
    start("createPolyline");
    const std::vector<Point3d> placed{{1, 0, 0}, {2, 1, 0}, {1, 2, 0}};
    clickAll(placed);
    // A double click: its first press and release place a point, the double click ends.
    click(front, at(front, {1.5f, 3, 0}));
    QTest::mouseDClick(front, Qt::LeftButton, {}, at(front, {1.5f, 3, 0}));
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseSelect);
    CadObject* drawn = profile();
    ASSERT_NE(drawn, nullptr);
    // The double click's first click placed the last point.
    expectNear(kx::app::profilePoints(drawn), {{1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {1.5f, 3, 0}});
    ASSERT_TRUE(kx::app::latheSelection(doc()->history(), 18, 20, true));
    EXPECT_EQ(drawn->type, static_cast<uint32_t>(KX_POLYGON));
    EXPECT_EQ(drawn->count, 2u * 3u * 18u);  // two triangles per edge per step
}

TEST(CatmullRomTest, PassesThroughEveryPointWithTheStepsBetween) {
    const std::vector<Point3d> points{{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
    const std::vector<Point3d> curve = kx::app::catmullRom(points, 4);
    ASSERT_EQ(curve.size(), 3u * 4u + 1u);
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_FLOAT_EQ(curve[i * 4].x, points[i].x);
        EXPECT_FLOAT_EQ(curve[i * 4].y, points[i].y);
    }
    // Halfway between the two middle points the curve stands on the symmetry line.
    EXPECT_NEAR(curve[6].x, 1.5, 1e-6);
    EXPECT_NEAR(curve[6].y, 0.5, 1e-6);
    EXPECT_EQ(kx::app::catmullRom({{0, 0, 0}, {1, 0, 0}}, 4).size(), 2u);  // a line stays a line
}

}  // namespace

namespace {

// The sweep shows in the views while the lathe dialog is open, follows its
// fields, turns as Lathe turns, and goes when the dialog closes.
TEST_F(ProfileDrawingTest, TheLatheDialogShowsItsSweepInTheViewsUntilItCloses) {
    start("createPolyline");
    clickAll({{1, 0, 0}, {2, 1, 0}, {1, 2, 0}});
    QTest::keyClick(front, Qt::Key_Return);
    CadObject* drawn = profile();
    ASSERT_NE(drawn, nullptr);
    const std::vector<Point3d> placed = kx::app::profilePoints(drawn);
    std::vector<size_t> seen;
    frame->editCommands()->runLatheDialog = [&](LatheDialog& dialog) {
        seen.push_back(doc()->mouseEditor().outline.size());
        dialog.findChild<QSpinBox*>()->setValue(4);
        seen.push_back(doc()->mouseEditor().outline.size());
        return true;
    };
    frame->editCommands()->lathe();
    // (points - 1) profile edges at each of steps + 1 places, and a ring edge per point and step.
    EXPECT_EQ(seen, (std::vector<size_t>{2u * 19u + 3u * 18u, 2u * 5u + 3u * 4u}));
    EXPECT_TRUE(doc()->mouseEditor().outline.empty());
    EXPECT_EQ(drawn->type, static_cast<uint32_t>(KX_POLYGON));
    EXPECT_EQ(drawn->count, 2u * 2u * 4u);

    // The outline's first ring ends where Lathe puts the point after one step.
    const auto outline = kx::app::latheOutline(placed, 1, 20);
    ListEntry* list = nullptr;
    ListEntry* tail = nullptr;
    for (const Point3d& p : placed) {
        Point3d v = p;
        tail = AddEntry(1, tail, &v);
        if (!list) list = tail;
    }
    ASSERT_EQ(LathePoints(&list, 1, 20), 3u);
    ASSERT_EQ(outline.size(), 2u + 3u + 2u);
    EXPECT_NEAR(outline[2].to.x, list->points[0].x, 1e-5);
    EXPECT_NEAR(outline[2].to.z, list->points[0].z, 1e-5);
    EXPECT_NE(outline[2].to.z, 0.0f);  // it did turn
    ClearEntry(list);
}

}  // namespace

namespace {

// Modify > Sweep shows the prism it will make in the views while its dialog
// is open, follows its heights, and makes that prism when accepted; with no
// outline selected it says so and opens nothing.
TEST_F(ProfileDrawingTest, TheSweepDialogShowsItsPrismInTheViewsUntilItCloses) {
    CadObject* outline = nullptr;
    for (const Point3d& p : std::vector<Point3d>{{0, 0, 0}, {2, 0, 0}, {1, 0, 1.5f}})
        ASSERT_TRUE(kx::app::addProfilePoint(doc()->history(), outline, p, "Draw Polyline", "draw"));
    SetObjectsUnSelected();
    AddSelectedObject(outline);
    doc()->selectionChanged();
    std::vector<std::pair<size_t, float>> seen;  // outline lines, the top edge's height
    frame->editCommands()->runSweepDialog = [&](SweepDialog& dialog) {
        const auto& lines = doc()->mouseEditor().outline;
        seen.emplace_back(lines.size(), lines.empty() ? 0.0f : lines[1].from.y);
        dialog.findChildren<QDoubleSpinBox*>().at(1)->setValue(2.5);
        seen.emplace_back(lines.size(), lines.empty() ? 0.0f : lines[1].from.y);
        return true;
    };
    QAction* sweep = frame->action(QStringLiteral("modifySweep"));
    ASSERT_NE(sweep, nullptr);
    sweep->trigger();
    EXPECT_EQ(seen, (std::vector<std::pair<size_t, float>>{{9u, 1.0f}, {9u, 2.5f}}));
    EXPECT_TRUE(doc()->mouseEditor().outline.empty());
    EXPECT_EQ(doc()->history().undoName(), "Sweep");
    CadObject* prism = GetNextSelectedObject(nullptr);
    ASSERT_NE(prism, nullptr);
    EXPECT_EQ(prism->type, uint32_t{KX_PRISM});
    double heights[2] = {};
    ASSERT_EQ(GetObjectExtra(prism, KX_PROP_SWEEPHEIGHTS, 2, heights), 1);
    EXPECT_DOUBLE_EQ(heights[1], 2.5);

    // Nothing selected: a message, no dialog.
    SetObjectsUnSelected();
    doc()->selectionChanged();
    bool opened = false;
    frame->editCommands()->runSweepDialog = [&](SweepDialog&) { return opened = true; };
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    sweep->trigger();
    EXPECT_FALSE(opened);
}

}  // namespace

namespace {

// Edit Points: a profile's points are dragged, added on an edge and removed
// in a flat view, each an undo step; a drag is one step however long.
TEST_F(ProfileDrawingTest, EditPointsDragsAddsAndRemovesAProfilesPoints) {
    start("createPolyline");
    clickAll({{1, 0, 0}, {3, 0, 0}, {3, 2, 0}});
    QTest::keyClick(front, Qt::Key_Return);
    CadObject* drawn = profile();
    ASSERT_NE(drawn, nullptr);
    QAction* edit = frame->action(QStringLiteral("modifyEditPoints"));
    ASSERT_NE(edit, nullptr);
    edit->trigger();
    ASSERT_EQ(doc()->mouseEditor().state, kx::app::kMouseEditPoints);
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<Point3d> points;
    };
    const Step steps[] = {
        {"drag the middle point up", [&] { drag(front, at(front, {3, 0, 0}), at(front, {3, 1, 0})); },
         {{1, 0, 0}, {3, 1, 0}, {3, 2, 0}}},
        {"Ctrl+click halfway along the first edge", [&] { click(front, at(front, {2, 0.5f, 0}), Qt::ControlModifier); },
         {{1, 0, 0}, {2, 0.5f, 0}, {3, 1, 0}, {3, 2, 0}}},
        {"Shift+click the added point", [&] { click(front, at(front, {2, 0.5f, 0}), Qt::ShiftModifier); },
         {{1, 0, 0}, {3, 1, 0}, {3, 2, 0}}},
        {"a click beside the profile changes nothing", [&] { click(front, at(front, {2, 1.6f, 0})); },
         {{1, 0, 0}, {3, 1, 0}, {3, 2, 0}}},
    };
    size_t before = doc()->history().size();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        AddSelectedObject(drawn);
        s.act();
        expectNear(kx::app::profilePoints(drawn), s.points);
        EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMouseEditPoints);
    }
    // Three edits, three steps, taken back in turn.
    EXPECT_EQ(doc()->history().size(), before + 3);
    EXPECT_EQ(doc()->history().undoName(), "Edit Points");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(doc()->undo());
    expectNear(kx::app::profilePoints(drawn), {{1, 0, 0}, {3, 0, 0}, {3, 2, 0}});
    // Choosing another tool ends the editor.
    frame->action(QStringLiteral("createSphere"))->trigger();
    EXPECT_FALSE(edit->isChecked());
}

// A selected mesh's corners are handles too: dragging the corner two faces
// share moves it in both, as one step; Ctrl+click on a face edge splits it,
// and Shift+click takes a corner away with its faces.
TEST_F(ProfileDrawingTest, EditPointsDragsTheCornerAMeshsFacesShare) {
    CadObject* mesh = AddObject("row", kxtest::triangleRow(2), 2, KX_POLYGON);
    ASSERT_NE(mesh, nullptr);
    SetObjectsUnSelected();
    AddSelectedObject(mesh);
    frame->action(QStringLiteral("modifyEditPoints"))->trigger();
    ASSERT_EQ(doc()->mouseEditor().state, kx::app::kMouseEditPoints);
    const size_t before = doc()->history().size();
    drag(front, at(front, {1, 0, 0}), at(front, {1, -1, 0}));
    EXPECT_NEAR(mesh->points->points[1].y, -1, 0.1);
    EXPECT_NEAR(mesh->points->next->points[0].y, -1, 0.1);
    EXPECT_EQ(mesh->points->points[0].y, 0.0f);  // the corner beside it stays
    EXPECT_EQ(doc()->history().size(), before + 1);
    EXPECT_EQ(doc()->history().undoName(), "Edit Points");
    // Ctrl+click on the second face's upright edge splits it in two.
    click(front, at(front, {1, 0.5f, 0}), Qt::ControlModifier);
    EXPECT_EQ(CountEntry(mesh->points), 3u);
    EXPECT_EQ(doc()->history().size(), before + 2);
    // Shift+click takes a corner away with the faces it belongs to.
    AddSelectedObject(mesh);
    click(front, at(front, {2, 0, 0}), Qt::ShiftModifier);
    EXPECT_EQ(CountEntry(mesh->points), 1u);  // both halves of the split face met there
    EXPECT_EQ(doc()->history().size(), before + 3);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(doc()->undo());
    EXPECT_EQ(CountEntry(mesh->points), 2u);
    EXPECT_EQ(mesh->points->next->points[0].y, 0.0f);
}

}  // namespace

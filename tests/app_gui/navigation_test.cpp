// Moving about in the views: orbit, pan and zoom of the perspective view move
// the scene's camera; wheel zoom about the pointer, Zoom to Fit and Zoom to
// Selection; the grid at any zoom; the pointer's scene coordinates in the
// status bar; the layout of a first start.
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <filesystem>

#include "kxcore.h"
#include "settings/settings.h"
#include "views/bgr_colour.h"
#include "views/view_layout.h"
#include "window_fixture.h"

namespace {

double distance(const Point3d& a, const Point3d& b) {
    return std::sqrt(double(a.x - b.x) * (a.x - b.x) + double(a.y - b.y) * (a.y - b.y) + double(a.z - b.z) * (a.z - b.z));
}

bool same(const Point3d& a, const Point3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

void wheel(QWidget* view, QPoint at, int notches) {
    QWheelEvent event(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
}

void dragWith(QWidget* view, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint from, QPoint to) {
    QTest::mousePress(view, button, modifiers, from);
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(view, from + (to - from) * i / 4);
    QTest::mouseRelease(view, button, modifiers, to);
}

class NavigationTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
        // The wireframe, not the shaded preview, in the perspective view.
        frame->setShadedPreview(false);
        persp = openView(kx::app::kPerspective);
        front = openView(kx::app::kFront);
        ASSERT_NE(persp, nullptr);
        ASSERT_NE(front, nullptr);
        CreateCamera(CameraToInfo(GetActiveCamera()));  // the camera object shows where the camera is
        CameraInfo c = *GetActiveCamera();
        c.location = Point3d{4, 5, 12};
        c.lookAt = Point3d{1, 1, 0};
        ASSERT_TRUE(doc()->changeCamera(c, QStringLiteral("Set up")));
        doc()->setModified(false);
    }
    QPoint middleOf(QWidget* w) const { return QPoint(w->width() / 2, w->height() / 2); }

    CKalvexView* persp = nullptr;
    CKalvexView* front = nullptr;
};

TEST_F(NavigationTest, OrbitPanAndZoomMoveTheScenesCamera) {
    struct Case {
        const char* name;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        QPoint move;
        const char* edit;
        bool targetMoves, distanceStays;
    };
    const Case cases[] = {
        {"middle drag orbits", Qt::MiddleButton, Qt::NoModifier, QPoint(60, 25), "Orbit", false, true},
        {"Alt and left drag orbits", Qt::LeftButton, Qt::AltModifier, QPoint(-40, 10), "Orbit", false, true},
        {"Shift and middle drag pans", Qt::MiddleButton, Qt::ShiftModifier, QPoint(30, -20), "Pan", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CameraInfo before = *GetActiveCamera();
        const QPoint from = middleOf(persp);
        dragWith(persp, c.button, c.modifiers, from, from + c.move);
        const CameraInfo& after = *GetActiveCamera();
        EXPECT_FALSE(same(after.location, before.location));
        EXPECT_EQ(!same(after.lookAt, before.lookAt), c.targetMoves);
        EXPECT_NEAR(distance(after.location, after.lookAt), distance(before.location, before.lookAt), 1e-3);
        EXPECT_EQ(doc()->lastEditName().toStdString(), c.edit);
        EXPECT_TRUE(doc()->isModified());
        // The camera object shows the moved camera.
        ASSERT_NE(after.object, nullptr);
        EXPECT_TRUE(same(after.object->translate, after.location));
        // The whole drag is one step: undoing it puts the camera back.
        const Point3d moved = after.location;
        EXPECT_EQ(doc()->history().undoName(), c.edit);
        ASSERT_TRUE(doc()->undo());
        EXPECT_TRUE(same(GetActiveCamera()->location, before.location));
        EXPECT_TRUE(same(GetActiveCamera()->lookAt, before.lookAt));
        ASSERT_TRUE(doc()->redo());
        EXPECT_TRUE(same(GetActiveCamera()->location, moved));
        doc()->setModified(false);
    }
    // Orbiting sideways leaves the eye's height; the selection is untouched.
    const CameraInfo level = *GetActiveCamera();
    dragWith(persp, Qt::MiddleButton, Qt::NoModifier, middleOf(persp), middleOf(persp) + QPoint(50, 0));
    EXPECT_NEAR(GetActiveCamera()->location.y, level.location.y, 1e-4);

    // The wheel over the middle of the picture brings the eye closer to the look-at point.
    const CameraInfo before = *GetActiveCamera();
    const kx::app::FrameRect f = persp->pictureRect();
    wheel(persp, QPoint(int(f.left + f.width / 2), int(f.top + f.height / 2)), 2);
    const double ratio = distance(before.location, before.lookAt) / distance(GetActiveCamera()->location, GetActiveCamera()->lookAt);
    EXPECT_NEAR(ratio, 1.25 * 1.25, 0.05);
    EXPECT_EQ(doc()->lastEditName().toStdString(), "Zoom");
    // Both notches are one step.
    ASSERT_TRUE(doc()->undo());
    EXPECT_TRUE(same(GetActiveCamera()->location, before.location));
}

TEST_F(NavigationTest, ASeparateViewCameraLeavesTheScenesCameraAlone) {
    session->settings().view.separateCamera = 1;
    const CameraInfo before = *GetActiveCamera();
    dragWith(persp, Qt::MiddleButton, Qt::NoModifier, middleOf(persp), middleOf(persp) + QPoint(80, 0));
    EXPECT_TRUE(same(GetActiveCamera()->location, before.location));
    EXPECT_FALSE(same(persp->viewCamera().location, before.location));
    EXPECT_FALSE(doc()->isModified());
    // Switched off, the view looks through the scene's camera again.
    session->settings().view.separateCamera = 0;
    EXPECT_TRUE(same(persp->viewCamera().location, before.location));
}

TEST_F(NavigationTest, ClickAndBandSelectInThePerspectiveView) {
    CadObject* ball = addObject(KX_SPHERE, {1, 1, 0});
    CadObject* box = addObject(KX_BOX, {-3, 1, 0});
    QTest::mouseClick(persp, Qt::LeftButton, {}, at(persp, {1, 1, 0}));
    EXPECT_EQ(selectedNames(), std::vector<std::string>{ball->name});
    // A band round both from an empty corner.
    QTest::mouseClick(persp, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(selectedNames().empty());
    dragWith(persp, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2), QPoint(persp->width() - 3, persp->height() - 3));
    EXPECT_EQ(selectedNames(), (std::vector<std::string>{ball->name, box->name}));
    // Selecting moves nothing.
    EXPECT_FLOAT_EQ(centreOf(ball).x, 1);
}

TEST_F(NavigationTest, WheelZoomsAboutThePointerInAFlatView) {
    const QPoint pointer = at(front, {2, 1, 0});
    wheel(front, pointer, 3);
    EXPECT_NEAR(GetDistance(1), 16 * std::pow(1.25, 3), 1e-6);
    const QPoint still = at(front, {2, 1, 0});
    EXPECT_LE((still - pointer).manhattanLength(), 2);
    wheel(front, pointer, -3);
    EXPECT_NEAR(GetDistance(1), 16, 1e-6);
}

TEST_F(NavigationTest, ZoomToFitLeavesFarLightsOutAndZoomToSelectionFramesTheSelection) {
    CadObject* ball = addObject(KX_SPHERE, {20, 10, 0});
    addObject(KX_BOX, {26, 10, 0});
    CadObject* light = addObject(KX_LIGHT, {-500, 400, 300});
    ASSERT_NE(light, nullptr);
    front->fitScene();
    // Both objects (the ball from x 19, the box to 26.5) fill most of the
    // front view; the far light is off it.
    const QPoint a = at(front, {19, 10, 0}), b = at(front, {26.5f, 10, 0});
    EXPECT_TRUE(front->rect().contains(a));
    EXPECT_TRUE(front->rect().contains(b));
    EXPECT_GT(b.x() - a.x(), front->width() / 2);
    EXPECT_FALSE(front->rect().contains(at(front, {-500, 400, 0})));

    persp->fitScene();
    EXPECT_EQ(doc()->lastEditName().toStdString(), "Zoom to Fit");
    EXPECT_NEAR(GetActiveCamera()->lookAt.x, 22.75, 0.01);
    EXPECT_NEAR(GetActiveCamera()->lookAt.y, 10, 0.01);
    for (Point3d p : {Point3d{19, 10, 0}, Point3d{26.5f, 10, 0}}) EXPECT_TRUE(persp->rect().contains(at(persp, p)));

    // Only the lights: they are framed, as nothing else is there.
    emptyScene();
    addObject(KX_LIGHT, {-50, 40, 30});
    front->fitScene();
    EXPECT_TRUE(front->rect().contains(at(front, {-50, 40, 30})));

    // Zoom to Selection (the F key) frames the ball alone.
    emptyScene();
    ball = addObject(KX_SPHERE, {20, 10, 0});
    addObject(KX_BOX, {-30, 0, 0});
    AddSelectedObject(ball);
    doc()->selectionChanged();
    frame->findChild<QMdiArea*>()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(front->parentWidget()));
    QTest::keyClick(front, Qt::Key_F);
    EXPECT_NEAR(GetDistance(1), std::min(front->width(), front->height()) / (2 * 1.2), 2);
    EXPECT_LE((at(front, {20, 10, 0}) - middleOf(front)).manhattanLength(), 2);
}

TEST_F(NavigationTest, TheGridFillsTheViewAtAnyZoom) {
    const QColor grid = kx::app::bgrToColour(session->settings().scheme.colours[kx::app::ColourScheme::Grid]);
    for (double zoom : {0.02, 0.5, 16.0}) {
        SCOPED_TRACE(zoom);
        SetDistance(zoom, 1);
        Point3d far{-1e4f, 0, 0};
        PanView(1, &far, 1);  // far from the origin too
        front->update();
        const QImage picture = front->grab().toImage();
        // Grid lines in each quarter of the view.
        for (int q = 0; q < 4; ++q) {
            const QRect quarter((q % 2) * picture.width() / 2, (q / 2) * picture.height() / 2, picture.width() / 2,
                                picture.height() / 2);
            int n = 0;
            for (int y = quarter.top(); y <= quarter.bottom(); y += 2)
                for (int x = quarter.left(); x <= quarter.right(); ++x) n += QColor(picture.pixel(x, y)) == grid;
            EXPECT_GT(n, 20) << "quarter " << q;
        }
    }
}

TEST_F(NavigationTest, TheStatusBarShowsTheSceneUnderThePointer) {
    auto* label = frame->findChild<QLabel*>(QStringLiteral("pointerLabel"));
    ASSERT_NE(label, nullptr);
    QTest::mouseMove(front, at(front, {1, 2, 0}) + QPoint(1, 1));
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("X 1.0"))) << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QStringLiteral("Y 1.9"))) << label->text().toStdString();
    // With snapping on, the grid point.
    SetSnapGrid(1.0, 1);
    QTest::mouseMove(front, at(front, {1.3f, 1.7f, 0}));
    EXPECT_EQ(label->text(), QStringLiteral("X 2.000  Y 2.000"));
    SetSnapGrid(1.0, 0);
    // The plan shows x and z.
    CKalvexView* plan = openView(kx::app::kPlan);
    QTest::mouseMove(plan, at(plan, {3, 0, -2}) + QPoint(1, 1));
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("X 3.0"))) << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QStringLiteral("Z -"))) << label->text().toStdString();
}

// A first start: no place stored. The window takes most of the screen, the
// four views are tiled plan, perspective / front, side, and the next start
// finds them as they were left.
class FirstStartTest : public kxtest::WindowTest {
protected:
    bool resizeFrame() const override { return false; }
};

TEST_F(FirstStartTest, TheWindowTakesMostOfTheScreenWithFourViewsTiled) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(frame->width(), screen.width() * kx::app::kFirstStartShare, 2);
    EXPECT_NEAR(frame->height(), screen.height() * kx::app::kFirstStartShare, 2);
    QApplication::processEvents();
    auto place = [this](int kind) {
        CKalvexView* v = frame->view(kind);
        return v ? v->parentWidget()->geometry() : QRect();
    };
    auto check = [&] {
        const QRect plan = place(kx::app::kPlan), persp = place(kx::app::kPerspective);
        const QRect frontView = place(kx::app::kFront), side = place(kx::app::kSide);
        ASSERT_FALSE(plan.isNull() || persp.isNull() || frontView.isNull() || side.isNull());
        EXPECT_EQ(plan.topLeft(), QPoint(0, 0));
        EXPECT_EQ(persp.top(), 0);
        EXPECT_GT(persp.left(), plan.left());
        EXPECT_EQ(frontView.left(), 0);
        EXPECT_GT(frontView.top(), plan.top());
        EXPECT_EQ(side.topLeft(), QPoint(persp.left(), frontView.top()));
        const QSize area = frame->findChild<QMdiArea*>()->viewport()->size();
        EXPECT_EQ(side.right() + 1, area.width());
        EXPECT_EQ(side.bottom() + 1, area.height());
    };
    check();
    // Closed and started again with the same settings: the same views in the same places.
    const QRect planBefore = place(kx::app::kPlan), sideBefore = place(kx::app::kSide);
    doc()->setModified(false);
    frame->close();
    const kx::app::DesktopSettings& d = session->settings().desktop;
    EXPECT_FALSE(kx::app::isFirstStart(d));
    EXPECT_EQ(d.showPlan + d.showIso + d.showFront + d.showSide, 4);
    const QRect stored = frame->normalGeometry();
    frame.reset();
    frame = std::make_unique<CMainFrame>(*session);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QApplication::processEvents();
    EXPECT_EQ(frame->geometry().size(), stored.size());
    check();
    EXPECT_EQ(place(kx::app::kPlan), planBefore);
    EXPECT_EQ(place(kx::app::kSide), sideBefore);
    if (const char* keep = std::getenv("KALVEX_SCREENSHOT")) {
        // The picture of the window the README shows: the example scene in the first-start layout.
        std::filesystem::copy(std::string(KALVEX_SOURCE_DIR) + "/examples", dir->path(),
                              std::filesystem::copy_options::skip_existing | std::filesystem::copy_options::recursive);
        ASSERT_TRUE(frame->openFile(QString::fromStdString(dir->file("showcase.cad"))));
        frame->resize(1400, 950);
        frame->tileViews();
        for (int kind : {kx::app::kFront, kx::app::kPlan, kx::app::kSide}) frame->view(kind)->fitScene();
        SelectCadObjectByName("_torus0", 0);
        doc()->selectionChanged();
        QTest::qWait(1500);  // the shaded preview draws
        frame->grab().toImage().scaledToWidth(1000, Qt::SmoothTransformation).save(QString::fromLocal8Bit(keep));
    }
}

}  // namespace

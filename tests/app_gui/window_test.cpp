// The window as a whole: start-up, view titles, the scene tree and the
// property panel, a picture of a view, and closing a changed scene.
#include <QApplication>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTest>
#include <QTreeWidget>
#include <clocale>
#include <new>
#include <stdexcept>

#include "dialogs/colour_scheme_dialog.h"
#include "kxcore.h"
#include "mainframe/property_panel.h"
#include "mainframe/scene_tree_panel.h"
#include "views/bgr_colour.h"
#include "window_fixture.h"

namespace {

using Names = std::vector<std::string>;

class WindowFrameTest : public kxtest::WindowTest {};

TEST_F(WindowFrameTest, StartsWithTheDefaultSceneInItsViews) {
    // Camera and two lights, each in the tree.
    EXPECT_EQ(GetCadObjectsCount(), 3u);
    EXPECT_NE(GetActiveCamera()->object, nullptr);
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        SCOPED_TRACE(obj->name);
        ASSERT_NE(frame->sceneTree()->itemOf(obj), nullptr);
        EXPECT_EQ(frame->sceneTree()->itemOf(obj)->text(0).toStdString(), obj->name);
    }
    const QString titles[4] = {"Untitled:Perspective", "Untitled:Front", "Untitled:Plan", "Untitled:Side"};
    for (int kind = 0; kind < 4; ++kind) {
        ASSERT_NE(frame->view(kind), nullptr);
        EXPECT_EQ(frame->view(kind)->parentWidget()->windowTitle(), titles[kind]);
    }
    EXPECT_EQ(CKalvexView::titleSuffix(7), QString());
    // Numbers are written the C way whatever the user's locale.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_FALSE(doc()->isModified());
}

// A command that runs out of memory, or fails in any other way, ends alone:
// the user is told, and the window and the scene stay, to be saved.
TEST_F(WindowFrameTest, ACommandThatRunsOutOfMemoryEndsAlone) {
    struct Failing : QObject {
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) throw std::bad_alloc();
            if (e->type() == QEvent::User + 1) throw std::runtime_error("disk on fire");
            return QObject::event(e);
        }
    } failing;
    addObject(KX_SPHERE, {0, 0, 0});
    const unsigned objects = GetCadObjectsCount();
    for (const auto& [type, said] : {std::pair<int, const char*>{QEvent::User, "out of memory"},
                                     {QEvent::User + 1, "disk on fire"}}) {
        SCOPED_TRACE(said);
        boxes.clear();
        QEvent event(static_cast<QEvent::Type>(type));
        EXPECT_FALSE(QCoreApplication::sendEvent(&failing, &event));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.toStdString(),
                  std::string("The last command was stopped: ") + said + ". The scene stays open; save your work.");
    }
    EXPECT_EQ(GetCadObjectsCount(), objects);
}

TEST_F(WindowFrameTest, TreeAndViewsShareTheSelection) {
    emptyScene();
    CadObject* a = addObject(KX_SPHERE, {-3, 0, 0});
    CadObject* b = addObject(KX_BOX, {3, 0, 0});
    QTreeWidget* tree = frame->sceneTree()->tree();
    frame->sceneTree()->itemOf(b)->setSelected(true);
    EXPECT_EQ(selectedNames(), Names{b->name});
    EXPECT_EQ(frame->properties()->object(), b);

    CKalvexView* front = openView(kx::app::kFront);
    click(front, at(front, {-3, 0, 0}));
    EXPECT_TRUE(frame->sceneTree()->itemOf(a)->isSelected());
    EXPECT_FALSE(frame->sceneTree()->itemOf(b)->isSelected());
    EXPECT_EQ(tree->selectedItems().size(), 1);

    // Renaming in the tree renames the object; the name is cut to 31 bytes.
    frame->sceneTree()->itemOf(a)->setText(0, QStringLiteral("planet"));
    EXPECT_STREQ(a->name, "planet");
    EXPECT_EQ(GetCadObjectByName("planet"), a);
    frame->sceneTree()->itemOf(a)->setText(0, QString(40, QChar('x')));
    EXPECT_EQ(std::string(a->name), std::string(31, 'x'));
    EXPECT_EQ(frame->sceneTree()->itemOf(a)->text(0), QString(31, QChar('x')));

    // Deleting removes the item.
    frame->action(QStringLiteral("editDelete"))->trigger();
    EXPECT_EQ(frame->sceneTree()->itemOf(a), nullptr);
    EXPECT_EQ(GetCadObjectsCount(), 1u);
}

TEST_F(WindowFrameTest, PropertyChangesRebuildTheObject) {
    emptyScene();
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    AddSelectedObject(ball);
    doc()->selectionChanged();
    PropertyPanel* panel = frame->properties();
    ASSERT_EQ(panel->object(), ball);

    panel->pointField(KX_PROP_TRANSLATE, 0)->setValue(4);
    EXPECT_FLOAT_EQ(ball->translate.x, 4);
    EXPECT_NEAR(centreOf(ball).x, 4, 1e-4);

    panel->pointField(KX_PROP_SIZE, 1)->setValue(2);  // the sphere's radius
    EXPECT_NEAR(extentOf(ball).y, 4, 1e-3);
    EXPECT_NEAR(centreOf(ball).x, 4, 1e-3);

    panel->nameField()->setText(QStringLiteral("moon"));
    emit panel->nameField()->editingFinished();
    EXPECT_STREQ(ball->name, "moon");
    EXPECT_EQ(frame->sceneTree()->itemOf(ball)->text(0), QStringLiteral("moon"));

    // A point object is moved as it is, not rebuilt.
    SetObjectsUnSelected();
    CadObject* dots = NewPointObject("_points");
    Point3d p{1, 1, 1};
    dots->points = AddEntry(1, nullptr, &p);
    dots->count = 1;
    doc()->selectionChanged();
    ASSERT_EQ(panel->object(), dots);
    panel->pointField(KX_PROP_TRANSLATE, 2)->setValue(2);
    EXPECT_FLOAT_EQ(dots->points->points[0].z, 3);
    EXPECT_FLOAT_EQ(dots->translate.z, 2);
    EXPECT_TRUE(doc()->isModified());
}

TEST_F(WindowFrameTest, CameraRowsMoveTheCameraAndAimThePerspective) {
    CadObject* camera = GetActiveCamera()->object;
    ASSERT_NE(camera, nullptr);
    AddSelectedObject(camera);
    doc()->selectionChanged();
    PropertyPanel* panel = frame->properties();
    ASSERT_EQ(panel->object(), camera);
    const unsigned aimed = doc()->cameraGeneration();
    panel->pointField(KX_PROP_TRANSLATE, 0)->setValue(5);
    EXPECT_FLOAT_EQ(GetActiveCamera()->location.x, 5);
    EXPECT_NEAR(centreOf(camera).x, 5, 0.5);  // the camera's wireframe went with it
    panel->pointField(KX_PROP_SIZE, 1)->setValue(2);
    EXPECT_FLOAT_EQ(GetActiveCamera()->lookAt.y, 2);
    panel->pointField(KX_PROP_ROTATE, 0)->setValue(0.5);
    EXPECT_FLOAT_EQ(GetActiveCamera()->up.x, 0.5f);
    EXPECT_GT(doc()->cameraGeneration(), aimed);
    // Still one camera object, showing the new values.
    EXPECT_EQ(GetActiveCamera()->object, camera);
    EXPECT_FLOAT_EQ(panel->pointField(KX_PROP_TRANSLATE, 0)->value(), 5);
}

TEST_F(WindowFrameTest, ViewPictureShowsTheObjectsInTheSchemeColours) {
    emptyScene();
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    const Point3d big{3, 3, 3};
    addObject(KX_BOX, {5, 0, 0}, &big);
    AddSelectedObject(ball);
    doc()->selectionChanged();
    CKalvexView* front = openView(kx::app::kFront);
    const auto& colours = session->settings().scheme.colours;
    const QColor background = kx::app::bgrToColour(colours[kx::app::ColourScheme::Background]);
    const QColor object = kx::app::bgrToColour(colours[kx::app::ColourScheme::Object]);
    const QColor selected = kx::app::bgrToColour(colours[kx::app::ColourScheme::Selected]);
    QImage picture = front->grab().toImage();
    picture.save(QString::fromStdString(dir->file("front.png")));

    // Count the colours inside the ball's and the box's screen rectangles.
    auto count = [&picture](QRect area, const QColor& c) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (picture.rect().contains(x, y) && QColor(picture.pixel(x, y)) == c) ++n;
        return n;
    };
    const QRect ballArea(at(front, {-1, 1, 0}), at(front, {1, -1, 0}));
    const QRect boxArea(at(front, {3.5f, 1.5f, 0}), at(front, {6.5f, -1.5f, 0}));
    const QRect emptyArea(at(front, {-9, -4, 0}), at(front, {-7, -6, 0}));
    EXPECT_GT(count(ballArea, selected), 40);
    EXPECT_EQ(count(ballArea, object), 0);
    EXPECT_GT(count(boxArea, object), 40);
    EXPECT_EQ(count(emptyArea, object) + count(emptyArea, selected), 0);
    EXPECT_GT(count(emptyArea, background), 0);

    // The grey scheme repaints everything.
    session->settings().scheme.colours = kx::app::greyColours();
    frame->settingsChanged();
    picture = front->grab().toImage();
    EXPECT_EQ(count(emptyArea, background), 0);
    EXPECT_GT(count(boxArea, kx::app::bgrToColour(kx::app::greyColours()[kx::app::ColourScheme::Object])), 40);
}

TEST_F(WindowFrameTest, ClosingAChangedSceneAsksToSave) {
    addObject(KX_SPHERE, {0, 0, 0});
    ASSERT_TRUE(doc()->isModified());
    answer = KX_IDCANCEL;
    frame->close();
    EXPECT_TRUE(frame->isVisible());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("The scene Untitled has changed.")));
    answer = KX_IDNO;
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    // Closing gave the scene up.
    EXPECT_EQ(GetCadObjectsCount(), 0u);
}

TEST_F(WindowFrameTest, ViewOptionsDecideWhatIsDrawn) {
    CKalvexView* front = openView(kx::app::kFront);
    CadObject* camera = GetActiveCamera()->object;
    ASSERT_NE(camera, nullptr);
    front->prepareForPicking();
    EXPECT_GT(camera->rect.right, camera->rect.left);
    frame->action(QStringLiteral("viewCamera"))->trigger();
    EXPECT_EQ(GetShowCamera(), 0);
    front->prepareForPicking();
    EXPECT_EQ(camera->rect.right, camera->rect.left);  // not drawn, never picked
}

TEST_F(WindowFrameTest, ColourSchemeNames) {
    uint32_t c = 0;
    ASSERT_TRUE(ColourSchemeDialog::colourOfName(QStringLiteral("Red"), c));
    EXPECT_EQ(c, kx::app::standardColours()[kx::app::ColourScheme::Selected]);
    ASSERT_TRUE(ColourSchemeDialog::colourOfName(QStringLiteral("BrightWhite"), c));
    EXPECT_EQ(c, 0xFFFFFFu);
    uint32_t brown = 0, green = 0;
    ColourSchemeDialog::colourOfName(QStringLiteral("Brown"), brown);
    ColourSchemeDialog::colourOfName(QStringLiteral("Green"), green);
    EXPECT_NE(brown, green);
    EXPECT_FALSE(ColourSchemeDialog::colourOfName(QStringLiteral("Mauve"), c));
}

}  // namespace

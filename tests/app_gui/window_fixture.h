// Fixture of the window tests: a fresh core, a settings file and data folder
// of the test's own, the program's start-up, and its main window shown on the
// offscreen platform. Message boxes are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <memory>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

#include "document/kalvex_doc.h"
#include "mainframe/app_session.h"
#include "mainframe/main_frame.h"
#include "temp_dir.h"
#include "views/kalvex_view.h"

namespace kxtest {

// Shell text that writes a 4 x 2 Targa, true colour, top row first, every
// pixel red, to "$2" (the image a fake renderer is asked for).
inline constexpr const char* kRedTarga =
    "printf '\\000\\000\\002\\000\\000\\000\\000\\000\\000\\000\\000\\000\\004\\000\\002\\000\\030\\040' > \"$2\"; "
    "for i in 1 2 3 4 5 6 7 8; do printf '\\000\\000\\377' >> \"$2\"; done";

struct ShownBox {
    QString text;
    QString caption;
    unsigned style;
    bool onUiThread;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lines added to the settings file before the program starts.
    virtual std::string extraSettings() const { return {}; }
    // False keeps the size the window chose for itself at start.
    virtual bool resizeFrame() const { return true; }
    // Whether the program's start-up loads the plug-ins.
    virtual bool loadPlugins() const { return false; }

    CKalvexDoc* doc() const { return frame->document(); }
    // A new scene without the camera and lights.
    void emptyScene();
    // A default object of a type at a place, its size changed when one is given.
    CadObject* addObject(unsigned type, Point3d at, const Point3d* size = nullptr);
    // A default sphere at a and box at b added to the scene, nothing selected.
    std::pair<CadObject*, CadObject*> sphereAndBox(Point3d a, Point3d b);
    CKalvexView* openView(int kind);
    // The client point where a scene point is drawn in a view.
    QPoint at(CKalvexView* view, Point3d p) const;
    void click(CKalvexView* view, QPoint pos, Qt::KeyboardModifiers modifiers = {});
    void drag(CKalvexView* view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {});
    std::vector<std::string> selectedNames() const;
    // The centre and extent of an object's placed geometry.
    static Point3d centreOf(CadObject* obj);
    static Point3d extentOf(CadObject* obj);
    // Makes the renderer list the internal preview and a shell script whose
    // body is given, called through commandTemplate (by default as "<script>
    // <scene> <image> <width> <height>"), and selects it at 4 x 2.
    void useFakeRenderer(const std::string& body, const char* commandTemplate = "$O $I $W $H",
                         const char* frameOption = "");
    // The scene written for POV-Ray 3 as stem.pov in the test's folder, its
    // line ends as the text of a file read on this system.
    std::string exportedPov(const std::string& stem);
    // The texts of the message boxes shown so far.
    std::vector<std::string> messageTexts() const;

    std::unique_ptr<TempDir> dir;
    std::unique_ptr<kx::app::AppSession> session;
    std::unique_ptr<CMainFrame> frame;
    std::vector<ShownBox> boxes;
    int answer = 1;  // what the recorded boxes answer (KX_IDOK)
};

// An empty scene seen in a front view: where the mouse tests start.
class FrontViewTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
        front = openView(kx::app::kFront);
        ASSERT_NE(front, nullptr);
    }
    CKalvexView* front = nullptr;
};

}  // namespace kxtest

// Fixture of the window tests: a fresh core, a settings file and data folder
// of the test's own, the program's start-up, and its main window shown on the
// offscreen platform. Message boxes are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "document/kalvex_doc.h"
#include "mainframe/app_session.h"
#include "mainframe/main_frame.h"
#include "temp_dir.h"
#include "views/kalvex_view.h"

namespace kxtest {

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
    // Whether the program's start-up loads the plug-ins.
    virtual bool loadPlugins() const { return false; }

    CKalvexDoc* doc() const { return frame->document(); }
    // A new scene without the camera and lights.
    void emptyScene();
    // A default object of a type at a place, its size changed when one is given.
    CadObject* addObject(unsigned type, Point3d at, const Point3d* size = nullptr);
    CKalvexView* openView(int kind);
    // The client point where a scene point is drawn in a view.
    QPoint at(CKalvexView* view, Point3d p) const;
    void click(CKalvexView* view, QPoint pos, Qt::KeyboardModifiers modifiers = {});
    void drag(CKalvexView* view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {});
    std::vector<std::string> selectedNames() const;
    // The centre and extent of an object's placed geometry.
    static Point3d centreOf(CadObject* obj);
    static Point3d extentOf(CadObject* obj);
    // The texts of the message boxes shown so far.
    std::vector<std::string> messageTexts() const;

    std::unique_ptr<TempDir> dir;
    std::unique_ptr<kx::app::AppSession> session;
    std::unique_ptr<CMainFrame> frame;
    std::vector<ShownBox> boxes;
    int answer = 1;  // what the recorded boxes answer (KX_IDOK)
};

}  // namespace kxtest

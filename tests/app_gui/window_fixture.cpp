#include "window_fixture.h"

#include <QApplication>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core_state.h"
#include "kxcore.h"
#include "mainframe/qt_ui_table.h"
#include "model/scene_model.h"
#include "render/renderer_definitions.h"

namespace kxtest {

void WindowTest::SetUp() {
    kx::resetCoreForTests();
    dir = std::make_unique<TempDir>();
    const std::string config = dir->file("Kalvex.ini");
    std::ofstream(config) << "[Desktop]\nDisableSplash=1\nShowIso=1\nShowFront=1\nShowPlan=1\nShowSide=1\n"
                          << extraSettings();
    setenv("KALVEX_CONFIG", config.c_str(), 1);
    setenv("XDG_DATA_HOME", dir->file("data").c_str(), 1);
    kx::app::installQtUiTables();
    kx::app::setMessagePresenter([this](const QString& text, const QString& caption, unsigned style) {
        boxes.push_back({text, caption, style, QThread::currentThread() == qApp->thread()});
        return answer;
    });
    session = std::make_unique<kx::app::AppSession>(kx::app::SessionOptions{false, loadPlugins()});
    session->startup();
    frame = std::make_unique<CMainFrame>(*session);
    if (resizeFrame()) frame->resize(1200, 900);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
}

void WindowTest::TearDown() {
    if (frame) {
        frame->document()->setModified(false);
        frame->close();
        frame.reset();
    }
    if (session) session->shutdown();
    session.reset();
    kx::app::setMessagePresenter(nullptr);
    kx::app::removeQtUiTables();
    kx::resetCoreForTests();
    dir.reset();
}

void WindowTest::emptyScene() { doc()->newScene(false); }

CadObject* WindowTest::addObject(unsigned type, Point3d at, const Point3d* size) {
    CadObject* obj = nullptr;
    {
        // As the program's edits do: the preview may be drawing.
        kx::app::SceneModel::Transaction change;
        obj = CreateDefaultObjectEx(nullptr, type, &at);
        if (obj && size) {
            Point3d s = *size;
            SetCadObjectProperty(obj, KX_PROP_SIZE, &s);
            RebuildObjectEx(obj, 1);
        }
        SetObjectsUnSelected();
    }
    doc()->geometryChanged();
    return obj;
}

std::pair<CadObject*, CadObject*> WindowTest::sphereAndBox(Point3d a, Point3d b) {
    CadObject* sphere = addObject(KX_SPHERE, a);
    return {sphere, addObject(KX_BOX, b)};
}

CKalvexView* WindowTest::openView(int kind) {
    CKalvexView* view = frame->showView(kind, true);
    QApplication::processEvents();
    return view;
}

QPoint WindowTest::at(CKalvexView* view, Point3d p) const { return view->sceneToClient(p); }

std::string WindowTest::exportedPov(const std::string& stem) {
    EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir->file(stem + ".txt").c_str(), KX_FILETYPE_POVRAY3), 1);
    std::string text = dir->read(stem + ".pov");
    // The export ends its lines for the renderer's first platform.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

namespace {

// The keys held with the mouse are let go afterwards, as a hand would: the
// application keeps the modifiers of the last event it saw, and a later test
// clicking without them would otherwise still hold them.
void letGo(QWidget* view, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier) QTest::keyRelease(view, Qt::Key_Control, Qt::NoModifier);
    if (modifiers & Qt::ShiftModifier) QTest::keyRelease(view, Qt::Key_Shift, Qt::NoModifier);
    if (modifiers & Qt::AltModifier) QTest::keyRelease(view, Qt::Key_Alt, Qt::NoModifier);
}

}  // namespace

void WindowTest::click(CKalvexView* view, QPoint pos, Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(view, Qt::LeftButton, modifiers, pos);
    letGo(view, modifiers);
}

void WindowTest::drag(CKalvexView* view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
    QTest::mousePress(view, Qt::LeftButton, modifiers, from);
    // Several steps, as a hand would move.
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(view, from + (to - from) * i / 4);
    QTest::mouseRelease(view, Qt::LeftButton, modifiers, to);
    letGo(view, modifiers);
}

std::vector<std::string> WindowTest::selectedNames() const {
    std::vector<std::string> names;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next)
        if (obj->selected) names.emplace_back(obj->name);
    return names;
}

Point3d WindowTest::centreOf(CadObject* obj) {
    CentreInfo info{};
    Point3d centre{};
    if (GetSingleObjectCenterPoint(obj, &info, 1)) GetObjectPointInfo(&info, 0, &centre);
    return centre;
}

Point3d WindowTest::extentOf(CadObject* obj) {
    CentreInfo info{};
    if (!GetSingleObjectCenterPoint(obj, &info, 1)) return {};
    return Point3d{info.max.x - info.min.x, info.max.y - info.min.y, info.max.z - info.min.z};
}

std::vector<std::string> WindowTest::messageTexts() const {
    std::vector<std::string> texts;
    for (const ShownBox& b : boxes) texts.push_back(b.text.toStdString());
    return texts;
}

void WindowTest::useFakeRenderer(const std::string& body, const char* commandTemplate,
                                 const char* frameOption) {
    kx::app::RendererDefinition preview{};
    std::strcpy(preview.infoFile, "$INTERNAL");
    kx::app::RendererDefinition fake{};
    std::strcpy(fake.infoFile, "fake.inf");
    std::strcpy(fake.description, "Fake");
    std::snprintf(fake.commandTemplate, sizeof fake.commandTemplate, "%s", commandTemplate);
    std::snprintf(fake.frameOption, sizeof fake.frameOption, "%s", frameOption);
    fake.type = KX_FILETYPE_KALVEX;
    session->renderers().entries = {preview, fake};
    const std::string script = dir->file("fake renderer.sh");
    std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    kx::app::Settings& s = session->settings();
    s.render.type = 1;
    s.render.renderX = 4;
    s.render.renderY = 2;
    s.directories.render = script;
    s.directories.defaultDir = dir->path().string();
}

}  // namespace kxtest

// Rendering from the window: with fake renderers written as shell scripts,
// and with the real POV-Ray on the example scene.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QImage>
#include <QMdiSubWindow>
#include <QSignalSpy>

#include "pixmo.h"
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kxcore.h"
#include "pixmo.h"
#include "dialogs/directories_dialog.h"
#include "dialogs/render_settings_dialog.h"
#include "render/renderer_definitions.h"
#include "render_view/render_controller.h"
#include "render_view/render_output_panel.h"
#include "render_view/render_view.h"
#include "small_disk.h"
#include "window_fixture.h"

namespace {

class RenderWindowTest : public kxtest::WindowTest {
protected:
    // Waits for the end of the render; its (ok, cancelled, message).
    QList<QVariant> waitForRender(int seconds) {
        QSignalSpy spy(frame->renderer(), &RenderController::finished);
        if (!spy.wait(seconds * 1000)) return {};
        return spy.takeFirst();
    }
};

TEST_F(RenderWindowTest, FakeRendererImageOpensInTheRenderView) {
    useFakeRenderer(std::string("echo \"rendering $1\"; echo 'Rendered 4 of 8 pixels (50%)'; ") + kxtest::kRedTarga);
    addObject(KX_SPHERE, {0, 0, 0});
    ASSERT_TRUE(frame->render());
    EXPECT_TRUE(frame->renderer()->running());
    const QList<QVariant> end = waitForRender(20);
    ASSERT_FALSE(end.isEmpty());
    EXPECT_TRUE(end[0].toBool()) << end[2].toString().toStdString();
    EXPECT_FALSE(frame->renderer()->running());

    // A scene never saved renders in a folder of its own in the data folder,
    // never in the working folder.
    const std::string untitled = session->settings().directories.program + "/untitled/untitled.cad";
    EXPECT_TRUE(std::filesystem::exists(untitled));
    EXPECT_FALSE(std::filesystem::exists(dir->file("untitled.cad")));
    const QString output = frame->renderOutput()->text();
    EXPECT_TRUE(output.contains(QStringLiteral("rendering ") + QString::fromStdString(untitled)));
    EXPECT_FALSE(output.contains(QStringLiteral("(50%)")));  // progress goes to the bar
    EXPECT_EQ(frame->renderOutput()->progress(), 50);

    ASSERT_NE(frame->renderView(), nullptr);
    EXPECT_EQ(frame->renderWindow()->windowTitle(), QStringLiteral("Untitled :Rendered view"));
    QImage shown = frame->renderView()->grab().toImage();
    ASSERT_GE(shown.width(), 4);
    EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(255, 0, 0));
    // Saved as a Targa file it opens upright anywhere: the top-left origin bit.
    for (const char* name : {"saved.tga", "saved.TGA"}) {
        const std::string saved = dir->file(name);
        ASSERT_TRUE(frame->renderView()->saveShownImage(QString::fromStdString(saved)));
        std::ifstream in(saved, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 18u);
        EXPECT_EQ(bytes[17] & 0x20, 0x20) << name;
    }

    // Another picture read through the image library (a texture swatch) does
    // not change what the render view shows.
    const std::string swatch = dir->file("swatch.tga");
    std::string green("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\2\0\30\40", 18);
    for (int i = 0; i < 8; ++i) green += std::string("\0\377\0", 3);
    std::ofstream(swatch, std::ios::binary) << green;
    ASSERT_NE(pxDisplayImageEx(kx::app::AppSession::ownerWindow(), swatch.c_str(), 1), 0);
    frame->renderView()->update();
    shown = frame->renderView()->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(shown.pixel(3, 1)), QColor(255, 0, 0));
    EXPECT_TRUE(boxes.empty());
}

// An installed example lies where nobody may write: the render goes to a
// folder of the user's data folder, and the renderer runs beside the scene.
TEST_F(RenderWindowTest, ASceneInAFolderNobodyMayWriteRendersInTheDataFolder) {
    const kxtest::SmallDisk installed(dir->file("installed"), "size=1m");
    if (!installed.mounted()) GTEST_SKIP() << "a read-only folder needs root to mount";
    std::ofstream(dir->file("installed/ball.cad")) << "version 2.0\r\nSphere\r\n{\r\n\tName ball\r\n\tsize 1 1 1\r\n}\r\n";
    ASSERT_TRUE(installed.makeReadOnly());
    useFakeRenderer(std::string("echo \"in $(pwd)\"; echo \"rendering $1\"; ") + kxtest::kRedTarga);
    session->settings().directories.defaultDir.clear();
    ASSERT_TRUE(frame->openFile(QString::fromStdString(dir->file("installed/ball.cad"))));
    ASSERT_TRUE(frame->render());
    const QList<QVariant> end = waitForRender(20);
    ASSERT_FALSE(end.isEmpty());
    EXPECT_TRUE(end[0].toBool()) << end[2].toString().toStdString();
    const std::string renders = session->settings().directories.program + "/renders";
    const QString output = frame->renderOutput()->text();
    EXPECT_TRUE(output.contains(QString::fromStdString("rendering " + renders + "/ball"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromStdString("in " + dir->file("installed")))) << output.toStdString();
    EXPECT_TRUE(std::filesystem::exists(renders + "/ball.cad"));
}

// After New or Open the rendered view and the render log of the old scene go.
TEST_F(RenderWindowTest, AnotherSceneDropsTheOldPictureAndLog) {
    useFakeRenderer(std::string("echo 'old log line'; ") + kxtest::kRedTarga);
    addObject(KX_SPHERE, {0, 0, 0});
    ASSERT_TRUE(frame->render());
    const QList<QVariant> end = waitForRender(20);
    ASSERT_FALSE(end.isEmpty());
    ASSERT_NE(frame->renderView(), nullptr);
    doc()->setModified(false);
    doc()->newScene(true);
    QTRY_VERIFY_WITH_TIMEOUT(frame->renderView() == nullptr, 5000);
    EXPECT_FALSE(frame->renderOutput()->text().contains(QStringLiteral("old log line")));
}

TEST_F(RenderWindowTest, CancelEndsTheRenderAndTheWindowKeepsWorking) {
    // Like the real renderer: the image is written as it goes, and a state file.
    useFakeRenderer("printf partial > \"$2\"; printf state > \"${1%.cad}.pov-state\"; echo started; sleep 300");
    const std::string folder = session->settings().directories.program + "/untitled";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/untitled.tga") << "the previous image";
    ASSERT_TRUE(frame->render());
    // The window answers while the renderer runs.
    QTRY_VERIFY_WITH_TIMEOUT(frame->renderOutput()->text().contains(QStringLiteral("started")), 10000);
    EXPECT_FALSE(frame->render());  // one render at a time
    QSignalSpy spy(frame->renderer(), &RenderController::finished);
    frame->cancel();
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_FALSE(spy[0][0].toBool());
    EXPECT_TRUE(spy[0][1].toBool());
    EXPECT_EQ(frame->renderView(), nullptr);
    // The image the cancelled render would have replaced is still there, whole.
    std::ifstream previous(folder + "/untitled.tga");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(previous)), {}), "the previous image");
    EXPECT_FALSE(std::filesystem::exists(folder + "/untitled.pov-state"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/untitled.tga.kxprevious"));
}

TEST_F(RenderWindowTest, AFailedRenderIsShownOnTheUserInterfaceThread) {
    useFakeRenderer("echo 'Parse Error: no objects'; exit 3");
    ASSERT_TRUE(frame->render());
    const QList<QVariant> end = waitForRender(20);
    ASSERT_FALSE(end.isEmpty());
    EXPECT_FALSE(end[0].toBool());
    // The runner reported on its own thread; the box came queued.
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), size_t{1}, 5000);
    EXPECT_EQ(boxes[0].text.toStdString(), "Error rendering scene, command exit code 3\nParse Error: no objects\n");
    EXPECT_TRUE(boxes[0].onUiThread);
    EXPECT_EQ(frame->renderView(), nullptr);
}

TEST_F(RenderWindowTest, MessagesFromOtherThreadsWaitForTheUserInterfaceThread) {
    int result = 0;
    std::thread worker([&result] { result = kx::platform::messageBox(nullptr, "From elsewhere", "Kalvex", KX_MB_OK); });
    worker.join();
    EXPECT_EQ(result, KX_IDOK);
    EXPECT_TRUE(boxes.empty());  // not shown on the worker
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), size_t{1}, 5000);
    EXPECT_EQ(boxes[0].text, QStringLiteral("From elsewhere"));
    EXPECT_TRUE(boxes[0].onUiThread);
}

// With "Preview Only" chosen, Render opens Render Settings saying why; it
// renders once a renderer is chosen there, and does nothing when cancelled.
TEST_F(RenderWindowTest, PreviewOnlyAsksForARenderer) {
    useFakeRenderer(kxtest::kRedTarga);
    // Accepted settings reload the renderer definitions: the fake one is on disk.
    const std::string program = session->settings().directories.program;
    std::ofstream(program + "/KALVEX.INF") << "#begin render_info\nfake.inf\n#end\n";
    std::ofstream(program + "/fake.inf") << "#begin render_settings\nDescription \"Fake\"\nType "
                                         << KX_FILETYPE_KALVEX << "\nSetCommmand \"$O $I $W $H\"\n#end\n";
    addObject(KX_SPHERE, {0, 0, 0});
    for (bool choose : {false, true}) {
        SCOPED_TRACE(choose);
        session->settings().render.type = 0;
        QString reason;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<RenderSettingsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("reason"))) reason = label->text();
            if (!choose) return dialog->reject();
            dialog->findChild<QComboBox*>()->setCurrentIndex(1);
            dialog->accept();
        });
        EXPECT_EQ(frame->render(), choose);
        EXPECT_TRUE(reason.contains(QStringLiteral("Preview Only"))) << reason.toStdString();
        EXPECT_EQ(session->settings().render.type, choose ? 1 : 0);
        if (choose) {
            const QList<QVariant> end = waitForRender(20);
            ASSERT_FALSE(end.isEmpty());
            EXPECT_TRUE(end[0].toBool()) << end[2].toString().toStdString();
        }
    }
    EXPECT_TRUE(boxes.empty());
}

// A renderer that cannot be started fails once, and the output panel shows
// that failure instead of the end of the previous render.
TEST_F(RenderWindowTest, ARendererThatCannotStartIsShownInTheOutputPanel) {
    useFakeRenderer(std::string("echo 'Fake finished'; ") + kxtest::kRedTarga);
    addObject(KX_SPHERE, {0, 0, 0});
    ASSERT_TRUE(frame->render());
    ASSERT_FALSE(waitForRender(20).isEmpty());
    ASSERT_TRUE(frame->renderOutput()->text().contains(QStringLiteral("Fake finished")));
    const std::string missing = dir->file("no such renderer");
    session->settings().directories.render = missing;
    EXPECT_FALSE(frame->render());
    const QString panel = frame->renderOutput()->text();
    EXPECT_FALSE(panel.contains(QStringLiteral("Fake finished"))) << panel.toStdString();
    EXPECT_TRUE(panel.contains(QString::fromStdString(missing + ": No such file or directory"))) << panel.toStdString();
    ASSERT_EQ(boxes.size(), size_t{1});
    EXPECT_EQ(boxes[0].text.toStdString(), "Error 2 executing command\n" + missing +
                                               ": No such file or directory\nNo renderer is installed there: choose it "
                                               "under Render > Render Settings...");
}

TEST_F(RenderWindowTest, PovRayRendersTheExampleScene) {
    const std::string example = std::string(KALVEX_SOURCE_DIR) + "/examples/showcase.cad";
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "POV-Ray is not installed";
    if (!std::filesystem::exists(example)) GTEST_SKIP() << "no example scene";
    // The renderer shipped in the data folder: POV-Ray 3.7.
    ASSERT_GE(session->renderers().entries.size(), 2u);
    kx::app::Settings& s = session->settings();
    s.render.type = 1;
    session->reloadRenderers();  // the renderer's file names its program and include folder
    const QSize size(80, 60);
    s.render.renderX = size.width();
    s.render.renderY = size.height();
    s.directories.defaultDir = dir->path().string();
    std::filesystem::copy(std::string(KALVEX_SOURCE_DIR) + "/examples", dir->path(),
                          std::filesystem::copy_options::skip_existing | std::filesystem::copy_options::recursive);
    ASSERT_TRUE(frame->openFile(QString::fromStdString(dir->file("showcase.cad"))));
    ASSERT_TRUE(frame->render());
    const QList<QVariant> end = waitForRender(120);
    ASSERT_FALSE(end.isEmpty());
    ASSERT_TRUE(end[0].toBool()) << end[2].toString().toStdString() << "\n"
                                 << frame->renderOutput()->text().toStdString();
    ASSERT_NE(frame->renderView(), nullptr);
    EXPECT_EQ(frame->renderWindow()->windowTitle(), QStringLiteral("showcase.cad :Rendered view"));
    EXPECT_EQ(frame->renderOutput()->progress(), 100);
    // Not one flat colour: the objects are there.
    QImage shown = frame->renderView()->grab().toImage();
    ASSERT_EQ(shown.size(), size);
    QSet<QRgb> colours;
    for (int y = 0; y < shown.height(); y += 3)
        for (int x = 0; x < shown.width(); x += 3) colours.insert(shown.pixel(x, y));
    EXPECT_GT(colours.size(), 20);
}

}  // namespace

// Settings > Directories says at once when the renderer or viewer named
// there cannot be found, and keeps quiet for programs that exist.
TEST(DirectoriesDialogTest, AMissingProgramIsSaid) {
    struct Case {
        const char* program;
        bool warned;
    } cases[] = {{"", false}, {"/bin/sh", false}, {"sh", false},
                 {"/no/such/povray", true}, {"no-such-renderer-here", true}, {"/etc/passwd", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        kx::app::DirectorySettings values;
        values.render = c.program;
        values.viewer = c.program;
        DirectoriesDialog dialog(values);
        for (const char* key : {"renderWarning", "viewerWarning"}) {
            auto* warning = dialog.findChild<QLabel*>(QString::fromLatin1(key));
            ASSERT_NE(warning, nullptr);
            EXPECT_EQ(!warning->text().isEmpty(), c.warned) << key;
        }
        // Typing a correct name clears the warning.
        dialog.findChild<QLineEdit*>(QStringLiteral("render"))->setText(QStringLiteral("/bin/sh"));
        EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("renderWarning"))->text().isEmpty());
    }
}

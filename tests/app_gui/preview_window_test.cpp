// View > Shaded Preview turns the perspective view into the shaded picture.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <fstream>
#include <string>

#include <QCheckBox>
#include <QRadioButton>

#include "dialogs/view_settings_dialog.h"
#include "kxcore.h"
#include "preview/preview_presenter.h"
#include "window_fixture.h"

namespace {

class PreviewWindowTest : public kxtest::WindowTest {
protected:
    // Lets the event loop run until the condition holds or 10 s passed.
    template <class F>
    bool waitFor(F done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 10000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return done();
    }
    static int litPixels(const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) != 0;
        return n;
    }
};

TEST_F(PreviewWindowTest, TurningThePreviewOnShowsTheShadedScene) {
    addObject(KX_SPHERE, {0, 0, 0});
    CKalvexView* view = openView(0);
    ASSERT_NE(view, nullptr);
    QAction* toggle = frame->action("viewShadedPreview");
    ASSERT_NE(toggle, nullptr);
    if (toggle->isChecked()) toggle->trigger();
    EXPECT_FALSE(frame->previewRunning());
    EXPECT_FALSE(view->previewMode());

    toggle->trigger();
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(frame->previewRunning());
    ASSERT_TRUE(waitFor([&] { return !view->previewImage().isNull(); }));
    EXPECT_GT(litPixels(view->grab().toImage()), 50);

    // A change the document reports draws again.
    const int shown = frame->previewPresenter()->shownFrames();
    addObject(KX_BOX, {2, 0, 0});
    EXPECT_TRUE(waitFor([&] { return frame->previewPresenter()->shownFrames() > shown; }));

    toggle->trigger();
    EXPECT_FALSE(frame->previewRunning());
    EXPECT_FALSE(view->previewMode());
    // Closing the view with the preview on ends the preview too.
    toggle->trigger();
    EXPECT_TRUE(frame->previewRunning());
    frame->showView(0, false);
    EXPECT_TRUE(waitFor([&] { return !frame->previewRunning(); }));
}

// A sphere in front of the camera is round in the shaded Perspective view,
// in a new scene as after opening one whose camera has a right vector of
// length 1.33.
TEST_F(PreviewWindowTest, ASphereIsRoundInTheShadedView) {
    auto roundness = [&](const char* when) {
        SCOPED_TRACE(when);
        CKalvexView* view = openView(0);
        if (!view) return;
        QAction* toggle = frame->action("viewShadedPreview");
        if (!toggle) return;
        if (!toggle->isChecked()) toggle->trigger();
        if (!waitFor([&] { return !view->previewImage().isNull(); })) return ADD_FAILURE() << "no picture";
        // Let any change still on its way be drawn.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QImage image = view->previewImage();
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                    bottom = std::max(bottom, y);
        ASSERT_GT(right - left, 10);
        const double across = right - left + 1, down = bottom - top + 1;
        EXPECT_NEAR(across / down, 1.0, 0.03) << across << " x " << down;
        toggle->trigger();
    };
    addObject(KX_SPHERE, {0, 0, 0});
    roundness("new scene");

    const std::string path = dir->file("ball.cad");
    std::ofstream(path) << "version 2.0\nCamera\n{\tName _camera0\n\tPosition 0 3 -10\n\tLookAt 0 0 0\n"
                           "\tUp 0 1 0\n\tRight -1.33 0 1\n}\nSphere\n{\n\tName ball\n\tsize 2 2 2\n"
                           "\tscale 1 1 1\n}\n";
    emptyScene();
    ASSERT_TRUE(frame->openFile(QString::fromStdString(path)));
    roundness("opened scene");
}

TEST_F(PreviewWindowTest, ViewSettingsOfferWhatTheLibraryCanDraw) {
    kx::app::Settings s;
    s.desktop.enableGL = 1;
    s.desktop.previewRender = 1;
    s.desktop.autoRedraw = 1;
    ViewSettingsDialog dialog(s);
    auto* toggle = dialog.findChild<QCheckBox*>(QStringLiteral("enablePreview"));
    auto* textured = dialog.findChild<QRadioButton*>(QStringLiteral("texturedShading"));
    ASSERT_NE(toggle, nullptr);
    ASSERT_NE(textured, nullptr);
    EXPECT_EQ(toggle->text(), QStringLiteral("Enable &Shaded Preview"));
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(textured->isHidden());
    EXPECT_FALSE(textured->isChecked());
    textured->setChecked(true);
    toggle->setChecked(false);
    dialog.apply(s);
    EXPECT_EQ(s.desktop.previewRender, 2);
    EXPECT_EQ(s.desktop.enableGL, 0);
    EXPECT_EQ(s.desktop.autoRedraw, 1);
}

}  // namespace

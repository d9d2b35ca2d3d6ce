// View > Shaded Preview turns the perspective view into the shaded picture.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

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

// View > Shaded Preview turns the perspective view into the shaded picture.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

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

}  // namespace

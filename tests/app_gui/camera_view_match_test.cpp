// The perspective view shows what the renderer renders: the outline of a
// small scene drawn in the view covers the same pixels as the objects in
// POV-Ray's picture of the exported scene, both at 160x120.
#include <QApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QTest>
#include <filesystem>
#include <vector>

#include "kxcore.h"
#include "kxplatform/process.h"
#include "settings/settings.h"
#include "views/bgr_colour.h"
#include "window_fixture.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

using Mask = std::vector<bool>;

// The pixels inside the drawn outlines: everything the background cannot be
// reached from the border through.
Mask filledOutline(const QImage& picture, const QColor& background) {
    const int w = picture.width(), h = picture.height();
    Mask outside(static_cast<size_t>(w) * h, false);
    std::vector<QPoint> todo;
    auto visit = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        const size_t i = static_cast<size_t>(y) * w + x;
        if (outside[i] || QColor(picture.pixel(x, y)) != background) return;
        outside[i] = true;
        todo.emplace_back(x, y);
    };
    for (int x = 0; x < w; ++x) {
        visit(x, 0);
        visit(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        visit(0, y);
        visit(w - 1, y);
    }
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        visit(p.x() + 1, p.y());
        visit(p.x() - 1, p.y());
        visit(p.x(), p.y() + 1);
        visit(p.x(), p.y() - 1);
    }
    Mask inside(outside.size());
    for (size_t i = 0; i < outside.size(); ++i) inside[i] = !outside[i];
    return inside;
}

// The lit pixels of a render on black.
Mask litPixels(const QImage& picture) {
    Mask lit(static_cast<size_t>(picture.width()) * picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) lit[static_cast<size_t>(y) * picture.width() + x] = qGray(picture.pixel(x, y)) > 6;
    return lit;
}

class CameraViewMatchTest : public kxtest::WindowTest {};

TEST_F(CameraViewMatchTest, TheViewsOutlineMatchesTheRenderedPicture) {
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    emptyScene();
    frame->setShadedPreview(false);
    kx::app::Settings& s = session->settings();
    s.render.renderX = kWidth;
    s.render.renderY = kHeight;
    // Off the middle, at different depths, one partly out of the picture; the
    // camera raised and aimed beside the origin.
    const Point3d big{2.4f, 1.2f, 1.6f};
    const Point3d ball{1.4f, 1.4f, 1.4f};
    addObject(KX_SPHERE, {2.2f, 0.6f, -1.5f}, &ball);
    addObject(KX_BOX, {-2.5f, -0.5f, 1.0f}, &big);
    addObject(KX_CYLINDER, {5.5f, -1.0f, 2.0f});
    CameraInfo camera = *GetActiveCamera();
    camera.location = Point3d{2.0f, 3.5f, 6.5f};
    camera.lookAt = Point3d{0.8f, 0.2f, 0.0f};
    ASSERT_TRUE(doc()->changeCamera(camera, QStringLiteral("Camera")));
    // The 3D cursor behind the camera, out of the picture.
    doc()->mouseEditor().cursor = Point3d{4, 7, 13};

    CKalvexView* view = frame->view(kx::app::kPerspective);
    ASSERT_NE(view, nullptr);
    QWidget* sub = view->parentWidget();
    sub->resize(sub->size() + QSize(kWidth, kHeight) - view->size());
    QApplication::processEvents();
    ASSERT_EQ(view->size(), QSize(kWidth, kHeight));
    const QImage drawn = view->grab().toImage();
    const QColor background = kx::app::bgrToColour(s.scheme.colours[kx::app::ColourScheme::Background]);
    const Mask outline = filledOutline(drawn, background);

    const std::string pov = dir->file("scene.pov");
    ASSERT_TRUE(doc()->save(QString::fromStdString(pov), KX_FILETYPE_POVRAY3));
    kx::platform::CommandRunner povray;
    ASSERT_TRUE(povray.start({"/usr/bin/povray", "-D", "+FN", "-A", "+W160", "+H120", "+Iscene.pov", "+Oscene.png"},
                             dir->path().string(), true, {}));
    ASSERT_EQ(povray.wait().exitCode, 0) << povray.output();
    QImage rendered(QString::fromStdString(dir->file("scene.png")));
    ASSERT_EQ(rendered.size(), QSize(kWidth, kHeight));
    const Mask lit = litPixels(rendered);

    int agree = 0, both = 0, either = 0;
    for (size_t i = 0; i < lit.size(); ++i) {
        agree += lit[i] == outline[i];
        both += lit[i] && outline[i];
        either += lit[i] || outline[i];
    }
    // The objects cover a fair part of the picture, so that agreeing is not just the background.
    EXPECT_GT(either, kWidth * kHeight / 10);
    EXPECT_GE(agree, 0.95 * kWidth * kHeight);
    EXPECT_GE(both, 0.85 * either);
}

}  // namespace

// The perspective view shows what the renderer renders: the outline of a
// small scene drawn in the view covers the same pixels as the objects in
// POV-Ray's picture of the exported scene, both at 160x120.
#include <QApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "every_kind_battery.h"
#include "kxcore.h"
#include "kxplatform/process.h"
#include "model/scene_model.h"
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

// The lit pixels of a render on black: any channel above 8, so that the
// shadowed side of a blue object counts too.
Mask litPixels(const QImage& picture) {
    Mask lit(static_cast<size_t>(picture.width()) * picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            lit[static_cast<size_t>(y) * picture.width() + x] = std::max({qRed(p), qGreen(p), qBlue(p)}) > 8;
        }
    return lit;
}


struct Agreement {
    int agree = 0, both = 0, either = 0;
    int apart = 0;  // pixels of either with no pixel of the other within one
};

class CameraViewMatchTest : public kxtest::WindowTest {
protected:
    // The perspective view's outline of the scene against POV-Ray's picture
    // of it, both at 160x120, the camera raised and aimed beside the origin.
    Agreement outlineAgainstRender() {
        CameraInfo camera = *GetActiveCamera();
        camera.location = Point3d{2.0f, 3.5f, 6.5f};
        camera.lookAt = Point3d{0.8f, 0.2f, 0.0f};
        EXPECT_TRUE(doc()->changeCamera(camera, QStringLiteral("Camera")));
        return outlineAgainstRenderOfCamera();
    }

    // The same, seen by the scene's own camera.
    Agreement outlineAgainstRenderOfCamera() {
        frame->setShadedPreview(false);
        kx::app::Settings& s = session->settings();
        s.render.renderX = kWidth;
        s.render.renderY = kHeight;
        // The 3D cursor behind the camera, out of the picture.
        const CameraInfo* camera = GetActiveCamera();
        const Point3d& eye = camera->location;
        const Point3d& at = camera->lookAt;
        doc()->mouseEditor().cursor = Point3d{2 * eye.x - at.x, 2 * eye.y - at.y, 2 * eye.z - at.z};

        CKalvexView* view = frame->view(kx::app::kPerspective);
        if (!view) {
            ADD_FAILURE() << "no perspective view";
            return {};
        }
        QWidget* sub = view->parentWidget();
        sub->resize(sub->size() + QSize(kWidth, kHeight) - view->size());
        QApplication::processEvents();
        EXPECT_EQ(view->size(), QSize(kWidth, kHeight));
        const QImage drawn = view->grab().toImage();
        const QColor background = kx::app::bgrToColour(s.scheme.colours[kx::app::ColourScheme::Background]);
        const Mask outline = filledOutline(drawn, background);

        // Written for POV-Ray 3, as a render from the window writes it (a
        // ".pov" saved from the File menu is the file table's POV-Ray 2).
        EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir->file("scene.txt").c_str(), KX_FILETYPE_POVRAY3), 1);
        kx::platform::CommandRunner povray;
        EXPECT_TRUE(povray.start({"/usr/bin/povray", "-D", "+FN", "-A", "+W160", "+H120", "+Iscene.pov",
                                  "+Oscene.png"},
                                 dir->path().string(), true, {}));
        EXPECT_EQ(povray.wait().exitCode, 0) << povray.output();
        QImage rendered(QString::fromStdString(dir->file("scene.png")));
        if (rendered.size() != QSize(kWidth, kHeight) || outline.size() != static_cast<size_t>(kWidth * kHeight)) {
            ADD_FAILURE() << "pictures of other sizes";
            return {};
        }
        const Mask lit = litPixels(rendered);
        Agreement a;
        // Whether a mask holds a pixel within one of (x, y): a line one pixel
        // wide straddles the edge it draws.
        auto near = [](const Mask& m, int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < kWidth && ny < kHeight && m[static_cast<size_t>(ny) * kWidth + nx])
                        return true;
                }
            return false;
        };
        for (size_t i = 0; i < lit.size(); ++i) {
            a.agree += lit[i] == outline[i];
            a.both += lit[i] && outline[i];
            a.either += lit[i] || outline[i];
            const int x = static_cast<int>(i % kWidth), y = static_cast<int>(i / kWidth);
            a.apart += (outline[i] && !near(lit, x, y)) || (lit[i] && !near(outline, x, y));
        }
        return a;
    }
};

TEST_F(CameraViewMatchTest, TheViewsOutlineMatchesTheRenderedPicture) {
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    // Off the middle, at different depths, one partly out of the picture.
    emptyScene();
    const Point3d big{2.4f, 1.2f, 1.6f};
    const Point3d ball{1.4f, 1.4f, 1.4f};
    addObject(KX_SPHERE, {2.2f, 0.6f, -1.5f}, &ball);
    addObject(KX_BOX, {-2.5f, -0.5f, 1.0f}, &big);
    addObject(KX_CYLINDER, {5.5f, -1.0f, 2.0f});
    const Agreement a = outlineAgainstRender();
    // The objects cover a fair part of the picture, so that agreeing is not just the background.
    EXPECT_GT(a.either, kWidth * kHeight / 10);
    EXPECT_GE(a.agree, 0.95 * kWidth * kHeight);
    EXPECT_GE(a.both, 0.85 * a.either);
}

// A blob, a height field of any size, a cylinder, a cone and a disc, each
// alone and turned: the outline and the render cover the same pixels. (A
// patch's views show its control net, which the surface lies within.)
TEST_F(CameraViewMatchTest, ATurnedBlobHeightFieldCylinderConeAndDiscMatchTheirRender) {
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    {
        std::string pgm = "P5\n16 16\n255\n";
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) pgm += static_cast<char>(std::max(0, 255 - 20 * (std::abs(x - 6) + std::abs(y - 9))));
        std::ofstream(dir->file("hill.pgm"), std::ios::binary) << pgm;
    }
    struct Case {
        const char* name;
        unsigned type;
        std::function<void(CadObject*)> set;
    } cases[] = {
        {"blob with a surface", KX_BLOB, [](CadObject* o) { o->extraPoint = {0.5f, 1, 1}; }},
        {"height field at its size", KX_HEIGHTFIELD,
         [this](CadObject* o) {
             SetCadObjectProperty(o, KX_PROP_HEIGHTFIELDFILE, dir->file("hill.pgm").c_str());
             Point3d size{4, 1.5f, 3};
             SetCadObjectProperty(o, KX_PROP_SIZE, &size);
         }},
        {"cylinder, turned", KX_CYLINDER, [](CadObject* o) { o->rotate = {20, 30, 10}; }},
        {"cone, turned", KX_CONE,
         [](CadObject* o) {
             o->extraPoint.x = 0.4f;
             o->rotate = {-25, 40, 15};
         }},
        {"disc, tilted", KX_DISC,
         [](CadObject* o) {
             o->size = {1.5f, 0, 1.5f};
             o->rotate = {30, 0, 20};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emptyScene();
        CadObject* o = addObject(c.type, {0.5f, 0, 0});
        {
            kx::app::SceneModel::Transaction change;
            c.set(o);
            RebuildObjectEx(o, 1);
        }
        doc()->geometryChanged();
        const Agreement a = outlineAgainstRender();
        EXPECT_GT(a.either, 200);
        EXPECT_GE(a.both, 0.85 * a.either) << a.both << " of " << a.either;
    }
}

// Every kind of the preview's battery, turned and off the centre, seen by
// its three cameras: the wireframe Perspective view's outline covers the
// pixels the renderer draws.
class WireframeAgainstRender : public CameraViewMatchTest, public testing::WithParamInterface<int> {};

// What of a kind the views draw otherwise than the renderer, and how much
// of the pictures must agree for it.
struct WireAllowance {
    double least = 0.9;      // of the pixels of either picture, those the other has within a pixel
    const char* skipped = nullptr;
};

WireAllowance wireAllowance(const kxtest::Kind& kind) {
    const std::string block = kind.block, fields = kind.fields;
    if (block == "Plane") return {0, "the views draw a square of the plane's size; the renderer's plane has no end"};
    if (block == "Patch") return {0, "the views draw the control net, which the surface lies within"};
    if (block == "Group") return {0, "the views draw every member of a group whole, the parts it takes away too"};
    // The outline is filled from the picture's edge: a hole seen through it counts as covered.
    if (block == "Torus" || fields.find("f_torus") != std::string::npos) return {0.8, nullptr};
    return {};
}

TEST_P(WireframeAgainstRender, TheOutlineCoversThePixelsTheRendererDraws) {
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    const kxtest::Kind& kind = kxtest::kKinds[GetParam()];
    const WireAllowance allowance = wireAllowance(kind);
    if (allowance.skipped) GTEST_SKIP() << allowance.skipped;
    std::ofstream(dir->file("hill.pgm"), std::ios::binary) << kxtest::hillImage();
    for (const kxtest::Camera& camera : kxtest::kCameras)
        for (const char* placement : kxtest::kPlacements) {
            SCOPED_TRACE(testing::Message() << kind.block << " seen from " << camera.name << " placed " << placement);
            const std::string path = dir->file("one.cad");
            std::ofstream(path) << kxtest::batteryScene(kind, camera, placement);
            ASSERT_TRUE(doc()->open(QString::fromStdString(path)));
            const Agreement a = outlineAgainstRenderOfCamera();
            if (kind.empty) continue;  // what the views mark of a blob without a surface is their own
            EXPECT_GT(a.either, 20);
            EXPECT_LE(a.apart, (1 - allowance.least) * a.either) << a.apart << " of " << a.either;
        }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, WireframeAgainstRender,
                         testing::Range(0, static_cast<int>(std::size(kxtest::kKinds))),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(kxtest::kKinds[info.param].block) + std::to_string(info.param);
                         });

}  // namespace

// The perspective view's camera maths, the flat views' zoom, fit and grid,
// and the window's first-start layout: all without a display.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core_fixture.h"
#include "kxcore.h"
#include "views/camera_navigation.h"
#include "views/camera_view.h"
#include "views/flat_navigation.h"
#include "views/view_layout.h"

namespace {

using kx::app::FrameRect;

constexpr double kPi = std::numbers::pi;
const FrameRect kFrame{0, 0, 160, 120};

// A camera as the exporter writes it: right (x: length and handedness, z: the
// direction's length), up, location and look-at point.
CameraInfo camera(Point3d location, Point3d lookAt, float right = -1.33f, float direction = 1.0f,
                  Point3d up = {0, 1, 0}) {
    CameraInfo c{};
    c.location = location;
    c.lookAt = lookAt;
    c.up = up;
    c.rightDir = Point3d{right, 0, direction};
    c.width = 160;
    c.height = 120;
    return c;
}

double distance(const Point3d& a, const Point3d& b) {
    return std::sqrt(double(a.x - b.x) * (a.x - b.x) + double(a.y - b.y) * (a.y - b.y) + double(a.z - b.z) * (a.z - b.z));
}

// The renderer's ray through a picture point, written out the way the
// renderer documents its camera: look_at turns direction towards the target,
// right becomes sky x direction (flipped for a left-handed set of vectors) and
// up direction x right; the ray is direction + x*right + y*up.
struct Ray {
    double dir[3];
};
Ray rendererRay(const CameraInfo& c, double fx, double fy) {
    auto cross = [](const double a[3], const double b[3], double out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    auto unit = [](double v[3]) {
        const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) v[i] /= l;
    };
    const double upGiven[3] = {c.up.x, c.up.y, c.up.z};
    const double right0[3] = {c.rightDir.x, 0, 0}, dir0[3] = {0, 0, c.rightDir.z};
    double t[3];
    cross(upGiven, dir0, t);
    const double handed = t[0] * right0[0] + t[1] * right0[1] + t[2] * right0[2];
    double d[3] = {c.lookAt.x - c.location.x, c.lookAt.y - c.location.y, c.lookAt.z - c.location.z};
    unit(d);
    const double sky[3] = {0, 1, 0};
    double r[3], u[3];
    cross(sky, d, r);
    unit(r);
    cross(d, r, u);
    const double rl = std::fabs(c.rightDir.x) * (handed > 0 ? 1 : -1);
    const double ul = std::sqrt(upGiven[0] * upGiven[0] + upGiven[1] * upGiven[1] + upGiven[2] * upGiven[2]);
    Ray ray;
    for (int i = 0; i < 3; ++i) ray.dir[i] = d[i] * c.rightDir.z + fx * r[i] * rl + fy * u[i] * ul;
    return ray;
}

// A scene point drawn at a picture pixel lies on the renderer's ray through
// that pixel: the angle between the ray and the line from the eye is nil.
TEST(CameraViewTest, PointsLandWhereTheRenderersRaysMeetThem) {
    struct Case {
        const char* name;
        CameraInfo cam;
    };
    const Case cases[] = {
        {"default, right-handed", camera({0, 4, 20}, {0, 0, 0})},
        {"left-handed", camera({0, 4, -20}, {0, 0, 0}, 1.33f)},
        {"raised and off the origin", camera({3, 12, 9}, {2, 1, -1})},
        {"from below, long lens", camera({-6, -5, 4}, {1, 1, 1}, -1.33f, 2.5f)},
        {"wide and squat up vector", camera({5, 1, 5}, {0, 0.5f, 0}, -2.0f, 1.0f, {0, 0.75f, 0})},
        {"looking along x", camera({-10, 0, 0}, {0, 0, 0})},
    };
    const Point3d points[] = {{0, 0, 0}, {1, 2, -1}, {-2, 0.5f, 1.5f}, {0.3f, -1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Point3d& p : points) {
            const auto at = kx::app::projectToFrame(c.cam, kFrame, p.x, p.y, p.z);
            ASSERT_TRUE(at.has_value());
            const Ray ray = rendererRay(c.cam, at->x / kFrame.width - 0.5, 0.5 - at->y / kFrame.height);
            const double to[3] = {p.x - c.cam.location.x, p.y - c.cam.location.y, p.z - c.cam.location.z};
            const double dot = ray.dir[0] * to[0] + ray.dir[1] * to[1] + ray.dir[2] * to[2];
            const double lr = std::sqrt(ray.dir[0] * ray.dir[0] + ray.dir[1] * ray.dir[1] + ray.dir[2] * ray.dir[2]);
            const double lt = std::sqrt(to[0] * to[0] + to[1] * to[1] + to[2] * to[2]);
            EXPECT_NEAR(dot / (lr * lt), 1.0, 1e-9) << p.x << "," << p.y << "," << p.z;
        }
        // The look-at point is the middle of the picture, wherever the camera is.
        const auto middle = kx::app::projectToFrame(c.cam, kFrame, c.cam.lookAt.x, c.cam.lookAt.y, c.cam.lookAt.z);
        ASSERT_TRUE(middle.has_value());
        EXPECT_NEAR(middle->x, 80, 1e-6);
        EXPECT_NEAR(middle->y, 60, 1e-6);
    }
}

TEST(CameraViewTest, KnownPixelsAndWhatIsNotShown) {
    const CameraInfo right = camera({0, 0, 10}, {0, 0, 0});
    const CameraInfo left = camera({0, 0, 10}, {0, 0, 0}, 1.33f);
    const CameraInfo longLens = camera({0, 0, 10}, {0, 0, 0}, -1.33f, 2.0f);
    struct Case {
        const char* name;
        const CameraInfo* cam;
        Point3d p;
        bool shown;
        double x, y;
    };
    const double across = 160 / 1.33 / 10;  // pixels per unit at the origin's depth
    const Case cases[] = {
        {"x to the right", &right, {1, 0, 0}, true, 80 + across, 60},
        {"y up", &right, {0, 1, 0}, true, 80, 60 - 120.0 / 10},
        {"left-handed x to the left", &left, {1, 0, 0}, true, 80 - across, 60},
        {"longer direction magnifies", &longLens, {1, 0, 0}, true, 80 + 2 * across, 60},
        {"behind the eye", &right, {0, 0, 11}, false, 0, 0},
        {"on the eye plane", &right, {3, 0, 10}, false, 0, 0},
        {"nearer than the near limit", &right, {0, 0, 10 - kx::app::kNearDistance / 2}, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto at = kx::app::projectToFrame(*c.cam, kFrame, c.p.x, c.p.y, c.p.z);
        ASSERT_EQ(at.has_value(), c.shown);
        if (!c.shown) continue;
        EXPECT_NEAR(at->x, c.x, 1e-3);
        EXPECT_NEAR(at->y, c.y, 1e-3);
    }
    // A camera whose eye is its target, or which looks straight along the sky, shows nothing.
    EXPECT_FALSE(kx::app::projectToFrame(camera({1, 1, 1}, {1, 1, 1}), kFrame, 0, 0, 0));
    EXPECT_FALSE(kx::app::projectToFrame(camera({0, 10, 0}, {0, 0, 0}), kFrame, 0, 0, 0));
}

TEST(CameraViewTest, ThePictureFitsTheViewAtItsAspect) {
    struct Case {
        double w, h, aspect;
        FrameRect expected;
    };
    const Case cases[] = {
        {160, 120, 4.0 / 3.0, {0, 0, 160, 120}},
        {200, 120, 4.0 / 3.0, {20, 0, 160, 120}},
        {160, 200, 4.0 / 3.0, {0, 40, 160, 120}},
        {300, 100, 1.0, {100, 0, 100, 100}},
        {160, 120, 0.0, {0, 0, 160, 120}},
        {160, 120, std::nan(""), {0, 0, 160, 120}},
        {0, 120, 1.0, {0, 0, 0, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.aspect);
        const FrameRect r = kx::app::fitFrame(c.w, c.h, c.aspect);
        EXPECT_DOUBLE_EQ(r.left, c.expected.left);
        EXPECT_DOUBLE_EQ(r.top, c.expected.top);
        EXPECT_DOUBLE_EQ(r.width, c.expected.width);
        EXPECT_DOUBLE_EQ(r.height, c.expected.height);
    }
    CameraInfo c = camera({0, 0, 1}, {0, 0, 0});
    EXPECT_DOUBLE_EQ(kx::app::pictureAspect(c, 640, 480), 640.0 / 480);
    EXPECT_DOUBLE_EQ(kx::app::pictureAspect(c, 0, 480), 160.0 / 120);  // the camera's own size
    c.width = 0;
    EXPECT_DOUBLE_EQ(kx::app::pictureAspect(c, -1, 0), 4.0 / 3.0);
}

TEST(CameraNavigationTest, OrbitCirclesTheLookAtPoint) {
    struct Case {
        const char* name;
        CameraInfo cam;
        double turn, tilt;
        Point3d expected;
    };
    const Point3d t{1, 2, 3};
    const Case cases[] = {
        // Right-handed: the picture's right is +x, so the eye goes towards -x.
        {"turn right-handed", camera({0, 0, 10}, {0, 0, 0}), kPi / 2, 0, {-10, 0, 0}},
        {"turn left-handed", camera({0, 0, 10}, {0, 0, 0}, 1.33f), kPi / 2, 0, {10, 0, 0}},
        {"turn back", camera({0, 0, 10}, {0, 0, 0}), -kPi / 2, 0, {10, 0, 0}},
        {"tilt up", camera({0, 0, 10}, {0, 0, 0}), 0, kPi / 6, {0, 5, 8.660254f}},
        {"about a target off the origin", camera({1, 2, 13}, t), kPi, 0, {1, 2, -7}},
        {"tilt stops short of the sky", camera({0, 0, 10}, {0, 0, 0}), 0, kPi,
         {0, static_cast<float>(10 * std::sin(kx::app::kMaxElevationDegrees * kPi / 180)),
          static_cast<float>(10 * std::cos(kx::app::kMaxElevationDegrees * kPi / 180))}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CameraInfo out = kx::app::orbitCamera(c.cam, c.turn, c.tilt);
        EXPECT_NEAR(out.location.x, c.expected.x, 1e-4);
        EXPECT_NEAR(out.location.y, c.expected.y, 1e-4);
        EXPECT_NEAR(out.location.z, c.expected.z, 1e-4);
        EXPECT_NEAR(distance(out.location, out.lookAt), distance(c.cam.location, c.cam.lookAt), 1e-4);
        EXPECT_EQ(out.lookAt.x, c.cam.lookAt.x);
        EXPECT_EQ(out.lookAt.y, c.cam.lookAt.y);
        EXPECT_EQ(out.lookAt.z, c.cam.lookAt.z);
        EXPECT_EQ(out.rightDir.x, c.cam.rightDir.x);
    }
    // A camera on its own target, or a turn that is no number, stays.
    const CameraInfo still = camera({1, 1, 1}, {1, 1, 1});
    EXPECT_EQ(kx::app::orbitCamera(still, 1, 1).location.x, 1.0f);
    EXPECT_EQ(kx::app::orbitCamera(camera({0, 0, 10}, {0, 0, 0}), std::nan(""), 0).location.z, 10.0f);
}

// After a pan the look-at point of before lies where the pointer moved it;
// after a zoom the point under the pointer is still under it, closer.
TEST(CameraNavigationTest, PanAndZoomKeepWhatIsUnderThePointer) {
    const CameraInfo start = camera({2, 6, 12}, {1, 1, -1});
    struct Case {
        const char* name;
        CameraInfo cam;
        double fx, fy;  // where the pointer is (pan: by how much it moved)
    };
    const Case cases[] = {
        {"right-handed", start, 0.2, -0.1},
        {"left-handed", camera({2, 6, -12}, {1, 1, -1}, 1.33f), -0.3, 0.25},
        {"long lens", camera({0, 0, 10}, {0, 0, 0}, -1.33f, 3.0f), 0.4, 0.4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CameraInfo panned = kx::app::panCamera(c.cam, c.fx, c.fy);
        const auto was = kx::app::projectToFrame(panned, kFrame, c.cam.lookAt.x, c.cam.lookAt.y, c.cam.lookAt.z);
        ASSERT_TRUE(was.has_value());
        EXPECT_NEAR(was->x, 80 + c.fx * 160, 1e-3);
        EXPECT_NEAR(was->y, 60 - c.fy * 120, 1e-3);
        EXPECT_NEAR(distance(panned.location, panned.lookAt), distance(c.cam.location, c.cam.lookAt), 1e-4);

        // The scene point under the pointer, at the look-at distance: the pan the
        // other way brings the look-at point there.
        const CameraInfo zoomed = kx::app::zoomCamera(c.cam, 2.0, c.fx, c.fy);
        EXPECT_NEAR(distance(zoomed.location, zoomed.lookAt), distance(c.cam.location, c.cam.lookAt) / 2, 1e-4);
        const Point3d under = kx::app::panCamera(c.cam, -c.fx, -c.fy).lookAt;
        const auto before = kx::app::projectToFrame(c.cam, kFrame, under.x, under.y, under.z);
        const auto after = kx::app::projectToFrame(zoomed, kFrame, under.x, under.y, under.z);
        ASSERT_TRUE(before && after);
        EXPECT_NEAR(before->x, 80 + c.fx * 160, 1e-3);
        EXPECT_NEAR(after->x, before->x, 1e-3);
        EXPECT_NEAR(after->y, before->y, 1e-3);
    }
    // Zooming without end stops at the limits.
    const CameraInfo near = kx::app::zoomCamera(start, 1e30, 0, 0);
    EXPECT_NEAR(distance(near.location, near.lookAt), kx::app::kMinCameraDistance, 1e-5);
    const CameraInfo far = kx::app::zoomCamera(start, 1e-30, 0, 0);
    EXPECT_NEAR(distance(far.location, far.lookAt) / kx::app::kMaxCameraDistance, 1.0, 1e-3);
    EXPECT_EQ(kx::app::zoomCamera(start, 0, 0, 0).location.z, start.location.z);
    EXPECT_EQ(kx::app::zoomCamera(start, -2, 0, 0).location.z, start.location.z);
}

TEST(CameraNavigationTest, FitShowsTheWholeBoxFromTheSameSide) {
    struct Case {
        const char* name;
        CameraInfo cam;
        Point3d lo, hi;
    };
    const Case cases[] = {
        {"far away", camera({0, 0, 100}, {0, 0, 0}), {-1, -1, -1}, {1, 1, 1}},
        {"too close, off the origin", camera({10, 3, 1}, {10, 1, 0}), {8, 0, -3}, {14, 2, 1}},
        {"long lens, flat box", camera({-5, 5, 5}, {0, 0, 0}, -1.33f, 2.0f), {-3, 0, -3}, {3, 0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CameraInfo fit = kx::app::fitCamera(c.cam, c.lo, c.hi);
        EXPECT_NEAR(fit.lookAt.x, (c.lo.x + c.hi.x) / 2, 1e-5);
        EXPECT_NEAR(fit.lookAt.y, (c.lo.y + c.hi.y) / 2, 1e-5);
        EXPECT_NEAR(fit.lookAt.z, (c.lo.z + c.hi.z) / 2, 1e-5);
        // Seen from the same side: the line of sight keeps its direction.
        const double was[3] = {c.cam.lookAt.x - c.cam.location.x, c.cam.lookAt.y - c.cam.location.y,
                               c.cam.lookAt.z - c.cam.location.z};
        const double now[3] = {fit.lookAt.x - fit.location.x, fit.lookAt.y - fit.location.y, fit.lookAt.z - fit.location.z};
        const double cosine = (was[0] * now[0] + was[1] * now[1] + was[2] * now[2]) /
                              std::sqrt((was[0] * was[0] + was[1] * was[1] + was[2] * was[2]) *
                                        (now[0] * now[0] + now[1] * now[1] + now[2] * now[2]));
        EXPECT_NEAR(cosine, 1.0, 1e-6);
        // Every corner inside the picture, and the box not lost in the middle of it.
        double widest = 0;
        for (int i = 0; i < 8; ++i) {
            const Point3d p{i & 1 ? c.hi.x : c.lo.x, i & 2 ? c.hi.y : c.lo.y, i & 4 ? c.hi.z : c.lo.z};
            const auto at = kx::app::projectToFrame(fit, kFrame, p.x, p.y, p.z);
            ASSERT_TRUE(at.has_value());
            EXPECT_GE(at->x, 0);
            EXPECT_LE(at->x, 160);
            EXPECT_GE(at->y, 0);
            EXPECT_LE(at->y, 120);
            widest = std::max({widest, std::fabs(at->x - 80) / 80, std::fabs(at->y - 60) / 60});
        }
        EXPECT_GT(widest, 0.4);
    }
}

class FlatNavigationTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitView(800, 600, 1);
    }
};

TEST_F(FlatNavigationTest, WheelZoomKeepsThePointUnderThePointer) {
    struct Case {
        kx::app::ViewKind kind;
        ViewConversionProc conversion;
        int viewSide;
    };
    const Case cases[] = {
        {kx::app::kFront, ConvertXY, 1}, {kx::app::kPlan, ConvertXZ, 1}, {kx::app::kSide, ConvertYZ, 1},
        {kx::app::kFront, ConvertXYleft, 0}, {kx::app::kPlan, ConvertXZleft, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "view " << c.kind << " side " << c.viewSide);
        InitDistance();
        SetViewSide(c.viewSide);
        SetViewConversion(c.conversion);
        Point3d pan{0.5f, -1, 2};
        PanView(static_cast<unsigned>(c.kind), &pan, 1);
        const Point3d under = kx::app::scenePointAt(c.kind, 530, 170, false);
        kx::app::zoomFlatViewAbout(c.kind, 2.5, 530, 170);
        EXPECT_DOUBLE_EQ(GetDistance(static_cast<unsigned>(c.kind)), 16 * 2.5);
        const Point3d still = kx::app::scenePointAt(c.kind, 530, 170, false);
        EXPECT_NEAR(still.x, under.x, 1e-4);
        EXPECT_NEAR(still.y, under.y, 1e-4);
        EXPECT_NEAR(still.z, under.z, 1e-4);
        // And it is drawn there.
        int px = 0, py = 0;
        Convert2Dto3D(under.x, under.y, under.z, &px, &py);
        EXPECT_NEAR(px, 530, 1);
        EXPECT_NEAR(py, 170, 1);
    }
    SetViewSide(1);
    kx::app::zoomFlatViewAbout(kx::app::kFront, 1e12, 400, 300);
    EXPECT_DOUBLE_EQ(GetDistance(1), kx::app::kMaxFlatZoom);
}

TEST_F(FlatNavigationTest, FitCentresTheBoxAndFillsMostOfTheView) {
    SetViewConversion(ConvertXZ);
    const Point3d lo{10, -50, 20}, hi{14, 50, 22};
    kx::app::fitFlatView(kx::app::kPlan, lo, hi, 400, 300);
    int px = 0, py = 0;
    Convert2Dto3D(12, 0, 21, &px, &py);
    EXPECT_EQ(px, 400);  // the canvas centre
    EXPECT_EQ(py, 300);
    // x spans 4 units of 400 pixels, z 2 of 300: x decides, with a margin.
    EXPECT_NEAR(GetDistance(2), 400 / (4 * 1.2), 1e-9);
    // The pointer over a flat view reads the scene there, snapped on request.
    SetSnapGrid(1.0, 1);
    const Point3d p = kx::app::scenePointAt(kx::app::kPlan, 400 + 0.4 * GetDistance(2), 300, true);
    EXPECT_FLOAT_EQ(p.x, 13);  // 12.4 snapped up
    EXPECT_FLOAT_EQ(p.z, 21);
    EXPECT_FLOAT_EQ(p.y, 0);   // not shown by the plan
    EXPECT_NEAR(kx::app::scenePointAt(kx::app::kPlan, 400 + 0.4 * GetDistance(2), 300, false).x, 12.4, 1e-4);
}

TEST(FlatGridTest, LinesComeNoCloserThanAFewPixels) {
    struct Case {
        const char* name;
        double lo, hi, step, ppu;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"every step", -1, 1, 0.5, 100, {-1, -0.5, 0, 0.5, 1}},
        {"twice the step", -1, 1.2, 0.5, 8, {-1, 0, 1}},
        {"five times", -3, 3, 1, 2, {0}},
        {"ten times", -25, 25, 1, 1, {-20, -10, 0, 10, 20}},
        {"far out at a small zoom", -2e5, 2e5, 1, 1e-4, {-2e5, -1e5, 0, 1e5, 2e5}},
        {"no step", -1, 1, 0, 10, {}},
        {"upside down", 1, -1, 1, 10, {}},
        {"no number", std::nan(""), 1, 1, 10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(kx::app::gridValues(c.lo, c.hi, c.step, c.ppu, 6), c.expected);
    }
}

TEST(ViewLayoutTest, QuadTilesAndFirstStartShare) {
    using kx::app::StoredRect;
    struct Case {
        int count;
        std::vector<StoredRect> cells;
    };
    const Case cases[] = {
        {0, {}},
        {1, {{0, 0, 801, 601}}},
        {2, {{0, 0, 400, 601}, {400, 0, 401, 601}}},
        {3, {{0, 0, 400, 300}, {400, 0, 401, 300}, {0, 300, 801, 301}}},
        {4, {{0, 0, 400, 300}, {400, 0, 401, 300}, {0, 300, 400, 301}, {400, 300, 401, 301}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const std::vector<StoredRect> cells = kx::app::tileCells(c.count, 801, 601);
        ASSERT_EQ(cells.size(), c.cells.size());
        for (size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(cells[i].left, c.cells[i].left);
            EXPECT_EQ(cells[i].top, c.cells[i].top);
            EXPECT_EQ(cells[i].width, c.cells[i].width);
            EXPECT_EQ(cells[i].height, c.cells[i].height);
        }
    }
    // Plan top left, perspective top right, front bottom left, side bottom right.
    EXPECT_EQ(kx::app::kTileOrder[0], kx::app::kPlan);
    EXPECT_EQ(kx::app::kTileOrder[1], kx::app::kPerspective);
    EXPECT_EQ(kx::app::kTileOrder[2], kx::app::kFront);
    EXPECT_EQ(kx::app::kTileOrder[3], kx::app::kSide);

    const StoredRect f = kx::app::firstStartFrame(StoredRect{0, 40, 1920, 1040});
    EXPECT_EQ(f.left, 192);
    EXPECT_EQ(f.top, 40 + 104);
    EXPECT_EQ(f.width, 1536);
    EXPECT_EQ(f.height, 832);
    kx::app::DesktopSettings d;
    EXPECT_TRUE(kx::app::isFirstStart(d));
    d.sidePos = {1, 1, 100, 100};
    EXPECT_FALSE(kx::app::isFirstStart(d));
}

// Each screen keeps the window's place of its own; a place is fitted into
// the free area of its screen, and a screen that is not there is passed over.
TEST(ViewLayoutTest, TheWindowReopensWhereItClosedOnEachScreen) {
    using kx::app::StoredRect;
    const StoredRect laptop{0, 0, 1280, 800}, monitor{1280, 0, 2560, 1440};
    const kx::app::ScreenArea laptopArea{laptop, {0, 32, 1280, 768}}, monitorArea{monitor, {1280, 0, 2560, 1400}};
    kx::app::DesktopSettings d;
    kx::app::rememberFrame(d, laptop, {10, 40, 1000, 700}, false);
    kx::app::rememberFrame(d, monitor, {1400, 100, 2000, 1200}, true);
    kx::app::rememberFrame(d, laptop, {20, 50, 1100, 740}, false);  // moved again on the laptop
    EXPECT_EQ(d.framePlaces.size(), 2u);
    EXPECT_EQ(d.framePos.width, 1100);  // the last place, as before
    struct Case {
        const char* name;
        std::vector<kx::app::ScreenArea> screens;
        bool found;
        StoredRect frame;
        bool maximize;
    } cases[] = {
        {"both screens: the newest place", {monitorArea, laptopArea}, true, {20, 50, 1100, 740}, false},
        {"the monitor alone", {monitorArea}, true, {1400, 100, 2000, 1200}, true},
        {"the laptop at another scale", {{{0, 0, 853, 533}, {0, 21, 853, 512}}}, false, {}, false},
        {"no screen", {}, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto place = kx::app::rememberedPlace(d, c.screens);
        ASSERT_EQ(place.has_value(), c.found);
        if (!place) continue;
        EXPECT_EQ(place->frame.left, c.frame.left);
        EXPECT_EQ(place->frame.top, c.frame.top);
        EXPECT_EQ(place->frame.width, c.frame.width);
        EXPECT_EQ(place->frame.height, c.frame.height);
        EXPECT_EQ(place->maximize, c.maximize);
    }
    // The laptop's free area shrank (a taller panel): the place is cut and moved to fit.
    const auto fitted = kx::app::rememberedPlace(d, {{laptop, {0, 100, 1280, 600}}});
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->frame.top, 100);
    EXPECT_EQ(fitted->frame.height, 600);
    EXPECT_EQ(fitted->frame.width, 1100);
    // Only the newest few screens are kept.
    for (int i = 0; i < 20; ++i) kx::app::rememberFrame(d, {0, 0, 100 + i, 100}, {0, 0, 50, 50}, false);
    EXPECT_EQ(d.framePlaces.size(), kx::app::kMaxScreenPlaces);
    EXPECT_EQ(d.framePlaces.front().screen.width, 119);
}

}  // namespace

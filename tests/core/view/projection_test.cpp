#include <climits>
#include <cmath>
#include <limits>

#include "core_fixture.h"
#include "view/view_internal.h"

namespace kxtest {
namespace {

const double kPi = 4.0 * std::atan(1.0);
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Pixel {
    int x, y;
};

Pixel project(ViewConversionProc conversion, double x, double y, double z) {
    EXPECT_EQ(SetViewConversion(conversion), 1);
    Pixel p{-7, -7};
    EXPECT_EQ(Convert2Dto3D(x, y, z, &p.x, &p.y), 1);
    return p;
}

void expectPixel(Pixel p, int x, int y) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
}

class ProjectionTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitDistance();
        InitView(400, 300, 1);  // centre (200, 150)
    }
    const kx::ViewState& view() { return kx::core().view; }
};

TEST_F(ProjectionTest, FlatViewsPlaceAPointByTheirTwoAxes) {
    struct Case {
        ViewConversionProc conversion;
        Pixel expected;
        Point3d moved;  // the same point moved along the axis the view does not show
    } cases[] = {
        {ConvertXY, {216, 118}, {1, 2, 99}},     {ConvertXYleft, {184, 118}, {1, 2, -9}},
        {ConvertXZ, {216, 198}, {1, 99, 3}},     {ConvertXZleft, {216, 102}, {1, -9, 3}},
        {ConvertYZ, {152, 118}, {99, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        expectPixel(project(c.conversion, 1, 2, 3), c.expected.x, c.expected.y);
        expectPixel(project(c.conversion, c.moved.x, c.moved.y, c.moved.z), c.expected.x,
                    c.expected.y);
    }
}

// Each flat view and its inverse, with pans, zooms and both view sides: a
// grid of points goes to pixels and back to the same coordinates, and the
// coordinate the view does not show is left alone.
TEST_F(ProjectionTest, PixelsMapBackToTheSceneInEveryFlatView) {
    struct Case {
        unsigned view;
        int side;
        ViewConversionProc conversion;
        double zoom;
        Point3d pan;
    } cases[] = {
        {1, 1, ConvertXY, 16, {0, 0, 0}},     {1, 0, ConvertXYleft, 16, {2, -3, 5}},
        {2, 1, ConvertXZ, 32, {-1, 4, 0.5f}}, {2, 0, ConvertXZleft, 8, {3, 0, -2}},
        {3, 1, ConvertYZ, 16, {1, 2, -4}},    {3, 0, ConvertYZ, 64, {0, -1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "view " << c.view << " side " << c.side);
        SetViewSide(c.side);
        ASSERT_EQ(SetDistance(c.zoom, c.view), 1);
        Point3d pan = c.pan;
        ASSERT_EQ(PanView(c.view, &pan, 1), 1);
        for (double a = -3; a <= 3; a += 0.75)
            for (double b = -2; b <= 2; b += 0.5) {
                double x = a * 5, y = b * 7, z = a - b;
                Pixel p = project(c.conversion, x, y, z);
                Point3d out{1e6f, 1e6f, 1e6f};
                ASSERT_EQ(CalcPanPosition(c.view, static_cast<float>(1.0 / c.zoom), p.x, p.y,
                                          &out, &pan), 1);
                EXPECT_NEAR(out.x, c.view == 3 ? 1e6 : x, 1e-5);
                EXPECT_NEAR(out.y, c.view == 2 ? 1e6 : y, 1e-5);
                EXPECT_NEAR(out.z, c.view == 1 ? 1e6 : z, 1e-5);
            }
    }
    Point3d out{5, 6, 7};
    EXPECT_EQ(CalcPanPosition(3, 1.0f / 16, 184, 150, &out, nullptr), 1);  // null ref: origin
    EXPECT_FLOAT_EQ(out.z, 1);
    for (unsigned v : {0u, 4u, UINT_MAX}) EXPECT_EQ(CalcPanPosition(v, 1, 0, 0, &out, &out), 0);
    EXPECT_EQ(out.x, 5);
}

TEST_F(ProjectionTest, ZoomAndPanChangeOnlyTheirView) {
    EXPECT_EQ(ZoomView(1, 4), 1);
    EXPECT_EQ(GetDistance(1), 12.0);
    EXPECT_EQ(GetDistance(2), 16.0);
    EXPECT_EQ(ZoomView(0, 4), 1);  // the camera moves away
    EXPECT_EQ(GetDistance(0), 24.0);
    EXPECT_EQ(view().isoDistance, 24.0);

    Point3d step{1, 0, 0}, pan{}, absolute{-1, 2, 3};
    PanView(2, &step, 0);
    PanView(2, &step, 0);
    EXPECT_EQ(GetPanOffset(2, &pan), 1);
    EXPECT_EQ(pan.x, 2);
    EXPECT_EQ(project(ConvertXZ, 0, 0, 0).x, 232);  // the pan moves the picture
    PanView(2, &absolute, 1);
    GetPanOffset(2, &pan);
    EXPECT_EQ(pan.z, 3);
    PanView(2, nullptr, 0);
    GetPanOffset(2, &pan);
    EXPECT_TRUE(IsZero(&pan));

    InitScene();  // a new scene brings the defaults back
    EXPECT_EQ(GetDistance(0), 20.0);
    EXPECT_EQ(GetDistance(1), 16.0);
    GetPanOffset(1, &pan);
    EXPECT_TRUE(IsZero(&pan));
}

// View ids and distances come from scene files and plug-ins: a view past the
// table, or a distance that would break a view, is refused without change.
TEST_F(ProjectionTest, BadViewsAndDistancesAreRefused) {
    Point3d p{1, 2, 3};
    for (unsigned v : {4u, 9u, UINT_MAX}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(SetDistance(5, v), 0);
        EXPECT_EQ(GetDistance(v), 0.0);
        EXPECT_EQ(ZoomView(v, 1), 0);
        EXPECT_EQ(PanView(v, &p, 1), 0);
        Point3d out{7, 7, 7};
        EXPECT_EQ(GetPanOffset(v, &out), 0);
        EXPECT_EQ(out.x, 7);
    }
    struct Zoom {
        unsigned view;
        double delta;
    } zooms[] = {{1, 16}, {2, 40}, {0, -20}, {0, -25}, {3, kNaN}, {1, -kInf}};
    for (const Zoom& z : zooms) {
        SCOPED_TRACE(testing::Message() << "zoom " << z.view << " by " << z.delta);
        EXPECT_EQ(ZoomView(z.view, z.delta), 0);
    }
    for (double d : {0.0, -1.0, kNaN, kInf}) EXPECT_EQ(SetDistance(d, 2), 0) << d;
    EXPECT_EQ(SetDistance(-3, 0), 0);
    EXPECT_EQ(GetDistance(0), 20.0);
    for (unsigned v = 1; v < 4; ++v) EXPECT_EQ(GetDistance(v), 16.0);
    EXPECT_EQ(ZoomView(1, 15.5), 1);  // still above 0
    EXPECT_EQ(GetDistance(1), 0.5);
    EXPECT_EQ(SetDistance(0, 0), 1);  // a camera standing on its target
}

TEST_F(ProjectionTest, PixelsTruncateTowardZeroAndSaturate) {
    struct Case {
        double v;
        int expected;
    } cases[] = {
        {-0.5, 0},       {-1.5, -1},          {1.99, 1},
        {kNaN, 0},       {kInf, INT_MAX},     {-kInf, INT_MIN},
        {2147483647.9, INT_MAX}, {2147483648.0, INT_MAX}, {-2147483648.9, INT_MIN},
        {-2147483649.0, INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(kx::view::saturatingTrunc(c.v), c.expected) << c.v;
    InitView(0, 0, 1);
    EXPECT_EQ(project(ConvertXY, -1.0 / 32, 0, 0).x, 0);  // -0.5 is pixel 0
    ASSERT_EQ(SetDistance(1e12, 1), 1);
    expectPixel(project(ConvertXY, 1e3, -1e3, 0), INT_MAX, INT_MAX);
    EXPECT_EQ(project(ConvertXY, -1e3, 0, 0).x, INT_MIN);
    EXPECT_EQ(project(ConvertXY, kNaN, 0, 0).x, 0);
}

TEST_F(ProjectionTest, ConversionStartsAsPerspective) {
    kx::resetCoreForTests();  // as freshly loaded: nothing selected yet
    Pixel p{}, q{};
    EXPECT_EQ(Convert2Dto3D(1, 2, 3, &p.x, &p.y), 1);
    ConvertISO(1, 3, 2, &q.x, &q.y);
    expectPixel(p, q.x, q.y);
    EXPECT_EQ(SetViewConversion(nullptr), 0);
    EXPECT_EQ(Convert2Dto3D(1, 2, 3, &p.x, &p.y), 1);
    expectPixel(p, q.x, q.y);
}

TEST_F(ProjectionTest, PerspectiveOfAStraightView) {
    kx::resetCoreForTests();
    InitView(400, 300, 1);
    Init3D(0, 0, 0, 20);  // no eye offset before the first scene: depth 0, taken as 1
    expectPixel(project(ConvertISO, 4, 2, 0), 800, -165);
    InitDistance();
    Init3D(0, 0, 0, 20);  // now the eye sits 20 back along the depth axis
    expectPixel(project(ConvertISO, 4, 2, 0), 230, 134);  // 200 + 150*4/20, 150 - 157.5*2/20
    Point3d in{4, 0, 2}, out{};
    EXPECT_EQ(ConvertToView(&in, &out), 1);
    EXPECT_FLOAT_EQ(out.x, 4);
    EXPECT_FLOAT_EQ(out.y, 20);
    EXPECT_FLOAT_EQ(out.z, 2);
    EXPECT_EQ(ConvertToView(nullptr, &out), 0);
    expectPixel(project(ConvertISO, 4, 2, 20 - 1e-12), INT_MAX, INT_MIN);  // depth near 0
}

TEST_F(ProjectionTest, LookAtSetsDistancesOffsetAndAngles) {
    struct Case {
        Point3d from, to;
        double distance, a, b, tolerance;
    } cases[] = {
        // On the depth axis the heading vector is zero and counts as angle 0.
        {{0, 0, 10}, {0, 0, 0}, 10, -kPi / 2, 0, 1e-12},
        {{0, 0, 10}, {1, 2, 3}, std::sqrt(54.0), -kPi / 2, 0, 1e-12},
        {{0, 4, 20}, {0, 0, 0}, std::sqrt(416.0), 0, -std::atan(0.2), 1e-4},
        {{0, -4, 20}, {0, 0, 0}, std::sqrt(416.0), 0, std::atan(0.2), 1e-4},  // below
        {{0, 4, -20}, {0, 0, 0}, std::sqrt(416.0), -kPi, -2 * kPi + std::atan(0.2), 1e-4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Point3d from = c.from, to = c.to;
        ASSERT_EQ(LookAt(&from, &to), 1);
        EXPECT_NEAR(GetDistance(0), c.distance, 1e-6);
        EXPECT_NEAR(view().isoDistance, c.distance, 1e-6);
        EXPECT_NEAR(view().angles[0], c.a, c.tolerance);
        EXPECT_NEAR(view().angles[1], c.b, c.tolerance);
        EXPECT_EQ(view().viewOffset[1], -c.to.y);
    }
    EXPECT_EQ(LookAt(nullptr, nullptr), 0);
}

// Aimed at the camera, the perspective shows the camera's target in the middle
// of the window, wherever the camera stands.
TEST_F(ProjectionTest, PerspectiveCentresTheCameraTarget) {
    const Point3d cameras[] = {{0, 4, 20},    {0, 0, 10},   {7, -3, 12}, {-5, 2, -9},
                               {0.5f, 30, 1}, {-8, -8, -8}, {100, 0, 0}};
    for (const Point3d& cam : cameras) {
        SCOPED_TRACE(testing::Message() << cam.x << "," << cam.y << "," << cam.z);
        kx::core().settings.cameraPosition = cam;
        ASSERT_EQ(InitView(400, 300, 0), 1);
        Pixel p = project(ConvertISO, 0, 0, 0);
        EXPECT_NEAR(p.x, 200, 1);
        EXPECT_NEAR(p.y, 150, 1);
    }
    kx::core().settings.cameraPosition = Point3d{0, 0, 10};
    InitView(400, 300, 0);
    kx::core().settings.cameraPosition = Point3d{0, 4, 20};
    InitView(640, 480, 1);  // keeps the angles, whatever the camera does
    EXPECT_DOUBLE_EQ(view().angles[0], -kPi / 2);
    EXPECT_EQ(view().cx, 320);
}

TEST_F(ProjectionTest, ObjectRectangleGrowsPixelByPixel) {
    RECT r{5, 5, 5, 5};
    viewBoundSet(&r);
    EXPECT_EQ(r.left | r.top | r.right | r.bottom, 0);
    viewBoundAdd(10, 20);
    EXPECT_EQ(r.left, 9);
    EXPECT_EQ(r.top, 19);
    EXPECT_EQ(r.right, 12);
    EXPECT_EQ(r.bottom, 22);
    viewBoundAdd(1, 20);
    EXPECT_EQ(r.left, 0);
    viewBoundAdd(5, 21);  // a left of 0 counts as unset
    EXPECT_EQ(r.left, 4);
    viewBoundAdd(INT_MIN, INT_MAX);  // saturated pixels: no overflow
    viewBoundAdd(INT_MAX, INT_MIN);
    EXPECT_EQ(r.left, INT_MIN);
    EXPECT_EQ(r.right, INT_MAX);
    EXPECT_EQ(r.top, INT_MIN);
    EXPECT_EQ(r.bottom, INT_MAX);
    viewBoundGet();
    viewBoundAdd(5, 5);
    EXPECT_EQ(r.left, INT_MIN);

    CadObject* obj = NewCadObject("box");
    viewBoundSet(&obj->rect);
    DeleteCadObject(obj);
    viewBoundAdd(1, 1);  // must not write into the freed record
    EXPECT_EQ(view().bound, nullptr);
    EXPECT_EQ(GetViewBound().right, 4096);
}

}  // namespace
}  // namespace kxtest

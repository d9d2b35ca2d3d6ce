#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kxrender.h"

namespace {

constexpr int kW = 64;
constexpr int kH = 48;

struct Picture {
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels.at(static_cast<size_t>(y) * kW + x); }
    bool covered(int x, int y) const { return at(x, y) != KXRENDER_BACKGROUND; }
};

struct Capture : PreviewTarget {
    Picture picture;
    int frames = 0;
    Capture() {
        width = kW;
        height = kH;
    }
    void deliver(const PreviewFrame& f) override {
        picture.pixels.assign(f.pixels, f.pixels + static_cast<size_t>(f.width) * f.height);
        ++frames;
    }
};

int red(uint32_t p) { return (p >> 16) & 0xFF; }
int green(uint32_t p) { return (p >> 8) & 0xFF; }
int blue(uint32_t p) { return p & 0xFF; }
int brightness(uint32_t p) { return red(p) + green(p) + blue(p); }

// Expects the two pictures to cover the same pixels, in colours within
// `within` levels a channel; returns how many of a's pixels are brighter than
// `brighterThan` (the three channels summed).
int expectSameColours(const Picture& a, const Picture& b, int within, int brighterThan) {
    int bright = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            const uint32_t p = a.at(x, y), q = b.at(x, y);
            EXPECT_EQ(p == KXRENDER_BACKGROUND, q == KXRENDER_BACKGROUND);
            EXPECT_NEAR(red(p), red(q), within);
            EXPECT_NEAR(green(p), green(q), within);
            EXPECT_NEAR(blue(p), blue(q), within);
            bright += brightness(p) > brighterThan;
        }
    return bright;
}

CameraInfo camera(float rightLength) {
    CameraInfo c{};
    c.location = {0, 0, -10};
    c.lookAt = {0, 0, 0};
    c.up = {0, 1, 0};
    c.rightDir = {rightLength, 0, 1};
    c.width = 640;
    c.height = 480;
    return c;
}

CadObject sphere(Point3d centre, float radius, uint32_t rgb) {
    CadObject o{};
    o.type = KX_SPHERE;
    o.flags = KX_FLAG_VISIBLE;
    o.size = {radius, radius, radius};
    o.scale = {1, 1, 1};
    o.translate = centre;
    o.rgb = rgb;
    return o;
}

// A square facing the camera at depth z, as a two-triangle mesh.
struct Square {
    TriPolygon t[2]{};
    CadObject o{};
    Square(float cx, float cy, float half, float z, uint32_t rgb) {
        const Point3d a{cx - half, cy - half, z}, b{cx + half, cy - half, z}, c{cx + half, cy + half, z},
            d{cx - half, cy + half, z};
        t[0].vertex[0] = a, t[0].vertex[1] = b, t[0].vertex[2] = c;
        t[1].vertex[0] = a, t[1].vertex[1] = c, t[1].vertex[2] = d;
        o.type = KX_POLYGON;
        o.flags = KX_FLAG_VISIBLE;
        o.polygons = t;
        o.count = o.polygonCount = 2;
        o.rgb = rgb;
    }
};

// An object of the given kind whose point list is the nodes.
struct Thin {
    std::vector<std::vector<Point3d>> corners;
    std::vector<ListEntry> nodes;
    CadObject o{};
    Thin(uint32_t type, std::vector<std::vector<Point3d>> points, uint32_t rgb) : corners(std::move(points)) {
        for (auto& c : corners) nodes.push_back({nullptr, c.data(), nullptr, static_cast<uint32_t>(c.size())});
        for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
        o.type = type;
        o.flags = KX_FLAG_VISIBLE;
        o.points = nodes.data();
        o.count = static_cast<uint32_t>(nodes.size());
        o.rgb = rgb;
    }
};

struct Light {
    Point3d position;
    bool spot = false;
    Point3d at{};
};

// How draw() hands objects over beyond their own records.
struct Handing {
    // Object i is drawn from indexed[i] when that is set.
    std::vector<const PreviewMesh*> indexed;
    const TextureInfo* material = nullptr;
    int mode = KXRENDER_SHADED;
};

// Draws one frame of the given objects and returns what was delivered.
Picture draw(const CameraInfo& cam, const std::vector<const CadObject*>& objects,
             const std::vector<Light>& lights = {}, int width = kW, int height = kH, const Handing& handing = {}) {
    Capture target;
    target.width = width;
    target.height = height;
    EXPECT_EQ(RenderOpen(&target), 1);
    EXPECT_EQ(RenderBeginFrame(&target), 1);
    EXPECT_EQ(RenderSetCamera(&cam, handing.mode, 0), 1);
    for (size_t i = 0; i < lights.size(); ++i)
        EXPECT_EQ(RenderLight(static_cast<int>(i), &lights[i].position, lights[i].spot ? &lights[i].at : nullptr,
                              0xFFFFFF),
                  1);
    for (size_t i = 0; i < objects.size(); ++i) {
        const PreviewMesh* mesh = i < handing.indexed.size() ? handing.indexed[i] : nullptr;
        EXPECT_EQ(mesh ? RenderMesh(objects[i], mesh, handing.material) : RenderObject(objects[i], handing.material), 1);
    }
    EXPECT_EQ(RenderEndFrame(), 1);
    EXPECT_EQ(RenderClose(&target), 1);
    EXPECT_EQ(target.frames, 1);
    return target.picture;
}

int coveredCount(const Picture& c) {
    int n = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) n += c.covered(x, y);
    return n;
}

TEST(Raster, SphereSilhouetteFollowsTheAnalyticOutline) {
    const double r = 2.0, distance = 10.0;
    const CadObject s = sphere({0, 0, 0}, static_cast<float>(r), 0x0000FF);
    Picture c = draw(camera(1.33f), {&s});
    // Seen from the eye the sphere subtends a cone of half-angle asin(r/d).
    const double t = std::tan(std::asin(r / distance));
    const double rx = t / 1.33 * kW, ry = t * kH;
    int inside = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            const double dx = x + 0.5 - kW / 2.0, dy = y + 0.5 - kH / 2.0;
            const bool surelyIn = std::pow(dx / (rx - 1), 2) + std::pow(dy / (ry - 1), 2) <= 1;
            const bool surelyOut = std::pow(dx / (rx + 1), 2) + std::pow(dy / (ry + 1), 2) > 1;
            if (surelyIn) {
                ++inside;
                EXPECT_TRUE(c.covered(x, y));
                EXPECT_GT(red(c.at(x, y)), green(c.at(x, y)));
                EXPECT_EQ(green(c.at(x, y)), blue(c.at(x, y)));
            }
            if (surelyOut) {
                EXPECT_FALSE(c.covered(x, y));
            }
        }
    EXPECT_GT(inside, 50);
}

TEST(Raster, SmallSquaresCoverExactlyThePixelCentresInsideThem) {
    // The test camera maps z = 0 onto the whole target: 13.3 units across,
    // 10 units down. Squares are given in pixels to place them against centres.
    auto worldX = [](double px) { return static_cast<float>((px / kW - 0.5) * 13.3); };
    auto worldY = [](double py) { return static_cast<float>((0.5 - py / kH) * 10.0); };
    struct Case {
        const char* name;
        double cx, cy, half;  // in pixels
        int covered;
    };
    const Case cases[] = {
        {"between four centres", 32, 24, 0.3, 0},
        {"around one centre", 32.5, 24.5, 0.3, 1},
        {"around a two by two block", 32, 24, 1.2, 4},
        {"around a four by four block", 20, 10, 2.0, 16},
        {"half off the side", 0, 24, 1.2, 2},
        {"half off the top", 40, 0, 1.2, 2},
        {"off the picture", -3, 24, 1.2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const float cx = worldX(c.cx), cy = worldY(c.cy);
        const float half = static_cast<float>(c.half * 13.3 / kW);
        const float halfY = static_cast<float>(c.half * 10.0 / kH);
        Square sq(cx, cy, half, 0, 0xFFFFFF);
        // Square is built square in world units; stretch its y to whole pixels.
        for (TriPolygon& t : sq.t)
            for (Point3d& v : t.vertex) v.y = cy + (v.y - cy) * (halfY / half);
        EXPECT_EQ(coveredCount(draw(camera(1.33f), {&sq.o})), c.covered);
    }
}

TEST(Raster, NearerSquareWinsInEitherOrder) {
    const Square far(0, 0, 3, 0, 0x00FF00), near(1, 1, 3, -2, 0xFF0000);
    const Picture a = draw(camera(1.33f), {&far.o, &near.o});
    const Picture b = draw(camera(1.33f), {&near.o, &far.o});
    EXPECT_EQ(a.pixels, b.pixels);
    // The centre lies in both squares: the nearer (blue) one shows.
    const uint32_t centre = a.at(kW / 2, kH / 2);
    EXPECT_GT(blue(centre), green(centre));
    EXPECT_EQ(red(centre), green(centre));
}

TEST(Raster, MovingTheLightDarkensTheHalfItLeft) {
    const CadObject s = sphere({0, 0, 0}, 3, 0xFFFFFF);
    auto halves = [&](float lightX) {
        const Picture c = draw(camera(1.33f), {&s}, {{{lightX, 0, -10}}});
        long left = 0, right = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (x < kW / 2) {
                    left += brightness(c.at(x, y));
                } else {
                    right += brightness(c.at(x, y));
                }
            }
        return std::pair{left, right};
    };
    // With a positive right length world +x is on the picture's right.
    const auto [leftLitLeft, leftLitRight] = halves(-20);
    const auto [rightLitLeft, rightLitRight] = halves(20);
    EXPECT_GT(leftLitLeft, leftLitRight);
    EXPECT_LT(rightLitLeft, leftLitLeft);
    EXPECT_GT(rightLitRight, leftLitRight);
}

TEST(Raster, SpotLightLightsOnlyInsideItsCone) {
    const Square wall(0, 0, 20, 0, 0xFFFFFF);
    CameraInfo cam = camera(1.33f);
    const Picture spot = draw(cam, {&wall.o}, {{{0, 0, -4}, true, {2, 0, 0}}});
    // Ambient alone: a fifth of white.
    const uint32_t ambient = 0xFF333333u;
    int lit = 0, dark = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            // Where the pixel's ray meets the wall (the wall fills the picture).
            const double sx = ((x + 0.5) / kW - 0.5) * 1.33 * 10, sy = (0.5 - (y + 0.5) / kH) * 10;
            const double angle = std::acos(((sx * 2) + 16) / (std::hypot(sx, sy, 4.0) * std::hypot(2.0, 4.0)));
            const double degrees = angle * 180 / M_PI;
            if (degrees < 28) {
                EXPECT_GT(brightness(spot.at(x, y)), 3 * 0x33 + 60);
                ++lit;
            } else if (degrees > 47) {
                EXPECT_EQ(spot.at(x, y), ambient);
                ++dark;
            }
        }
    EXPECT_GT(lit, 20);
    EXPECT_GT(dark, 20);
}

TEST(Raster, NothingBehindTheEyeIsDrawn) {
    const CadObject behind = sphere({0, 0, -20}, 2, 0x0000FF);
    const Picture c = draw(camera(1.33f), {&behind});
    EXPECT_EQ(coveredCount(c), 0);
    // A square that reaches from behind the eye to the front is cut, not folded.
    Square crossing(0, -3, 1, 0, 0x00FF00);
    for (auto& t : crossing.t)
        for (auto& v : t.vertex) v.z = v.y > -3 ? -30.0f : 30.0f;
    const Picture cut = draw(camera(1.33f), {&crossing.o});
    for (int y = 0; y < kH / 2; ++y)
        for (int x = 0; x < kW; ++x) EXPECT_FALSE(cut.covered(x, y)) << x << "," << y;
    EXPECT_GT(coveredCount(cut), 0);
}

TEST(Raster, PositiveRightLengthMirrorsThePicture) {
    const CadObject s = sphere({2.5f, 1, 0}, 1.5f, 0x0000FF);
    const Picture plus = draw(camera(1.33f), {&s});
    const Picture minus = draw(camera(-1.33f), {&s});
    long sumX = 0;
    int n = 0, mismatched = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (plus.covered(x, y)) {
                sumX += x;
                ++n;
            }
            mismatched += plus.covered(x, y) != minus.covered(kW - 1 - x, y);
        }
    ASSERT_GT(n, 0);
    EXPECT_GT(sumX / n, kW / 2);
    EXPECT_LE(mismatched, 2);
}

TEST(Raster, BadCamerasAndGeometryGiveBlankOrSensibleFrames) {
    const CadObject s = sphere({0, 0, 0}, 2, 0x0000FF);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        CameraInfo cam;
        bool drawn;
    };
    std::vector<Case> cases;
    CameraInfo c = camera(1.33f);
    c.lookAt = c.location;
    cases.push_back({"look-at at the eye", c, false});
    c = camera(1.33f);
    c.location = {0, -10, 0};
    cases.push_back({"looking along the sky", c, false});
    c = camera(0);
    cases.push_back({"right length 0 takes the default", c, true});
    c = camera(1.33f);
    c.rightDir.z = 0;
    cases.push_back({"direction length 0 takes the default", c, true});
    c = camera(1.33f);
    c.location.x = nan;
    cases.push_back({"NaN location", c, false});
    c = camera(1.33f);
    c.width = 0;
    c.height = -4;
    cases.push_back({"no image size", c, true});
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Picture got = draw(k.cam, {&s});
        EXPECT_EQ(coveredCount(got) > 0, k.drawn);
    }

    Square odd(0, 0, 1, 0, 0xFFFFFF);
    odd.t[0].vertex[1] = odd.t[0].vertex[0];  // degenerate
    odd.t[1].vertex[2].x = nan;
    const Picture none = draw(camera(1.33f), {&odd.o});
    EXPECT_EQ(coveredCount(none), 0);
    Square huge(0, 0, 3e37f, 5, 0xFFFFFF);
    const Picture full = draw(camera(1.33f), {&huge.o});
    EXPECT_EQ(coveredCount(full), kW * kH);
    CadObject empty{};
    empty.type = KX_POLYGON;
    empty.flags = KX_FLAG_VISIBLE;
    empty.count = 5;  // a count without triangles
    EXPECT_EQ(coveredCount(draw(camera(1.33f), {&empty})), 0);
}

// Kinds drawn from their fields: where the core's rebuild puts them (scale,
// turns about x, y, z, move), and nothing, never a fault, from sizes and
// scales that give no surface.
TEST(Raster, PrimitivesDrawnFromTheirFieldsStandWhereTheirPlacementPutsThem) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto shape = [](uint32_t type, Point3d size, Point3d extra = {}) {
        CadObject o = sphere({0, 0, 0}, 1, 0x00FF00);
        o.type = type;
        o.size = size;
        o.extraPoint = extra;
        return o;
    };
    struct Case {
        const char* name;
        CadObject object;
        bool drawn;
    };
    CadObject flattened = shape(KX_CYLINDER, {1, 2, 1});
    flattened.scale.y = 0;
    CadObject unplaced = shape(KX_TORUS, {2, 0.5f, 0});
    unplaced.translate.x = nan;
    const Case cases[] = {
        {"cylinder", shape(KX_CYLINDER, {1, 2, 1}), true},
        {"cylinder of negative radius", shape(KX_CYLINDER, {-1, 2, 1}), true},
        {"cylinder of no height shows its caps", shape(KX_CYLINDER, {1, 0, 1}), true},
        {"cone to a point", shape(KX_CONE, {1, 2, 1}), true},
        {"cone of no radius", shape(KX_CONE, {0, 2, 0}), false},
        {"disc", shape(KX_DISC, {1.5f, 0, 1.5f}), true},
        {"disc of radius 0", shape(KX_DISC, {0, 0, 0}), false},
        {"torus", shape(KX_TORUS, {2, 0.5f, 0}), true},
        {"torus of minor radius 0", shape(KX_TORUS, {2, 0, 0}), false},
        {"ellipsoid", shape(KX_ELLIPSOID, {1, 1, 1}), true},
        {"sphere of NaN radius", shape(KX_SPHERE, {nan, nan, nan}), false},
        {"flattened by its scale", flattened, false},
        {"placed at NaN", unplaced, false},
        {"plane", shape(KX_PLANE, {8, 0, 8}), true},
    };
    // From above, so that flat kinds are not seen edge on.
    CameraInfo above = camera(1.33f);
    above.location = {0, 6, -10};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(coveredCount(draw(above, {&k.object})) > 0, k.drawn);
    }

    // A cylinder along y turned 90 degrees about z lies along x: wider than
    // tall on the picture, and turned back about x it stands again.
    auto extent = [](const Picture& p, bool across) {
        int lo = 1 << 20, hi = -1;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (p.covered(x, y)) lo = std::min(lo, across ? x : y), hi = std::max(hi, across ? x : y);
        return hi - lo;
    };
    CadObject rod = shape(KX_CYLINDER, {0.5f, 6, 0.5f});
    const Picture standing = draw(camera(1.33f), {&rod});
    EXPECT_GT(extent(standing, false), 2 * extent(standing, true));
    rod.rotate = {0, 0, 90};
    const Picture lying = draw(camera(1.33f), {&rod});
    EXPECT_GT(extent(lying, true), 2 * extent(lying, false));
    // Scaled along x first, then turned: the scale follows the cylinder's own axis.
    rod.scale = {1, 0.5f, 1};
    EXPECT_LT(extent(draw(camera(1.33f), {&rod}), true), extent(lying, true) * 3 / 4);

    // A plane below the eye fills the picture's lower half up to its horizon.
    CadObject floor = shape(KX_PLANE, {8, 0, 8});
    floor.translate = {0, -2, 0};
    const Picture ground = draw(camera(1.33f), {&floor});
    EXPECT_TRUE(ground.covered(kW / 2, kH - 1));
    EXPECT_FALSE(ground.covered(kW / 2, 0));
    EXPECT_TRUE(ground.covered(0, kH / 2 + 2));
}

TEST(Raster, CapabilitiesAndCallOrder) {
    PreviewCaps caps{};
    caps.size = sizeof caps;
    caps.version = KXRENDER_CAPS_VERSION;
    ASSERT_EQ(RenderCapabilities(&caps), 1);
    EXPECT_EQ(caps.mode, KXRENDER_MODE_SOFTWARE);
    EXPECT_EQ(caps.textured, 1u);
    EXPECT_STREQ(caps.label, "Enable &Shaded Preview");
    caps.size = 40;
    EXPECT_EQ(RenderCapabilities(&caps), 0);
    EXPECT_EQ(RenderCapabilities(nullptr), 0);

    // Nothing is drawn outside an open frame.
    const CadObject s = sphere({0, 0, 0}, 2, 0x0000FF);
    EXPECT_EQ(RenderObject(&s, nullptr), 0);
    Capture target;
    EXPECT_EQ(RenderOpen(nullptr), 0);
    ASSERT_EQ(RenderOpen(&target), 1);
    EXPECT_EQ(RenderObject(&s, nullptr), 0);
    EXPECT_EQ(RenderEndFrame(), 0);
    target.width = 0;  // a view not yet laid out
    ASSERT_EQ(RenderBeginFrame(&target), 1);
    const CameraInfo cam = camera(1.33f);
    EXPECT_EQ(RenderSetCamera(&cam, KXRENDER_SHADED, 0), 1);
    EXPECT_EQ(RenderObject(&s, nullptr), 1);
    EXPECT_EQ(RenderEndFrame(), 1);
    EXPECT_TRUE(target.picture.pixels.empty());
    EXPECT_EQ(RenderClose(&target), 1);
}

TEST(Raster, TexturedShadingSamplesTheImageMap) {
    // Left half red, right half blue, in a 2x1 map.
    unsigned char pixels[] = {255, 0, 0, 0, 0, 255};
    TextureInfo tex{};
    tex.colour[1] = 255;
    tex.text = reinterpret_cast<char*>(pixels);
    tex.reserved1 = 2;
    tex.reserved2 = 1;
    const Square sq(0, 0, 3, 0, 0x00FF00);
    for (int mode : {KXRENDER_SHADED, KXRENDER_TEXTURED}) {
        SCOPED_TRACE(mode);
        Capture target;
        ASSERT_EQ(RenderOpen(&target), 1);
        RenderBeginFrame(&target);
        const CameraInfo cam = camera(1.33f);
        RenderSetCamera(&cam, mode, 0);
        RenderObject(&sq.o, &tex);
        RenderEndFrame();
        RenderClose(&target);
        const uint32_t left = target.picture.at(kW / 2 - 8, kH / 2), right = target.picture.at(kW / 2 + 8, kH / 2);
        if (mode == KXRENDER_SHADED) {
            EXPECT_GT(green(left), red(left));
            EXPECT_GT(green(right), blue(right));
        } else {
            EXPECT_GT(red(left), blue(left));
            EXPECT_GT(blue(right), red(right));
        }
    }
}

}  // namespace

namespace {

TEST(Raster, TwoTargetsOnTwoThreadsKeepTheirOwnPictures) {
    const CadObject left = sphere({-3, 0, 0}, 1.5f, 0x0000FF), right = sphere({3, 0, 0}, 1.5f, 0xFF0000);
    Picture pictures[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t)
        threads[t] = std::thread([&, t] {
            Capture target;
            ASSERT_EQ(RenderOpen(&target), 1);
            const CameraInfo cam = camera(1.33f);
            for (int i = 0; i < 20; ++i) {
                RenderBeginFrame(&target);
                RenderSetCamera(&cam, KXRENDER_SHADED, 0);
                RenderObject(t == 0 ? &left : &right, nullptr);
                RenderEndFrame();
            }
            RenderClose(&target);
            pictures[t] = target.picture;
        });
    for (auto& t : threads) t.join();
    // Each picture holds its own sphere only: red on the left, blue on the right.
    for (int t = 0; t < 2; ++t) {
        SCOPED_TRACE(t);
        int leftHalf = 0, rightHalf = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (pictures[t].covered(x, y)) {
                    if (x < kW / 2) ++leftHalf;
                    else ++rightHalf;
                }
        EXPECT_GT(t == 0 ? leftHalf : rightHalf, 20);
        EXPECT_EQ(t == 0 ? rightHalf : leftHalf, 0);
    }
}

}  // namespace

namespace {

// A wavy sheet of side x side quads in front of the camera, and a square
// reaching from behind the eye, as one mesh long enough to be shared among threads.
std::vector<TriPolygon> longMesh(int side) {
    std::vector<TriPolygon> t;
    auto at = [side](int i, int j) {
        const float x = -6.0f + 12.0f * i / side, y = -5.0f + 10.0f * j / side;
        return Point3d{x, y, std::sin(x) * std::cos(y) * 2.0f};
    };
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            t.push_back({{at(i, j), at(i + 1, j), at(i, j + 1)}, {}});
            t.push_back({{at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}, {}});
        }
    t.push_back({{{-1, -4, -30}, {1, -4, -30}, {1, -2, 30}}, {}});
    return t;
}

// A mesh object over the triangles given (which it does not own).
CadObject meshOf(std::vector<TriPolygon>& triangles) {
    CadObject mesh{};
    mesh.type = KX_POLYGON;
    mesh.flags = KX_FLAG_VISIBLE;
    mesh.polygons = triangles.data();
    mesh.count = mesh.polygonCount = static_cast<uint32_t>(triangles.size());
    mesh.rgb = 0x30A0E0;
    return mesh;
}

Picture drawWithThreads(const char* threads, const std::vector<const CadObject*>& objects,
                        const std::vector<Light>& lights, int width = kW, int height = kH) {
    setenv("KXRENDER_THREADS", threads, 1);
    Picture p = draw(camera(1.33f), objects, lights, width, height);
    unsetenv("KXRENDER_THREADS");
    return p;
}

TEST(Raster, SharesOnSeveralThreadsDrawTheSamePictureAsOne) {
    // Long meshes are shared among threads and merged: whatever was drawn
    // before, however a mesh is cut into objects, and where two surfaces lie
    // at exactly the same depth (the one drawn first keeps the pixel), the
    // picture is the one a single thread draws.
    std::vector<TriPolygon> triangles = longMesh(128);
    const CadObject mesh = meshOf(triangles);
    CadObject again = mesh;
    again.rgb = 0xE04030;
    std::vector<CadObject> slices(3, mesh);
    for (size_t i = 0; i < slices.size(); ++i) {
        const size_t from = triangles.size() * i / 3, to = triangles.size() * (i + 1) / 3;
        slices[i].polygons = triangles.data() + from;
        slices[i].count = slices[i].polygonCount = static_cast<uint32_t>(to - from);
        slices[i].rgb = 0x204060u * static_cast<uint32_t>(i + 1);
    }
    const Square front(1, 0, 2.5f, -3, 0xFF0000);
    const std::vector<Light> lights = {{{-10, 10, -10}}, {{5, 0, -6}, true, {0, 0, 0}}};
    // Small meshes wait and are shared among the threads a run each: the
    // mesh cut small, each piece twice at the same depths in two colours,
    // with spheres and a segment (drawn at once, after what waits) between.
    std::vector<CadObject> pieces(40, mesh);
    std::vector<const CadObject*> small;
    const CadObject ball = sphere({-1, 1, -2}, 1.5f, 0x30C030), otherBall = sphere({2, -1, -1}, 1, 0xC03030);
    const Thin across(KX_LINESEG, {{{-6, 0, -2.5f}, {6, 0.5f, -2.5f}}}, 0x00FFFF);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const size_t from = triangles.size() * i / pieces.size(), to = triangles.size() * (i + 1) / pieces.size();
        pieces[i].polygons = triangles.data() + from;
        pieces[i].count = pieces[i].polygonCount = static_cast<uint32_t>(to - from);
        pieces[i].rgb = 0x102030u * static_cast<uint32_t>(i % 5 + 1);
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        small.push_back(&pieces[i]);
        small.push_back(&pieces[pieces.size() - 1 - i]);
        if (i == 10) small.push_back(&ball);
        if (i == 20) small.push_back(&across.o);
        if (i == 30) small.push_back(&otherBall);
    }
    struct Case {
        const char* name;
        std::vector<const CadObject*> objects;
    };
    const Case cases[] = {
        {"one mesh", {&mesh}},
        {"a square drawn first", {&front.o, &mesh}},
        {"the mesh in three objects", {&slices[0], &slices[1], &slices[2]}},
        {"the mesh twice, at the same depths", {&mesh, &again}},
        {"small meshes, spheres and a segment", small},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture one = drawWithThreads("1", c.objects, lights);
        ASSERT_GT(coveredCount(one), kW * kH / 2);
        for (const char* threads : {"2", "3", "7"}) {
            SCOPED_TRACE(threads);
            EXPECT_EQ(drawWithThreads(threads, c.objects, lights).pixels, one.pixels);
        }
    }
    // Many small objects over a larger picture, nearer ones drawn both
    // first and last: the threads' bands of rows cut through them wherever
    // the work falls, and each object's top and bottom rows still reach
    // the band that holds them.
    std::vector<CadObject> lattice;
    for (int row = 0; row < 9; ++row)
        for (int column = 0; column < 13; ++column) {
            const Point3d at{-6.0f + column, -4.0f + row + 0.37f * (column % 3), column % 2 ? -1.0f : 1.0f};
            lattice.push_back(sphere(at, 0.3f + 0.05f * (row % 4), 0x204080u + 0x101010u * (column % 5)));
        }
    std::vector<const CadObject*> spread;
    for (const CadObject& o : lattice) spread.push_back(&o);
    spread.push_back(&front.o);
    const Picture large = drawWithThreads("1", spread, lights, 320, 240);
    ASSERT_GT(std::count_if(large.pixels.begin(), large.pixels.end(),
                            [](uint32_t p) { return p != KXRENDER_BACKGROUND; }),
              320 * 240 / 8);
    for (const char* threads : {"2", "3", "7"}) {
        SCOPED_TRACE(std::string("lattice on ") + threads);
        EXPECT_EQ(drawWithThreads(threads, spread, lights, 320, 240).pixels, large.pixels);
    }
    // The first of two equal surfaces shows.
    EXPECT_EQ(drawWithThreads("2", {&mesh, &again}, lights).pixels, drawWithThreads("1", {&mesh}, lights).pixels);
    // Pictures drawn at once on two threads, frame after frame: while one
    // holds the helpers kept between frames, the other starts its own. Each
    // is still the one-thread picture.
    for (const Case* c : {&cases[0], &cases[4]}) {
        SCOPED_TRACE(std::string("at once: ") + c->name);
        const Picture one = drawWithThreads("1", c->objects, lights);
        setenv("KXRENDER_THREADS", "3", 1);
        std::vector<Picture> frames[2];
        std::thread drawers[2];
        for (int t = 0; t < 2; ++t)
            drawers[t] = std::thread([&, t] {
                for (int i = 0; i < 6; ++i) frames[t].push_back(draw(camera(1.33f), c->objects, lights));
            });
        for (std::thread& t : drawers) t.join();
        unsetenv("KXRENDER_THREADS");
        for (int t = 0; t < 2; ++t)
            for (const Picture& p : frames[t]) EXPECT_EQ(p.pixels, one.pixels) << "thread " << t;
    }
}

TEST(Raster, BatchedLightingAgreesWithTheExactLighting) {
    // A light this far out is beyond the batch's single precision, and the
    // pixels are lit one by one in double precision; one a little nearer in
    // the same direction goes through the batch.
    const CadObject s = sphere({0, 0, 0}, 3, 0xE0C0A0);
    const Picture exact = draw(camera(1.33f), {&s}, {{{1e16f, 5e15f, -1e16f}}});
    const Picture batched = draw(camera(1.33f), {&s}, {{{1e4f, 5e3f, -1e4f}}});
    EXPECT_GT(expectSameColours(exact, batched, 3, 3 * 0x40), 50);
}

// Draws the objects into a target of the given size, with one light.
std::vector<uint32_t> drawSized(int width, int height, const std::vector<const CadObject*>& objects) {
    return draw(camera(1.33f), objects, {{{-10, 10, -10}}}, width, height).pixels;
}

TEST(Raster, MeshDrawsAsItsTrianglesOneByOneAtAnySize) {
    // A mesh is drawn from its triangle records in one pass; each triangle as
    // an object of its own takes the general path. A square in front hides
    // part of the sheet, whatever the picture's size.
    std::vector<TriPolygon> triangles = longMesh(24);
    const CadObject mesh = meshOf(triangles);
    std::vector<CadObject> single(triangles.size(), mesh);
    for (size_t i = 0; i < triangles.size(); ++i) {
        single[i].polygons = &triangles[i];
        single[i].count = single[i].polygonCount = 1;
    }
    const Square front(0, 0, 1.5f, -4, 0xFF0000);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{64, 48}, {61, 45}, {7, 5}, {97, 13}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        std::vector<const CadObject*> separate{&front.o};
        for (const CadObject& o : single) separate.push_back(&o);
        const std::vector<uint32_t> whole = drawSized(w, h, {&front.o, &mesh});
        ASSERT_EQ(whole.size(), static_cast<size_t>(w) * h);
        EXPECT_EQ(whole, drawSized(w, h, separate));
        // Where the square is drawn alone, it stays in front of the sheet.
        const std::vector<uint32_t> square = drawSized(w, h, {&front.o});
        int hidden = 0;
        for (size_t i = 0; i < square.size(); ++i)
            if (square[i] != KXRENDER_BACKGROUND) {
                EXPECT_EQ(whole[i], square[i]) << "pixel " << i;
                ++hidden;
            }
        int sheet = 0;
        for (size_t i = 0; i < whole.size(); ++i) sheet += whole[i] != KXRENDER_BACKGROUND && whole[i] != square[i];
        EXPECT_GT(hidden, 0);
        EXPECT_GT(sheet, 0);
    }
}

}  // namespace

namespace {

// A rectangle facing the camera at depth z, cut into side x side quads.
// With normals given, each corner brings the face's own normal.
std::vector<TriPolygon> sheet(float x0, float y0, float x1, float y1, float z, int side, bool withNormals) {
    std::vector<TriPolygon> t;
    auto at = [&](int i, int j) { return Point3d{x0 + (x1 - x0) * i / side, y0 + (y1 - y0) * j / side, z}; };
    const Point3d n = withNormals ? Point3d{0, 0, -1} : Point3d{};
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            t.push_back({{at(i, j), at(i + 1, j), at(i + 1, j + 1)}, {n, n, n}});
            t.push_back({{at(i, j), at(i + 1, j + 1), at(i, j + 1)}, {n, n, n}});
        }
    return t;
}

TEST(Raster, TinyTrianglesCoverWhatTheirWholeCovers) {
    // The same rectangle as two triangles and as thousands of triangles
    // smaller than a pixel: the same pixel centres, at any picture size and
    // on any number of threads. Its edges lie between centres, a fifth of a
    // pixel or more away.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{64, 48}, {61, 45}, {97, 13}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        // The test camera shows z = 0 as 13.3 units across and 10 down.
        auto worldX = [w = w](double px) { return static_cast<float>((px / w - 0.5) * 13.3); };
        auto worldY = [h = h](double py) { return static_cast<float>((0.5 - py / h) * 10.0); };
        std::vector<TriPolygon> whole = sheet(worldX(3.3), worldY(h - 2.3), worldX(w - 4.2), worldY(2.2), 0, 1, false);
        std::vector<TriPolygon> tiny = sheet(worldX(3.3), worldY(h - 2.3), worldX(w - 4.2), worldY(2.2), 0, 90, false);
        const CadObject wholeMesh = meshOf(whole), tinyMesh = meshOf(tiny);
        const std::vector<Light> lights = {{{-10, 10, -10}}};
        const std::vector<uint32_t> big = draw(camera(1.33f), {&wholeMesh}, lights, w, h).pixels;
        for (const char* threads : {"1", "3"}) {
            SCOPED_TRACE(threads);
            setenv("KXRENDER_THREADS", threads, 1);
            const std::vector<uint32_t> small = draw(camera(1.33f), {&tinyMesh}, lights, w, h).pixels;
            unsetenv("KXRENDER_THREADS");
            ASSERT_EQ(small.size(), big.size());
            int covered = 0;
            for (size_t i = 0; i < big.size(); ++i) {
                EXPECT_EQ(small[i] != KXRENDER_BACKGROUND, big[i] != KXRENDER_BACKGROUND) << "pixel " << i;
                covered += big[i] != KXRENDER_BACKGROUND;
            }
            EXPECT_GT(covered, 100);
            // Where the camera's picture fills the target, centres 3 to w - 5 and 2 to h - 3.
            if (w == kW) {
                EXPECT_EQ(covered, (w - 7) * (h - 4));
            }
        }
    }
}

TEST(Raster, PointsFoundOnTheRaysAreLitAsPointsFromTheCorners) {
    // A sheet without normals is lit at points found from each pixel's ray
    // and depth; the same sheet whose corners bring the face's normal is lit
    // at points weighted from its corners. Near lights and a slanted sheet
    // make the point matter; the colours agree. The whole scene made 1e14
    // times larger puts the sheet's points (not yet its lights) beyond the
    // batch's single precision: they are lit exactly, at the points on the
    // rays, and the colours agree again.
    for (float scale : {1.0f, 1e14f})
        for (int side : {1, 60}) {
            SCOPED_TRACE(testing::Message() << "side " << side << ", scale " << scale);
            std::vector<TriPolygon> plain = sheet(-8, -6, 8, 6, 0, side, false);
            std::vector<TriPolygon> given = sheet(-8, -6, 8, 6, 0, side, true);
            for (auto* mesh : {&plain, &given})
                for (TriPolygon& t : *mesh)
                    for (int k = 0; k < 3; ++k) {
                        t.vertex[k].z = t.vertex[k].x * 0.5f;  // turned away to the right
                        if (mesh == &given) t.normal[k] = {0.5f, 0, -1};
                    }
            for (TriPolygon& t : plain)
                for (Point3d& v : t.vertex) v = {v.x * scale, v.y * scale, v.z * scale};
            const CadObject a = meshOf(plain), b = meshOf(given);
            auto lightsAt = [](float s) {
                return std::vector<Light>{{{-2 * s, 1 * s, -3 * s}}, {{3 * s, -1 * s, -2 * s}, true, {3 * s, -1 * s, 2 * s}}};
            };
            CameraInfo far = camera(1.33f);
            far.location.z *= scale;
            const Picture fromRays = draw(far, {&a}, lightsAt(scale));
            const Picture fromCorners = draw(camera(1.33f), {&b}, lightsAt(1));
            EXPECT_GT(expectSameColours(fromRays, fromCorners, 2, 3 * 0x60), 100);
        }
}

}  // namespace

namespace {

// A mesh's triangles with their corners shared: corners equal in position
// and normal, bit for bit, become one.
struct Welded {
    std::vector<float> positions, normals;
    std::vector<uint32_t> corners;
    PreviewMesh mesh{};

    explicit Welded(const std::vector<TriPolygon>& triangles, bool keepNormals = true) {
        std::map<std::array<uint32_t, 6>, uint32_t> seen;
        for (const TriPolygon& t : triangles)
            for (int k = 0; k < 3; ++k) {
                const float values[6] = {t.vertex[k].x, t.vertex[k].y, t.vertex[k].z,
                                         t.normal[k].x, t.normal[k].y, t.normal[k].z};
                std::array<uint32_t, 6> key;
                std::memcpy(key.data(), values, sizeof values);
                const auto [at, added] = seen.emplace(key, static_cast<uint32_t>(seen.size()));
                if (added) {
                    positions.insert(positions.end(), values, values + 3);
                    normals.insert(normals.end(), values + 3, values + 6);
                }
                corners.push_back(at->second);
            }
        mesh = {static_cast<uint32_t>(positions.size() / 3), static_cast<uint32_t>(triangles.size()),
                positions.data(), keepNormals ? normals.data() : nullptr, corners.data()};
    }
};

TEST(Raster, IndexedMeshDrawsTheSamePixelsAsItsRecords) {
    // The indexed form of a mesh, each corner projected once and the picture
    // cut into bands of rows shared among threads, gives the picture of the
    // mesh's own records on one thread: at any size, with a square drawn
    // before it, with the face's normal or the corners' own, with a triangle
    // cut at the near plane, and with an image map.
    std::vector<TriPolygon> wave = longMesh(128);
    std::vector<TriPolygon> smooth = longMesh(96);
    for (TriPolygon& t : smooth)
        for (int k = 0; k < 3; ++k)
            t.normal[k] = {std::cos(t.vertex[k].x) * 0.3f, -std::sin(t.vertex[k].y) * 0.2f, -1.0f};
    std::vector<TriPolygon> mixed = sheet(-8, -6, 8, 6, 1, 70, true);
    for (size_t i = 0; i < mixed.size(); i += 3) mixed[i].normal[0] = mixed[i].normal[1] = mixed[i].normal[2] = {};
    unsigned char pixels[] = {255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
    TextureInfo map{};
    map.text = reinterpret_cast<char*>(pixels);
    map.reserved1 = 2;
    map.reserved2 = 2;
    const Square front(1, 0, 2.5f, -3, 0xFF0000);
    const std::vector<Light> lights = {{{-10, 10, -10}}, {{5, 0, -6}, true, {0, 0, 0}}};
    struct Case {
        const char* name;
        std::vector<TriPolygon>* triangles;
        bool squareFirst;
        bool imageMap;
    };
    const Case cases[] = {
        {"a wave with a cut triangle", &wave, false, false},
        {"behind a square drawn first", &wave, true, false},
        {"the corners' own normals", &smooth, false, false},
        {"some faces with normals, some without", &mixed, true, false},
        {"an image map", &wave, false, true},
    };
    const std::pair<int, int> sizes[] = {{kW, kH}, {61, 45}, {97, 13}, {7, 5}, {300, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CadObject records = meshOf(*c.triangles);
        const Welded welded(*c.triangles);
        ASSERT_LT(welded.mesh.cornerCount, 3 * welded.mesh.triangleCount / 2);
        std::vector<const CadObject*> objects{&records};
        Handing byRecords, byIndex;
        byIndex.indexed = {&welded.mesh};
        if (c.squareFirst) {
            objects.insert(objects.begin(), &front.o);
            byIndex.indexed.insert(byIndex.indexed.begin(), nullptr);
        }
        if (c.imageMap) {
            byRecords.material = byIndex.material = &map;
            byRecords.mode = byIndex.mode = KXRENDER_TEXTURED;
        }
        for (const auto& [w, h] : sizes) {
            SCOPED_TRACE(testing::Message() << w << " x " << h);
            setenv("KXRENDER_THREADS", "1", 1);
            const std::vector<uint32_t> expected = draw(camera(1.33f), objects, lights, w, h, byRecords).pixels;
            int covered = 0;
            for (uint32_t p : expected) covered += p != KXRENDER_BACKGROUND;
            EXPECT_GT(covered, w * h / 10);
            for (const char* threads : {"1", "2", "3", "7"}) {
                SCOPED_TRACE(threads);
                setenv("KXRENDER_THREADS", threads, 1);
                EXPECT_EQ(draw(camera(1.33f), objects, lights, w, h, byIndex).pixels, expected);
            }
            unsetenv("KXRENDER_THREADS");
        }
    }
}

TEST(Raster, IndexedMeshNamingAMissingCornerIsRefused) {
    std::vector<TriPolygon> triangles = sheet(-4, -3, 4, 3, 0, 4, false);
    Welded welded(triangles);
    const CadObject object = meshOf(triangles);
    const Picture blank = draw(camera(1.33f), {});
    struct Case {
        const char* name;
        void (*damage)(PreviewMesh&, std::vector<uint32_t>&);
    };
    const Case cases[] = {
        {"a corner number past the corners", [](PreviewMesh&, std::vector<uint32_t>& c) { c[4] = 1000; }},
        {"one corner fewer than named", [](PreviewMesh& m, std::vector<uint32_t>&) { --m.cornerCount; }},
        {"no corner numbers", [](PreviewMesh& m, std::vector<uint32_t>&) { m.corners = nullptr; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Welded damaged(triangles);
        c.damage(damaged.mesh, damaged.corners);
        Capture target;
        ASSERT_EQ(RenderOpen(&target), 1);
        RenderBeginFrame(&target);
        const CameraInfo cam = camera(1.33f);
        RenderSetCamera(&cam, KXRENDER_SHADED, 0);
        EXPECT_EQ(RenderMesh(&object, &damaged.mesh, nullptr), 0);
        RenderEndFrame();
        RenderClose(&target);
        EXPECT_EQ(target.picture.pixels, blank.pixels);
    }
    // Whole, the same mesh draws.
    Handing byIndex;
    byIndex.indexed = {&welded.mesh};
    EXPECT_NE(draw(camera(1.33f), {&object}, {}, kW, kH, byIndex).pixels, blank.pixels);
}

}  // namespace

TEST(Raster, LinesAndPointsAreDrawnThinAndMarkersNeverHideASurface) {
    // The picture's centre is where the camera looks; the middle row is y = 0.
    const Square square(0, 0, 2, 0, 0x0000FF);
    constexpr uint32_t kGreen = 0xFF00FF00u, kGrey = 0xFFB4B4B4u;
    const Thin before(KX_LINESEG, {{{-3, 0, -1}, {3, 0, -1}}}, 0x00FF00);
    const Thin behind(KX_LINESEG, {{{-3, 0, 1}, {3, 0, 1}}}, 0x00FF00);
    const Thin onIt(KX_LINESEG, {{{-3, 0, 0}, {3, 0, 0}}}, 0x00FF00);
    const Thin point(KX_POINTS, {{{0, 0, -1}}}, 0x00FF00);
    const Thin path(KX_POINTS, {{{-3, -1, -1}}, {{3, -1, -1}}}, 0x00FF00);
    const Thin light(KX_LIGHT, {{{-9, 0, -1}, {9, 0, -1}}}, 0x00FF00);
    const Thin camera(KX_CAMERA, {{{-9, 0, -1}, {9, 0, -1}}}, 0);
    // A member a difference takes away comes as segments and outlines.
    const Thin wire(KX_LINESEG, {{{-2, -1, -1}, {2, -1, -1}, {2, 1, -1}, {-2, 1, -1}}}, 0x00FF00);
    const int cx = kW / 2, cy = kH / 2;
    struct Case {
        const char* name;
        std::vector<const CadObject*> objects;
        std::vector<std::pair<int, int>> lineAt, notLineAt;  // pixels in the line's colour or not
        uint32_t colour;
    };
    const Case cases[] = {
        {"a segment in front of a surface", {&square.o, &before.o}, {{cx, cy}, {cx - 8, cy}}, {{cx, cy - 3}}, kGreen},
        {"a segment behind a surface drawn after it", {&behind.o, &square.o}, {}, {{cx, cy}}, kGreen},
        {"a segment behind a surface drawn before it", {&square.o, &behind.o}, {}, {{cx, cy}}, kGreen},
        {"a segment lying on a surface", {&square.o, &onIt.o}, {{cx, cy}}, {}, kGreen},
        {"a lone point: a small cross", {&point.o}, {{cx, cy}, {cx + 2, cy}, {cx, cy - 2}},
         {{cx + 4, cy}, {cx + 1, cy + 1}}, kGreen},
        {"a point object's points joined in order", {&path.o}, {{cx - 5, cy + 5}, {cx + 5, cy + 5}}, {}, kGreen},
        {"a light's marker in front of a surface", {&light.o, &square.o}, {{2, cy}, {kW - 3, cy}}, {{cx, cy}}, kGreen},
        {"a black camera's marker shows grey", {&camera.o}, {{2, cy}, {cx, cy}}, {}, kGrey},
        {"a wire's face outlined, not filled", {&square.o, &wire.o}, {{cx, cy - 6}, {cx, cy + 5}}, {{cx, cy}}, kGreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture p = draw(::camera(1.33f), c.objects, {{{-10, 10, -10}}});
        for (const auto& [x, y] : c.lineAt) EXPECT_EQ(p.at(x, y), c.colour) << x << "," << y;
        for (const auto& [x, y] : c.notLineAt) EXPECT_NE(p.at(x, y), c.colour) << x << "," << y;
    }
    // The surface under a marker keeps its own colour.
    const Picture plain = draw(::camera(1.33f), {&square.o}, {{{-10, 10, -10}}});
    const Picture marked = draw(::camera(1.33f), {&light.o, &square.o}, {{{-10, 10, -10}}});
    EXPECT_EQ(marked.at(cx, cy), plain.at(cx, cy));
}

namespace {

// One frame holding a single member of an intersection or a difference.
Picture drawClipped(const CadObject& member, const PreviewClip& clip, const std::vector<Light>& lights) {
    Capture target;
    const CameraInfo cam = camera(1.33f);
    EXPECT_EQ(RenderOpen(&target), 1);
    EXPECT_EQ(RenderBeginFrame(&target), 1);
    EXPECT_EQ(RenderSetCamera(&cam, KXRENDER_SHADED, 0), 1);
    for (size_t i = 0; i < lights.size(); ++i)
        EXPECT_EQ(RenderLight(static_cast<int>(i), &lights[i].position, nullptr, 0xFFFFFF), 1);
    EXPECT_EQ(RenderClippedObject(&member, nullptr, nullptr, &clip), 1);
    EXPECT_EQ(RenderEndFrame(), 1);
    EXPECT_EQ(RenderClose(&target), 1);
    return target.picture;
}

CadObject solidBox(Point3d centre, Point3d size) {
    CadObject o{};
    o.type = KX_BOX;
    o.flags = KX_FLAG_VISIBLE;
    o.size = size;
    o.scale = {1, 1, 1};
    o.translate = centre;
    return o;
}

}  // namespace

// The drawn picture holds the whole one's pixels left of the centre column
// and nothing right of it.
bool leftHalfOnly(const Picture& d, const Picture& w, int c) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (x < c - 2 && d.at(x, y) != w.at(x, y)) return false;
            if (x > c + 1 && d.covered(x, y)) return false;
        }
    return std::any_of(d.pixels.begin(), d.pixels.end(), [](uint32_t p) { return p != KXRENDER_BACKGROUND; });
}

TEST(Raster, ClippedMembersShowOnlyWhatTheirGroupKeeps) {
    const std::vector<Light> lights = {{{-10, 10, -10}}};
    const CadObject ball = sphere({0, 0, 0}, 2, 0x40C040);
    const Picture whole = draw(camera(1.33f), {&ball}, lights);
    const int centre = kW / 2;
    const CadObject around = solidBox({0, 0, 0}, {6, 6, 6}), leftHalf = solidBox({-3, 0, 0}, {6, 6, 6}),
                    bite = solidBox({0, 0, -2}, {1.5f, 1.5f, 1.5f});
    CadObject leftOfPlane = solidBox({0, 0, 0}, {8, 0, 8});
    leftOfPlane.type = KX_PLANE;
    leftOfPlane.rotate = {0, 0, -90};
    // A far torus the ball must lie outside changes nothing: its box misses
    // every triangle, which is then kept whole.
    CadObject ring{};
    ring.type = KX_TORUS;
    ring.flags = KX_FLAG_VISIBLE;
    ring.size = {1, 0.3f, 0};
    ring.scale = {1, 1, 1};
    ring.translate = {30, 0, 0};
    struct Case {
        const char* name;
        std::vector<CadObject> within, without;
        bool (*expected)(const Picture& drawn, const Picture& whole, int centre);
    };
    const Case cases[] = {
        {"within a box around it", {around}, {},
         [](const Picture& d, const Picture& w, int) { return d.pixels == w.pixels; }},
        {"within a box around it and outside a far torus", {around}, {ring},
         [](const Picture& d, const Picture& w, int) { return d.pixels == w.pixels; }},
        {"outside a box around it", {}, {around},
         [](const Picture& d, const Picture&, int) {
             return std::all_of(d.pixels.begin(), d.pixels.end(), [](uint32_t p) { return p == KXRENDER_BACKGROUND; });
         }},
        {"within the left half", {leftHalf}, {}, leftHalfOnly},
        {"below a plane whose normal points right", {leftOfPlane}, {}, leftHalfOnly},
        {"within a ball around it", {sphere({0, 0, 0}, 3, 0)}, {},
         [](const Picture& d, const Picture& w, int) { return d.pixels == w.pixels; }},
        {"outside a ball that bites its front", {}, {sphere({0, 0, -2}, 0.9f, 0)},
         [](const Picture& d, const Picture& w, int c) {
             const int y = kH / 2;
             return d.covered(c, y) && d.at(c, y) != w.at(c, y) && d.at(c - 8, y) == w.at(c - 8, y);
         }},
        {"outside a box that bites its front", {}, {bite},
         [](const Picture& d, const Picture& w, int c) {
             // Through the bite the inside of its far side shows.
             const int y = kH / 2;
             return d.covered(c, y) && d.at(c, y) != w.at(c, y) && d.at(c - 8, y) == w.at(c - 8, y);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PreviewClip clip{c.within.data(), static_cast<uint32_t>(c.within.size()), c.without.data(),
                               static_cast<uint32_t>(c.without.size())};
        EXPECT_TRUE(c.expected(drawClipped(ball, clip, lights), whole, centre));
    }
    // Counts that name no solids, or no clip, are refused.
    Capture target;
    const CameraInfo cam = camera(1.33f);
    ASSERT_EQ(RenderOpen(&target), 1);
    ASSERT_EQ(RenderBeginFrame(&target), 1);
    ASSERT_EQ(RenderSetCamera(&cam, KXRENDER_SHADED, 0), 1);
    const PreviewClip missing{nullptr, 1, nullptr, 0};
    EXPECT_EQ(RenderClippedObject(&ball, nullptr, nullptr, &missing), 0);
    EXPECT_EQ(RenderClippedObject(&ball, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(RenderEndFrame(), 1);
    EXPECT_EQ(RenderClose(&target), 1);
}

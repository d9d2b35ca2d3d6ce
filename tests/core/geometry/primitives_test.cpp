// The preview meshes: counts, first vertices and vertex order of every type,
// the subdivision setting, and generators fed with sizes from outside.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "geometry/mesh_builder.h"
#include "mesh_expect.h"
#include "model/memory.h"

namespace kxtest {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class PrimitivesTest : public CoreTest {
protected:
    // A bare object of a type with the given size, for calling one generator.
    CadObject* shape(unsigned type, Point3d size, Point3d extra = {0, 0, 0}) {
        CadObject* obj = NewCadObject("shape");
        obj->type = type;
        obj->size = size;
        obj->extraPoint = extra;
        return obj;
    }
};

struct DefaultCase {
    const char* what;
    int (*create)();
    unsigned type;
    const char* name;
    unsigned count;
    unsigned nodeSize;
    std::vector<Point3d> first;  // leading vertices of the list
};

TEST_F(PrimitivesTest, DefaultObjectsHaveTheirCountsAndFirstVertices) {
    const std::vector<DefaultCase> cases = {
        {"sphere", CreateDefaultSphere, KX_SPHERE, "_sphere0", 120, 3,
         {{0.4330127f, 0.25f, 0.8660254f}, {0.5f, 0, 0.8660254f}, {0, 0, 1}}},
        {"ellipsoid", CreateDefaultEllipsiod, KX_SPHERE, "_sphere0", 120, 3, {}},
        {"blob", CreateDefaultBlob, KX_BLOB, "_blob0", 120, 3, {{0.4330127f, 0.25f, 0.8660254f}}},
        {"plane", CreateDefaultPlane, KX_PLANE, "_plane0", 8, 3,
         {{0, 0, 0}, {-4, 0, 0}, {-4, 0, -4}, {-4, 0, -4}, {0, 0, -4}, {0, 0, 0}, {4, 0, 0}}},
        {"disc", CreateDefaultDisc, KX_DISC, "_disc0", 12, 3,
         {{0, 0, 0}, {0, 0, -1}, {-0.5f, 0, -0.8660254f}, {0, 0, 0}, {-0.5f, 0, -0.8660254f}}},
        {"cylinder", CreateDefaultCylinder, KX_CYLINDER, "_cylinder0", 48, 3,
         {{0, -1, 0}, {0, -1, -1}, {-0.5f, -1, -0.8660254f}}},
        {"pointed cone", CreateDefaultCone, KX_CONE, "_cone0", 24, 3,
         {{0, -1, 0}, {0, -1, -1}, {-0.5f, -1, -0.8660254f}}},
        {"torus", CreateDefaultTorus, KX_TORUS, "_torus0", 288, 3,
         {{-1.5669873f, -0.25f, 0}, {-1.5f, 0, 0}, {-1.2990381f, 0, -0.75f}}},
        {"box", CreateDefaultBox, KX_BOX, "_box0", 12, 3,
         {{-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}}},
        {"user-defined", CreateDefaultUserDefined, KX_USERDEFINED, "_userdefined0", 12, 3,
         {{-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}}},
        {"height field", CreateDefaultHeightfield, KX_HEIGHTFIELD, "_heightfield0", 6, 3,
         {{-0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}}},
        {"patch", CreateDefaultPatch, KX_PATCH, "_patch0", 18, 3,
         {{-0.5f, 0, -0.5f}, {-1.5f, 0, -0.5f}, {-1.5f, 0, -1.5f}, {-1.5f, 0, -1.5f}, {-0.5f, 0, -1.5f}}},
        {"light", CreateDefaultLight, KX_LIGHT, "_light0", 4, 2,
         {{0.5f, 0, 0}, {-0.5f, 0, 0}, {0, 0.5f, 0}, {0, -0.5f, 0}}},
    };
    for (const DefaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        kx::resetCoreForTests();
        KxSetUiCallbacks(ui.table());
        NewCadObject("earlier")->selected = 1;
        EXPECT_EQ(c.create(), 1);
        CadObject* obj = GetLastCadObject();
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(obj->type, c.type);
        EXPECT_STREQ(obj->name, c.name);
        EXPECT_EQ(obj->count, c.count);
        EXPECT_EQ(CountEntry(obj->points), c.count);
        std::vector<unsigned> sizes = nodeSizes(obj->points);
        EXPECT_EQ(std::count(sizes.begin(), sizes.end(), c.nodeSize), static_cast<long>(c.count));
        expectLeadingVertices(obj->points, c.first);
        // Created objects are the only selected ones, and stay at the origin.
        EXPECT_EQ(obj->selected, 1);
        EXPECT_EQ(GetCadObject(nullptr)->selected, 0);
        EXPECT_TRUE(IsZero(&obj->translate));
        // Only the sphere generator builds the triangle array as well.
        bool sphereLike = c.type == KX_SPHERE || c.type == KX_BLOB;
        EXPECT_EQ(obj->polygons != nullptr, sphereLike);
        if (sphereLike) {
            EXPECT_EQ(obj->polygonCount, c.count);
        }
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(PrimitivesTest, DefaultParametersOfEachType) {
    CreateDefaultPlane();
    EXPECT_TRUE(nearPoint(GetLastCadObject()->size, {8, 0, 8}));
    CreateDefaultTorus();
    EXPECT_TRUE(nearPoint(GetLastCadObject()->size, {2, 0.5f, 0}));
    CreateDefaultBlob();
    EXPECT_TRUE(nearPoint(GetLastCadObject()->extraPoint, {1, 1, 1}));
    CreateDefaultCone();
    EXPECT_TRUE(IsZero(&GetLastCadObject()->extraPoint));
    CreateDefaultText();
    CadObject* text = GetLastCadObject();
    EXPECT_EQ(text->type, KX_TEXT);
    EXPECT_STREQ(text->name, "_text0");
    char value[1024] = {};
    EXPECT_EQ(GetObjectExtraString(text, KX_PROP_TEXTSTRING, value), 1);
    EXPECT_STREQ(value, "Text");
    EXPECT_EQ(CreateTextEx(text), 1);
    EXPECT_NE(text->points, nullptr);
}

// The component radius that puts a lone blob's surface on its drawn sphere,
// and none for fields that never reach their threshold.
TEST_F(PrimitivesTest, BlobRadiusGivesTheDrawnSurfaceOrNone) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float threshold, strength, size, scale;
        double radius;
    } cases[] = {
        {0.5f, 1, 1, 1, 1 / std::sqrt(1 - std::sqrt(0.5))},
        {0.5f, 0, 2, 1.5f, 3 / std::sqrt(1 - std::sqrt(0.5))},  // strength 0 reads as 1
        {0.25f, 4, 1, -2, 2 / std::sqrt(1 - 0.25)},
        {1, 1, 1, 1, 0},      // threshold at the strength
        {2, 1, 1, 1, 0},      // above it
        {0, 1, 1, 1, 0},      // no threshold
        {0.5f, -1, 1, 1, 0},  // a subtracting component alone
        {0.5f, 1, 0, 1, 0},   // no size
        {0.5f, 1, nan, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.threshold << " " << c.strength << " " << c.size << " " << c.scale);
        CadObject blob{};
        blob.type = KX_BLOB;
        blob.extraPoint = {c.threshold, c.strength, 1};
        blob.size = {c.size, c.size, c.size};
        blob.scale = {1, c.scale, 1};
        EXPECT_NEAR(BlobComponentRadius(&blob, c.threshold), c.radius, 1e-6);
    }
    EXPECT_EQ(BlobComponentRadius(nullptr, 0.5), 0);
}

TEST_F(PrimitivesTest, SphereFacetsFollowTheRingOrder) {
    CadObject* s = shape(KX_SPHERE, {0, 2, 0});
    ASSERT_EQ(CreateSphereEx(s), 1);
    std::vector<Point3d> v = listVertices(s->points);
    ASSERT_EQ(v.size(), 360u);
    // The first band facet (after the 12 of the north cap): L(3), L(2), U(2).
    EXPECT_TRUE(nearPoint(v[36], {1.5f, 0.8660254f, 1}));
    EXPECT_TRUE(nearPoint(v[37], {1.7320508f, 0, 1}));
    EXPECT_TRUE(nearPoint(v[38], {1, 0, 1.7320508f}));
    // ... and its partner U(2), U(3), L(3).
    EXPECT_TRUE(nearPoint(v[40], {0.8660254f, 0.5f, 1.7320508f}));
    // The last south-cap facet: last ring's last point, the pole, its first point.
    EXPECT_TRUE(nearPoint(v[357], {0.8660254f, -0.5f, -1.7320508f}));
    EXPECT_TRUE(nearPoint(v[358], {0, 0, -2}));
    EXPECT_TRUE(nearPoint(v[359], {1, 0, -1.7320508f}));
    // Every facet lies on the sphere; the cap and bands face outward, the
    // south cap's order (ring, pole, next) turns its 12 facets inward.
    for (size_t f = 0; f < 120; ++f) {
        double normal[3];
        findnormal(&v[f * 3], normal);
        double centroid[3] = {};
        for (int k = 0; k < 3; ++k) {
            const Point3d& p = v[f * 3 + k];
            EXPECT_NEAR(std::sqrt(double{p.x} * p.x + double{p.y} * p.y + double{p.z} * p.z), 2.0, 1e-6);
            centroid[0] += p.x;
            centroid[1] += p.y;
            centroid[2] += p.z;
        }
        const double facing = f < 108 ? 1.0 : -1.0;
        EXPECT_GT(facing * dot(normal, centroid), 0.0) << "facet " << f;
    }
    // The triangle array is the list's copy.
    ASSERT_EQ(s->polygonCount, 120u);
    EXPECT_TRUE(nearPoint(s->polygons[119].vertex[1], {0, 0, -2}));
}

TEST_F(PrimitivesTest, BoxAndPyramidFacetsAreInTableOrder) {
    const float a = 1, b = 2, c = 3;  // size (2, 4, 6)
    const std::vector<Point3d> box = {
        {-a, -b, -c}, {-a, b, -c}, {a, b, -c},  {a, b, -c},  {a, -b, -c}, {-a, -b, -c},
        {-a, -b, c},  {-a, b, c},  {a, b, c},   {a, b, c},   {a, -b, c},  {-a, -b, c},
        {a, -b, c},   {a, b, c},   {a, b, -c},  {a, b, -c},  {a, -b, -c}, {a, -b, c},
        {-a, -b, c},  {-a, b, c},  {-a, b, -c}, {-a, b, -c}, {-a, -b, -c}, {-a, -b, c},
        {-a, -b, c},  {-a, -b, -c}, {a, -b, -c}, {a, -b, -c}, {a, -b, c},  {-a, -b, c},
        {-a, b, c},   {-a, b, -c}, {a, b, -c},  {a, b, -c},  {a, b, c},   {-a, b, c},
    };
    const std::vector<Point3d> pyramid = {
        {-a, -b, c}, {-a, -b, -c}, {a, -b, -c}, {a, -b, -c}, {a, -b, c}, {-a, -b, c},
        {-a, -b, c}, {0, b, 0},    {a, -b, c},  {-a, -b, -c}, {0, b, 0}, {a, -b, -c},
        {-a, -b, c}, {0, b, 0},    {-a, -b, -c}, {a, -b, c},  {0, b, 0}, {a, -b, -c},
    };
    CadObject* boxObj = shape(KX_BOX, {2, 4, 6});
    ASSERT_EQ(CreateBoxEx(boxObj), 1);
    EXPECT_EQ(boxObj->count, 12u);
    expectLeadingVertices(boxObj->points, box);
    CadObject* field = shape(KX_HEIGHTFIELD, {2, 4, 6});
    ASSERT_EQ(CreateHeightfieldEx(field), 1);
    EXPECT_EQ(field->count, 6u);
    expectLeadingVertices(field->points, pyramid);
}

TEST_F(PrimitivesTest, SubdivisionFactorSetsTheDensity) {
    struct Case {
        double factor;
        unsigned sphere, disc, cylinder, cone, torus, plane;
    };
    const Case cases[] = {
        {1, 120, 12, 48, 24, 288, 8},     {0, 120, 12, 48, 24, 288, 8},
        {-2, 120, 12, 48, 24, 288, 8},    {2, 24, 6, 24, 12, 72, 2},
        {0.5, 528, 24, 96, 48, 1152, 32},
        // N = 1.5 would leave the sphere without a band: two steps at least.
        {4, 8, 4, 16, 8, 32, 0},
        {std::numeric_limits<double>::quiet_NaN(), 120, 12, 48, 24, 288, 8},
        {std::numeric_limits<double>::infinity(), 120, 12, 48, 24, 288, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("factor " + std::to_string(c.factor));
        EXPECT_EQ(SetSubFactor(c.factor), 1);
        CreateDefaultSphere();
        EXPECT_EQ(GetLastCadObject()->count, c.sphere);
        CreateDefaultDisc();
        EXPECT_EQ(GetLastCadObject()->count, c.disc);
        CreateDefaultCylinder();
        EXPECT_EQ(GetLastCadObject()->count, c.cylinder);
        CreateDefaultCone();
        EXPECT_EQ(GetLastCadObject()->count, c.cone);
        CreateDefaultTorus();
        EXPECT_EQ(GetLastCadObject()->count, c.torus);
        CreateDefaultPlane();
        EXPECT_EQ(GetLastCadObject()->count, c.plane);
    }
    // Neither a NaN nor an infinite factor reaches the setting.
    EXPECT_EQ(kx::core().geometry.subFactor, 1.0);
}

TEST_F(PrimitivesTest, TinyFactorIsClampedToTheFinestMesh) {
    EnableLogMessage(1);
    SetSubFactor(1e-9);  // 6e9 steps asked for
    EXPECT_EQ(kx::geometry::stepCount(), 256u);
    EXPECT_NE(dir.read("KALVEX.LOG").find("meshes use 256"), std::string::npos);
    CreateDefaultDisc();
    EXPECT_EQ(GetLastCadObject()->count, 512u);
    // The circle routine stops at 64 points, so the torus does too.
    CreateDefaultTorus();
    EXPECT_EQ(GetLastCadObject()->count, 2u * 63 * 63);
    CreateDefaultSphere();
    EXPECT_EQ(GetLastCadObject()->count, 2u * 512 * 255);
    EXPECT_EQ(GetLastCadObject()->polygonCount, 2u * 512 * 255);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PrimitivesTest, PlaneCoversWholeCellsFromTheNegativeCorner) {
    struct Case {
        Point3d size;
        unsigned count;
        Point3d lo, hi;  // bounds of the mesh when it has one
    };
    const Case cases[] = {
        {{3, 0, 3}, 0, {}, {}},
        {{10, 0, 6}, 4, {-5, 0, -3}, {3, 0, 1}},
        {{8, 2, 8}, 8, {-4, -1, -4}, {4, -1, 4}},
        {{-8, 0, 8}, 0, {}, {}},
        {{kNaN, 0, 8}, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size.x) + " x " + std::to_string(c.size.z));
        CadObject* plane = shape(KX_PLANE, c.size);
        ASSERT_EQ(CreatePlaneEx(plane), 1);
        EXPECT_EQ(plane->count, c.count);
        EXPECT_EQ(CountEntry(plane->points), c.count);
        if (c.count == 0) {
            EXPECT_EQ(plane->points, nullptr);
            // Rebuilding it leaves nothing to draw, and the log says which.
            EnableLogMessage(1);
            std::filesystem::remove(dir.file("KALVEX.LOG"));
            EXPECT_EQ(RebuildObjectEx(plane, 0), 1);
            EXPECT_NE(dir.read("KALVEX.LOG").find(std::string(plane->name) + " has no mesh to draw"),
                      std::string::npos);
            continue;
        }
        Point3d lo, hi;
        ASSERT_EQ(GetObjectBounds(plane->points, &lo, &hi, 0), 1);
        EXPECT_TRUE(nearPoint(lo, c.lo));
        EXPECT_TRUE(nearPoint(hi, c.hi));
    }
}

TEST_F(PrimitivesTest, HugePlaneIsKeptToABoundedGrid) {
    EnableLogMessage(1);
    CadObject* plane = shape(KX_PLANE, {1e9f, 0, 2e9f});
    ASSERT_EQ(CreatePlaneEx(plane), 1);
    EXPECT_EQ(plane->count, 2u * 256 * 256);
    // The widened cells still cover the whole plane.
    Point3d lo, hi;
    GetObjectBounds(plane->points, &lo, &hi, 0);
    EXPECT_TRUE(nearPoint(lo, {-5e8f, 0, -1e9f}, 1));
    EXPECT_TRUE(nearPoint(hi, {5e8f, 0, 1e9f}, 1));
    EXPECT_NE(dir.read("KALVEX.LOG").find("kept to 256 x 256 cells"), std::string::npos);
}

TEST_F(PrimitivesTest, ConesCylindersAndDiscs) {
    // A cone as wide at the top as at the base is a cylinder.
    CadObject* cyl = shape(KX_CYLINDER, {1.5f, 3, 0});
    CadObject* cone = shape(KX_CONE, {1.5f, 3, 0}, {1.5f, 0, 0});
    CreateCylinderEx(cyl);
    CreateConeEx(cone);
    std::vector<Point3d> a = listVertices(cyl->points), b = listVertices(cone->points);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(nearPoint(a[i], b[i], 0)) << i;
    // The band starts after both caps: T(-6), R(-6), R(-5), then R(-5), T(-5), T(-6).
    EXPECT_TRUE(nearPoint(b[72], {0, 1.5f, -1.5f}));
    EXPECT_TRUE(nearPoint(b[73], {0, -1.5f, -1.5f}));
    EXPECT_TRUE(nearPoint(b[76], {-0.75f, 1.5f, -1.2990381f}));
    // A frustum's top ring has the top radius.
    CadObject* frustum = shape(KX_CONE, {2, 2, 0}, {1, 0, 0});
    CreateConeEx(frustum);
    EXPECT_EQ(frustum->count, 48u);
    EXPECT_TRUE(nearPoint(listVertices(frustum->points)[72], {0, 1, -1}));
    // A pointed cone's side runs to the apex at +h/2.
    CadObject* pointed = shape(KX_CONE, {1, 4, 0});
    CreateConeEx(pointed);
    EXPECT_TRUE(nearPoint(listVertices(pointed->points)[36], {0, 2, 0}));
    // A cylinder of radius 0 takes the pointed path.
    CadObject* thin = shape(KX_CYLINDER, {0, 2, 0});
    CreateCylinderEx(thin);
    EXPECT_EQ(thin->count, 24u);
    // A disc with height: apex at +h/2, rim at -h/2.
    CadObject* tent = shape(KX_DISC, {1, 2, 0});
    CreateDiscEx(tent);
    EXPECT_TRUE(nearPoint(tent->points->points[0], {0, 1, 0}));
    EXPECT_TRUE(nearPoint(tent->points->points[1], {0, -1, -1}));
}

TEST_F(PrimitivesTest, TorusWithoutAHoleSkipsItsFirstBand) {
    CadObject* torus = shape(KX_TORUS, {1, 1, 0});
    ASSERT_EQ(CreateTorusEx(torus), 1);
    EXPECT_EQ(torus->count, 288u - 24u);
    // Its first facet belongs to the second band: W(2,0), W(1,0), W(1,1).
    const double s1x = -0.8660254, s1y = -0.5, s2x = -0.5, s2y = -0.8660254;
    expectLeadingVertices(torus->points, {{static_cast<float>(-(1 + s2x)), static_cast<float>(s2y), 0},
                                          {static_cast<float>(-(1 + s1x)), static_cast<float>(s1y), 0}});
}

TEST_F(PrimitivesTest, GeneratorAllocationFailuresAreReported) {
    CadObject* s = shape(KX_SPHERE, {1, 1, 1});
    ASSERT_EQ(CreateSphereEx(s), 1);
    ListEntry* before = s->points;
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(CreateSphereEx(s), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Error allocating point array for subdivsion");
    EXPECT_EQ(s->points, before);  // the mesh is left as it was
    EXPECT_EQ(s->count, 120u);

    ui.clear();
    CadObject* torus = shape(KX_TORUS, {2, 0.5f, 0});
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(CreateTorusEx(torus), 0);
    kx::mem::failAllocationsAfter(-1);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Error allocating fixed circle array");
    EXPECT_EQ(ui.messages[1].text, "Error generating torus cross section");
    EXPECT_EQ(torus->points, nullptr);

    // A node that cannot be made is reported once; the mesh keeps what it has.
    ui.clear();
    CadObject* box = shape(KX_BOX, {1, 1, 1});
    kx::mem::failAllocationsAfter(10);  // five nodes of two allocations each
    EXPECT_EQ(CreateBoxEx(box), 1);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(box->count, 5u);
    EXPECT_EQ(CountEntry(box->points), 5u);
    EXPECT_EQ(ui.messages.size(), 1u);
}

struct LightCase {
    const char* what;
    std::vector<double> values;  // LightValues; none when empty
    unsigned segments;
};

TEST_F(PrimitivesTest, LightWireframeFollowsTypeAndFalloff) {
    const LightCase cases[] = {
        {"no values", {}, 4},
        {"point light", {0, 0, 30, 0, 0, 0}, 4},
        {"area light", {2, 0, 30, 0, 0, 0}, 4},
        {"spot, no falloff", {1, 0, 0, 0, 0, 0}, 5},
        {"spot", {1, 0, 30, 0, 0, 0}, 13},
        {"type 1.5 counts as spot", {1.9, 0, 0, 0, 0, 0}, 5},
        {"type not a number", {std::nan(""), 0, 30, 0, 0, 0}, 4},
        {"huge type", {1e300, 0, 30, 0, 0, 0}, 4},
    };
    for (const LightCase& c : cases) {
        SCOPED_TRACE(c.what);
        CadObject* light = shape(KX_LIGHT, {1, 1, 1}, {10, 0, 0});
        if (!c.values.empty())
            SetObjectExtraValues(light, KX_PROP_LIGHTVALUES, 6, const_cast<double*>(c.values.data()));
        ASSERT_EQ(CreateLightEx(light), 1);
        EXPECT_EQ(light->count, c.segments);
        std::vector<unsigned> sizes = nodeSizes(light->points);
        EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 2u), static_cast<long>(c.segments));
        expectLeadingVertices(light->points, {{0.5f, 0, 0}, {-0.5f, 0, 0}, {0, 0.5f, 0}, {0, -0.5f, 0},
                                              {0.35f, 0.35f, 0.35f}, {-0.35f, -0.35f, -0.35f},
                                              {-0.35f, 0.35f, -0.35f}, {0.35f, -0.35f, 0.35f}});
        // A spot light's fifth segment runs from the light to its target.
        if (c.segments > 4) {
            std::vector<Point3d> v = listVertices(light->points);
            EXPECT_TRUE(nearPoint(v[8], {0, 0, 0}));
            EXPECT_TRUE(nearPoint(v[9], {10, 0, 0}));
        }
    }
}

TEST_F(PrimitivesTest, SpotLightConeAroundItsTarget) {
    CadObject* light = shape(KX_LIGHT, {1, 1, 1}, {10, 0, 0});
    double values[6] = {1, 0, 30, 0, 0, 0};
    SetObjectExtraValues(light, KX_PROP_LIGHTVALUES, 6, values);
    ASSERT_EQ(CreateLightEx(light), 1);
    std::vector<Point3d> v = listVertices(light->points);
    ASSERT_EQ(v.size(), 26u);
    const Point3d o{0, 0, 0}, target{10, 0, 0};
    const Point3d a{8.660254f, -5, 0}, b{8.660254f, 5, 0};  // about z by -30 and +30 degrees
    const Point3d c{8.660254f, 0, 5}, d{8.660254f, 0, -5};  // about y by -30 and +30 degrees
    const std::vector<Point3d> tail = {o, target, o, a, o, b, o, c, o, d, a, c, c, b, b, d, d, a};
    for (size_t i = 0; i < tail.size(); ++i) EXPECT_TRUE(nearPoint(v[8 + i], tail[i])) << 8 + i;
}

TEST_F(PrimitivesTest, CameraAndWireframes) {
    CadObject* cam = shape(KX_CAMERA, {0, 0, 0});
    ASSERT_EQ(CreateCameraEx(cam), 1);
    EXPECT_EQ(cam->count, 20u);
    std::vector<Point3d> v = listVertices(cam->points);
    ASSERT_EQ(v.size(), 40u);
    EXPECT_TRUE(nearPoint(v[0], {1, 1, 1}));
    EXPECT_TRUE(nearPoint(v[1], {-1, 1, 1}));
    EXPECT_TRUE(nearPoint(v[8], {1, 1, -1}));
    EXPECT_TRUE(nearPoint(v[16], {1, 1, 0}));
    EXPECT_TRUE(nearPoint(v[24], {1, 1, -1}));
    EXPECT_TRUE(nearPoint(v[25], {1, 1, 0}));
    EXPECT_TRUE(nearPoint(v[38], {-1, -1, 1}));
    EXPECT_TRUE(nearPoint(v[39], {0, 0, 0}));

    Point3d pts[5] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}};
    EXPECT_EQ(CreateWireFrame(cam, 5, pts), 1);  // the odd point is left out
    EXPECT_EQ(cam->count, 2u);
    expectLeadingVertices(cam->points, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}});
    EXPECT_EQ(CreateWireFrame(cam, 0, pts), 1);
    EXPECT_EQ(cam->count, 0u);
    EXPECT_EQ(cam->points, nullptr);
    EXPECT_EQ(CreateWireFrame(nullptr, 2, pts), 0);
}

TEST_F(PrimitivesTest, PatchNetIsStoredAndReadBack) {
    CreateDefaultPatch();
    CadObject* patch = GetLastCadObject();
    Point3d net[16];
    ASSERT_EQ(UnpackPatch(patch, net), 1);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_TRUE(nearPoint(net[r * 4 + c], {-1.5f + c, 0, -1.5f + r}, 0)) << r << c;
    // The unedited preview gives the stored net back exactly.
    Point3d back[16];
    ASSERT_EQ(GetPatchFromPoints(patch, back), 1);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(nearPoint(back[i], net[i], 0)) << i;

    // A net of its own is kept through a regeneration; an edited corner is read back.
    net[15] = Point3d{1.5f, 2, 1.5f};
    ASSERT_EQ(PackPatch(patch, net), 1);
    DeleteObjectPolygons(patch);  // what a rebuild does first
    ASSERT_EQ(CreatePatchEx(patch), 1);
    std::vector<Point3d> v = listVertices(patch->points);
    EXPECT_TRUE(nearPoint(v[53], {1.5f, 2, 1.5f}, 0));
    ASSERT_EQ(GetPatchFromPoints(patch, back), 1);
    // The object was normalised first: the net is read around its centre.
    EXPECT_TRUE(nearPoint(back[15], {1.5f, 1, 1.5f}));
    EXPECT_TRUE(nearPoint(back[0], {-1.5f, -1, -1.5f}));
}

TEST_F(PrimitivesTest, ShortOrDamagedPatchInputsGiveDefinedResults) {
    CadObject* mesh = makeMesh("m", 15);
    mesh->selected = 1;
    Point3d net[16];
    for (Point3d& p : net) p = Point3d{7, 7, 7};
    EXPECT_EQ(GetPatchFromPoints(mesh, net), 0);
    EXPECT_EQ(ui.lastMessage(), "Too few control points in patch");
    EXPECT_TRUE(nearPoint(net[0], {7, 7, 7}, 0));  // untouched

    // 16 triangles hold 48 vertices: the picks beyond them are zero.
    CadObject* sixteen = makeMesh("s", 16);
    ASSERT_EQ(GetPatchFromPoints(sixteen, net), 1);
    std::vector<Point3d> v = listVertices(sixteen->points);
    EXPECT_TRUE(nearPoint(net[12], v[37], 0));
    EXPECT_TRUE(IsZero(&net[10]));  // position 50
    EXPECT_TRUE(IsZero(&net[15]));  // position 53

    // Nodes larger than triangles fill the read buffer past 64 vertices.
    CadObject* big = NewCadObject("octagons");
    big->type = KX_POLYGON;
    ListEntry* tail = nullptr;
    for (int i = 0; i < 20; ++i) {
        Point3d oct[8];
        for (int k = 0; k < 8; ++k) oct[k] = Point3d{float(i), float(k), 0};
        tail = AddEntry(8, tail, oct);
        if (!big->points) big->points = tail;
    }
    big->count = 20;
    ASSERT_EQ(GetPatchFromPoints(big, net), 1);
    EXPECT_TRUE(nearPoint(net[15], {6, 5, 0}, 0));  // position 53 = node 6, vertex 5

    // A PatchData field of fewer than 16 points is replaced by the default net.
    EnableLogMessage(1);
    CadObject* patch = shape(KX_PATCH, {3, 0, 3});
    Point3d few[4] = {};
    SetObjectExtra(patch, KX_VALUE_POINTSARRAY, KX_PROP_PATCHDATA, 4, few);
    EXPECT_EQ(UnpackPatch(patch, net), 0);
    ASSERT_EQ(CreatePatchEx(patch), 1);
    ASSERT_EQ(UnpackPatch(patch, net), 1);
    EXPECT_TRUE(nearPoint(net[0], {-1.5f, 0, -1.5f}, 0));
    EXPECT_NE(dir.read("KALVEX.LOG").find("is not 16 points"), std::string::npos);
}

}  // namespace
}  // namespace kxtest

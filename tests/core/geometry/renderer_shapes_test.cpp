// The renderer's own shapes: their proxies follow the parameters, refused
// parameters draw the container and keep the shape out of the render, and
// the scene file keeps them whole (and a reader without them keeps the rest).
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"

namespace kxtest {
namespace {

class RendererShapesTest : public SceneTest {
protected:
    CadObject* make(unsigned type) { return CreateDefaultObjectEx(nullptr, type, nullptr); }

    std::string exportPov() {
        const std::string path = dir.file("shapes.pov");
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
        f->type = KX_FILETYPE_POVRAY3;
        EXPECT_EQ(ExportObjects(f), 1);
        EXPECT_EQ(StdCloseFile(f), 1);
        return withoutCarriageReturns(dir.read("shapes.pov"));
    }
    std::string save(const std::string& name) {
        EXPECT_EQ(SaveScene2(GetCurrentScene(), dir.file(name).c_str()), 1);
        return dir.read(name);
    }
    int reload(const std::string& name) {
        ClearScene(GetCurrentScene());
        InitScene();
        StandardFile* f = StdOpenFile(dir.file(name).c_str(), KX_OPEN_READ);
        if (!f) return -1;
        double version = 0;
        if (!ReadKalvexVersion(f, &version)) return 0;
        return ReadKalvexScene2(f);
    }
};

struct Extent {
    unsigned type;
    Point3d low, high;
    float tolerance;
};

TEST_F(RendererShapesTest, EachProxyFillsItsShapesExtent) {
    const Extent cases[] = {
        {KX_SUPERELLIPSOID, {-1, -1, -1}, {1, 1, 1}, 0.01f},
        {KX_LATHE, {-1, -1, -1}, {1, 1, 1}, 0.02f},
        // The sor's curve runs from its second to its last-but-one point.
        {KX_SOR, {-1, -1, -1}, {1, 1, 1}, 0.06f},
        {KX_PRISM, {-0.95f, -0.5f, -0.81f}, {0.95f, 0.5f, 1}, 0.01f},
        {KX_SPHERESWEEP, {-1.3f, -0.6f, -0.3f}, {1.3f, 0.7f, 0.3f}, 0.02f},
        {KX_ISOSURFACE, {-0.9f, -0.9f, -0.9f}, {0.9f, 0.9f, 0.9f}, 0.05f},
    };
    for (const Extent& c : cases) {
        SCOPED_TRACE(GetObjectTypeName(static_cast<int>(c.type)));
        CadObject* obj = make(c.type);
        ASSERT_NE(obj, nullptr);
        char problem[160];
        EXPECT_EQ(GetShapeProblem(obj, problem, sizeof problem), 0) << problem;
        ASSERT_GT(CountEntry(obj->points), 12u);
        ASSERT_EQ(CalcObjectBounds(obj), 1);
        EXPECT_NEAR(obj->boundMin.x, c.low.x, c.tolerance);
        EXPECT_NEAR(obj->boundMin.y, c.low.y, c.tolerance);
        EXPECT_NEAR(obj->boundMin.z, c.low.z, c.tolerance);
        EXPECT_NEAR(obj->boundMax.x, c.high.x, c.tolerance);
        EXPECT_NEAR(obj->boundMax.y, c.high.y, c.tolerance);
        EXPECT_NEAR(obj->boundMax.z, c.high.z, c.tolerance);
        DeleteCadObject(obj);
    }
    // The julia set of the default constant lies within the escape radius.
    CadObject* julia = make(KX_JULIA);
    ASSERT_GT(CountEntry(julia->points), 100u);
    ASSERT_EQ(CalcObjectBounds(julia), 1);
    for (float v : {julia->boundMin.x, julia->boundMin.y, julia->boundMin.z, julia->boundMax.x, julia->boundMax.y,
                    julia->boundMax.z})
        EXPECT_LT(std::fabs(v), 2.0f);
    EXPECT_LT(julia->boundMin.x, -0.3f);
    EXPECT_GT(julia->boundMax.x, 0.3f);
}

TEST_F(RendererShapesTest, TheProxyFollowsItsParametersAndTheObjectsPlacement) {
    CadObject* se = make(KX_SUPERELLIPSOID);
    double boxy[2] = {0.1, 0.1};
    SetCadObjectProperty(se, "Exponents", boxy, 2);
    se->size = Point3d{2, 1, 0.5f};
    se->translate = Point3d{3, 0, 0};
    RebuildObjectEx(se, 1);
    ASSERT_EQ(CalcObjectBounds(se), 1);
    EXPECT_NEAR(se->boundMin.x, 1, 0.01);
    EXPECT_NEAR(se->boundMax.x, 5, 0.01);
    EXPECT_NEAR(se->boundMax.z, 0.5, 0.01);

    // A conic prism grows from its apex: at height 0 the outline is a point.
    CadObject* prism = make(KX_PRISM);
    double heights[2] = {0, 2};
    SetCadObjectProperty(prism, "SweepHeights", heights, 2);
    SetCadObjectProperty(prism, "Conic", 1u);
    RebuildObjectEx(prism, 1);
    ASSERT_EQ(CalcObjectBounds(prism), 1);
    EXPECT_NEAR(prism->boundMax.z, 2, 0.01);
    EXPECT_NEAR(prism->boundMin.y, 0, 0.01);
    EXPECT_NEAR(prism->boundMax.y, 2, 0.01);
}

struct Refusal {
    unsigned type;
    void (*spoil)(CadObject*);
    const char* why;
};

TEST_F(RendererShapesTest, RefusedParametersDrawTheContainerAndStayOutOfTheRender) {
    const Refusal cases[] = {
        {KX_SUPERELLIPSOID,
         [](CadObject* o) {
             double e[2] = {0, 0.5};
             SetCadObjectProperty(o, "Exponents", e, 2);
         },
         "needs exponents above 0"},
        {KX_LATHE,
         [](CadObject* o) {
             Point3d one[1] = {{1, 0, 0}};
             SetCadObjectProperty(o, "Profile", one, 1);
         },
         "needs at least 2 points, has 1"},
        {KX_LATHE,
         [](CadObject* o) {
             Point3d twice[3] = {{1, 0, 0}, {1, 0, 0}, {1, 1, 0}};
             SetCadObjectProperty(o, "Profile", twice, 3);
         },
         "points 1 and 2 coincide"},
        {KX_SOR,
         [](CadObject* o) {
             Point3d falling[4] = {{1, 1, 0}, {1, 0.5f, 0}, {1, 0, 0}, {1, -1, 0}};
             SetCadObjectProperty(o, "Profile", falling, 4);
         },
         "needs heights that rise from point to point"},
        {KX_PRISM,
         [](CadObject* o) {
             Point3d bowTie[4] = {{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};
             SetCadObjectProperty(o, "Profile", bowTie, 4);
         },
         "has an outline that crosses itself"},
        {KX_SPHERESWEEP,
         [](CadObject* o) {
             double radii[3] = {0.3, 0, 0.3};
             SetCadObjectProperty(o, "Radii", radii, 3);
         },
         "needs radii above 0"},
        {KX_ISOSURFACE, [](CadObject* o) { SetCadObjectProperty(o, "Function", "sqrt(x*x + y*y"); },
         "has unbalanced parentheses in its function"},
        {KX_JULIA, [](CadObject* o) { SetCadObjectProperty(o, "Iterations", 0u); }, "needs at least one iteration"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.why);
        CadObject* obj = make(c.type);
        c.spoil(obj);
        EXPECT_EQ(RebuildObjectEx(obj, 1), 1);
        char problem[160];
        EXPECT_EQ(GetShapeProblem(obj, problem, sizeof problem), 1);
        EXPECT_STREQ(problem, c.why);
        EXPECT_EQ(CountEntry(obj->points), 12u);  // the container box
        const std::string pov = exportPov();
        EXPECT_EQ(pov.find(obj->name), std::string::npos) << pov;
        DeleteCadObject(obj);
    }
}

TEST_F(RendererShapesTest, AFunctionTheProxyCannotEvaluateIsStillRendered) {
    CadObject* iso = make(KX_ISOSURFACE);
    SetCadObjectProperty(iso, "Function", "f_noise3d(x, y, z) - 0.5");
    RebuildObjectEx(iso, 1);
    EXPECT_EQ(CountEntry(iso->points), 12u);
    EXPECT_EQ(GetShapeProblem(iso, nullptr, 0), 0);
    const std::string pov = exportPov();
    EXPECT_NE(pov.find("#include \"functions.inc\"\n"), std::string::npos);
    EXPECT_NE(pov.find(" function { f_noise3d(x, y, z) - 0.5 }\n"), std::string::npos) << pov;
}

TEST_F(RendererShapesTest, ExportWritesTheExactObjects) {
    const std::pair<unsigned, const char*> cases[] = {
        {KX_SUPERELLIPSOID, "// SUPERELLIPSOID _superellipsoid0\nsuperellipsoid { < 0.5, 0.5 >\n"},
        {KX_LATHE, "lathe { linear_spline 5,\n  < 0, -1 >,\n  < 0.8, -1 >,\n  < 1, -0.4 >,\n  < 0.45, 0.4 >,\n  < 0.6, 1 >\n"},
        {KX_SOR, "sor { 6,\n  < 0.2, -1.2 >,\n"},
        {KX_PRISM, "prism { linear_sweep linear_spline -0.5, 0.5, 11,\n  < 0, 1 >,\n"},
        {KX_SPHERESWEEP, "sphere_sweep { linear_spline 3,\n  < -1, -0.3, 0 >, 0.3,\n  < 0, 0.5, 0 >, 0.2,\n"},
        {KX_ISOSURFACE, "isosurface {\n function { sqrt(x*x + y*y + z*z) - 0.9 }\n contained_by { box { < -1, -1, -1 >, "
                        "< 1, 1, 1 > } }\n threshold 0\n accuracy 0.001\n max_gradient 4\n"},
        {KX_JULIA, "julia_fractal { < -0.083, 0, -0.83, -0.025 >\n quaternion sqr\n max_iteration 8\n precision 15\n "
                   "slice < 0, 0, 0, 1 >, 0\n"},
    };
    for (const auto& [type, text] : cases) make(type);
    CadObject* lathe = GetCadObjectByName("_lathe0");
    SetCadObjectProperty(lathe, "Photons", static_cast<unsigned>(KX_PHOTONS_TARGET | KX_PHOTONS_REFRACTION));
    double fog[4] = {2, 0.5, 0.25, 1};
    SetCadObjectProperty(GetCadObjectByName("_sor0"), "InteriorMedia", fog, 4);
    const std::string pov = exportPov();
    for (const auto& [type, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_NE(pov.find(text), std::string::npos) << pov;
    }
    EXPECT_NE(pov.find(" photons {\n  target\n  refraction on\n }\n"), std::string::npos);
    EXPECT_NE(pov.find(" hollow\n interior { media { scattering { 1, rgb < 0.5, 0.25, 1 > } } }\n"), std::string::npos);
    EXPECT_EQ(pov.find("functions.inc"), std::string::npos);
    // The prism's outline is closed on its first point for the renderer.
    EXPECT_NE(pov.find("  < -0.26, 0.36 >,\n  < 0, 1 >\n"), std::string::npos);

    // The earlier dialect and the other formats get the proxy meshes.
    StandardFile* f = StdOpenFile(dir.file("old.pov").c_str(), KX_OPEN_CREATE);
    f->type = KX_FILETYPE_POVRAY2;
    EXPECT_EQ(ExportObjects(f), 1);
    EXPECT_EQ(StdCloseFile(f), 1);
    const std::string old = withoutCarriageReturns(dir.read("old.pov"));
    EXPECT_EQ(old.find("superellipsoid {"), std::string::npos);
    EXPECT_NE(old.find("// OBJECT _superellipsoid0"), std::string::npos);
}

TEST_F(RendererShapesTest, AProxyPastItsTimeBudgetIsTheContainer) {
    CadObject* julia = make(KX_JULIA);
    SetCadObjectProperty(julia, "Iterations", 100u);
    SetShapeProxyBudget(1);
    RebuildObjectEx(julia, 1);
    EXPECT_EQ(CountEntry(julia->points), 12u);
    SetShapeProxyBudget(250);
    RebuildObjectEx(julia, 1);
    EXPECT_GT(CountEntry(julia->points), 100u);
}

TEST_F(RendererShapesTest, MeshFormatsHoldTheProxies) {
    CadObject* lathe = make(KX_LATHE);
    make(KX_SPHERESWEEP)->translate = Point3d{3, 0, 0};
    const unsigned facets = CountEntry(lathe->points) + CountEntry(GetCadObjectByName("_spheresweep0")->points);
    ASSERT_EQ(WriteSTL(dir.file("shapes.stl").c_str(), 1), 1);
    // A binary STL: 80 bytes of header, the count, 50 bytes a triangle.
    const std::string stl = dir.read("shapes.stl");
    ASSERT_GE(stl.size(), 84u);
    uint32_t count = 0;
    std::memcpy(&count, stl.data() + 80, 4);
    EXPECT_EQ(stl.size(), 84u + 50u * count);
    // Only the facets that close at the lathe's axis, of no area, stay out.
    EXPECT_LE(count, facets);
    EXPECT_GT(count, facets * 9 / 10);
}

TEST_F(RendererShapesTest, SceneFilesKeepThemWholeAndOlderReadersKeepTheRest) {
    for (unsigned type = KX_SUPERELLIPSOID; type <= KX_JULIA; ++type) make(type);
    CadObject* group = CreateDefaultGroup();
    CadObject* ball = add(CreateDefaultSphere);
    CadObject* member = make(KX_SOR);
    for (CadObject* m : {ball, member}) SetCadObjectProperty(m, "GroupId", group->groupId);
    SetCadObjectProperty(GetCadObjectByName("_prism0"), "Conic", 1u);
    const std::string first = save("shapes.cad");
    ASSERT_EQ(reload("shapes.cad"), 1);
    EXPECT_EQ(save("again.cad"), first);
    unsigned sors = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) sors += o->type == KX_SOR;
    EXPECT_EQ(sors, 2u);

    kx::core().settings.readRendererShapes = false;
    ui.clear();
    EXPECT_EQ(reload("shapes.cad"), 1);
    kx::core().settings.readRendererShapes = true;
    std::vector<std::string> kinds;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) kinds.push_back(GetObjectTypeName(static_cast<int>(o->type)));
    EXPECT_EQ(kinds, (std::vector<std::string>{"Group", "Sphere"}));
    EXPECT_EQ(GetCadObjectByName("_sphere0")->parent, GetCadObjectByName("_group0"));
    EXPECT_EQ(GetCadObjectByName("_group0")->name, std::string("_group0"));
    const std::vector<std::string> shown = ui.texts();
    ASSERT_EQ(shown.size(), 8u);
    EXPECT_EQ(shown[0], "Unknown entity Superellipsoid in Kalvex file\n");
    EXPECT_EQ(shown[7], "Unknown entity Sor in Kalvex file\n");
}

}  // namespace
}  // namespace kxtest

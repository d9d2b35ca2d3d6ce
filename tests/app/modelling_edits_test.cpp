// The edit functions behind CSG, light kinds and drawn profiles, below the
// window: which objects a group takes and in what order, what a light
// accepts, and how a profile grows and shrinks — each with its undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "animation/animation_edit.h"
#include "core_fixture.h"
#include "triangle_lists.h"
#include "document/csg_edits.h"
#include "document/light_edits.h"
#include "document/mesh_points.h"
#include "document/profile_edits.h"
#include "document/profile_shapes.h"
#include "document/scene_edits.h"

namespace {

using namespace kx::app;

class ModellingEditsTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    // Draws a profile as one step, then makes a shape of it: the shape, or
    // null when it was refused with the reason expected (then nothing was added).
    CadObject* shapeOf(const std::vector<Point3d>& drawn, const std::function<ProfileShapeResult(CadObject*)>& build,
                       const char* refused) {
        CadObject* profile = nullptr;
        for (const Point3d& p : drawn) {
            EXPECT_TRUE(addProfilePoint(history, profile, p, "Draw Polyline", "draw"));
        }
        history.seal();
        const unsigned before = GetCadObjectsCount();
        const ProfileShapeResult made = build(profile);
        if (refused) {
            EXPECT_EQ(made.shape, nullptr);
            EXPECT_EQ(made.refused, refused);
            EXPECT_EQ(GetCadObjectsCount(), before);
            return nullptr;
        }
        EXPECT_NE(made.shape, nullptr) << made.refused;
        return made.shape;
    }
    CadObject* make(unsigned type, const char* name, Point3d at = {}) {
        CadObject* o = CreateDefaultObjectEx(name, type, &at);
        SetObjectsUnSelected();
        return o;
    }
    static std::vector<std::string> members(const CadObject* group) {
        std::vector<std::string> out;
        for (const CadObject* c = group ? group->firstChild : nullptr; c; c = c->nextSibling) out.push_back(c->name);
        return out;
    }
    static std::vector<std::string> listed() {
        std::vector<std::string> out;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) out.push_back(o->name);
        return out;
    }
    EditHistory history;
};

using Names = std::vector<std::string>;

// Which objects a CSG group takes, and the base first, whatever their order in the scene.
TEST_F(ModellingEditsTest, AGroupAsAnOperationTakesTheSolidsWithTheFirstPickedFirst) {
    struct Case {
        const char* what;
        std::vector<const char*> picked;  // in picking order
        bool animateFirstInList;
        Names members;
    };
    const Case cases[] = {
        {"base already first", {"A", "B", "C"}, false, {"A", "B", "C"}},
        {"base last in the scene", {"C", "A", "B"}, false, {"C", "A", "B"}},
        {"lights and the camera stay out", {"B", "Lamp", "A"}, false, {"B", "A"}},
        {"an animated object keeps its place", {"C", "A"}, true, {"A", "C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearScene(GetCurrentScene());
        InitScene();
        history.clear();
        make(KX_SPHERE, "A");
        make(KX_BOX, "B", {2, 0, 0});
        make(KX_CONE, "C", {4, 0, 0});
        make(KX_LIGHT, "Lamp", {0, 5, 0});
        const Names before = listed();
        if (c.animateFirstInList) {
            ASSERT_TRUE(applyAnimationSetup({"Turn", 3, true, ""}));
            AddSelectedObject(GetCadObjectByName("A"));
            ASSERT_EQ(addSelectedToAnimation(), 1);
            history.clear();
        }
        SetObjectsUnSelected();
        for (const char* n : c.picked) AddSelectedObject(GetCadObjectByName(n));
        ASSERT_TRUE(groupSelectionAs(history, CsgOperation::Difference));
        CadObject* group = GetCadObjectByName("A")->parent;
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(csgOperationOf(group), CsgOperation::Difference);
        EXPECT_EQ(members(group), c.members);
        EXPECT_EQ(GetCadObjectByName("Lamp")->parent, nullptr);
        EXPECT_EQ(outermostSelected(), std::vector<CadObject*>{group});
        // Undo puts every object back in its place, ungrouped.
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(listed(), before);
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) EXPECT_EQ(o->parent, nullptr) << o->name;
        if (c.animateFirstInList) {
            EXPECT_TRUE(GetCadObjectByName("A")->flags & KX_FLAG_ANIMATED);
        }
    }
}

TEST_F(ModellingEditsTest, OperationsReadAsTheExportWritesThem) {
    CadObject* group = make(KX_GROUP, "G");
    struct Case {
        float stored;
        CsgOperation read;
    };
    // Anything the export does not know is written as a union, and read so.
    const Case cases[] = {{0, CsgOperation::Union},        {1, CsgOperation::Merge},
                          {2, CsgOperation::Intersection}, {3, CsgOperation::Difference},
                          {7, CsgOperation::Union},        {2.5f, CsgOperation::Union},
                          {std::nanf(""), CsgOperation::Union}};
    for (const Case& c : cases) {
        group->extraPoint.x = c.stored;
        EXPECT_EQ(csgOperationOf(group), c.read) << c.stored;
    }
    CadObject* ball = make(KX_SPHERE, "Ball");
    ball->extraPoint.x = 3;
    EXPECT_EQ(csgOperationOf(ball), CsgOperation::Union);  // only groups have one
    group->extraPoint.x = 0;
    EXPECT_FALSE(setGroupOperation(history, {ball}, CsgOperation::Merge));
    EXPECT_FALSE(setGroupOperation(history, {group}, CsgOperation::Union));  // already
    EXPECT_TRUE(setGroupOperation(history, {group, ball}, CsgOperation::Merge));
    EXPECT_EQ(ball->extraPoint.x, 3);
    EXPECT_EQ(history.size(), 1u);
}

TEST_F(ModellingEditsTest, LightValuesAreTakenOnlyForLightsAndWithinTheirSlots) {
    CadObject* lamp = make(KX_LIGHT, "Lamp", {0, 5, 0});
    CadObject* ball = make(KX_SPHERE, "Ball");
    const std::vector<CadObject*> both{lamp, ball};
    struct Case {
        int property;
        double value;
        bool taken;
    };
    const Case cases[] = {
        {KX_PROP_LIGHTRADIUS, 20, true},  {KX_PROP_LIGHTFALLOFF, 30, true}, {KX_PROP_LIGHTTIGHTNESS, 5, true},
        {KX_PROP_LIGHTADAPTIVE, 2, true}, {KX_PROP_LIGHTJITTER, 1, true},   {KX_PROP_LIGHTRADIUS, 20, false},
        {KX_PROP_LIGHTTYPE, 1, false},    {KX_PROP_LIGHTVALUES, 1, false},  {KX_PROP_LIGHTRADIUS, INFINITY, false},
    };
    for (const Case& c : cases) EXPECT_EQ(setLightValue(history, both, c.property, c.value), c.taken) << c.property;
    const LightSettings s = lightSettingsOf(lamp);
    EXPECT_EQ(s.kind, LightKind::Point);
    EXPECT_EQ(s.radius, 20);
    EXPECT_EQ(s.falloff, 30);
    EXPECT_EQ(s.tightness, 5);
    EXPECT_EQ(s.adaptive, 2);
    EXPECT_TRUE(s.jitter);
    EXPECT_EQ(GetObjectExtraField(ball, 0), nullptr);  // the sphere got no light values
    // Looks like: any renderer text up to a field's length.
    EXPECT_TRUE(setLightLooksLike(history, {lamp}, "sphere { 0, 0.2 }"));
    EXPECT_EQ(lightSettingsOf(lamp).looksLike, "sphere { 0, 0.2 }");
    EXPECT_FALSE(setLightLooksLike(history, {lamp}, std::string(KX_EXTRA_TEXT_MAX + 1, 'x')));
    EXPECT_TRUE(setLightLooksLike(history, {lamp}, ""));
    EXPECT_EQ(lightSettingsOf(lamp).looksLike, "");
    // A stored kind the export does not know reads as a point light.
    double odd[6] = {9, 0, 0, 0, 0, 0};
    SetObjectExtra(lamp, KX_VALUE_FLOATARRAY, KX_PROP_LIGHTVALUES, 6, odd);
    EXPECT_EQ(lightSettingsOf(lamp).kind, LightKind::Point);
}

// Shadows, fading and an area light's shape: each change one named step,
// only lights changed, values the renderer cannot take refused.
TEST_F(ModellingEditsTest, LightOptionsAndFadeAreStepsOnLightsOnly) {
    CadObject* lamp = make(KX_LIGHT, "Lamp", {0, 5, 0});
    CadObject* ball = make(KX_SPHERE, "Ball");
    const std::vector<CadObject*> both{lamp, ball};
    struct Case {
        std::function<bool()> edit;
        bool taken;
        const char* step;  // the undo name after it, when taken
        unsigned options;
        double fade[2];
    };
    const Case cases[] = {
        {[&] { return setLightOption(history, both, KX_LIGHT_SHADOWLESS, true); }, true, "Set Light Shadowless",
         KX_LIGHT_SHADOWLESS, {0, 0}},
        {[&] { return setLightOption(history, both, KX_LIGHT_SHADOWLESS, true); }, false, nullptr,
         KX_LIGHT_SHADOWLESS, {0, 0}},
        {[&] { return setLightOption(history, both, KX_LIGHT_CIRCULAR, true); }, true, "Set Light Circular",
         KX_LIGHT_SHADOWLESS | KX_LIGHT_CIRCULAR, {0, 0}},
        {[&] { return setLightOption(history, both, 8, true); }, false, nullptr,
         KX_LIGHT_SHADOWLESS | KX_LIGHT_CIRCULAR, {0, 0}},
        {[&] { return setLightOption(history, both, KX_LIGHT_SHADOWLESS, false); }, true, "Clear Light Shadowless",
         KX_LIGHT_CIRCULAR, {0, 0}},
        {[&] { return setLightFade(history, both, 4, 2); }, true, "Change Light Fade", KX_LIGHT_CIRCULAR, {4, 2}},
        {[&] { return setLightFade(history, both, -1, 2); }, false, nullptr, KX_LIGHT_CIRCULAR, {4, 2}},
        {[&] { return setLightFade(history, both, 4, NAN); }, false, nullptr, KX_LIGHT_CIRCULAR, {4, 2}},
        {[&] { return setLightFade(history, {ball}, 1, 1); }, false, nullptr, KX_LIGHT_CIRCULAR, {4, 2}},
        {[&] { return setLightFade(history, both, 0, 0); }, true, "Change Light Fade", KX_LIGHT_CIRCULAR, {0, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        EXPECT_EQ(c.edit(), c.taken);
        if (c.taken) {
            EXPECT_EQ(history.undoName(), c.step);
        }
        const LightSettings s = lightSettingsOf(lamp);
        EXPECT_EQ(s.options, c.options);
        EXPECT_EQ(s.fadeDistance, c.fade[0]);
        EXPECT_EQ(s.fadePower, c.fade[1]);
    }
    EXPECT_EQ(GetObjectExtraField(ball, 0), nullptr);
}

// Where a light shines, as the views draw it: each row's guide has its
// segments where the kind's renderer shape is.
TEST_F(ModellingEditsTest, ALightsGuideShowsWhereItShines) {
    auto distanceFromAxis = [](const Point3d& p) { return std::hypot(p.x, p.z); };
    struct Case {
        LightKind kind;
        double falloff;
        Point3d extra;
        size_t segments;
        std::function<void(const std::vector<OutlineSegment>&)> check;
    };
    const Case cases[] = {
        {LightKind::Point, 0, {0, 0, 0}, 0, nullptr},
        // A spot 10 above its target, falloff 45: a cone out to a circle of radius 10.
        {LightKind::Spot, 45, {0, 0, 0}, 16 + 4,
         [&](const std::vector<OutlineSegment>& g) {
             for (size_t i = 0; i < 16; ++i) {
                 EXPECT_NEAR(g[i].from.y, 0, 1e-4);
                 EXPECT_NEAR(distanceFromAxis(g[i].from), 10, 1e-3);
             }
             EXPECT_NEAR(g[16].from.y, 10, 1e-4);  // the apex
         }},
        // A cylinder light keeps its width: circles of radius 2 at both ends.
        {LightKind::Cylinder, 2, {0, 0, 0}, 16 + 16 + 4,
         [&](const std::vector<OutlineSegment>& g) {
             for (size_t i = 0; i < 32; ++i) EXPECT_NEAR(distanceFromAxis(g[i].from), 2, 1e-3);
         }},
        // An area light of sides 2 and 3: its rectangle about where it stands.
        {LightKind::Area, 0, {2, 3, 3}, 4,
         [](const std::vector<OutlineSegment>& g) {
             for (const OutlineSegment& s : g) {
                 EXPECT_NEAR(std::fabs(s.from.x), 1, 1e-5);
                 EXPECT_NEAR(s.from.y, 10, 1e-5);
                 EXPECT_NEAR(std::fabs(s.from.z), 1.5, 1e-5);
             }
         }},
        // A parallel light: from where it stands to its target, and the arrow's head there.
        {LightKind::Parallel, 0, {0, 0, 0}, 3,
         [](const std::vector<OutlineSegment>& g) {
             EXPECT_NEAR(g[0].from.y, 10, 1e-5);
             EXPECT_NEAR(g[0].to.y, 0, 1e-5);
             EXPECT_GT(g[1].to.y, 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        CadObject* lamp = make(KX_LIGHT, "Lamp", {0, 10, 0});
        ASSERT_TRUE(setLightKind(history, {lamp}, c.kind) || c.kind == LightKind::Point);
        lamp->extraPoint = c.extra;
        if (c.falloff > 0) {
            ASSERT_TRUE(setLightValue(history, {lamp}, KX_PROP_LIGHTFALLOFF, c.falloff));
        }
        const std::vector<OutlineSegment> guide = lightGuide(lamp);
        ASSERT_EQ(guide.size(), c.segments);
        if (c.check) c.check(guide);
        DeleteCadObject(lamp);
    }
    // An aimed light whose target is where it stands shows no direction.
    CadObject* lamp = make(KX_LIGHT, "Lamp", {0, 10, 0});
    ASSERT_TRUE(setLightKind(history, {lamp}, LightKind::Parallel));
    lamp->extraPoint = lamp->translate;
    EXPECT_TRUE(lightGuide(lamp).empty());
    EXPECT_TRUE(lightGuide(make(KX_SPHERE, "Ball")).empty());
}

TEST_F(ModellingEditsTest, AProfileGrowsShrinksAndIsOneStep) {
    CadObject* other = make(KX_SPHERE, "Ball");
    AddSelectedObject(other);
    CadObject* profile = nullptr;
    const std::string step = profileStepName(ProfileKind::Polyline);
    EXPECT_EQ(step, "Draw Polyline");
    for (Point3d p : {Point3d{1, 0, 0}, Point3d{2, 1, 0}, Point3d{1, 2, 0}})
        ASSERT_TRUE(addProfilePoint(history, profile, p, step, "draw"));
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->type, static_cast<uint32_t>(KX_POINTS));
    EXPECT_EQ(profile->count, 3u);
    EXPECT_FALSE(other->selected);  // the profile is the selection
    EXPECT_TRUE(profile->selected);
    ASSERT_TRUE(removeLastProfilePoint(history, profile, step, "draw"));
    EXPECT_EQ(profilePoints(profile).size(), 2u);
    EXPECT_EQ(profile->count, 2u);
    EXPECT_FALSE(smoothProfile(history, profile, 8, step, "draw"));  // two points are a line
    ASSERT_TRUE(addProfilePoint(history, profile, {2, 3, 0}, step, "draw"));
    ASSERT_TRUE(smoothProfile(history, profile, 8, step, "draw"));
    EXPECT_EQ(profile->count, 2u * 8u + 1u);
    EXPECT_EQ(history.size(), 1u);
    // Taking back every point takes the object too.
    history.seal();
    CadObject* small = nullptr;
    ASSERT_TRUE(addProfilePoint(history, small, {0, 0, 0}, step, "again"));
    ASSERT_TRUE(removeLastProfilePoint(history, small, step, "again"));
    EXPECT_EQ(small, nullptr);
    EXPECT_FALSE(removeLastProfilePoint(history, small, step, "again"));
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(GetCadObjectsCount(), 1u);  // only the sphere
}

}  // namespace

namespace {

// A drawn profile becomes the renderer's own shape of each kind, or is refused
// with the reason; each made shape is one undo step, and the profile stays.
TEST_F(ModellingEditsTest, ADrawnProfileMakesEachProfileShape) {
    struct Case {
        unsigned type;
        std::vector<Point3d> drawn;
        const char* refused;  // null: made
        Point3d firstPoint;   // the shape's first profile point
    };
    const Case cases[] = {
        // Drawn left of the axis: the radius is the distance from it.
        {KX_LATHE, {{-1, -1, 0}, {-0.5f, 0, 0}, {-0.8f, 1, 0}}, nullptr, {1, -1, 0}},
        {KX_SOR, {{0.5f, -1, 0}, {1, -0.5f, 0}, {0.6f, 0.5f, 0}, {0.8f, 1, 0}}, nullptr, {0.5f, -1, 0}},
        {KX_SOR, {{0.5f, -1, 0}, {1, 0.5f, 0}, {0.6f, -0.5f, 0}, {0.8f, 1, 0}},
         "The profile needs heights that rise from point to point", {}},
        // Drawn back to its start: the prism closes itself.
        {KX_PRISM, {{0, 0, 0}, {1, 0, 0}, {1.5f, 0, 0.5f}, {1, 0, 1}, {0, 0, 1}, {0, 0, 0}}, nullptr, {0, 0, 0}},
        {KX_PRISM, {{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}}, "The profile has an outline that crosses itself", {}},
        {KX_SPHERESWEEP, {{0, 0, 0}, {1, 1, 0}}, nullptr, {0, 0, 0}},
        {KX_LATHE, {{1, 0, 0}}, "The profile needs at least 2 points, has 1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(GetObjectTypeName(static_cast<int>(c.type)));
        CadObject* profile = nullptr;
        unsigned before = 0;  // with the profile drawn
        CadObject* shape = shapeOf(
            c.drawn,
            [&](CadObject* drawn) {
                profile = drawn;
                before = GetCadObjectsCount();
                return shapeFromProfile(history, drawn, c.type);
            },
            c.refused);
        if (!shape) continue;
        EXPECT_EQ(shape->type, c.type);
        EXPECT_EQ(shape->selected, 1);
        Point3d first{};
        ASSERT_EQ(GetObjectExtra(shape, KX_PROP_PROFILE, 1, &first), 1);
        EXPECT_FLOAT_EQ(first.x, c.firstPoint.x);
        EXPECT_FLOAT_EQ(first.y, c.firstPoint.y);
        EXPECT_FLOAT_EQ(first.z, c.firstPoint.z);
        EXPECT_GT(CountEntry(shape->points), 12u) << "drawn as itself, not its container";
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(GetCadObjectsCount(), before);
        EXPECT_NE(GetCadObjectByName(profile->name), nullptr);
    }
}

}  // namespace

namespace {

// Sweep makes a prism of a Plan-view outline between two heights, one undo
// step named so; what the views show before it is the outline at both
// heights with an edge up from each corner.
TEST_F(ModellingEditsTest, SweepMakesAPrismBetweenTwoHeights) {
    const std::vector<Point3d> square{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
    struct Case {
        std::vector<Point3d> drawn;
        double from, to;
        const char* refused;  // null: made
    };
    const Case cases[] = {
        {square, -0.5, 2, nullptr},
        {square, 3, 1, nullptr},
        {square, 1, 1, "The sweep needs two different heights"},
        {{{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}}, 0, 1, "The profile has an outline that crosses itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        unsigned before = 0;  // with the outline drawn
        CadObject* shape = shapeOf(
            c.drawn,
            [&](CadObject* drawn) {
                before = GetCadObjectsCount();
                return sweepProfile(history, drawn, c.from, c.to);
            },
            c.refused);
        if (!shape) continue;
        EXPECT_EQ(shape->type, uint32_t{KX_PRISM});
        EXPECT_EQ(history.undoName(), "Sweep");
        double heights[2] = {};
        ASSERT_EQ(GetObjectExtra(shape, KX_PROP_SWEEPHEIGHTS, 2, heights), 1);
        EXPECT_DOUBLE_EQ(heights[0], c.from);
        EXPECT_DOUBLE_EQ(heights[1], c.to);
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(GetCadObjectsCount(), before);
    }
    // Four corners: four edges at each height and four up.
    const std::vector<OutlineSegment> outline = sweepOutline(square, -0.5, 2);
    ASSERT_EQ(outline.size(), 12u);
    for (const OutlineSegment& s : outline) {
        EXPECT_TRUE(s.from.y == -0.5f || s.from.y == 2.0f);
        EXPECT_TRUE(s.to.y == -0.5f || s.to.y == 2.0f);
    }
    EXPECT_EQ(outline[2].from.y, -0.5f);
    EXPECT_EQ(outline[2].to.y, 2.0f);
    // Drawn back to its start: the repeat is no corner of its own.
    std::vector<Point3d> closed = square;
    closed.push_back(square.front());
    EXPECT_EQ(sweepOutline(closed, 0, 1).size(), 12u);
    EXPECT_TRUE(sweepOutline({{0, 0, 0}, {1, 0, 0}}, 0, 1).empty());
}

// A mesh's corners are places to drag: the corner faces share moves in all
// of them, the triangles follow, and the drag is one step that undo takes
// back whole.
TEST_F(ModellingEditsTest, EditPointsMovesTheCornerFacesShareOfAMesh) {
    struct Case {
        const char* name;
        bool triangles;  // its triangles placed from its list by its position
        float drawnX;    // where the shared corner (1, 0, 0) of the list is drawn
    } cases[] = {{"with triangles placed by its position", true, 11.0f}, {"a bare list in the scene", false, 1.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditHistory steps;
        CadObject* mesh = AddObject(c.name, kxtest::triangleRow(2), 2, KX_POLYGON);
        ASSERT_NE(mesh, nullptr);
        if (c.triangles) {
            mesh->polygons = CopyListToPolygons(mesh->points, 2);
            mesh->polygonCount = 2;
            mesh->translate = {10, 0, 0};
            RebuildObjectEx(mesh, 1);
        }
        std::vector<MeshVertex> places = meshVertices(mesh);
        ASSERT_EQ(places.size(), 5u);  // six corners, one shared
        const auto shared =
            std::find_if(places.begin(), places.end(), [](const MeshVertex& v) { return v.corners.size() == 2; });
        ASSERT_NE(shared, places.end());
        EXPECT_EQ(shared->at.x, c.drawnX);
        EXPECT_EQ(shared->corners, (std::vector<size_t>{1, 3}));

        for (float y : {-0.5f, -1.0f, -1.5f})
            ASSERT_TRUE(moveMeshVertex(steps, mesh, shared->corners, {c.drawnX, y, 0}, c.name));
        EXPECT_EQ(steps.size(), 1u);
        EXPECT_EQ(steps.undoName(), "Edit Points");
        EXPECT_EQ(mesh->points->points[1].y, -1.5f);
        EXPECT_EQ(mesh->points->next->points[0].y, -1.5f);
        EXPECT_EQ(mesh->points->points[1].x, 1.0f);  // the list keeps the mesh's own frame
        if (c.triangles) {
            ASSERT_NE(mesh->polygons, nullptr);
            EXPECT_EQ(mesh->polygons[0].vertex[1].y, -1.5f);
            EXPECT_EQ(mesh->polygons[0].vertex[1].x, c.drawnX);
        }
        ASSERT_TRUE(steps.undo());
        EXPECT_EQ(mesh->points->points[1].y, 0.0f);
        EXPECT_EQ(mesh->points->next->points[0].y, 0.0f);
        EXPECT_FALSE(moveMeshVertex(steps, mesh, {1, 6}, {0, 0, 0})) << "a corner the mesh lacks";
        EXPECT_FALSE(moveMeshVertex(steps, mesh, {1}, {0, NAN, 0}));
        if (!c.triangles) continue;
        // A scaled or turned mesh is edited where it is drawn: the step lets
        // its scale and rotation go, the rest of it stays where it stood, and
        // undo brings both back.
        auto near = [](const Point3d& a, const Point3d& b) {
            return std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f && std::fabs(a.z - b.z) < 1e-4f;
        };
        for (auto turn : {+[](CadObject* m) { m->scale = {2, 3, 1}; }, +[](CadObject* m) { m->rotate = {0, 30, 90}; }}) {
            const CadObject kept = *mesh;
            turn(mesh);
            RebuildObjectEx(mesh, 1);
            const CadObject turnedFields = *mesh;
            places = meshVertices(mesh);
            ASSERT_EQ(places.size(), 5u);
            const auto corner =
                std::find_if(places.begin(), places.end(), [](const MeshVertex& v) { return v.corners.size() == 2; });
            ASSERT_NE(corner, places.end());
            const Point3d drawn = mesh->polygons[0].vertex[1], other = mesh->polygons[1].vertex[2];
            EXPECT_TRUE(near(corner->at, drawn));
            ASSERT_TRUE(moveMeshVertex(steps, mesh, corner->corners, {drawn.x, drawn.y - 1, drawn.z}));
            EXPECT_TRUE(near(mesh->scale, {1, 1, 1}) && near(mesh->rotate, {0, 0, 0}));
            EXPECT_TRUE(near(mesh->polygons[0].vertex[1], {drawn.x, drawn.y - 1, drawn.z}));
            EXPECT_TRUE(near(mesh->polygons[1].vertex[0], {drawn.x, drawn.y - 1, drawn.z})) << "the shared corner";
            EXPECT_TRUE(near(mesh->polygons[1].vertex[2], other)) << "a corner not moved";
            ASSERT_TRUE(steps.undo());
            EXPECT_TRUE(near(mesh->scale, turnedFields.scale) && near(mesh->rotate, turnedFields.rotate));
            EXPECT_TRUE(near(mesh->polygons[0].vertex[1], drawn));
            mesh->scale = kept.scale;
            mesh->rotate = kept.rotate;
            RebuildObjectEx(mesh, 1);
        }
        EXPECT_EQ(mesh->points->points[1].y, 0.0f);
    }
    EXPECT_TRUE(meshVertices(make(KX_SPHERE, "ball")).empty());
}

// Shift+click on a mesh's corner takes it away with the faces that meet
// there, one step; the last face stays.
TEST_F(ModellingEditsTest, EditPointsRemovesAMeshCornerWithItsFaces) {
    for (bool triangles : {false, true}) {
        SCOPED_TRACE(triangles ? "with placed triangles" : "a bare list");
        EditHistory steps;
        CadObject* mesh = AddObject("row", kxtest::triangleRow(3), 3, KX_POLYGON);
        if (triangles) {
            mesh->polygons = CopyListToPolygons(mesh->points, 3);
            mesh->polygonCount = 3;
            mesh->translate = {10, 0, 0};
            RebuildObjectEx(mesh, 1);
        }
        const float x = triangles ? 12.0f : 2.0f;  // where the corner (2, 0, 0) is drawn
        const std::vector<MeshVertex> places = meshVertices(mesh);
        const auto at = std::find_if(places.begin(), places.end(), [x](const MeshVertex& v) { return v.at.x == x && v.at.y == 0; });
        ASSERT_NE(at, places.end());
        ASSERT_TRUE(removeMeshVertex(steps, mesh, at->corners));
        EXPECT_EQ(CountEntry(mesh->points), 1u);  // the first face, which does not meet there
        EXPECT_EQ(mesh->count, 1u);
        EXPECT_EQ(mesh->points->points[1].x, 1.0f);
        if (triangles) {
            ASSERT_NE(mesh->polygons, nullptr);
            EXPECT_EQ(mesh->polygonCount, 1u);
            EXPECT_EQ(mesh->polygons[0].vertex[1].x, 11.0f);
        }
        EXPECT_EQ(steps.undoName(), "Edit Points");
        // The last face stays.
        EXPECT_FALSE(removeMeshVertex(steps, mesh, meshVertices(mesh).front().corners));
        EXPECT_FALSE(removeMeshVertex(steps, mesh, {3}));
        ASSERT_TRUE(steps.undo());
        EXPECT_EQ(CountEntry(mesh->points), 3u);
        if (!triangles) continue;
        // Scaled and turned, the face that stays stays where it was drawn.
        mesh->scale = {2, 1, 1};
        mesh->rotate = {0, 0, 45};
        RebuildObjectEx(mesh, 1);
        const TriPolygon first = mesh->polygons[0];
        ASSERT_TRUE(removeMeshVertex(steps, mesh, at->corners));
        ASSERT_EQ(mesh->polygonCount, 1u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(mesh->polygons[0].vertex[k].x, first.vertex[k].x, 1e-4);
            EXPECT_NEAR(mesh->polygons[0].vertex[k].y, first.vertex[k].y, 1e-4);
        }
        EXPECT_EQ(mesh->scale.x, 1.0f);
        EXPECT_EQ(mesh->rotate.z, 0.0f);
        ASSERT_TRUE(steps.undo());
        EXPECT_EQ(mesh->scale.x, 2.0f);
        EXPECT_EQ(mesh->polygonCount, 3u);
    }
}

// Ctrl+click on a mesh's face edge puts a corner there: both triangles that
// share the edge become two each, a larger face gains a corner; one step.
TEST_F(ModellingEditsTest, EditPointsSplitsTheFacesOfAMeshEdge) {
    auto quad = [](unsigned i, unsigned j) { return Point3d{static_cast<float>(i), static_cast<float>(j), 0}; };
    struct Case {
        const char* name;
        ListEntry* faces;
        bool triangles;
        unsigned facesAfter;
        size_t cornersAtTheNewPlace;
    } cases[] = {
        {"two triangles, a bare list", kxtest::triangleGrid(1, quad).head(), false, 4, 4},
        {"two placed triangles", kxtest::triangleGrid(1, quad).head(), true, 4, 4},
        {"a square face", [] {
             const Point3d square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
             return AddEntry(4, nullptr, square);
         }(), false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditHistory steps;
        CadObject* mesh = AddObject("quad", c.faces, CountEntry(c.faces), KX_POLYGON);
        const float shift = c.triangles ? 10.0f : 0.0f;
        if (c.triangles) {
            mesh->polygons = CopyListToPolygons(mesh->points, 2);
            mesh->polygonCount = 2;
            mesh->translate = {10, 0, 0};
            RebuildObjectEx(mesh, 1);
        }
        const std::vector<MeshVertex> places = meshVertices(mesh);
        auto placeIn = [shift](const std::vector<MeshVertex>& all, float x, float y) {
            return std::find_if(all.begin(), all.end(), [&](const MeshVertex& v) { return v.at.x == x + shift && v.at.y == y; });
        };
        const auto a = placeIn(places, 1, 0), b = placeIn(places, c.facesAfter == 1 ? 1.0f : 0.0f, 1);
        ASSERT_NE(a, places.end());
        ASSERT_NE(b, places.end());
        const Point3d middle{shift + (c.facesAfter == 1 ? 1.0f : 0.5f), 0.5f, 0};
        ASSERT_TRUE(splitMeshEdge(steps, mesh, a->corners, b->corners, middle));
        EXPECT_EQ(CountEntry(mesh->points), c.facesAfter);
        EXPECT_EQ(steps.undoName(), "Edit Points");
        const std::vector<MeshVertex> after = meshVertices(mesh);
        EXPECT_EQ(after.size(), places.size() + 1);
        const auto made = std::find_if(after.begin(), after.end(), [&](const MeshVertex& v) {
            return v.at.x == middle.x && v.at.y == middle.y;
        });
        ASSERT_NE(made, after.end());
        EXPECT_EQ(made->corners.size(), c.cornersAtTheNewPlace);
        if (c.triangles) {
            EXPECT_EQ(mesh->polygonCount, 4u);
        }
        // Two places no face edge joins (opposite corners): nothing to split.
        const auto far = placeIn(after, 0, 0), other = placeIn(after, 1, 1);
        ASSERT_NE(far, after.end());
        ASSERT_NE(other, after.end());
        EXPECT_FALSE(splitMeshEdge(steps, mesh, far->corners, other->corners, middle));
        ASSERT_TRUE(steps.undo());
        EXPECT_EQ(meshVertices(mesh).size(), places.size());
    }
}

}  // namespace

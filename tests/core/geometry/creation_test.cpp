// Creating and placing primitives: the default record, creation by type id,
// groups and their ids, grid snapping, rebuilding, and the default scene.
#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "geometry/mesh_builder.h"
#include "geometry/snap_suspension.h"
#include "mesh_expect.h"

namespace kxtest {
namespace {

class CreationTest : public CoreTest {};

TEST_F(CreationTest, DefaultInfoIsOneRecordResetOnEveryCall) {
    CadObjectInfo* info = CreateDefaultInfo();
    EXPECT_EQ(info->flags, KX_FLAG_VISIBLE);
    EXPECT_TRUE(nearPoint(info->size, {1, 1, 1}, 0));
    EXPECT_TRUE(nearPoint(info->scale, {1, 1, 1}, 0));
    info->size = Point3d{5, 5, 5};
    info->translate = Point3d{1, 2, 3};
    std::strcpy(info->name, "x");
    // An extra block nobody took over is freed by the reset.
    SetObjectExtraInfo(info, KX_VALUE_STRING, KX_PROP_TEXTSTRING, 1, "left behind");
    EXPECT_EQ(CreateDefaultInfo(), info);
    EXPECT_TRUE(nearPoint(info->size, {1, 1, 1}, 0));
    EXPECT_TRUE(IsZero(&info->translate));
    EXPECT_EQ(info->name[0], '\0');
    EXPECT_EQ(info->extra, nullptr);
}

TEST_F(CreationTest, CreatorsTakeTheRecordAndAlwaysReturnOne) {
    CadObjectInfo* info = CreateDefaultInfo();
    info->size = Point3d{0, 3, 0};
    info->flags = KX_FLAG_VISIBLE | KX_FLAG_SMOOTH;
    info->translate = Point3d{9, 9, 9};  // placing is the caller's business
    EXPECT_EQ(CreateSphere(info), 1);
    CadObject* s = GetLastCadObject();
    EXPECT_EQ(s->flags, KX_FLAG_VISIBLE | KX_FLAG_SMOOTH);
    EXPECT_TRUE(nearPoint(s->polygons[0].vertex[2], {0, 0, 3}, 0));
    EXPECT_TRUE(IsZero(&s->translate));

    // The light's target becomes relative to the light, in the caller's record.
    info = CreateDefaultInfo();
    info->translate = Point3d{10, 0, 0};
    info->extraPoint = Point3d{12, 3, 0};
    EXPECT_EQ(CreateLight(info), 1);
    EXPECT_TRUE(nearPoint(info->extraPoint, {2, 3, 0}, 0));
    EXPECT_TRUE(nearPoint(GetLastCadObject()->extraPoint, {2, 3, 0}, 0));

    // Each creator under its base name and type.
    struct Case {
        int (*create)(CadObjectInfo*);
        const char* name;
        unsigned type;
    };
    const Case cases[] = {
        {CreatePlane, "_plane0", KX_PLANE},         {CreateDisc, "_disc0", KX_DISC},
        {CreateCylinder, "_cylinder0", KX_CYLINDER}, {CreateCone, "_cone0", KX_CONE},
        {CreateTorus, "_torus0", KX_TORUS},         {CreateBox, "_box0", KX_BOX},
        {CreateHeightfield, "_heightfield0", KX_HEIGHTFIELD},
        {CreateUserDefined, "_userdefined0", KX_USERDEFINED},
        {CreateBlob, "_blob0", KX_BLOB},            {CreatePatch, "_patch0", KX_PATCH},
        {CreateText, "_text0", KX_TEXT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.create(CreateDefaultInfo()), 1);
        EXPECT_STREQ(GetLastCadObject()->name, c.name);
        EXPECT_EQ(GetLastCadObject()->type, c.type);
    }
}

TEST_F(CreationTest, DefaultObjectByTypeId) {
    struct Case {
        unsigned type;
        const char* name;  // null: no object
        unsigned madeType;
        unsigned count;
    };
    // A text's glyphs depend on the installed face: some triangles.
    constexpr unsigned kFontDependent = ~0u;
    const Case cases[] = {
        {KX_GROUP, "_group0", KX_GROUP, 0},   {KX_POINTS, "_polygon0", KX_POINTS, 0},
        {KX_POLYGON, "_polygon0", KX_POLYGON, 0}, {KX_LIGHT, "_light0", KX_LIGHT, 4},
        {KX_SPHERE, "_sphere0", KX_SPHERE, 120}, {KX_ELLIPSOID, "_sphere0", KX_SPHERE, 120},
        {KX_PLANE, "_plane0", KX_PLANE, 8},   {KX_TORUS, "_torus0", KX_TORUS, 288},
        {KX_BLOB, "_blob0", KX_BLOB, 120},    {KX_PATCH, "_patch0", KX_PATCH, 18},
        {KX_TEXT, "_text0", KX_TEXT, kFontDependent}, {KX_USERDEFINED, "_userdefined0", KX_USERDEFINED, 12},
        {0, nullptr, 0, 0},  {2, nullptr, 0, 0}, {7, nullptr, 0, 0}, {KX_LINESEG, nullptr, 0, 0},
        {KX_SUPERELLIPSOID, "_superellipsoid0", KX_SUPERELLIPSOID, 576}, {KX_TYPE_COUNT, nullptr, 0, 0},
        {1000, nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        GetNextObjectName(nullptr, 0);
        unsigned before = GetCadObjectsCount();
        CadObject* obj = CreateDefaultObjectEx(nullptr, c.type, nullptr);
        if (!c.name) {
            EXPECT_EQ(obj, nullptr);
            EXPECT_EQ(GetCadObjectsCount(), before);
            continue;
        }
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(obj, GetLastCadObject());
        EXPECT_STREQ(obj->name, c.name);
        EXPECT_EQ(obj->type, c.madeType);
        if (c.count == kFontDependent)
            EXPECT_GT(obj->count, 0u);
        else
            EXPECT_EQ(obj->count, c.count);
    }
}

TEST_F(CreationTest, DefaultObjectIsSnappedMovedAndRenamed) {
    SetSnapGrid(1.0, 1);
    Point3d at{0.2f, -0.7f, 1.0f};
    const std::string longName(40, 'n');
    CadObject* box = CreateDefaultObjectEx(longName.c_str(), KX_BOX, &at);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(nearPoint(at, {1, 0, 1}, 0));  // the caller's point is snapped in place
    EXPECT_TRUE(nearPoint(box->translate, {1, 0, 1}, 0));
    EXPECT_TRUE(nearPoint(box->points->points[0], {0.5f, -0.5f, 0.5f}, 0));
    EXPECT_EQ(std::string(box->name), longName.substr(0, 31));
    // Without snapping the point is used as given.
    SetSnapGrid(1.0, 0);
    at = Point3d{0.2f, -0.7f, 1.0f};
    CadObject* sphere = CreateDefaultObjectEx("ball", KX_SPHERE, &at);
    EXPECT_TRUE(nearPoint(sphere->translate, {0.2f, -0.7f, 1.0f}, 0));
    EXPECT_STREQ(sphere->name, "ball");
}

TEST_F(CreationTest, CameraByTypeIdNeverHandsBackAnotherObject) {
    CreateDefaultSphere();
    CadObject* sphere = GetLastCadObject();
    Point3d at{5, 5, 5};
    for (int i = 0; i < 2; ++i) {
        CadObject* cam = CreateDefaultObjectEx("cam", KX_CAMERA, &at);
        if (cam) {
            EXPECT_EQ(cam->type, KX_CAMERA);
        }
    }
    EXPECT_STREQ(sphere->name, "_sphere0");
    EXPECT_TRUE(IsZero(&sphere->translate));
}

TEST_F(CreationTest, GroupsGetIdsNoLiveObjectCarries) {
    CadObjectInfo* info = CreateDefaultInfo();
    info->extraPoint.x = 3;  // the CSG operation
    NewCadObject("other")->selected = 1;
    CadObject* g = CreateGroup(info);
    ASSERT_NE(g, nullptr);
    EXPECT_STREQ(g->name, "_group0");
    EXPECT_EQ(g->type, KX_GROUP);
    EXPECT_EQ(g->groupId, 1u);
    EXPECT_EQ(g->selected, 1);
    EXPECT_EQ(GetCadObject(nullptr)->selected, 0);
    EXPECT_EQ(UpdateCsgOperation(1, 0, 0), 3);

    // Groups read from a file carry ids the counter has not reached.
    InitScene();
    CadObject* read1 = NewCadObject("fromFile1");
    read1->type = KX_GROUP;
    read1->groupId = 1;
    CadObject* member = NewCadObject("member");
    member->groupId = 2;
    CadObject* fresh = CreateDefaultGroup();
    EXPECT_EQ(fresh->groupId, 3u);
    EXPECT_EQ(FindParentObject(1), read1);
    // A group linked afterwards draws an id above all of them.
    CadObject* parent = NewCadObject("parent");
    parent->type = KX_GROUP;
    ASSERT_EQ(AddChildObject(parent, NewCadObject("child")), 1);
    EXPECT_GT(parent->groupId, 3u);
    EXPECT_GT(CreateDefaultGroup()->groupId, parent->groupId);
}

TEST_F(CreationTest, SnappingRoundsUpAndKeepsGridPoints) {
    Point3d p{0.2f, -0.7f, 1.0f};
    EXPECT_EQ(SnapCadObject(&p), 0);  // snapping off
    EXPECT_TRUE(nearPoint(p, {0.2f, -0.7f, 1.0f}, 0));
    SetSnapGrid(0.0, 1);  // on, but no step
    EXPECT_EQ(SnapCadObject(&p), 0);
    EXPECT_TRUE(nearPoint(p, {0.2f, -0.7f, 1.0f}, 0));

    struct Case {
        double grid;
        Point3d in, out;
    };
    const Case cases[] = {
        {1, {0.2f, -0.7f, 1.0f}, {1, 0, 1}},
        {2, {3, -3, 10}, {4, -2, 10}},
        {0.1, {0.3f, 1.1f, -0.2f}, {0.3f, 1.1f, -0.2f}},
        {0.1, {0.31f, 1.15f, 0}, {0.4f, 1.2f, 0}},
        {0.25, {0.3f, 0.5f, -0.1f}, {0.5f, 0.5f, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("grid " + std::to_string(c.grid));
        SetSnapGrid(c.grid, 1);
        Point3d q = c.in;
        EXPECT_EQ(SnapCadObject(&q), 1);
        EXPECT_TRUE(nearPoint(q, c.out, 1e-7));
        Point3d again = q;  // snapping a snapped point changes nothing
        SnapCadObject(&again);
        EXPECT_TRUE(nearPoint(again, q, 0));
    }
    SetSnapGrid(1, 1);
    {
        kx::geometry::SnapSuspension reading;
        p = Point3d{0.5f, 0.5f, 0.5f};
        EXPECT_EQ(SnapCadObject(&p), 0);
        EXPECT_TRUE(nearPoint(p, {0.5f, 0.5f, 0.5f}, 0));
    }
    EXPECT_EQ(SnapCadObject(&p), 1);
    EXPECT_TRUE(nearPoint(p, {1, 1, 1}, 0));
}

TEST_F(CreationTest, RebuildPlacesTheNewMeshByScaleRotateTranslate) {
    CreateDefaultSphere();
    CadObject* s = GetLastCadObject();
    s->size = Point3d{0, 2, 0};
    s->scale = Point3d{2, 1, 1};
    s->rotate = Point3d{0, 0, 90};
    s->translate = Point3d{5, 0, 0};
    ASSERT_EQ(RebuildObjectEx(s, 1), 1);
    EXPECT_EQ(s->count, 120u);
    ASSERT_EQ(s->polygonCount, 120u);
    // North pole (0,0,2) stays on the axis; ring point (1,0,1.732) is
    // stretched to x 2, turned to y 2 and moved by 5 along x.
    EXPECT_TRUE(nearPoint(s->polygons[0].vertex[2], {5, 0, 2}));
    EXPECT_TRUE(nearPoint(s->polygons[0].vertex[1], {5, 2, 1.7320508f}));
    // The parameters are left as they were; the list stays local.
    EXPECT_TRUE(nearPoint(s->scale, {2, 1, 1}, 0));
    EXPECT_TRUE(nearPoint(s->translate, {5, 0, 0}, 0));
    EXPECT_TRUE(nearPoint(s->points->points[2], {0, 0, 2}));

    // Without a triangle array the list itself is placed.
    CreateDefaultBox();
    CadObject* box = GetLastCadObject();
    box->size = Point3d{2, 4, 6};
    box->translate = Point3d{1, 2, 3};
    ASSERT_EQ(RebuildObjectEx(box, 1), 1);
    EXPECT_EQ(box->count, 12u);
    expectLeadingVertices(box->points, {{0, 0, 0}, {0, 4, 0}, {2, 4, 0}});
    // Rebuilding again gives the same mesh, not one moved twice.
    ASSERT_EQ(RebuildObjectEx(box, 1), 1);
    expectLeadingVertices(box->points, {{0, 0, 0}, {0, 4, 0}, {2, 4, 0}});
}

TEST_F(CreationTest, RebuildAboutTheSelectionCentre) {
    CreateDefaultBox();
    CadObject* box = GetLastCadObject();
    box->scale = Point3d{2, 2, 2};
    CadObject* far = makeMesh("far", 1);
    far->selected = 1;
    box->selected = 1;
    // far's triangle spans x 0..1, y 0..1; the box -0.5..0.5: centre (0.25, 0.25, 0).
    ASSERT_EQ(RebuildObjectEx(box, 0), 1);
    EXPECT_TRUE(nearPoint(box->points->points[0], {-1.25f, -1.25f, -1}));
}

TEST_F(CreationTest, RebuildKeepsALightsTargetAndTheSnappedPosition) {
    CreateDefaultLight();
    CadObject* light = GetLastCadObject();
    double values[6] = {1, 0, 0, 0, 0, 0};  // a spot light without cone
    SetObjectExtraValues(light, KX_PROP_LIGHTVALUES, 6, values);
    light->extraPoint = Point3d{3, 0, 0};
    Point3d move{10, 0, 0};
    TranslateObjectsEx(&move);
    EXPECT_TRUE(nearPoint(light->extraPoint, {13, 0, 0}, 0));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("rebuild " + std::to_string(i));
        ASSERT_EQ(RebuildObjectEx(light, 1), 1);
        EXPECT_TRUE(nearPoint(light->extraPoint, {13, 0, 0}, 0));
        EXPECT_EQ(light->count, 5u);
        std::vector<Point3d> v = listVertices(light->points);
        EXPECT_TRUE(nearPoint(v[8], {10, 0, 0}));
        EXPECT_TRUE(nearPoint(v[9], {13, 0, 0}));
    }

    // A position on a fine grid stays on it however often it is rebuilt.
    SetSnapGrid(0.1, 1);
    CreateDefaultBox();
    CadObject* box = GetLastCadObject();
    box->translate = Point3d{1.1f, 0.3f, -0.2f};
    for (int i = 0; i < 3; ++i) RebuildObjectEx(box, 1);
    EXPECT_TRUE(nearPoint(box->translate, {1.1f, 0.3f, -0.2f}, 0));
    // Off the grid it is snapped once, upward.
    box->translate = Point3d{1.11f, 0, 0};
    RebuildObjectEx(box, 1);
    EXPECT_TRUE(nearPoint(box->translate, {1.2f, 0, 0}, 1e-7));
    // While a file is read, positions stay as written.
    kx::geometry::SnapSuspension reading;
    box->translate = Point3d{1.11f, 0, 0};
    RebuildObjectEx(box, 1);
    EXPECT_TRUE(nearPoint(box->translate, {1.11f, 0, 0}, 0));
}

TEST_F(CreationTest, RebuildOfOtherKindsOfObject) {
    CadObject* group = CreateDefaultGroup();
    EXPECT_EQ(RebuildObjectEx(group, 1), 1);
    EXPECT_EQ(group->points, nullptr);
    EXPECT_EQ(RebuildObjectEx(nullptr, 1), 0);

    // Points and line segments are not rebuilt.
    CadObject* pts = NewCadObject("pts");
    pts->type = KX_POINTS;
    Point3d one{1, 2, 3};
    pts->points = AddEntry(1, nullptr, &one);
    pts->count = 1;
    EXPECT_EQ(RebuildObjectEx(pts, 1), 0);
    EXPECT_TRUE(nearPoint(pts->points->points[0], one, 0));

    // A mesh without triangle array is centred, then placed.
    CadObject* mesh = makeMesh("mesh", 3);  // x 0..3, y 0..1
    mesh->translate = Point3d{0, 0, 5};
    ASSERT_EQ(RebuildObjectEx(mesh, 1), 1);
    Point3d lo, hi;
    GetObjectBounds(mesh->points, &lo, &hi, 0);
    EXPECT_TRUE(nearPoint(lo, {-1.5f, -0.5f, 5}));
    EXPECT_TRUE(nearPoint(hi, {1.5f, 0.5f, 5}));

    // With a triangle array, the array is made again from the list and placed.
    CadObject* tri = makeMesh("tri", 2);
    tri->polygons = CopyListToPolygons(tri->points, 2);
    tri->polygonCount = 2;
    MovePolygons(tri->polygons, &one, 2);  // stale placement
    tri->translate = Point3d{0, 10, 0};
    ASSERT_EQ(RebuildObjectEx(tri, 1), 1);
    EXPECT_TRUE(nearPoint(tri->polygons[0].vertex[0], {0, 10, 0}));
    EXPECT_TRUE(nearPoint(tri->points->points[0], {0, 0, 0}));

    // An empty mesh has no centre of its own.
    CadObject* empty = NewCadObject("empty");
    empty->type = KX_POLYGON;
    EXPECT_EQ(RebuildObjectEx(empty, 1), 0);
    EXPECT_EQ(ui.lastMessage(), "Error getting object centre");

    // A primitive without mesh (a plane narrower than a cell) has nothing to
    // place: no message.
    ui.clear();
    CadObjectInfo* info = CreateDefaultInfo();
    info->size = Point3d{1, 0, 1};
    CreatePlane(info);
    EXPECT_EQ(RebuildObjectEx(GetLastCadObject(), 1), 1);
    EXPECT_EQ(GetLastCadObject()->points, nullptr);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CreationTest, RebuildObjectsTakesEverySelectedMesh) {
    CreateDefaultBox();
    CadObject* a = GetLastCadObject();
    CreateDefaultDisc();
    CadObject* b = GetLastCadObject();
    AddSelectedObject(a);
    AddSelectedObject(b);
    a->translate = Point3d{0, 3, 0};
    b->translate = Point3d{0, -3, 0};
    SetSubFactor(2);
    EXPECT_EQ(RebuildObjects(1), 1);
    EXPECT_EQ(b->count, 6u);
    EXPECT_TRUE(nearPoint(a->points->points[0], {-0.5f, 2.5f, -0.5f}));
    EXPECT_TRUE(nearPoint(b->points->points[0], {0, -3, 0}));
}

TEST_F(CreationTest, RebuiltCameraIsScaledAndMovedButNotTurned) {
    CadObject* cam = AddCadAtom(CreateDefaultInfo(), "_camera", KX_CAMERA);
    ASSERT_EQ(CreateCameraEx(cam), 1);
    cam->rotate = Point3d{0, 90, 0};
    cam->scale = Point3d{2, 2, 2};
    cam->translate = Point3d{0, 4, 20};
    ASSERT_EQ(RebuildObjectEx(cam, 1), 1);
    EXPECT_EQ(cam->count, 20u);
    EXPECT_TRUE(nearPoint(cam->points->points[0], {2, 6, 22}));
}

TEST_F(CreationTest, DefaultSceneHasTwoLightsOnTheViewersSide) {
    struct Case {
        int side;
        Point3d first, second;
    };
    const Case cases[] = {{1, {-20, 35, 34}, {0, 0, 24}}, {0, {20, 35, -34}, {0, 0, -24}}};
    for (const Case& c : cases) {
        SCOPED_TRACE("view side " + std::to_string(c.side));
        InitScene();
        GetNextObjectName("_light", KX_LIGHT);  // counters are reset by the scene
        SetViewSide(c.side);
        EXPECT_EQ(CreateDefaultScene(), GetCurrentScene());
        ASSERT_EQ(GetCadObjectsCount(), 2u);
        CadObject* l0 = GetCadObjectByName("_light0");
        CadObject* l1 = GetCadObjectByName("_light1");
        ASSERT_NE(l0, nullptr);
        ASSERT_NE(l1, nullptr);
        EXPECT_EQ(l0->type, KX_LIGHT);
        EXPECT_TRUE(nearPoint(l0->translate, c.first, 0));
        EXPECT_TRUE(nearPoint(l1->translate, c.second, 0));
        // The wireframes and the aim travel with the lights.
        EXPECT_TRUE(nearPoint(l0->points->points[0], {c.first.x + 0.5f, c.first.y, c.first.z}));
        EXPECT_TRUE(nearPoint(l1->extraPoint, c.second, 0));
        EXPECT_EQ(l0->count, 4u);
        // Nothing is left selected.
        EXPECT_EQ(l0->selected, 0);
        EXPECT_EQ(l1->selected, 0);
        EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    }
}

}  // namespace
}  // namespace kxtest

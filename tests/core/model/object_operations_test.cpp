#include <cmath>

#include "core_fixture.h"

namespace kxtest {
namespace {

class ObjectOperationsTest : public CoreTest {
protected:
    // A one-triangle mesh whose point list and triangle array both exist.
    CadObject* placedMesh(const char* name, float x) {
        CadObject* obj = makeMesh(name, 1);
        TranslatePoints(obj->points, x, 0, 0);
        obj->polygons = CopyListToPolygons(obj->points, 1);
        obj->polygonCount = 1;
        obj->translate = Point3d{x, 0, 0};
        return obj;
    }
};

TEST_F(ObjectOperationsTest, IdentityScaleDoesNothing) {
    CadObject* obj = placedMesh("a", 1);
    AddSelectedObject(obj);
    Point3d one{1, 1, 1};
    EXPECT_EQ(ScaleObjectsEx(&one), 0);
    EXPECT_EQ(obj->scale.x, 1.0f);
    Point3d two{2, 2, 2};
    EXPECT_EQ(ScaleObjectsEx(&two), 1);
    EXPECT_EQ(obj->scale.x, 2.0f);
}

TEST_F(ObjectOperationsTest, RotatingTwoObjectsTurnsTheirPositionsAboutTheSelectionCentre) {
    CadObject* a = placedMesh("a", -5);
    CadObject* b = placedMesh("b", 5);
    AddSelectedObject(a);
    AddSelectedObject(b);
    Point3d angles{0, 90, 0};
    EXPECT_EQ(RotateObjectsEx(&angles), 1);
    // The selection centre is (0.5, 0.5, 0): b at x = 5 turns to z = -4.5.
    EXPECT_NEAR(b->translate.x, 0.5, 1e-5);
    EXPECT_NEAR(b->translate.z, -4.5, 1e-5);
    EXPECT_EQ(b->rotate.y, 90.0f);
    EXPECT_NEAR(b->polygons[0].vertex[0].z, -4.5, 1e-5);
    // The list stays as it was: the triangles carry the placed geometry.
    EXPECT_EQ(b->points->points[0].x, 5.0f);

    SetObjectsUnSelected();
    AddSelectedObject(a);
    Point3d before = a->translate;
    RotateObjectsEx(&angles);
    EXPECT_EQ(a->translate.x, before.x);  // a single object keeps its position
    EXPECT_EQ(a->translate.z, before.z);
}

TEST_F(ObjectOperationsTest, MovingALightMovesItsTarget) {
    CadObject* light = NewDefaultCadObject("l", KX_LIGHT);
    light->extraPoint = Point3d{1, 1, 1};
    Point3d d{2, 0, -1};
    EXPECT_EQ(TranslateObjectsEx(&d), 1);
    EXPECT_EQ(light->translate.x, 2.0f);
    EXPECT_EQ(light->extraPoint.x, 3.0f);
    EXPECT_EQ(light->extraPoint.z, 0.0f);
    // A geometry-only move (as a rebuild does) leaves the target where it is.
    TransformObject(light, KX_TRANSFORM_MOVE | KX_TRANSFORM_GEOMETRY_ONLY, nullptr, nullptr, &d,
                    nullptr, 0);
    EXPECT_EQ(light->extraPoint.x, 3.0f);
    EXPECT_EQ(light->translate.x, 2.0f);
}

TEST_F(ObjectOperationsTest, GeometryOnlyMoveUpdatesBounds) {
    CadObject* obj = placedMesh("a", 0);
    CalcObjectBounds(obj);
    Point3d d{10, 0, 0};
    TransformObject(obj, KX_TRANSFORM_MOVE | KX_TRANSFORM_GEOMETRY_ONLY, nullptr, nullptr, &d, nullptr, 0);
    EXPECT_EQ(obj->translate.x, 0.0f);
    EXPECT_EQ(obj->boundMin.x, 10.0f);
    EXPECT_EQ(obj->polygons[0].vertex[1].x, 11.0f);
}

TEST_F(ObjectOperationsTest, BoundsStayABoxAfterTurnsAndMirrors) {
    CadObject* obj = placedMesh("a", 0);  // corners (0,0,0) (1,0,0) (0,1,0)
    CalcObjectBounds(obj);
    Point3d mirror{-1, 1, 1};
    Point3d origin{0, 0, 0};
    TransformObject(obj, KX_TRANSFORM_SCALE, &mirror, nullptr, nullptr, &origin, 0);
    EXPECT_EQ(obj->boundMin.x, -1.0f);
    EXPECT_EQ(obj->boundMax.x, 0.0f);
    Point3d turn{0, 0, 45};
    TransformObject(obj, KX_TRANSFORM_ROTATE, nullptr, &turn, nullptr, &origin, 0);
    EXPECT_LE(obj->boundMin.x, obj->boundMax.x);
    EXPECT_LE(obj->boundMin.y, obj->boundMax.y);
    // The box holds every vertex.
    for (const Point3d& v : obj->polygons[0].vertex) {
        EXPECT_GE(v.x, obj->boundMin.x - 1e-5);
        EXPECT_LE(v.y, obj->boundMax.y + 1e-5);
    }
}

TEST_F(ObjectOperationsTest, SnappedTranslation) {
    CadObject* obj = NewDefaultCadObject("o", KX_POINTS);
    Point3d d{0.5f, 0, 0};
    EXPECT_EQ(TranslateObjectsSnap(&d), 1);
    EXPECT_EQ(obj->translate.x, 1.0f);  // ceil(0.5) with step 1
    EXPECT_EQ(obj->translate.y, 0.0f);  // zero delta, snapping off: unchanged
    obj->translate = Point3d{10, 0.3f, 0};
    SetSnapGrid(2.0, 1);
    Point3d none{0, 0, 0};
    TranslateObjectsSnap(&none);
    EXPECT_EQ(obj->translate.x, 10.0f);  // already on the grid: stays
    EXPECT_EQ(obj->translate.y, 2.0f);
    SetObjectsUnSelected();
    EXPECT_EQ(TranslateObjectsSnap(&d), 0);
}

TEST_F(ObjectOperationsTest, CentresAndSceneBounds) {
    Point3d lo, hi;
    EXPECT_EQ(GetSceneBound(GetCurrentScene(), &lo, &hi), 0);
    EXPECT_EQ(lo.x, 32000.0f);
    EXPECT_EQ(hi.x, -32000.0f);
    CadObject* a = placedMesh("a", 0);
    CadObject* b = placedMesh("b", 10);
    NewCadObject("empty");
    EXPECT_EQ(GetSceneBound(GetCurrentScene(), &lo, &hi), 1);
    EXPECT_EQ(lo.x, 0.0f);
    EXPECT_EQ(hi.x, 11.0f);

    AddSelectedObject(a);
    AddSelectedObject(b);
    CentreInfo info;
    int multiple = 0;
    EXPECT_EQ(GetObjectCentrePoint(multiple, &info), 1);
    EXPECT_EQ(multiple, 1);
    EXPECT_EQ(info.centre.x, 5.5f);
    Point3d top;
    GetObjectPointInfo(&info, 1, &top);
    EXPECT_EQ(top.y, 1.0f);
    GetObjectPointInfo(&info, 2, &top);
    EXPECT_EQ(top.y, 0.0f);
    EXPECT_EQ(GetObjectPointInfo(nullptr, 0, &top), 0);
}

TEST_F(ObjectOperationsTest, NormaliseKeepsThePlaceButCentresTheList) {
    CadObject* mesh = makeMesh("m", 2);  // x 0..2, y 0..1
    TranslatePoints(mesh->points, 10, 0, 0);
    AddSelectedObject(mesh);
    EXPECT_EQ(NormalizeObject(mesh, 0), 1);
    EXPECT_EQ(mesh->translate.x, 11.0f);
    EXPECT_EQ(mesh->translate.y, 0.5f);
    EXPECT_EQ(mesh->points->points[0].x, -1.0f);  // list about the origin
    ASSERT_NE(mesh->polygons, nullptr);
    EXPECT_EQ(mesh->polygons[0].vertex[0].x, 10.0f);  // triangles where they were

    // A list that cannot become triangles is left untouched.
    CadObject* quads = NewDefaultCadObject("q", KX_POLYGON);
    Point3d quad[4] = {{5, 5, 5}, {6, 5, 5}, {6, 6, 5}, {5, 6, 5}};
    quads->points = AddEntry(4, nullptr, quad);
    quads->count = 1;
    EXPECT_EQ(NormalizeObject(quads, 0), 0);
    EXPECT_EQ(quads->points->points[0].x, 5.0f);
    EXPECT_TRUE(IsZero(&quads->translate));
    SetObjectsUnSelected();
    EXPECT_EQ(NormalizeObject(quads, 3), 0);
    CadObject* unselected = makeMesh("u", 1);
    EXPECT_EQ(NormalizeObject(unselected, 0), 0);
    EXPECT_EQ(NormalizeObject(unselected, 3), 1);
}

TEST_F(ObjectOperationsTest, FixOrientationFlipsOnlyDownFacingTriangles) {
    CadObject* mesh = NewDefaultCadObject("m", KX_POLYGON);
    Point3d up[3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};    // normal +z
    Point3d down[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};  // normal -z
    mesh->points = AddEntry(3, nullptr, up);
    AddEntry(3, mesh->points, down);
    mesh->count = 2;
    mesh->translate = Point3d{1, 2, 3};
    EXPECT_EQ(FixOrientationEx(), 1);
    EXPECT_EQ(mesh->points->points[1].y, 1.0f);        // unchanged
    EXPECT_EQ(mesh->points->next->points[1].y, 1.0f);  // swapped
    EXPECT_TRUE(IsZero(&mesh->translate));
    double n[3];
    findnormal(mesh->points->next->points, n);
    EXPECT_GT(n[2], 0.0);
}

TEST_F(ObjectOperationsTest, AlignKeepsOneAxis) {
    CadObject* ref = NewCadObject("ref");
    ref->translate = Point3d{1, 2, 3};
    CadObject* other = NewCadObject("other");
    other->translate = Point3d{7, 8, 9};
    AddSelectedObject(ref);
    AddSelectedObject(other);
    EXPECT_EQ(AlignObjectsEx(1, nullptr), 2);
    EXPECT_EQ(other->translate.y, 2.0f);
    EXPECT_EQ(other->translate.x, 7.0f);
    EXPECT_EQ(AlignObjectsEx(5, ref), 2);
    EXPECT_EQ(other->translate.z, 3.0f);
    EXPECT_EQ(AlignObjectsEx(0, ref), 2);
    EXPECT_EQ(other->translate.x, 1.0f);
}

TEST_F(ObjectOperationsTest, CentreOperateAndOffset) {
    CadObject* a = placedMesh("a", 4);
    AddSelectedObject(a);
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(GetObjectOffset(&x, &y, &z), 1);
    EXPECT_EQ(x, 4.0);
    EXPECT_EQ(CentreObjects(), 1);
    EXPECT_TRUE(IsZero(&a->translate));
    EXPECT_EQ(a->polygons[0].vertex[0].x, -0.5f);
    EXPECT_EQ(a->points->points[0].x, -0.5f);  // rebuilt from the triangles
    static int calls;
    calls = 0;
    EXPECT_EQ(OperateObjects([](ListEntry*) { return ++calls; }), 1);
    EXPECT_EQ(calls, 1);
    AddSelectedObject(placedMesh("b", 1));
    EXPECT_EQ(GetObjectOffset(&x, &y, &z), 0);
    EXPECT_EQ(x, 1.0);
}

}  // namespace
}  // namespace kxtest

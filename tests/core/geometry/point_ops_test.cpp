#include <cmath>
#include <cstdlib>
#include <vector>

#include "core_fixture.h"

namespace kxtest {
namespace {

class PointOpsTest : public CoreTest {
protected:
    // A point object with one vertex per node.
    CadObject* pointObject(const std::vector<Point3d>& points) {
        CadObject* obj = NewDefaultCadObject("p", KX_POINTS);
        ListEntry* tail = nullptr;
        for (const Point3d& p : points) {
            tail = AddEntry(1, tail, &p);
            if (!obj->points) obj->points = tail;
        }
        obj->count = static_cast<unsigned>(points.size());
        return obj;
    }
    static std::vector<Point3d> vertices(ListEntry* list) {
        std::vector<Point3d> out;
        for (; list; list = list->next)
            for (unsigned i = 0; i < list->count; ++i) out.push_back(list->points[i]);
        return out;
    }
};

TEST_F(PointOpsTest, FlatteningAndListType) {
    CadObject* pts = pointObject({{1, 2, 3}, {4, 5, 6}});
    Point3d* array = PointsToArray(pts->points, 2);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array[1].z, 6.0f);
    EXPECT_TRUE(IsZero(&array[2]));  // the extra terminating point
    std::free(array);
    array = PointsToArray(pts->points, 1);  // fewer than the list holds
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(ui.lastMessage(), "More points than expected");
    EXPECT_EQ(array[0].x, 1.0f);
    std::free(array);
    CadObject* mesh = makeMesh("m", 2);
    EXPECT_EQ(PointsToArray(mesh->points, 2), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error unable to process facets");
    EXPECT_EQ(GetListType(pts->points), 1u);
    EXPECT_EQ(GetListType(mesh->points), 2u);
    EXPECT_EQ(GetListType(nullptr), 0u);
}

TEST_F(PointOpsTest, BoundsCentreAndCentring) {
    CadObject* pts = pointObject({{-1, 2, 3}, {3, -2, 5}});
    Point3d lo, hi;
    EXPECT_EQ(GetObjectBounds(pts->points, &lo, &hi, 0), 1);
    EXPECT_EQ(lo.x, -1.0f);
    EXPECT_EQ(hi.z, 5.0f);
    Point3d widerLo{-10, 0, 0}, widerHi{0, 0, 10};
    GetObjectBounds(pts->points, &widerLo, &widerHi, 1);
    EXPECT_EQ(widerLo.x, -10.0f);
    EXPECT_EQ(widerHi.z, 10.0f);
    EXPECT_EQ(widerLo.y, -2.0f);
    Point3d* c = GetCentrePoint(pts->points);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->x, 1.0f);
    EXPECT_EQ(c->z, 4.0f);
    EXPECT_EQ(CentrePoints(pts->points, nullptr), 1);
    EXPECT_EQ(pts->points->points[0].x, -2.0f);
    EXPECT_EQ(GetCentrePoint(nullptr), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error no points to centre");
    EXPECT_EQ(GetObjectBounds(nullptr, &lo, &hi, 0), 0);
}

TEST_F(PointOpsTest, ScaleTranslateRotate) {
    CadObject* pts = pointObject({{1, 0, 0}, {3, 0, 0}});
    Point3d origin{0, 0, 0};
    EXPECT_EQ(ScalePoints(pts->points, 2, 1, 1, &origin), 1);
    EXPECT_EQ(pts->points->next->points[0].x, 6.0f);
    EXPECT_EQ(ScalePoints(pts->points, 0.5, 1, 1, nullptr), 1);  // about the centre (4,0,0)
    EXPECT_EQ(pts->points->points[0].x, 3.0f);
    EXPECT_EQ(TranslatePoints(pts->points, 1, 2, 3), 1);
    EXPECT_EQ(pts->points->points[0].z, 3.0f);
    EXPECT_EQ(RotatePoints(pts->points, 0, 0, 90, &origin), 1);  // x axis turns to y
    EXPECT_NEAR(pts->points->points[0].x, -2.0, 1e-5);
    EXPECT_NEAR(pts->points->points[0].y, 4.0, 1e-5);
    EXPECT_EQ(ScalePoints(nullptr, 1, 1, 1, nullptr), 0);
    EXPECT_EQ(ui.lastMessage(), "Error transforming points");
    EXPECT_EQ(TranslatePoints(nullptr, 1, 1, 1), 0);
    EXPECT_EQ(RotatePoints(nullptr, 1, 1, 1, nullptr), 0);
}

TEST_F(PointOpsTest, RotationOfAFlatObjectTurnsAboutZeroOnTheFlatAxis) {
    CadObject* pts = pointObject({{0, 5, 1}, {0, 5, -1}});
    EXPECT_EQ(RotatePoints(pts->points, 90, 0, 0, nullptr), 1);
    // Centre is (0, 0, 0): y = 5 turns to z = 5.
    EXPECT_NEAR(pts->points->points[0].z, 5.0, 1e-5);
    EXPECT_NEAR(pts->points->points[0].y, -1.0, 1e-5);
}

TEST_F(PointOpsTest, RotationsApplyXThenYThenZ) {
    CadObject* pts = pointObject({{0, 1, 0}});
    Point3d origin{0, 0, 0};
    RotatePoints(pts->points, 90, 90, 0, &origin);
    // x: (0,1,0) -> (0,0,1); y: (0,0,1) -> (1,0,0).
    EXPECT_NEAR(pts->points->points[0].x, 1.0, 1e-6);
    EXPECT_NEAR(pts->points->points[0].z, 0.0, 1e-6);
}

TEST_F(PointOpsTest, MixedNodeSizesAreWalkedByTheirOwnCounts) {
    CadObject* obj = NewCadObject("mixed");
    Point3d tri[3] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    obj->points = AddEntry(1, nullptr, tri);
    AddEntry(3, obj->points, tri);
    obj->count = 2;
    EXPECT_EQ(ScalePoints(obj->points, 2, 2, 2, MakePointLP(0, 0, 0)), 1);
    EXPECT_EQ(obj->points->next->points[2].x, 6.0f);
    Point3d lo, hi;
    GetObjectBounds(obj->points, &lo, &hi, 0);
    EXPECT_EQ(hi.y, 6.0f);
}

TEST_F(PointOpsTest, SortAndFlip) {
    CadObject* pts = pointObject({{0, 0, 3}, {1, 0, 1}, {2, 0, 2}});
    EXPECT_EQ(SortPoints(pts, 0), 1);
    std::vector<Point3d> v = vertices(pts->points);
    EXPECT_EQ(v[0].z, 1.0f);
    EXPECT_EQ(v[2].x, 0.0f);
    CadObject* empty = NewCadObject("e");
    EXPECT_EQ(SortPoints(empty, 0), 0);
    EXPECT_EQ(ui.lastMessage(), "Error no points to sort");

    CadObject* mesh = makeMesh("m", 1);
    mesh->polygons = CopyListToPolygons(mesh->points, 1);
    mesh->polygonCount = 1;
    EXPECT_EQ(SortPoints(mesh, 0), 0);  // triangles cannot be flattened
    struct Case {
        unsigned mode;
        Point3d expected;
    } cases[] = {{0, {1, 3, 2}}, {1, {2, 1, 3}}, {2, {3, 2, 1}},
                 {3, {-1, 2, 3}}, {4, {1, -2, 3}}, {5, {1, 2, -3}}, {9, {1, 2, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        CadObject* one = pointObject({{1, 2, 3}});
        EXPECT_EQ(FlipPoints(one, c.mode), 1);
        EXPECT_EQ(one->points->points[0].x, c.expected.x);
        EXPECT_EQ(one->points->points[0].y, c.expected.y);
        EXPECT_EQ(one->points->points[0].z, c.expected.z);
    }
    FlipPoints(mesh, 0);
    EXPECT_EQ(mesh->polygons, nullptr);  // rebuilt from the list later
    EXPECT_EQ(FlipPoints(empty, 0), 0);
}

TEST_F(PointOpsTest, FilterThinsClearsAndKeepsByThreshold) {
    std::vector<Point3d> line;
    for (int i = 0; i < 9; ++i) line.push_back(Point3d{static_cast<float>(i), static_cast<float>(i), 0});
    CadObject* pts = pointObject(line);
    EXPECT_EQ(FilterObjects(8, 0, 0, Point3d{2, 0, 0}), 1);
    std::vector<Point3d> v = vertices(pts->points);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1].x, 3.0f);  // nodes 1, 4, 7
    EXPECT_EQ(pts->count, 3u);

    EXPECT_EQ(FilterObjects(2, 0, 1, Point3d{}), 1);
    for (const Point3d& p : vertices(pts->points)) EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(pts->count, 3u);

    EXPECT_EQ(FilterObjects(1, 1, 0, Point3d{3, 0, 0}), 1);  // keep x <= 3
    EXPECT_EQ(pts->count, 2u);
    EXPECT_EQ(FilterObjects(1, 0, 0, Point3d{100, 0, 0}), 1);  // would remove all
    EXPECT_EQ(ui.lastMessage(), "Error no points remaining after filter");
    EXPECT_EQ(pts->count, 2u);
    EXPECT_EQ(CountEntry(pts->points), 2u);

    CadObject* solid = NewDefaultCadObject("s", KX_SPHERE);
    EXPECT_EQ(FilterObjects(8, 0, 0, Point3d{}), 1);
    EXPECT_EQ(ui.lastMessage(), "Error unable to filter solid objects");
    DeleteCadObject(solid);
}

TEST_F(PointOpsTest, FilterDropsAStaleTriangleArray) {
    CadObject* mesh = makeMesh("m", 4);
    mesh->polygons = CopyListToPolygons(mesh->points, 4);
    mesh->polygonCount = 4;
    AddSelectedObject(mesh);
    FilterObjects(8, 0, 0, Point3d{1, 0, 0});
    EXPECT_EQ(mesh->count, 2u);
    EXPECT_EQ(mesh->polygons, nullptr);
}

TEST_F(PointOpsTest, LatheOfPoints) {
    CadObject* pts = pointObject({{1, 0, 0}, {2, 1, 0}, {3, 2, 0}, {4, 3, 0}, {5, 4, 0}});
    unsigned n = LathePoints(&pts->points, 4, 90);
    EXPECT_EQ(n, 20u);
    std::vector<Point3d> v = vertices(pts->points);
    ASSERT_EQ(v.size(), 20u);
    // First copy: turned by 90 degrees about y, so (1,0,0) goes to (0,0,-1).
    EXPECT_NEAR(v[0].x, 0.0, 1e-6);
    EXPECT_NEAR(v[0].z, -1.0, 1e-6);
    EXPECT_NEAR(v[15].x, 1.0, 1e-5);  // the fourth copy is back at the start
    EXPECT_EQ(LathePoints(&pts->points, 0, 90), 0u);
    EXPECT_EQ(ui.lastMessage(), "Error, Zero Steps in Sweep");
    CadObject* mesh = makeMesh("m", 1);
    EXPECT_EQ(LathePoints(&mesh->points, 4, 90), 0u);
    EXPECT_EQ(ui.lastMessage(), "Error, Unable to Lathe Facets");
    EXPECT_EQ(LathePoints(&pts->points, 0xFFFFFFFFu, 1), 0u);  // absurd sizes are refused
    EXPECT_EQ(CountEntry(pts->points), 20u);
}

// Lathing a whole object: it becomes what the lathe made, or stays as it was.
TEST_F(PointOpsTest, LatheObjectTurnsAPointObjectOrLeavesItWhole) {
    struct Case {
        const char* what;
        unsigned steps;
        int facets;
        int result;
        unsigned type;
        unsigned count;
    };
    const Case cases[] = {
        {"into a surface", 18, 1, 1, KX_POLYGON, 2 * 2 * 18},
        {"into rings of points", 4, 0, 1, KX_POINTS, 3 * 4},
        {"no steps", 0, 1, 0, KX_POINTS, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CadObject* pts = pointObject({{1, 0, 0}, {2, 1, 0}, {1, 2, 0}});
        pts->boundValid = 1;
        EXPECT_EQ(LatheObject(pts, c.steps, 20, c.facets), c.result);
        EXPECT_EQ(pts->type, c.type);
        EXPECT_EQ(pts->count, c.count);
        EXPECT_EQ(CountEntry(pts->points), c.count);
        EXPECT_EQ(pts->boundValid, c.result ? 0 : 1);
    }
    CadObject* mesh = makeMesh("m", 2);
    EXPECT_EQ(LatheObject(mesh, 8, 20, 1), 0);
    EXPECT_EQ(mesh->type, KX_POLYGON);
    EXPECT_EQ(LatheObject(nullptr, 8, 20, 1), 0);
}

TEST_F(PointOpsTest, SweepBuildsTrianglesWithWindingByDirection) {
    CadObject* up = pointObject({{1, 0, 0}, {1, 1, 0}});
    EXPECT_EQ(LathePointsEx(&up->points, 2, 18, 20), 36u);
    EXPECT_EQ(CountEntry(up->points), 36u);
    Point3d upTri[3];
    std::copy_n(up->points->points, 3, upTri);
    EXPECT_EQ(upTri[0].y, 0.0f);  // (A0, A1, B0)
    EXPECT_EQ(upTri[1].y, 1.0f);

    CadObject* down = pointObject({{1, 1, 0}, {1, 0, 0}});
    EXPECT_EQ(LathePointsEx(&down->points, 2, 18, 20), 36u);
    double nUp[3], nDown[3];
    findnormal(up->points->points, nUp);
    findnormal(down->points->points, nDown);
    // Both face the same way (outwards) although the profiles run opposite ways.
    EXPECT_GT(nUp[0] * nDown[0] + nUp[2] * nDown[2], 0.5);

    CadObject* single = pointObject({{1, 0, 0}});
    EXPECT_EQ(LathePointsEx(&single->points, 1, 18, 20), 0u);
    EXPECT_EQ(ui.lastMessage(), "Error, Not Enough Points to Lathe");
    EXPECT_EQ(LathePointsEx(&single->points, 2, 0, 20), 0u);
    EXPECT_EQ(ui.lastMessage(), "Error, Zero Steps in Sweep");
    ListEntry* none = nullptr;
    EXPECT_EQ(LathePointsEx(&none, 2, 1, 20), 0u);
    EXPECT_EQ(ui.lastMessage(), "Error transforming points");
}

}  // namespace
}  // namespace kxtest

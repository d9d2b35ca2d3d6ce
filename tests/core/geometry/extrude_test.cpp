// Extrusion of drawn points and line segments into solids.
#include <vector>

#include "core_fixture.h"
#include "geometry/mesh_expect.h"
#include "geometry/solid_expect.h"
#include "model/memory.h"

namespace kxtest {
namespace {

class ExtrudeTest : public CoreTest {
protected:
    // An object of the type whose nodes hold `per` points each, from pts in order.
    CadObject* drawn(const char* name, unsigned type, unsigned per, const std::vector<Point3d>& pts) {
        CadObject* obj = NewCadObject(name);
        obj->type = type;
        ListEntry* tail = nullptr;
        for (size_t i = 0; i + per <= pts.size(); i += per) {
            tail = AddEntry(per, tail, &pts[i]);
            if (!obj->points) obj->points = tail;
            ++obj->count;
        }
        return obj;
    }
    // The segments of a closed polyline through the corners, drawn at height z.
    std::vector<Point3d> ring(const std::vector<Point3d>& corners, float z) {
        std::vector<Point3d> out;
        for (size_t i = 0; i < corners.size(); ++i) {
            const Point3d& a = corners[i];
            const Point3d& b = corners[(i + 1) % corners.size()];
            out.push_back({a.x, a.y, z});
            out.push_back({b.x, b.y, z});
        }
        return out;
    }
};

const std::vector<Point3d> kSquare = {{1, 1, 0}, {5, 1, 0}, {5, 5, 0}, {1, 5, 0}};

TEST_F(ExtrudeTest, LineSegmentsOfAClosedOutlineBecomeAClosedSolid) {
    // An L with a notch: its cap needs strips of different widths.
    const std::vector<Point3d> ell = {{0, 0, 0}, {6, 0, 0}, {6, 2, 0}, {2, 2, 0}, {2, 5, 0}, {0, 5, 0}};
    struct Case {
        const char* name;
        const std::vector<Point3d>& corners;
        double area;
    };
    for (const Case& c : {Case{"square", kSquare, 16}, Case{"ell", ell, 18}}) {
        SCOPED_TRACE(c.name);
        CadObject* obj = drawn(c.name, KX_LINESEG, 2, ring(c.corners, 7.5f));
        ASSERT_EQ(RipExtrude(obj), 1);
        EXPECT_EQ(obj->type, KX_POLYGON);
        EXPECT_EQ(obj->count, CountEntry(obj->points));
        const Solid s = readSolid(obj->points);
        EXPECT_TRUE(s.stray.empty());  // no z but the depth planes
        EXPECT_EQ(s.walls.size(), 2 * c.corners.size());
        EXPECT_TRUE(wallsClosed(s));
        EXPECT_TRUE(capsFill(s, 0.01));
        EXPECT_NEAR(enclosedArea(s), c.area, 1e-9);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExtrudeTest, APointsOutlineEndsWithAnEdgeToTheOrigin) {
    {
        SCOPED_TRACE("drawn from the origin: closed");
        CadObject* obj = drawn("tri", KX_POINTS, 1, {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}});
        ASSERT_EQ(RipExtrude(obj), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_EQ(s.walls.size(), 6u);
        EXPECT_TRUE(wallsClosed(s));
        EXPECT_TRUE(capsFill(s, 0.01));
        EXPECT_NEAR(enclosedArea(s), 6.0, 1e-9);
    }
    {
        SCOPED_TRACE("drawn elsewhere: the last wall goes to the origin, none back to the start");
        CadObject* obj = drawn("open", KX_POINTS, 1, kSquare);
        ASSERT_EQ(RipExtrude(obj), 1);
        const Solid s = readSolid(obj->points);
        ASSERT_EQ(s.walls.size(), 8u);
        EXPECT_FALSE(wallsClosed(s));
        const Triangle& last = s.walls[6];  // from (1,5) to the origin
        EXPECT_TRUE(nearPoint(last[0], {1, 5, -2}, 0));
        EXPECT_TRUE(nearPoint(last[1], {0, 0, -2}, 0));
        for (const Triangle& t : s.walls)
            for (int i = 0; i < 3; ++i) {
                const Point3d& a = t[i];
                const Point3d& b = t[(i + 1) % 3];
                const bool fromOriginToStart = a.x == 0 && a.y == 0 && b.x == 1 && b.y == 1;
                EXPECT_FALSE(fromOriginToStart);
            }
    }
}

TEST_F(ExtrudeTest, SegmentPolygonsAreCappedOnlyWithTheExtrudeSetting) {
    for (int fill : {0, 1}) {
        SCOPED_TRACE(fill ? "extrude fill on" : "extrude fill off");
        SetExtrude(fill);
        CadObject* obj = drawn("poly", KX_POLYGON, 2, ring(kSquare, 0));
        ASSERT_EQ(RipExtrude(obj), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_EQ(s.walls.size(), 8u);
        EXPECT_TRUE(wallsClosed(s));
        EXPECT_EQ(s.low.empty(), !fill);
        EXPECT_EQ(s.high.empty(), !fill);
    }
}

TEST_F(ExtrudeTest, OnlyDrawnPointsAndLinesExtrude) {
    struct Case {
        const char* name;
        CadObject* obj;
        const char* message;
    };
    CreateDefaultSphere();
    CadObject* sphere = GetLastCadObject();
    const Case cases[] = {
        {"sphere", sphere, "Error extrude points or lines only"},
        {"triangles", makeMesh("mesh", 2), "Error extrude points or lines only"},
        {"points of two", drawn("p2", KX_POINTS, 2, kSquare), "Error extrude points or lines only"},
        {"empty points", drawn("none", KX_POINTS, 1, {}), "No points too extrude"},
        {"empty lines", drawn("none", KX_LINESEG, 2, {}), "No points too extrude"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        const unsigned type = c.obj->type;
        const ListEntry* points = c.obj->points;
        EXPECT_EQ(RipExtrude(c.obj), 0);
        EXPECT_EQ(ui.lastMessage(), c.message);
        EXPECT_EQ(c.obj->type, type);
        EXPECT_EQ(c.obj->points, points);
    }
    EXPECT_EQ(RipExtrude(nullptr), 0);
}

TEST_F(ExtrudeTest, SelectedObjectsAreExtrudedAndFailuresTriedOnce) {
    CadObject* lines = drawn("lines", KX_LINESEG, 2, ring(kSquare, 0));
    CadObject* points = drawn("points", KX_POINTS, 1, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}});
    CadObject* untouched = drawn("unselected", KX_LINESEG, 2, ring(kSquare, 0));
    lines->selected = points->selected = 1;
    EXPECT_EQ(ExtrudeObjectsEx(), 0);
    EXPECT_EQ(lines->type, KX_POLYGON);
    EXPECT_EQ(points->type, KX_POLYGON);
    EXPECT_EQ(untouched->type, KX_LINESEG);

    // A points object whose nodes are segments fails twice.
    ui.clear();
    CadObject* odd = drawn("odd", KX_POINTS, 2, kSquare);
    SetObjectsUnSelected();
    odd->selected = 1;
    EXPECT_EQ(ExtrudeObjectsEx(), 1);
    EXPECT_EQ(ui.messages.size(), 2u);
    SetObjectsUnSelected();
    EXPECT_EQ(ExtrudeObjectsEx(), 0);
}

TEST_F(ExtrudeTest, FarAwayOutlinesAndFailingAllocationsEndCleanly) {
    {
        SCOPED_TRACE("far from zero with a small extent");
        CadObject* obj = drawn("far", KX_LINESEG, 2, ring({{1e30f, 1e30f, 0}, {1.0001e30f, 1e30f, 0}, {1e30f, 1.0001e30f, 0}}, 0));
        ASSERT_EQ(RipExtrude(obj), 1);
        const Solid s = readSolid(obj->points);
        EXPECT_TRUE(wallsClosed(s));
        EXPECT_FALSE(s.low.empty());
    }
    for (long skip : {0L, 1L, 7L, 40L}) {
        SCOPED_TRACE("allocations fail after " + std::to_string(skip));
        CadObject* obj = drawn("square", KX_LINESEG, 2, ring(kSquare, 0));
        ListEntry* before = obj->points;
        kx::mem::failAllocationsAfter(skip);
        const int made = RipExtrude(obj);
        kx::mem::failAllocationsAfter(-1);
        if (made) {
            EXPECT_EQ(obj->type, KX_POLYGON);
            EXPECT_EQ(obj->count, CountEntry(obj->points));
        } else {
            EXPECT_EQ(obj->points, before);  // the drawing stays
            EXPECT_EQ(obj->type, KX_LINESEG);
        }
    }
}

}  // namespace
}  // namespace kxtest

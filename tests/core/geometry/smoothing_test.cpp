#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core_fixture.h"
#include "triangle_lists.h"

namespace kxtest {
namespace {

class SmoothingTest : public CoreTest {
protected:
    CadObject* mesh(std::initializer_list<std::array<Point3d, 3>> triangles) {
        CadObject* obj = NewDefaultCadObject("mesh", KX_POLYGON);
        const TriangleList list = kxtest::triangles(triangles);
        obj->points = list.head();
        obj->count = list.count();
        return obj;
    }
};

TEST_F(SmoothingTest, SingleTriangleNormals) {
    CadObject* obj = mesh({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}});
    std::string path = dir.file("tri.pov");
    EXPECT_EQ(SmoothPOVfile(path.c_str(), obj->points), 1);
    EXPECT_EQ(dir.read("tri.pov"),
              "smooth_triangle {\r\n"
              "<  0.0000,  0.0000,  0.0000 > <  0.0000,  0.0000,  1.0000 >\r\n"
              "<  1.0000,  0.0000,  0.0000 > <  0.0000,  0.0000,  1.0000 >\r\n"
              "<  0.0000,  1.0000,  0.0000 > <  0.0000,  0.0000,  1.0000 >\r\n"
              "}\r\n\r\n");
    EXPECT_EQ(SmoothObject(obj), 1);
    ASSERT_NE(obj->points->normals, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(obj->points->normals[i].z, -1.0f);
}

TEST_F(SmoothingTest, SharedCornersAverageTheirFaces) {
    // Two triangles at right angles sharing the edge (0,0,0)-(1,0,0).
    CadObject* obj = mesh({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {{{1, 0, 0}, {0, 0, 0}, {0, 0, 1}}}});
    ASSERT_EQ(SmoothObject(obj), 1);
    Point3d shared = obj->points->normals[0];
    Point3d alone = obj->points->normals[2];
    EXPECT_NEAR(shared.y, -std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(shared.z, -std::sqrt(0.5), 1e-6);
    EXPECT_EQ(alone.z, -1.0f);
    EXPECT_EQ(alone.y, 0.0f);
    // A corner that differs in the last bit does not weld.
    float nudged = std::nextafter(1.0f, 2.0f);
    CadObject* apart = mesh({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {{{nudged, 0, 0}, {0, 0, 0}, {0, 0, 1}}}});
    SmoothObject(apart);
    EXPECT_EQ(apart->points->normals[1].y, 0.0f);  // (1,0,0) keeps its own face
    EXPECT_EQ(apart->points->normals[1].z, -1.0f);
}

// The weld against the plainest one there is: an ordered map over exact
// coordinates, face normals added in triangle order. Corners drawn from a
// small lattice share points many times over and crowd the weld's table;
// signed zeroes and NaN corners are mixed in.
TEST_F(SmoothingTest, WeldAgreesWithAnOrderedMapToTheBit) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        unsigned triangles;
        int lattice;  // distinct values per coordinate
    } cases[] = {{"one point everywhere", 40, 1}, {"few points", 3000, 3}, {"many points", 6000, 40}};
    std::mt19937 random(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::array<Point3d, 3>> soup(c.triangles);
        auto coordinate = [&] {
            float v = static_cast<float>(static_cast<int>(random() % c.lattice) - c.lattice / 2) * 0.5f;
            return (random() % 7 == 0 && v == 0.0f) ? -0.0f : v;
        };
        for (auto& t : soup)
            for (Point3d& p : t) p = Point3d{coordinate(), coordinate(), random() % 97 == 0 ? nan : coordinate()};
        CadObject* obj = NewDefaultCadObject("soup", KX_POLYGON);
        const TriangleList list = triangles(soup);
        obj->points = list.head();
        obj->count = list.count();
        // The reference: points keyed by value, -0 as 0, NaN alone.
        using Key = std::tuple<float, float, float>;
        std::map<Key, size_t> index;
        std::vector<std::array<double, 4>> sums;  // x, y, z, uses
        std::vector<std::array<size_t, 3>> corners;
        std::vector<Point3d> positions;  // the first point met at each position
        for (const auto& t : soup) {
            std::array<size_t, 3> ids{};
            for (int i = 0; i < 3; ++i) {
                const Point3d& p = t[i];
                const bool alone = std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z);
                const Key key{p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
                auto found = alone ? index.end() : index.find(key);
                if (found == index.end()) {
                    ids[i] = sums.size();
                    sums.push_back({0, 0, 0, 0});
                    positions.push_back(p);
                    if (!alone) index.emplace(key, ids[i]);
                } else {
                    ids[i] = found->second;
                }
            }
            const Point3d& a = positions[ids[0]];
            const Point3d& b = positions[ids[1]];
            const Point3d& d = positions[ids[2]];
            const Point3d n = MakePoint(
                (static_cast<double>(b.z) - d.z) * a.y + (static_cast<double>(a.z) - b.z) * d.y +
                    (static_cast<double>(d.z) - a.z) * b.y,
                (static_cast<double>(b.x) - d.x) * a.z + (static_cast<double>(d.x) - a.x) * b.z +
                    (static_cast<double>(a.x) - b.x) * d.z,
                (static_cast<double>(a.y) - b.y) * d.x + (static_cast<double>(b.y) - d.y) * a.x +
                    (static_cast<double>(d.y) - a.y) * b.x);
            for (size_t id : ids) {
                sums[id][0] += n.x;
                sums[id][1] += n.y;
                sums[id][2] += n.z;
                sums[id][3] += 1;
            }
            corners.push_back(ids);
        }
        ASSERT_EQ(SmoothObject(obj), 1);
        size_t mismatches = 0, k = 0;
        for (ListEntry* node = obj->points; node; node = node->next, ++k) {
            ASSERT_LT(k, corners.size());
            for (int i = 0; i < 3; ++i) {
                const auto& s = sums[corners[k][i]];
                Point3d expected = MakePoint(s[0] / s[3], s[1] / s[3], s[2] / s[3]);
                PointNormalize(&expected);
                if (std::memcmp(&expected, &node->normals[i], sizeof expected) != 0) ++mismatches;
            }
        }
        EXPECT_EQ(k, corners.size());
        EXPECT_EQ(mismatches, 0u);
        DeleteAllCadObjects();
    }
}

TEST_F(SmoothingTest, SignedZeroesWeld) {
    CadObject* obj = mesh({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {{{1, 0, 0}, {-0.0f, 0, 0}, {0, 0, 1}}}});
    ASSERT_EQ(SmoothObject(obj), 1);
    EXPECT_NEAR(obj->points->next->normals[1].z, -std::sqrt(0.5), 1e-6);
}

TEST_F(SmoothingTest, DegenerateTrianglesGiveZeroNormals) {
    CadObject* obj = mesh({{{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}}});
    ASSERT_EQ(SmoothObject(obj), 1);
    EXPECT_TRUE(obj->points->normals[0].x == 0.0f && obj->points->normals[0].z == 0.0f);
}

TEST_F(SmoothingTest, RefusesNonTriangles) {
    CadObject* obj = mesh({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}});
    Point3d seg[2] = {{0, 0, 0}, {1, 1, 1}};
    AddEntry(2, obj->points, seg);  // a segment behind a triangle
    EXPECT_EQ(SmoothObject(obj), 0);
    EXPECT_EQ(ui.lastMessage(), "Error smooth only triangle facets");
    EXPECT_EQ(obj->points->normals, nullptr);
    EXPECT_EQ(smooth(nullptr), 0);
}

TEST_F(SmoothingTest, ArraysFollowTheList) {
    CadObject* obj = mesh({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}});
    obj->polygons = CopyListToPolygons(obj->points, 1);
    obj->polygonCount = 1;
    obj->translate = Point3d{5, 0, 0};
    obj->scale = Point3d{2, 2, 2};
    ASSERT_EQ(SmoothObject(obj), 1);
    EXPECT_EQ(obj->polygons[0].vertex[1].x, 6.0f);  // moved by translate
    EXPECT_EQ(obj->polygons[0].normal[0].z, -1.0f);
    EXPECT_EQ(obj->scale.x, 1.0f);
    EXPECT_EQ(UnSmoothObject(obj), 1);
    EXPECT_NE(obj->points->normals, nullptr);  // the list keeps its normals
    EXPECT_TRUE(IsZero(&obj->polygons[0].normal[0]));
    EXPECT_EQ(obj->polygons[0].vertex[1].x, 1.0f);
}

TEST_F(SmoothingTest, SmoothTheSelection) {
    CadObject* obj = mesh({{{{4, 0, 0}, {5, 0, 0}, {4, 1, 0}}}});
    EXPECT_EQ(SmoothObjectsEx(), 1);
    EXPECT_EQ(obj->translate.x, 4.5f);  // normalised first
    EXPECT_NE(obj->points->normals, nullptr);
    SetObjectsUnSelected();
    EXPECT_EQ(SmoothObjectsEx(), 0);
}

TEST_F(SmoothingTest, PointNormalize) {
    Point3d n{3, 0, 4};
    EXPECT_DOUBLE_EQ(PointNormalize(&n), 0.2);
    EXPECT_FLOAT_EQ(n.x, -0.6f);
    Point3d zero{0, 0, 0};
    EXPECT_EQ(PointNormalize(&zero), 0.0);
    EXPECT_TRUE(std::signbit(zero.x));
}

}  // namespace
}  // namespace kxtest

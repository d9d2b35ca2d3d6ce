#include <array>
#include <cmath>
#include <string>

#include "core_fixture.h"

namespace kxtest {
namespace {

class SmoothingTest : public CoreTest {
protected:
    CadObject* mesh(std::initializer_list<std::array<Point3d, 3>> triangles) {
        CadObject* obj = NewDefaultCadObject("mesh", KX_POLYGON);
        ListEntry* tail = nullptr;
        for (const auto& t : triangles) {
            tail = AddEntry(3, tail, t.data());
            if (!obj->points) obj->points = tail;
            ++obj->count;
        }
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

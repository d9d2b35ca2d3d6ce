#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "core_fixture.h"

namespace kxtest {
namespace {

class GeometryDigestTest : public CoreTest {};

// A strip of triangles with a normal at each corner and its triangle copy.
CadObject* strip(const char* name, unsigned triangles) {
    CadObject* obj = AddCadAtom(CreateDefaultInfo(), name, KX_POLYGON);
    ListEntry* tail = nullptr;
    for (unsigned i = 0; i < triangles; ++i) {
        const float x = static_cast<float>(i);
        Point3d corners[3] = {{x, 0, 0}, {x + 1, 0, 0.5f}, {x, 1, 0.25f}};
        Point3d normals[3] = {{0, 0, 1}, {0, 0.1f, 1}, {0.1f, 0, 1}};
        tail = AddEntryEx(3, tail, corners, normals);
        if (!obj->points) obj->points = tail;
        ++obj->count;
    }
    obj->polygons = CopyListToPolygons(obj->points, obj->count);
    obj->polygonCount = obj->count;
    return obj;
}

ListEntry* node(CadObject* obj, unsigned index) {
    ListEntry* n = obj->points;
    while (index-- && n) n = n->next;
    return n;
}

float nextUp(float v) { return std::nextafter(v, 1e30f); }

TEST_F(GeometryDigestTest, SameGeometryGivesTheSameValueAndAnyChangeAnother) {
    const uint64_t base = GetGeometryDigest(strip("base", 7));
    EXPECT_EQ(GetGeometryDigest(strip("again", 7)), base);
    // Arrays that do not sit behind their node hold the same geometry.
    CadObject* apart = strip("apart", 7);
    ListEntry* third = node(apart, 2);
    std::vector<Point3d> points(third->points, third->points + 3), normals(third->normals, third->normals + 3);
    Point3d* const inlinePoints = third->points;
    Point3d* const inlineNormals = third->normals;
    third->points = points.data();
    third->normals = normals.data();
    EXPECT_EQ(GetGeometryDigest(apart), base);
    third->points = inlinePoints;
    third->normals = inlineNormals;

    struct Case {
        const char* change;
        std::function<void(CadObject*)> apply;
    } cases[] = {
        {"the lowest bit of the first point", [](CadObject* o) { o->points->points[0].x = nextUp(0); }},
        {"the last coordinate of the last corner",
         [](CadObject* o) { node(o, 6)->points[2].z = nextUp(node(o, 6)->points[2].z); }},
        {"a normal of a middle node", [](CadObject* o) { node(o, 3)->normals[1].y = 0.2f; }},
        {"two nodes swapped",
         [](CadObject* o) {
             std::swap_ranges(node(o, 1)->points, node(o, 1)->points + 3, node(o, 2)->points);
         }},
        {"a node without its normals", [](CadObject* o) { node(o, 4)->normals = nullptr; }},
        {"a corner of the triangle copy", [](CadObject* o) { o->polygons[5].vertex[1].y = 2; }},
        {"one triangle fewer in the copy", [](CadObject* o) { --o->polygonCount; }},
        {"texture coordinates", [](CadObject* o) { AllocCadObjectUV(o, 3 * o->count); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        CadObject* changed = strip("changed", 7);
        c.apply(changed);
        EXPECT_NE(GetGeometryDigest(changed), base);
    }
    EXPECT_NE(GetGeometryDigest(strip("longer", 8)), base);
    EXPECT_EQ(GetGeometryDigest(nullptr), 0u);
}

}  // namespace
}  // namespace kxtest

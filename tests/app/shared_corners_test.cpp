#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "model/scene_snapshot.h"
#include "model/shared_corners.h"

namespace {

using kx::app::SharedCorners;

// A w x h grid of squares in y = 0, two triangles a square, corners shared
// by position; normals straight up when asked.
std::vector<TriPolygon> grid(int w, int h, bool normals) {
    std::vector<TriPolygon> out;
    auto at = [](int x, int z) { return Point3d{static_cast<float>(x) * 0.1f, 0, static_cast<float>(z) * 0.1f}; };
    const Point3d up = normals ? Point3d{0, 1, 0} : Point3d{};
    for (int z = 0; z < h; ++z)
        for (int x = 0; x < w; ++x) {
            out.push_back({{at(x, z), at(x + 1, z), at(x, z + 1)}, {up, up, up}});
            out.push_back({{at(x + 1, z), at(x + 1, z + 1), at(x, z + 1)}, {up, up, up}});
        }
    return out;
}

TEST(SharedCorners, EveryTriangleComesBackBitForBitWithNoMoreCornersThanDiffer) {
    struct Case {
        std::string name;
        std::vector<TriPolygon> triangles;
        size_t mostCorners;   // some shared even when far apart
        size_t leastCorners;  // the distinct corners: none merged that differ
        bool normalsKept;
    };
    std::vector<Case> cases;
    cases.push_back({"grid without normals", grid(20, 10, false), 21 * 11, 21 * 11, false});
    cases.push_back({"grid with normals", grid(20, 10, true), 21 * 11, 21 * 11, true});
    {
        // The same place with two normals is two corners: a crease stays sharp.
        std::vector<TriPolygon> crease = grid(1, 1, true);
        for (Point3d& n : crease[1].normal) n = {1, 0, 0};
        cases.push_back({"a crease", crease, 6, 6, true});
    }
    {
        // +0 and -0, and a corner that is not a number, are kept as they are.
        std::vector<TriPolygon> odd = grid(1, 1, false);
        odd[1].vertex[0].x = -0.0f;
        odd[0].vertex[1].x = -0.0f;
        odd[1].vertex[2].y = std::nanf("");
        cases.push_back({"signed zeros and a NaN", odd, 5, 5, false});
    }
    // A grid whose rows hold far more corners than are remembered: sharing
    // may be lost across rows, never a triangle.
    cases.push_back({"rows longer than the memory", grid(40000, 2, false), 2 * 3 * 40001, 3 * 40001, false});
    cases.push_back({"nothing", {}, 0, 0, false});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedCorners shared;
        ASSERT_TRUE(kx::app::shareCorners(c.triangles.data(), c.triangles.size(), shared));
        const size_t corners = shared.positions.size() / 3;
        EXPECT_LE(corners, c.mostCorners);
        EXPECT_GE(corners, c.leastCorners);
        EXPECT_EQ(shared.normals.empty(), !c.normalsKept);
        if (c.normalsKept) {
            EXPECT_EQ(shared.normals.size(), shared.positions.size());
        }
        ASSERT_EQ(shared.corners.size(), 3 * c.triangles.size());
        for (uint32_t corner : shared.corners) ASSERT_LT(corner, corners);
        for (size_t i = 0; i < c.triangles.size(); ++i) {
            const TriPolygon t = kx::app::sharedTriangle(shared, i);
            ASSERT_EQ(std::memcmp(&t, &c.triangles[i], sizeof t), 0) << "triangle " << i;
        }
    }
}

class SnapshotGeometryTest : public kxtest::CoreTest {};

// Links members under a group, in order.
void adopt(CadObject& group, std::initializer_list<CadObject*> members) {
    CadObject* before = nullptr;
    for (CadObject* m : members) {
        m->parent = &group;
        (before ? before->nextSibling : group.firstChild) = m;
        before = m;
    }
}

TEST_F(SnapshotGeometryTest, PointListFacesAreFannedAndLonePointsAndSegmentsKeptThin) {
    Point3d square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    Point3d up[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    Point3d octagon[9] = {{2, 0, 0}, {3, 0, 0}, {4, 1, 0}, {4, 2, 0}, {3, 3, 0}, {2, 3, 0}, {1, 2, 0}, {1, 1, 0}, {1, 0, 0}};
    struct Node {
        unsigned count;
        Point3d* points;
        Point3d* normals;
    };
    struct Case {
        const char* name;
        uint32_t type;
        std::vector<Node> nodes;
        bool drawn;
        size_t triangles, corners;
        std::vector<unsigned> thin;  // the counts of the nodes drawn thin
    };
    const Case cases[] = {
        {"a square with normals beside its neighbour without", KX_POLYGON, {{4, square, up}, {3, square + 1, nullptr}},
         true, 3, 7, {}},
        {"an octagon", KX_POLYGON, {{8, octagon, nullptr}}, true, 6, 8, {}},
        {"a segment and a point among faces", KX_POLYGON,
         {{4, square, nullptr}, {2, square, nullptr}, {1, square + 3, nullptr}}, true, 2, 4, {2, 1}},
        {"points alone", KX_POINTS, {{1, square, nullptr}, {1, square + 1, nullptr}}, true, 0, 0, {1, 1}},
        {"a light's marker, its faces outlined", KX_LIGHT, {{2, square, nullptr}, {4, square, nullptr}}, true, 0, 0,
         {2, 4}},
        {"a user-defined box, outlined as a stand-in", KX_USERDEFINED, {{4, square, nullptr}}, true, 2, 4, {4}},
        {"a node longer than a face", KX_POLYGON, {{9, octagon, nullptr}}, false, 0, 0, {}},
        {"an empty node", KX_POLYGON, {{4, square, nullptr}, {0, square, nullptr}}, false, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ListEntry> list;
        for (const Node& n : c.nodes) list.push_back({nullptr, n.points, n.normals, n.count});
        for (size_t i = 0; i + 1 < list.size(); ++i) list[i].next = &list[i + 1];
        CadObject object{};
        object.type = c.type;
        object.points = list.data();
        object.count = static_cast<uint32_t>(list.size());
        const auto g = kx::app::snapshotGeometry(object);
        ASSERT_EQ(g != nullptr, c.drawn);
        if (!g) continue;
        EXPECT_EQ(g->triangleCount(), c.triangles);
        EXPECT_EQ(g->shared.positions.size(), 3 * c.corners);
        // Each face's triangles are (0, k, k + 1) of its corners, in list order.
        size_t at = 0;
        for (const Node& n : c.nodes)
            for (unsigned k = 1; k + 1 < n.count && c.type != KX_LIGHT; ++k, ++at) {
                const TriPolygon t = g->triangle(at);
                const unsigned corner[3] = {0, k, k + 1};
                for (int i = 0; i < 3; ++i) {
                    EXPECT_EQ(std::memcmp(&t.vertex[i], &n.points[corner[i]], sizeof(Point3d)), 0);
                    const Point3d none{};
                    const Point3d& normal = n.normals ? n.normals[corner[i]] : none;
                    EXPECT_EQ(std::memcmp(&t.normal[i], &normal, sizeof(Point3d)), 0);
                }
            }
        // The thin nodes, copied whole and linked in order.
        std::vector<unsigned> thin;
        for (const ListEntry* n = g->wire.empty() ? nullptr : g->wire.data(); n; n = n->next) {
            thin.push_back(n->count);
            const Node* from = nullptr;
            for (const Node& m : c.nodes)
                if (m.count == n->count && (!from || std::memcmp(m.points, n->points, n->count * sizeof(Point3d)) == 0))
                    from = &m;
            ASSERT_NE(from, nullptr);
            EXPECT_EQ(std::memcmp(from->points, n->points, n->count * sizeof(Point3d)), 0);
        }
        EXPECT_EQ(thin, c.thin);
    }
}

TEST_F(SnapshotGeometryTest, MembersTheirGroupTakesAwayAreWire) {
    // difference { a, union { b, c }, d }, beside a union { e, inverse f }
    // and an intersection { g, inverse h }.
    CadObject difference{}, inner{}, a{}, b{}, c{}, d{}, outer{}, e{}, f{}, both{}, g{}, h{};
    for (CadObject* group : {&difference, &inner, &outer, &both}) group->type = KX_GROUP;
    difference.extraPoint.x = 3;
    both.extraPoint.x = 2;
    for (CadObject* insideOut : {&f, &h}) ASSERT_TRUE(SetCadObjectProperty(insideOut, "Inverse", 1u));
    adopt(difference, {&a, &inner, &d});
    adopt(inner, {&b, &c});
    adopt(outer, {&e, &f});
    adopt(both, {&g, &h});
    struct Case {
        const char* name;
        const CadObject* object;
        bool wire;
    };
    const Case cases[] = {{"the first member", &a, false},   {"a later member", &d, true},
                          {"a member of a later member", &b, true}, {"its second", &c, true},
                          {"the difference itself", &difference, false}, {"a union's member", &e, false},
                          {"an inside-out member of a union", &f, false},
                          {"an intersection's member", &g, false},
                          {"an inside-out member of an intersection", &h, true}};
    for (const Case& k : cases) EXPECT_EQ(kx::app::cutAwayInCsg(*k.object), k.wire) << k.name;
    for (CadObject* insideOut : {&f, &h}) FreeObjectExtra(insideOut);

    // Drawn as wire: every node outlined, no faces to fill, parameters or not.
    Point3d square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    ListEntry face{nullptr, square, nullptr, 4};
    for (const uint32_t type : {uint32_t{KX_POLYGON}, uint32_t{KX_SPHERE}}) {
        SCOPED_TRACE(type);
        CadObject member{};
        member.type = type;
        member.points = &face;
        member.count = 1;
        const auto g = kx::app::snapshotGeometry(member, true);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->triangleCount(), 0u);
        ASSERT_EQ(g->wire.size(), 1u);
        EXPECT_EQ(g->wire[0].count, 4u);
    }
}

TEST_F(SnapshotGeometryTest, MembersOfIntersectionsAndDifferencesAreBoundedByTheirKnownSiblings) {
    // difference { box a, sphere b, mesh c }, intersection { sphere d, inverse
    // box e, hidden box f }, difference { mesh g, sphere h }, union { i, j }.
    CadObject difference{}, intersection{}, meshFirst{}, plain{};
    CadObject a{}, b{}, c{}, d{}, e{}, f{}, g{}, h{}, i{}, j{};
    for (CadObject* group : {&difference, &intersection, &meshFirst, &plain}) group->type = KX_GROUP;
    difference.extraPoint.x = meshFirst.extraPoint.x = 3;
    intersection.extraPoint.x = 2;
    for (auto [o, type] : {std::pair{&a, KX_BOX}, {&b, KX_SPHERE}, {&c, KX_POLYGON}, {&d, KX_SPHERE}, {&e, KX_BOX},
                           {&f, KX_BOX}, {&g, KX_POLYGON}, {&h, KX_SPHERE}, {&i, KX_SPHERE}, {&j, KX_BOX}}) {
        o->type = type;
        o->flags = KX_FLAG_VISIBLE;
    }
    f.flags = 0;
    ASSERT_TRUE(SetCadObjectProperty(&e, "Inverse", 1u));
    adopt(difference, {&a, &b, &c});
    adopt(intersection, {&d, &e, &f});
    adopt(meshFirst, {&g, &h});
    adopt(plain, {&i, &j});
    struct Case {
        const char* name;
        const CadObject* object;
        bool clipped, takenAway;
        size_t within, without;
    };
    const Case cases[] = {
        {"a difference's first: outside the sphere; the mesh bounds nothing", &a, true, false, 0, 1},
        {"a taken-away sphere: within the first", &b, true, true, 1, 0},
        {"a taken-away mesh: within the first, outside the sphere", &c, true, true, 1, 1},
        {"an intersection's member: outside the inside-out box; hidden ones bound nothing", &d, true, false, 0, 1},
        {"the inside-out member: within the sphere", &e, true, true, 1, 0},
        {"a sphere taken from a mesh: nothing bounds it, so it is wire", &h, false, true, 0, 0},
        {"the mesh it is taken from: outside the sphere", &g, true, false, 0, 1},
        {"a union's member", &i, false, false, 0, 0},
        {"a group itself", &difference, false, false, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const kx::app::CsgClip clip = kx::app::csgClipOf(*k.object);
        EXPECT_EQ(clip.clipped, k.clipped);
        EXPECT_EQ(clip.clipped && clip.takenAway, k.clipped && k.takenAway);
        EXPECT_EQ(clip.within.size(), k.within);
        EXPECT_EQ(clip.without.size(), k.without);
        for (const CadObject& bound : clip.within) EXPECT_EQ(bound.parent, nullptr);
    }
    EXPECT_EQ(kx::app::csgClipOf(a).without.at(0).type, uint32_t{KX_SPHERE});
    FreeObjectExtra(&e);
}

TEST_F(SnapshotGeometryTest, UnionsInsideIntersectionsAndDifferencesAreBoundedAsTheirMembersWouldBe) {
    // difference { box a, union { sphere b, union { sphere c }, mesh m } },
    // intersection { box d, union { sphere e, sphere f }, union { box j, box s } },
    // difference { union { box g, box h }, sphere i }; a union the surface
    // must lie inside is lying inside one of its members.
    CadObject cut{}, holes{}, inner{}, both{}, pair{}, square{}, taken{}, base{};
    CadObject a{}, b{}, c{}, m{}, d{}, e{}, f{}, g{}, h{}, i{}, j{}, s{};
    for (CadObject* group : {&cut, &holes, &inner, &both, &pair, &square, &taken, &base}) group->type = KX_GROUP;
    cut.extraPoint.x = taken.extraPoint.x = KX_CSG_DIFFERENCE;
    both.extraPoint.x = KX_CSG_INTERSECTION;
    inner.extraPoint.x = KX_CSG_MERGE;
    for (auto [o, type] : {std::pair{&a, KX_BOX}, {&b, KX_SPHERE}, {&c, KX_SPHERE}, {&m, KX_POLYGON}, {&d, KX_BOX},
                           {&e, KX_SPHERE}, {&f, KX_SPHERE}, {&g, KX_BOX}, {&h, KX_BOX}, {&i, KX_SPHERE},
                           {&j, KX_BOX}, {&s, KX_BOX}}) {
        o->type = type;
        o->flags = KX_FLAG_VISIBLE;
    }
    for (CadObject* group : {&holes, &inner, &pair, &square, &base}) group->flags = KX_FLAG_VISIBLE;
    adopt(cut, {&a, &holes});
    adopt(holes, {&b, &inner, &m});
    adopt(inner, {&c});
    adopt(both, {&d, &pair, &square});
    adopt(pair, {&e, &f});
    adopt(square, {&j, &s});
    adopt(taken, {&base, &i});
    adopt(base, {&g, &h});
    struct Case {
        const char* name;
        const CadObject* object;
        bool clipped, takenAway;
        std::vector<uint32_t> within, without;  // the bounding members' types, in order
        std::vector<std::vector<uint32_t>> withinAny;
    };
    const Case cases[] = {
        {"the base keeps outside each sphere the union takes away", &a, true, false, {}, {KX_SPHERE, KX_SPHERE}, {}},
        {"a taken-away sphere: a wall within the base, outside its union's other sphere", &b, true, true, {KX_BOX},
         {KX_SPHERE}, {}},
        {"one a union deeper: outside the sphere of the union around it", &c, true, true, {KX_BOX}, {KX_SPHERE}, {}},
        {"an intersection's member: within the box and the other union, as its union is", &e, true, false, {KX_BOX},
         {}, {{KX_BOX, KX_BOX}}},
        {"a member of the other union: within the box and one of the spheres", &j, true, false, {KX_BOX}, {},
         {{KX_SPHERE, KX_SPHERE}}},
        {"the intersection's box: within one member of each union", &d, true, false, {}, {},
         {{KX_SPHERE, KX_SPHERE}, {KX_BOX, KX_BOX}}},
        {"a member of the union a difference starts with: outside what is taken away", &g, true, false, {},
         {KX_SPHERE}, {}},
        {"the sphere taken from that union: a wall within one of its boxes", &i, true, true, {}, {}, {{KX_BOX, KX_BOX}}},
    };
    auto types = [](const std::vector<CadObject>& records) {
        std::vector<uint32_t> out;
        for (const CadObject& r : records) out.push_back(r.type);
        return out;
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const kx::app::CsgClip clip = kx::app::csgClipOf(*k.object);
        EXPECT_EQ(clip.clipped, k.clipped);
        if (!clip.clipped) continue;
        EXPECT_EQ(clip.takenAway, k.takenAway);
        EXPECT_EQ(types(clip.within), k.within);
        EXPECT_EQ(types(clip.without), k.without);
        std::vector<std::vector<uint32_t>> unions;
        for (const std::vector<CadObject>& members : clip.withinAny) unions.push_back(types(members));
        EXPECT_EQ(unions, k.withinAny);
    }
}

TEST_F(SnapshotGeometryTest, TrianglesShareTheirCornersUnlessTheyCarryImageCoordinates) {
    std::vector<TriPolygon> triangles = grid(8, 8, true);
    std::vector<Point3d> uv(3 * triangles.size(), Point3d{0.5f, 0.25f, 0});
    for (const bool withUv : {false, true}) {
        SCOPED_TRACE(withUv ? "with image coordinates" : "without");
        CadObject mesh{};
        mesh.type = KX_POLYGON;
        mesh.flags = KX_FLAG_VISIBLE;
        mesh.polygons = triangles.data();
        mesh.count = mesh.polygonCount = static_cast<uint32_t>(triangles.size());
        if (withUv) {
            mesh.uv = uv.data();
            mesh.uvCount = static_cast<uint32_t>(uv.size());
        }
        const auto g = kx::app::snapshotGeometry(mesh);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->indexed(), !withUv);
        EXPECT_EQ(g->uv.size(), withUv ? uv.size() : 0u);
        ASSERT_EQ(g->triangleCount(), triangles.size());
        for (size_t i = 0; i < triangles.size(); ++i) {
            const TriPolygon t = g->triangle(i);
            ASSERT_EQ(std::memcmp(&t, &triangles[i], sizeof t), 0);
        }
        if (!withUv) {
            // The closed form of a grid: two triangles a shared corner,
            // 24 bytes a corner and 12 a triangle.
            const PreviewMesh m = g->previewMesh();
            EXPECT_EQ(m.cornerCount, 81u);
            EXPECT_EQ(m.triangleCount, triangles.size());
            EXPECT_NE(m.normals, nullptr);
            EXPECT_EQ(g->bytes(), 81u * 24 + triangles.size() * 12);
        }
    }
}

// A list of quads, a node each, its corners shared with the neighbours'.
struct QuadList {
    std::vector<std::vector<Point3d>> points, normals;  // normals empty for a node without
    uint32_t type = KX_POLYGON;
    std::vector<ListEntry> nodes;

    QuadList(int w, int h, bool withNormals) {
        auto at = [](int x, int z) { return Point3d{0.1f * static_cast<float>(x), 0, 0.1f * static_cast<float>(z)}; };
        for (int z = 0; z < h; ++z)
            for (int x = 0; x < w; ++x) {
                points.push_back({at(x, z), at(x + 1, z), at(x + 1, z + 1), at(x, z + 1)});
                normals.push_back(withNormals ? std::vector<Point3d>(4, Point3d{0, 1, 0}) : std::vector<Point3d>{});
            }
    }
    CadObject object() {
        nodes.clear();
        for (size_t i = 0; i < points.size(); ++i)
            nodes.push_back({nullptr, points[i].data(), normals[i].empty() ? nullptr : normals[i].data(),
                             static_cast<uint32_t>(points[i].size())});
        for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
        CadObject o{};
        o.type = type;
        o.flags = KX_FLAG_VISIBLE;
        o.points = nodes.data();
        o.count = static_cast<uint32_t>(nodes.size());
        return o;
    }
    void eachPoint(const std::function<void(Point3d&)>& f) {
        for (auto& node : points)
            for (Point3d& p : node) f(p);
    }
};

TEST_F(SnapshotGeometryTest, AReshapeThatKeepsTheFacesReusesTheSharingAndGivesTheSameTriangles) {
    auto turn = [](Point3d& p) {
        const double c = std::cos(0.6), s = std::sin(0.6);
        p = {static_cast<float>(c * p.x + s * p.z), p.y, static_cast<float>(c * p.z - s * p.x)};
    };
    struct Case {
        const char* name;
        bool withNormals;
        std::function<void(QuadList&)> change;
        bool reused;
    };
    const Case cases[] = {
        {"moved", false,
         [](QuadList& m) {
             m.eachPoint([](Point3d& p) { p = {p.x + 0.3f, p.y - 1.7f, p.z + 0.01f}; });
         },
         true},
        {"turned, with its normals", true,
         [&](QuadList& m) {
             m.eachPoint(turn);
             for (auto& node : m.normals)
                 for (Point3d& n : node) turn(n);
         },
         true},
        {"one face's corner moved alone: its neighbours no longer share it", false,
         [](QuadList& m) { m.points[0][2].y += 1; }, false},
        {"a face lost a corner", false, [](QuadList& m) { m.points[3].pop_back(); }, false},
        {"normals where there were none", false,
         [](QuadList& m) { m.normals[0] = std::vector<Point3d>(4, Point3d{0, 1, 0}); }, false},
        {"normals gone", true,
         [](QuadList& m) {
             for (auto& node : m.normals) node.clear();
         },
         false},
        {"a segment among the faces", false, [](QuadList& m) {
             m.points.push_back({{0, 0, 0}, {1, 0, 0}});
             m.normals.emplace_back();
         }, false},
        {"a user-defined stand-in, drawn outlined", false, [](QuadList& m) { m.type = KX_USERDEFINED; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QuadList mesh(6, 4, c.withNormals);
        const auto before = kx::app::snapshotGeometry(mesh.object());
        ASSERT_NE(before, nullptr);
        ASSERT_TRUE(before->indexed());
        c.change(mesh);
        const CadObject after = mesh.object();
        const auto refreshed = kx::app::refreshedGeometry(after, *before);
        ASSERT_EQ(refreshed != nullptr, c.reused);
        if (!refreshed) continue;
        const auto fresh = kx::app::snapshotGeometry(after);
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(refreshed->shared.corners, before->shared.corners);
        ASSERT_EQ(refreshed->triangleCount(), fresh->triangleCount());
        for (size_t i = 0; i < fresh->triangleCount(); ++i) {
            const TriPolygon a = refreshed->triangle(i), b = fresh->triangle(i);
            ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "triangle " << i;
        }
    }
}

}  // namespace

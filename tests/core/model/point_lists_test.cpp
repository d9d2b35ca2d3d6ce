#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core_fixture.h"
#include "model/memory.h"

namespace kxtest {
namespace {

class PointListTest : public CoreTest {};

Point3d kTri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
Point3d kOctagon[9] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0},
                       {5, 0, 0}, {6, 0, 0}, {7, 0, 0}, {8, 0, 0}};

TEST_F(PointListTest, NodeSizeLimits) {
    struct Case {
        unsigned count;
        bool ok;
        const char* message;
    } cases[] = {
        {1, true, ""}, {8, true, ""},
        {9, false, "Error invalid polygon: 9"},
        {0, false, "Error invalid polygon: 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ui.clear();
        ListEntry* node = AddEntryEx(c.count, nullptr, kOctagon, nullptr);
        EXPECT_EQ(node != nullptr, c.ok);
        EXPECT_EQ(ui.lastMessage(), c.message);
        if (node) {
            EXPECT_EQ(node->count, c.count);
            EXPECT_EQ(std::memcmp(node->points, kOctagon, c.count * sizeof(Point3d)), 0);
            EXPECT_EQ(node->normals, nullptr);
        }
        ClearEntry(node);
    }
    // A null point array is refused without a word.
    EXPECT_EQ(AddEntryEx(3, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(PointListTest, AppendingLinksBehindPrevAndCountsNodes) {
    ListEntry* head = AddEntry(3, nullptr, kTri);
    ListEntry* second = AddEntryEx(3, head, kTri, kTri);
    AddEntry(2, second, kTri);
    EXPECT_EQ(head->next, second);
    EXPECT_EQ(GetNextEntry(head), second);
    EXPECT_EQ(CountEntry(head), 3u);
    EXPECT_NE(second->normals, nullptr);
    EXPECT_EQ(CountEntry(nullptr), 0u);
    EXPECT_EQ(ClearEntry(nullptr), 0);
    EXPECT_EQ(DestroyList(head), 1);
}

TEST_F(PointListTest, CopyListKeepsPointsDropsNormals) {
    ListEntry* head = AddEntryEx(3, nullptr, kTri, kTri);
    AddEntryEx(2, head, kOctagon, kOctagon);
    unsigned n = 99;
    ListEntry* copy = CopyList(head, &n);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(copy->normals, nullptr);
    EXPECT_EQ(copy->next->count, 2u);
    EXPECT_EQ(copy->next->points[1].x, 1.0f);
    EXPECT_NE(copy->points, head->points);
    unsigned untouched = 7;
    EXPECT_EQ(CopyList(nullptr, &untouched), nullptr);
    EXPECT_EQ(untouched, 7u);
    ClearEntry(head);
    ClearEntry(copy);
}

TEST_F(PointListTest, ListToPolygonsChecksShapeAndLength) {
    ListEntry* quad = AddEntry(4, nullptr, kOctagon);
    EXPECT_EQ(CopyListToPolygons(quad, 1), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error Wrong point count: CopyListToPolygons: 1/4");
    ClearEntry(quad);

    ListEntry* head = AddEntryEx(3, nullptr, kTri, kTri);
    AddEntry(3, head, kTri);
    EXPECT_EQ(CopyListToPolygons(head, 1), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error too many points list: Line 418");

    TriPolygon* polys = CopyListToPolygons(head, 4);
    ASSERT_NE(polys, nullptr);
    EXPECT_EQ(polys[0].vertex[1].x, 1.0f);
    EXPECT_EQ(polys[0].normal[2].y, 1.0f);
    EXPECT_TRUE(IsZero(&polys[1].normal[0]));  // node without normals
    TriPolygon zero{};
    EXPECT_EQ(std::memcmp(&polys[3], &zero, sizeof zero), 0);  // list shorter than n

    TriPolygon* plain = CopyListToPolygonsEx(head, 2, 0);
    EXPECT_TRUE(IsZero(&plain[0].normal[2]));
    ReleasePolyons(plain);
    ReleasePolyons(polys);
    ClearEntry(head);
}

TEST_F(PointListTest, MixedNodeSizesNeverReadPastANode) {
    // A segment and an octagon behind a triangle: each node is read with its own count.
    ListEntry* head = AddEntry(3, nullptr, kTri);
    AddEntry(8, AddEntry(2, head, kOctagon), kOctagon);
    TriPolygon* polys = CopyListToPolygons(head, 3);
    ASSERT_NE(polys, nullptr);
    EXPECT_EQ(polys[1].vertex[1].x, 1.0f);
    EXPECT_TRUE(IsZero(&polys[1].vertex[2]));
    EXPECT_EQ(polys[2].vertex[2].x, 2.0f);
    ReleasePolyons(polys);
    ClearEntry(head);
}

TEST_F(PointListTest, PolygonsToListTakesNormalsDecisionFromFirstTriangle) {
    TriPolygon polys[2] = {};
    std::memcpy(polys[0].vertex, kTri, sizeof kTri);
    std::memcpy(polys[1].vertex, kTri, sizeof kTri);
    polys[1].normal[0] = Point3d{0, 0, 1};
    CadObject* obj = makeMesh("m", 5);
    EXPECT_EQ(CopyPolygonsToList(obj, polys, 2), 1);
    EXPECT_EQ(CountEntry(obj->points), 2u);
    EXPECT_EQ(obj->points->next->normals, nullptr);
    EXPECT_EQ(obj->count, 5u);  // the caller keeps the count

    polys[0].normal[1] = Point3d{1, 0, 0};
    EXPECT_EQ(CopyPolygonsToList(obj, polys, 2), 1);
    ASSERT_NE(obj->points->next->normals, nullptr);
    EXPECT_EQ(obj->points->next->normals[0].z, 1.0f);

    EXPECT_EQ(CopyPolygonsToList(obj, polys, 0), 1);
    EXPECT_EQ(obj->points, nullptr);
}

TEST_F(PointListTest, AllocationFailuresAreReportedWithTheirStep) {
    struct Case {
        long skip;
        const Point3d* normals;
        const char* message;
    } cases[] = {
        {0, nullptr, "Error allocating linked-list: Line 34"},
        {1, nullptr, "Error allocating linked-list: Line 52"},
        {2, kTri, "Error allocating linked-list: Line 60"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        kx::mem::failAllocationsAfter(c.skip);
        EXPECT_EQ(AddEntryEx(3, nullptr, kTri, c.normals), nullptr);
        kx::mem::failAllocationsAfter(-1);
        EXPECT_EQ(ui.lastMessage(), c.message);
    }
    TriPolygon one{};
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(CopyPolygons(&one, 1), nullptr);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Error allocating array: 1: Line 339");
}

// Every node size, with and without normals: the copies are the caller's
// values and a node's points, its normals and the next node's arrays never
// share a byte.
TEST_F(PointListTest, NodeArraysAreSeparateCopies) {
    Point3d normals[8];
    for (unsigned k = 0; k < 8; ++k) normals[k] = Point3d{0, 0, static_cast<float>(k + 1)};
    for (unsigned count = 1; count <= 8; ++count)
        for (bool withNormals : {false, true}) {
            SCOPED_TRACE(std::to_string(count) + (withNormals ? " with normals" : ""));
            ListEntry* head = AddEntryEx(count, nullptr, kOctagon, withNormals ? normals : nullptr);
            ASSERT_NE(head, nullptr);
            ListEntry* second = AddEntryEx(count, head, kOctagon, withNormals ? normals : nullptr);
            ASSERT_EQ(head->next, second);
            EXPECT_EQ(head->count, count);
            EXPECT_EQ(head->normals != nullptr, withNormals);
            for (ListEntry* node : {head, second}) {
                for (unsigned k = 0; k < count; ++k) EXPECT_EQ(node->points[k].x, static_cast<float>(k));
                std::memset(static_cast<void*>(node->points), 0xff, count * sizeof(Point3d));
                if (withNormals) {
                    for (unsigned k = 0; k < count; ++k) EXPECT_EQ(node->normals[k].z, static_cast<float>(k + 1));
                    std::memset(static_cast<void*>(node->normals), 0xee, count * sizeof(Point3d));
                }
            }
            EXPECT_EQ(head->next, second);
            EXPECT_EQ(head->count, count);
            EXPECT_EQ(second->next, nullptr);
            ClearEntry(head);
        }
}

// A node made by other code, with arrays of its own, can end a list of the
// library's nodes: ClearEntry frees them all (the sanitizer checks each free).
TEST_F(PointListTest, NodesMadeElsewhereAreFreedWithTheirArrays) {
    ListEntry* head = AddEntryEx(3, nullptr, kTri, kTri);
    auto* own = static_cast<ListEntry*>(std::calloc(1, sizeof(ListEntry)));
    own->count = 3;
    own->points = static_cast<Point3d*>(std::calloc(3, sizeof(Point3d)));
    own->normals = static_cast<Point3d*>(std::calloc(3, sizeof(Point3d)));
    head->next = own;
    ListEntry* tail = AddEntry(2, own, kTri);
    EXPECT_EQ(own->next, tail);
    EXPECT_EQ(CountEntry(head), 3u);
    EXPECT_EQ(ClearEntry(head), 1);
}

TEST_F(PointListTest, CopyListFailureLeavesNoHalfList) {
    ListEntry* head = AddEntry(3, nullptr, kTri);
    AddEntry(3, AddEntry(3, head, kTri), kTri);
    unsigned n = 5;
    kx::mem::failAllocationsAfter(3);  // second node's points
    EXPECT_EQ(CopyList(head, &n), nullptr);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(n, 0u);
    ClearEntry(head);  // the sanitizer reports any node the failed copy leaked
}

TEST_F(PointListTest, PointHelpers) {
    Point3d p = MakePoint(1.5, -2.0, 1e40);
    EXPECT_EQ(p.x, 1.5f);
    EXPECT_TRUE(std::isinf(p.z));
    Point3d* lp = MakePointLP(3, 4, 0);
    Point3d origin{0, 0, 0};
    EXPECT_DOUBLE_EQ(PointDistance(lp, &origin), 5.0);
    EXPECT_EQ(PointDistance(&origin, &origin), 0.0);
    EXPECT_EQ(MakePointLP(1, 1, 1), lp);  // one static point
    double x, y, z;
    Point2Double(lp, &x, &y, &z);
    EXPECT_EQ(x + y + z, 3.0);
    Point3d q;
    CopyPoint(lp, &q);
    EXPECT_EQ(q.y, 1.0f);
    EXPECT_FALSE(IsZero(&q));
    ZeroPoint(&q);
    EXPECT_TRUE(IsZero(&q));
    Point3d negativeZero{-0.0f, 0, 0};
    EXPECT_TRUE(IsZero(&negativeZero));
}

// What an object says of its list stays true through the object operations:
// its node count, its cached bounds, and the release hook told while the
// old list and its triangles are still whole.
struct HookLog {
    static inline std::vector<std::pair<unsigned, bool>> calls;  // nodes, triangles present
    static void hook(CadObject* obj, int whole) {
        if (whole == 0) calls.emplace_back(CountEntry(obj->points), obj->polygons != nullptr);
    }
};

TEST_F(PointListTest, ObjectPointOperationsKeepTheObjectInStep) {
    auto twoTriangles = [] {
        ListEntry* head = AddEntry(3, nullptr, kTri);
        AddEntry(3, head, kTri);
        return head;
    };
    CadObject* obj = NewCadObject("o");
    ASSERT_NE(obj, nullptr);
    obj->boundValid = 1;
    struct Step {
        const char* what;
        std::function<bool()> run;
        unsigned count;
    };
    ListEntry* middle = nullptr;
    const Step steps[] = {
        {"first node of an empty object", [&] { return (middle = AppendObjectPoints(obj, nullptr, 3, kTri, nullptr)); }, 1},
        {"behind the last node", [&] { return AppendObjectPoints(obj, nullptr, 2, kTri, kTri) != nullptr; }, 2},
        {"behind a node in the middle",
         [&] {
             ListEntry* node = AppendObjectPoints(obj, middle, 1, kOctagon + 4, nullptr);
             return node && middle->next == node && node->next && node->next->count == 2;
         },
         3},
        {"a node too large is refused", [&] { return AppendObjectPoints(obj, nullptr, 9, kOctagon, nullptr) == nullptr; }, 3},
        {"no object", [&] { return AppendObjectPoints(nullptr, nullptr, 3, kTri, nullptr) == nullptr; }, 3},
        {"a new list", [&] { return SetObjectPoints(obj, twoTriangles()) == 1; }, 2},
        {"emptied", [&] { return SetObjectPoints(obj, nullptr) == 1; }, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        obj->boundValid = 1;
        EXPECT_TRUE(s.run());
        EXPECT_EQ(obj->count, s.count);
        EXPECT_EQ(CountEntry(obj->points), s.count);
    }
    // A list handed to no object is freed (the sanitiser would see a leak).
    EXPECT_EQ(SetObjectPoints(nullptr, AddEntry(3, nullptr, kTri)), 0);

    // Replacing a list drops the triangles made from it, after the hook saw both.
    SetObjectPoints(obj, twoTriangles());
    obj->polygons = CopyListToPolygons(obj->points, 2);
    obj->polygonCount = 2;
    HookLog::calls.clear();
    KxObjectReleaseHook previous = SetObjectReleaseHook(HookLog::hook);
    SetObjectPoints(obj, AddEntry(3, nullptr, kTri));
    SetObjectReleaseHook(previous);
    EXPECT_EQ(obj->polygons, nullptr);
    EXPECT_EQ(obj->count, 1u);
    EXPECT_EQ(obj->boundValid, 0);
    const std::vector<std::pair<unsigned, bool>> told = {{2, true}};
    EXPECT_EQ(HookLog::calls, told);
}

}  // namespace
}  // namespace kxtest

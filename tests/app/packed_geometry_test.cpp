#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "document/object_state.h"
#include "document/packed_geometry.h"

namespace {

using kx::app::DetachedObject;
using kx::app::PackedGeometry;
using kx::app::TranslationRecord;

class PackedGeometryTest : public kxtest::CoreTest {};

// A coordinate of every sort a move rounds: small, large, tiny, signed
// zero, not a number.
float awkward(int i) {
    switch (i % 7) {
        case 0: return 1.0e7f + 0.37f * static_cast<float>(i);
        case 1: return -0.0f;
        case 2: return 3.0e-8f * static_cast<float>(i);
        case 3: return i == 3 ? std::nanf("") : 0.1f * static_cast<float>(i);
        default: return -17.3f + 0.013f * static_cast<float>(i);
    }
}

// Geometry of each kind a record holds, owned by the detached record.
DetachedObject geometryOf(const std::string& kind) {
    DetachedObject made;
    CadObject& o = made.record();
    int next = 0;
    auto point = [&] { return Point3d{awkward(next++), awkward(next++), awkward(next++)}; };
    ListEntry* tail = nullptr;
    auto node = [&](unsigned count, bool normals) {
        std::vector<Point3d> p(count), n(count);
        for (unsigned k = 0; k < count; ++k) p[k] = point(), n[k] = {0, normals ? 1.0f : 0.0f, static_cast<float>(k)};
        tail = AddEntryEx(count, tail, p.data(), normals ? n.data() : nullptr);
        if (!o.points) o.points = tail;
        ++o.count;
    };
    if (kind == "triangle nodes") {
        for (int i = 0; i < 40; ++i) node(3, false);
    } else if (kind == "faces of 3 to 8 corners, normals on some") {
        for (unsigned i = 0; i < 24; ++i) node(3 + i % 6, i % 2 == 0);
    } else if (kind == "a triangle array with image coordinates") {
        node(3, false);
        node(4, true);
        std::vector<TriPolygon> triangles(12);
        for (TriPolygon& t : triangles)
            for (int k = 0; k < 3; ++k) t.vertex[k] = point(), t.normal[k] = {0, 0, 1};
        o.polygons = CopyPolygons(triangles.data(), static_cast<unsigned>(triangles.size()));
        o.polygonCount = static_cast<uint32_t>(triangles.size());
        EXPECT_TRUE(AllocCadObjectUV(&o, 36));
        for (unsigned i = 0; i < 36; ++i) o.uv[i] = {0.01f * static_cast<float>(i), 0.5f, 0};
    }
    return made;
}

const char* const kKinds[] = {"triangle nodes", "faces of 3 to 8 corners, normals on some",
                              "a triangle array with image coordinates", "nothing"};

DetachedObject copyOf(const CadObject& from) {
    DetachedObject copy;
    EXPECT_TRUE(kx::app::copyGeometry(from, copy));
    return copy;
}

// Every corner of the list and of the triangles moved as the core moves them.
void moveEvery(CadObject& o, const double by[3]) {
    auto move = [&](Point3d& p) {
        p.x = static_cast<float>(static_cast<double>(p.x) + by[0]);
        p.y = static_cast<float>(static_cast<double>(p.y) + by[1]);
        p.z = static_cast<float>(static_cast<double>(p.z) + by[2]);
    };
    for (ListEntry* n = o.points; n; n = n->next)
        for (uint32_t k = 0; k < n->count; ++k) move(n->points[k]);
    for (uint32_t t = 0; o.polygons && t < o.polygonCount; ++t)
        for (Point3d& v : o.polygons[t].vertex) move(v);
}

bool sameFixes(const std::vector<kx::app::CoordFix>& a, const std::vector<kx::app::CoordFix>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].index != b[i].index || std::memcmp(&a[i].value, &b[i].value, sizeof(float)) != 0) return false;
    return true;
}

TEST_F(PackedGeometryTest, ComesBackAsTheRecordsItWasMadeFrom) {
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const DetachedObject original = geometryOf(kind);
        PackedGeometry packed;
        ASSERT_TRUE(packed.pack(original.record()));
        DetachedObject back;
        ASSERT_TRUE(packed.unpack(back));
        EXPECT_TRUE(kx::app::sameGeometry(original.record(), back.record()));
        EXPECT_EQ(back.record().count, original.record().count);
        EXPECT_EQ(back.record().uvCount, original.record().uvCount);
    }
}

TEST_F(PackedGeometryTest, AMoveIsRecordedAsTheListRecordWouldBeAndUndoneToTheBit) {
    struct Offset {
        const char* name;
        double by[3];
        bool pokeOne;  // one coordinate then set by hand: a fix forward
    };
    const Offset offsets[] = {
        {"exact quarters", {0.25, -1.5, 3}, false},
        {"floats that round", {static_cast<float>(0.1), static_cast<float>(0.3), static_cast<float>(-1.7)}, false},
        {"sums of a drag, not floats", {0.1 + 0.2, 1e-9, 7.000000001}, false},
        {"a coordinate the offset does not give", {0.5, 0.5, 0.5}, true},
    };
    for (const char* kind : kKinds) {
        for (const Offset& offset : offsets) {
            SCOPED_TRACE(std::string(kind) + ", " + offset.name);
            const DetachedObject before = geometryOf(kind);
            DetachedObject after = copyOf(before.record());
            moveEvery(after.record(), offset.by);
            if (offset.pokeOne && after.record().points) after.record().points->points[0].y = 1234.5f;
            PackedGeometry packed;
            ASSERT_TRUE(packed.pack(before.record()));
            TranslationRecord fromPacked, fromRecords;
            ASSERT_TRUE(packed.translationRecord(after.record(), offset.by, fromPacked));
            ASSERT_TRUE(kx::app::makeTranslationRecord(before.record(), after.record(), offset.by, fromRecords));
            EXPECT_TRUE(sameFixes(fromPacked.back, fromRecords.back));
            EXPECT_TRUE(sameFixes(fromPacked.forward, fromRecords.forward));
            if (offset.pokeOne && after.record().points) {
                EXPECT_FALSE(fromPacked.forward.empty());
            }

            DetachedObject undone = copyOf(after.record());
            kx::app::applyTranslation(undone.record(), fromPacked, false);
            EXPECT_TRUE(kx::app::sameGeometry(undone.record(), before.record()));
            kx::app::applyTranslation(undone.record(), fromPacked, true);
            EXPECT_TRUE(kx::app::sameGeometry(undone.record(), after.record()));
        }
    }
}

TEST_F(PackedGeometryTest, WhatIsNotAMoveIsRefused) {
    struct Case {
        const char* name;
        const char* kind;
        std::function<void(CadObject&)> change;
    };
    const Case cases[] = {
        {"a normal turned", "faces of 3 to 8 corners, normals on some",
         [](CadObject& o) { o.points->normals[1].x = 0.5f; }},
        {"a node shorter", "faces of 3 to 8 corners, normals on some",
         [](CadObject& o) { o.points->next->count -= 1; }},
        {"a node more", "triangle nodes",
         [](CadObject& o) {
             ListEntry* last = o.points;
             while (last->next) last = last->next;
             AddEntry(3, last, last->points);
         }},
        {"normals given to a node", "triangle nodes",
         [](CadObject& o) {
             const Point3d up[3] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
             ListEntry* second = o.points->next;
             ListEntry* replaced = AddEntryEx(3, nullptr, second->points, up);
             replaced->next = second->next;
             o.points->next = replaced;
             second->next = nullptr;
             ClearEntry(second);
         }},
        {"a triangle's normal turned", "a triangle array with image coordinates",
         [](CadObject& o) { o.polygons[4].normal[2].y = 1; }},
        {"image coordinates changed", "a triangle array with image coordinates",
         [](CadObject& o) { o.uv[7].x = 0.75f; }},
        {"the node count changed", "triangle nodes", [](CadObject& o) { o.count += 1; }},
    };
    const double by[3] = {1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DetachedObject before = geometryOf(c.kind);
        DetachedObject after = copyOf(before.record());
        moveEvery(after.record(), by);
        c.change(after.record());
        PackedGeometry packed;
        ASSERT_TRUE(packed.pack(before.record()));
        TranslationRecord record;
        EXPECT_FALSE(packed.translationRecord(after.record(), by, record));
    }
}

}  // namespace

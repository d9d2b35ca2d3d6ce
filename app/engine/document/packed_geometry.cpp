#include "document/packed_geometry.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <utility>

namespace kx::app {

namespace {

static_assert(sizeof(Point3d) == 3 * sizeof(float));

// A node count is trusted only this far for sizing the room first.
constexpr size_t kMostReservedNodes = size_t{1} << 22;

bool samePoints(const Point3d* a, const Point3d* b, size_t n) {
    return n == 0 || std::memcmp(a, b, n * sizeof(Point3d)) == 0;
}

// Compares corners kept before a move with where they stand after it and
// notes the coordinates the offset alone cannot give back or forward bit for
// bit, as applyTranslation() works them out in double precision. The
// corners are gathered a batch at a time, so that the test of every
// coordinate runs over plain arrays, several at once.
class FixFinder {
public:
    FixFinder(const double offset[3], TranslationRecord& out) : out_(out) {
        for (size_t i = 0; i < kBatch; ++i) {
            by_[i] = offset[i % 3];
            byFloat_[i] = static_cast<float>(by_[i]);
        }
        // A float and an offset that is a float too, added in double and
        // rounded to float, give exactly their sum in float arithmetic
        // (double holds more than twice float's digits), which takes half
        // the work.
        offsetIsFloat_ =
            std::all_of(offset, offset + 3, [](double b) { return static_cast<double>(static_cast<float>(b)) == b; });
    }

    // `was` and `now` hold n corners each.
    void corners(const Point3d* was, const Point3d* now, size_t n) {
        while (n > 0) {
            const size_t take = std::min(n, (kBatch - held_) / 3);
            // Point by point: a node's few corners are copied in place
            // rather than by a call.
            for (size_t k = 0; k < take; ++k, held_ += 3) {
                was_[held_] = was[k].x, was_[held_ + 1] = was[k].y, was_[held_ + 2] = was[k].z;
                now_[held_] = now[k].x, now_[held_ + 1] = now[k].y, now_[held_ + 2] = now[k].z;
            }
            was += take, now += take, n -= take;
            if (held_ == kBatch) test();
        }
    }
    void finish() { test(); }

private:
    static constexpr size_t kBatch = 3 * 512;

    // Marks the coordinates that may need a fix; each mark is then decided exactly.
    uint8_t mark(uint8_t (&suspect)[kBatch + 8]) const {
        uint8_t any = 0;
        if (offsetIsFloat_) {
            for (size_t i = 0; i < held_; ++i) {
                const float w = was_[i], m = now_[i];
                // Without branches, so that the test runs several lanes at
                // once; not-a-numbers are always decided exactly.
                const uint32_t differs = (std::bit_cast<uint32_t>(m - byFloat_[i]) ^ std::bit_cast<uint32_t>(w)) |
                                         (std::bit_cast<uint32_t>(w + byFloat_[i]) ^ std::bit_cast<uint32_t>(m));
                suspect[i] = static_cast<uint8_t>((differs != 0) | (w != w));
                any |= suspect[i];
            }
            return any;
        }
        for (size_t i = 0; i < held_; ++i) {
            const bool off = exactFix(i) != 0;
            suspect[i] = off;
            any |= suspect[i];
        }
        return any;
    }

    // Bit 1: the coordinate needs a fix back; bit 2: forward.
    uint8_t exactFix(size_t i) const {
        const bool back = !sameBits(shiftedCoordinate(now_[i], -by_[i]), was_[i]);
        const bool forth = !sameBits(shiftedCoordinate(was_[i], by_[i]), now_[i]);
        return static_cast<uint8_t>(back | forth << 1);
    }

    void test() {
        uint8_t suspect[kBatch + 8] = {};
        // Fixes are few: the marks are passed over eight at a time.
        if (mark(suspect))
            for (size_t word = 0; word < held_; word += 8) {
                uint64_t marks;
                std::memcpy(&marks, suspect + word, sizeof marks);
                if (!marks) continue;
                for (size_t i = word; i < word + 8 && i < held_; ++i) {
                    if (!suspect[i]) continue;
                    const uint8_t fix = exactFix(i);
                    if (fix & 1) out_.back.push_back({index_ + static_cast<uint32_t>(i), was_[i]});
                    if (fix & 2) out_.forward.push_back({index_ + static_cast<uint32_t>(i), now_[i]});
                }
            }
        index_ += static_cast<uint32_t>(held_);
        held_ = 0;
    }

    double by_[kBatch];
    float byFloat_[kBatch];
    bool offsetIsFloat_ = false;
    float was_[kBatch];
    float now_[kBatch];
    size_t held_ = 0;                  // floats in the batch
    uint32_t index_ = 0;               // of the batch's first coordinate
    TranslationRecord& out_;
};

// The room of the last packed corners and nodes, kept for the next move: a
// move of a large mesh then fills pages it used before instead of asking
// the system for fresh ones, which it must clear first. Kept up to a bound only.
constexpr size_t kMostSpareCorners = size_t{1} << 23;

struct SpareRoom {
    std::vector<Point3d> corners;
    std::vector<uint32_t> nodes;
};

std::mutex spareLock;
SpareRoom spare;

SpareRoom takeSpareRoom() {
    std::lock_guard held(spareLock);
    return std::exchange(spare, {});
}

void keepSpareRoom(std::vector<Point3d>&& corners, std::vector<uint32_t>&& nodes) {
    if (corners.capacity() > kMostSpareCorners || nodes.capacity() > kMostSpareCorners) return;
    corners.clear();
    nodes.clear();
    std::lock_guard held(spareLock);
    if (corners.capacity() > spare.corners.capacity()) std::swap(spare.corners, corners);
    if (nodes.capacity() > spare.nodes.capacity()) std::swap(spare.nodes, nodes);
}

}  // namespace

PackedGeometry::~PackedGeometry() { keepSpareRoom(std::move(points_), std::move(nodes_)); }

PackedGeometry& PackedGeometry::operator=(PackedGeometry&& other) noexcept {
    if (this == &other) return *this;
    keepSpareRoom(std::move(points_), std::move(nodes_));
    held_ = other.held_;
    count_ = other.count_;
    nodes_ = std::move(other.nodes_);
    points_ = std::move(other.points_);
    normals_ = std::move(other.normals_);
    hasTriangles_ = other.hasTriangles_;
    triangles_ = std::move(other.triangles_);
    hasUv_ = other.hasUv_;
    uv_ = std::move(other.uv_);
    other.held_ = false;
    return *this;
}

bool PackedGeometry::pack(const CadObject& from) {
    *this = PackedGeometry{};
    try {
        SpareRoom room = takeSpareRoom();
        nodes_ = std::move(room.nodes);
        points_ = std::move(room.corners);
        nodes_.reserve(std::min<size_t>(from.count, kMostReservedNodes));
        points_.reserve(3 * std::min<size_t>(from.count, kMostReservedNodes));
        for (const ListEntry* n = from.points; n; n = n->next) {
            if (n->count >= kHasNormals || (n->count && !n->points)) {
                *this = PackedGeometry{};
                return false;
            }
            nodes_.push_back(n->count | (n->normals ? kHasNormals : 0));
            for (uint32_t k = 0; k < n->count; ++k) points_.push_back(n->points[k]);
            if (n->normals) normals_.insert(normals_.end(), n->normals, n->normals + n->count);
        }
        count_ = from.count;
        hasTriangles_ = from.polygons && from.polygonCount;
        if (hasTriangles_) triangles_.assign(from.polygons, from.polygons + from.polygonCount);
        hasUv_ = from.uv && from.uvCount;
        if (hasUv_) uv_.assign(from.uv, from.uv + from.uvCount);
    } catch (const std::bad_alloc&) {
        *this = PackedGeometry{};
        return false;
    }
    // The record numbers coordinates in 32 bits.
    if ((points_.size() + 3 * triangles_.size()) * 3 > std::numeric_limits<uint32_t>::max()) {
        *this = PackedGeometry{};
        return false;
    }
    held_ = true;
    return true;
}

bool PackedGeometry::unpack(DetachedObject& to) const {
    to = DetachedObject{};
    if (!held_) return false;
    CadObject& d = to.record();
    ListEntry* tail = nullptr;
    const Point3d* points = points_.data();
    const Point3d* normals = normals_.data();
    for (uint32_t node : nodes_) {
        const uint32_t n = node & ~kHasNormals;
        ListEntry* made = AddEntryEx(n, tail, points, (node & kHasNormals) ? normals : nullptr);
        if (!made) {
            to = DetachedObject{};
            return false;
        }
        if (!d.points) d.points = made;
        tail = made;
        points += n;
        if (node & kHasNormals) normals += n;
    }
    d.count = count_;
    if (hasTriangles_) {
        d.polygons = CopyPolygons(const_cast<TriPolygon*>(triangles_.data()), static_cast<unsigned>(triangles_.size()));
        if (!d.polygons) {
            to = DetachedObject{};
            return false;
        }
        d.polygonCount = static_cast<uint32_t>(triangles_.size());
    }
    if (hasUv_) {
        if (!AllocCadObjectUV(&d, static_cast<unsigned>(uv_.size()))) {
            to = DetachedObject{};
            return false;
        }
        std::memcpy(d.uv, uv_.data(), uv_.size() * sizeof(Point3d));
    }
    return true;
}

bool PackedGeometry::translationRecord(const CadObject& after, const double offset[3],
                                       TranslationRecord& out) const {
    if (!held_ || after.count != count_) return false;
    const bool afterTriangles = after.polygons && after.polygonCount;
    const bool afterUv = after.uv && after.uvCount;
    if (afterTriangles != hasTriangles_ || (hasTriangles_ && after.polygonCount != triangles_.size())) return false;
    // A move leaves normals and texture coordinates as they were.
    if (afterUv != hasUv_ || (hasUv_ && (after.uvCount != uv_.size() || !samePoints(after.uv, uv_.data(), uv_.size()))))
        return false;
    for (size_t t = 0; t < triangles_.size(); ++t)
        if (!samePoints(triangles_[t].normal, after.polygons[t].normal, 3)) return false;
    out = TranslationRecord{};
    std::memcpy(out.offset, offset, sizeof out.offset);
    try {
        // The list's shape is checked in the same walk as its corners.
        FixFinder finder(offset, out);
        const Point3d* was = points_.data();
        size_t node = 0, normal = 0;
        for (const ListEntry* n = after.points; n; n = n->next, ++node) {
            if (node == nodes_.size() || (nodes_[node] & ~kHasNormals) != n->count || (n->count && !n->points) ||
                ((nodes_[node] & kHasNormals) != 0) != (n->normals != nullptr)) {
                out = TranslationRecord{};
                return false;
            }
            if (n->normals) {
                if (!samePoints(normals_.data() + normal, n->normals, n->count)) {
                    out = TranslationRecord{};
                    return false;
                }
                normal += n->count;
            }
            finder.corners(was, n->points, n->count);
            was += n->count;
        }
        if (node != nodes_.size()) {
            out = TranslationRecord{};
            return false;
        }
        for (size_t t = 0; t < triangles_.size(); ++t)
            finder.corners(triangles_[t].vertex, after.polygons[t].vertex, 3);
        finder.finish();
        out.back.shrink_to_fit();
        out.forward.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        out = TranslationRecord{};
        return false;
    }
    return true;
}

size_t PackedGeometry::heldBytes() const {
    const size_t points = points_.capacity() + normals_.capacity() + uv_.capacity();
    return nodes_.capacity() * sizeof(uint32_t) + points * sizeof(Point3d) + triangles_.capacity() * sizeof(TriPolygon);
}

}  // namespace kx::app

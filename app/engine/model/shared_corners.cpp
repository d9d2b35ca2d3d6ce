#include "model/shared_corners.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace kx::app {

namespace {

// Corners remembered while the list is walked: enough for a row of a dense
// grid and the row after it, small enough to stay in the cache.
constexpr unsigned kRecentBits = 16;
constexpr uint32_t kLongestFace = 8;

// Numbers corners as they come, a corner equal to a recent one taking its
// number. Normals are kept while any corner has one.
class CornerWelder {
public:
    explicit CornerWelder(SharedCorners& out) : out_(out), recent_(size_t{1} << kRecentBits, 0) { out_ = {}; }

    // False once the corners are too many to number.
    bool add(const Point3d& p, const Point3d& n, uint32_t& number) {
        uint32_t bits[6];
        std::memcpy(bits, &p, sizeof p);
        std::memcpy(bits + 3, &n, sizeof n);
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (uint32_t w : bits) h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        uint32_t& slot = recent_[h >> (64 - kRecentBits)];
        if (slot && std::memcmp(&held_[6 * size_t{slot - 1}], bits, sizeof bits) == 0) {
            number = slot - 1;
            return true;
        }
        if (held_.size() / 6 >= std::numeric_limits<uint32_t>::max() - 1) return false;
        number = static_cast<uint32_t>(held_.size() / 6);
        held_.insert(held_.end(), bits, bits + 6);
        anyNormal_ = anyNormal_ || n.x != 0 || n.y != 0 || n.z != 0;
        slot = number + 1;
        return true;
    }
    bool triangle(uint32_t a, uint32_t b, uint32_t c) {
        if (out_.corners.size() / 3 >= std::numeric_limits<uint32_t>::max() / 3) return false;
        out_.corners.insert(out_.corners.end(), {a, b, c});
        return true;
    }
    // Splits what was held into positions and, when any is not zero, normals.
    void finish() {
        const size_t n = held_.size() / 6;
        out_.positions.resize(3 * n);
        if (anyNormal_) out_.normals.resize(3 * n);
        for (size_t i = 0; i < n; ++i) {
            std::memcpy(&out_.positions[3 * i], &held_[6 * i], 3 * sizeof(float));
            if (anyNormal_) std::memcpy(&out_.normals[3 * i], &held_[6 * i + 3], 3 * sizeof(float));
        }
        out_.corners.shrink_to_fit();
    }
    void reserve(size_t triangles) {
        out_.corners.reserve(3 * triangles);
        held_.reserve(6 * triangles);
    }

private:
    SharedCorners& out_;
    std::vector<uint32_t> recent_;  // slot -> corner number + 1, 0 while empty
    std::vector<uint32_t> held_;    // six words a corner: position, normal
    bool anyNormal_ = false;
};

}  // namespace

bool shareCorners(const TriPolygon* triangles, size_t count, SharedCorners& out) {
    CornerWelder welder(out);
    welder.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t c[3];
        for (int k = 0; k < 3; ++k)
            if (!welder.add(triangles[i].vertex[k], triangles[i].normal[k], c[k])) return false;
        if (!welder.triangle(c[0], c[1], c[2])) return false;
    }
    welder.finish();
    return true;
}

bool shareListCorners(const ListEntry* points, uint32_t nodes, SharedCorners& out) {
    constexpr uint32_t kMostReserved = 1u << 21;
    CornerWelder welder(out);
    welder.reserve(std::min(nodes, kMostReserved));
    bool any = false;
    for (const ListEntry* n = points; n; n = n->next) {
        if (n->count == 0 || n->count > kLongestFace || !n->points) return false;
        if (n->count < 3) continue;  // drawn thin
        uint32_t c[kLongestFace];
        for (uint32_t k = 0; k < n->count; ++k)
            if (!welder.add(n->points[k], n->normals ? n->normals[k] : Point3d{}, c[k])) return false;
        for (uint32_t k = 1; k + 1 < n->count; ++k)
            if (!welder.triangle(c[0], c[k], c[k + 1])) return false;
        any = true;
    }
    welder.finish();
    return any;
}

bool refreshListCorners(const ListEntry* points, const SharedCorners& before, SharedCorners& out) {
    const size_t corners = before.positions.size() / 3, triangles = before.corners.size() / 3;
    const bool withNormals = !before.normals.empty();
    if (corners == 0 || triangles == 0 || (withNormals && before.normals.size() != before.positions.size()))
        return false;
    const uint32_t* fan = before.corners.data();
    SharedCorners made;
    std::vector<uint8_t> seen;
    try {
        made.positions.resize(before.positions.size());
        if (withNormals) made.normals.resize(before.normals.size());
        made.corners = before.corners;
        seen.assign(corners, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool anyNormal = false;
    size_t t = 0;  // the node's first triangle
    for (const ListEntry* n = points; n; n = n->next) {
        if (n->count < 3 || n->count > kLongestFace || !n->points) return false;
        const size_t faces = n->count - 2;
        if (faces > triangles - t) return false;
        // The node's triangles must be its fan: each from the first corner,
        // each starting where the one before ended.
        for (size_t j = 0; j < faces; ++j)
            if (fan[3 * (t + j)] != fan[3 * t] || (j > 0 && fan[3 * (t + j) + 1] != fan[3 * (t + j - 1) + 2]))
                return false;
        for (uint32_t k = 0; k < n->count; ++k) {
            const uint32_t c = k == 0 ? fan[3 * t] : k == 1 ? fan[3 * t + 1] : fan[3 * (t + k - 2) + 2];
            if (c >= corners) return false;
            const Point3d& p = n->points[k];
            const Point3d normal = n->normals ? n->normals[k] : Point3d{};
            const bool zero = normal.x == 0 && normal.y == 0 && normal.z == 0;
            if (!withNormals && !zero) return false;
            anyNormal = anyNormal || !zero;
            float* position = &made.positions[3 * size_t{c}];
            float* towards = withNormals ? &made.normals[3 * size_t{c}] : nullptr;
            if (seen[c]) {
                // A shared corner stays one corner only while its copies agree.
                const bool moved = std::memcmp(position, &p, sizeof p) != 0;
                if (moved || (towards && std::memcmp(towards, &normal, sizeof normal) != 0)) return false;
                continue;
            }
            seen[c] = 1;
            std::memcpy(position, &p, sizeof p);
            if (towards) std::memcpy(towards, &normal, sizeof normal);
        }
        t += faces;
    }
    if (t != triangles || (withNormals && !anyNormal)) return false;
    out = std::move(made);
    return true;
}

TriPolygon sharedTriangle(const SharedCorners& mesh, size_t i) {
    TriPolygon t{};
    for (int k = 0; k < 3; ++k) {
        const size_t c = 3 * size_t{mesh.corners[3 * i + k]};
        t.vertex[k] = {mesh.positions[c], mesh.positions[c + 1], mesh.positions[c + 2]};
        if (!mesh.normals.empty()) t.normal[k] = {mesh.normals[c], mesh.normals[c + 1], mesh.normals[c + 2]};
    }
    return t;
}

}  // namespace kx::app

// An object's geometry as it stood before a move, kept flat in a few arrays
// instead of a list of nodes. A move of a large mesh then costs its undo step
// one pass to keep the coordinates and one to compare them with where they
// went, with a handful of allocations instead of one per node; the records
// are built again only when the edit turns out not to have been a move.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/object_state.h"
#include "kxcore.h"

namespace kx::app {

class PackedGeometry {
public:
    PackedGeometry() = default;
    ~PackedGeometry();
    // The moved-from geometry holds nothing, as after a move assignment.
    PackedGeometry(PackedGeometry&& other) noexcept { *this = std::move(other); }
    PackedGeometry& operator=(PackedGeometry&& other) noexcept;
    PackedGeometry(const PackedGeometry&) = delete;
    PackedGeometry& operator=(const PackedGeometry&) = delete;

    // Keeps the object's geometry; false when memory ran out (nothing is kept then).
    bool pack(const CadObject& from);
    bool holds() const { return held_; }
    // The kept geometry as records of its own; false when memory ran out.
    bool unpack(DetachedObject& to) const;
    // As makeTranslationRecord with the kept geometry as `before`: false when
    // `after` differs from it by more than moved coordinates.
    bool translationRecord(const CadObject& after, const double offset[3], TranslationRecord& out) const;
    size_t heldBytes() const;

private:
    static constexpr uint32_t kHasNormals = 0x80000000u;

    bool held_ = false;
    uint32_t count_ = 0;                      // the object's own node count
    std::vector<uint32_t> nodes_;             // each list node's corners, kHasNormals when it has normals
    std::vector<Point3d> points_;             // the list's corners, node after node
    std::vector<Point3d> normals_;            // normals of the list nodes that have them, in order
    bool hasTriangles_ = false;
    std::vector<TriPolygon> triangles_;
    bool hasUv_ = false;
    std::vector<Point3d> uv_;
};

}  // namespace kx::app

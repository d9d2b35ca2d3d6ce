// What an undo step keeps of an object, outside the scene. An object's record
// splits into three parts: its links (list, group chain, selection, tree item),
// which the scene owns; its geometry (point list, triangles, uv array), which
// can be large and is moved rather than copied wherever possible; and the rest
// (type, name, texture, flags, extra block, the five vectors, colour, group id),
// which is small and is copied.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "kxcore.h"

namespace kx::app {

// An object record that belongs to no scene: it owns whatever data it holds and
// frees it through the core's functions.
class DetachedObject {
public:
    DetachedObject() = default;
    ~DetachedObject();
    DetachedObject(DetachedObject&& other) noexcept;
    DetachedObject& operator=(DetachedObject&& other) noexcept;
    DetachedObject(const DetachedObject&) = delete;
    DetachedObject& operator=(const DetachedObject&) = delete;

    CadObject& record() { return data_; }
    const CadObject& record() const { return data_; }
    // Bytes held besides the record itself (geometry and extra block).
    size_t heldBytes() const;

private:
    void release();
    CadObject data_{};
};

// Copies everything but links and geometry; the extra block is copied deep.
bool copyPlainFields(const CadObject& from, CadObject& to);
// Exchanges the geometry of two records without copying it.
void swapGeometry(CadObject& a, CadObject& b);
// Exchanges everything but links: the way an object's whole data leaves the
// scene before its empty record is deleted, and comes back into a new one.
void swapData(CadObject& a, CadObject& b);
// A deep copy of an object's geometry into a detached record; false when
// memory ran out (the detached record then holds nothing).
bool copyGeometry(const CadObject& from, DetachedObject& to);
// True when both hold lists and triangle arrays of the same shape.
bool sameGeometryShape(const CadObject& a, const CadObject& b);
// True when both hold the same geometry, bit for bit.
bool sameGeometry(const CadObject& a, const CadObject& b);
// Bytes of an object's geometry.
size_t geometryBytes(const CadObject& obj);

// Coordinates, in their fixed order, where computing a translation back (or
// forward) in double precision does not give the exact stored float.
struct CoordFix {
    uint32_t index;
    float value;
};

// A translation of an object's vertices kept as the offset plus the few
// coordinates that the offset alone cannot give back bit for bit.
struct TranslationRecord {
    double offset[3] = {0, 0, 0};
    std::vector<CoordFix> back;     // fixes after subtracting the offset
    std::vector<CoordFix> forward;  // fixes after adding it again
    size_t heldBytes() const { return (back.capacity() + forward.capacity()) * sizeof(CoordFix); }
};

// A coordinate moved by `by` as undo and redo move it: worked in double,
// stored in single precision. Every record of a move is decided by this.
inline float shiftedCoordinate(float v, double by) { return static_cast<float>(static_cast<double>(v) + by); }
inline bool sameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

// Builds the record of how `before` became `after`; false when the two are
// not one translation apart in shape or normals (keep a copy instead).
bool makeTranslationRecord(const CadObject& before, const CadObject& after, const double offset[3],
                           TranslationRecord& out);
// Moves an object's vertices by minus (undo) or plus (redo) the offset and
// puts the recorded coordinates in place.
void applyTranslation(CadObject& obj, const TranslationRecord& record, bool forward);

}  // namespace kx::app

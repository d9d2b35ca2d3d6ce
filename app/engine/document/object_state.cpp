#include "document/object_state.h"

#include <bit>
#include <cstring>

namespace kx::app {

namespace {

// Copies points and normals node by node: the core's list copy leaves normals out.
ListEntry* copyList(const ListEntry* src, bool& ok) {
    ok = true;
    ListEntry* first = nullptr;
    ListEntry* tail = nullptr;
    for (; src; src = src->next) {
        ListEntry* node = AddEntryEx(src->count, tail, src->points, src->normals);
        if (!node) {
            ClearEntry(first);
            ok = false;
            return nullptr;
        }
        if (!first) first = node;
        tail = node;
    }
    return first;
}

// Visits the vertex coordinates of two records of the same shape in one fixed
// order: the point list node by node, then the triangles' corners.
template <typename F>
void forEachCoordPair(const CadObject& a, const CadObject& b, F&& f) {
    uint32_t index = 0;
    const ListEntry* na = a.points;
    const ListEntry* nb = b.points;
    for (; na && nb; na = na->next, nb = nb->next)
        for (uint32_t i = 0; i < na->count; ++i) {
            f(na->points[i].x, nb->points[i].x, index++);
            f(na->points[i].y, nb->points[i].y, index++);
            f(na->points[i].z, nb->points[i].z, index++);
        }
    if (!a.polygons || !b.polygons) return;
    for (uint32_t t = 0; t < a.polygonCount; ++t)
        for (int k = 0; k < 3; ++k) {
            f(a.polygons[t].vertex[k].x, b.polygons[t].vertex[k].x, index++);
            f(a.polygons[t].vertex[k].y, b.polygons[t].vertex[k].y, index++);
            f(a.polygons[t].vertex[k].z, b.polygons[t].vertex[k].z, index++);
        }
}

}  // namespace

DetachedObject::~DetachedObject() { release(); }

DetachedObject::DetachedObject(DetachedObject&& other) noexcept : data_(other.data_) { other.data_ = CadObject{}; }

DetachedObject& DetachedObject::operator=(DetachedObject&& other) noexcept {
    if (this != &other) {
        release();
        data_ = other.data_;
        other.data_ = CadObject{};
    }
    return *this;
}

void DetachedObject::release() {
    DeleteObjectPolygons(&data_);
    ClearEntry(data_.points);
    data_.points = nullptr;
    FreeObjectExtra(&data_);
    AllocCadObjectUV(&data_, 0);
    data_ = CadObject{};
}

size_t DetachedObject::heldBytes() const {
    size_t bytes = geometryBytes(data_);
    if (data_.extra) bytes += sizeof(ExtraBlock) + size_t{data_.extra->reserved} * sizeof(ExtraField);
    return bytes;
}

bool copyPlainFields(const CadObject& from, CadObject& to) {
    if (&from == &to) return true;
    if (from.extra) {
        if (!CopyObjectExtra(&to, &from)) return false;
    } else {
        FreeObjectExtra(&to);
    }
    to.type = from.type;
    to.flags = from.flags;
    std::memcpy(to.name, from.name, sizeof to.name);
    std::memcpy(to.material, from.material, sizeof to.material);
    to.materialType = from.materialType;
    to.size = from.size;
    to.extraPoint = from.extraPoint;
    to.scale = from.scale;
    to.rotate = from.rotate;
    to.translate = from.translate;
    to.rgb = from.rgb;
    to.groupId = from.groupId;
    to.userData = from.userData;
    // Bounds are worked out again from the geometry when next needed.
    to.boundValid = 0;
    return true;
}

void swapGeometry(CadObject& a, CadObject& b) {
    std::swap(a.points, b.points);
    std::swap(a.count, b.count);
    std::swap(a.polygons, b.polygons);
    std::swap(a.polygonCount, b.polygonCount);
    std::swap(a.uv, b.uv);
    std::swap(a.uvCount, b.uvCount);
    a.boundValid = 0;
    b.boundValid = 0;
}

void swapData(CadObject& a, CadObject& b) {
    swapGeometry(a, b);
    std::swap(a.type, b.type);
    std::swap(a.flags, b.flags);
    std::swap(a.name, b.name);
    std::swap(a.material, b.material);
    std::swap(a.materialType, b.materialType);
    std::swap(a.extra, b.extra);
    std::swap(a.size, b.size);
    std::swap(a.extraPoint, b.extraPoint);
    std::swap(a.scale, b.scale);
    std::swap(a.rotate, b.rotate);
    std::swap(a.translate, b.translate);
    std::swap(a.rgb, b.rgb);
    std::swap(a.groupId, b.groupId);
    std::swap(a.userData, b.userData);
}

bool copyGeometry(const CadObject& from, DetachedObject& to) {
    to = DetachedObject{};
    CadObject& d = to.record();
    bool ok = true;
    d.points = copyList(from.points, ok);
    if (!ok) return false;
    d.count = from.count;
    if (from.polygons && from.polygonCount) {
        d.polygons = CopyPolygons(from.polygons, from.polygonCount);
        if (!d.polygons) {
            to = DetachedObject{};
            return false;
        }
        d.polygonCount = from.polygonCount;
    }
    if (from.uv && from.uvCount) {
        if (!AllocCadObjectUV(&d, from.uvCount)) {
            to = DetachedObject{};
            return false;
        }
        std::memcpy(d.uv, from.uv, sizeof(Point3d) * from.uvCount);
    }
    return true;
}

bool sameGeometryShape(const CadObject& a, const CadObject& b) {
    const ListEntry* na = a.points;
    const ListEntry* nb = b.points;
    for (; na && nb; na = na->next, nb = nb->next)
        if (na->count != nb->count || (na->normals == nullptr) != (nb->normals == nullptr)) return false;
    if (na || nb) return false;
    return a.count == b.count && a.polygonCount == b.polygonCount && (a.polygons == nullptr) == (b.polygons == nullptr);
}

bool sameGeometry(const CadObject& a, const CadObject& b) {
    if (!sameGeometryShape(a, b) || a.uvCount != b.uvCount) return false;
    for (const ListEntry *na = a.points, *nb = b.points; na && nb; na = na->next, nb = nb->next) {
        if (std::memcmp(na->points, nb->points, sizeof(Point3d) * na->count) != 0) return false;
        if (na->normals && std::memcmp(na->normals, nb->normals, sizeof(Point3d) * na->count) != 0) return false;
    }
    if (a.polygons && std::memcmp(a.polygons, b.polygons, sizeof(TriPolygon) * a.polygonCount) != 0) return false;
    return !a.uv || !b.uv || std::memcmp(a.uv, b.uv, sizeof(Point3d) * a.uvCount) == 0;
}

size_t geometryBytes(const CadObject& obj) {
    size_t bytes = 0;
    for (const ListEntry* n = obj.points; n; n = n->next)
        bytes += sizeof(ListEntry) + size_t{n->count} * sizeof(Point3d) * (n->normals ? 2 : 1);
    if (obj.polygons) bytes += size_t{obj.polygonCount} * sizeof(TriPolygon);
    if (obj.uv) bytes += size_t{obj.uvCount} * sizeof(Point3d);
    return bytes;
}

bool makeTranslationRecord(const CadObject& before, const CadObject& after, const double offset[3],
                           TranslationRecord& out) {
    if (!sameGeometryShape(before, after)) return false;
    // A translation leaves normals and texture coordinates as they were.
    for (const ListEntry *na = before.points, *nb = after.points; na && nb; na = na->next, nb = nb->next)
        if (na->normals && std::memcmp(na->normals, nb->normals, sizeof(Point3d) * na->count) != 0) return false;
    for (uint32_t t = 0; before.polygons && t < before.polygonCount; ++t)
        if (std::memcmp(before.polygons[t].normal, after.polygons[t].normal, sizeof before.polygons[t].normal) != 0)
            return false;
    out = TranslationRecord{};
    std::memcpy(out.offset, offset, sizeof out.offset);
    uint32_t axis = 0;
    forEachCoordPair(before, after, [&](float was, float now, uint32_t index) {
        const double by = offset[axis];
        axis = (axis + 1) % 3;
        if (!sameBits(shiftedCoordinate(now, -by), was)) out.back.push_back({index, was});
        if (!sameBits(shiftedCoordinate(was, by), now)) out.forward.push_back({index, now});
    });
    out.back.shrink_to_fit();
    out.forward.shrink_to_fit();
    return true;
}

void applyTranslation(CadObject& obj, const TranslationRecord& record, bool forward) {
    const double sign = forward ? 1.0 : -1.0;
    const double by[3] = {sign * record.offset[0], sign * record.offset[1], sign * record.offset[2]};
    const std::vector<CoordFix>& fixes = forward ? record.forward : record.back;
    size_t next = 0;
    uint32_t index = 0;
    // Corners that no fix falls among are moved without looking for one.
    auto move = [&](Point3d* p, uint32_t n) {
        const uint64_t end = uint64_t{index} + 3 * uint64_t{n};
        if (next == fixes.size() || fixes[next].index >= end) {
            for (uint32_t i = 0; i < n; ++i)
                p[i] = {shiftedCoordinate(p[i].x, by[0]), shiftedCoordinate(p[i].y, by[1]), shiftedCoordinate(p[i].z, by[2])};
            index = static_cast<uint32_t>(end);
            return;
        }
        for (uint32_t i = 0; i < n; ++i)
            for (float* v : {&p[i].x, &p[i].y, &p[i].z}) {
                const int axis = static_cast<int>(index % 3);
                if (next < fixes.size() && fixes[next].index == index) *v = fixes[next++].value;
                else *v = shiftedCoordinate(*v, by[axis]);
                ++index;
            }
    };
    for (ListEntry* n = obj.points; n; n = n->next) move(n->points, n->count);
    for (uint32_t t = 0; obj.polygons && t < obj.polygonCount; ++t) move(obj.polygons[t].vertex, 3);
    obj.boundValid = 0;
}

}  // namespace kx::app

// Welding a triangle mesh's corners and averaging face normals at each point.
#include <cmath>
#include <cstring>
#include <vector>

#include "model/release_hook.h"
#include "geometry/geometry_internal.h"

namespace {

using kx::SmoothWork;
using WeldedPoint = SmoothWork::WeldedPoint;
using Triangle = SmoothWork::Triangle;

// Exact coordinates as a key; 0.0 and -0.0 compare equal and so weld.
struct PositionKey {
    uint32_t bits[3];
    bool operator==(const PositionKey& o) const {
        return bits[0] == o.bits[0] && bits[1] == o.bits[1] && bits[2] == o.bits[2];
    }
};

PositionKey keyOf(const Point3d& p) {
    PositionKey k;
    const float v[3] = {p.x == 0.0f ? 0.0f : p.x, p.y == 0.0f ? 0.0f : p.y, p.z == 0.0f ? 0.0f : p.z};
    std::memcpy(k.bits, v, sizeof k.bits);
    return k;
}

// Welded point ids by exact position: one flat open-addressing table, no
// allocation a corner. It starts at the size a closed mesh's points need (a
// sixth of its corners, three quarters full at most) and doubles when fuller:
// a table sized for every corner would be mostly empty and miss the cache
// on nearly every look-up. Keys live beside the table in point order.
class WeldTable {
public:
    explicit WeldTable(size_t corners) {
        unsigned bits = 4;
        while ((size_t{1} << bits) < corners / 6 * 4 / 3 + 1) ++bits;
        resize(bits);
        keys_.reserve(corners / 6 + 16);
    }
    // The id of the point with this key; `fresh` (and remembered) when new.
    unsigned find(const PositionKey& k, unsigned fresh) {
        if ((keys_.size() + 1) * 4 > slots_.size() * 3) grow();
        const size_t mask = slots_.size() - 1;
        for (size_t at = slotOf(k);; at = (at + 1) & mask) {
            unsigned id = slots_[at];
            if (id == kEmpty) {
                slots_[at] = static_cast<unsigned>(keys_.size());
                keys_.push_back({k, fresh});
                return fresh;
            }
            if (keys_[id].key == k) return keys_[id].point;
        }
    }

private:
    static constexpr unsigned kEmpty = ~0u;
    struct Entry {
        PositionKey key;
        unsigned point;
    };
    void resize(unsigned bits) {
        shift_ = 64 - bits;
        slots_.assign(size_t{1} << bits, kEmpty);
    }
    void grow() {
        resize(64 - shift_ + 1);
        const size_t mask = slots_.size() - 1;
        for (size_t i = 0; i < keys_.size(); ++i) {
            size_t at = slotOf(keys_[i].key);
            while (slots_[at] != kEmpty) at = (at + 1) & mask;
            slots_[at] = static_cast<unsigned>(i);
        }
    }
    size_t slotOf(const PositionKey& k) const {
        uint64_t h = ((static_cast<uint64_t>(k.bits[0]) << 32) | k.bits[1]) * 0x9E3779B97F4A7C15ULL;
        h ^= (static_cast<uint64_t>(k.bits[2]) + (h >> 32)) * 0xC2B2AE3D27D4EB4FULL;
        return static_cast<size_t>(h >> shift_);
    }
    std::vector<unsigned> slots_;
    std::vector<Entry> keys_;
    unsigned shift_ = 60;
};

SmoothWork& work() { return kx::core().geometry.smoothing; }

Point3d faceNormal(const Point3d& a, const Point3d& b, const Point3d& c) {
    return MakePoint(
        (static_cast<double>(b.z) - c.z) * a.y + (static_cast<double>(a.z) - b.z) * c.y +
            (static_cast<double>(c.z) - a.z) * b.y,
        (static_cast<double>(b.x) - c.x) * a.z + (static_cast<double>(c.x) - a.x) * b.z +
            (static_cast<double>(a.x) - b.x) * c.z,
        (static_cast<double>(a.y) - b.y) * c.x + (static_cast<double>(b.y) - c.y) * a.x +
            (static_cast<double>(c.y) - a.y) * b.x);
}

// The list's triangles, or 0 when some node is not one.
unsigned onlyTriangles(ListEntry* list) {
    unsigned n = 0;
    for (ListEntry* node = list; node; node = node->next, ++n)
        if (node->count != 3) return 0;
    return n;
}

struct WorkGuard {
    ~WorkGuard() { work().clear(); }
};

// The average of the face normals added at each point.
void averageNormals(SmoothWork& w) {
    for (WeldedPoint& p : w.points)
        p.normal = p.uses ? MakePoint(p.sum[0] / p.uses, p.sum[1] / p.uses, p.sum[2] / p.uses)
                          : Point3d{0, 0, 0};
}

void addNormal(WeldedPoint& p, const Point3d& n) {
    p.sum[0] += n.x;
    p.sum[1] += n.y;
    p.sum[2] += n.z;
    ++p.uses;
}

// One pass: each corner keyed and welded, each face normal added to its
// corners as the face is met (the same order calc_pt_normals adds them in).
void weld(ListEntry* list, unsigned n, SmoothWork& w) {
    w.triangles.reserve(n);
    // A closed mesh has about half as many points as triangles.
    w.points.reserve(n / 2 + 16);
    WeldTable table(size_t{n} * 3);
    for (ListEntry* node = list; node; node = node->next) {
        Triangle t{};
        for (int i = 0; i < 3; ++i) {
            const Point3d& p = node->points[i];
            const unsigned fresh = static_cast<unsigned>(w.points.size());
            // NaN equals nothing, not even itself: such a corner stays alone.
            const bool weldable = !std::isnan(p.x) && !std::isnan(p.y) && !std::isnan(p.z);
            const unsigned id = weldable ? table.find(keyOf(p), fresh) : fresh;
            if (id == fresh) w.points.push_back(WeldedPoint{p, {0, 0, 0}, {0, 0, 0}, 0});
            t.corner[i] = id;
        }
        t.normal = faceNormal(w.points[t.corner[0]].position, w.points[t.corner[1]].position,
                              w.points[t.corner[2]].position);
        for (unsigned id : t.corner) addNormal(w.points[id], t.normal);
        w.triangles.push_back(t);
    }
}

}  // namespace

int smooth(ListEntry* list) {
    SmoothWork& w = work();
    w.clear();
    if (!list) return 0;
    // Every node must be a triangle: shorter nodes would be read past their end.
    const unsigned triangles = onlyTriangles(list);
    if (!triangles) {
        ErrorMessage("Error smooth only triangle facets");
        return 0;
    }
    try {
        weld(list, triangles, w);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Can't allocate another Point node");
        w.clear();
        return 0;
    }
    averageNormals(w);
    return 1;
}

void calc_pt_normals() {
    SmoothWork& w = work();
    for (WeldedPoint& p : w.points) {
        p.sum[0] = p.sum[1] = p.sum[2] = 0.0;
        p.uses = 0;
    }
    for (const Triangle& t : w.triangles)
        for (unsigned id : t.corner) addNormal(w.points[id], t.normal);
    averageNormals(w);
}

double PointNormalize(Point3d* n) {
    if (!n) return 0.0;
    double length = std::sqrt(static_cast<double>(n->x) * n->x + static_cast<double>(n->y) * n->y +
                              static_cast<double>(n->z) * n->z);
    if (length == 0.0) {
        *n = Point3d{-n->x, -n->y, -n->z};
        return 0.0;
    }
    double k = 1.0 / length;
    *n = MakePoint(-n->x * k, -n->y * k, -n->z * k);
    return k;
}

void output_triangles(StandardFile* f) {
    const SmoothWork& w = work();
    for (const Triangle& t : w.triangles) {
        StdPutLine(f, "smooth_triangle {\r\n");
        for (unsigned id : t.corner) {
            const WeldedPoint& p = w.points[id];
            StdPutLine(f, "< %7.4f, %7.4f, %7.4f > < %7.4f, %7.4f, %7.4f >\r\n", p.position.x,
                       p.position.y, p.position.z, p.normal.x, p.normal.y, p.normal.z);
        }
        StdPutLine(f, "}\r\n\r\n");
    }
}

int SmoothPOV(StandardFile* f, ListEntry* list) {
    WorkGuard guard;
    if (!f || !smooth(list)) return 0;
    output_triangles(f);
    return f->error ? 0 : 1;
}

int SmoothPOVfile(const char* path, ListEntry* list) {
    StandardFile* f = StdOpenFile(path, KX_OPEN_DERIVED);
    if (!f) {
        ErrorMessage("Unable to Open POV Smooth File\n");
        return 0;
    }
    if (!SmoothPOV(f, list)) {
        StdAbortFile(f);
        return 0;
    }
    return StdCloseFile(f);
}

int SmoothObject(CadObject* obj) {
    WorkGuard guard;
    if (!obj || !smooth(obj->points)) return 0;
    const SmoothWork& w = work();
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    for (const Triangle& t : w.triangles) {
        Point3d corners[3], normals[3];
        for (int i = 0; i < 3; ++i) {
            corners[i] = w.points[t.corner[i]].position;
            normals[i] = w.points[t.corner[i]].normal;
            PointNormalize(&normals[i]);
        }
        tail = AddEntryEx(3, tail, corners, normals);
        if (!tail) {
            ClearEntry(head);
            return 0;
        }
        if (!head) head = tail;
    }
    if (!head) return 1;
    kx::model::notifyPointsReleased(obj);
    ClearEntry(obj->points);
    obj->points = head;
    if (obj->polygons) {
        DeleteObjectPolygons(obj);
        unsigned n = static_cast<unsigned>(w.triangles.size());
        obj->polygons = CopyListToPolygons(head, n);
        if (obj->polygons) {
            obj->polygonCount = n;
            MovePolygons(obj->polygons, &obj->translate, n);
            obj->scale = Point3d{1, 1, 1};
        }
    }
    return 1;
}

int UnSmoothObject(CadObject* obj) {
    if (!obj) return 0;
    DeleteObjectPolygons(obj);
    unsigned n = CountEntry(obj->points);
    if (n == 0) return 1;
    obj->polygons = CopyListToPolygonsEx(obj->points, n, 0);
    obj->polygonCount = obj->polygons ? n : 0;
    return 1;
}

int SmoothObjectsEx() {
    CadObject* first = GetCadObject(nullptr);
    for (CadObject* o = first; o; o = o->next) NormalizeObject(o, 0);
    int smoothed = 0;
    for (CadObject* o = first; o; o = o->next)
        if (o->selected && o->type == KX_POLYGON && SmoothObject(o)) smoothed = 1;
    return smoothed;
}

// Filtering point lists by a threshold, and sweeping profiles about the y axis.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "geometry/geometry_internal.h"

namespace {

// Beyond this a sweep would allocate gigabytes: refuse it instead.
constexpr unsigned long long kMaxSweepNodes = 16ull * 1024 * 1024;

struct ListDeleter {
    void operator()(ListEntry* head) const { ClearEntry(head); }
};
using ListHolder = std::unique_ptr<ListEntry, ListDeleter>;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// Appends a node behind tail and keeps head; false when it could not be built.
bool append(ListHolder& head, ListEntry*& tail, unsigned count, const Point3d* points,
            const Point3d* normals = nullptr) {
    ListEntry* node = AddEntryEx(count, tail, points, normals);
    if (!node) return false;
    if (!head) head.reset(node);
    tail = node;
    return true;
}

bool passes(const ListEntry* node, unsigned mask, int mode, const Point3d& t) {
    for (uint32_t i = 0; i < node->count; ++i) {
        const Point3d& p = node->points[i];
        const float v[3] = {p.x, p.y, p.z}, limit[3] = {t.x, t.y, t.z};
        for (int axis = 0; axis < 3; ++axis) {
            if (!(mask & (1u << axis))) continue;
            bool ok = mode == 0 ? v[axis] >= limit[axis] : v[axis] <= limit[axis];
            if (!ok) return false;
        }
    }
    return true;
}

void flatten(ListEntry* node, unsigned mask) {
    for (uint32_t i = 0; i < node->count; ++i) {
        if (mask & 1) node->points[i].x = 0;
        if (mask & 2) node->points[i].y = 0;
        if (mask & 4) node->points[i].z = 0;
    }
}

void filterObject(CadObject* obj, unsigned mask, int mode, int clear, const Point3d& t) {
    if (!obj->points) {
        ErrorMessage("Error filtering object(s)");
        return;
    }
    bool thinOut = (mask & 8) != 0;
    double stepValue = std::trunc(static_cast<double>(t.x));
    unsigned step = (std::isfinite(stepValue) && stepValue > 0) ? (stepValue > 4e9 ? 4000000000u : static_cast<unsigned>(stepValue)) : 0;
    unsigned counter = 0;
    ListHolder kept;
    ListEntry* tail = nullptr;
    for (ListEntry* node = obj->points; node; node = node->next) {
        if (thinOut) {
            if (counter > step) counter = 0;
            if (++counter != 1) continue;
        }
        if (clear) flatten(node, mask);
        else if (!passes(node, mask, mode, t)) continue;
        if (!append(kept, tail, node->count, node->points, node->normals)) return;
    }
    if (!kept) {
        ErrorMessage("Error no points remaining after filter");
        return;
    }
    // The triangles no longer describe the list, and go with it.
    SetObjectPoints(obj, kept.release());
}

}  // namespace

int FilterObjects(unsigned mask, int mode, int clear, Point3d threshold) {
    CadObject* first = GetCadObject(nullptr);
    if (!first) return 0;
    for (CadObject* obj = first; obj; obj = obj->next) {
        if (!obj->selected) continue;
        if (obj->type >= KX_SPHERE) {
            ErrorMessage("Error unable to filter solid objects");
            continue;
        }
        if (obj->points) filterObject(obj, mask, mode, clear, threshold);
    }
    return 1;
}

namespace {

// A profile to turn: a list of single points; false (reported) otherwise.
// pointCount is checked when given (the sweep needs two points at least).
bool latheInputOk(ListEntry** list, unsigned steps, const unsigned* pointCount) {
    if (!list || !*list) {
        ErrorMessage("Error transforming points");
        return false;
    }
    if ((*list)->count != 1) {
        ErrorMessage("Error, Unable to Lathe Facets");
        return false;
    }
    if (pointCount && *pointCount < 2) {
        ErrorMessage("Error, Not Enough Points to Lathe");
        return false;
    }
    if (steps == 0) {
        ErrorMessage("Error, Zero Steps in Sweep");
        return false;
    }
    return true;
}

}  // namespace

unsigned LathePoints(ListEntry** list, unsigned steps, double angle) {
    if (!latheInputOk(list, steps, nullptr)) return 0;
    unsigned nodes = CountEntry(*list);
    if (static_cast<unsigned long long>(nodes) * steps > kMaxSweepNodes) {
        ErrorMessage("Error, Too Many Steps in Sweep");
        return 0;
    }
    const double pi = 4.0 * std::atan(1.0);
    const double a = angle * pi / 180.0;
    ListHolder result;
    ListEntry* tail = nullptr;
    for (unsigned s = 1; s <= steps; ++s) {
        initrotate(0, 0, 0, 0, 1, 0, s * a);
        for (ListEntry* node = *list; node; node = node->next) {
            double x, y, z;
            rotateZ(node->points[0].x, node->points[0].y, node->points[0].z, &x, &y, &z);
            Point3d p = MakePoint(x, y, z);
            if (!append(result, tail, 1, &p)) return 0;
        }
    }
    ClearEntry(*list);
    *list = result.release();
    return nodes * steps;
}

unsigned LathePointsEx(ListEntry** list, unsigned count, unsigned steps, double angle) {
    if (!latheInputOk(list, steps, &count)) return 0;
    unsigned long long triangles = 2ull * (count - 1) * steps;
    if (triangles > kMaxSweepNodes) {
        ErrorMessage("Error, Too Many Steps in Sweep");
        return 0;
    }
    std::unique_ptr<Point3d, FreeDeleter> ringA(PointsToArray(*list, count));
    if (!ringA) return 0;
    std::unique_ptr<Point3d, FreeDeleter> ringB(PointsToArray(*list, count));
    if (!ringB) return 0;
    Point3d* A = ringA.get();
    Point3d* B = ringB.get();
    // A profile drawn downward is wound the other way round, so faces point out.
    bool exchange = A[0].y > A[count - 1].y;
    const double pi = 4.0 * std::atan(1.0);
    initrotate(0, 0, 0, 0, 1, 0, angle * pi / 180.0);
    ListHolder result;
    ListEntry* tail = nullptr;
    for (unsigned s = 0; s < steps; ++s) {
        for (unsigned i = 0; i < count; ++i) {
            double x, y, z;
            rotateZ(A[i].x, A[i].y, A[i].z, &x, &y, &z);
            B[i] = MakePoint(x, y, z);
        }
        for (unsigned i = 0; i + 1 < count; ++i) {
            Point3d first[3] = {A[i], A[i + 1], B[i]};
            Point3d second[3] = {A[i + 1], B[i + 1], B[i]};
            if (exchange) {
                std::swap(first[0], first[2]);
                std::swap(second[0], second[2]);
            }
            if (!append(result, tail, 3, first) || !append(result, tail, 3, second)) return 0;
        }
        std::swap(A, B);
    }
    ClearEntry(*list);
    *list = result.release();
    return static_cast<unsigned>(triangles);
}

int LatheObject(CadObject* obj, unsigned steps, double angle, int facets) {
    if (!obj || obj->type != KX_POINTS || !obj->points) return 0;
    // Turned on a copy, so that a refused lathe leaves the object whole and
    // the release hook hears of the old list before it goes.
    unsigned nodes = 0;
    ListEntry* turned = CopyList(obj->points, &nodes);
    if (!turned) return 0;
    const unsigned made = facets ? LathePointsEx(&turned, nodes, steps, angle) : LathePoints(&turned, steps, angle);
    if (!made) {
        ClearEntry(turned);
        return 0;
    }
    SetObjectPoints(obj, turned);
    if (facets) {
        obj->type = KX_POLYGON;
        NormalizeObject(obj, 0);
    }
    return 1;
}

// Point lists (linked nodes) and triangle arrays, and the conversions between them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "model/release_hook.h"
#include "kxcore.h"
#include "core_state.h"
#include "model/memory.h"
#include "model/model_internal.h"

namespace {

constexpr unsigned kMaxNodeVertices = 8;

// A node and its arrays share one allocation, the points (and normals) right
// behind the node: a mesh of a million triangles costs a million allocations
// instead of two or three million, and less memory. Arrays that do
// not sit there (a node built by other code) are freed on their own.
Point3d* inlinePoints(ListEntry* node) { return reinterpret_cast<Point3d*>(node + 1); }

void freeNode(ListEntry* node) {
    Point3d* const points = inlinePoints(node);
    const bool inlineArrays = node->points == points;
    if (!inlineArrays) kx::mem::release(node->points);
    if (!inlineArrays || node->normals != points + node->count) kx::mem::release(node->normals);
    kx::mem::release(node);
}

}  // namespace

ListEntry* AddEntryEx(unsigned count, ListEntry* prev, const Point3d* points,
                      const Point3d* normals) {
    if (!points) return nullptr;
    static_assert(sizeof(ListEntry) % alignof(Point3d) == 0);
    // The failure switch of the tests counts the node and each of its arrays
    // as the steps they are reported as.
    if (kx::mem::injectFailure()) {
        ErrorMessage("Error allocating linked-list: Line %d", 34);
        return nullptr;
    }
    // A node of no vertex is as damaged as one of too many.
    if (count == 0 || count > kMaxNodeVertices) {
        ErrorMessage("Error invalid polygon: %d", count);
        return nullptr;
    }
    if (kx::mem::injectFailure()) {
        ErrorMessage("Error allocating linked-list: Line %d", 52);
        return nullptr;
    }
    if (normals && kx::mem::injectFailure()) {
        ErrorMessage("Error allocating linked-list: Line %d", 60);
        return nullptr;
    }
    const size_t arrays = normals ? 2 * size_t{count} : size_t{count};
    // The node is value-initialised and its arrays are copied whole below:
    // nothing needs the allocator's zeros.
    void* block = std::malloc(sizeof(ListEntry) + arrays * sizeof(Point3d));
    if (!block) {
        ErrorMessage("Error allocating linked-list: Line %d", 34);
        return nullptr;
    }
    ListEntry* node = new (block) ListEntry{};
    node->count = count;
    node->points = inlinePoints(node);
    // Triangles, nearly every node there is, are copied with a fixed size
    // (no library call for 36 bytes).
    auto copyArray = [count](Point3d* to, const Point3d* from) {
        if (count == 3) std::memcpy(static_cast<void*>(to), from, 3 * sizeof(Point3d));
        else std::copy_n(from, count, to);
    };
    copyArray(node->points, points);
    if (normals) {
        node->normals = node->points + count;
        copyArray(node->normals, normals);
    }
    if (prev) prev->next = node;
    return node;
}

ListEntry* AddEntry(unsigned count, ListEntry* prev, const Point3d* points) {
    return AddEntryEx(count, prev, points, nullptr);
}

ListEntry* GetNextEntry(ListEntry* entry) { return entry ? entry->next : nullptr; }

int ClearEntry(ListEntry* head) {
    if (!head) return 0;
    while (head) {
        ListEntry* next = head->next;
        freeNode(head);
        head = next;
    }
    return 1;
}

int DestroyList(ListEntry* head) { return ClearEntry(head); }

unsigned CountEntry(ListEntry* head) {
    unsigned n = 0;
    for (; head; head = head->next) ++n;
    return n;
}

ListEntry* CopyList(ListEntry* src, unsigned* count) {
    if (!src) return nullptr;
    unsigned n = 0;
    ListEntry* first = nullptr;
    ListEntry* tail = nullptr;
    for (; src; src = src->next) {
        ListEntry* node = AddEntry(src->count, tail, src->points);
        if (!node) {
            // No half copy reaches the caller.
            ClearEntry(first);
            if (count) *count = 0;
            return nullptr;
        }
        if (!first) first = node;
        tail = node;
        ++n;
    }
    if (count) *count = n;
    return first;
}

TriPolygon* CopyPolygons(TriPolygon* src, unsigned n) {
    if (!src || n == 0) return nullptr;
    TriPolygon* copy = kx::mem::allocZeroed<TriPolygon>(n);
    if (!copy) {
        ErrorMessage("Error allocating array: %d: Line %d", n, 339);
        return nullptr;
    }
    std::memcpy(copy, src, sizeof(TriPolygon) * n);
    kx::model::rememberPolygonArray(copy, n);
    return copy;
}

void ReleasePolyons(TriPolygon* polygons) {
    kx::model::forgetPolygonArray(polygons);
    kx::mem::release(polygons);
}

namespace kx::model {

void rememberPolygonArray(const TriPolygon* array, uint32_t length) {
    if (array) core().objects.polygonArrays[array] = length;
}

void forgetPolygonArray(const TriPolygon* array) {
    if (array) core().objects.polygonArrays.erase(array);
}

uint32_t triangleCount(const CadObject* obj) {
    if (!obj || !obj->polygons) return 0;
    if (obj->polygonCount) return obj->polygonCount;
    const auto& arrays = core().objects.polygonArrays;
    auto found = arrays.find(obj->polygons);
    if (found == arrays.end()) return 0;
    return std::min(found->second, obj->count);
}

bool hasTriangles(const CadObject* obj) { return triangleCount(obj) != 0; }

}  // namespace kx::model

TriPolygon* CopyListToPolygonsEx(ListEntry* list, unsigned n, int useNormals) {
    if (!list) return nullptr;
    if (list->count != 3) {
        ErrorMessage("Error Wrong point count: CopyListToPolygons: %d/%d", n, list->count);
        return nullptr;
    }
    TriPolygon* polys = kx::mem::allocZeroed<TriPolygon>(n);
    if (!polys) {
        ErrorMessage("Error allocating array: %d: Line %d", n, 392);
        return nullptr;
    }
    kx::model::rememberPolygonArray(polys, n);
    unsigned i = 0;
    for (ListEntry* node = list; node; node = node->next, ++i) {
        if (i >= n) {
            ErrorMessage("Error too many points list: Line %d", 418);
            ReleasePolyons(polys);
            return nullptr;
        }
        // A node is read with its own count: a shorter one leaves zero corners,
        // a longer one contributes its first three.
        unsigned corners = std::min(node->count, 3u);
        std::copy_n(node->points, corners, polys[i].vertex);
        if (node->normals && useNormals) std::copy_n(node->normals, corners, polys[i].normal);
    }
    return polys;
}

TriPolygon* CopyListToPolygons(ListEntry* list, unsigned n) {
    return CopyListToPolygonsEx(list, n, 1);
}

int CopyPolygonsToList(CadObject* obj, TriPolygon* polygons, unsigned n) {
    if (!obj) return 0;
    kx::model::notifyPointsReleased(obj);
    ClearEntry(obj->points);
    obj->points = nullptr;
    if (!polygons || n == 0) return 1;
    static const Point3d kZero[3] = {};
    bool withNormals = std::memcmp(polygons[0].normal, kZero, sizeof kZero) != 0;
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    for (unsigned i = 0; i < n; ++i) {
        ListEntry* node =
            AddEntryEx(3, tail, polygons[i].vertex, withNormals ? polygons[i].normal : nullptr);
        if (!node) {
            ClearEntry(head);
            return 0;
        }
        if (!head) head = node;
        tail = node;
    }
    obj->points = head;
    return 1;
}

ListEntry* AppendObjectPoints(CadObject* obj, ListEntry* after, unsigned n, const Point3d* points,
                              const Point3d* normals) {
    if (!obj) return nullptr;
    if (!after)
        for (ListEntry* e = obj->points; e; e = e->next) after = e;
    // A node put in the middle keeps the nodes behind it.
    ListEntry* rest = after ? after->next : nullptr;
    ListEntry* node = AddEntryEx(n, after, points, normals);
    if (!node) return nullptr;
    node->next = rest;
    if (!obj->points) obj->points = node;
    ++obj->count;
    obj->boundValid = 0;
    return node;
}

int SetObjectPoints(CadObject* obj, ListEntry* list) {
    if (!obj) {
        ClearEntry(list);
        return 0;
    }
    kx::model::notifyPointsReleased(obj);
    DeleteObjectPolygons(obj);
    if (obj->points != list) ClearEntry(obj->points);
    obj->points = list;
    obj->count = CountEntry(list);
    obj->boundValid = 0;
    return 1;
}

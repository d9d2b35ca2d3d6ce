// Centring, normalising, orienting and aligning the selected objects, and
// small operations over the selection.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/memory.h"
#include "model/model_internal.h"

using kx::model::objects;

namespace {

using kx::model::hasTriangles;

// Moves an object's geometry to the origin by -centre; a triangle array is
// moved and the list rebuilt from it.
int centreGeometry(CadObject* obj, Point3d* centre) {
    if (hasTriangles(obj)) {
        CentrePolygons(obj->polygons, centre, kx::model::triangleCount(obj));
        if (!CopyPolygonsToList(obj, obj->polygons, kx::model::triangleCount(obj))) return 0;
    } else if (!CentrePoints(obj->points, centre)) {
        return 0;
    }
    obj->translate = Point3d{0, 0, 0};
    obj->boundValid = 0;
    return 1;
}

// A triangle array can be built only from a list of triangles.
bool triangleList(const CadObject* obj) { return obj->points && obj->points->count == 3; }

bool buildTriangles(CadObject* obj) {
    if (hasTriangles(obj)) return true;
    DeleteObjectPolygons(obj);
    unsigned n = CountEntry(obj->points);
    obj->polygons = CopyListToPolygons(obj->points, n);
    if (!obj->polygons) return false;
    obj->polygonCount = n;
    return true;
}

// A point moved by sign times `by`, worked in double and stored in single
// precision, as centring and moving geometry do it: normalising in fewer walks
// must give the very numbers of those steps taken one after the other.
inline Point3d shiftedPoint(const Point3d& p, const double (&by)[3], double sign) {
    return Point3d{static_cast<float>(static_cast<double>(p.x) + sign * by[0]),
                   static_cast<float>(static_cast<double>(p.y) + sign * by[1]),
                   static_cast<float>(static_cast<double>(p.z) + sign * by[2])};
}

// A list of triangle nodes normalised in two walks instead of five: the
// first finds the box of the vertices and counts the nodes, the second
// centres each node and fills its triangle where it stands. The same numbers
// as centring the list, copying it to triangles and moving those back by the
// centre; the list is left as it was when the triangles cannot be had.
int normaliseTriangleList(CadObject* obj) {
    Point3d lo = obj->points->points[0], hi = lo;
    unsigned n = 0;
    // As many vertices a node as the centring takes.
    constexpr uint32_t kCentred = 8;
    for (const ListEntry* node = obj->points; node; node = node->next, ++n)
        for (uint32_t i = 0; i < node->count && i < kCentred; ++i) {
            const Point3d& p = node->points[i];
            if (p.x < lo.x) lo.x = p.x;
            if (p.y < lo.y) lo.y = p.y;
            if (p.z < lo.z) lo.z = p.z;
            if (p.x > hi.x) hi.x = p.x;
            if (p.y > hi.y) hi.y = p.y;
            if (p.z > hi.z) hi.z = p.z;
        }
    CentreInfo info;
    info.min = lo;
    info.max = hi;
    GetObjectPointInfo(&info, 0, nullptr);
    const double c[3] = {info.centre.x, info.centre.y, info.centre.z};
    DeleteObjectPolygons(obj);
    TriPolygon* triangles = kx::mem::allocZeroed<TriPolygon>(n);
    if (!triangles) {
        ErrorMessage("Error allocating array: %d: Line %d", n, 392);
        ErrorMessage("Error allocating array: %d: Line %d", obj->count, 164);
        return 0;
    }
    kx::model::rememberPolygonArray(triangles, n);
    unsigned t = 0;
    for (ListEntry* node = obj->points; node; node = node->next, ++t) {
        for (uint32_t i = 0; i < node->count && i < kCentred; ++i) node->points[i] = shiftedPoint(node->points[i], c, -1);
        // A shorter node leaves corners at the origin, a longer one gives its first three.
        const uint32_t corners = std::min(node->count, 3u);
        for (uint32_t k = 0; k < 3; ++k) triangles[t].vertex[k] = shiftedPoint(k < corners ? node->points[k] : Point3d{0, 0, 0}, c, 1);
        if (node->normals) std::copy_n(node->normals, corners, triangles[t].normal);
    }
    obj->polygons = triangles;
    obj->polygonCount = n;
    obj->translate = info.centre;
    obj->boundValid = 0;
    return 1;
}

}  // namespace

int CentreObject(CadObject* obj, long centre) {
    auto* c = reinterpret_cast<Point3d*>(static_cast<intptr_t>(centre));
    if (!obj || !c || !obj->selected || obj->type < KX_POINTS || !obj->points) return 0;
    return centreGeometry(obj, c);
}

int CentreObjects() {
    CentreInfo info;
    int multiple = 0;
    if (!GetObjectCentrePoint(multiple, &info)) return 0;
    for (CadObject* o = objects().head; o; o = o->next)
        CentreObject(o, static_cast<long>(reinterpret_cast<intptr_t>(&info.centre)));
    return 1;
}

int NormalizeObject(CadObject* obj, long how) {
    if (!obj || (!obj->selected && how != 3)) return 0;
    if (obj->type != KX_POLYGON && obj->type < KX_SPHERE) return 0;
    // Nothing may change unless the triangle array can be had in the end.
    if (!hasTriangles(obj) && !triangleList(obj)) return 0;
    if (!hasTriangles(obj)) return normaliseTriangleList(obj);
    CentreInfo info;
    if (!GetSingleObjectCenterPoint(obj, &info, 1)) {
        ErrorMessage("Error unknown object centre");
        return 0;
    }
    GetObjectPointInfo(&info, 0, nullptr);
    Point3d c = info.centre;
    if (!centreGeometry(obj, &c)) return 0;
    if (!buildTriangles(obj)) {
        ErrorMessage("Error allocating array: %d: Line %d", obj->count, 164);
        // Put the list back where it was so the object is not left displaced.
        TranslatePoints(obj->points, c.x, c.y, c.z);
        obj->translate = Point3d{0, 0, 0};
        return 0;
    }
    MovePolygons(obj->polygons, &c, kx::model::triangleCount(obj));
    obj->translate = c;
    return 1;
}

int NormalizeObjects() {
    if (!objects().head) return 0;
    for (CadObject* o = objects().head; o; o = o->next) NormalizeObject(o, 0);
    return 1;
}

int FixOrientationEx() {
    int changed = 0;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->selected || o->type != KX_POLYGON) continue;
        if (!hasTriangles(o) && !triangleList(o)) continue;
        if (!buildTriangles(o)) continue;
        const uint32_t triangles = kx::model::triangleCount(o);
        FixPolgonOrient(o->polygons, triangles);
        if (!CopyPolygonsToList(o, o->polygons, triangles)) continue;
        o->count = o->polygonCount = triangles;
        ClearObjectTransformation(o, 0);
        changed = 1;
    }
    return changed;
}

int AlignObjectsEx(unsigned axisMode, CadObject* reference) {
    if (!objects().head) return 0;
    CadObject* ref = reference ? reference : GetNextSelectedObject(nullptr);
    if (!ref) return 0;
    const Point3d target = ref->translate;
    int moved = 0;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->selected) continue;
        Point3d offset{0, 0, 0};
        if (axisMode == 1 || axisMode == 2) offset.y = target.y - o->translate.y;
        else if (axisMode == 5 || axisMode == 6) offset.z = target.z - o->translate.z;
        else offset.x = target.x - o->translate.x;
        TransformObject(o, KX_TRANSFORM_MOVE, nullptr, nullptr, &offset, nullptr, 0);
        ++moved;
    }
    return moved;
}

int UpdateCsgOperation(unsigned groupId, unsigned op, int set) {
    CadObject* group = FindParentObject(groupId);
    if (!group) return 0;
    if (set) {
        group->extraPoint.x = static_cast<float>(op);
        return static_cast<int>(op);
    }
    return kx::model::groupOperation(*group);
}

int kx::model::groupOperation(const CadObject& group) {
    const float v = group.extraPoint.x;
    return (std::isfinite(v) && v > -2147483648.0f && v < 2147483648.0f) ? static_cast<int>(v) : 0;
}

int OperateObjects(int (*fn)(ListEntry*)) {
    if (!objects().head) return 0;
    for (CadObject* o = objects().head; o; o = o->next)
        if (o->selected && o->points && fn) fn(o->points);
    return 1;
}

int GetObjectOffset(double* x, double* y, double* z) {
    unsigned selected = 0;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->selected) continue;
        ++selected;
        if (!o->points) continue;
        Point2Double(&o->points->points[0], x, y, z);
    }
    return selected == 1 ? 1 : 0;
}

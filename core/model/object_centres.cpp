// Centres and bounds of objects, the selection and the scene; triangle-array transforms.
#include <algorithm>
#include <cmath>

#include "geometry/geometry_internal.h"
#include "model/model_internal.h"

using kx::model::objects;

void GetMinMaxPoint(Point3d* p, Point3d* min, Point3d* max) {
    if (!p || !min || !max) return;
    if (p->x < min->x) min->x = p->x;
    if (p->y < min->y) min->y = p->y;
    if (p->z < min->z) min->z = p->z;
    if (p->x > max->x) max->x = p->x;
    if (p->y > max->y) max->y = p->y;
    if (p->z > max->z) max->z = p->z;
}

int GetSingleObjectCenterPoint(CadObject* obj, CentreInfo* info, int reset) {
    if (!obj || !info || obj->type < KX_POINTS || !obj->points) return 0;
    const uint32_t triangles = kx::model::triangleCount(obj);
    bool useTriangles = triangles != 0;
    if (reset) {
        Point3d first = useTriangles ? obj->polygons[0].vertex[0] : obj->points->points[0];
        info->min = info->max = first;
    }
    if (useTriangles) {
        for (uint32_t i = 0; i < triangles; ++i)
            for (Point3d& p : obj->polygons[i].vertex) GetMinMaxPoint(&p, &info->min, &info->max);
    } else {
        kx::geometry::forEachVertex(obj->points, [&](Point3d& p) { GetMinMaxPoint(&p, &info->min, &info->max); });
    }
    return 1;
}

int GetObjectPointInfo(CentreInfo* info, unsigned what, Point3d* out) {
    if (!info) return 0;
    info->centre = MakePoint((static_cast<double>(info->min.x) + info->max.x) / 2.0,
                             (static_cast<double>(info->min.y) + info->max.y) / 2.0,
                             (static_cast<double>(info->min.z) + info->max.z) / 2.0);
    if (!out) return 1;
    switch (what) {
        case 0: *out = info->centre; break;
        case 1: *out = Point3d{info->centre.x, info->max.y, info->centre.z}; break;
        case 2: *out = Point3d{info->centre.x, info->min.y, info->centre.z}; break;
        default: break;
    }
    return 1;
}

int GetObjectCentrePoint(int& multiple, CentreInfo* info) {
    multiple = 0;
    if (!info) return 0;
    *info = CentreInfo{};
    if (!objects().head) return 0;
    int contributors = 0;
    for (CadObject* o = objects().head; o; o = o->next)
        if (o->selected && GetSingleObjectCenterPoint(o, info, contributors == 0)) ++contributors;
    multiple = contributors > 1 ? 1 : 0;
    GetObjectPointInfo(info, 0, nullptr);
    return 1;
}

int GetSceneBound(CadScene*, Point3d* min, Point3d* max) {
    Point3d lo{32000, 32000, 32000}, hi{-32000, -32000, -32000};
    if (min) *min = lo;
    if (max) *max = hi;
    if (!objects().head) return 0;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->boundValid && !CalcObjectBounds(o)) continue;
        GetMinMaxPoint(&o->boundMin, &lo, &hi);
        GetMinMaxPoint(&o->boundMax, &lo, &hi);
    }
    if (min) *min = lo;
    if (max) *max = hi;
    return 1;
}

namespace {

template <class Fn>
void forEachTriangleVertex(TriPolygon* t, unsigned n, Fn fn) {
    if (!t) return;
    for (unsigned i = 0; i < n; ++i)
        for (Point3d& v : t[i].vertex) fn(v);
}

}  // namespace

void MovePolygons(TriPolygon* t, Point3d* d, unsigned n) {
    if (!d) return;
    forEachTriangleVertex(t, n, [d](Point3d& v) {
        v = MakePoint(static_cast<double>(v.x) + d->x, static_cast<double>(v.y) + d->y,
                      static_cast<double>(v.z) + d->z);
    });
}

void CentrePolygons(TriPolygon* t, Point3d* c, unsigned n) {
    if (!c) return;
    forEachTriangleVertex(t, n, [c](Point3d& v) {
        v = MakePoint(static_cast<double>(v.x) - c->x, static_cast<double>(v.y) - c->y,
                      static_cast<double>(v.z) - c->z);
    });
}

void ScalePolygons(TriPolygon* t, Point3d* s, Point3d* c, unsigned n) {
    if (!s) return;
    Point3d centre = c ? *c : Point3d{0, 0, 0};
    forEachTriangleVertex(t, n, [&](Point3d& v) {
        v = MakePoint((static_cast<double>(v.x) - centre.x) * s->x + centre.x,
                      (static_cast<double>(v.y) - centre.y) * s->y + centre.y,
                      (static_cast<double>(v.z) - centre.z) * s->z + centre.z);
    });
}

void RotatePolygons(TriPolygon* t, Point3d* angles, Point3d* c, unsigned n) {
    if (!angles || !t) return;
    const double a[3] = {angles->x, angles->y, angles->z};
    if (a[0] == 0.0 && a[1] == 0.0 && a[2] == 0.0) return;
    const double centre[3] = {c ? c->x : 0.0, c ? c->y : 0.0, c ? c->z : 0.0};
    kx::geometry::AxisTurn turns[3];
    int used = 0;
    for (int axis = 0; axis < 3; ++axis)
        if (a[axis] != 0.0) turns[used++] = kx::geometry::axisTurn(centre, axis, a[axis]);
    forEachTriangleVertex(t, n, [&](Point3d& v) {
        double p[3] = {v.x, v.y, v.z};
        for (int i = 0; i < used; ++i) turns[i].apply(p);
        v = MakePoint(p[0], p[1], p[2]);
    });
}

void FixPolgonOrient(TriPolygon* t, unsigned n) {
    if (!t) return;
    for (unsigned i = 0; i < n; ++i) {
        double normal[3];
        findnormal(t[i].vertex, normal);
        if (normal[2] < 0.0) std::swap(t[i].vertex[1], t[i].vertex[2]);
    }
}

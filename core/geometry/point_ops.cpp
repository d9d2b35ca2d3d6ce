// Point-list operations: flattening, bounds, centring, sorting, swapping axes,
// scaling, moving and rotating every vertex.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/geometry_internal.h"
#include "model/memory.h"
#include "model/model_internal.h"

using kx::geometry::forEachVertex;

namespace kx::geometry {

AxisTurn axisTurn(const double c[3], int axis, double degrees) {
    const double pi = 4.0 * std::atan(1.0);
    double a[3] = {0, 0, 0};
    a[axis] = 1.0;
    initrotate(c[0], c[1], c[2], a[0], a[1], a[2], degrees * pi / 180.0);
    return AxisTurn{core().view.rotation};
}

}  // namespace kx::geometry

Point3d* PointsToArray(ListEntry* list, unsigned count) {
    if (!list) return nullptr;
    if (list->count > 2) {
        ErrorMessage("Error unable to process facets");
        return nullptr;
    }
    size_t total = static_cast<size_t>(list->count) * count;
    Point3d* array = kx::mem::allocZeroed<Point3d>(total + 1);
    if (!array) {
        ErrorMessage("Error Allocating Point Storage for %d Points", static_cast<int>(total));
        return nullptr;
    }
    size_t used = 0;
    for (ListEntry* node = list; node; node = node->next) {
        if (used + node->count > total) {
            ErrorMessage("More points than expected");
            break;
        }
        std::copy_n(node->points, node->count, array + used);
        used += node->count;
    }
    return array;
}

int GetObjectBounds(ListEntry* list, Point3d* min, Point3d* max, int accumulate) {
    if (!list || !min || !max || !list->points) return 0;
    Point3d lo = accumulate ? *min : list->points[0];
    Point3d hi = accumulate ? *max : list->points[0];
    forEachVertex(list, [&](const Point3d& p) {
        lo = Point3d{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = Point3d{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    });
    *min = Point3d{std::min(lo.x, hi.x), std::min(lo.y, hi.y), std::min(lo.z, hi.z)};
    *max = Point3d{std::max(lo.x, hi.x), std::max(lo.y, hi.y), std::max(lo.z, hi.z)};
    return 1;
}

int CalcObjectBounds(CadObject* obj) {
    if (!obj) return 0;
    // Meshes placed by a rebuild keep their placed geometry in the triangle array.
    if (const uint32_t triangles = kx::model::triangleCount(obj)) {
        Point3d lo = obj->polygons[0].vertex[0], hi = lo;
        for (uint32_t i = 0; i < triangles; ++i)
            for (const Point3d& p : obj->polygons[i].vertex) GetMinMaxPoint(const_cast<Point3d*>(&p), &lo, &hi);
        obj->boundMin = lo;
        obj->boundMax = hi;
        obj->boundValid = 1;
        return 1;
    }
    if (!GetObjectBounds(obj->points, &obj->boundMin, &obj->boundMax, 0)) return 0;
    obj->boundValid = 1;
    return 1;
}

Point3d* GetCentrePoint(ListEntry* list) {
    Point3d& centre = kx::core().results.centre;
    Point3d lo, hi;
    if (!list || !GetObjectBounds(list, &lo, &hi, 0)) {
        ErrorMessage("Error no points to centre");
        return nullptr;
    }
    centre = MakePoint(lo.x + (static_cast<double>(hi.x) - lo.x) * 0.5,
                       lo.y + (static_cast<double>(hi.y) - lo.y) * 0.5,
                       lo.z + (static_cast<double>(hi.z) - lo.z) * 0.5);
    return &centre;
}

int CentrePoints(ListEntry* list, Point3d* centre) {
    Point3d c;
    if (centre) {
        c = *centre;
    } else {
        Point3d* found = GetCentrePoint(list);
        if (!found) return 0;
        c = *found;
    }
    forEachVertex(list, [&](Point3d& p) {
        p = MakePoint(static_cast<double>(p.x) - c.x, static_cast<double>(p.y) - c.y,
                      static_cast<double>(p.z) - c.z);
    });
    return 1;
}

int SortPoints(CadObject* obj, unsigned) {
    if (!obj || !obj->points || obj->count == 0) {
        ErrorMessage("Error no points to sort");
        return 0;
    }
    Point3d* array = PointsToArray(obj->points, obj->count);
    if (!array) return 0;
    // The flattened array holds count x (vertices per node) points; sort the first count.
    unsigned n = obj->count;
    std::stable_sort(array, array + n, [](const Point3d& a, const Point3d& b) { return a.z < b.z; });
    unsigned i = 0;
    for (ListEntry* node = obj->points; node && i < n; node = node->next, ++i) node->points[0] = array[i];
    std::free(array);
    return 1;
}

int FlipPoints(CadObject* obj, unsigned mode) {
    if (!obj || !obj->points) return 0;
    forEachVertex(obj->points, [mode](Point3d& p) {
        switch (mode) {
            case 0: std::swap(p.y, p.z); break;
            case 1: std::swap(p.x, p.y); break;
            case 2: std::swap(p.x, p.z); break;
            case 3: p.x = -p.x; break;
            case 4: p.y = -p.y; break;
            case 5: p.z = -p.z; break;
            default: break;
        }
    });
    DeleteObjectPolygons(obj);
    obj->boundValid = 0;
    return 1;
}

int ScalePoints(ListEntry* list, double sx, double sy, double sz, Point3d* centre) {
    if (!list) {
        ErrorMessage("Error transforming points");
        return 0;
    }
    Point3d c;
    if (centre) {
        c = *centre;
    } else {
        Point3d* found = GetCentrePoint(list);
        if (!found) {
            ErrorMessage("Error unknown object centre");
            return 0;
        }
        c = *found;
    }
    const double fx = static_cast<float>(sx), fy = static_cast<float>(sy), fz = static_cast<float>(sz);
    forEachVertex(list, [&](Point3d& p) {
        p = MakePoint((static_cast<double>(p.x) - c.x) * fx + c.x,
                      (static_cast<double>(p.y) - c.y) * fy + c.y,
                      (static_cast<double>(p.z) - c.z) * fz + c.z);
    });
    return 1;
}

int TranslatePoints(ListEntry* list, double dx, double dy, double dz) {
    if (!list) {
        ErrorMessage("Error transforming points");
        return 0;
    }
    const double fx = static_cast<float>(dx), fy = static_cast<float>(dy), fz = static_cast<float>(dz);
    // Rounded as MakePoint() rounds, without a call for each corner.
    forEachVertex(list, [&](Point3d& p) {
        p = Point3d{static_cast<float>(p.x + fx), static_cast<float>(p.y + fy), static_cast<float>(p.z + fz)};
    });
    return 1;
}

int RotatePoints(ListEntry* list, double rx, double ry, double rz, Point3d* centre) {
    if (!list) {
        ErrorMessage("Error transforming points");
        return 0;
    }
    if (rx == 0.0 && ry == 0.0 && rz == 0.0) return 1;
    double c[3];
    if (centre) {
        c[0] = centre->x;
        c[1] = centre->y;
        c[2] = centre->z;
    } else {
        Point3d lo, hi;
        if (!GetObjectBounds(list, &lo, &hi, 0)) {
            ErrorMessage("Error Calculating Object Dimensions");
            return 0;
        }
        // A flat extent gives a centre of 0 on that axis, not the plane's position.
        const double los[3] = {lo.x, lo.y, lo.z}, his[3] = {hi.x, hi.y, hi.z};
        for (int i = 0; i < 3; ++i) {
            double extent = his[i] - los[i];
            c[i] = extent != 0.0 ? los[i] + extent * 0.5 : 0.0;
        }
    }
    const double angles[3] = {rx, ry, rz};
    kx::geometry::AxisTurn turns[3];
    int used = 0;
    for (int axis = 0; axis < 3; ++axis)
        if (angles[axis] != 0.0) turns[used++] = kx::geometry::axisTurn(c, axis, angles[axis]);
    forEachVertex(list, [&](Point3d& p) {
        double v[3] = {p.x, p.y, p.z};
        for (int i = 0; i < used; ++i) turns[i].apply(v);
        p = MakePoint(v[0], v[1], v[2]);
    });
    return 1;
}

unsigned GetListType(ListEntry* list) {
    if (!list) return 0;
    return list->count == 1 ? 1 : 2;
}

// Scaling, rotating and moving objects: parameters, cached bounds and geometry together.
#include <cmath>

#include "model/model_internal.h"

using kx::model::objects;

namespace {

// The eight corners of the cached box, in a temporary triangle array so that
// the same transforms as the geometry's can be applied to them.
struct BoxCorners {
    TriPolygon t[3]{};
    static constexpr unsigned kRecords = 3;

    explicit BoxCorners(const CadObject* obj) {
        const Point3d& lo = obj->boundMin;
        const Point3d& hi = obj->boundMax;
        for (int i = 0; i < 9; ++i) {
            int c = i & 7;  // the ninth slot repeats the first corner
            corner(i) = Point3d{(c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z};
        }
    }
    Point3d& corner(int i) { return t[i / 3].vertex[i % 3]; }

    // After a turn or a mirror the corners no longer are min and max: take the
    // box around all of them.
    void storeInto(CadObject* obj) {
        Point3d lo = corner(0), hi = lo;
        for (int i = 1; i < 9; ++i) GetMinMaxPoint(&corner(i), &lo, &hi);
        obj->boundMin = lo;
        obj->boundMax = hi;
    }
};

using kx::model::hasTriangles;

void moveGeometry(CadObject* obj, Point3d* d) {
    if (hasTriangles(obj)) MovePolygons(obj->polygons, d, kx::model::triangleCount(obj));
    else if (obj->points) TranslatePoints(obj->points, d->x, d->y, d->z);
    if (obj->boundValid) {
        BoxCorners box(obj);
        MovePolygons(box.t, d, BoxCorners::kRecords);
        box.storeInto(obj);
    }
}

void rotatePoint(Point3d* p, Point3d* angles, Point3d* centre) {
    TriPolygon one{};
    one.vertex[0] = *p;
    RotatePolygons(&one, angles, centre, 1);
    *p = one.vertex[0];
}

}  // namespace

int TransformObject(CadObject* obj, unsigned mode, Point3d* scale, Point3d* rotate, Point3d* move,
                    Point3d* centre, int moveWithRotation) {
    if (!obj) return 0;
    Point3d zero{0, 0, 0};
    Point3d* c = centre ? centre : &zero;
    bool parameters = !(mode & KX_TRANSFORM_GEOMETRY_ONLY);

    if ((mode & KX_TRANSFORM_SCALE) && scale) {
        if (parameters) {
            obj->translate = MakePoint((static_cast<double>(obj->translate.x) - c->x) * scale->x + c->x,
                                       (static_cast<double>(obj->translate.y) - c->y) * scale->y + c->y,
                                       (static_cast<double>(obj->translate.z) - c->z) * scale->z + c->z);
            obj->scale = MakePoint(static_cast<double>(obj->scale.x) * scale->x,
                                   static_cast<double>(obj->scale.y) * scale->y,
                                   static_cast<double>(obj->scale.z) * scale->z);
        }
        if (obj->boundValid) {
            BoxCorners box(obj);
            ScalePolygons(box.t, scale, c, BoxCorners::kRecords);
            box.storeInto(obj);
        }
        if (hasTriangles(obj)) ScalePolygons(obj->polygons, scale, c, kx::model::triangleCount(obj));
        else if (obj->points) ScalePoints(obj->points, scale->x, scale->y, scale->z, c);
    }

    if ((mode & KX_TRANSFORM_ROTATE) && rotate) {
        if (parameters)
            obj->rotate = MakePoint(static_cast<double>(obj->rotate.x) + rotate->x,
                                    static_cast<double>(obj->rotate.y) + rotate->y,
                                    static_cast<double>(obj->rotate.z) + rotate->z);
        if (moveWithRotation) rotatePoint(&obj->translate, rotate, c);
        if (obj->boundValid) {
            BoxCorners box(obj);
            RotatePolygons(box.t, rotate, c, BoxCorners::kRecords);
            box.storeInto(obj);
        }
        if (hasTriangles(obj)) RotatePolygons(obj->polygons, rotate, c, kx::model::triangleCount(obj));
        else if (obj->points) RotatePoints(obj->points, rotate->x, rotate->y, rotate->z, c);
    }

    if ((mode & KX_TRANSFORM_MOVE) && move) {
        if (parameters) {
            obj->translate = MakePoint(static_cast<double>(obj->translate.x) + move->x,
                                       static_cast<double>(obj->translate.y) + move->y,
                                       static_cast<double>(obj->translate.z) + move->z);
            // A light aims at a point that travels with it.
            if (obj->type == KX_LIGHT)
                obj->extraPoint = MakePoint(static_cast<double>(obj->extraPoint.x) + move->x,
                                            static_cast<double>(obj->extraPoint.y) + move->y,
                                            static_cast<double>(obj->extraPoint.z) + move->z);
        }
        moveGeometry(obj, move);
        // The object that shows the camera carries the camera with it.
        if (kx::isCameraObject(obj))
            SetCameraPositionEx(nullptr, move, parameters ? move : nullptr, 0);
    }
    return 1;
}

namespace {

unsigned selectedCount() {
    unsigned n = 0;
    for (CadObject* o = objects().head; o; o = o->next)
        if (o->selected) ++n;
    return n;
}

int transformSelection(unsigned mode, Point3d* scale, Point3d* rotate, Point3d* move,
                       Point3d* centre, int moveWithRotation) {
    int any = 0;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->selected) continue;
        any = 1;
        TransformObject(o, mode, scale, rotate, move, centre, moveWithRotation);
    }
    return any;
}

bool isIdentityScale(const Point3d* s) { return !s || (s->x == 1.0f && s->y == 1.0f && s->z == 1.0f); }

}  // namespace

int TransformObjects(unsigned mode, Point3d* scale, Point3d* rotate, Point3d* move) {
    if (mode & (KX_TRANSFORM_SCALE | KX_TRANSFORM_ROTATE)) {
        if (isIdentityScale(scale)) mode &= ~KX_TRANSFORM_SCALE;
        if (!rotate) mode &= ~KX_TRANSFORM_ROTATE;
        if (!(mode & (KX_TRANSFORM_SCALE | KX_TRANSFORM_ROTATE | KX_TRANSFORM_MOVE))) return 0;
    }
    if (!(mode & (KX_TRANSFORM_SCALE | KX_TRANSFORM_ROTATE)))
        return transformSelection(mode, scale, rotate, move, nullptr, 0);
    CentreInfo info;
    int multiple = 0;
    if (!GetObjectCentrePoint(multiple, &info)) return 0;
    int moveWithRotation = selectedCount() > 1 ? 1 : 0;
    return transformSelection(mode, scale, rotate, move, &info.centre, moveWithRotation);
}

int TransformObjectsAbout(unsigned mode, Point3d* scale, Point3d* rotate, Point3d* move,
                          Point3d* centre) {
    if (mode & (KX_TRANSFORM_SCALE | KX_TRANSFORM_ROTATE)) {
        if (isIdentityScale(scale)) mode &= ~KX_TRANSFORM_SCALE;
        if (!rotate) mode &= ~KX_TRANSFORM_ROTATE;
        if (!(mode & (KX_TRANSFORM_SCALE | KX_TRANSFORM_ROTATE | KX_TRANSFORM_MOVE))) return 0;
    }
    return transformSelection(mode, scale, rotate, move, centre, 1);
}

int ScaleObjectsEx(Point3d* scale) { return TransformObjects(KX_TRANSFORM_SCALE, scale, nullptr, nullptr); }
int RotateObjectsEx(Point3d* angles) { return TransformObjects(KX_TRANSFORM_ROTATE, nullptr, angles, nullptr); }
int TranslateObjectsEx(Point3d* offset) { return TransformObjects(KX_TRANSFORM_MOVE, nullptr, nullptr, offset); }

int TranslateObjectsSnap(Point3d* delta) {
    if (!delta) return 0;
    double step = 1.0;
    bool snapping = GetSnapGrid(&step) != 0;
    if (!snapping) step = 1.0;
    int any = 0;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->selected) continue;
        any = 1;
        const double p[3] = {o->translate.x, o->translate.y, o->translate.z};
        const double d[3] = {delta->x, delta->y, delta->z};
        double movement[3];
        for (int i = 0; i < 3; ++i) {
            if (!snapping && d[i] == 0.0) {
                movement[i] = 0.0;
                continue;
            }
            // The target is a whole number of steps in scene units.
            double target = std::ceil((p[i] + d[i]) / step) * step;
            movement[i] = target - p[i];
            if (std::fabs(movement[i]) > step) movement[i] -= step;
        }
        Point3d m = MakePoint(movement[0], movement[1], movement[2]);
        o->translate = MakePoint(p[0] + m.x, p[1] + m.y, p[2] + m.z);
        if (o->type == KX_LIGHT)
            o->extraPoint = MakePoint(static_cast<double>(o->extraPoint.x) + m.x,
                                      static_cast<double>(o->extraPoint.y) + m.y,
                                      static_cast<double>(o->extraPoint.z) + m.z);
        moveGeometry(o, &m);
        if (kx::isCameraObject(o)) SetCameraPositionEx(nullptr, &m, &m, 0);
    }
    return any;
}

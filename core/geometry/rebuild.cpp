// Rebuilding: a primitive's mesh is derived data, thrown away and generated
// again in local coordinates after every parameter change, then placed by the
// object's own scale, rotation and translation.
#include "model/release_hook.h"
#include "geometry/mesh_builder.h"
#include "geometry/renderer_shapes.h"
#include "view/view_internal.h"

namespace {

// The mesh of an atomic object from its fields; 0 when none could be made.
int regenerate(CadObject* obj) {
    switch (obj->type) {
        case KX_LIGHT: {
            // The stored target stays absolute (exports aim at it); the
            // wireframe wants it relative to the light.
            const Point3d target =
                MakePoint(static_cast<double>(obj->extraPoint.x) - obj->translate.x,
                          static_cast<double>(obj->extraPoint.y) - obj->translate.y,
                          static_cast<double>(obj->extraPoint.z) - obj->translate.z);
            return kx::geometry::buildLight(obj, target);
        }
        case KX_CAMERA:
            // The placement below moves the camera by the object's position,
            // so the camera starts from the origin.
            if (kx::isCameraObject(obj)) SetCameraHome(GetActiveCamera(), 0);
            return CreateCameraEx(obj);
        case KX_SPHERE:
        case KX_ELLIPSOID:
        case KX_BLOB: return CreateSphereEx(obj);
        case KX_PLANE: return CreatePlaneEx(obj);
        case KX_DISC: return CreateDiscEx(obj);
        case KX_CYLINDER: return CreateCylinderEx(obj);
        case KX_CONE: return CreateConeEx(obj);
        case KX_TORUS: return CreateTorusEx(obj);
        case KX_BOX: return CreateBoxEx(obj);
        case KX_HEIGHTFIELD: return CreateHeightfieldEx(obj);
        case KX_PATCH: return CreatePatchEx(obj);
        case KX_TEXT: return CreateTextEx(obj);
        default: return KxIsRendererShape(obj->type) ? kx::geometry::buildRendererShape(obj) : 0;
    }
}

// The centre the object is scaled and turned about: its own, or the selection's.
bool placementCentre(CadObject* obj, unsigned useOwnCentre, Point3d* centre) {
    CentreInfo info{};
    // The renderer scales and turns its own shapes about their origin, which
    // for a profile or a function need not be the middle of the mesh.
    if (useOwnCentre && KxIsRendererShape(obj->type)) {
        *centre = Point3d{0, 0, 0};
        return true;
    }
    if (useOwnCentre) {
        if (!GetSingleObjectCenterPoint(obj, &info, 1)) {
            ErrorMessage("Error getting object centre");
            return false;
        }
        return GetObjectPointInfo(&info, 0, centre) != 0;
    }
    int multiple = 0;
    if (!GetObjectCentrePoint(multiple, &info)) return false;
    *centre = info.centre;
    return true;
}

// Applies scale, rotation and translation to the geometry only: the object's
// parameters already describe where it stands.
int place(CadObject* obj, unsigned useOwnCentre) {
    Point3d centre;
    if (!placementCentre(obj, useOwnCentre, &centre)) return 0;
    SnapCadObject(&obj->translate);
    unsigned mode = KX_TRANSFORM_SCALE | KX_TRANSFORM_MOVE | KX_TRANSFORM_GEOMETRY_ONLY;
    if (obj->type != KX_CAMERA) mode |= KX_TRANSFORM_ROTATE;  // a camera is aimed, not turned
    Point3d scale = obj->scale;
    Point3d rotate = obj->rotate;
    Point3d move = obj->translate;
    return TransformObject(obj, mode, &scale, &rotate, &move, &centre, 0);
}

}  // namespace

int RebuildObjectEx(CadObject* obj, unsigned useOwnCentre) {
    if (!obj) return 0;
    if (obj->type == KX_GROUP) return 1;
    // Whatever happens below, the cached box no longer describes the geometry.
    obj->boundValid = 0;
    if (IsObjectAtomic(obj)) {
        // Told before anything goes, so that a listener can still copy it whole.
        kx::model::notifyPointsReleased(obj);
        DeleteObjectPolygons(obj);
        ClearEntry(obj->points);
        obj->points = nullptr;
        obj->count = 0;
        int made = regenerate(obj);
        // No mesh (a failed generator has reported why, or a plane narrower
        // than a cell): there is nothing to place.
        if (!obj->points) {
            if (made) LogMessage(1, "%s has no mesh to draw after rebuilding", obj->name);
            return made;
        }
        return place(obj, useOwnCentre);
    }
    // Single points and line segments are not rebuilt.
    if (obj->points && obj->points->count != 3) return 0;
    if (obj->polygons && obj->points) {
        DeleteObjectPolygons(obj);
        const unsigned n = CountEntry(obj->points);
        obj->polygons = CopyListToPolygons(obj->points, n);
        if (!obj->polygons) return 0;
        obj->polygonCount = n;
        return place(obj, useOwnCentre);
    }
    Point3d centre;
    if (!placementCentre(obj, useOwnCentre, &centre)) return 0;
    CentrePoints(obj->points, &centre);
    return place(obj, useOwnCentre);
}

int RebuildObjects(int useOwnCentre) {
    return EnumCadObjects([](CadObject* o, unsigned own) { return RebuildObjectEx(o, own); },
                          static_cast<unsigned>(useOwnCentre));
}

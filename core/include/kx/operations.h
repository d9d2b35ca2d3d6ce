// Operations on the selected objects: centres, bounds, transforms, alignment.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// The result of a centre computation; centre = (min + max) / 2.
struct CentreInfo {
    Point3d centre;
    Point3d min;
    Point3d max;
};

// Transformation mode bits.
enum : unsigned {
    KX_TRANSFORM_SCALE = 1,
    KX_TRANSFORM_ROTATE = 2,
    KX_TRANSFORM_MOVE = 4,
    KX_TRANSFORM_GEOMETRY_ONLY = 8,
};

// --- centres and bounds ---
KXCORE_API void GetMinMaxPoint(Point3d* p, Point3d* min, Point3d* max);
KXCORE_API int GetSingleObjectCenterPoint(CadObject* obj, CentreInfo* info, int reset);
KXCORE_API int GetObjectCentrePoint(int& multiple, CentreInfo* info);
KXCORE_API int GetObjectPointInfo(CentreInfo* info, unsigned what, Point3d* out);
KXCORE_API int GetSceneBound(CadScene* scene, Point3d* min, Point3d* max);

// --- triangle arrays (vertices only) ---
KXCORE_API void MovePolygons(TriPolygon* t, Point3d* d, unsigned n);
KXCORE_API void CentrePolygons(TriPolygon* t, Point3d* c, unsigned n);
KXCORE_API void ScalePolygons(TriPolygon* t, Point3d* s, Point3d* c, unsigned n);
KXCORE_API void RotatePolygons(TriPolygon* t, Point3d* angles, Point3d* c, unsigned n);
KXCORE_API void FixPolgonOrient(TriPolygon* t, unsigned n);

// --- objects ---
KXCORE_API int TransformObject(CadObject* obj, unsigned mode, Point3d* scale, Point3d* rotate,
                               Point3d* move, Point3d* centre, int moveWithRotation);
KXCORE_API int TransformObjects(unsigned mode, Point3d* scale, Point3d* rotate, Point3d* move);
KXCORE_API int TransformObjectsAbout(unsigned mode, Point3d* scale, Point3d* rotate,
                                     Point3d* move, Point3d* centre);
KXCORE_API int ScaleObjectsEx(Point3d* scale);
KXCORE_API int RotateObjectsEx(Point3d* angles);
KXCORE_API int TranslateObjectsEx(Point3d* offset);
KXCORE_API int TranslateObjectsSnap(Point3d* delta);
// centre is a Point3d* passed as a long.
KXCORE_API int CentreObject(CadObject* obj, long centre);
KXCORE_API int CentreObjects();
KXCORE_API int NormalizeObject(CadObject* obj, long how);
KXCORE_API int NormalizeObjects();
KXCORE_API int FixOrientationEx();
KXCORE_API int AlignObjectsEx(unsigned axisMode, CadObject* reference);
KXCORE_API int UpdateCsgOperation(unsigned groupId, unsigned op, int set);
KXCORE_API int OperateObjects(int (*fn)(ListEntry*));
KXCORE_API int GetObjectOffset(double* x, double* y, double* z);

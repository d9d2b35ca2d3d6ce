// Operations on point lists: flattening, bounds, centring, transforms, filters, lathe.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// A zero-filled array of (vertices per node x count) + 1 points; caller frees
// with free(). Only point and line lists are flattened.
KXCORE_API Point3d* PointsToArray(ListEntry* list, unsigned count);
// Centre of the list's bounding box in a static point (per thread); null for null.
KXCORE_API Point3d* GetCentrePoint(ListEntry* list);
KXCORE_API int CentrePoints(ListEntry* list, Point3d* centre);
KXCORE_API int SortPoints(CadObject* obj, unsigned unused);
KXCORE_API int FlipPoints(CadObject* obj, unsigned mode);
KXCORE_API int ScalePoints(ListEntry* list, double sx, double sy, double sz, Point3d* centre);
KXCORE_API int TranslatePoints(ListEntry* list, double dx, double dy, double dz);
KXCORE_API int RotatePoints(ListEntry* list, double rx, double ry, double rz, Point3d* centre);
KXCORE_API unsigned GetListType(ListEntry* list);
KXCORE_API int GetObjectBounds(ListEntry* list, Point3d* min, Point3d* max, int accumulate);
// Bounds of the triangle array when the object has one, else of its point list.
KXCORE_API int CalcObjectBounds(CadObject* obj);
KXCORE_API int FilterObjects(unsigned mask, int mode, int clear, Point3d threshold);
KXCORE_API unsigned LathePoints(ListEntry** list, unsigned steps, double angle);
KXCORE_API unsigned LathePointsEx(ListEntry** list, unsigned count, unsigned steps, double angle);
// Turns a point object's profile about the y axis: into a surface (facets 1:
// the object becomes a polygon object of the triangles, with normals) or into
// rings of points (facets 0). The object's type, count and bounds follow. 1
// when it was turned; 0 (the object as it was) for an object that is not a
// point object with points, or for what LathePoints(Ex) refuses.
KXCORE_API int LatheObject(CadObject* obj, unsigned steps, double angle, int facets);

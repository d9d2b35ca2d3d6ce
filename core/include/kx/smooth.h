// Vertex normals for triangle meshes: corners with equal coordinates are welded
// and get the average of the face normals that meet there.
#pragma once

#include "kx/api.h"
#include "kx/stdfile.h"
#include "kx/types.h"

// Replaces the object's triangles by the same triangles carrying unit vertex normals.
KXCORE_API int SmoothObject(CadObject* obj);
// Rebuilds the triangle array from the point list without normals.
KXCORE_API int UnSmoothObject(CadObject* obj);
// Writes the list as smooth triangles to an open file.
KXCORE_API int SmoothPOV(StandardFile* f, ListEntry* list);
KXCORE_API int SmoothPOVfile(const char* path, ListEntry* list);
// Builds the welded points and their averaged normals for a list of triangles;
// 0 for a null list or one that is not made of triangles only.
KXCORE_API int smooth(ListEntry* list);
// Averages the face normals at every welded point of the last smooth().
KXCORE_API void calc_pt_normals();
// Writes the triangles of the last smooth() as smooth triangles.
KXCORE_API void output_triangles(StandardFile* f);
// n = -n / |n| (a zero normal is only reversed); returns 1 / |n| (0 for zero).
KXCORE_API double PointNormalize(Point3d* n);
// Normalises the selected meshes, then smooths them; 1 when any was smoothed.
KXCORE_API int SmoothObjectsEx();

// Points, point lists, triangle arrays, and the double vector and matrix helpers.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// --- points ---
KXCORE_API Point3d MakePoint(double x, double y, double z);
// Fills one static point (per thread) and returns it; valid until the next call.
KXCORE_API Point3d* MakePointLP(double x, double y, double z);
KXCORE_API void Point2Double(Point3d* p, double* x, double* y, double* z);
KXCORE_API void CopyPoint(const Point3d* src, Point3d* dst);
KXCORE_API void ZeroPoint(Point3d* p);
// 1 when all three components are exactly 0.
KXCORE_API int IsZero(Point3d* p);
KXCORE_API double PointDistance(Point3d* a, Point3d* b);
// Next value of a fixed cycle of 500 numbers in [0,1); the first call gives entry 1.
KXCORE_API double rnd();

// --- point lists ---
// A node with copies of count points (and normals when given), linked behind
// prev when prev is non-null. Null for null points (silently), count 0 or
// above 8 ("Error invalid polygon: %d"), or when memory runs out.
KXCORE_API ListEntry* AddEntryEx(unsigned count, ListEntry* prev, const Point3d* points,
                                 const Point3d* normals);
KXCORE_API ListEntry* AddEntry(unsigned count, ListEntry* prev, const Point3d* points);
KXCORE_API ListEntry* GetNextEntry(ListEntry* entry);
// Frees every node from head on; 0 for a null head, else 1.
KXCORE_API int ClearEntry(ListEntry* head);
KXCORE_API int DestroyList(ListEntry* head);
KXCORE_API unsigned CountEntry(ListEntry* head);
// A copy of the points (not the normals); *count receives the node count.
KXCORE_API ListEntry* CopyList(ListEntry* src, unsigned* count);

// --- an object's point list, kept in step with the object ---
// These keep what the object says of its list true: its node count, its
// cached bounds, and the release hook told before a list goes.
// Puts one node of n points (and normals, or null) behind node `after` of
// obj's list, before the nodes that followed it, or behind its last node when
// after is null; the new node, or null (nothing changed) for a bad node or
// when memory runs out.
KXCORE_API ListEntry* AppendObjectPoints(CadObject* obj, ListEntry* after, unsigned n, const Point3d* points,
                                         const Point3d* normals);
// Gives obj the list (owned by obj from now on; null empties it) in place of
// its own, which is freed with the triangles made from it. 1, or 0 for a
// null object (the list is then freed).
KXCORE_API int SetObjectPoints(CadObject* obj, ListEntry* list);

// --- triangle arrays ---
KXCORE_API TriPolygon* CopyPolygons(TriPolygon* src, unsigned n);
KXCORE_API void ReleasePolyons(TriPolygon* polygons);
// A zero-filled array of n triangles from a list whose nodes are triangles;
// each node contributes at most three vertices.
KXCORE_API TriPolygon* CopyListToPolygonsEx(ListEntry* list, unsigned n, int useNormals);
KXCORE_API TriPolygon* CopyListToPolygons(ListEntry* list, unsigned n);
// Replaces the object's list by one 3-vertex node per triangle (the caller
// keeps the count); 1, or 0 when memory ran out (the object has no list then).
KXCORE_API int CopyPolygonsToList(CadObject* obj, TriPolygon* polygons, unsigned n);

// --- double vectors (arrays of three doubles) ---
KXCORE_API void veczero(double* a);
KXCORE_API void veccopy(const double* src, double* dst);
KXCORE_API void cv(double x, double y, double z, double* out);
KXCORE_API void vecsub(const double* a, const double* b, double* out);
KXCORE_API void vecsum(const double* a, const double* b, double* out);
KXCORE_API void vecmul(const double* a, const double* b, double* out);
KXCORE_API void vecdiv(const double* a, const double* b, double* out);
KXCORE_API void vecscale(double s, const double* a, double* out);
KXCORE_API void normalize(double* a);
KXCORE_API double dot(const double* a, const double* b);
KXCORE_API void cross(const double* a, const double* b, double* out);
KXCORE_API void direction(const double* from, const double* to, double* out);
KXCORE_API double norm(const double* a);
KXCORE_API void vect_init(double* out, double x, double y, double z);
KXCORE_API void vect_copy(double* dst, const double* src);
KXCORE_API void vect_add(double* out, const double* a, const double* b);
KXCORE_API void vect_sub(double* out, const double* a, const double* b);
KXCORE_API void vect_scale(double* out, const double* a, double s);
KXCORE_API void vect_cross(double* out, const double* a, const double* b);
KXCORE_API void vect_min(double* out, const double* a, const double* b);
KXCORE_API void vect_max(double* out, const double* a, const double* b);
// Angle in degrees, computed with the factor 180 / 3.1415.
KXCORE_API double vect_angle(const double* a, const double* b);

// --- 4 x 4 matrices, row-major, row vectors (p' = p * M) ---
using KxMatrix = double[4][4];
KXCORE_API void vect_transform(double* out, const double* p, const double m[4][4]);
KXCORE_API void mat_identity(double m[4][4]);
KXCORE_API void mat_copy(double dst[4][4], const double src[4][4]);
// dst = inverse of src; returns the determinant, 0.0 (dst = src) when singular.
KXCORE_API double mat_inv(double dst[4][4], const double src[4][4]);

KXCORE_API void findnormal(const Point3d* tri, double* out);
// Hue in degrees, lightness and saturation in 0..1 to three colour components.
KXCORE_API void hls(double h, double l, double s, double* out);

// The primitives: creating them, their preview meshes, the subdivision setting,
// grid snapping of new objects and rebuilding a mesh after its parameters changed.
// Meshes are built around the origin; only RebuildObjectEx places them.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// The one default creation record, reset: Visible, size and scale (1,1,1),
// everything else zero, no extra block (an unclaimed one is freed).
KXCORE_API CadObjectInfo* CreateDefaultInfo();

// --- creation from a record: AddCadAtom under the type's base name, then the
// mesh. Always 1; a failed creation or mesh is reported where it happens. ---
KXCORE_API int CreateSphere(CadObjectInfo* info);
KXCORE_API int CreatePlane(CadObjectInfo* info);
KXCORE_API int CreateDisc(CadObjectInfo* info);
KXCORE_API int CreateCylinder(CadObjectInfo* info);
KXCORE_API int CreateCone(CadObjectInfo* info);
KXCORE_API int CreateTorus(CadObjectInfo* info);
KXCORE_API int CreateBox(CadObjectInfo* info);
KXCORE_API int CreateHeightfield(CadObjectInfo* info);
KXCORE_API int CreateUserDefined(CadObjectInfo* info);
KXCORE_API int CreateBlob(CadObjectInfo* info);
KXCORE_API int CreatePatch(CadObjectInfo* info);
// Makes the record's extraPoint relative to its translate (in the caller's
// record) before the light is created.
KXCORE_API int CreateLight(CadObjectInfo* info);
KXCORE_API int CreateText(CadObjectInfo* info);
// A selected group named "_group" + n; null when no object could be made.
KXCORE_API CadObject* CreateGroup(CadObjectInfo* info);

// --- meshes of existing objects, from their fields, in local coordinates.
// The list replaces the object's list; the triangle array is left alone
// except by the sphere, which builds it too. 1, or 0 when no mesh was made. ---
KXCORE_API int CreateSphereEx(CadObject* obj);
KXCORE_API int CreatePlaneEx(CadObject* obj);
KXCORE_API int CreateDiscEx(CadObject* obj);
KXCORE_API int CreateCylinderEx(CadObject* obj);
KXCORE_API int CreateConeEx(CadObject* obj);
KXCORE_API int CreateTorusEx(CadObject* obj);
KXCORE_API int CreateBoxEx(CadObject* obj);
KXCORE_API int CreateHeightfieldEx(CadObject* obj);
KXCORE_API int CreatePatchEx(CadObject* obj);
// extraPoint is the spot light's target relative to the light.
KXCORE_API int CreateLightEx(CadObject* obj);
KXCORE_API int CreateCameraEx(CadObject* obj);
// The placeholder wireframe of a letter T, then RebuildText (kx/text.h): the
// solid of the object's TextString; 0 (the placeholder stays) without one.
KXCORE_API int CreateTextEx(CadObject* obj);

// --- one object with the default parameters of its type ---
KXCORE_API CadObject* CreateDefaultGroup();
KXCORE_API int CreateDefaultSphere();
// An ellipsoid is made as a sphere (type 13).
KXCORE_API int CreateDefaultEllipsiod();
KXCORE_API int CreateDefaultDisc();
KXCORE_API int CreateDefaultPlane();
KXCORE_API int CreateDefaultCylinder();
KXCORE_API int CreateDefaultCone();
KXCORE_API int CreateDefaultTorus();
KXCORE_API int CreateDefaultBox();
KXCORE_API int CreateDefaultHeightfield();
KXCORE_API int CreateDefaultUserDefined();
KXCORE_API int CreateDefaultBlob();

// A blob component's field is strength (1 - d^2 / r^2)^2 about its centre
// (extraPoint.y the strength, 1 when 0). The radius r that puts a lone
// component's surface, where the field meets threshold, on the sphere the
// views draw (radius size.y times scale.y); 0 when the threshold and
// strength give no surface at all (threshold not above 0, or not below the
// strength).
KXCORE_API double BlobComponentRadius(const CadObject* blob, double threshold);
KXCORE_API int CreateDefaultLight();
KXCORE_API int CreateDefaultPatch();
KXCORE_API int CreateDefaultText();
// Needs the scene camera record, which the library does not hold yet: 0, no object.
KXCORE_API int CreateDefaultCamera();

// A default object of any type (1, 8, 10, 11 to 25; 18 gives a sphere), snapped
// and moved to *at when given (*at is snapped in place), renamed when name is
// given (31 characters kept). Null for any other type or when nothing was made.
KXCORE_API CadObject* CreateDefaultObjectEx(const char* name, unsigned type, Point3d* at);

// Regenerates a primitive's mesh (or re-centres a mesh object) and places it by
// the object's scale, rotate and translate about its own centre (useOwnCentre
// non-zero) or the selection's. A group: 1, nothing done. Points and line
// segments: 0. A light's stored target is not changed.
KXCORE_API int RebuildObjectEx(CadObject* obj, unsigned useOwnCentre);
// RebuildObjectEx for every selected object that has a point list; 1.
KXCORE_API int RebuildObjects(int useOwnCentre);

// The mesh density: the step count is 6 / f. A factor that is not a positive
// finite number counts as 1. Generators use the whole steps, kept within 2..256.
KXCORE_API int SetSubFactor(double factor);

// Replaces the point list by n / 2 two-point segments of pts (none for n < 2
// or a null pts); the triangle array is left alone. 1, or 0 for a null object.
KXCORE_API int CreateWireFrame(CadObject* obj, unsigned n, Point3d* pts);

// The 16 control points of a patch (row-major, 4 x 4) in its PatchData field.
KXCORE_API int PackPatch(CadObject* obj, Point3d* net16);
// 0 when the object has no PatchData field of 16 points.
KXCORE_API int UnpackPatch(CadObject* obj, Point3d* net16);
// Reads the control net back from a (possibly edited) 18-facet preview;
// "Too few control points in patch" and 0 below 16 nodes. Net positions the
// list does not reach are zero.
KXCORE_API int GetPatchFromPoints(CadObject* obj, Point3d* net16);

// Rounds each coordinate up to the snap grid; 0 and no change when snapping is
// off (or suspended while a file is read). Points on the grid stay where they are.
KXCORE_API int SnapCadObject(Point3d* p);

// The renderer's own shapes (superellipsoid to julia fractal): 1 and why the
// renderer would refuse the shape's parameters (out: size bytes, terminated),
// as in "needs at least 2 points, has 1"; 0 when it takes them, or for an
// object that is not such a shape (out then holds ""). Such a shape is drawn
// as its container and left out of POV-Ray exports.
KXCORE_API int GetShapeProblem(CadObject* obj, char* out, unsigned size);

// The most milliseconds an isosurface's or julia fractal's proxy mesh may
// take to make (250 at start; at least 1). Past it the proxy is made again
// on a grid of half the cells; when that too runs out, the shape is drawn as
// its container. A window keeps this small, so an edit never stalls it.
KXCORE_API void SetShapeProxyBudget(double milliseconds);

// The views' projection maths: per-view zoom and pan, scene point to pixel and
// back, the perspective set-up, picking rectangles, and rotation about an axis.
// View indices: 0 perspective, 1 front (x right, y up), 2 plan (x right, z down),
// 3 side (z to the left, y up). Any other index is refused: nothing changes and
// the result is 0 (0.0 for GetDistance).
// Pixel results are truncated toward zero and saturate at the int range; a
// NaN gives 0.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// A view's projection: (a1, a2, a3) to a pixel. Through Convert2Dto3D the
// arguments are the scene point's (x, z, y). Returns 1.
using ViewConversionProc = int (*)(double a1, double a2, double a3, int* px, int* py);

// --- view table: zoom, pan, distances ---
// Distances 20 (perspective camera distance) and 16 pixels per unit (views 1
// to 3), all pans zero; from now on Init3D computes the eye offset. Returns 1.
KXCORE_API int InitDistance();
// Sets the view's distance (view 0 also sets the perspective eye distance).
// 0 for a bad view, a NaN or infinite d, a negative d, or d = 0 for views 1 to
// 3 (a zoom of 0 pixels per unit has no inverse).
KXCORE_API int SetDistance(double d, unsigned view);
KXCORE_API double GetDistance(unsigned view);
KXCORE_API int SetIsoDistance(double d);
// View 0: the camera moves away by delta; views 1 to 3: delta fewer pixels per
// unit. 0 and no change when the distance would not stay above 0.
KXCORE_API int ZoomView(unsigned view, double delta);
// p null: pan back to (0,0,0); absolute non-zero: pan = *p; else pan += *p.
KXCORE_API int PanView(unsigned view, Point3d* p, int absolute);
// Copies the view's pan; 0 (out untouched) for a bad view or null out.
KXCORE_API int GetPanOffset(unsigned view, Point3d* out);
// Pixel (sx, sy) of view 1, 2 or 3 back to scene coordinates, k being the
// reciprocal of the view's distance and ref (normally the view's pan; null
// counts as the origin) subtracted. Writes only the two coordinates the view
// shows; 0 and nothing written for any other view or a null out.
KXCORE_API int CalcPanPosition(unsigned view, float k, float sx, float sy, Point3d* out,
                               Point3d* ref);

// --- projection ---
// Selects what Convert2Dto3D uses (ConvertISO until the first call). A null
// function is refused with 0.
KXCORE_API int SetViewConversion(ViewConversionProc conversion);
// Projects the scene point (x, y, z) with the selected conversion.
KXCORE_API int Convert2Dto3D(double x, double y, double z, int* px, int* py);
KXCORE_API int ConvertXY(double a1, double a2, double a3, int* px, int* py);
KXCORE_API int ConvertXYleft(double a1, double a2, double a3, int* px, int* py);
KXCORE_API int ConvertXZ(double a1, double a2, double a3, int* px, int* py);
KXCORE_API int ConvertXZleft(double a1, double a2, double a3, int* px, int* py);
KXCORE_API int ConvertYZ(double a1, double a2, double a3, int* px, int* py);
// The perspective view; a depth of exactly 0 counts as 1.
KXCORE_API int ConvertISO(double a1, double a2, double a3, int* px, int* py);
// p turned into the perspective frame, without the perspective division.
// 0 for a null argument.
KXCORE_API int ConvertToView(Point3d* p, Point3d* out);
// Returns 1 and writes nothing.
KXCORE_API int GetViewPoint(Point3d* p, Point3d* out);

// --- perspective set-up ---
// Builds the perspective rotation from the angles (radians) and, once
// InitDistance has run, the eye offset at dist. Resets the view bound.
KXCORE_API int Init3D(double a, double b, double c, double dist);
// Sets the window's centre; keepAngles 0 first aims the perspective at the
// active camera. Then Init3D with the perspective eye distance.
KXCORE_API int InitView(int width, int height, unsigned keepAngles);
// Aims the perspective from an eye point at a target and sets its distances.
// 0 for a null argument.
KXCORE_API int LookAt(Point3d* from, Point3d* to);

// --- view bounds and picking rectangles ---
KXCORE_API int InitViewBound();
// The fixed bound (0, 0, 4096, 4096).
KXCORE_API RECT GetViewBound();
// Stores a flag nothing reads. Returns 1.
KXCORE_API int SetViewBound(int flag);
// Registers r (null: none) for viewBoundAdd and empties it.
KXCORE_API void viewBoundSet(RECT* r);
// Unregisters the rectangle.
KXCORE_API void viewBoundGet();
// Widens the registered rectangle to take in pixel (x, y); a left or top of 0
// counts as unset. Nothing when no rectangle is registered.
KXCORE_API void viewBoundAdd(int x, int y);

// --- rotation about an axis (radians) ---
// Prepares a right-handed turn by angle about the axis (ax, ay, az) through the
// point (px, py, pz); a zero axis turns about z. Stays in effect until the next
// call; before any call the prepared rotation is the identity.
KXCORE_API void initrotate(double px, double py, double pz, double ax, double ay, double az,
                           double angle);
// Applies the prepared rotation to (x, y, z).
KXCORE_API void rotateZ(double x, double y, double z, double* ox, double* oy, double* oz);
// The same for a y-up caller: y and z are exchanged before and after, so the
// centre and axis given to initrotate must be exchanged as well.
KXCORE_API void rotate(double x, double y, double z, double* ox, double* oy, double* oz);

// The views' projection maths: per-view zoom and pan, scene point to pixel and
// back, the perspective set-up, picking rectangles, and rotation about an axis.
// View indices: 0 perspective, 1 front (x right, y up), 2 plan (x right, z down),
// 3 side (z to the left, y up).
#pragma once

#include "kx/api.h"
#include "kx/types.h"

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

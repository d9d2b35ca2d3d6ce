// Moving the scene's camera as the perspective view's mouse asks: round its
// look-at point, sideways with it, closer to what lies under the pointer, and
// back far enough to show a box. Each takes a camera record and returns the
// moved one; only the location and the look-at point change. No Qt here.
//
// Picture fractions run from -0.5 to 0.5 across and up the rendered picture
// (x to the right, y up), as the renderer spreads its rays.
#pragma once

#include "kxcore.h"

namespace kx::app {

// How far from the horizon an orbit may take the eye: looking straight along
// the sky leaves the renderer no way to tell right from left.
inline constexpr double kMaxElevationDegrees = 89.0;

// The eye circles the look-at point: turn (radians) about the vertical, a
// positive turn showing the scene turning towards the picture's right (the
// eye goes to its left); tilt (radians) raises the eye, within
// kMaxElevationDegrees of the horizon. The distance stays.
CameraInfo orbitCamera(const CameraInfo& camera, double turn, double tilt);

// Eye and look-at point move together, so that what lies at the look-at
// distance follows the pointer by (dx, dy) picture fractions.
CameraInfo panCamera(const CameraInfo& camera, double dx, double dy);

// The eye comes factor times closer (further for a factor below 1) to the
// point under the pointer, at picture fractions (fx, fy) and the look-at
// distance; that point stays under the pointer. The eye keeps between
// kMinCameraDistance and kMaxCameraDistance of the look-at point.
CameraInfo zoomCamera(const CameraInfo& camera, double factor, double fx, double fy);
inline constexpr double kMinCameraDistance = 1e-3;
inline constexpr double kMaxCameraDistance = 1e7;

// Looks at the centre of the box lo..hi from the same side, as close as shows
// all of it (its bounding sphere) in the picture.
CameraInfo fitCamera(const CameraInfo& camera, const Point3d& lo, const Point3d& hi);

}  // namespace kx::app

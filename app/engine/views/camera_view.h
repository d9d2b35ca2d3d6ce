// The perspective view draws what the rendered picture shows: the scene's
// camera as the renderer builds it from the exported vectors (location,
// look-at point, up, right with its handedness, direction), and the picture's
// shape fitted into the view. No Qt here, so the maths is tested headless.
#pragma once

#include <optional>

#include "kxcore.h"

namespace kx::app {

// Where the camera's picture lies on a view, in pixels of the view.
struct FrameRect {
    double left = 0, top = 0, width = 0, height = 0;
};

// The largest rectangle of the picture's aspect (width over height) centred in
// a view of the given size. A bad aspect or size gives the whole view.
FrameRect fitFrame(double viewWidth, double viewHeight, double aspect);

// The shape of the rendered picture: the render size when it has one, else
// the camera's image size, else 4:3.
double pictureAspect(const CameraInfo& camera, int renderWidth, int renderHeight);

// A scene point on the picture, in the frame's pixels (x right, y down).
struct FramePoint {
    double x = 0, y = 0;
};

// Closer to the eye than this along the line of sight, a point is not drawn:
// near the eye plane a point lands anywhere, behind it mirrored.
inline constexpr double kNearDistance = 0.05;

// The point where the camera shows a scene point; nothing when the camera is
// unusable (its eye on its look-at point, looking straight along the sky) or
// the point lies nearer than kNearDistance or behind the eye.
std::optional<FramePoint> projectToFrame(const CameraInfo& camera, const FrameRect& frame, double x, double y,
                                        double z);

// The conversion the perspective view draws through (Convert2Dto3D passes it
// (x, z, y)). It projects with the camera and frame last given to
// useCameraProjection; a point the camera cannot see goes far outside every
// view and the result is 0. Views are drawn one after another on the window's
// thread, as the core's own projection state assumes.
int convertCameraView(double a1, double a2, double a3, int* px, int* py);
void useCameraProjection(const CameraInfo& camera, const FrameRect& frame);

// Where convertCameraView puts what it cannot show: beyond any canvas.
inline constexpr int kUnseenPixel = 1 << 30;

}  // namespace kx::app

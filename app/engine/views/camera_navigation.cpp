#include "views/camera_navigation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "camera_projection.h"

namespace kx::app {
namespace {

using kxr::Vec3;

Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }
Point3d point(const Vec3& v) { return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}; }

bool usable(const Vec3& v) { return kxr::finite(v); }

// The scene offset that moves a point at depth t (scene units along the line
// of sight) by f picture fractions along one of the camera's screen vectors
// (scaled so that a dot product gives picture units at unit depth).
Vec3 acrossPicture(const kxr::CameraSpace& cs, const Vec3& screenVector, double f, double t) {
    const double ll = kxr::dot(screenVector, screenVector);
    const double directionLength = 1.0 / kxr::length(cs.forward);
    return screenVector * (f * t / directionLength / ll);
}

CameraInfo moved(const CameraInfo& camera, const Vec3& location, const Vec3& lookAt) {
    if (!usable(location) || !usable(lookAt)) return camera;
    CameraInfo out = camera;
    out.location = point(location);
    out.lookAt = point(lookAt);
    return out;
}

}  // namespace

CameraInfo orbitCamera(const CameraInfo& camera, double turn, double tilt) {
    const Vec3 target = vec(camera.lookAt);
    const Vec3 v = vec(camera.location) - target;
    const double distance = kxr::length(v);
    if (!(distance > 0) || !std::isfinite(turn) || !std::isfinite(tilt)) return camera;
    const double across = std::hypot(v.x, v.z);
    const double heading = across > 0 ? std::atan2(v.x, v.z) : 0.0;
    const double elevation = std::atan2(v.y, across);

    // Turning about +y by a positive angle moves the eye along y x v; which way
    // that is on the picture depends on the camera's handedness.
    double sign = 1.0;
    const kxr::CameraSpace cs = kxr::makeCameraSpace(camera);
    if (cs.valid && kxr::dot(cs.right, Vec3{v.z, 0, -v.x}) > 0) sign = -1.0;
    const double limit = kMaxElevationDegrees * std::numbers::pi / 180.0;
    const double h = heading + sign * turn;
    const double e = std::clamp(elevation + tilt, -limit, limit);
    const Vec3 eye = target + Vec3{std::cos(e) * std::sin(h), std::sin(e), std::cos(e) * std::cos(h)} * distance;
    return moved(camera, eye, target);
}

CameraInfo panCamera(const CameraInfo& camera, double dx, double dy) {
    const kxr::CameraSpace cs = kxr::makeCameraSpace(camera);
    if (!cs.valid) return camera;
    const double t = kxr::length(vec(camera.lookAt) - cs.location);
    const Vec3 shift = acrossPicture(cs, cs.right, dx, t) + acrossPicture(cs, cs.up, dy, t);
    // The scene follows the pointer: the camera goes the other way.
    return moved(camera, cs.location - shift, vec(camera.lookAt) - shift);
}

CameraInfo zoomCamera(const CameraInfo& camera, double factor, double fx, double fy) {
    const kxr::CameraSpace cs = kxr::makeCameraSpace(camera);
    if (!cs.valid || !(factor > 0) || !std::isfinite(factor)) return camera;
    const Vec3 target = vec(camera.lookAt);
    const double t = kxr::length(target - cs.location);
    factor = std::clamp(factor, t / kMaxCameraDistance, t / kMinCameraDistance);
    // Scaling the camera about a point on a ray keeps that point on the same
    // ray, and the direction of sight is unchanged.
    const Vec3 anchor = target + acrossPicture(cs, cs.right, fx, t) + acrossPicture(cs, cs.up, fy, t);
    if (!usable(anchor)) return camera;
    return moved(camera, anchor + (cs.location - anchor) * (1.0 / factor), anchor + (target - anchor) * (1.0 / factor));
}

CameraInfo fitCamera(const CameraInfo& camera, const Point3d& lo, const Point3d& hi) {
    const Vec3 a = vec(lo), b = vec(hi);
    if (!usable(a) || !usable(b)) return camera;
    const Vec3 centre = (a + b) * 0.5;
    const double radius = std::max(kxr::length(b - a) * 0.5, kMinCameraDistance);
    Vec3 sight = kxr::normalised(vec(camera.lookAt) - vec(camera.location));
    if (kxr::length(sight) == 0) sight = Vec3{0, 0, -1};
    CameraInfo aimed = camera;
    aimed.location = point(centre - sight);
    aimed.lookAt = point(centre);
    const kxr::CameraSpace cs = kxr::makeCameraSpace(aimed);
    if (!cs.valid) return camera;
    // Half the picture's narrower opening, as an angle from the line of sight.
    const double f = kxr::length(cs.forward);
    const double half = std::atan(0.5 * f / std::max(kxr::length(cs.right), kxr::length(cs.up)));
    // A little room around the sphere, so that the outline is not on the edge.
    const double distance = std::min(radius / std::sin(half) * 1.05, kMaxCameraDistance);
    return moved(camera, centre - sight * distance, centre);
}

}  // namespace kx::app

#include "camera_projection.h"

namespace kxr {

namespace {

Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }

// The renderer's defaults for vectors the exported camera leaves out.
constexpr double kDefaultRight = 1.33;
constexpr double kDefaultDirection = 1.0;

}  // namespace

CameraSpace makeCameraSpace(const CameraInfo& camera) {
    CameraSpace cs;
    const double rightLength = camera.rightDir.x != 0.0f ? camera.rightDir.x : kDefaultRight;
    const double directionLength = camera.rightDir.z != 0.0f ? camera.rightDir.z : kDefaultDirection;
    Vec3 upGiven = vec(camera.up);
    if (upGiven.x == 0 && upGiven.y == 0 && upGiven.z == 0) upGiven = {0, 1, 0};
    const double upLength = length(upGiven);

    // Handedness of the vectors as written, before look_at re-aims them.
    const Vec3 right0{rightLength, 0, 0};
    const Vec3 direction0{0, 0, directionLength};
    const double handedness = dot(cross(upGiven, direction0), right0);

    cs.location = vec(camera.location);
    const Vec3 look = normalised(vec(camera.lookAt) - cs.location);
    const Vec3 sky{0, 1, 0};
    const Vec3 rightUnit = normalised(cross(sky, look));
    const Vec3 upUnit = normalised(cross(look, rightUnit));
    const double rl = std::fabs(rightLength), dl = std::fabs(directionLength);
    if (!finite(cs.location) || length(look) == 0 || length(rightUnit) == 0 || length(upUnit) == 0 ||
        !(rl > 0) || !(dl > 0) || !(upLength > 0) || !std::isfinite(rl * dl * upLength))
        return cs;

    // Scaled so that dot products give screen units directly.
    const Vec3 r = rightUnit * (handedness > 0 ? rl : -rl);
    cs.right = r * (1.0 / (rl * rl));
    cs.up = upUnit * (1.0 / upLength);
    cs.forward = look * (1.0 / dl);
    if (camera.width > 0 && camera.height > 0)
        cs.aspect = static_cast<double>(camera.width) / camera.height;
    cs.valid = true;
    return cs;
}

}  // namespace kxr

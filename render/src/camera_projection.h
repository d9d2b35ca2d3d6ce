// The camera as the external renderer reads the exported one: right, up and
// direction vectors re-aimed by look_at about the sky (+y), the handedness
// taken from the vectors before aiming.
#pragma once

#include "kxrender.h"
#include "vec3.h"

namespace kxr {

// A point in camera space: x, y along the (scaled) right and up vectors, z the
// distance along the direction vector; the screen point is (x/z, y/z) in -0.5..0.5.
struct CameraSpace {
    Vec3 location;
    Vec3 right;    // divided by its squared length, so dot() gives the screen unit
    Vec3 up;
    Vec3 forward;
    double aspect = 4.0 / 3.0;  // the picture's width over height
    bool valid = false;

    Vec3 toCamera(Vec3 world) const {
        Vec3 d = world - location;
        return {dot(d, right), dot(d, up), dot(d, forward)};
    }
};

CameraSpace makeCameraSpace(const CameraInfo& camera);

}  // namespace kxr

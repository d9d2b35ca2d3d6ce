// One rotation about an axis through a point, prepared once and applied to
// many points.
#include <cmath>
#include <numbers>

#include "plugkit.h"
#include "plugkit_state.h"

namespace {

using kx::plugkit::Transform;

void apply(double x, double y, double z, double* ox, double* oy, double* oz) {
    const Transform& m = kx::plugkit::state().transform;
    const double in[3] = {x, y, z};
    double out[3];
    for (int i = 0; i < 3; ++i) {
        out[i] = m.r[i][0] * in[0] + m.r[i][1] * in[1] + m.r[i][2] * in[2] + m.t[i];
    }
    if (ox != nullptr) *ox = out[0];
    if (oy != nullptr) *oy = out[1];
    if (oz != nullptr) *oz = out[2];
}

}  // namespace

extern "C" {

void InitTransform(double px, double py, double pz, double ax, double ay, double az,
                   double angle) noexcept {
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    double u[3] = {0, 0, 1};
    if (len != 0.0) {
        // The axis as azimuth and polar angle, as the point editor has always done.
        double phi;
        if (ax == 0.0) {
            phi = ay >= 0.0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2;
        } else {
            phi = std::atan2(ay, ax);
        }
        const double cosTheta = az / len;
        const double sinTheta = std::sqrt(std::fmax(0.0, 1.0 - cosTheta * cosTheta));
        u[0] = sinTheta * std::cos(phi);
        u[1] = sinTheta * std::sin(phi);
        u[2] = cosTheta;
    }
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double k = 1.0 - c;
    Transform m;
    m.r[0][0] = c + k * u[0] * u[0];
    m.r[0][1] = k * u[0] * u[1] - s * u[2];
    m.r[0][2] = k * u[0] * u[2] + s * u[1];
    m.r[1][0] = k * u[1] * u[0] + s * u[2];
    m.r[1][1] = c + k * u[1] * u[1];
    m.r[1][2] = k * u[1] * u[2] - s * u[0];
    m.r[2][0] = k * u[2] * u[0] - s * u[1];
    m.r[2][1] = k * u[2] * u[1] + s * u[0];
    m.r[2][2] = c + k * u[2] * u[2];
    const double p[3] = {px, py, pz};
    for (int i = 0; i < 3; ++i) {
        m.t[i] = p[i] - (m.r[i][0] * p[0] + m.r[i][1] * p[1] + m.r[i][2] * p[2]);
    }
    kx::plugkit::state().transform = m;
}

void RotateZ(double x, double y, double z, double* ox, double* oy, double* oz) noexcept {
    apply(x, y, z, ox, oy, oz);
}

void Rotate(double x, double y, double z, double* ox, double* oy, double* oz) noexcept {
    apply(x, z, y, ox, oz, oy);
}

}  // extern "C"

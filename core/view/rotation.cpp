// Rotation about an arbitrary axis through a point, prepared once and applied to
// many points (lathes, point rotations, light cones).
#include <cmath>

#include "core_state.h"

namespace {

kx::PreparedRotation& prepared() { return kx::core().view.rotation; }

// The unit axis goes through its spherical angles rather than a plain division,
// so that every caller turning the same axis gets bit-identical points.
void unitAxis(double ax, double ay, double az, double n[3]) {
    double len = std::sqrt(ax * ax + ay * ay + az * az);
    if (len == 0.0) {
        n[0] = 0.0;
        n[1] = 0.0;
        n[2] = 1.0;
        return;
    }
    double nz = az / len;
    double h = std::sqrt(std::fmax(0.0, 1.0 - nz * nz));
    const double pi = 4.0 * std::atan(1.0);
    double theta;
    if (ax != 0.0) {
        theta = std::atan(ay / ax);
        if (ax < 0.0) theta += pi;
    } else {
        theta = ay >= 0.0 ? pi / 2.0 : 3.0 * pi / 2.0;
    }
    n[0] = h * std::cos(theta);
    n[1] = h * std::sin(theta);
    n[2] = nz;
}

void apply(double x, double y, double z, double out[3]) {
    const kx::PreparedRotation& p = prepared();
    for (int i = 0; i < 3; ++i) out[i] = p.r[i][0] * x + p.r[i][1] * y + p.r[i][2] * z + p.t[i];
}

}  // namespace

void initrotate(double px, double py, double pz, double ax, double ay, double az, double angle) {
    double n[3];
    unitAxis(ax, ay, az, n);
    double c = std::cos(angle);
    double s = std::sin(angle);
    double t = 1.0 - c;
    double (&r)[3][3] = prepared().r;
    r[0][0] = c + t * n[0] * n[0];
    r[0][1] = t * n[0] * n[1] - s * n[2];
    r[0][2] = t * n[0] * n[2] + s * n[1];
    r[1][0] = t * n[0] * n[1] + s * n[2];
    r[1][1] = c + t * n[1] * n[1];
    r[1][2] = t * n[1] * n[2] - s * n[0];
    r[2][0] = t * n[0] * n[2] - s * n[1];
    r[2][1] = t * n[1] * n[2] + s * n[0];
    r[2][2] = c + t * n[2] * n[2];
    // T = p - R p: the centre stays where it is.
    const double p[3] = {px, py, pz};
    for (int i = 0; i < 3; ++i)
        prepared().t[i] = p[i] - (r[i][0] * p[0] + r[i][1] * p[1] + r[i][2] * p[2]);
}

void rotateZ(double x, double y, double z, double* ox, double* oy, double* oz) {
    double out[3];
    apply(x, y, z, out);
    if (ox) *ox = out[0];
    if (oy) *oy = out[1];
    if (oz) *oz = out[2];
}

void rotate(double x, double y, double z, double* ox, double* oy, double* oz) {
    double out[3];
    apply(x, z, y, out);
    if (ox) *ox = out[0];
    if (oz) *oz = out[1];
    if (oy) *oy = out[2];
}

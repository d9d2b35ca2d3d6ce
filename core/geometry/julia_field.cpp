// The quaternion julia set z -> z^2 + c as a signed field on a 3D slice.
#include "geometry/julia_field.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kx::geometry {
namespace {

constexpr double kFar = 1e30;
// The least magnitude the field takes, so that a point's side is never lost
// to a zero: only the sign decides the side.
constexpr double kNear = 1e-12;
constexpr double kEscapeSquared = 4;

double finiteOrZero(double v) { return std::isfinite(v) ? v : 0.0; }

// The unit normal of the slice; <0,0,0,1> when it has no direction.
void unitNormal(const double slice[4], double n[4]) {
    // Scaled by the largest component first, so huge components cannot
    // overflow the squared length.
    double largest = 0;
    for (int a = 0; a < 4; ++a) largest = std::max(largest, std::fabs(slice[a]));
    if (!(largest > 0) || !std::isfinite(largest)) {
        n[0] = n[1] = n[2] = 0;
        n[3] = 1;
        return;
    }
    double length = 0;
    for (int a = 0; a < 4; ++a) {
        n[a] = slice[a] / largest;
        length += n[a] * n[a];
    }
    length = std::sqrt(length);
    for (int a = 0; a < 4; ++a) n[a] /= length;
}

}  // namespace

PreparedJulia prepareJulia(const JuliaParameters& j) {
    PreparedJulia p{};
    for (int a = 0; a < 4; ++a) p.c[a] = finiteOrZero(j.c[a]);
    p.iterations = std::clamp(j.iterations, kMinJuliaIterations, kMaxJuliaIterations);
    double n[4];
    unitNormal(j.slice, n);
    const double distance = finiteOrZero(j.sliceDistance);
    for (int a = 0; a < 4; ++a) p.offset[a] = n[a] * distance;
    // The axis nearest the normal keeps the least of itself once the normal's
    // part is taken away; the other three stay well apart from it.
    int nearest = 0;
    for (int a = 1; a < 4; ++a)
        if (std::fabs(n[a]) > std::fabs(n[nearest])) nearest = a;
    int made = 0;
    for (int a = 0; a < 4; ++a) {
        if (a == nearest) continue;
        double* axis = p.axes[made];
        for (int b = 0; b < 4; ++b) axis[b] = (a == b ? 1.0 : 0.0) - n[a] * n[b];
        for (int earlier = 0; earlier < made; ++earlier) {
            const double* e = p.axes[earlier];
            const double along = axis[0] * e[0] + axis[1] * e[1] + axis[2] * e[2] + axis[3] * e[3];
            for (int b = 0; b < 4; ++b) axis[b] -= along * e[b];
        }
        const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2] + axis[3] * axis[3]);
        for (int b = 0; b < 4; ++b) axis[b] /= length;
        ++made;
    }
    return p;
}

double juliaField(const PreparedJulia& j, double x, double y, double z) {
    double q[4];
    for (int a = 0; a < 4; ++a) q[a] = x * j.axes[0][a] + y * j.axes[1][a] + z * j.axes[2][a] + j.offset[a];
    double r2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    if (std::isnan(r2)) return kFar;
    // |z'| under z -> z^2 + c grows by 2|z| a step (z' starts at 1).
    double derivative = 1;
    bool escaped = r2 > kEscapeSquared;
    for (unsigned i = 0; i < j.iterations && !escaped; ++i) {
        derivative *= 2 * std::sqrt(r2);
        const double a = q[0], b = q[1], c = q[2], d = q[3];
        q[0] = a * a - b * b - c * c - d * d + j.c[0];
        q[1] = 2 * a * b + j.c[1];
        q[2] = 2 * a * c + j.c[2];
        q[3] = 2 * a * d + j.c[3];
        r2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
        escaped = r2 > kEscapeSquared;
    }
    const double r = std::sqrt(r2);
    // NaN where z or z' reached zero; the comparisons below send it to the
    // side the escape test chose.
    const double estimate = (std::log(r) - std::numbers::ln2) * r / derivative;
    if (escaped) return estimate > kNear ? std::min(estimate, kFar) : kNear;
    return estimate < -kNear ? std::max(estimate, -kFar) : -kNear;
}

double juliaField(const JuliaParameters& j, double x, double y, double z) {
    return juliaField(prepareJulia(j), x, y, z);
}

}  // namespace kx::geometry

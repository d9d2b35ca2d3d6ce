#include "placement.h"

#include <algorithm>
#include <cmath>

namespace kxr {

namespace {

// a = b * a for 3x3 matrices.
void turnBy(double (&a)[3][3], const double (&b)[3][3]) {
    double out[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = b[i][0] * a[0][j] + b[i][1] * a[1][j] + b[i][2] * a[2][j];
    std::copy(&out[0][0], &out[0][0] + 9, &a[0][0]);
}

}  // namespace

Placement::Placement(const CadObject& o)
    : scale_{o.scale.x, o.scale.y, o.scale.z}, move_{o.translate.x, o.translate.y, o.translate.z},
      m_{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}} {
    const double degrees[3] = {o.rotate.x, o.rotate.y, o.rotate.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (degrees[axis] == 0.0) continue;
        const double a = degrees[axis] * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
        const int i = (axis + 1) % 3, j = (axis + 2) % 3;
        double r[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
        r[axis][axis] = 1;
        r[i][i] = c, r[i][j] = -s;
        r[j][i] = s, r[j][j] = c;
        turnBy(m_, r);
    }
    usable_ = finite(scale_) && finite(move_) && std::isfinite(m_[0][0] + m_[1][1] + m_[2][2]) && scale_.x != 0 &&
              scale_.y != 0 && scale_.z != 0;
}

double Placement::largestScale() const {
    return std::max({std::fabs(scale_.x), std::fabs(scale_.y), std::fabs(scale_.z)});
}

}  // namespace kxr

// The perspective view's set-up: its rotation from three angles, the eye
// offset, and aiming it from an eye point at a target.
#include <cmath>

#include "view/view_internal.h"

using kx::view::state;

int Init3D(double a, double b, double c, double dist) {
    kx::ViewState& v = state();
    v.angles[0] = a;
    v.angles[1] = b;
    v.angles[2] = c;
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    double(&M)[3][3] = v.matrix;
    M[0][0] = cc * ca - sb * sc * sa;
    M[0][1] = -(sa * cc) - sb * sc * ca;
    M[0][2] = sc * cb;
    M[1][0] = sa * cb;
    M[1][1] = cb * ca;
    M[1][2] = sb;
    M[2][0] = -(sc * ca) - sb * sa * cc;
    M[2][1] = sc * sa - sb * cc * ca;
    M[2][2] = cc * cb;
    // The eye sits dist back along the depth row; until the first scene sets
    // the distances there is no eye offset.
    if (v.eyeOffsetEnabled) {
        v.eyeOffset[0] = -(sa * cb * dist);
        v.eyeOffset[1] = -(cb * ca * dist);
        v.eyeOffset[2] = -(sb * dist);
    }
    InitViewBound();
    return 1;
}

int InitView(int width, int height, unsigned keepAngles) {
    kx::ViewState& v = state();
    v.cx = width * 0.5;
    v.cy = height * 0.5;
    if (keepAngles == 0) {
        for (int i = 0; i < 3; ++i) {
            v.angles[i] = 0.0;
            v.viewOffset[i] = 0.0;
        }
        Point3d location{0, 0, 0}, target{0, 0, 0};
        kx::view::activeCameraAim(&location, &target);
        LookAt(&location, &target);
    }
    return Init3D(v.angles[0], v.angles[1], v.angles[2], v.isoDistance);
}

int LookAt(Point3d* from, Point3d* to) {
    if (!from || !to) return 0;
    kx::ViewState& v = state();
    const float dx = from->x - to->x;
    const float dy = from->y - to->y;
    const float dz = from->z - to->z;
    const double dist = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                                  static_cast<double>(dz) * dz);
    v.isoDistance = dist;
    SetDistance(dist, 0);
    v.viewOffset[0] = -to->x;
    v.viewOffset[1] = -to->y;
    v.viewOffset[2] = -to->z;

    // A camera behind the scene (negative z) measures its heading against -x
    // and is turned half round afterwards.
    const double side = from->z < 0.0f ? -1.0 : 1.0;
    const double heading[3] = {from->x, from->y, 0.0};
    const double xAxis[3] = {side * 10.0, 0.0, 0.0};
    double alpha = vect_angle(heading, xAxis);
    const double elevation[3] = {from->z, from->y, 0.0};
    const double reference[3] = {10.0, 0.0, 0.0};
    double beta = vect_angle(elevation, reference);
    if (from->y > to->y) beta = -beta;
    if (from->z < 0.0f) {
        beta -= 180.0;
        alpha -= 180.0;
    }
    const double pi = 4.0 * std::atan(1.0);
    v.angles[1] = beta * pi / 180.0;
    v.angles[0] = (alpha - 90.0) * pi / 180.0;
    return 1;
}

int InitViewBound() {
    state().fixedBound = RECT{0, 0, 4096, 4096};
    return 1;
}

RECT GetViewBound() { return state().fixedBound; }

int SetViewBound(int flag) {
    state().boundFlag = flag;
    return 1;
}

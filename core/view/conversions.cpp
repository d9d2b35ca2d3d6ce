// Scene point to pixel: the flat views, the perspective view, and the
// selected conversion that the drawing code goes through.
#include "view/view_internal.h"

using kx::view::saturatingTrunc;
using kx::view::state;

namespace {

int store(double x, double y, int* px, int* py) {
    if (px) *px = saturatingTrunc(x);
    if (py) *py = saturatingTrunc(y);
    return 1;
}

const kx::ViewEntry& view(unsigned index) { return state().views[index]; }

}  // namespace

int SetViewConversion(ViewConversionProc conversion) {
    if (!conversion) return 0;
    state().conversion = conversion;
    return 1;
}

int Convert2Dto3D(double x, double y, double z, int* px, int* py) {
    // The view functions work z-up, the scene is y-up.
    return state().conversion(x, z, y, px, py);
}

int ConvertXY(double a1, double, double a3, int* px, int* py) {
    const kx::ViewState& v = state();
    const kx::ViewEntry& e = view(1);
    return store((e.pan.x + a1) * e.distance + v.cx, v.cy - (e.pan.y + a3) * e.distance, px, py);
}

int ConvertXYleft(double a1, double, double a3, int* px, int* py) {
    const kx::ViewState& v = state();
    const kx::ViewEntry& e = view(1);
    return store(v.cx - (e.pan.x + a1) * e.distance, v.cy - (e.pan.y + a3) * e.distance, px, py);
}

int ConvertXZ(double a1, double a2, double, int* px, int* py) {
    const kx::ViewState& v = state();
    const kx::ViewEntry& e = view(2);
    return store((e.pan.x + a1) * e.distance + v.cx, (e.pan.z + a2) * e.distance + v.cy, px, py);
}

int ConvertXZleft(double a1, double a2, double, int* px, int* py) {
    const kx::ViewState& v = state();
    const kx::ViewEntry& e = view(2);
    return store((e.pan.x + a1) * e.distance + v.cx, v.cy - (e.pan.z + a2) * e.distance, px, py);
}

int ConvertYZ(double, double a2, double a3, int* px, int* py) {
    const kx::ViewState& v = state();
    const kx::ViewEntry& e = view(3);
    return store(v.cx - (e.pan.z + a2) * e.distance, v.cy - (e.pan.y + a3) * e.distance, px, py);
}

int ConvertISO(double a1, double a2, double a3, int* px, int* py) {
    const kx::ViewState& s = state();
    const double* V = s.viewOffset;
    const double* E = s.eyeOffset;
    const double q1 = (V[0] + a1) - E[0];
    const double q2 = -(V[1] + a2) - E[1];
    const double q3 = (V[2] + a3) - E[2];
    const double(&M)[3][3] = s.matrix;
    const double u = M[0][0] * q1 + M[0][1] * q2 + M[0][2] * q3;
    double depth = M[1][0] * q1 + M[1][1] * q2 + M[1][2] * q3;
    const double w = M[2][0] * q1 + M[2][1] * q2 + M[2][2] * q3;
    if (depth == 0.0) depth = 1.0;
    // 0.75 of the half width and 1.05 of the half height per unit of u/depth
    // and w/depth, written as the products stored scenes were drawn with.
    return store(s.cx * 0.05 * (1.0 / depth) * u * 15 + s.cx,
                 s.cy - s.cy * 0.07 * (1.0 / depth) * w * 15, px, py);
}

int ConvertToView(Point3d* p, Point3d* out) {
    if (!p || !out) return 0;
    const kx::ViewState& s = state();
    const double q[3] = {(p->x + s.viewOffset[0]) - s.eyeOffset[0],
                         (p->y + s.viewOffset[1]) - s.eyeOffset[1],
                         (p->z + s.viewOffset[2]) - s.eyeOffset[2]};
    double r[3];
    for (int i = 0; i < 3; ++i)
        r[i] = s.matrix[i][0] * q[0] + s.matrix[i][1] * q[1] + s.matrix[i][2] * q[2];
    out->x = static_cast<float>(r[0]);
    out->y = static_cast<float>(r[1]);
    out->z = static_cast<float>(r[2]);
    return 1;
}

int GetViewPoint(Point3d*, Point3d*) { return 1; }

// Double-precision vectors and 4 x 4 matrices (row vectors, translation in row 3).
#include <cmath>
#include <cstring>

#include "kxcore.h"

void veczero(double* a) { a[0] = a[1] = a[2] = 0.0; }
void veccopy(const double* src, double* dst) { std::memmove(dst, src, 3 * sizeof(double)); }
void cv(double x, double y, double z, double* out) { out[0] = x; out[1] = y; out[2] = z; }

void vecsub(const double* a, const double* b, double* out) {
    double r[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    veccopy(r, out);
}
void vecsum(const double* a, const double* b, double* out) {
    double r[3] = {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
    veccopy(r, out);
}
void vecmul(const double* a, const double* b, double* out) {
    double r[3] = {a[0] * b[0], a[1] * b[1], a[2] * b[2]};
    veccopy(r, out);
}
void vecdiv(const double* a, const double* b, double* out) {
    double r[3] = {a[0] / b[0], a[1] / b[1], a[2] / b[2]};
    veccopy(r, out);
}
void vecscale(double s, const double* a, double* out) {
    double r[3] = {s * a[0], s * a[1], s * a[2]};
    veccopy(r, out);
}

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const double* a) { return std::sqrt(dot(a, a)); }

void normalize(double* a) {
    double length = norm(a);
    if (length == 0.0) return;
    a[0] /= length;
    a[1] /= length;
    a[2] /= length;
}

void cross(const double* a, const double* b, double* out) {
    double r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    veccopy(r, out);
}

void direction(const double* from, const double* to, double* out) {
    vecsub(to, from, out);
    normalize(out);
}

void vect_init(double* out, double x, double y, double z) { cv(x, y, z, out); }
void vect_copy(double* dst, const double* src) { veccopy(src, dst); }
void vect_add(double* out, const double* a, const double* b) { vecsum(a, b, out); }
void vect_sub(double* out, const double* a, const double* b) { vecsub(a, b, out); }
void vect_scale(double* out, const double* a, double s) { vecscale(s, a, out); }
void vect_cross(double* out, const double* a, const double* b) { cross(a, b, out); }

void vect_min(double* out, const double* a, const double* b) {
    double r[3] = {std::fmin(a[0], b[0]), std::fmin(a[1], b[1]), std::fmin(a[2], b[2])};
    veccopy(r, out);
}
void vect_max(double* out, const double* a, const double* b) {
    double r[3] = {std::fmax(a[0], b[0]), std::fmax(a[1], b[1]), std::fmax(a[2], b[2])};
    veccopy(r, out);
}

double vect_angle(const double* a, const double* b) {
    double lengths = norm(a) * norm(b);
    if (lengths == 0.0) return 0.0;
    double c = dot(a, b) / lengths;
    if (c <= -1.0) return 180.0;
    if (c >= 1.0) return 0.0;
    // The angle is scaled by 180 / 3.1415, as stored scenes and animations expect.
    return std::acos(c) * 57.29746936176985;
}

void vect_transform(double* out, const double* p, const double m[4][4]) {
    double r[3];
    for (int c = 0; c < 3; ++c) r[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
    veccopy(r, out);
}

void mat_identity(double m[4][4]) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] = (r == c) ? 1.0 : 0.0;
}

void mat_copy(double dst[4][4], const double src[4][4]) {
    if (dst != src) std::memmove(dst, src, 16 * sizeof(double));
}

namespace {

// Determinant of the 3 x 3 minor of m without row `skipRow` and column `skipCol`.
double minor3(const double m[4][4], int skipRow, int skipCol) {
    double a[3][3];
    for (int r = 0, i = 0; r < 4; ++r) {
        if (r == skipRow) continue;
        for (int c = 0, j = 0; c < 4; ++c) {
            if (c == skipCol) continue;
            a[i][j++] = m[r][c];
        }
        ++i;
    }
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

}  // namespace

double mat_inv(double dst[4][4], const double src[4][4]) {
    double m[4][4];
    std::memcpy(m, src, sizeof m);
    mat_copy(dst, src);
    double det = 0.0;
    for (int c = 0; c < 4; ++c) det += ((c % 2) ? -1.0 : 1.0) * m[0][c] * minor3(m, 0, c);
    if (std::fabs(det) < 1e-6) return 0.0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double cofactor = (((r + c) % 2) ? -1.0 : 1.0) * minor3(m, r, c);
            dst[c][r] = cofactor / det;  // adjugate: transposed cofactors
        }
    return det;
}

void findnormal(const Point3d* tri, double* out) {
    double p0[3] = {tri[0].x, tri[0].y, tri[0].z};
    double p1[3] = {tri[1].x, tri[1].y, tri[1].z};
    double p2[3] = {tri[2].x, tri[2].y, tri[2].z};
    double a[3], b[3];
    vecsub(p0, p2, a);
    vecsub(p0, p1, b);
    cross(a, b, out);
    normalize(out);
}

namespace {

double hueValue(double m1, double m2, double hue) {
    if (std::fabs(hue) > 36000.0) hue = std::fmod(hue, 360.0);
    while (hue >= 360.0) hue -= 360.0;
    while (hue < 0.0) hue += 360.0;
    if (hue < 60.0) return m1 + (m2 - m1) * hue / 60.0;
    if (hue < 180.0) return m2;
    if (hue < 240.0) return m1 + (m2 - m1) * (240.0 - hue) / 60.0;
    return m1;
}

}  // namespace

void hls(double h, double l, double s, double* out) {
    if (s == 0.0) {
        out[0] = out[1] = out[2] = l;
        return;
    }
    double m2 = (l <= 0.5) ? l * (1.0 + s) : l + s - l * s;
    double m1 = 2.0 * l - m2;
    // A hue that is not finite would never reduce into range.
    if (!std::isfinite(h)) h = 0.0;
    out[0] = hueValue(m1, m2, h - 120.0);
    out[1] = hueValue(m1, m2, h);
    out[2] = hueValue(m1, m2, h + 120.0);
}

// Four triangles at a time in single precision: their corners projected,
// their pixel bounds, and the block test of those one column wide. The
// rasteriser's mesh pass works through these; each lane is worked out on its
// own, so a triangle gets the same numbers whichever lanes it shares.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "camera_projection.h"
#include "kx/types.h"
#include "rasteriser.h"

namespace kxr {

// Points closer than this (in direction lengths) are cut away: nothing at or
// behind the eye reaches the projection.
inline constexpr double kNear = 1e-3;

namespace lanes {

using Lanes = float __attribute__((vector_size(16)));
using LaneMask = int32_t __attribute__((vector_size(16)));
constexpr int kLanes = 4;

inline Lanes splat(double v) { return Lanes{} + static_cast<float>(v); }
inline Lanes lanesMin(Lanes a, Lanes b) { return a < b ? a : b; }
inline Lanes lanesMax(Lanes a, Lanes b) { return a > b ? a : b; }
// One bit a lane, set where the lane's mask is.
inline uint32_t laneBits(LaneMask m) {
#if defined(__SSE2__)
    return static_cast<uint32_t>(_mm_movemask_ps(reinterpret_cast<__m128>(m)));
#else
    return (m[0] & 1u) | (m[1] & 2u) | (m[2] & 4u) | (m[3] & 8u);
#endif
}

// Rounded down and up to whole numbers, exactly, for values well inside the
// range of int (a true comparison is -1).
inline LaneMask floorLanes(Lanes v) {
    const LaneMask t = __builtin_convertvector(v, LaneMask);
    return t + (__builtin_convertvector(t, Lanes) > v);
}
inline LaneMask ceilLanes(Lanes v) {
    const LaneMask t = __builtin_convertvector(v, LaneMask);
    return t - (__builtin_convertvector(t, Lanes) < v);
}

// Four small triangles' block weights, lane by lane.
struct LaneWeights {
    Lanes w0, w1, w0x, w0y, w1x, w1y, z2, dz0, dz1;
    BlockWeights lane(int i) const { return {w0[i], w1[i], w0x[i], w0y[i], w1x[i], w1y[i], z2[i], dz0[i], dz1[i]}; }
};

// The camera folded into single-precision constants for a mesh's corners.
// The eye's position is split into a float and the rest, so that corners near
// an eye far from the origin keep their precision.
struct LaneCamera {
    Lanes eyeHigh[3], eyeLow[3];
    Lanes right[3], up[3], forward[3];
    Lanes originX, originY, scaleX, scaleY;

    LaneCamera(const CameraSpace& cs, double ox, double oy, double w, double h) {
        const double eye[3] = {cs.location.x, cs.location.y, cs.location.z};
        for (int a = 0; a < 3; ++a) {
            const float high = static_cast<float>(eye[a]);
            eyeHigh[a] = Lanes{} + high;
            eyeLow[a] = splat(eye[a] - high);
        }
        const Vec3* axes[3] = {&cs.right, &cs.up, &cs.forward};
        Lanes* out[3] = {right, up, forward};
        for (int a = 0; a < 3; ++a) {
            out[a][0] = splat(axes[a]->x);
            out[a][1] = splat(axes[a]->y);
            out[a][2] = splat(axes[a]->z);
        }
        originX = splat(ox);
        originY = splat(oy);
        scaleX = splat(w);
        scaleY = splat(h);
    }
};

// Four triangles' corners on the picture, lane by lane.
struct LaneCorners {
    Lanes sx[3], sy[3], invz[3];
    LaneMask inFront;  // every corner in front of the near plane, and on the picture's plane
    Lanes normal[3];   // along the face normal, of any length
    LaneMask normalUsable;  // its length is well inside single precision
};

// The camera-space of four corners at once, in the order and precision of
// projectLanes(): w holds their world x, y and z.
struct LanePoints {
    Lanes sx, sy, invz;
    LaneMask inFront;
};
inline LanePoints projectPoints(const LaneCamera& c, const Lanes (&w)[3]) {
    Lanes d[3];
    for (int a = 0; a < 3; ++a) d[a] = (w[a] - c.eyeHigh[a]) - c.eyeLow[a];
    const Lanes cx = d[0] * c.right[0] + d[1] * c.right[1] + d[2] * c.right[2];
    const Lanes cy = d[0] * c.up[0] + d[1] * c.up[1] + d[2] * c.up[2];
    const Lanes cz = d[0] * c.forward[0] + d[1] * c.forward[1] + d[2] * c.forward[2];
    LanePoints out;
    out.invz = 1.0f / cz;
    out.sx = c.originX + cx * out.invz * c.scaleX;
    out.sy = c.originY - cy * out.invz * c.scaleY;
    // Not-a-number fails both tests: such a lane goes the general way.
    const Lanes limit = splat(1e9);
    out.inFront = (cz >= static_cast<float>(kNear)) & (out.sx > -limit) & (out.sx < limit) & (out.sy > -limit) &
                  (out.sy < limit);
    return out;
}

// The face normal of four triangles from their corners' world positions.
inline void faceNormals(const Lanes (&world)[3][3], LaneCorners& out) {
    Lanes a[3], b[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = world[1][i] - world[0][i];
        b[i] = world[2][i] - world[0][i];
    }
    out.normal[0] = a[1] * b[2] - a[2] * b[1];
    out.normal[1] = a[2] * b[0] - a[0] * b[2];
    out.normal[2] = a[0] * b[1] - a[1] * b[0];
    const Lanes l2 = out.normal[0] * out.normal[0] + out.normal[1] * out.normal[1] + out.normal[2] * out.normal[2];
    out.normalUsable = (l2 > 1e-20f) & (l2 < 1e30f);
}

inline LaneCorners projectLanes(const LaneCamera& c, const TriPolygon* const (&t)[kLanes]) {
    LaneCorners out;
    out.inFront = LaneMask{} - 1;
    Lanes world[3][3];
    for (int k = 0; k < 3; ++k) {
        const Point3d* v[kLanes] = {&t[0]->vertex[k], &t[1]->vertex[k], &t[2]->vertex[k], &t[3]->vertex[k]};
        Lanes(&w)[3] = world[k];
        w[0] = Lanes{v[0]->x, v[1]->x, v[2]->x, v[3]->x};
        w[1] = Lanes{v[0]->y, v[1]->y, v[2]->y, v[3]->y};
        w[2] = Lanes{v[0]->z, v[1]->z, v[2]->z, v[3]->z};
        const LanePoints p = projectPoints(c, w);
        out.sx[k] = p.sx, out.sy[k] = p.sy, out.invz[k] = p.invz;
        out.inFront &= p.inFront;
    }
    faceNormals(world, out);
    return out;
}

// coverBlock() for the lanes of `which`, each a small triangle one column
// wide: row r of all of them at once. depth points at the first pixel of the
// pass's picture, `width` pixels a row; rows outside firstRow..lastRow are
// neither read nor covered.
inline void coverColumns(const LaneWeights& w, LaneMask x0, LaneMask y0, LaneMask rows, uint32_t which, const float* depth,
                         int width, int firstRow, int lastRow, std::array<uint32_t, kLanes>& covered,
                         std::array<BlockDepths, kLanes>& found) {
    const float* column[kLanes];
    int first[kLanes], last[kLanes];
    int most = 0;
    // What a lane not tested reads: a depth of its own, not the picture's,
    // whose pixels may be another thread's.
    const float untested = 0.0f;
    for (int lane = 0; lane < kLanes; ++lane) {
        first[lane] = std::max(0, firstRow - y0[lane]);
        last[lane] = std::min(rows[lane] - 1, lastRow - y0[lane]);
        const bool used = (which & (1u << lane)) && first[lane] <= last[lane];
        if (!used) which &= ~(1u << lane);
        // Its bits are dropped.
        column[lane] = used ? depth + static_cast<size_t>(y0[lane]) * width + x0[lane] : &untested;
        if (!used) first[lane] = last[lane] = 0;
        most = std::max(most, used ? last[lane] + 1 : 0);
    }
    const LaneMask from = {first[0], first[1], first[2], first[3]}, to = {last[0], last[1], last[2], last[3]};
    Lanes b0 = w.w0, b1 = w.w1, invz = w.z2 + b0 * w.dz0 + b1 * w.dz1;
    const Lanes invzDown = w.w0y * w.dz0 + w.w1y * w.dz1;
    for (int r = 0; r < most; ++r) {
        const Lanes b2 = 1.0f - b0 - b1;
        // Rows outside a lane's read its nearest row; their bits are dropped.
        auto at = [&](int lane) {
            return column[lane][static_cast<size_t>(std::clamp(r, first[lane], last[lane])) * width];
        };
        const Lanes here = {at(0), at(1), at(2), at(3)};
        const LaneMask row = LaneMask{} + r;
        const uint32_t hits =
            laneBits((b0 >= 0) & (b1 >= 0) & (b2 >= 0) & (invz > here) & (row >= from) & (row <= to)) & which;
        for (int lane = 0; lane < kLanes; ++lane) {
            covered[lane] |= ((hits >> lane) & 1u) << (4 * r);
            found[lane][4 * r] = invz[lane];
        }
        b0 += w.w0y, b1 += w.w1y, invz += invzDown;
    }
}

}  // namespace lanes

}  // namespace kxr

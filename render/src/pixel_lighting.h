// Lighting of drawn pixels in batches. A pixel that passes the depth test is
// queued with what its colour depends on; a full queue is lit column by column
// in single precision, a form the compiler turns into vector code, and the
// colours are written in the order the pixels came, so the last surface drawn
// at a pixel keeps it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "vec3.h"

namespace kxr {

struct Light;

class PixelLighting {
public:
    static constexpr int kSize = 256;

    // The eye and the lights of the pixels queued from now on; waiting pixels
    // are lit first. False when a light lies too far out for single
    // precision: the caller lights such a scene itself.
    bool setScene(Vec3 eye, const std::vector<Light>& lights);
    // toEye runs from the point to the eye (any length); normal is unit;
    // base is the surface colour, 0..1 a channel. False (nothing queued) when
    // the point lies too far out for single precision.
    bool add(uint32_t* pixel, Vec3 toEye, Vec3 normal, Vec3 base) {
        if (!(std::fabs(toEye.x) < kFar && std::fabs(toEye.y) < kFar && std::fabs(toEye.z) < kFar)) return false;
        if (count_ == kSize) flush();
        const int i = count_++;
        pixel_[i] = pixel;
        ex_[i] = static_cast<float>(toEye.x), ey_[i] = static_cast<float>(toEye.y), ez_[i] = static_cast<float>(toEye.z);
        nx_[i] = static_cast<float>(normal.x), ny_[i] = static_cast<float>(normal.y), nz_[i] = static_cast<float>(normal.z);
        r_[i] = static_cast<float>(base.x), g_[i] = static_cast<float>(base.y), b_[i] = static_cast<float>(base.z);
        return true;
    }
    // Lights and writes every waiting pixel.
    void flush();
    // Forgets the waiting pixels (their picture is being cleared).
    void discard() { count_ = 0; }

private:
    // Far enough that squared lengths stay finite in single precision.
    static constexpr double kFar = 1e15;
    struct LightF {
        float x, y, z;     // the light's position less the eye's
        float r, g, b;
        float dx, dy, dz;  // a spot light's unit direction
        bool spot;
    };
    using Column = std::array<float, kSize>;

    int count_ = 0;
    std::vector<LightF> lights_;  // empty: lit from the eye
    std::array<uint32_t*, kSize> pixel_{};
    Column ex_{}, ey_{}, ez_{}, nx_{}, ny_{}, nz_{}, r_{}, g_{}, b_{};
    // Working columns of flush().
    Column ux_{}, uy_{}, uz_{}, cr_{}, cg_{}, cb_{};
    std::array<int, kSize> packed_{};
};

}  // namespace kxr

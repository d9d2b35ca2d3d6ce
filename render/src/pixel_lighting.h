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

// Where the processor has them, eight lanes at a time instead of four: the
// same operations in the same order, so the same colours. Not under the
// thread checker, whose run-time is not ready when the choice is made.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KXR_THREAD_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define KXR_THREAD_CHECKED 1
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(KXR_THREAD_CHECKED)
#define KXR_WIDER_WHERE_AVAILABLE __attribute__((target_clones("avx2", "default")))
#else
#define KXR_WIDER_WHERE_AVAILABLE
#endif

namespace kxr {

struct Light;

class PixelLighting {
public:
    static constexpr int kSize = 256;

    // The eye and the lights of the pixels queued from now on; waiting pixels
    // are lit first. False when a light lies too far out for single
    // precision: the caller lights such a scene itself.
    bool setScene(Vec3 eye, const std::vector<Light>& lights);
    // toEye runs from the point to the eye (any length); normal is along the
    // normal (any length);
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
        px_[i] = py_[i] = 0, invz_[i] = 1, onRay_[i] = 0;
        return true;
    }
    // The picture's rays, for the add() below: the point at pixel centre
    // (px, py) with 1/z invz lies (base + perX px + perY py) / invz from the
    // eye, towards the eye. `longest` bounds the length of that sum over the
    // picture.
    void setRays(Vec3 base, Vec3 perX, Vec3 perY, double longest) {
        flush();
        rayBase_ = {static_cast<float>(base.x), static_cast<float>(base.y), static_cast<float>(base.z)};
        rayX_ = {static_cast<float>(perX.x), static_cast<float>(perX.y), static_cast<float>(perX.z)};
        rayY_ = {static_cast<float>(perY.x), static_cast<float>(perY.y), static_cast<float>(perY.z)};
        nearestInvz_ = static_cast<float>(longest / kFar);
    }
    // Whether a point at this 1/z, on any pixel's ray, lies near enough for
    // single precision.
    bool reaches(float invz) const { return invz > nearestInvz_; }
    // The 1/z every depth must be above to reach().
    float farthestReached() const { return nearestInvz_; }
    // A pixel given by its place and depth on the picture: its point is
    // worked out with the others', when the batch is lit. False (nothing
    // queued) when the point lies too far out for single precision.
    bool add(uint32_t* pixel, float px, float py, float invz, const std::array<float, 3>& normal,
             const std::array<float, 3>& base) {
        if (!reaches(invz)) return false;
        addOnRay(pixel, px, py, invz, normal, base);
        return true;
    }
    // add() for a pixel whose depth the caller knows reaches().
    void addOnRay(uint32_t* pixel, float px, float py, float invz, const std::array<float, 3>& normal,
                  const std::array<float, 3>& base) {
        if (count_ == kSize) flush();
        const int i = count_++;
        pixel_[i] = pixel;
        px_[i] = px, py_[i] = py, invz_[i] = invz, onRay_[i] = 1;
        ex_[i] = ey_[i] = ez_[i] = 0;  // weighed in at 0: kept a number
        nx_[i] = normal[0], ny_[i] = normal[1], nz_[i] = normal[2];
        r_[i] = base[0], g_[i] = base[1], b_[i] = base[2];
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

    // Lights and writes the first n pixels of the columns.
    KXR_WIDER_WHERE_AVAILABLE void lightQueued(int n);

    int count_ = 0;
    std::vector<LightF> lights_;  // empty: lit from the eye
    std::array<uint32_t*, kSize> pixel_{};
    Column ex_{}, ey_{}, ez_{}, nx_{}, ny_{}, nz_{}, r_{}, g_{}, b_{};
    // Pixels queued by their place (onRay 1), or with toEye (0).
    Column px_{}, py_{}, invz_{}, onRay_{};
    std::array<float, 3> rayBase_{}, rayX_{}, rayY_{};
    float nearestInvz_ = 0;
    // Working columns of flush().
    Column ux_{}, uy_{}, uz_{}, cr_{}, cg_{}, cb_{};
    std::array<int, kSize> packed_{};
};

}  // namespace kxr

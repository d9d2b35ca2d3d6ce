#include "pixel_lighting.h"

#include <algorithm>
#include <cmath>

#include "rasteriser.h"
#include "shading_terms.h"

namespace kxr {

namespace {

// 1/length, or 0 for a vector without a usable length (as normalised() gives).
inline float inverseLength(float x, float y, float z) {
    const float l2 = x * x + y * y + z * z;
    // Computed for every lane, chosen after: the loops stay free of branches.
    const float k = 1.0f / std::sqrt(std::min(std::max(l2, 1e-30f), 3e38f));
    return (l2 > 1e-30f && l2 < 3e38f) ? k : 0.0f;
}

// 0..1 to 0..255, rounded; below 0 (or not a number) 0, from 1 on 255.
inline int channel(float c) {
    const float clamped = c > 0 ? std::min(c, 1.0f) : 0.0f;
    return static_cast<int>(clamped * 255.0f + 0.5f);
}

}  // namespace

bool PixelLighting::setScene(Vec3 eye, const std::vector<Light>& lights) {
    flush();
    lights_.clear();
    for (const Light& l : lights) {
        const Vec3 rel = l.position - eye;
        if (!(std::fabs(rel.x) < kFar && std::fabs(rel.y) < kFar && std::fabs(rel.z) < kFar)) {
            lights_.clear();
            return false;
        }
        lights_.push_back({static_cast<float>(rel.x), static_cast<float>(rel.y), static_cast<float>(rel.z),
                           static_cast<float>(l.colour.x), static_cast<float>(l.colour.y),
                           static_cast<float>(l.colour.z), static_cast<float>(l.direction.x),
                           static_cast<float>(l.direction.y), static_cast<float>(l.direction.z), l.spot});
    }
    if (lights.empty()) lights_.push_back({0, 0, 0, 1, 1, 1, 0, 0, 0, false});  // the eye's own light
    return true;
}

void PixelLighting::flush() {
    const int n = count_;
    if (n == 0) return;
    count_ = 0;
    lightQueued(n);
}

KXR_WIDER_WHERE_AVAILABLE
void PixelLighting::lightQueued(int n) {
    const float ambient = static_cast<float>(kAmbient), diffuseShare = static_cast<float>(kDiffuse),
                specularShare = static_cast<float>(kSpecular);
    const float outer = static_cast<float>(kSpotOuter);
    const float ramp = static_cast<float>(1.0 / (kSpotInner - kSpotOuter));

    const std::array<float, 3> base = rayBase_, perX = rayX_, perY = rayY_;
    // A pixel queued by its place: the point on its ray at its depth. Worked
    // out for every pixel and weighed in, so that the loop has no branch.
    for (int i = 0; i < n; ++i) {
        const float z = 1.0f / invz_[i], px = px_[i], py = py_[i], ray = onRay_[i], given = 1.0f - ray;
        ex_[i] = ray * ((base[0] + perX[0] * px + perY[0] * py) * z) + given * ex_[i];
        ey_[i] = ray * ((base[1] + perX[1] * px + perY[1] * py) * z) + given * ey_[i];
        ez_[i] = ray * ((base[2] + perX[2] * px + perY[2] * py) * z) + given * ez_[i];
    }
    for (int i = 0; i < n; ++i) {
        const float unit = inverseLength(nx_[i], ny_[i], nz_[i]);
        nx_[i] *= unit, ny_[i] *= unit, nz_[i] *= unit;
    }
    for (int i = 0; i < n; ++i) {
        const float k = inverseLength(ex_[i], ey_[i], ez_[i]);
        ux_[i] = ex_[i] * k, uy_[i] = ey_[i] * k, uz_[i] = ez_[i] * k;
        // Meshes come with either winding: light the side that faces the eye.
        const float facing = nx_[i] * ux_[i] + ny_[i] * uy_[i] + nz_[i] * uz_[i] < 0 ? -1.0f : 1.0f;
        nx_[i] *= facing, ny_[i] *= facing, nz_[i] *= facing;
        cr_[i] = r_[i] * ambient, cg_[i] = g_[i] * ambient, cb_[i] = b_[i] * ambient;
    }
    for (const LightF& each : lights_) {
        // A copy: stores to the columns cannot then change the light.
        const LightF light = each;
        const float spot = light.spot ? 1.0f : 0.0f;
        for (int i = 0; i < n; ++i) {
            const float lx = light.x + ex_[i], ly = light.y + ey_[i], lz = light.z + ez_[i];
            const float k = inverseLength(lx, ly, lz);
            const float tx = lx * k, ty = ly * k, tz = lz * k;
            // A spot light is full inside the inner cone, dark outside the
            // outer, a ramp between.
            const float cosAngle = -(tx * light.dx + ty * light.dy + tz * light.dz);
            const float cone = std::min(1.0f, std::max(0.0f, (cosAngle - outer) * ramp));
            const float strength = spot * cone + (1.0f - spot);
            const float diffuse = nx_[i] * tx + ny_[i] * ty + nz_[i] * tz;
            const float hx = tx + ux_[i], hy = ty + uy_[i], hz = tz + uz_[i];
            const float h = inverseLength(hx, hy, hz);
            const float c = std::max(0.0f, (nx_[i] * hx + ny_[i] * hy + nz_[i] * hz) * h);
            const float specular = highlight(c) * specularShare;
            const float w = diffuse > 0 ? strength : 0.0f;
            cr_[i] += w * light.r * (r_[i] * diffuseShare * diffuse + specular);
            cg_[i] += w * light.g * (g_[i] * diffuseShare * diffuse + specular);
            cb_[i] += w * light.b * (b_[i] * diffuseShare * diffuse + specular);
        }
    }
    for (int i = 0; i < n; ++i) packed_[i] = (channel(cr_[i]) << 16) | (channel(cg_[i]) << 8) | channel(cb_[i]);
    for (int i = 0; i < n; ++i) *pixel_[i] = 0xFF000000u | static_cast<uint32_t>(packed_[i]);
}

}  // namespace kxr

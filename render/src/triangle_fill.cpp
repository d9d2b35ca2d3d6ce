// Filling one projected triangle: its pixels' depths first, a block of
// pixels at a time for small ones, then the shading of those in front.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "four_lanes.h"
#include "kxrender.h"
#include "raster_parts.h"
#include "shading_terms.h"

namespace kxr {

using namespace lanes;
using namespace raster;

void Rasteriser::fill(Corner (&p)[3], const Surface& surface, Face& face, const Pass& pass) {
    // The pixel centres the triangle's bounds hold, inside the camera's
    // picture; a triangle between centres ends here.
    const double left = std::max(viewX_, std::min({p[0].sx, p[1].sx, p[2].sx}));
    const double right = std::min(viewX_ + viewW_, std::max({p[0].sx, p[1].sx, p[2].sx}));
    const double top = std::max(viewY_, std::min({p[0].sy, p[1].sy, p[2].sy}));
    const double bottom = std::min(viewY_ + viewH_, std::max({p[0].sy, p[1].sy, p[2].sy}));
    if (!(left < right) || !(top < bottom)) return;
    // The bounds lie inside the target, so the values are small.
    const int x0 = std::max(0, ceilSmall(left - 0.5));
    const int x1 = std::min(width_ - 1, floorSmall(right - 0.5));
    const int y0 = std::max(0, ceilSmall(top - 0.5));
    const int y1 = std::min(height_ - 1, floorSmall(bottom - 0.5));
    if (x0 > x1 || y0 > y1) return;
    const double area = (p[1].sx - p[0].sx) * (p[2].sy - p[0].sy) - (p[2].sx - p[0].sx) * (p[1].sy - p[0].sy);
    if (!(std::fabs(area) > 1e-12)) return;
    const double inv = 1.0 / area;

    // Barycentric weights are linear across the picture: taken at the first
    // pixel centre, relative to it for precision, then stepped.
    const double px = x0 + 0.5, py = y0 + 0.5;
    const double w0 = ((p[1].sx - px) * (p[2].sy - py) - (p[2].sx - px) * (p[1].sy - py)) * inv;
    const double w1 = ((p[2].sx - px) * (p[0].sy - py) - (p[0].sx - px) * (p[2].sy - py)) * inv;
    const double w0x = (p[1].sy - p[2].sy) * inv, w0y = (p[2].sx - p[1].sx) * inv;
    const double w1x = (p[2].sy - p[0].sy) * inv, w1y = (p[0].sx - p[2].sx) * inv;
    const double dz0 = p[0].invz - p[2].invz, dz1 = p[1].invz - p[2].invz;

    if (x1 - x0 < kSmallColumns && y1 - y0 < kSmallRows) {
        const BlockWeights weights{static_cast<float>(w0),  static_cast<float>(w1),  static_cast<float>(w0x),
                                   static_cast<float>(w0y), static_cast<float>(w1x), static_cast<float>(w1y),
                                   static_cast<float>(p[2].invz), static_cast<float>(dz0), static_cast<float>(dz1)};
        fillBlock(p, weights, surface, face, pass, x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        return;
    }
    const int rowFrom = std::max(y0, pass.firstRow), rowTo = std::min(y1, pass.lastRow);
    if (rowFrom > rowTo) return;
    if (pass.touched) pass.touched->add(x0, rowFrom, x1, rowTo);
    // A long thin triangle's bounds are mostly empty: each row runs only
    // over the columns between its edges, widened by a hair against
    // rounding (the test at each centre decides). Where weight k is 0 on a
    // row moves by a fixed step from row to row.
    const double stepX[3] = {w0x, w1x, -w0x - w1x}, stepY[3] = {w0y, w1y, -w0y - w1y};
    const double first[3] = {w0, w1, 1.0 - w0 - w1};
    double zeroAt[3], zeroStep[3];
    for (int k = 0; k < 3; ++k) {
        zeroAt[k] = stepX[k] != 0 ? -first[k] / stepX[k] : 0.0;
        zeroStep[k] = stepX[k] != 0 ? -stepY[k] / stepX[k] : 0.0;
    }
    const double widest = x1 - x0;
    for (int y = rowFrom; y <= rowTo; ++y) {
        const double r0 = w0 + (y - y0) * w0y, r1 = w1 + (y - y0) * w1y;
        double lo = 0, hi = widest;
        for (int k = 0; k < 3; ++k) {
            const double at = zeroAt[k] + (y - y0) * zeroStep[k];
            const double hair = 1e-6 * (1.0 + std::fabs(at));
            if (stepX[k] > 0) lo = std::max(lo, at - hair);
            else if (stepX[k] < 0) hi = std::min(hi, at + hair);
        }
        if (!(lo <= hi)) continue;
        const int from = x0 + ceilSmall(lo), to = x0 + floorSmall(hi);
        float* depthRow = pass.depth + static_cast<size_t>(y) * width_;
        for (int x = from; x <= to; ++x) {
            // Worked out at each centre: the same test wherever the run starts.
            const double b0 = r0 + (x - x0) * w0x, b1 = r1 + (x - x0) * w1x;
            const double b2 = 1.0 - b0 - b1;
            // One test for the three edges.
            if (!(std::min(std::min(b0, b1), b2) >= 0)) continue;
            const double invz = p[2].invz + b0 * dz0 + b1 * dz1;
            // Compared as kept: a surface drawn again at the same depth loses.
            const float depth = static_cast<float>(invz);
            if (!(depth > depthRow[x])) continue;
            if (!face.usable()) return;
            depthRow[x] = depth;
            drawPixel(p, surface, face, pass, x, y, b0, b1, b2, invz);
        }
    }
}

uint32_t Rasteriser::coverBlock(const BlockWeights& w, const Pass& pass, int x0, int y0, int columns, int rows,
                                BlockDepths& found) const {
    const float* depthTop = pass.depth + static_cast<size_t>(y0) * width_ + x0;
    const int readFrom = pass.firstRow - y0, readTo = pass.lastRow - y0;
    // Every centre of the block tested at once; one bit a pixel, four a row.
    // The weights step down the rows; the depths found are kept for drawing.
    const Lanes column = {0, 1, 2, 3};
    Lanes b0 = w.w0 + column * w.w0x, b1 = w.w1 + column * w.w1x;
    Lanes invz = w.z2 + b0 * w.dz0 + b1 * w.dz1;
    const float invzDown = w.w0y * w.dz0 + w.w1y * w.dz1;
    uint32_t covered = 0;
    for (int r = 0; r < rows; ++r) {
        const Lanes b2 = 1.0f - b0 - b1;
        // Another thread's row is left alone; the sums still step past it.
        if (r >= readFrom && r <= readTo) {
            Lanes depth;
            std::memcpy(&depth, depthTop + static_cast<size_t>(r) * width_, sizeof depth);
            const LaneMask hit = (b0 >= 0) & (b1 >= 0) & (b2 >= 0) & (invz > depth);
            covered |= laneBits(hit) << (4 * r);
        }
        std::memcpy(found.data() + 4 * r, &invz, sizeof invz);
        b0 += w.w0y, b1 += w.w1y, invz += invzDown;
    }
    // The block's columns in each row's four bits.
    return covered & (0x11111111u * ((1u << columns) - 1));
}

void Rasteriser::fillBlock(Corner (&p)[3], const BlockWeights& w, const Surface& surface, Face& face,
                           const Pass& pass, int x0, int y0, int columns, int rows) {
    BlockDepths found;
    const uint32_t covered =
        coverBlock(w, pass, x0, y0, columns, rows, found);
    if (covered) drawBlock(p, w, covered, found, surface, face, pass, x0, y0);
}

void Rasteriser::drawPlainBlock(uint32_t covered, const BlockDepths& found, const std::array<float, 3>& normal,
                                const std::array<float, 3>& colour, const Pass& pass, int x0, int y0) {
    if (pass.touched) pass.touched->add(x0, y0, x0 + kSmallColumns - 1, y0 + ((31 - __builtin_clz(covered)) >> 2));
    for (; covered; covered &= covered - 1) {
        const int at = __builtin_ctz(covered);
        const int x = x0 + (at & 3), y = y0 + (at >> 2);
        const size_t i = static_cast<size_t>(y) * width_ + x;
        pass.depth[i] = found[at];
        pass.lighting->addOnRay(pass.colour + i, static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f,
                                found[at], normal, colour);
    }
}

void Rasteriser::drawSmoothBlock(uint32_t covered, const BlockDepths& found, const BlockWeights& w,
                                 const std::array<float, 3>& invz, const TriPolygon& t,
                                 const std::array<float, 3>& faceNormal, const std::array<float, 3>& colour,
                                 const Pass& pass, int x0, int y0) {
    if (pass.touched) pass.touched->add(x0, y0, x0 + kSmallColumns - 1, y0 + ((31 - __builtin_clz(covered)) >> 2));
    for (; covered; covered &= covered - 1) {
        const int at = __builtin_ctz(covered);
        const int c = at & 3, r = at >> 2;
        const int x = x0 + c, y = y0 + r;
        const float depth = found[at];
        const size_t i = static_cast<size_t>(y) * width_ + x;
        pass.depth[i] = depth;
        const float b0 = w.w0 + c * w.w0x + r * w.w0y, b1 = w.w1 + c * w.w1x + r * w.w1y;
        const float z = 1.0f / depth;
        const float a[3] = {b0 * invz[0] * z, b1 * invz[1] * z, (1.0f - b0 - b1) * invz[2] * z};
        std::array<float, 3> n{};
        for (int k = 0; k < 3; ++k) {
            n[0] += a[k] * t.normal[k].x;
            n[1] += a[k] * t.normal[k].y;
            n[2] += a[k] * t.normal[k].z;
        }
        const float l2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
        if (!(l2 > 1e-20f && l2 < 1e30f)) n = faceNormal;
        pass.lighting->addOnRay(pass.colour + i, static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, depth, n,
                                colour);
    }
}

void Rasteriser::drawBlock(Corner (&p)[3], const BlockWeights& w, uint32_t covered, const BlockDepths& found,
                           const Surface& surface, Face& face, const Pass& pass, int x0, int y0) {
    if (!face.usable()) return;
    if (pass.touched) pass.touched->add(x0, y0, x0 + kSmallColumns - 1, y0 + ((31 - __builtin_clz(covered)) >> 2));
    for (; covered; covered &= covered - 1) {
        const int at = __builtin_ctz(covered);
        const int c = at & 3, r = at >> 2;
        const float invz = found[at];
        const int x = x0 + c, y = y0 + r;
        pass.depth[static_cast<size_t>(y) * width_ + x] = invz;
        // The weights for the attributes, at the same centre.
        const float b0 = w.w0 + c * w.w0x + r * w.w0y, b1 = w.w1 + c * w.w1x + r * w.w1y;
        drawPixel(p, surface, face, pass, x, y, b0, b1, 1.0f - b0 - b1, invz);
    }
}

void Rasteriser::drawPixel(const Corner (&p)[3], const Surface& surface, Face& face, const Pass& pass, int x, int y,
                           double b0, double b1, double b2, double invz) {
    uint32_t* pixel = pass.colour + static_cast<size_t>(y) * width_ + x;
    // One colour and the face's normal: the batch finds the point from the
    // pixel's place and depth.
    if (face.flat && !surface.image.data && batched_ &&
        pass.lighting->add(pixel, static_cast<float>(x + 0.5), static_cast<float>(y + 0.5),
                           static_cast<float>(invz), face.normalF,
                           {static_cast<float>(surface.colour.x), static_cast<float>(surface.colour.y),
                            static_cast<float>(surface.colour.z)}))
        return;
    face.attributes();
    // Perspective-correct attributes.
    const double z = 1.0 / invz;
    const double a0 = b0 * p[0].invz * z, a1 = b1 * p[1].invz * z, a2 = b2 * p[2].invz * z;
    const Vec3 pos = p[0].position * a0 + p[1].position * a1 + p[2].position * a2;
    Vec3 normal = face.unit;
    if (!face.flat) {
        const Vec3 n = p[0].normal * a0 + p[1].normal * a1 + p[2].normal * a2;
        if (dot(n, n) > 1e-24) normal = normalised(n);
    }
    Vec3 base = surface.colour;
    if (surface.image.data) {
        const double u = p[0].u * a0 + p[1].u * a1 + p[2].u * a2;
        const double v = p[0].v * a0 + p[1].v * a1 + p[2].v * a2;
        base = sample(surface.image, u, v);
    }
    if (!batched_ || !pass.lighting->add(pixel, camera_.location - pos, normal, base)) {
        // Too far out for the batch: lit exactly, after whatever waits.
        pass.lighting->flush();
        *pixel = shade(pos, normal, base);
    }
}

uint32_t Rasteriser::shade(Vec3 position, Vec3 n, Vec3 base) const {
    const Vec3 toEye = normalised(camera_.location - position);
    // Meshes come with either winding: light the side that faces the eye.
    if (dot(n, toEye) < 0) n = n * -1.0;

    Vec3 c = base * kAmbient;
    auto addLight = [&](Vec3 toLight, Vec3 lightColour, double strength) {
        const double diffuse = dot(n, toLight);
        if (diffuse <= 0) return;
        const Vec3 half = normalised(toLight + toEye);
        const double specular = highlight(std::max(0.0, dot(n, half))) * kSpecular;
        c.x += strength * lightColour.x * (base.x * kDiffuse * diffuse + specular);
        c.y += strength * lightColour.y * (base.y * kDiffuse * diffuse + specular);
        c.z += strength * lightColour.z * (base.z * kDiffuse * diffuse + specular);
    };
    if (lights_.empty()) {
        addLight(toEye, {1, 1, 1}, 1.0);  // a scene without lights is lit from the eye
    } else {
        for (const Light& light : lights_) {
            const Vec3 toLight = normalised(light.position - position);
            double strength = 1.0;
            if (light.spot) {
                const double cosAngle = -dot(toLight, light.direction);
                if (cosAngle <= kSpotOuter) continue;
                if (cosAngle < kSpotInner) strength = (cosAngle - kSpotOuter) / (kSpotInner - kSpotOuter);
            }
            addLight(toLight, light.colour, strength);
        }
    }
    return pictureColour(c);
}

}  // namespace kxr

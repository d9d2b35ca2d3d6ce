// The plainest rasteriser worth the name, as a yardstick for the preview's:
// one triangle at a time, each corner moved into the camera's frame and
// divided by its depth, the face lit once when it covers a pixel (ambient and
// diffuse from one light, from either side), and every pixel centre of the triangle's box tested
// against its three edges, one after another, with a float depth buffer.
// Triangles reaching behind the eye are left out rather than cut.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kxcore.h"

namespace kxbench {

class NaiveHalfSpace {
public:
    NaiveHalfSpace(const CameraInfo& camera, int width, int height)
        : width_(width), height_(height), colour_(static_cast<size_t>(width) * height),
          depth_(static_cast<size_t>(width) * height) {
        location_ = camera.location;
        forward_ = unit(minus(camera.lookAt, camera.location));
        right_ = unit(cross(Point3d{0, 1, 0}, forward_));
        up_ = cross(forward_, right_);
        // The right vector's length spans the picture's width and the up
        // vector's (here 1) its height, on an image plane at the direction's length.
        const float rightLength = camera.rightDir.x != 0 ? std::fabs(camera.rightDir.x) : 1.33f;
        const float directionLength = camera.rightDir.z != 0 ? std::fabs(camera.rightDir.z) : 1.0f;
        scaleX_ = static_cast<float>(width) * directionLength / rightLength;
        scaleY_ = static_cast<float>(height) * directionLength;
    }

    // Draws the triangles in one colour (0xRRGGBB) lit from `light`; returns
    // the pixels written.
    uint64_t draw(const TriPolygon* triangles, size_t n, uint32_t rgb, const Point3d& light) {
        std::fill(colour_.begin(), colour_.end(), 0u);
        std::fill(depth_.begin(), depth_.end(), 0.0f);
        const float base[3] = {static_cast<float>(rgb >> 16 & 0xFF), static_cast<float>(rgb >> 8 & 0xFF),
                               static_cast<float>(rgb & 0xFF)};
        uint64_t written = 0;
        for (size_t t = 0; t < n; ++t) {
            const Point3d* v = triangles[t].vertex;
            float sx[3], sy[3], invz[3];
            bool inFront = true;
            for (int k = 0; k < 3; ++k) {
                const Point3d d = minus(v[k], location_);
                const float z = dot(d, forward_);
                if (!(z > 1e-3f)) inFront = false;
                invz[k] = 1.0f / z;
                sx[k] = 0.5f * static_cast<float>(width_) + dot(d, right_) * invz[k] * scaleX_;
                sy[k] = 0.5f * static_cast<float>(height_) - dot(d, up_) * invz[k] * scaleY_;
            }
            if (!inFront) continue;
            const float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
            if (std::fabs(area) < 1e-12f) continue;
            // Pixel centres within the box, the box first clamped to the picture.
            auto first = [](float lo, int size) {
                const float v = std::clamp(lo - 0.5f, -1.0f, static_cast<float>(size));
                const int i = static_cast<int>(v);
                return std::max(0, static_cast<float>(i) < v ? i + 1 : i);
            };
            auto last = [](float hi, int size) {
                const float v = std::clamp(hi - 0.5f, -1.0f, static_cast<float>(size));
                const int i = static_cast<int>(v);
                return std::min(size - 1, static_cast<float>(i) > v ? i - 1 : i);
            };
            const int x0 = first(std::min({sx[0], sx[1], sx[2]}), width_);
            const int x1 = last(std::max({sx[0], sx[1], sx[2]}), width_);
            const int y0 = first(std::min({sy[0], sy[1], sy[2]}), height_);
            const int y1 = last(std::max({sy[0], sy[1], sy[2]}), height_);
            if (x0 > x1 || y0 > y1) continue;
            uint32_t shade = 0;
            const float inv = 1.0f / area;
            for (int y = y0; y <= y1; ++y) {
                const float py = static_cast<float>(y) + 0.5f;
                for (int x = x0; x <= x1; ++x) {
                    const float px = static_cast<float>(x) + 0.5f;
                    const float w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) * inv;
                    const float w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) * inv;
                    const float w2 = 1.0f - w0 - w1;
                    if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                    const float z = w0 * invz[0] + w1 * invz[1] + w2 * invz[2];
                    const size_t at = static_cast<size_t>(y) * width_ + x;
                    if (z <= depth_[at]) continue;
                    if (!shade) shade = light_(v, base, light);
                    depth_[at] = z;
                    colour_[at] = shade;
                    ++written;
                }
            }
        }
        return written;
    }

private:
    static Point3d minus(const Point3d& a, const Point3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    static float dot(const Point3d& a, const Point3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static Point3d cross(const Point3d& a, const Point3d& b) {
        return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    static Point3d unit(const Point3d& a) {
        const float l = std::sqrt(dot(a, a));
        return l > 0 ? Point3d{a.x / l, a.y / l, a.z / l} : a;
    }

    // The face's colour (never 0: alpha is set): ambient and diffuse from
    // either side, towards the light from the face's centre.
    uint32_t light_(const Point3d* v, const float base[3], const Point3d& light) const {
        const Point3d normal = unit(cross(minus(v[1], v[0]), minus(v[2], v[0])));
        const Point3d centre{(v[0].x + v[1].x + v[2].x) / 3, (v[0].y + v[1].y + v[2].y) / 3,
                             (v[0].z + v[1].z + v[2].z) / 3};
        const float diffuse = std::fabs(dot(normal, unit(minus(light, centre))));
        uint32_t out = 0xFF000000u;
        for (int c = 0; c < 3; ++c) out |= static_cast<uint32_t>(base[c] * (0.2f + 0.8f * diffuse)) << (16 - 8 * c);
        return out;
    }

    int width_, height_;
    std::vector<uint32_t> colour_;
    std::vector<float> depth_;
    Point3d location_{}, forward_{}, right_{}, up_{};
    float scaleX_ = 1, scaleY_ = 1;
};

}  // namespace kxbench

#include "rasteriser.h"

#include <algorithm>
#include <cmath>

#include "kxrender.h"

namespace kxr {

namespace {

// Points closer than this (in direction lengths) are cut away: nothing at or
// behind the eye reaches the projection.
constexpr double kNear = 1e-3;
constexpr double kAmbient = 0.2;
constexpr double kDiffuse = 0.8;
constexpr double kSpecular = 0.35;
// The highlight's sharpness: the cosine to the 24th power, by squaring.
inline double highlight(double c) {
    const double c3 = c * c * c, c6 = c3 * c3, c12 = c6 * c6;
    return c12 * c12;
}
// A spot light is full inside the first angle and dark beyond the second.
const double kSpotInner = std::cos(30.0 * M_PI / 180.0);
const double kSpotOuter = std::cos(45.0 * M_PI / 180.0);
// Pictures wider or taller than this are refused.
constexpr int kMaxSide = 8192;

struct ClipVertex {
    Vec3 cam;
    Vertex v;
};

ClipVertex lerp(const ClipVertex& a, const ClipVertex& b, double t) {
    ClipVertex r;
    r.cam = a.cam + (b.cam - a.cam) * t;
    r.v.position = a.v.position + (b.v.position - a.v.position) * t;
    r.v.normal = a.v.normal + (b.v.normal - a.v.normal) * t;
    r.v.u = a.v.u + (b.v.u - a.v.u) * t;
    r.v.v = a.v.v + (b.v.v - a.v.v) * t;
    return r;
}

uint8_t channel(double c) {
    if (!(c > 0)) return 0;
    if (c >= 1) return 255;
    return static_cast<uint8_t>(c * 255.0 + 0.5);
}

Vec3 sample(const ImageMap& map, double u, double v) {
    u -= std::floor(u);
    v -= std::floor(v);
    if (!std::isfinite(u) || !std::isfinite(v)) return {};
    // v runs up the picture; rows are stored top first.
    int x = std::clamp(static_cast<int>(u * map.width), 0, map.width - 1);
    int y = std::clamp(static_cast<int>((1.0 - v) * map.height), 0, map.height - 1);
    const unsigned char* p = map.data + (static_cast<size_t>(y) * map.width + x) * 3;
    return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
}

}  // namespace

struct Rasteriser::Projected {
    double sx, sy, invz;
    Vertex v;
};

void Rasteriser::begin(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) width = height = 0;
    width_ = width;
    height_ = height;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    colour_.assign(n, KXRENDER_BACKGROUND);
    depth_.assign(n, 0.0f);
}

void Rasteriser::drawTriangle(const Vertex (&v)[3], const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0) return;
    for (const Vertex& x : v)
        if (!finite(x.position)) return;
    const Vec3 faceNormal = cross(v[1].position - v[0].position, v[2].position - v[0].position);
    if (!(length(faceNormal) > 0) || !finite(faceNormal)) return;  // degenerate

    // Keep the picture at the camera's aspect, centred in the target.
    const double targetAspect = static_cast<double>(width_) / height_;
    viewW_ = width_;
    viewH_ = height_;
    if (targetAspect > camera_.aspect) viewW_ = height_ * camera_.aspect;
    else viewH_ = width_ / camera_.aspect;
    viewX_ = (width_ - viewW_) * 0.5;
    viewY_ = (height_ - viewH_) * 0.5;

    // Cut at the near plane: up to four corners remain.
    ClipVertex in[3];
    for (int i = 0; i < 3; ++i) in[i] = {camera_.toCamera(v[i].position), v[i]};
    ClipVertex out[4];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % 3];
        const bool aIn = a.cam.z >= kNear, bIn = b.cam.z >= kNear;
        if (aIn) out[n++] = a;
        if (aIn != bIn) out[n++] = lerp(a, b, (kNear - a.cam.z) / (b.cam.z - a.cam.z));
    }
    if (n < 3) return;

    Projected p[4];
    for (int i = 0; i < n; ++i) {
        const double invz = 1.0 / out[i].cam.z;
        p[i].sx = viewX_ + (out[i].cam.x * invz + 0.5) * viewW_;
        p[i].sy = viewY_ + (0.5 - out[i].cam.y * invz) * viewH_;
        p[i].invz = invz;
        p[i].v = out[i].v;
        if (!std::isfinite(p[i].sx) || !std::isfinite(p[i].sy)) return;
    }
    fill({p[0], p[1], p[2]}, surface, faceNormal);
    if (n == 4) fill({p[0], p[2], p[3]}, surface, faceNormal);
}

void Rasteriser::fill(const Projected (&p)[3], const Surface& surface, Vec3 faceNormal) {
    const double area = (p[1].sx - p[0].sx) * (p[2].sy - p[0].sy) - (p[2].sx - p[0].sx) * (p[1].sy - p[0].sy);
    if (!(std::fabs(area) > 1e-12)) return;
    const double left = std::max({viewX_, std::min({p[0].sx, p[1].sx, p[2].sx})});
    const double right = std::min({viewX_ + viewW_, std::max({p[0].sx, p[1].sx, p[2].sx})});
    const double top = std::max({viewY_, std::min({p[0].sy, p[1].sy, p[2].sy})});
    const double bottom = std::min({viewY_ + viewH_, std::max({p[0].sy, p[1].sy, p[2].sy})});
    if (!(left < right) || !(top < bottom)) return;
    const int x0 = std::max(0, static_cast<int>(std::floor(left)));
    const int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(right)));
    const int y0 = std::max(0, static_cast<int>(std::floor(top)));
    const int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(bottom)));
    const double inv = 1.0 / area;

    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        if (py < viewY_ || py > viewY_ + viewH_) continue;
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5;
            if (px < viewX_ || px > viewX_ + viewW_) continue;
            // Barycentric weights from the three edge functions.
            double b0 = ((p[1].sx - px) * (p[2].sy - py) - (p[2].sx - px) * (p[1].sy - py)) * inv;
            double b1 = ((p[2].sx - px) * (p[0].sy - py) - (p[0].sx - px) * (p[2].sy - py)) * inv;
            double b2 = 1.0 - b0 - b1;
            if (b0 < 0 || b1 < 0 || b2 < 0) continue;
            const double invz = b0 * p[0].invz + b1 * p[1].invz + b2 * p[2].invz;
            const size_t at = static_cast<size_t>(y) * width_ + x;
            if (!(invz > depth_[at])) continue;
            depth_[at] = static_cast<float>(invz);
            // Perspective-correct attributes.
            const double w0 = b0 * p[0].invz / invz, w1 = b1 * p[1].invz / invz, w2 = b2 * p[2].invz / invz;
            const Vec3 pos = p[0].v.position * w0 + p[1].v.position * w1 + p[2].v.position * w2;
            Vec3 normal = p[0].v.normal * w0 + p[1].v.normal * w1 + p[2].v.normal * w2;
            if (!(length(normal) > 1e-12)) normal = faceNormal;
            const double u = p[0].v.u * w0 + p[1].v.u * w1 + p[2].v.u * w2;
            const double v = p[0].v.v * w0 + p[1].v.v * w1 + p[2].v.v * w2;
            colour_[at] = shade(pos, normal, u, v, surface);
        }
    }
}

uint32_t Rasteriser::shade(Vec3 position, Vec3 normal, double u, double v, const Surface& surface) const {
    Vec3 base = surface.image.data ? sample(surface.image, u, v) : surface.colour;
    Vec3 n = normalised(normal);
    const Vec3 toEye = normalised(camera_.location - position);
    // Meshes come with either winding: light the side that faces the eye.
    if (dot(n, toEye) < 0) n = n * -1.0;

    Vec3 c = base * kAmbient;
    auto addLight = [&](Vec3 lightPos, Vec3 lightColour, double strength) {
        const Vec3 toLight = normalised(lightPos - position);
        const double diffuse = dot(n, toLight);
        if (diffuse <= 0) return;
        const Vec3 half = normalised(toLight + toEye);
        const double specular = highlight(std::max(0.0, dot(n, half))) * kSpecular;
        c.x += strength * lightColour.x * (base.x * kDiffuse * diffuse + specular);
        c.y += strength * lightColour.y * (base.y * kDiffuse * diffuse + specular);
        c.z += strength * lightColour.z * (base.z * kDiffuse * diffuse + specular);
    };
    if (lights_.empty()) {
        addLight(camera_.location, {1, 1, 1}, 1.0);  // a scene without lights is lit from the eye
    } else {
        for (const Light& light : lights_) {
            double strength = 1.0;
            if (light.spot) {
                const double cosAngle = dot(normalised(position - light.position), light.direction);
                if (cosAngle <= kSpotOuter) continue;
                if (cosAngle < kSpotInner) strength = (cosAngle - kSpotOuter) / (kSpotInner - kSpotOuter);
            }
            addLight(light.position, light.colour, strength);
        }
    }
    return 0xFF000000u | (uint32_t{channel(c.x)} << 16) | (uint32_t{channel(c.y)} << 8) | channel(c.z);
}

}  // namespace kxr

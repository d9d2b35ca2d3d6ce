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

// Rounding of a small in-range value without a library call per triangle.
inline int floorSmall(double a) {
    const int t = static_cast<int>(a);
    return t - (t > a);
}
inline int ceilSmall(double a) {
    const int t = static_cast<int>(a);
    return t + (t < a);
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
    const Vertex* v;  // outlives the fill that reads it
};

void Rasteriser::begin(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) width = height = 0;
    width_ = width;
    height_ = height;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    colour_.assign(n, KXRENDER_BACKGROUND);
    depth_.assign(n, 0.0f);
    updateView();
}

void Rasteriser::updateView() {
    // Keep the picture at the camera's aspect, centred in the target.
    viewW_ = width_;
    viewH_ = height_;
    if (height_ > 0) {
        const double targetAspect = static_cast<double>(width_) / height_;
        if (targetAspect > camera_.aspect) viewW_ = height_ * camera_.aspect;
        else viewH_ = width_ / camera_.aspect;
    }
    viewX_ = (width_ - viewW_) * 0.5;
    viewY_ = (height_ - viewH_) * 0.5;
}

bool Rasteriser::project(const Vec3& cam, const Vertex& v, Projected& p) const {
    const double invz = 1.0 / cam.z;
    p.sx = viewX_ + (cam.x * invz + 0.5) * viewW_;
    p.sy = viewY_ + (0.5 - cam.y * invz) * viewH_;
    p.invz = invz;
    p.v = &v;
    return std::isfinite(p.sx) && std::isfinite(p.sy);
}

void Rasteriser::drawTriangle(const Vertex (&v)[3], const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0) return;
    for (const Vertex& x : v)
        if (!finite(x.position)) return;
    const Vec3 faceNormal = cross(v[1].position - v[0].position, v[2].position - v[0].position);
    if (!(dot(faceNormal, faceNormal) > 0) || !finite(faceNormal)) return;  // degenerate

    const Vec3 cam[3] = {camera_.toCamera(v[0].position), camera_.toCamera(v[1].position),
                         camera_.toCamera(v[2].position)};
    if (cam[0].z >= kNear && cam[1].z >= kNear && cam[2].z >= kNear) {
        // Wholly in front of the near plane: nothing to cut.
        Projected p[3];
        for (int i = 0; i < 3; ++i)
            if (!project(cam[i], v[i], p[i])) return;
        fill(p, surface, faceNormal);
        return;
    }

    // Cut at the near plane: up to four corners remain.
    ClipVertex in[3];
    for (int i = 0; i < 3; ++i) in[i] = {cam[i], v[i]};
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
    for (int i = 0; i < n; ++i)
        if (!project(out[i].cam, out[i].v, p[i])) return;
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
    // Only pixels whose centres lie inside the (view-clipped) bounds can be
    // covered; a triangle between centres is dropped here.
    // The bounds lie inside the target, so the values are small.
    const int x0 = std::max(0, ceilSmall(left - 0.5));
    const int x1 = std::min(width_ - 1, floorSmall(right - 0.5));
    const int y0 = std::max(0, ceilSmall(top - 0.5));
    const int y1 = std::min(height_ - 1, floorSmall(bottom - 0.5));
    if (x0 > x1 || y0 > y1) return;
    const double inv = 1.0 / area;
    const bool textured = surface.image.data != nullptr;

    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5;
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
            const double z = 1.0 / invz;
            const double w0 = b0 * p[0].invz * z, w1 = b1 * p[1].invz * z, w2 = b2 * p[2].invz * z;
            const Vec3 pos = p[0].v->position * w0 + p[1].v->position * w1 + p[2].v->position * w2;
            Vec3 normal = p[0].v->normal * w0 + p[1].v->normal * w1 + p[2].v->normal * w2;
            if (!(dot(normal, normal) > 1e-24)) normal = faceNormal;
            // Image coordinates matter only when there is an image to sample.
            double u = 0, v = 0;
            if (textured) {
                u = p[0].v->u * w0 + p[1].v->u * w1 + p[2].v->u * w2;
                v = p[0].v->v * w0 + p[1].v->v * w1 + p[2].v->v * w2;
            }
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

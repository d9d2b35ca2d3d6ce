#include "rasteriser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <system_error>
#include <thread>

#include "kxrender.h"
#include "shading_terms.h"

namespace kxr {

namespace {

// Points closer than this (in direction lengths) are cut away: nothing at or
// behind the eye reaches the projection.
constexpr double kNear = 1e-3;
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

// A corner on the picture, with what is interpolated across the triangle.
struct Rasteriser::Corner {
    double sx, sy, invz;
    Vec3 position;
    Vec3 normal;
    double u, v;
};

// The normal of the triangle as given (before any cut), worked out only when
// one of its pixels is about to be drawn: most triangles of a dense mesh cover
// no pixel centre at all.
struct Rasteriser::Face {
    const Vec3* corner[3];  // outlive the drawing of the triangle
    bool flat;              // no corner brings a normal of its own
    int state = 0;          // 0 not yet known, 1 known, -1 degenerate: nothing is drawn
    Vec3 unit{};

    bool usable() {
        if (state == 0) {
            const Vec3 n = cross(*corner[1] - *corner[0], *corner[2] - *corner[0]);
            state = (dot(n, n) > 0 && finite(n)) ? 1 : -1;
            unit = normalised(n);
        }
        return state > 0;
    }
};

void Rasteriser::begin(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) width = height = 0;
    width_ = width;
    height_ = height;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    // Same size as the last picture: the buffers are refilled, not reallocated.
    colour_.resize(n);
    depth_.resize(n);
    std::fill(colour_.begin(), colour_.end(), KXRENDER_BACKGROUND);
    std::fill(depth_.begin(), depth_.end(), 0.0f);
    batch_.discard();
    updateView();
}

void Rasteriser::sceneChanged() {
    batched_ = batch_.setScene(camera_.location, lights_);
    for (auto& l : bandLighting_) l->setScene(camera_.location, lights_);
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

bool Rasteriser::project(const Vec3& cam, const Vertex& v, Corner& p) const {
    const double invz = 1.0 / cam.z;
    p.sx = viewX_ + (cam.x * invz + 0.5) * viewW_;
    p.sy = viewY_ + (0.5 - cam.y * invz) * viewH_;
    p.invz = invz;
    p.position = v.position;
    p.normal = v.normal;
    p.u = v.u;
    p.v = v.v;
    return std::isfinite(p.sx) && std::isfinite(p.sy);
}

namespace {
inline bool isZero(const Vec3& a) { return a.x == 0 && a.y == 0 && a.z == 0; }
inline Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }
inline bool finite(const Point3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
}  // namespace

void Rasteriser::drawTriangle(const Vertex (&v)[3], const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0) return;
    for (const Vertex& x : v)
        if (!finite(x.position)) return;
    Face face{{&v[0].position, &v[1].position, &v[2].position},
              isZero(v[0].normal) && isZero(v[1].normal) && isZero(v[2].normal)};
    const Vec3 cam[3] = {camera_.toCamera(v[0].position), camera_.toCamera(v[1].position),
                         camera_.toCamera(v[2].position)};
    if (cam[0].z >= kNear && cam[1].z >= kNear && cam[2].z >= kNear) {
        // Wholly in front of the near plane: nothing to cut.
        Corner p[3];
        for (int i = 0; i < 3; ++i)
            if (!project(cam[i], v[i], p[i])) return;
        fill(p, surface, face, wholePicture());
        return;
    }
    drawCut(v, cam, surface, face, wholePicture());
}

void Rasteriser::drawCut(const Vertex (&v)[3], const Vec3 (&cam)[3], const Surface& surface, Face& face,
                         const Band& band) {
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

    Corner p[4];
    for (int i = 0; i < n; ++i)
        if (!project(out[i].cam, out[i].v, p[i])) return;
    fill({p[0], p[1], p[2]}, surface, face, band);
    if (n == 4) fill({p[0], p[2], p[3]}, surface, face, band);
}

namespace {
// Below this many triangles a second thread costs more than it saves.
constexpr size_t kTrianglesForThreads = 8192;
constexpr int kMostBands = 8;
}  // namespace

void Rasteriser::drawMesh(const TriPolygon* triangles, size_t n, const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0 || !triangles) return;
    const int bands = std::min({threads_, kMostBands, height_ / 16});
    if (bands > 1 && n >= kTrianglesForThreads) {
        try {
            while (bandLighting_.size() < static_cast<size_t>(bands - 1)) {
                bandLighting_.push_back(std::make_unique<PixelLighting>());
                bandLighting_.back()->setScene(camera_.location, lights_);
            }
        } catch (const std::bad_alloc&) {
            drawMeshBand(triangles, n, surface, wholePicture());
            return;
        }
        drawMeshInBands(triangles, n, surface, bands);
        return;
    }
    drawMeshBand(triangles, n, surface, wholePicture());
}

void Rasteriser::drawMeshInBands(const TriPolygon* triangles, size_t n, const Surface& surface, int bands) {
    // Each thread draws every triangle into its own rows, lit by its own
    // batch: no pixel is written by two threads.
    batch_.flush();
    std::array<Band, kMostBands> parts{};
    for (int b = 0; b < bands; ++b)
        parts[b] = {height_ * b / bands, height_ * (b + 1) / bands - 1, b == 0 ? &batch_ : bandLighting_[b - 1].get()};
    std::array<std::thread, kMostBands> helpers;
    int started = 1;
    try {
        for (; started < bands; ++started)
            helpers[started] = std::thread([this, triangles, n, &surface, band = parts[started]] {
                drawMeshBand(triangles, n, surface, band);
                band.lighting->flush();
            });
    } catch (const std::system_error&) {
        // No more threads: the calling thread draws the remaining bands.
    }
    drawMeshBand(triangles, n, surface, parts[0]);
    for (int b = started; b < bands; ++b) {
        drawMeshBand(triangles, n, surface, parts[b]);
        parts[b].lighting->flush();
    }
    for (std::thread& t : helpers)
        if (t.joinable()) t.join();
}

void Rasteriser::drawMeshBand(const TriPolygon* triangles, size_t n, const Surface& surface, const Band& band) {
    // The camera and the picture's placement folded into a few constants.
    const CameraSpace& cs = camera_;
    const double ox = viewX_ + 0.5 * viewW_, oy = viewY_ + 0.5 * viewH_;
    for (size_t i = 0; i < n; ++i) {
        const TriPolygon& t = triangles[i];
        if (!finite(t.vertex[0]) || !finite(t.vertex[1]) || !finite(t.vertex[2])) continue;
        Vec3 cam[3];
        for (int k = 0; k < 3; ++k) cam[k] = cs.toCamera(vec(t.vertex[k]));
        if (!(cam[0].z >= kNear && cam[1].z >= kNear && cam[2].z >= kNear)) {
            // Reaches behind the near plane (or is not a number): the general path cuts it.
            Vertex v[3];
            for (int k = 0; k < 3; ++k) {
                v[k].position = vec(t.vertex[k]);
                v[k].normal = vec(t.normal[k]);
            }
            Face face{{&v[0].position, &v[1].position, &v[2].position},
                      isZero(v[0].normal) && isZero(v[1].normal) && isZero(v[2].normal)};
            drawCut(v, cam, surface, face, band);
            continue;
        }
        Corner p[3];
        bool onPicture = true;
        for (int k = 0; k < 3; ++k) {
            const double invz = 1.0 / cam[k].z;
            p[k].sx = ox + cam[k].x * invz * viewW_;
            p[k].sy = oy - cam[k].y * invz * viewH_;
            p[k].invz = invz;
            onPicture = onPicture && std::isfinite(p[k].sx) && std::isfinite(p[k].sy);
        }
        if (!onPicture) continue;
        // Most triangles of a dense mesh hold no pixel centre: leave before
        // anything else is read.
        const double top = std::min({p[0].sy, p[1].sy, p[2].sy}), bottom = std::max({p[0].sy, p[1].sy, p[2].sy});
        if (std::min(band.bottom, floorSmall(std::min(bottom, 1e9) - 0.5)) <
            std::max(band.top, ceilSmall(std::max(top, -1e9) - 0.5)))
            continue;
        const double left = std::min({p[0].sx, p[1].sx, p[2].sx}), right = std::max({p[0].sx, p[1].sx, p[2].sx});
        if (floorSmall(std::min(right, 1e9) - 0.5) < ceilSmall(std::max(left, -1e9) - 0.5)) continue;
        // Written in place: copies of these small records stall on the way
        // through memory.
        for (int k = 0; k < 3; ++k) {
            p[k].position = vec(t.vertex[k]);
            p[k].normal = vec(t.normal[k]);
            p[k].u = p[k].v = 0;
        }
        Face face{{&p[0].position, &p[1].position, &p[2].position},
                  isZero(p[0].normal) && isZero(p[1].normal) && isZero(p[2].normal)};
        fill(p, surface, face, band);
    }
}

void Rasteriser::fill(const Corner (&p)[3], const Surface& surface, Face& face, const Band& band) {
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
    const int y0 = std::max(band.top, ceilSmall(top - 0.5));
    const int y1 = std::min(band.bottom, floorSmall(bottom - 0.5));
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

    const bool textured = surface.image.data != nullptr;

    for (int y = y0; y <= y1; ++y) {
        double b0 = w0 + (y - y0) * w0y, b1 = w1 + (y - y0) * w1y;
        uint32_t* colourRow = colour_.data() + static_cast<size_t>(y) * width_;
        float* depthRow = depth_.data() + static_cast<size_t>(y) * width_;
        for (int x = x0; x <= x1; ++x, b0 += w0x, b1 += w1x) {
            const double b2 = 1.0 - b0 - b1;
            // One test for the three edges.
            if (!(std::min(std::min(b0, b1), b2) >= 0)) continue;
            const double invz = p[2].invz + b0 * dz0 + b1 * dz1;
            if (!(invz > depthRow[x])) continue;
            if (!face.usable()) return;
            depthRow[x] = static_cast<float>(invz);
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
            if (textured) {
                const double u = p[0].u * a0 + p[1].u * a1 + p[2].u * a2;
                const double v = p[0].v * a0 + p[1].v * a1 + p[2].v * a2;
                base = sample(surface.image, u, v);
            }
            if (!batched_ || !band.lighting->add(colourRow + x, camera_.location - pos, normal, base)) {
                // Too far out for the batch: lit exactly, after whatever waits.
                band.lighting->flush();
                colourRow[x] = shade(pos, normal, base);
            }
        }
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
    return 0xFF000000u | (uint32_t{channel(c.x)} << 16) | (uint32_t{channel(c.y)} << 8) | channel(c.z);
}

}  // namespace kxr

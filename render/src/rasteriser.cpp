#include "rasteriser.h"
#include "thread_team.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>


#include "four_lanes.h"
#include "lane_groups.h"
#include "kxrender.h"
#include "shading_terms.h"

namespace kxr {

using namespace lanes;

namespace {

// Pictures wider or taller than this are refused.
constexpr int kMaxSide = 8192;
// Depths kept past the picture's last pixel.
constexpr size_t kDepthSlack = 4;
// Triangles whose pixel centres lie within this many columns and rows are
// tested a block at a time (at most 32 pixels: one bit each).
constexpr int kSmallColumns = 4;
constexpr int kSmallRows = 8;
static_assert(std::tuple_size_v<BlockDepths> == kSmallColumns * kSmallRows);
// How many triangles ahead of the ones being drawn the mesh is read.
constexpr size_t kPrefetchAhead = 64;

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


inline bool isZero(const Vec3& a) { return a.x == 0 && a.y == 0 && a.z == 0; }
inline bool isZero(const Point3d& a) { return a.x == 0 && a.y == 0 && a.z == 0; }
inline bool hasNormals(const TriPolygon& t) {
    return !isZero(t.normal[0]) || !isZero(t.normal[1]) || !isZero(t.normal[2]);
}
inline Vec3 vec(const Point3d& p) { return {p.x, p.y, p.z}; }
inline bool finite(const Point3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
}  // namespace

// A corner on the picture, with what is interpolated across the triangle.
struct Rasteriser::Corner {
    double sx, sy, invz;
    Vec3 position;
    Vec3 normal;
    double u, v;
};

// The normal of the triangle as given (before any cut), worked out only when
// one of its pixels is about to be drawn: many triangles of a dense mesh
// cover no pixel centre at all. A mesh's triangle brings its corners' positions and
// normals into the corners only when a pixel needs them.
struct Rasteriser::Face {
    const Vec3* corner[3];  // outlive the drawing of the triangle
    bool flat;              // no corner brings a normal of its own
    const TriPolygon* source = nullptr;  // read into `into` when first needed
    Corner* into = nullptr;
    int state = 0;          // 0 not yet known, 1 known, -1 degenerate: nothing is drawn
    Vec3 unit{};                      // set by attributes() for a mesh's triangle
    std::array<float, 3> normalF{};  // along the normal, of any length
    bool normalKnown = false;         // normalF was given with the corners

    bool usable() {
        if (state == 0) {
            if (source) {
                const Point3d* v = source->vertex;
                flat = !hasNormals(*source);
                if (normalKnown) {
                    state = 1;
                    return true;
                }
                const float ax = v[1].x - v[0].x, ay = v[1].y - v[0].y, az = v[1].z - v[0].z;
                const float bx = v[2].x - v[0].x, by = v[2].y - v[0].y, bz = v[2].z - v[0].z;
                // Left at its length, the lighting batch makes it a unit
                // vector; one too short or too long for single precision is
                // made one here, from the corners in double precision.
                normalF = {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
                const Vec3 n{normalF[0], normalF[1], normalF[2]};
                const double l2 = dot(n, n);
                if (!(l2 > 1e-20 && l2 < 1e30)) {
                    const Vec3 p0 = vec(v[0]);
                    const Vec3 exact = normalised(cross(vec(v[1]) - p0, vec(v[2]) - p0));
                    normalF = {static_cast<float>(exact.x), static_cast<float>(exact.y), static_cast<float>(exact.z)};
                    state = dot(exact, exact) > 0 ? 1 : -1;
                } else {
                    state = 1;
                }
            } else {
                const Vec3 n = cross(*corner[1] - *corner[0], *corner[2] - *corner[0]);
                state = (dot(n, n) > 0 && finite(n)) ? 1 : -1;
                unit = normalised(n);
                normalF = {static_cast<float>(unit.x), static_cast<float>(unit.y), static_cast<float>(unit.z)};
            }
        }
        return state > 0;
    }

    // The corners' positions, normals and map coordinates, for a pixel that
    // needs more than its depth.
    void attributes() {
        if (!source) return;
        for (int k = 0; k < 3; ++k) {
            const Point3d& v = source->vertex[k];
            const Point3d& n = source->normal[k];
            into[k].position = vec(v);
            into[k].normal = vec(n);
            into[k].u = into[k].v = 0;
        }
        unit = normalised({normalF[0], normalF[1], normalF[2]});
        source = nullptr;
    }
};

void Rasteriser::begin(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) width = height = 0;
    width_ = width;
    height_ = height;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    // Same size as the last picture: the buffers are refilled, not reallocated.
    colour_.resize(n);
    // Room past the last pixel: the small-triangle filler reads a row's
    // depths four at a time.
    depth_.resize(n + kDepthSlack);
    std::fill(colour_.begin(), colour_.end(), KXRENDER_BACKGROUND);
    std::fill(depth_.begin(), depth_.end(), 0.0f);
    batch_.discard();
    markers_.clear();
    built_.clear();
    waiting_.clear();
    waitingTriangles_ = 0;
    updateView();
}

void Rasteriser::sceneChanged() {
    // What waits is drawn with the camera and lights it came with.
    drawWaiting();
    batched_ = batch_.setScene(camera_.location, lights_);
    for (Layer& l : layers_) l.lighting->setScene(camera_.location, lights_);
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
    aimRays();
}

void Rasteriser::aimRays() {
    // From the eye a pixel centre (px, py) at depth z lies z times
    // ((px - ox) / w) R + ((oy - py) / h) U + F, where R, U and F are the
    // vectors the camera's dot products measure along.
    auto along = [](Vec3 a) { return a * (1.0 / dot(a, a)); };
    if (!camera_.valid || !(viewW_ > 0) || !(viewH_ > 0)) return;
    const Vec3 r = along(camera_.right), u = along(camera_.up), f = along(camera_.forward);
    const double ox = viewX_ + 0.5 * viewW_, oy = viewY_ + 0.5 * viewH_;
    // Towards the eye, times 1/z.
    const Vec3 perX = r * (-1.0 / viewW_), perY = u * (1.0 / viewH_);
    const Vec3 base = r * (ox / viewW_) - u * (oy / viewH_) - f;
    const double longest = length(base) + width_ * length(perX) + height_ * length(perY);
    batch_.setRays(base, perX, perY, longest);
    for (Layer& l : layers_) l.lighting->setRays(base, perX, perY, longest);
    for (auto& l : bandLighting_) l->setRays(base, perX, perY, longest);
}

double Rasteriser::pixelsAcross(Vec3 centre, double radius) const {
    if (!camera_.valid || !finite(centre) || !std::isfinite(radius)) return 0;
    const double z = camera_.toCamera(centre).z;
    const double near = z - radius * length(camera_.forward);
    const double whole = viewW_ + viewH_;
    if (!(near > kNear)) return whole;
    const double across = radius * std::max(length(camera_.right) * viewW_, length(camera_.up) * viewH_) / z;
    return std::min(across, whole);
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

void Rasteriser::drawTriangle(const Vertex (&v)[3], const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0) return;
    drawWaiting();
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
                         const Pass& pass) {
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
    Corner first[3] = {p[0], p[1], p[2]};
    fill(first, surface, face, pass);
    if (n == 4) {
        Corner second[3] = {p[0], p[2], p[3]};
        fill(second, surface, face, pass);
    }
}

bool Rasteriser::readyLayers(int parts) {
    try {
        while (layers_.size() < static_cast<size_t>(parts - 1)) {
            Layer layer{{}, {}, std::make_unique<PixelLighting>(), {}};
            layer.lighting->setScene(camera_.location, lights_);
            layers_.push_back(std::move(layer));
            aimRays();
        }
        for (Layer& l : layers_)
            if (l.depth.size() != depth_.size()) {
                l.colour.assign(colour_.size(), 0);
                l.depth.assign(depth_.size(), 0.0f);
                l.touched = {};
            }
    } catch (const std::bad_alloc&) {
        layers_.clear();
        return false;
    }
    return true;
}

void Rasteriser::drawMesh(const TriPolygon* triangles, size_t n, const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0 || !triangles || n == 0) return;
    const int parts = std::min(threads_, kMostParts);
    if (parts > 1 && n < kTrianglesForThreads && !surface.image.data) {
        // Waits with the other small meshes, a copy: the caller's may go.
        const size_t first = built_.size();
        try {
            built_.insert(built_.end(), triangles, triangles + n);
            drawBuilt(first, surface);
            return;
        } catch (const std::bad_alloc&) {
            // Drawn now instead; a copy cut short goes.
            built_.resize(std::min(built_.size(), first));
        }
    }
    drawWaiting();
    if (parts > 1 && n >= kTrianglesForThreads) {
        if (!readyLayers(parts)) {
            drawMeshPass(triangles, n, surface, wholePicture());
            return;
        }
        drawMeshInParts(triangles, n, surface, parts);
        return;
    }
    drawMeshPass(triangles, n, surface, wholePicture());
}

void Rasteriser::drawMeshInParts(const TriPolygon* triangles, size_t n, const Surface& surface, int parts) {
    // The calling thread draws the first share of the triangles into the
    // picture; each helper draws its share into an empty layer, lit by its
    // own batch. A layer's pixel then replaces the picture's when it is
    // nearer: the nearest surface wins and, between equally near ones, the
    // one drawn first, as when one thread draws everything. Only what a
    // layer drew is merged, so a mesh drawn in slices costs no more.
    batch_.flush();
    auto share = [&](int part) { return n * static_cast<size_t>(part) / static_cast<size_t>(parts); };
    auto drawShare = [this, triangles, &surface, &share](int part) {
        Layer& layer = layers_[part - 1];
        const size_t from = share(part);
        drawMeshPass(triangles + from, share(part + 1) - from, surface,
                     {layer.colour.data(), layer.depth.data(), layer.lighting.get(), &layer.touched});
        layer.lighting->flush();
    };
    // With fewer threads than shares, the calling thread draws the rest.
    int participants = parts;
    runAsTeam(
        parts, [&](int count) { participants = count; },
        [&](int part) {
            if (part > 0) {
                drawShare(part);
                return;
            }
            drawMeshPass(triangles, share(1), surface, wholePicture());
            for (int rest = participants; rest < parts; ++rest) drawShare(rest);
        });
    batch_.flush();
    for (int part = 1; part < parts; ++part) merge(layers_[part - 1]);
}

void Rasteriser::merge(Layer& layer) {
    const Touched t = layer.touched;
    layer.touched = {};
    const int right = std::min(t.right, width_ - 1), bottom = std::min(t.bottom, height_ - 1);
    for (int y = std::max(t.top, 0); y <= bottom; ++y) {
        const size_t row = static_cast<size_t>(y) * width_;
        float* depth = layer.depth.data() + row;
        const uint32_t* colour = layer.colour.data() + row;
        float* pictureDepth = depth_.data() + row;
        uint32_t* pictureColour = colour_.data() + row;
        for (int x = std::max(t.left, 0); x <= right; ++x) {
            const bool nearer = depth[x] > pictureDepth[x];
            pictureDepth[x] = nearer ? depth[x] : pictureDepth[x];
            pictureColour[x] = nearer ? colour[x] : pictureColour[x];
            depth[x] = 0.0f;
        }
    }
}


Rasteriser::GroupFrame Rasteriser::groupFrame(const Surface& surface) const {
    // The first and last pixel centres of the camera's picture.
    const int firstColumn = std::max(0, ceilSmall(viewX_ - 0.5));
    const int lastColumn = std::min(width_ - 1, floorSmall(viewX_ + viewW_ - 0.5));
    const int firstRow = std::max(0, ceilSmall(viewY_ - 0.5));
    const int lastRow = std::min(height_ - 1, floorSmall(viewY_ + viewH_ - 0.5));
    return {splat(firstColumn + 0.5),
            splat(lastColumn + 0.5),
            splat(firstRow + 0.5),
            splat(lastRow + 0.5),
            !surface.image.data && batched_,
            {static_cast<float>(surface.colour.x), static_cast<float>(surface.colour.y),
             static_cast<float>(surface.colour.z)}};
}

LaneCamera Rasteriser::laneCamera() const {
    return LaneCamera(camera_, viewX_ + 0.5 * viewW_, viewY_ + 0.5 * viewH_, viewW_, viewH_);
}

// A mesh's own records, four at a time.
struct Rasteriser::RecordSource {
    const TriPolygon* t[kLanes];
    const TriPolygon& triangle(int lane) const { return *t[lane]; }
    bool hasNormals(int lane) const { return kxr::hasNormals(*t[lane]); }
};

void Rasteriser::drawMeshPass(const TriPolygon* triangles, size_t n, const Surface& surface, const Pass& pass) {
    const LaneCamera lanes = laneCamera();
    const GroupFrame frame = groupFrame(surface);
    // A band of the rows: only the lanes that reach it (a cut at the near
    // plane may reach any).
    const bool band = pass.firstRow > 0 || pass.lastRow < height_ - 1;
    // Four triangles at a time; the last group repeats its final triangle in
    // the lanes it lacks, and those lanes are not drawn.
    for (size_t first = 0; first < n; first += kLanes) {
        // The triangles a few groups on are asked for now: a dense mesh is
        // mostly read, not drawn, and the wait for memory would be the pass's.
        if (first + kPrefetchAhead + kLanes <= n) {
            const char* ahead = reinterpret_cast<const char*>(&triangles[first + kPrefetchAhead]);
            for (size_t at = 0; at < kLanes * sizeof(TriPolygon); at += 64) __builtin_prefetch(ahead + at);
        }
        RecordSource source;
        const int count = static_cast<int>(std::min<size_t>(kLanes, n - first));
        for (int lane = 0; lane < kLanes; ++lane) source.t[lane] = &triangles[first + std::min(lane, count - 1)];
        const LaneCorners c = projectLanes(lanes, source.t);
        uint32_t reach = (1u << kLanes) - 1;
        if (band) {
            const GroupBounds g = groupBounds(c, frame);
            reach = laneBits((g.wanted & (g.y1 >= pass.firstRow) & (g.y0 <= pass.lastRow)) | ~c.inFront);
            if (!reach) continue;
        }
        drawGroup(c, source, count, reach, frame, surface, pass);
    }
}

Rasteriser::GroupBounds Rasteriser::groupBounds(const LaneCorners& c, const GroupFrame& f) {
    // The pixel centres within the bounds, on the picture. Clamping also
    // turns a lane that is not a number into one that is.
    GroupBounds g;
    g.minX = lanesMin(lanesMin(c.sx[0], c.sx[1]), c.sx[2]);
    g.maxX = lanesMax(lanesMax(c.sx[0], c.sx[1]), c.sx[2]);
    g.minY = lanesMin(lanesMin(c.sy[0], c.sy[1]), c.sy[2]);
    g.maxY = lanesMax(lanesMax(c.sy[0], c.sy[1]), c.sy[2]);
    // Kept within a pixel of the picture both ways, so that a lane far
    // off it (left to drawGeneral) still converts to a small whole number.
    const Lanes one = splat(1.0), half = splat(0.5);
    g.x0 = ceilLanes(lanesMin(lanesMax(g.minX, f.left), f.right + one) - half);
    g.x1 = floorLanes(lanesMax(lanesMin(g.maxX, f.right), f.left - one) - half);
    g.y0 = ceilLanes(lanesMin(lanesMax(g.minY, f.top), f.bottom + one) - half);
    g.y1 = floorLanes(lanesMax(lanesMin(g.maxY, f.bottom), f.top - one) - half);
    // Many triangles of a dense mesh hold no pixel centre: those leave here.
    g.wanted = c.inFront & (g.x0 <= g.x1) & (g.y0 <= g.y1);
    return g;
}

template <class Source>
void Rasteriser::drawGroup(const LaneCorners& c, Source& source, int count, uint32_t lanesDrawn,
                           const GroupFrame& frame, const Surface& surface, const Pass& pass) {
    const GroupBounds g = groupBounds(c, frame);
    const LaneMask x0 = g.x0, x1 = g.x1, y0 = g.y0, y1 = g.y1, wanted = g.wanted;
    const uint32_t drawn = lanesDrawn & ((1u << count) - 1);
    if (!(laneBits(wanted | ~c.inFront) & drawn)) return;
    const Lanes half = splat(0.5);
    // A small triangle is tested a block at a time, with its weights
    // worked out here, relative to the block's first centre.
    const LaneMask small = (x1 - x0 < kSmallColumns) & (y1 - y0 < kSmallRows) &
                           (g.maxX - g.minX < 2.0f * kSmallColumns) & (g.maxY - g.minY < 2.0f * kSmallRows);
    const Lanes px = __builtin_convertvector(x0, Lanes) + half, py = __builtin_convertvector(y0, Lanes) + half;
    const Lanes ax = c.sx[0] - px, ay = c.sy[0] - py, bx = c.sx[1] - px, by = c.sy[1] - py, cx = c.sx[2] - px,
                cy = c.sy[2] - py;
    const Lanes area = (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
    const LaneMask sized = (area > 1e-12f) | (area < -1e-12f);
    const Lanes inv = 1.0f / (sized ? area : Lanes{} + 1.0f);
    LaneWeights w;
    w.w0 = (bx * cy - cx * by) * inv, w.w1 = (cx * ay - ax * cy) * inv;
    w.w0x = (by - cy) * inv, w.w0y = (cx - bx) * inv;
    w.w1x = (cy - ay) * inv, w.w1y = (ax - cx) * inv;
    w.z2 = c.invz[2], w.dz0 = c.invz[0] - c.invz[2], w.dz1 = c.invz[1] - c.invz[2];

    // Small triangles one column wide (the usual slivers of a dense mesh)
    // are tested side by side, a row of each at a time, with the same sums
    // as a block test.
    std::array<uint32_t, kLanes> columnCovered{};
    std::array<BlockDepths, kLanes> columnFound;
    const uint32_t columnLanes = laneBits(wanted & small & sized & (x1 == x0)) & drawn;
    if (columnLanes)
        coverColumns(w, x0, y0, y1 - y0 + 1, columnLanes, pass.depth, width_, pass.firstRow, pass.lastRow,
                     columnCovered, columnFound);

    // In one colour with the face's normal, pixels need only their places
    // and depths. Depths across a triangle lie between its corners':
    // half the farthest is a margin for rounding.
    const Lanes farthest = lanesMin(lanesMin(c.invz[0], c.invz[1]), c.invz[2]);
    const uint32_t plainLanes =
        frame.plainSurface ? laneBits(c.normalUsable & (0.5f * farthest > pass.lighting->farthestReached())) : 0;

    for (int lane = 0; lane < count; ++lane) {
        if (!(drawn & (1u << lane))) continue;
        if (!c.inFront[lane]) {
            drawGeneral(source.triangle(lane), surface, pass);
            continue;
        }
        if (!wanted[lane]) continue;
        // A small triangle's corners are written out only when it covers a pixel.
        BlockDepths blockFound;
        const BlockDepths* found = &blockFound;
        uint32_t covered = 0;
        if (small[lane]) {
            if (!sized[lane]) continue;
            if (columnLanes & (1u << lane)) {
                covered = columnCovered[lane];
                found = &columnFound[lane];
            } else {
                covered = coverBlock(w.lane(lane), pass, x0[lane], y0[lane], x1[lane] - x0[lane] + 1,
                                     y1[lane] - y0[lane] + 1, blockFound);
            }
            if (!covered) continue;
            if (plainLanes & (1u << lane)) {
                const std::array<float, 3> faceNormal{c.normal[0][lane], c.normal[1][lane], c.normal[2][lane]};
                if (!source.hasNormals(lane)) {
                    drawPlainBlock(covered, *found, faceNormal, frame.colour, pass, x0[lane], y0[lane]);
                } else {
                    drawSmoothBlock(covered, *found, w.lane(lane), {c.invz[0][lane], c.invz[1][lane], c.invz[2][lane]},
                                    source.triangle(lane), faceNormal, frame.colour, pass, x0[lane], y0[lane]);
                }
                continue;
            }
        }
        Corner p[3];
        for (int k = 0; k < 3; ++k) {
            p[k].sx = c.sx[k][lane];
            p[k].sy = c.sy[k][lane];
            p[k].invz = c.invz[k][lane];
        }
        Face face{{&p[0].position, &p[1].position, &p[2].position}, true, &source.triangle(lane), p};
        if (c.normalUsable[lane]) {
            face.normalF = {c.normal[0][lane], c.normal[1][lane], c.normal[2][lane]};
            face.normalKnown = true;
        }
        if (small[lane]) {
            drawBlock(p, w.lane(lane), covered, *found, surface, face, pass, x0[lane], y0[lane]);
        } else {
            fill(p, surface, face, pass);
        }
    }
}

template void Rasteriser::drawGroup<Rasteriser::IndexedSource>(const LaneCorners&, IndexedSource&, int, uint32_t,
                                                                 const GroupFrame&, const Surface&, const Pass&);

void Rasteriser::drawGeneral(const TriPolygon& t, const Surface& surface, const Pass& pass) {
    // Reaches behind the near plane, lies far off the picture, or is not a
    // number: cut and projected in double precision.
    if (!finite(t.vertex[0]) || !finite(t.vertex[1]) || !finite(t.vertex[2])) return;
    Vertex v[3];
    Vec3 cam[3];
    for (int k = 0; k < 3; ++k) {
        v[k].position = vec(t.vertex[k]);
        v[k].normal = vec(t.normal[k]);
        cam[k] = camera_.toCamera(v[k].position);
    }
    Face face{{&v[0].position, &v[1].position, &v[2].position},
              isZero(v[0].normal) && isZero(v[1].normal) && isZero(v[2].normal)};
    drawCut(v, cam, surface, face, pass);
}

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

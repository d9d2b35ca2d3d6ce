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
#include "raster_parts.h"
#include "lane_groups.h"
#include "kxrender.h"
#include "shading_terms.h"

namespace kxr {

using namespace lanes;
using namespace raster;

namespace {

// Pictures wider or taller than this are refused.
constexpr int kMaxSide = 8192;
// Depths kept past the picture's last pixel.
constexpr size_t kDepthSlack = 4;
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

}  // namespace

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

}  // namespace kxr

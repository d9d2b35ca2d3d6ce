// Small meshes and objects drawn from their parameters, on several threads:
// they wait in the order they came until something else is drawn or the
// frame ends. The objects are then made by whichever thread is free, and
// the picture's rows shared out in bands by the work that reaches them:
// each thread draws every run that reaches its rows, in their order, into
// those rows alone. Between equally near surfaces the one drawn first keeps
// the pixel, as when one thread draws everything, and nothing is merged.
#include <algorithm>
#include <array>
#include <cmath>
#include <atomic>
#include <latch>
#include <new>
#include <optional>
#include <vector>

#include "four_lanes.h"
#include "rasteriser.h"
#include "row_share.h"
#include "thread_team.h"

namespace kxr {

namespace {

// What waits beyond these is drawn: the room it takes stays bounded.
constexpr size_t kMostWaitingTriangles = size_t{1} << 18;
constexpr size_t kMostWaitingRuns = 4096;
// Fewer runs than this, of fewer triangles than a thread is worth, are drawn
// by the calling thread.
constexpr size_t kRunsForThreads = 16;

}  // namespace

void Rasteriser::drawBuilt(size_t first, const Surface& surface) {
    const size_t n = built_.size() - first;
    if (n == 0) return;
    if (!camera_.valid || width_ == 0 || height_ == 0) {
        built_.resize(first);
        return;
    }
    if (sharesShapes() && !surface.image.data) {
        try {
            waiting_.push_back({first, n, surface});
            waitingTriangles_ += n;
            if (waitingTriangles_ >= kMostWaitingTriangles || waiting_.size() >= kMostWaitingRuns) drawWaiting();
            return;
        } catch (const std::bad_alloc&) {
            // No room to note it: drawn at once, after what waits.
        }
    }
    drawWaiting(first);
    drawMeshPass(built_.data(), built_.size(), surface, wholePicture());
    built_.clear();
}

void Rasteriser::waitShape(Tessellate tessellate, const CadObject& object, const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0) return;
    CadObject fields = object;
    fields.next = fields.prev = fields.parent = fields.firstChild = fields.nextSibling = nullptr;
    fields.points = nullptr;
    fields.polygons = nullptr;
    fields.extra = nullptr;
    fields.uv = nullptr;
    try {
        Waiting w{0, 0, surface};
        w.tessellate = tessellate;
        w.object = fields;
        waiting_.push_back(w);
        if (waiting_.size() >= kMostWaitingRuns) drawWaiting();
        return;
    } catch (const std::bad_alloc&) {
        // No room to note it: made and drawn at once, after what waits.
    }
    drawWaiting();
    tessellate(*this, fields, surface, built_);
    drawMeshPass(built_.data(), built_.size(), surface, wholePicture());
    built_.clear();
}

void Rasteriser::drawWaiting(size_t keepFrom) {
    auto keepBuilt = [this, keepFrom] {
        built_.erase(built_.begin(), built_.begin() + static_cast<std::ptrdiff_t>(std::min(keepFrom, built_.size())));
    };
    if (waiting_.empty()) {
        keepBuilt();
        return;
    }
    std::vector<Waiting> runs;
    runs.swap(waiting_);
    const size_t builtTriangles = waitingTriangles_;
    waitingTriangles_ = 0;
    int parts = std::min(threads_, kMostParts);
    batch_.flush();
    try {
        if (shapeBuilt_.size() < static_cast<size_t>(parts)) shapeBuilt_.resize(parts);
    } catch (const std::bad_alloc&) {
        parts = 1;
    }
    for (auto& area : shapeBuilt_) area.clear();
    if (shapeBuilt_.empty()) {
        keepBuilt();  // not even room for the objects' triangles: they are left out
        return;
    }
    const TriPolygon* const builtAt = built_.data();
    auto trianglesOf = [&](const Waiting& w) {
        return w.tessellate ? shapeBuilt_[w.area].data() + w.first : builtAt + w.first;
    };
    auto make = [&](Waiting& w, int part) {
        std::vector<TriPolygon>& area = shapeBuilt_[part];
        const size_t first = area.size();
        try {
            w.tessellate(*this, w.object, w.surface, area);
        } catch (const std::bad_alloc&) {
            area.resize(first);  // an object less
        }
        w.area = part;
        w.first = first;
        w.count = area.size() - first;
    };
    const bool worthThreads = runs.size() >= kRunsForThreads || builtTriangles >= kTrianglesForThreads;
    const int bands = (height_ + kBandRows - 1) / kBandRows;
    std::vector<RunReach> reach;
    std::vector<double> bandWork;  // a row of bands a thread
    try {
        if (parts > 1 && worthThreads) {
            reach.resize(runs.size());
            bandWork.resize(static_cast<size_t>(parts) * bands);
        }
    } catch (const std::bad_alloc&) {
        parts = 1;
    }
    if (parts < 2 || !worthThreads || !readyBandLighting(parts)) {
        for (Waiting& w : runs) {
            if (w.tessellate) {
                shapeBuilt_[0].clear();
                make(w, 0);
            }
            if (w.count) drawMeshPass(trianglesOf(w), w.count, w.surface, wholePicture());
        }
        keepBuilt();
        return;
    }

    // The objects are made, and each run's reach found, by whichever thread
    // is free; then every thread draws every run that reaches its rows, in
    // their order, into those rows alone.
    std::atomic<size_t> nextRun{0};
    int participants = 1;
    std::optional<std::latch> made;
    auto drawPart = [&](int part) {
        for (size_t i; (i = nextRun++) < runs.size();) {
            if (runs[i].tessellate) make(runs[i], part);
            reach[i] = reachOf(trianglesOf(runs[i]), runs[i].count);
        }
        made->arrive_and_wait();
        // A run's work, spread evenly over the rows it reaches: its
        // triangles, and a third of the pixels its outline spans.
        double* const work = bandWork.data() + static_cast<size_t>(part) * bands;
        for (size_t i = 0; i < runs.size(); ++i) {
            const RunReach& r = reach[i];
            if (r.top > r.bottom || !runs[i].count) continue;
            const int rows = r.bottom - r.top + 1;
            const double perRow = (runs[i].count + r.across * rows / 3.0) / rows;
            for (int b = r.top / kBandRows; b <= r.bottom / kBandRows; ++b) {
                const int from = std::max(r.top, b * kBandRows), to = std::min(r.bottom, b * kBandRows + kBandRows - 1);
                work[b] += perRow * (to - from + 1);
            }
        }
        const auto [start, end] = rowShare(bands, [work](int b) { return work[b]; }, part, participants);
        PixelLighting& lighting = *bandLighting_[part];
        if (start < end) {
            const Pass pass{colour_.data(), depth_.data(), &lighting, nullptr, start * kBandRows,
                            std::min(height_, end * kBandRows) - 1};
            for (size_t i = 0; i < runs.size(); ++i)
                if (runs[i].count && reach[i].top <= pass.lastRow && reach[i].bottom >= pass.firstRow)
                    drawMeshPass(trianglesOf(runs[i]), runs[i].count, runs[i].surface, pass);
        }
        lighting.flush();
    };
    runAsTeam(
        parts,
        [&](int count) {
            participants = count;
            made.emplace(count);
        },
        drawPart);
    keepBuilt();
}

bool Rasteriser::readyBandLighting(int parts) {
    try {
        while (bandLighting_.size() < static_cast<size_t>(parts)) {
            bandLighting_.push_back(std::make_unique<PixelLighting>());
            bandLighting_.back()->setScene(camera_.location, lights_);
            aimRays();
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

Rasteriser::RunReach Rasteriser::reachOf(const TriPolygon* triangles, size_t n) const {
    const RunReach everywhere{0, height_ - 1, static_cast<double>(width_)};
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < n; ++i)
        for (const Point3d& v : triangles[i].vertex) {
            lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
            lo[1] = std::min(lo[1], v.y), hi[1] = std::max(hi[1], v.y);
            lo[2] = std::min(lo[2], v.z), hi[2] = std::max(hi[2], v.z);
        }
    // The box's corners all in front of the eye: what lies within projects
    // within their outline. A corner not a number leaves it to the rows.
    double top = INFINITY, bottom = -INFINITY, left = INFINITY, right = -INFINITY;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 at{corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1], corner & 4 ? hi[2] : lo[2]};
        const Vec3 cam = camera_.toCamera(at);
        if (!(cam.z >= kNear) || !finite(cam)) return everywhere;
        const double invz = 1.0 / cam.z;
        const double sx = viewX_ + (cam.x * invz + 0.5) * viewW_, sy = viewY_ + (0.5 - cam.y * invz) * viewH_;
        top = std::min(top, sy), bottom = std::max(bottom, sy);
        left = std::min(left, sx), right = std::max(right, sx);
    }
    if (n == 0 || bottom < -1 || top > height_ + 1 || right < -1 || left > width_ + 1) return {};
    // A pixel's margin each way against rounding.
    RunReach reach;
    reach.top = static_cast<int>(std::max(0.0, std::floor(top) - 1));
    reach.bottom = static_cast<int>(std::min(height_ - 1.0, std::ceil(bottom) + 1));
    reach.across = std::clamp(right, 0.0, static_cast<double>(width_)) - std::clamp(left, 0.0, static_cast<double>(width_));
    return reach;
}

void Rasteriser::finish() {
    drawWaiting();
    batch_.flush();
}

}  // namespace kxr

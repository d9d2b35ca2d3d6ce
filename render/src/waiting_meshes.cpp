// Small meshes and objects drawn from their parameters, on several threads:
// they wait in the order they came until something else is drawn or the
// frame ends. The objects are then made by whichever thread is free, and
// the runs of meshes shared out by their triangles: the calling thread draws
// the first run into the picture, each helper the next into a layer of its
// own, and the layers are merged in order. Between equally near surfaces the
// one drawn first keeps the pixel, as when one thread draws everything.
#include <algorithm>
#include <array>
#include <atomic>
#include <latch>
#include <new>
#include <optional>

#include "rasteriser.h"
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
    auto drawRun = [&](size_t from, size_t to, const Pass& pass) {
        for (size_t i = from; i < to; ++i)
            if (runs[i].count) drawMeshPass(trianglesOf(runs[i]), runs[i].count, runs[i].surface, pass);
    };
    const bool worthThreads = runs.size() >= kRunsForThreads || builtTriangles >= kTrianglesForThreads;
    if (parts < 2 || !worthThreads || !readyLayers(parts)) {
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

    std::atomic<size_t> nextRun{0};
    int participants = 1;
    std::optional<std::latch> made;
    auto work = [&](int part) {
        for (size_t i; (i = nextRun++) < runs.size();)
            if (runs[i].tessellate) make(runs[i], part);
        made->arrive_and_wait();
        // Every thread cuts the runs alike: part p starts where the
        // triangles before reach p shares of them.
        size_t total = 0;
        for (const Waiting& w : runs) total += w.count;
        auto startOf = [&](int p) {
            if (p == 0) return size_t{0};
            if (p == participants) return runs.size();
            size_t seen = 0;
            for (size_t i = 0; i < runs.size(); seen += runs[i].count, ++i)
                if (seen * participants >= total * p) return i;
            return runs.size();
        };
        const size_t from = startOf(part), to = startOf(part + 1);
        if (part == 0) {
            drawRun(from, to, wholePicture());
            return;
        }
        Layer& layer = layers_[part - 1];
        drawRun(from, to, {layer.colour.data(), layer.depth.data(), layer.lighting.get(), &layer.touched});
        layer.lighting->flush();
    };
    runAsTeam(
        parts,
        [&](int count) {
            participants = count;
            made.emplace(count);
        },
        work);
    batch_.flush();
    for (int p = 1; p < participants; ++p) merge(layers_[p - 1]);
    keepBuilt();
}

void Rasteriser::finish() {
    drawWaiting();
    batch_.flush();
}

}  // namespace kxr

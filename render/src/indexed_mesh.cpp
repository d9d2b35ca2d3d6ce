// Indexed meshes: every corner projected once, then the triangles drawn from
// the projected corners. On several threads the picture's rows are cut into
// bands; the triangles are sorted into the bands they reach, keeping the
// mesh's order within each, and each thread draws whole bands into the
// picture itself, with a lighting batch of its own. No pixel is then drawn by
// two threads, nothing is merged, and every pixel sees the triangles that
// reach it in the order one thread would draw them: the same picture.
#include <algorithm>
#include <atomic>
#include <latch>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "four_lanes.h"
#include "lane_groups.h"
#include "rasteriser.h"

namespace kxr {

using namespace lanes;

namespace {
// Rows a band holds: small enough that the bands outnumber the threads many
// times over (an uneven picture still keeps every thread busy), large enough
// that few small triangles reach two.
constexpr int kBandRows = 16;
// Triangles sorted into bands as one piece of work, and corners projected as one.
constexpr size_t kRunTriangles = 32768;
static_assert(kRunTriangles % lanes::kLanes == 0);
constexpr size_t kCornerChunk = 65536;
// Below this many triangles a second thread costs more than it saves.
constexpr size_t kTrianglesForBands = 8192;
constexpr int kMostBandThreads = 8;
}  // namespace

void Rasteriser::projectCorners(const IndexedMesh& mesh, size_t from, size_t to) {
    const LaneCamera camera = laneCamera();
    const float* p = mesh.positions;
    for (size_t at = from; at < to; at += kLanes) {
        // The last group repeats its final corner in the lanes it lacks.
        size_t i[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) i[lane] = 3 * std::min(at + lane, to - 1);
        const Lanes world[3] = {{p[i[0]], p[i[1]], p[i[2]], p[i[3]]},
                                {p[i[0] + 1], p[i[1] + 1], p[i[2] + 1], p[i[3] + 1]},
                                {p[i[0] + 2], p[i[1] + 2], p[i[2] + 2], p[i[3] + 2]}};
        const LanePoints out = projectPoints(camera, world);
        const int count = static_cast<int>(std::min<size_t>(kLanes, to - at));
        for (int lane = 0; lane < count; ++lane) {
            projected_.sx[at + lane] = out.sx[lane];
            projected_.sy[at + lane] = out.sy[lane];
            projected_.invz[at + lane] = out.invz[lane];
            projected_.inFront[at + lane] = out.inFront[lane] != 0;
        }
    }
}

namespace {

// Four triangles' corners from the projected corners, as the records' own
// projection would give them.
LaneCorners gatherCorners(const IndexedMesh& mesh, const float* sx, const float* sy, const float* invz,
                          const uint8_t* inFront, const uint32_t (&triangle)[kLanes]) {
    LaneCorners c;
    c.inFront = LaneMask{} - 1;
    Lanes world[3][3];
    for (int k = 0; k < 3; ++k) {
        uint32_t v[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) v[lane] = mesh.indices[3 * static_cast<size_t>(triangle[lane]) + k];
        c.sx[k] = Lanes{sx[v[0]], sx[v[1]], sx[v[2]], sx[v[3]]};
        c.sy[k] = Lanes{sy[v[0]], sy[v[1]], sy[v[2]], sy[v[3]]};
        c.invz[k] = Lanes{invz[v[0]], invz[v[1]], invz[v[2]], invz[v[3]]};
        c.inFront &= LaneMask{inFront[v[0]], inFront[v[1]], inFront[v[2]], inFront[v[3]]} != 0;
        for (int a = 0; a < 3; ++a) {
            const float* p = mesh.positions + a;
            world[k][a] = Lanes{p[3 * size_t{v[0]}], p[3 * size_t{v[1]}], p[3 * size_t{v[2]}], p[3 * size_t{v[3]}]};
        }
    }
    faceNormals(world, c);
    return c;
}

}  // namespace

void Rasteriser::binTriangles(const IndexedMesh& mesh, size_t from, size_t to, int run) {
    const GroupFrame frame = groupFrame(Surface{});
    std::vector<uint32_t>* lists = bands_.lists.data() + static_cast<size_t>(run) * bands_.bands;
    const int lastBand = bands_.bands - 1;
    // The groups of four a single pass would draw: a group's lanes are tested
    // against the depths together, so a band draws the same groups, with the
    // lanes that reach it.
    for (size_t at = from; at < to; at += kLanes) {
        const int count = static_cast<int>(std::min<size_t>(kLanes, to - at));
        uint32_t triangle[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) triangle[lane] = static_cast<uint32_t>(at + std::min(lane, count - 1));
        const LaneCorners c = gatherCorners(mesh, projected_.sx.data(), projected_.sy.data(), projected_.invz.data(),
                                            projected_.inFront.data(), triangle);
        const GroupBounds g = groupBounds(c, frame);
        int first[kLanes], last[kLanes];
        int lowest = lastBand + 1, highest = -1;
        for (int lane = 0; lane < kLanes; ++lane) {
            first[lane] = 1, last[lane] = 0;
            if (lane >= count) continue;
            if (!c.inFront[lane]) {
                // One cut at the near plane may reach any row.
                first[lane] = 0, last[lane] = lastBand;
            } else if (g.wanted[lane]) {
                first[lane] = g.y0[lane] / kBandRows;
                last[lane] = std::min(lastBand, g.y1[lane] / kBandRows);
            }
            lowest = std::min(lowest, first[lane]);
            highest = std::max(highest, last[lane]);
        }
        const uint32_t group = static_cast<uint32_t>(at / kLanes) << kLanes;
        for (int b = std::max(lowest, 0); b <= highest; ++b) {
            uint32_t reach = 0;
            for (int lane = 0; lane < count; ++lane) reach |= uint32_t{first[lane] <= b && b <= last[lane]} << lane;
            if (reach) lists[b].push_back(group | reach);
        }
    }
}

void Rasteriser::drawIndexedPass(const IndexedMesh& mesh, const std::vector<uint32_t>* listed, const Surface& surface,
                                 const Pass& pass) {
    const uint32_t* groups = listed ? listed->data() : nullptr;
    const size_t n = listed ? listed->size() : 0;
    const GroupFrame frame = groupFrame(surface);
    IndexedSource source;
    source.mesh = &mesh;
    const size_t total = listed ? n : (mesh.triangles + kLanes - 1) / kLanes;
    for (size_t i = 0; i < total; ++i) {
        // A listed group names its first triangle over four and the lanes to draw.
        const size_t at = groups ? size_t{groups[i] >> kLanes} * kLanes : i * kLanes;
        const uint32_t lanesDrawn = groups ? groups[i] & ((1u << kLanes) - 1) : (1u << kLanes) - 1;
        const int count = static_cast<int>(std::min<size_t>(kLanes, mesh.triangles - at));
        uint32_t triangle[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) {
            triangle[lane] = static_cast<uint32_t>(at + std::min(lane, count - 1));
            source.select(lane, triangle[lane]);
        }
        const LaneCorners c = gatherCorners(mesh, projected_.sx.data(), projected_.sy.data(), projected_.invz.data(),
                                            projected_.inFront.data(), triangle);
        drawGroup(c, source, count, lanesDrawn, frame, surface, pass);
    }
}

void Rasteriser::drawIndexed(const IndexedMesh& mesh, const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0 || !mesh.positions || !mesh.indices) return;
    if (mesh.triangles == 0 || mesh.corners == 0) return;
    try {
        projected_.sx.resize(mesh.corners);
        projected_.sy.resize(mesh.corners);
        projected_.invz.resize(mesh.corners);
        projected_.inFront.resize(mesh.corners);
    } catch (const std::bad_alloc&) {
        return;
    }
    const int parts = std::min(threads_, kMostBandThreads);
    // A listed group's number takes all but four bits.
    const bool listable = mesh.triangles < (size_t{1} << (32 - kLanes)) * kLanes;
    if (parts > 1 && listable && mesh.triangles >= kTrianglesForBands && drawIndexedInBands(mesh, surface, parts)) return;
    projectCorners(mesh, 0, mesh.corners);
    drawIndexedPass(mesh, nullptr, surface, wholePicture());
}

bool Rasteriser::drawIndexedInBands(const IndexedMesh& mesh, const Surface& surface, int parts) {
    try {
        while (bandLighting_.size() < static_cast<size_t>(parts)) {
            bandLighting_.push_back(std::make_unique<PixelLighting>());
            bandLighting_.back()->setScene(camera_.location, lights_);
            aimRays();
        }
        bands_.bands = (height_ + kBandRows - 1) / kBandRows;
        bands_.runs = static_cast<int>((mesh.triangles + kRunTriangles - 1) / kRunTriangles);
        bands_.lists.resize(static_cast<size_t>(bands_.bands) * bands_.runs);
        for (auto& list : bands_.lists) list.clear();
    } catch (const std::bad_alloc&) {
        return false;
    }
    // What waits from the objects before is lit before these pixels change.
    batch_.flush();

    const size_t cornerChunks = (mesh.corners + kCornerChunk - 1) / kCornerChunk;
    std::atomic<size_t> nextChunk{0}, nextRun{0}, nextBand{0};
    std::atomic<bool> short_{false};
    std::latch ready(1);
    std::optional<std::latch> projected, binned;
    auto work = [&](int part) {
        ready.wait();
        for (size_t c; (c = nextChunk++) < cornerChunks;)
            projectCorners(mesh, c * kCornerChunk, std::min(mesh.corners, (c + 1) * kCornerChunk));
        projected->arrive_and_wait();
        try {
            for (size_t r; (r = nextRun++) < static_cast<size_t>(bands_.runs);)
                binTriangles(mesh, r * kRunTriangles, std::min(mesh.triangles, (r + 1) * kRunTriangles),
                             static_cast<int>(r));
        } catch (const std::bad_alloc&) {
            short_ = true;
        }
        binned->arrive_and_wait();
        if (short_) return;  // the calling thread draws the mesh whole
        PixelLighting& lighting = *bandLighting_[part];
        for (size_t b; (b = nextBand++) < static_cast<size_t>(bands_.bands);) {
            const int top = static_cast<int>(b) * kBandRows;
            const Pass pass{colour_.data(), depth_.data(), &lighting, nullptr, top,
                            std::min(height_ - 1, top + kBandRows - 1)};
            for (int r = 0; r < bands_.runs; ++r) {
                const std::vector<uint32_t>& list = bands_.lists[static_cast<size_t>(r) * bands_.bands + b];
                if (!list.empty()) drawIndexedPass(mesh, &list, surface, pass);
            }
        }
        lighting.flush();
    };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(parts - 1);
        for (int part = 1; part < parts; ++part) helpers.emplace_back(work, part);
    } catch (const std::system_error&) {
        // Fewer threads: the bands are shared among those there are.
    } catch (const std::bad_alloc&) {
    }
    const std::ptrdiff_t participants = static_cast<std::ptrdiff_t>(helpers.size()) + 1;
    projected.emplace(participants);
    binned.emplace(participants);
    ready.count_down();
    work(0);
    for (std::thread& t : helpers) t.join();
    if (short_) drawIndexedPass(mesh, nullptr, surface, wholePicture());
    return true;
}

}  // namespace kxr

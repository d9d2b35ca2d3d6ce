// Indexed meshes: every corner projected once, then the triangles drawn from
// the projected corners. On several threads the picture's rows are cut into
// as many ranges, each holding about as many corners, and every thread walks
// the whole mesh in its order, drawing only into its own rows, with a
// lighting batch of its own. No pixel is then drawn by two threads, nothing
// is merged, and every pixel sees the triangles that reach it in the order
// one thread would draw them: the same picture. Each corner notes the band
// of rows it lies in, so that a thread passes over the triangles of other
// threads' rows reading no more of them than their corner numbers.
#include <algorithm>
#include <atomic>
#include <latch>
#include <new>
#include <optional>
#include <utility>

#include "four_lanes.h"
#include "lane_groups.h"
#include "rasteriser.h"
#include "row_share.h"
#include "thread_team.h"

namespace kxr {

using namespace lanes;

namespace {
// Corners projected as one piece of work.
constexpr size_t kCornerChunk = 65536;
}  // namespace

void Rasteriser::projectCorners(const IndexedMesh& mesh, size_t from, size_t to, BandLoad* bandLoad) {
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
        for (int lane = 0; lane < count; ++lane)
            projected_[at + lane] = {out.sx[lane],       out.sy[lane],       out.invz[lane],     out.inFront[lane],
                                     world[0][lane], world[1][lane], world[2][lane], 0.0f};
        if (!bandLoad) continue;
        // A triangle's pixel rows lie between the rows its corners fall in
        // (or beyond the picture, and then in its first or last band); a
        // corner on the eye's side of the near plane may lead anywhere.
        // Clamped first, a row that is not a number becomes the first.
        const Lanes lastRow = splat(height_ - 1);
        const LaneMask row = __builtin_convertvector(lanesMin(lanesMax(out.sy, Lanes{}), lastRow), LaneMask);
        const LaneMask band = (row / kBandRows & out.inFront) | (kAnyBand & ~out.inFront);
        for (int lane = 0; lane < count; ++lane) cornerBand_[at + lane] = static_cast<uint16_t>(band[lane]);
        // Neighbouring corners mostly share a band: one update for the four.
        const bool oneBand = count == kLanes && laneBits(out.inFront) == (1u << kLanes) - 1 &&
                             band[0] == band[1] && band[0] == band[2] && band[0] == band[3];
        if (oneBand) {
            BandLoad& l = bandLoad[band[0]];
            l.corners += kLanes;
            l.left = std::min({l.left, out.sx[0], out.sx[1], out.sx[2], out.sx[3]});
            l.right = std::max({l.right, out.sx[0], out.sx[1], out.sx[2], out.sx[3]});
            continue;
        }
        for (int lane = 0; lane < count; ++lane) {
            if (!out.inFront[lane]) continue;
            BandLoad& l = bandLoad[band[lane]];
            ++l.corners;
            l.left = std::min(l.left, out.sx[lane]);
            l.right = std::max(l.right, out.sx[lane]);
        }
    }
}

namespace {

// Groups of four triangles whose corners are read ahead of the one drawn.
constexpr size_t kReadAhead = 8;

// Four corners' records turned into lanes: the first four floats of each
// into sx, sy, 1/z and the in-front mask, the next three into the world place.
inline void cornerLanes(const ProjectedCorner* const (&p)[kLanes], Lanes& sx, Lanes& sy, Lanes& invz,
                        LaneMask& inFront, Lanes (&world)[3]) {
#if defined(__SSE2__)
    __m128 a0 = _mm_load_ps(&p[0]->sx), a1 = _mm_load_ps(&p[1]->sx), a2 = _mm_load_ps(&p[2]->sx),
           a3 = _mm_load_ps(&p[3]->sx);
    _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
    __m128 b0 = _mm_load_ps(&p[0]->x), b1 = _mm_load_ps(&p[1]->x), b2 = _mm_load_ps(&p[2]->x),
           b3 = _mm_load_ps(&p[3]->x);
    _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
    sx = a0, sy = a1, invz = a2;
    inFront = reinterpret_cast<LaneMask>(a3);
    world[0] = b0, world[1] = b1, world[2] = b2;
#else
    sx = Lanes{p[0]->sx, p[1]->sx, p[2]->sx, p[3]->sx};
    sy = Lanes{p[0]->sy, p[1]->sy, p[2]->sy, p[3]->sy};
    invz = Lanes{p[0]->invz, p[1]->invz, p[2]->invz, p[3]->invz};
    inFront = LaneMask{p[0]->inFront, p[1]->inFront, p[2]->inFront, p[3]->inFront};
    world[0] = Lanes{p[0]->x, p[1]->x, p[2]->x, p[3]->x};
    world[1] = Lanes{p[0]->y, p[1]->y, p[2]->y, p[3]->y};
    world[2] = Lanes{p[0]->z, p[1]->z, p[2]->z, p[3]->z};
#endif
}

// Four triangles' corners from the projected corners, as the records' own
// projection would give them.
LaneCorners gatherCorners(const IndexedMesh& mesh, const ProjectedCorner* projected,
                          const uint32_t (&triangle)[kLanes]) {
    LaneCorners c;
    c.inFront = LaneMask{} - 1;
    Lanes world[3][3];
    for (int k = 0; k < 3; ++k) {
        const ProjectedCorner* p[kLanes];
        for (int lane = 0; lane < kLanes; ++lane)
            p[lane] = projected + mesh.indices[3 * static_cast<size_t>(triangle[lane]) + k];
        LaneMask inFront;
        cornerLanes(p, c.sx[k], c.sy[k], c.invz[k], inFront, world[k]);
        c.inFront &= inFront;
    }
    faceNormals(world, c);
    return c;
}


// Asks for the corners of the group kReadAhead on before they are needed:
// a mesh's neighbours need not lie near each other in its corner list.
inline void readAhead(const IndexedMesh& mesh, const ProjectedCorner* projected, size_t group) {
    const size_t first = (group + kReadAhead) * kLanes;
    if (first >= mesh.triangles) return;
    const size_t end = std::min(mesh.triangles, first + kLanes);
    for (size_t t = first; t < end; ++t)
        for (int k = 0; k < 3; ++k) __builtin_prefetch(projected + mesh.indices[3 * t + k]);
}

}  // namespace

void Rasteriser::drawIndexedPass(const IndexedMesh& mesh, const Surface& surface, const Pass& pass, bool shared) {
    const GroupFrame frame = groupFrame(surface);
    const int firstBand = pass.firstRow / kBandRows, lastBand = std::min(pass.lastRow, height_ - 1) / kBandRows;
    IndexedSource source;
    source.mesh = &mesh;
    const size_t groups = (mesh.triangles + kLanes - 1) / kLanes;
    for (size_t group = 0; group < groups; ++group) {
        const size_t at = group * kLanes;
        const int count = static_cast<int>(std::min<size_t>(kLanes, mesh.triangles - at));
        if (shared) {
            // Passed over unless the bands its corners span reach this thread's rows.
            int lowest = kAnyBand, highest = 0;
            const uint32_t* numbers = mesh.indices + 3 * at;
            for (int i = 0; i < 3 * count; ++i) {
                const uint16_t b = cornerBand_[numbers[i]];
                if (b == kAnyBand) {
                    lowest = 0, highest = kAnyBand;
                    break;
                }
                lowest = std::min<int>(lowest, b), highest = std::max<int>(highest, b);
            }
            if (highest < firstBand || lowest > lastBand) continue;
        }
        uint32_t triangle[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) {
            triangle[lane] = static_cast<uint32_t>(at + std::min(lane, count - 1));
            source.select(lane, triangle[lane]);
        }
        readAhead(mesh, projected_.data(), group);
        const LaneCorners c = gatherCorners(mesh, projected_.data(), triangle);
        uint32_t reach = (1u << kLanes) - 1;
        if (shared) {
            // Only the lanes that reach the rows; one cut at the near plane may reach any.
            const GroupBounds g = groupBounds(c, frame);
            const LaneMask inRows = g.wanted & (g.y1 >= pass.firstRow) & (g.y0 <= pass.lastRow);
            reach = laneBits(inRows | ~c.inFront);
            if (!reach) continue;
        }
        drawGroup(c, source, count, reach, frame, surface, pass);
    }
}

void Rasteriser::drawIndexed(const IndexedMesh& mesh, const Surface& surface) {
    if (!camera_.valid || width_ == 0 || height_ == 0 || !mesh.positions || !mesh.indices) return;
    if (mesh.triangles == 0 || mesh.corners == 0) return;
    const int parts = std::min(threads_, kMostParts);
    if (parts > 1 && mesh.triangles < kTrianglesForThreads && !surface.image.data) {
        // A small mesh waits with the others, written out as its records:
        // the same pixels.
        const size_t first = built_.size();
        try {
            IndexedSource source;
            source.mesh = &mesh;
            for (size_t t = 0; t < mesh.triangles; ++t) {
                source.select(0, static_cast<uint32_t>(t));
                built_.push_back(source.triangle(0));
            }
            drawBuilt(first, surface);
            return;
        } catch (const std::bad_alloc&) {
            // Drawn now instead; what was written out goes.
            built_.resize(std::min(built_.size(), first));
        }
    }
    drawWaiting();
    try {
        projected_.resize(mesh.corners);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (parts > 1 && mesh.triangles >= kTrianglesForThreads && drawIndexedInBands(mesh, surface, parts)) return;
    projectCorners(mesh, 0, mesh.corners, nullptr);
    drawIndexedPass(mesh, surface, wholePicture(), false);
}

bool Rasteriser::drawIndexedInBands(const IndexedMesh& mesh, const Surface& surface, int parts) {
    const int bands = (height_ + kBandRows - 1) / kBandRows;
    // Unused loads a cache line long between the threads' rows: no line is
    // written by two threads.
    const size_t loadRow = bands + (64 + sizeof(BandLoad) - 1) / sizeof(BandLoad);
    std::vector<BandLoad> load;  // what each thread's corners bring each band, a row a thread
    try {
        cornerBand_.resize(mesh.corners);
        load.assign(loadRow * parts, BandLoad{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!readyBandLighting(parts)) return false;
    // What waits from the objects before is lit before these pixels change.
    batch_.flush();

    const size_t cornerChunks = (mesh.corners + kCornerChunk - 1) / kCornerChunk;
    std::atomic<size_t> nextChunk{0};
    int participants = 1;
    std::optional<std::latch> projected;
    auto work = [&](int part) {
        for (size_t c; (c = nextChunk++) < cornerChunks;)
            projectCorners(mesh, c * kCornerChunk, std::min(mesh.corners, (c + 1) * kCornerChunk),
                           load.data() + part * loadRow);
        projected->arrive_and_wait();
        // Every thread cuts the rows alike, at the same shares of the work.
        auto workOf = [&](int b) {
            BandLoad all;
            for (int p = 0; p < participants; ++p) all.add(load[p * loadRow + b]);
            return all.work(width_, kBandRows);
        };
        const auto [start, end] = rowShare(bands, workOf, part, participants);
        PixelLighting& lighting = *bandLighting_[part];
        if (start < end) {
            const Pass pass{colour_.data(), depth_.data(), &lighting, nullptr, start * kBandRows,
                            std::min(height_, end * kBandRows) - 1};
            drawIndexedPass(mesh, surface, pass, true);
        }
        lighting.flush();
    };
    runAsTeam(
        parts,
        [&](int count) {
            participants = count;
            projected.emplace(count);
        },
        work);
    return true;
}

}  // namespace kxr

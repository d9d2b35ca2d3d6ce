// The z-buffered triangle filler with per-pixel lighting. One Rasteriser holds
// one picture; triangles arrive in world coordinates.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <vector>

#include "camera_projection.h"
#include "kx/types.h"
#include "pixel_lighting.h"
#include "vec3.h"

namespace kxr {

namespace lanes {
struct LaneCamera;
struct LaneCorners;
}  // namespace lanes

struct Light {
    Vec3 position;
    Vec3 colour;       // 0..1 per channel
    bool spot = false;
    Vec3 direction;    // unit, for a spot light
};

// A colour of 0..1 a channel as the picture holds it; anything not a number
// or below 0 is 0.
inline uint32_t pictureColour(const Vec3& c) {
    auto channel = [](double v) -> uint32_t {
        if (!(v > 0)) return 0;
        if (v >= 1) return 255;
        return static_cast<uint32_t>(v * 255.0 + 0.5);
    };
    return 0xFF000000u | channel(c.x) << 16 | channel(c.y) << 8 | channel(c.z);
}

// An RGB image map, rows top first, three bytes a pixel.
struct ImageMap {
    const unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
};

// What the pixels of one object are shaded with.
struct Surface {
    Vec3 colour;          // 0..1 per channel
    ImageMap image;       // used when data is set
};

struct Vertex {
    Vec3 position;
    Vec3 normal;          // zero: the face normal is used
    double u = 0, v = 0;
};

// A mesh whose triangles share their corners: three floats a corner for its
// position and, when normals is set, for its normal (all zero: the face's
// normal); three corner numbers a triangle, each below `corners`.
struct IndexedMesh {
    const float* positions = nullptr;
    const float* normals = nullptr;
    const uint32_t* indices = nullptr;
    size_t corners = 0;
    size_t triangles = 0;
};

// An indexed mesh's corner on the picture, beside its place in the world
// (for the face normal): what a triangle reads of a corner, in one line
// of the cache, so that triangles drawn out of the mesh's order wait for
// one read a corner, not seven.
struct alignas(32) ProjectedCorner {
    float sx, sy, invz;
    int32_t inFront;  // -1 when in front of the near plane and on the picture's plane, else 0
    float x, y, z;
    float unused;
};

// A small triangle's barycentric weights b0, b1 and its 1/z at the first
// pixel centre of its block, and their steps a column (x) and a row (y).
struct BlockWeights {
    float w0, w1, w0x, w0y, w1x, w1y, z2, dz0, dz1;
};

// The depths a small triangle's block test found, four a row.
using BlockDepths = std::array<float, 32>;

class Rasteriser {
public:
    // Clears the picture to the background at the given size (0 allowed).
    void begin(int width, int height);
    void setCamera(const CameraSpace& camera) {
        camera_ = camera;
        sceneChanged();
        updateView();
    }
    void setLights(std::vector<Light> lights) {
        // The same lights again (each object is handed them) change nothing:
        // the meshes waiting keep waiting.
        if (sameLights(lights)) return;
        lights_ = std::move(lights);
        sceneChanged();
    }
    // How many threads draw a long mesh, each a share of its triangles (the
    // helpers into layers merged after; 1: the calling thread alone).
    void setThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }
    // Writes the colours of the pixels still waiting to be lit.
    void flush() { batch_.flush(); }
    // Small meshes drawn on several threads wait, in the order they came,
    // until something else is drawn or the frame ends: then each thread
    // draws them all into a band of the picture's rows of its own. finish()
    // draws what waits and lights every pixel; the picture is whole after it.
    void finish();
    // Where a small mesh may be built in place: append its triangles, then
    // hand drawBuilt() the index of the first.
    std::vector<TriPolygon>& buildArea() { return built_; }
    void drawBuilt(size_t first, const Surface& surface);
    // Makes an object's triangles (for a surface without an image map),
    // appending them to `into`; only the rasteriser's const side is read.
    using Tessellate = void (*)(const Rasteriser& r, const CadObject& object, const Surface& surface,
                                std::vector<TriPolygon>& into);
    // Whether objects drawn from their parameters may wait to be made, on
    // the threads, with the small meshes.
    bool sharesShapes() const { return std::min(threads_, kMostParts) > 1; }
    // The object (its fields: its links are not followed) is made and drawn
    // with what waits.
    void waitShape(Tessellate tessellate, const CadObject& object, const Surface& surface);
    void drawTriangle(const Vertex (&v)[3], const Surface& surface);
    // n triangles of a mesh in one colour (no image map): the common case,
    // read straight from the records.
    void drawMesh(const TriPolygon* triangles, size_t n, const Surface& surface);
    // An indexed mesh in one colour: each corner is projected once, and on
    // several threads each draws whole bands of the picture's rows. The same
    // pixels as drawMesh() of its triangles written out. Its corner numbers
    // must lie below its corner count.
    void drawIndexed(const IndexedMesh& mesh, const Surface& surface);

    // Thin lines, one pixel wide in one colour, unlit: hidden behind what is
    // nearer, and hiding what is drawn behind them later. Waiting pixels are
    // lit first, so that a line drawn after a surface stays over it.
    void drawLine(const Vec3& a, const Vec3& b, uint32_t colour);
    // A lone point: a small cross on the picture at the point's depth.
    void drawPoint(const Vec3& p, uint32_t colour);
    // A marker's line (a light's or a camera's): drawn when the frame ends,
    // and only where no surface lies, so that it never hides one.
    void addMarker(const Vec3& a, const Vec3& b, uint32_t colour);
    // Draws the markers added since begin(), and forgets them.
    void drawMarkers();

    // How many pixels the radius of a ball about centre spans on the picture;
    // larger than the picture when the ball reaches the eye.
    double pixelsAcross(Vec3 centre, double radius) const;
    Vec3 eye() const { return camera_.location; }

    int width() const { return width_; }
    int height() const { return height_; }
    // The picture; flush() first when pixels may still wait for their colour.
    const std::vector<uint32_t>& pixels() const { return colour_; }

private:
    struct Corner;
    struct Face;
    // The pixels a pass drew, within a rectangle (empty while right < left).
    struct Touched {
        int left = 0, top = 0, right = -1, bottom = -1;
        void add(int x0, int y0, int x1, int y1) {
            if (right < left) {
                *this = {x0, y0, x1, y1};
                return;
            }
            left = std::min(left, x0), top = std::min(top, y0);
            right = std::max(right, x1), bottom = std::max(bottom, y1);
        }
    };
    // Where one drawing pass writes: the picture and depths (the target's, or
    // a helper thread's layer), where its pixels wait to be lit, and where
    // the pixels it drew are noted (for a layer).
    struct Pass {
        uint32_t* colour;
        float* depth;
        PixelLighting* lighting;
        Touched* touched;
        // The rows the pass may read and write: a band of the picture that
        // one thread owns, or the whole of it.
        int firstRow = 0;
        int lastRow = kAllRows;
    };
    static constexpr int kAllRows = 1 << 30;
    // A helper thread's layer over the picture: it starts empty (depth 0
    // everywhere), and is emptied again once merged.
    struct Layer {
        std::vector<uint32_t> colour;
        std::vector<float> depth;
        std::unique_ptr<PixelLighting> lighting;
        Touched touched;
    };
    Pass wholePicture() { return {colour_.data(), depth_.data(), &batch_, nullptr}; }
    // Places the camera's picture in the target; depends only on the size and the camera.
    void updateView();
    // Tells the lighting batches where each pixel's ray runs.
    void aimRays();
    void sceneChanged();
    bool sameLights(const std::vector<Light>& lights) const {
        auto same = [](const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
        return std::equal(lights.begin(), lights.end(), lights_.begin(), lights_.end(), [&](const Light& a, const Light& b) {
            return same(a.position, b.position) && same(a.colour, b.colour) && a.spot == b.spot &&
                   same(a.direction, b.direction);
        });
    }
    bool project(const Vec3& cam, const Vertex& v, Corner& p) const;
    void drawMeshInParts(const TriPolygon* triangles, size_t n, const Surface& surface, int parts);
    // Makes sure every helper thread has an empty layer of the picture's
    // size; false when there is no room.
    bool readyLayers(int parts);
    // Makes sure each of `parts` threads has a lighting batch of its own for
    // the rows it draws; false when there is no room.
    bool readyBandLighting(int parts);
    // The rows (and how wide a stretch of them) a run of triangles may reach
    // on the picture, from the box around its corners; top above bottom when
    // it lies wholly off the picture, every row when it reaches the eye.
    struct RunReach {
        int top = 0, bottom = -1;
        double across = 0;
    };
    RunReach reachOf(const TriPolygon* triangles, size_t n) const;
    // Draws the small meshes waiting, on the threads there are: each
    // thread every run that reaches its band of rows. The triangles built
    // from keepFrom on stay, moved to the front.
    void drawWaiting(size_t keepFrom = SIZE_MAX);
    // A small mesh waiting: its triangles in built_, or an object to make
    // first (then its triangles come to lie in shapeBuilt_[area]).
    struct Waiting {
        size_t first, count;
        Surface surface;
        Tessellate tessellate = nullptr;
        CadObject object{};
        int area = 0;
    };
    // Below this many triangles a second thread costs more than it saves.
    static constexpr size_t kTrianglesForThreads = 8192;
    static constexpr int kMostParts = 8;
    // Takes every pixel a layer drew nearer than the picture holds, and
    // empties the layer.
    void merge(Layer& layer);
    void drawMeshPass(const TriPolygon* triangles, size_t n, const Surface& surface, const Pass& pass);
    // The drawing of four triangles whose corners are on the picture (of
    // whichever source: a mesh's records or an indexed mesh), the first
    // `count` of them where lanesDrawn has their bit.
    struct GroupFrame;
    struct GroupBounds;
    struct RecordSource;
    struct IndexedSource;
    GroupFrame groupFrame(const Surface& surface) const;
    lanes::LaneCamera laneCamera() const;
    static GroupBounds groupBounds(const lanes::LaneCorners& c, const GroupFrame& frame);
    template <class Source>
    void drawGroup(const lanes::LaneCorners& c, Source& source, int count, uint32_t lanesDrawn, const GroupFrame& frame,
                   const Surface& surface, const Pass& pass);
    // What the corners falling in a band of rows bring it to draw: their
    // triangles, and pixels over the width they span.
    struct BandLoad {
        uint32_t corners = 0;
        float left = 1e30f, right = -1e30f;
        void add(const BandLoad& o) {
            corners += o.corners;
            left = std::min(left, o.left);
            right = std::max(right, o.right);
        }
        // For a band of `rows` rows of a picture `width` wide, in the time a
        // corner's triangles take, about three pixels'.
        double work(int width, int rows) const {
            const double across = right > left ? std::min<double>(right - left, width) : 0.0;
            return corners + across * rows / 3.0;
        }
    };
    // Corners [from, to) of mesh onto the picture; with bandLoad, the band
    // of rows each lies in, and what it brings the band's element.
    void projectCorners(const IndexedMesh& mesh, size_t from, size_t to, BandLoad* bandLoad);
    // The groups of four triangles of an indexed mesh, in its order, through
    // one pass; when the picture is shared among threads, only those that
    // reach the pass's rows, found from the corners' bands.
    void drawIndexedPass(const IndexedMesh& mesh, const Surface& surface, const Pass& pass, bool shared);
    // False when there was no room for the threads' lighting.
    bool drawIndexedInBands(const IndexedMesh& mesh, const Surface& surface, int parts);
    // A segment's ends on the picture: x, y and 1/z.
    struct ScreenEnd {
        double x, y, invz;
    };
    // The part of the segment in front of the near plane, on the picture;
    // false when none is.
    bool screenSegment(const Vec3& a, const Vec3& b, ScreenEnd& p, ScreenEnd& q) const;
    // Steps along the segment a pixel at a time: onlyBackground draws where
    // no surface is and leaves the depths; otherwise the depth is tested and kept.
    void rasterSegment(ScreenEnd p, ScreenEnd q, uint32_t colour, bool onlyBackground);
    struct Marker {
        Vec3 a, b;
        uint32_t colour;
    };
    void drawGeneral(const TriPolygon& t, const Surface& surface, const Pass& pass);
    void drawCut(const Vertex (&v)[3], const Vec3 (&cam)[3], const Surface& surface, Face& face, const Pass& pass);
    void fill(Corner (&p)[3], const Surface& surface, Face& face, const Pass& pass);
    // A triangle whose pixel centres on the picture lie within four columns
    // and eight rows, starting at (x0, y0): the block's centres are tested
    // together, without a branch a pixel.
    void fillBlock(Corner (&p)[3], const BlockWeights& weights, const Surface& surface, Face& face,
                   const Pass& pass, int x0, int y0, int columns, int rows);
    // The block's centres inside the triangle and nearer than the depths
    // there: bit 4 r + c for column c of row r, with the depth (1/z) found
    // at each in element 4 r + c of `found`.
    // Rows outside the pass's are neither read nor covered.
    uint32_t coverBlock(const BlockWeights& weights, const Pass& pass, int x0, int y0, int columns, int rows,
                        BlockDepths& found) const;
    // Draws the covered centres of a block of a triangle in one colour with
    // the face's normal (of any length), lit at the points on their rays; its
    // depths must be ones the pass's lighting reaches().
    void drawPlainBlock(uint32_t covered, const BlockDepths& found, const std::array<float, 3>& normal,
                        const std::array<float, 3>& colour, const Pass& pass, int x0, int y0);
    // The same for a triangle with normals at its corners: each centre's
    // normal is theirs weighed perspective-correct, in single precision (the
    // face's where those cancel out). invz holds the corners' 1/z.
    void drawSmoothBlock(uint32_t covered, const BlockDepths& found, const BlockWeights& weights,
                         const std::array<float, 3>& invz, const TriPolygon& corners,
                         const std::array<float, 3>& faceNormal, const std::array<float, 3>& colour, const Pass& pass,
                         int x0, int y0);
    // Draws the covered centres of a block.
    void drawBlock(Corner (&p)[3], const BlockWeights& weights, uint32_t covered, const BlockDepths& found,
                   const Surface& surface, Face& face, const Pass& pass, int x0, int y0);
    // Depth-tested pixel (x, y) is drawn: its colour from the corners'
    // attributes at weights b0, b1, b2 (of the picture) and depth invz.
    void drawPixel(const Corner (&p)[3], const Surface& surface, Face& face, const Pass& pass, int x, int y,
                   double b0, double b1, double b2, double invz);
    // The colour of a point with the given unit normal and surface colour.
    uint32_t shade(Vec3 position, Vec3 normal, Vec3 base) const;

    int width_ = 0, height_ = 0;
    // The camera's picture inside the target, kept at the camera's aspect.
    double viewX_ = 0, viewY_ = 0, viewW_ = 0, viewH_ = 0;
    CameraSpace camera_;
    std::vector<Light> lights_;
    std::vector<uint32_t> colour_;
    std::vector<float> depth_;  // 1/z of the nearest surface, 0 where none
    PixelLighting batch_;
    bool batched_ = true;
    int threads_ = 1;
    // Made when first needed, kept for the next frames.
    std::vector<Layer> layers_;
    std::vector<std::unique_ptr<PixelLighting>> bandLighting_;
    std::vector<Marker> markers_;
    std::vector<TriPolygon> built_;   // the waiting meshes' triangles, then one being built
    std::vector<Waiting> waiting_;
    size_t waitingTriangles_ = 0;
    std::vector<std::vector<TriPolygon>> shapeBuilt_;  // a thread's made objects
    std::vector<ProjectedCorner> projected_;
    // The band of rows each projected corner lies in; kAnyBand off the near
    // plane's side.
    std::vector<uint16_t> cornerBand_;
    static constexpr uint16_t kAnyBand = 0xFFFF;
};

}  // namespace kxr

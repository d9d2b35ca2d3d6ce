// The z-buffered triangle filler with per-pixel lighting. One Rasteriser holds
// one picture; triangles arrive in world coordinates.
#pragma once

#include <cstdint>
#include <vector>

#include "camera_projection.h"
#include "kx/types.h"
#include "pixel_lighting.h"
#include "vec3.h"

namespace kxr {

struct Light {
    Vec3 position;
    Vec3 colour;       // 0..1 per channel
    bool spot = false;
    Vec3 direction;    // unit, for a spot light
};

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

class Rasteriser {
public:
    // Clears the picture to the background at the given size (0 allowed).
    void begin(int width, int height);
    void setCamera(const CameraSpace& camera) {
        batch_.flush();
        camera_ = camera;
        batched_ = batch_.setScene(camera_.location, lights_);
        updateView();
    }
    void setLights(std::vector<Light> lights) {
        lights_ = std::move(lights);
        batched_ = batch_.setScene(camera_.location, lights_);
    }
    // Writes the colours of the pixels still waiting to be lit.
    void flush() { batch_.flush(); }
    void drawTriangle(const Vertex (&v)[3], const Surface& surface);
    // n triangles of a mesh in one colour (no image map): the common case,
    // read straight from the records.
    void drawMesh(const TriPolygon* triangles, size_t n, const Surface& surface);

    int width() const { return width_; }
    int height() const { return height_; }
    // The picture; flush() first when pixels may still wait for their colour.
    const std::vector<uint32_t>& pixels() const { return colour_; }

private:
    struct Corner;
    struct Face;
    // Places the camera's picture in the target; depends only on the size and the camera.
    void updateView();
    bool project(const Vec3& cam, const Vertex& v, Corner& p) const;
    void drawCut(const Vertex (&v)[3], const Vec3 (&cam)[3], const Surface& surface, Face& face);
    void fill(const Corner (&p)[3], const Surface& surface, Face& face);
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
};

}  // namespace kxr

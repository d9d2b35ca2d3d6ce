// The z-buffered triangle filler with per-pixel lighting. One Rasteriser holds
// one picture; triangles arrive in world coordinates.
#pragma once

#include <cstdint>
#include <vector>

#include "camera_projection.h"
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
        camera_ = camera;
        updateView();
    }
    void setLights(std::vector<Light> lights) { lights_ = std::move(lights); }
    void drawTriangle(const Vertex (&v)[3], const Surface& surface);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint32_t>& pixels() const { return colour_; }

private:
    struct Projected;
    // Places the camera's picture in the target; depends only on the size and the camera.
    void updateView();
    bool project(const Vec3& cam, const Vertex& v, Projected& p) const;
    void fill(const Projected (&p)[3], const Surface& surface, Vec3 faceNormal);
    uint32_t shade(Vec3 position, Vec3 normal, double u, double v, const Surface& surface) const;

    int width_ = 0, height_ = 0;
    // The camera's picture inside the target, kept at the camera's aspect.
    double viewX_ = 0, viewY_ = 0, viewW_ = 0, viewH_ = 0;
    CameraSpace camera_;
    std::vector<Light> lights_;
    std::vector<uint32_t> colour_;
    std::vector<float> depth_;  // 1/z of the nearest surface, 0 where none
};

}  // namespace kxr

// The shaded preview's drawing library: a software z-buffer rasteriser that the
// program drives through eight calls. It draws into its own 32-bit buffer and
// hands each finished picture to the target it was opened with.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "kx/camera.h"
#include "kx/textures.h"
#include "kx/types.h"

#define KXRENDER_API extern "C" __attribute__((visibility("default")))

// One finished picture: rows top first, each pixel 0xFFRRGGBB.
struct PreviewFrame {
    int width;
    int height;
    const uint32_t* pixels;
};

// Where the pictures go. The view stores its size whenever it is resized; the
// library reads it at the start of every frame and calls deliver() from the
// drawing thread once the frame is complete. deliver() must not block.
class PreviewTarget {
public:
    std::atomic<int> width{0};
    std::atomic<int> height{0};
    virtual void deliver(const PreviewFrame& frame) = 0;

protected:
    PreviewTarget() = default;
    ~PreviewTarget() = default;
};

// What the library can draw (48 bytes). size and version are set by the caller.
struct PreviewCaps {
    uint32_t size;
    uint32_t version;
    uint32_t mode;     // 0 none, 1 and 2 reserved, anything else: label names it
    uint32_t textured; // non-zero when textured shading is available
    char label[32];
};
static_assert(sizeof(PreviewCaps) == 48 && offsetof(PreviewCaps, label) == 16);

inline constexpr uint32_t KXRENDER_CAPS_VERSION = 7;
inline constexpr uint32_t KXRENDER_MODE_SOFTWARE = 3;
// Preview modes handed to RenderSetCamera (the PreviewRender setting).
inline constexpr int KXRENDER_SHADED = 1;
inline constexpr int KXRENDER_TEXTURED = 2;
// The background of every picture.
inline constexpr uint32_t KXRENDER_BACKGROUND = 0xFF000000u;

// A mesh whose triangles share their corners, as the preview keeps it
// prepared: three floats a corner for its position and, when normals is set,
// three for its normal (all zero: the face's own normal is used); three
// corner numbers a triangle, each below cornerCount. A mesh naming a corner
// it lacks is not drawn.
struct PreviewMesh {
    uint32_t cornerCount;
    uint32_t triangleCount;
    const float* positions;
    const float* normals;
    const uint32_t* corners;
};

// All calls return 1 on success and 0 on failure. The calls between
// RenderBeginFrame and RenderEndFrame come from one thread at a time.
KXRENDER_API int RenderOpen(PreviewTarget* target) noexcept;
KXRENDER_API int RenderClose(PreviewTarget* target) noexcept;
KXRENDER_API int RenderObject(const CadObject* object, const TextureInfo* material) noexcept;
KXRENDER_API int RenderSetCamera(const CameraInfo* camera, int previewMode, int viewValue) noexcept;
KXRENDER_API int RenderEndFrame() noexcept;
KXRENDER_API int RenderLight(int index, const Point3d* position, const Point3d* pointAt,
                             uint32_t colour) noexcept;
KXRENDER_API int RenderBeginFrame(PreviewTarget* target) noexcept;
KXRENDER_API int RenderCapabilities(PreviewCaps* caps) noexcept;
// Beside RenderObject: object (its flags and colour) drawn with the triangles
// of mesh instead of its own; the same picture as its triangles written out.
KXRENDER_API int RenderMesh(const CadObject* object, const PreviewMesh* mesh, const TextureInfo* material) noexcept;

// A member of a group that shows only part of its members' surfaces (an
// intersection, a difference): the solids its surface must lie within and
// those it must lie outside (their fields; a kind of no known inside bounds
// nothing). Surfaces are lit on the side the eye sees, so a taken-away
// member's, which walls the hollow it leaves, needs no turning.
struct PreviewClip {
    const CadObject* within;
    uint32_t withinCount;
    const CadObject* without;
    uint32_t withoutCount;
};
// Beside RenderObject and RenderMesh: object (with mesh's triangles when
// mesh is set) drawn in its material's colour only where clip keeps it.
KXRENDER_API int RenderClippedObject(const CadObject* object, const PreviewMesh* mesh, const TextureInfo* material,
                                     const PreviewClip* clip) noexcept;

// The calls of the preview's drawing library, as a table, so that the
// driver can be run against a recording stand-in.
#pragma once

#include "kxrender.h"

namespace kx::app {

struct RenderBackend {
    int (*open)(PreviewTarget* target) noexcept;
    int (*close)(PreviewTarget* target) noexcept;
    int (*object)(const CadObject* object, const TextureInfo* material) noexcept;
    int (*setCamera)(const CameraInfo* camera, int previewMode, int viewValue) noexcept;
    int (*endFrame)() noexcept;
    int (*light)(int index, const Point3d* position, const Point3d* pointAt, uint32_t colour) noexcept;
    int (*beginFrame)(PreviewTarget* target) noexcept;
    int (*capabilities)(PreviewCaps* caps) noexcept;
    // An object drawn with the shared corners of its prepared mesh.
    int (*mesh)(const CadObject* object, const PreviewMesh* mesh, const TextureInfo* material) noexcept;
    // A member of an intersection or a difference, drawn where the group keeps it.
    int (*clipped)(const CadObject* object, const PreviewMesh* mesh, const TextureInfo* material,
                   const PreviewClip* clip) noexcept;
};

// The table of our own rasteriser.
RenderBackend libraryBackend();

// Asks the library what it can draw: the mode (0 when there is no preview)
// with caps filled.
uint32_t queryPreviewCapabilities(const RenderBackend& backend, PreviewCaps& caps);

}  // namespace kx::app

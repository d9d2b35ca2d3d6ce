// What the exports a renderer reads (F5, --render, animation frames, the
// frame farm's workers, sequence files, network renders) write differently
// from a scene exported for keeping: POV-Ray 3.5 and later parse meshes as
// mesh2 many times faster than as lists of triangles, so on this road meshes
// are written so by default ("Render"/"Mesh2", 1), while Write3Dfile and
// --export write the same bytes as ever unless "Export"/"Mesh2" asks.
#pragma once

#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

// True for definitions of a POV-Ray 3 renderer that reads mesh2: every one
// whose description names no version before 3.5 ("POV-Ray 3.1" does not).
bool rendererReadsMesh2(const RendererDefinition& renderer);

// While it lives, the core writes meshes as mesh2 when the renderer reads
// them and the settings allow it; the core's choice before comes back after.
class RenderRoadExport {
public:
    RenderRoadExport(const RendererDefinition& renderer, const Settings& settings);
    ~RenderRoadExport();
    RenderRoadExport(const RenderRoadExport&) = delete;
    RenderRoadExport& operator=(const RenderRoadExport&) = delete;

private:
    int before_;
};

}  // namespace kx::app

// What the exports a renderer reads (F5, --render, animation frames, the
// frame farm's workers, sequence files, network renders) write differently
// from a scene exported for keeping: POV-Ray 3.5 and later parse meshes as
// mesh2 many times faster than as lists of triangles, so on this road meshes
// are written so by default ("Render"/"Mesh2", 1), while Write3Dfile and
// --export write the same bytes as ever unless "Export"/"Mesh2" asks.
#pragma once

#include <cstdint>
#include <string>

#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

// True for definitions of a POV-Ray 3 renderer that reads mesh2: every one
// whose description names no version before 3.5 ("POV-Ray 3.1" does not).
bool rendererReadsMesh2(const RendererDefinition& renderer);

// While it lives, the core writes meshes as mesh2 when the renderer reads
// them and the settings allow it; the core's choice before comes back after.
// Given a cache folder (meshCacheFolder), each mesh goes to an include file of
// its own there, named by its content, so that a render after only the
// camera, a light or a texture changed writes the small scene file alone;
// the folder is cleaned when the export of scenePath ends (see cleanMeshCache).
class RenderRoadExport {
public:
    RenderRoadExport(const RendererDefinition& renderer, const Settings& settings, const std::string& scenePath = {},
                     const std::string& cacheFolder = {});
    ~RenderRoadExport();
    RenderRoadExport(const RenderRoadExport&) = delete;
    RenderRoadExport& operator=(const RenderRoadExport&) = delete;

private:
    int before_;
    std::string cacheBefore_;
    std::string folder_;
    std::string scenePath_;
    uint64_t capBytes_ = 0;
};

// The cache folder beside the render scenes written into folder for the
// document named stem ("frames", "still" → "frames/still.kxmesh", absolute):
// every render and every frame of one document shares it.
std::string meshCacheFolder(const std::string& folder, const std::string& stem);

// Removes from a cache folder the include files that no ".pov" file beside
// it names, once they are older than keepSeconds (another render may be
// writing the scene file that will name a newer one), then the oldest files
// the scene at scenePath does not name until the folder holds at most
// capBytes. Files another writer has not moved into place yet are left alone.
void cleanMeshCache(const std::string& folder, const std::string& scenePath, uint64_t capBytes,
                    int keepSeconds = 60);

}  // namespace kx::app

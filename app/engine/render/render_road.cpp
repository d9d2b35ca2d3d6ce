#include "render/render_road.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "kxcore.h"

namespace kx::app {

bool rendererReadsMesh2(const RendererDefinition& renderer) {
    if (renderer.type != static_cast<int32_t>(KX_FILETYPE_POVRAY3)) return false;
    // The first "major.minor" of the description is the renderer's version.
    const char* text = renderer.description;
    const size_t length = strnlen(text, sizeof renderer.description);
    for (size_t i = 0; i + 2 < length; ++i) {
        const bool startsNumber = std::isdigit(static_cast<unsigned char>(text[i])) &&
                                  (i == 0 || !std::isdigit(static_cast<unsigned char>(text[i - 1])));
        if (!startsNumber || text[i + 1] != '.' || !std::isdigit(static_cast<unsigned char>(text[i + 2]))) continue;
        const int major = text[i] - '0';
        const int minor = text[i + 2] - '0';
        return major > 3 || (major == 3 && minor >= 5);
    }
    return true;
}

RenderRoadExport::RenderRoadExport(const RendererDefinition& renderer, const Settings& settings)
    : before_(GetExportMesh2()) {
    if (settings.render.mesh2 && rendererReadsMesh2(renderer)) SetExportMesh2(1);
}

RenderRoadExport::~RenderRoadExport() { SetExportMesh2(before_); }

}  // namespace kx::app

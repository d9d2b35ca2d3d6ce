#include "preview/render_backend.h"

namespace kx::app {

RenderBackend libraryBackend() {
    return {RenderOpen,     RenderClose, RenderObject,     RenderSetCamera,
            RenderEndFrame, RenderLight, RenderBeginFrame, RenderCapabilities, RenderMesh,
            RenderClippedObject};
}

uint32_t queryPreviewCapabilities(const RenderBackend& backend, PreviewCaps& caps) {
    caps = PreviewCaps{};
    caps.size = sizeof caps;
    caps.version = KXRENDER_CAPS_VERSION;
    if (!backend.capabilities || !backend.capabilities(&caps)) {
        caps.mode = 0;
        caps.textured = 0;
    }
    caps.label[sizeof caps.label - 1] = '\0';  // whatever the library wrote
    return caps.mode;
}

}  // namespace kx::app

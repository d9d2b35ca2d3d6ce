#include "preview/preview_settings.h"

namespace kx::app {

PreviewChoices previewChoices(const PreviewCaps& caps) {
    PreviewChoices c;
    c.switchEnabled = caps.mode != 0;
    switch (caps.mode) {
        case 0:
        case 1: c.switchLabel = "Enable &OpenGL"; break;
        case 2: c.switchLabel = "Enable &Intel-3DR"; break;
        default: c.switchLabel = caps.label; break;
    }
    c.textured = caps.mode != 0 && caps.textured != 0;
    return c;
}

void applyPreviewCapabilities(const PreviewCaps& caps, Settings& settings) {
    if (caps.mode == 0) settings.desktop.enableGL = 0;
    // Textured shading the library cannot do falls back to plain shading.
    if (!caps.textured && settings.desktop.previewRender > 1) settings.desktop.previewRender = 1;
}

int startPreview(PreviewDriver& driver, PreviewTarget* target, Settings& settings) {
    driver.setPreviewRender(settings.desktop.previewRender);
    driver.setPictureSize(settings.render.renderX, settings.render.renderY);
    const int started = driver.Start(target);
    if (!started) settings.desktop.enableGL = 0;
    return started;
}

}  // namespace kx::app

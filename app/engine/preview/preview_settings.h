// The preview's part of the settings: the switch is on only while the
// library can draw and the preview could be started.
#pragma once

#include "preview/preview_driver.h"
#include "settings/settings.h"

namespace kx::app {

// What the settings dialog offers for the library's answer.
struct PreviewChoices {
    bool switchEnabled = false;   // with mode 0 the switch is greyed
    const char* switchLabel = ""; // points into caps for other modes
    bool textured = false;        // "Textured Shading" is offered
};

PreviewChoices previewChoices(const PreviewCaps& caps);

// At start: EnableGL stays on only when the library answers with a mode.
void applyPreviewCapabilities(const PreviewCaps& caps, Settings& settings);

// Starts the preview into target with the settings' options; a failure
// turns EnableGL off. Returns Start's result.
int startPreview(PreviewDriver& driver, PreviewTarget* target, Settings& settings);

}  // namespace kx::app

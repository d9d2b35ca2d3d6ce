// Sequence Files: every frame of the animation exported for the renderer with
// its render batch, then the frame sequence (one line a frame calling that
// frame's batch) and the frame list, all in the frame folder. Running the
// sequence goes through the batch runner.
#pragma once

#include <string>

#include "animation/frame_output.h"
#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

// What each line of the sequence passes to its frame's render batch: no
// display window, Targa images (the shipped renderer's defaults say otherwise).
inline constexpr const char* kSequenceRenderOptions = "-D +FT";
// A sequence line calls its frame's batch with the options above.
inline constexpr const char* kSequenceCommandTemplate = "$N$F $R";

struct SequenceFiles {
    FrameTarget target;
    std::string sequence;  // <folder>/<stem>.BAT (the sequence extension)
    std::string list;      // <folder>/<stem>.LST
    unsigned frames = 0;
};

// Writes the files for a scene file; the scene shows the frame it showed
// before. False with `error` when nothing or not everything was written (the
// core has shown its own messages for file errors).
bool writeSequenceFiles(const Settings& settings, const RendererList& renderers, const std::string& scene,
                        bool insideOut, SequenceFiles& written, std::string& error);

// The sequence file of a scene's animation, where Write puts it.
std::string sequenceFilePath(const std::string& scene);

}  // namespace kx::app

// Preview images of textures: writing their scenes, the rebuild that finds
// the missing ones (and writes "TEXTURES.sh" to render them by hand), and a
// pool that renders several previews at once through the renderer's command.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kxplatform/process.h"
#include "render/command_builder.h"
#include "render/renderer_definitions.h"
#include "settings/settings.h"
#include "texbuild/preview_scene.h"
#include "texbuild/texture_database.h"

namespace kx::app {

// The script the rebuild writes in the textures folder.
inline constexpr const char* kPreviewScript = "TEXTURES.sh";

// One preview to render.
struct PreviewJob {
    std::string textureName;
    std::string shortName;
    std::vector<std::string> argv;  // the renderer's command
    std::string imagePath;          // the image the command writes
    std::string folder;             // where it runs
};

// Writes `<folder>/<short><ext>` for the renderer's type: the header, the
// texture's definition when it is a user texture (`declare`), and the preview
// scene with the texture referred to in `form`. Returns the built command;
// ok is false when nothing could be written (logged or shown).
struct PreviewScene {
    std::string textureName;  // as the scene refers to it (layers joined by "+")
    std::string shortName;
    int shape = kPreviewSphere;
    TextureForm form = TextureForm::Layered;
    bool declareCurrent = false;  // write the builder's current texture as textureName
    bool declareSaved = false;    // load the saved user texture textureName and write it
    int quality = 1;
    int size = 100;  // width and height of the image
};
bool preparePreview(const std::string& texturesFolder, const RendererDefinition& renderer, const Settings& settings,
                    const PreviewScene& scene, PreviewJob& job);

// The builder's preview of its current texture under `name`: "No texture
// name specified" without a name, "External renderer not defined" without an
// external renderer. A texture without a short name is given one first.
bool prepareBuilderPreview(const TextureDatabase& db, const RendererDefinition& renderer, const Settings& settings,
                           const std::string& name, std::string& shortName, int shape, PreviewJob& job);
// The preview of texture layers (names joined by "+") under the short name "Layers$".
bool prepareLayeredPreview(const TextureDatabase& db, const RendererDefinition& renderer, const Settings& settings,
                           const std::string& layers, int shape, PreviewJob& job);


struct RebuildResult {
    bool ok = false;
    std::vector<PreviewJob> jobs;   // the previews that are missing
    std::string scriptPath;
    std::string message;            // what the user is told
};

// Compacts the user texture database, then writes a scene and a script line
// for every texture with a short name whose preview image is missing (user
// textures with their definition; deleted records and names that are no
// identifier are passed over, logged).
RebuildResult rebuildPreviews(const TextureDatabase& db, const RendererDefinition& renderer,
                              const Settings& settings);

// The outcome of one preview run.
struct PreviewResult {
    std::string textureName;
    std::string shortName;
    std::string imagePath;  // the image found after the run; empty when none
    bool ok = false;
    bool cancelled = false;
    int exitCode = 0;
};

// Renders previews, `parallel` at a time, each through its own runner with no
// shell. `finished` is called on a worker thread after each run.
class PreviewRenderPool {
public:
    using Finished = std::function<void(const PreviewResult&)>;
    PreviewRenderPool() = default;
    ~PreviewRenderPool();
    PreviewRenderPool(const PreviewRenderPool&) = delete;
    PreviewRenderPool& operator=(const PreviewRenderPool&) = delete;

    // Starts the jobs; false when a batch is still running.
    bool start(std::vector<PreviewJob> jobs, unsigned parallel, Finished finished);
    // Ends every run still going and drops the jobs not started.
    void cancel();
    void wait();
    bool running() const;

private:
    void work();

    std::vector<PreviewJob> jobs_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> cancelled_{false};
    std::atomic<unsigned> active_{0};
    Finished finished_;
    std::vector<std::thread> workers_;
    std::mutex runnersLock_;
    std::vector<platform::CommandRunner*> runners_;
};

// The renderer previews are made with, and `settings` made ready to build its
// command: the current renderer, or while "Preview Only" is chosen the first
// external one with the program paths its definition names.
RendererDefinition previewRenderer(const RendererList& renderers, Settings& settings);

// Runs at least one preview per core: a preview is mostly the renderer's
// start-up, so more runs than cores still pay.
unsigned defaultPreviewJobs();

}  // namespace kx::app

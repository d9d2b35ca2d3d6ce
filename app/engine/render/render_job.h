// The road of one render: size the camera, export the scene for the renderer,
// build its command, run it on the runner thread, and find the image it made.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "kxplatform/process.h"
#include "render/command_builder.h"
#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

// How a render ended.
struct RenderOutcome {
    bool ok = false;          // the image exists and is not empty
    bool cancelled = false;
    int exitCode = 0;
    std::string imagePath;    // the image the renderer was told to write
    std::string message;      // what went wrong, as shown to the user
};

class RenderJob {
public:
    struct Callbacks {
        std::function<void(const std::string&)> output;    // renderer output, on the runner thread
        std::function<void(const RenderOutcome&)> finished;  // on the runner thread
        // The window RENDER plug-ins are handed; null without a window.
        void* pluginWindow = nullptr;
    };

    RenderJob(Settings settings, RendererList renderers);
    ~RenderJob();

    // Renders the current scene of the document at `document` (a scene path;
    // its folder is where the export and the image go). False when nothing
    // was started (the reason has been shown).
    bool start(const std::string& document, Callbacks callbacks);
    // The folder the renderer runs in, where it finds the files a scene names
    // by a relative path (height fields, image maps); empty, as it starts:
    // the document's folder.
    void setRendererFolder(std::string folder) { rendererFolder_ = std::move(folder); }
    // The name the mesh cache folder beside the render's scene takes
    // ("NAME.kxmesh"); empty, as it starts: the document's name. The frames of
    // an animation all name it after the animation, so they share it.
    void setMeshCacheName(std::string name) { meshCacheName_ = std::move(name); }
    void cancel();
    // Waits for the end and checks the result.
    RenderOutcome wait();
    bool running() const;
    const BuiltCommand& command() const { return command_; }
    // Why the last start failed, when the renderer could not be started.
    std::string startFailure() const { return haveOutcome_ ? outcome_.message : std::string(); }

    // Reads "render.err" of the program folder; true when it holds more than 2 bytes.
    static bool readRenderErrors(const std::string& programFolder, std::string& text);

private:
    // A plug-in renderer: every RENDER item draws into the current image on
    // this thread, which is written as the scene's ".tga".
    bool startPluginRender(const std::string& document);
    // Reports a renderer that could not be started (errno), with its program.
    bool reportStartFailure(int error);
    // The image a render replaces is kept aside until the new one is complete.
    void keepPreviousImage();
    void restorePreviousImage();
    void forgetPreviousImage();
    RenderOutcome finish(const platform::RunResult& result);

    Settings settings_;
    RendererList renderers_;
    std::string keptImage_;      // the previous image, moved aside while rendering
    std::string keptImageName_;  // where it goes back
    BuiltCommand command_;
    platform::CommandRunner runner_;
    Callbacks callbacks_;
    std::string rendererFolder_;
    std::string meshCacheName_;
    RenderOutcome outcome_;
    bool haveOutcome_ = false;
};

// The file an image name refers to: itself, else a case-insensitive match in its folder.
std::string existingImage(const std::string& path);

// Writes the render batch beside a POV-Ray export: "<scene>.BAT".
bool writeRenderBatch(const Settings& settings, const std::string& scene);

// Starts the configured image viewer on an image; false (and a message) when
// none is configured or it cannot be started.
bool openImageViewer(const Settings& settings, const std::string& image);

}  // namespace kx::app

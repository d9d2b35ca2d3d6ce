#include "render/render_job.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "render/render_road.h"
#include "kxcore.h"
#include "model/scene_model.h"
#include "kxplatform/files.h"
#include "kxplatform/ui_callbacks.h"
#include "pixmo.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"
#include "render/executable_kind.h"

namespace kx::app {
namespace {

std::string systemText(int code) {
    char text[256];
    GetSystemErrorMessage(static_cast<unsigned long>(code), text, sizeof text);
    return text;
}

long fileSize(const std::string& path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<long>(size);
}

// A path as one word of a batch line, which the shell runs: in double quotes
// when it holds a blank or a character the shell treats specially; empty when
// it holds one that double quotes do not stop ($, `, ", \).
std::string batchWord(const std::string& path) {
    if (path.empty() || path.find_first_of("$`\"\\") != std::string::npos) return {};
    if (path.find_first_of(" \t;&|<>()'*?[]{}~!#=^,") == std::string::npos) return path;
    return "\"" + path + "\"";
}

}  // namespace

std::string existingImage(const std::string& path) {
    std::string existing = kx::platform::findExisting(path);
    return existing.empty() ? path : existing;
}

bool RenderJob::readRenderErrors(const std::string& programFolder, std::string& text) {
    // A renderer's error file beyond this is not shown whole anyway.
    constexpr size_t kLargestErrorFile = size_t{16} << 20;
    if (platform::readWholeFile(programFolder + "/render.err", text, kLargestErrorFile) != 0) return false;
    return text.size() > 2;
}

RenderJob::RenderJob(Settings settings, RendererList renderers)
    : settings_(std::move(settings)), renderers_(std::move(renderers)) {}

RenderJob::~RenderJob() {
    runner_.cancel();
    runner_.wait();
}

bool RenderJob::running() const { return runner_.running(); }

void RenderJob::cancel() { runner_.cancel(); }

bool RenderJob::start(const std::string& document, Callbacks callbacks) {
    callbacks_ = std::move(callbacks);
    haveOutcome_ = false;
    outcome_ = RenderOutcome{};
    const RendererDefinition& renderer = renderers_.current(settings_.render.type);
    if (&renderer == &renderers_.entries.front()) return false;  // preview only: nothing to run
    if (renderer.type == kPluginRendererType) return startPluginRender(document);
    if (!GetCurrentScene()) {
        ErrorMessage("Invalid Scene");
        return false;
    }
    POINT size{settings_.render.renderX, settings_.render.renderY};
    {
        SceneModel::Transaction change(SceneDelta::Camera);
        if (!change.owns()) return false;
        SetCameraSize(GetActiveCamera(), size);
    }

    RenderRequest request;
    request.scene = document;
    request.width = settings_.render.renderX;
    request.height = settings_.render.renderY;
    request.quality = settings_.render.quality;
    command_ = buildRenderCommand(renderer, settings_, request);
    if (!command_.ok) return false;
    {
        // Named after the document, so that every render and frame of it shares one.
        const std::filesystem::path scene(command_.outputPath);
        const std::string stem =
            meshCacheName_.empty() ? std::filesystem::path(document).stem().string() : meshCacheName_;
        const RenderRoadExport road(renderer, settings_, command_.outputPath,
                                    meshCacheFolder(scene.parent_path().string(),
                                                    stem.empty() ? scene.stem().string() : stem));
        if (!WriteExportFile(GetCurrentScene(), command_.outputPath.c_str(), static_cast<unsigned>(renderer.type)))
            return false;
    }
    // An old "render.err" would be shown for a failure of this run.
    if (std::string(renderer.commandTemplate).find("$<") != std::string::npos) {
        std::error_code ec;
        std::filesystem::remove(settings_.directories.program + "/render.err", ec);
    }
    const std::string cwd = rendererFolder_.empty() ? kx::platform::folderOf(document) : rendererFolder_;
    if (!settings_.render.waitForExit) {
        int rc = platform::startDetached(command_.argv, cwd);
        if (rc != 0) {
            ErrorMessage("%s : %s (%d)", "Executing External Render", systemText(rc).c_str(), rc);
            return false;
        }
        return true;
    }
    // A program that is not there fails here, once, with the system's reason
    // and its name, before anything else is tried on it.
    if (const int why = platform::whyNotRunnable(command_.argv.front()); why != 0) return reportStartFailure(why);
    bool capture = executableSubsystem(command_.argv.front()) == 3;
    platform::CommandRunner::Callbacks runnerCallbacks;
    runnerCallbacks.output = callbacks_.output;
    runnerCallbacks.finished = [this](const platform::RunResult& result) {
        RenderOutcome outcome = finish(result);
        if (callbacks_.finished) callbacks_.finished(outcome);
    };
    // The renderer writes its image as it goes: the one it replaces waits
    // beside it until the new one is complete, and comes back otherwise.
    keepPreviousImage();
    if (!runner_.start(command_.argv, cwd, capture, runnerCallbacks)) {
        restorePreviousImage();
        return reportStartFailure(runner_.result().startError);
    }
    return true;
}

bool RenderJob::startPluginRender(const std::string& document) {
    if (!GetCurrentScene()) {
        ErrorMessage("Invalid Scene");
        return false;
    }
    const int width = settings_.render.renderX, height = settings_.render.renderY;
    {
        SceneModel::Transaction change(SceneDelta::Camera);
        if (!change.owns()) return false;
        POINT size{width, height};
        if (CameraInfo* camera = GetActiveCamera()) SetCameraSize(camera, size);
    }
    plugins::PluginManager* manager = plugins::hostState().manager;
    // Each host function the plug-ins call is a change of the scene model.
    const int drawn = manager ? manager->renderWithItems(callbacks_.pluginWindow, 0, width, height) : 0;
    RenderOutcome out;
    std::string image = document;
    const size_t slash = image.find_last_of('/');
    const size_t dot = image.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) image.resize(dot);
    out.imagePath = image + ".tga";
    if (drawn == 0) {
        out.message = "Error rendering scene: no plug-in renderer drew the scene";
        ErrorMessage("%s", out.message.c_str());
    } else if (!WriteTGATopFirst(pxGetMemDC(), out.imagePath.c_str())) {
        out.message = "Error rendering scene: the image " + out.imagePath + " could not be written";
    } else {
        out.ok = true;
    }
    outcome_ = out;
    haveOutcome_ = true;
    if (callbacks_.finished) callbacks_.finished(out);
    return true;
}

void RenderJob::keepPreviousImage() {
    keptImage_.clear();
    if (command_.imagePath.empty()) return;
    const std::string previous = existingImage(command_.imagePath);
    if (!kx::platform::isRegularFile(previous)) return;
    const std::string aside = previous + ".kxprevious";
    if (::rename(previous.c_str(), aside.c_str()) == 0) {
        keptImage_ = aside;
        keptImageName_ = previous;
    }
}

void RenderJob::restorePreviousImage() {
    if (keptImage_.empty()) return;
    ::rename(keptImage_.c_str(), keptImageName_.c_str());
    keptImage_.clear();
}

void RenderJob::forgetPreviousImage() {
    if (keptImage_.empty()) return;
    ::unlink(keptImage_.c_str());
    keptImage_.clear();
}

bool RenderJob::reportStartFailure(int error) {
    // What to do about it: the program is chosen in one place.
    const std::string remedy = error == ENOENT ? "No renderer is installed there: choose it under Render > Render Settings..."
                                               : "Choose the renderer program under Render > Render Settings...";
    const std::string detail = command_.argv.front() + ": " + systemText(error) + "\n" + remedy;
    ErrorMessage("Error %ld executing command\n%s", static_cast<long>(error), detail.c_str());
    outcome_.message = "Error " + std::to_string(error) + " executing command\n" + detail;
    haveOutcome_ = true;
    return false;
}

RenderOutcome RenderJob::finish(const platform::RunResult& result) {
    RenderOutcome out;
    out.cancelled = result.cancelled;
    out.exitCode = result.exitCode;
    out.imagePath = existingImage(command_.imagePath);
    if (result.cancelled) {
        out.message = "Render cancelled";
    } else if (result.exitCode != 0) {
        out.message = "Error rendering scene, command exit code " + std::to_string(result.exitCode);
        std::string shown = out.message + "\n" + runner_.output();
        ErrorMessage("%s", shown.c_str());
    } else if (fileSize(out.imagePath) <= 0) {
        std::string errors;
        if (readRenderErrors(settings_.directories.program, errors)) {
            const KxUiCallbacks& ui = platform::ui();
            ui.messageBox(ui.context, nullptr, errors.c_str(), "Error rendering scene", KX_MB_OK | KX_MB_ICONEXCLAMATION);
            LogMessage(0, "%s", errors.c_str());
            out.message = errors;
        } else {
            out.message = "Error rendering scene: no image was written";
            ErrorMessage("%s", out.message.c_str());
        }
    } else {
        out.ok = true;
    }
    if (out.ok) {
        forgetPreviousImage();
    } else {
        restorePreviousImage();
        out.imagePath = existingImage(command_.imagePath);
    }
    if (result.cancelled) {
        // A cancelled renderer leaves the state it would resume from: large,
        // and of no use once the user stopped it.
        std::error_code ec;
        const std::string stem = command_.outputPath.substr(0, command_.outputPath.find_last_of('.'));
        std::filesystem::remove(stem + ".pov-state", ec);
    }
    outcome_ = out;
    haveOutcome_ = true;
    return out;
}

RenderOutcome RenderJob::wait() {
    runner_.wait();
    return outcome_;
}

bool writeRenderBatch(const Settings& settings, const std::string& scene) {
    const DirectorySettings& d = settings.directories;
    if (d.render.empty() || d.include.empty()) {
        ErrorMessage("External renderer not defined\r\n\r\nCheck that the selected external renderer\r\n"
                     "path and name are configured");
        return false;
    }
    // The batch and the files it names share the scene's name without extension.
    std::string stem = scene;
    size_t slash = stem.find_last_of('/');
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem.resize(dot);
    std::string batch = stem + ".BAT";
    const std::string words[] = {d.render, d.include, stem + ".pov", stem + ".tga"};
    std::string quoted[4];
    for (size_t i = 0; i < 4; ++i) {
        quoted[i] = batchWord(words[i]);
        if (quoted[i].empty()) {
            ErrorMessage("Unable to create/save render batch file %s\nThe path %s cannot stand in a batch line",
                         batch.c_str(), words[i].c_str());
            return false;
        }
    }
    StandardFile* f = StdOpenFile(batch.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(0, "render batch", batch.c_str());
        return false;
    }
    // Files are named in the case the exporter and renderer write them.
    StdPutLine(f, "%s %%1 %%2 %%3 +l%s +w%d +h%d +i%s +o%s\n", quoted[0].c_str(), quoted[1].c_str(),
               settings.render.renderX, settings.render.renderY, quoted[2].c_str(), quoted[3].c_str());
    if (!StdCloseFile(f)) {
        StdFileError(0, "render batch", batch.c_str());
        return false;
    }
    return true;
}

bool openImageViewer(const Settings& settings, const std::string& image) {
    if (settings.directories.viewer.empty()) {
        ErrorMessage("External image viewer not defined");
        return false;
    }
    std::vector<std::string> argv = platform::splitCommandLine(settings.directories.viewer);
    argv.push_back(image);
    int rc = platform::startDetached(argv, {});
    if (rc != 0) {
        ErrorMessage("%s : %s (%d)", "Executing Image Viewer", systemText(rc).c_str(), rc);
        return false;
    }
    return true;
}

}  // namespace kx::app

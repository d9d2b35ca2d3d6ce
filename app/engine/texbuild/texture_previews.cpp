#include "texbuild/texture_previews.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#include "kxplatform/files.h"
#include "kxplatform/process.h"
#include "texbuild/texture_names.h"

namespace kx::app {
namespace {

std::string shortNameOf(const TextureInfo& t) { return std::string(t.shortText1, strnlen(t.shortText1, 16)); }

bool writeDeclaration(StandardFile* f, const PreviewScene& scene) {
    if (scene.declareSaved && !LoadCustomTexture(scene.textureName.c_str())) {
        LogMessage(1, "User texture %s could not be loaded: no preview", scene.textureName.c_str());
        return false;
    }
    const TEX_EXPORT_FLAGS flags = scene.shape == kPreviewSky ? TEX_EXPORT_SKY : TEX_EXPORT_TEXTURE;
    return ExportCustomTexture(f, scene.textureName.c_str(), f->type, flags) != 0;
}

}  // namespace

bool preparePreview(const std::string& texturesFolder, const RendererDefinition& renderer, const Settings& settings,
                    const PreviewScene& scene, PreviewJob& job) {
    if (!hasPreviewScenes(renderer.type)) {
        ErrorMessage("External renderer not defined");
        return false;
    }
    if (!isSafeShortName(scene.shortName)) {
        LogMessage(1, "Texture %s has no usable short name: no preview", scene.textureName.c_str());
        return false;
    }
    RenderRequest request;
    request.scene = texturesFolder + "/" + scene.shortName;
    request.width = scene.size;
    request.height = scene.size;
    request.quality = scene.quality;
    BuiltCommand built = buildRenderCommand(renderer, settings, request);
    if (!built.ok) return false;

    StandardFile* f = StdOpenFile(built.outputPath.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(0, "Preview Texture", built.outputPath.c_str());
        return false;
    }
    f->type = static_cast<uint32_t>(renderer.type);
    // Polyray's header is not written here: its scenes start with their own setting.
    if (f->type != KX_FILETYPE_POLYRAY) WriteHeader(f, 0);
    bool ok = true;
    if (scene.declareCurrent || scene.declareSaved) ok = writeDeclaration(f, scene);
    ok = ok && writePreviewScene(f, scene.shape, scene.textureName, scene.form, settings.render.swatchStage != 0);
    if (!ok) {
        StdAbortFile(f);
        return false;
    }
    if (!StdCloseFile(f)) {
        StdFileError(0, "Preview Texture", built.outputPath.c_str());
        return false;
    }
    job.textureName = scene.textureName;
    job.shortName = scene.shortName;
    job.argv = built.argv;
    job.imagePath = built.imagePath;
    job.folder = texturesFolder;
    return true;
}

bool prepareBuilderPreview(const TextureDatabase& db, const RendererDefinition& renderer, const Settings& settings,
                           const std::string& name, std::string& shortName, int shape, PreviewJob& job) {
    if (name.empty()) {
        ErrorMessage("No texture name specified");
        return false;
    }
    if (renderer.type == 0) {
        ErrorMessage("External renderer not defined");
        return false;
    }
    if (!hasShortName(shortName) || !isSafeShortName(shortName)) shortName = newShortName(db.texturesFolder());
    PreviewScene scene;
    scene.textureName = name;
    scene.shortName = shortName;
    scene.shape = shape;
    scene.declareCurrent = true;
    scene.quality = 0;
    return preparePreview(db.texturesFolder(), renderer, settings, scene, job);
}

bool prepareLayeredPreview(const TextureDatabase& db, const RendererDefinition& renderer, const Settings& settings,
                           const std::string& layers, int shape, PreviewJob& job) {
    if (layers.empty()) {
        ErrorMessage("No texture name specified");
        return false;
    }
    PreviewScene scene;
    scene.textureName = layers;
    scene.shortName = kLayersShortName;
    scene.shape = shape;
    scene.quality = 0;
    return preparePreview(db.texturesFolder(), renderer, settings, scene, job);
}

RebuildResult rebuildPreviews(const TextureDatabase& db, const RendererDefinition& renderer, const Settings& settings) {
    RebuildResult result;
    if (!GetTexture(nullptr)) {
        ErrorMessage("Invalid Texture List");
        return result;
    }
    CompactUserTexDb();
    const std::string& folder = db.texturesFolder();
    result.scriptPath = folder + "/" + kPreviewScript;
    platform::FileReplacement script;
    if (!script.begin(result.scriptPath, platform::Durability::Unsynced)) {
        StdFileError(0, "Texture Build Batch", result.scriptPath.c_str());
        return result;
    }
    // LF only: a CR would end up inside the last argument.
    std::string text = "#!/bin/sh\ncd \"$(dirname \"$0\")\" || exit 1\n";
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) {
        const std::string shortName = shortNameOf(*t);
        if (t->kind == 0 || !hasShortName(shortName)) continue;
        if (!findPreviewImage(folder, shortName).empty()) continue;
        PreviewScene scene;
        scene.textureName = std::string(t->name, strnlen(t->name, sizeof t->name));
        scene.shortName = shortName;
        scene.form = (t->kind & KX_TEXTURE_COLOUR) ? TextureForm::Pigment : TextureForm::Layered;
        scene.declareSaved = (t->kind & KX_TEXTURE_USER) != 0;
        PreviewJob job;
        if (!preparePreview(folder, renderer, settings, scene, job)) {
            // A renderer that cannot build commands fails every texture alike.
            if (!hasPreviewScenes(renderer.type) || settings.directories.render.empty()) return result;
            continue;
        }
        text += kx::platform::shellLine(job.argv, true) + "\n";
        result.jobs.push_back(std::move(job));
    }
    if (!script.write(text.data(), text.size()) || ::fchmod(script.fd(), 0755) != 0 || !script.commit()) {
        StdFileError(0, "Texture Build Batch", result.scriptPath.c_str());
        return result;
    }
    LogMessage(1, "Note: texture database rebuilt");
    char message[1200];
    std::snprintf(message, sizeof message, "Run the %s batch file to render missing texture images",
                  result.scriptPath.c_str());
    result.message = message;
    result.ok = true;
    return result;
}

PreviewRenderPool::~PreviewRenderPool() {
    cancel();
    wait();
}

bool PreviewRenderPool::start(std::vector<PreviewJob> jobs, unsigned parallel, Finished finished) {
    if (running()) return false;
    wait();
    jobs_ = std::move(jobs);
    next_ = 0;
    cancelled_ = false;
    finished_ = std::move(finished);
    const unsigned count = static_cast<unsigned>(std::min<size_t>(std::max(parallel, 1u), jobs_.size()));
    active_ = count;
    for (unsigned i = 0; i < count; ++i) workers_.emplace_back([this] { work(); });
    return true;
}

void PreviewRenderPool::work() {
    platform::CommandRunner runner;
    {
        std::lock_guard<std::mutex> lock(runnersLock_);
        runners_.push_back(&runner);
    }
    for (size_t i = next_++; i < jobs_.size() && !cancelled_; i = next_++) {
        const PreviewJob& job = jobs_[i];
        PreviewResult result;
        result.textureName = job.textureName;
        result.shortName = job.shortName;
        // The output is kept by the runner, never printed: a preview says little.
        if (runner.start(job.argv, job.folder, true, {})) {
            if (cancelled_) runner.cancel();  // a cancel that came while it started
            platform::RunResult run = runner.wait();
            result.cancelled = run.cancelled;
            result.exitCode = run.exitCode;
            std::string image = platform::findExisting(job.imagePath);
            result.ok = !run.cancelled && run.exitCode == 0 && !image.empty();
            if (result.ok) result.imagePath = image;
        } else {
            result.exitCode = -1;
        }
        if (finished_) finished_(result);
    }
    {
        std::lock_guard<std::mutex> lock(runnersLock_);
        runners_.erase(std::find(runners_.begin(), runners_.end(), &runner));
    }
    --active_;
}

void PreviewRenderPool::cancel() {
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(runnersLock_);
    for (platform::CommandRunner* runner : runners_) runner->cancel();
}

void PreviewRenderPool::wait() {
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
    workers_.clear();
}

bool PreviewRenderPool::running() const { return active_ > 0; }

RendererDefinition previewRenderer(const RendererList& renderers, Settings& settings) {
    const RendererDefinition& current = renderers.current(settings.render.type);
    if (current.type != 0 || renderers.entries.size() < 2) return current;
    const RendererList first = loadRendererDefinitions(settings.directories.program, 1);
    if (settings.directories.render.empty()) settings.directories.render = first.defaultProgramPath;
    if (settings.directories.include.empty()) settings.directories.include = first.defaultIncludePath;
    return renderers.entries[1];
}

unsigned defaultPreviewJobs() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min(16u, cores * 4);
}

}  // namespace kx::app

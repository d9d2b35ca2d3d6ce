#include "animation/sequence_files.h"

#include <algorithm>
#include <cstring>

#include "animation/animation_edit.h"
#include "kxcore.h"
#include "model/scene_model.h"
#include "render/command_builder.h"
#include "render/render_job.h"
#include "render/render_road.h"

namespace kx::app {
namespace {

template <size_t N>
void copyField(char (&field)[N], const std::string& text) {
    const size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// Exports every frame and its render batch; false at the first that fails.
bool exportFrames(const Settings& settings, int type, const FrameTarget& target, const std::string& extension,
                  std::string& error) {
    for (unsigned f = 0; f < GetMaxFrame(); ++f) {
        if (!showAnimationFrame(f)) {
            error = "Frame " + std::to_string(f) + " cannot be shown";
            return false;
        }
        const std::string path = framePath(target, f, extension);
        if (!WriteExportFile(GetCurrentScene(), path.c_str(), static_cast<unsigned>(type))) {
            error = "Frame " + std::to_string(f) + " could not be exported to " + path;
            return false;
        }
        if (!writeRenderBatch(settings, path)) {
            error = "The render batch of frame " + std::to_string(f) + " could not be written";
            return false;
        }
    }
    return true;
}

}  // namespace

std::string sequenceFilePath(const std::string& scene) {
    FrameTarget target;
    animationFrameTarget(scene, target);
    return target.folder + "/" + target.stem + ".BAT";
}

bool writeSequenceFiles(const Settings& settings, const RendererList& renderers, const std::string& scene,
                        bool insideOut, SequenceFiles& written, std::string& error) {
    if (!IsAni() || GetMaxFrame() == 0) {
        error = "No frames in animation";
        return false;
    }
    const RendererDefinition& renderer = renderers.current(settings.render.type);
    if (&renderer == &renderers.entries.front() || renderer.type <= 0) {
        error = "Preview only: choose a renderer in Render Settings to render";
        return false;
    }
    if (!animationFrameTarget(scene, written.target)) {
        error = "The frame folder " + written.target.folder + " cannot be made";
        return false;
    }
    const std::string extension = extensionOfType(renderer.type);
    {
        SceneModel::Transaction change(SceneDelta::Camera);
        if (!change.owns()) return false;
        POINT size{settings.render.renderX, settings.render.renderY};
        SetCameraSize(GetActiveCamera(), size);
    }
    const unsigned shown = GetCurrentFrame();
    bool exported = false;
    {
        const RenderRoadExport road(renderer, settings, {},
                                    meshCacheFolder(written.target.folder,
                                                    written.target.stem));
        exported = exportFrames(settings, renderer.type, written.target, extension, error);
    }
    showAnimationFrame(shown);
    if (!exported) return false;

    SeqInfo seq{};
    copyField(seq.name, written.target.stem);
    copyField(seq.extension, extension);
    copyField(seq.render, kSequenceRenderOptions);
    copyField(seq.image, ".tga");
    SetSequenceTemplateCmd(kSequenceCommandTemplate);
    SetSequenceTemplateResolution(static_cast<unsigned>(settings.render.renderX),
                                  static_cast<unsigned>(settings.render.renderY));
    written.frames = GetMaxFrame();
    const int count = static_cast<int>(written.frames);
    FolderScope here(written.target.folder);
    if (!here.ok()) {
        error = "The frame folder " + written.target.folder + " cannot be entered";
        return false;
    }
    if (!CreateFrameTableEx(count, insideOut ? 1 : 0, &seq) || !CreateFrameList(seq.name, ".tga", count)) {
        error = "The sequence files could not be written";
        return false;
    }
    written.sequence = written.target.folder + "/" + written.target.stem + ".BAT";
    written.list = written.target.folder + "/" + written.target.stem + ".LST";
    return true;
}

}  // namespace kx::app

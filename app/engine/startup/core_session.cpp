#include "startup/core_session.h"

#include "plugins/host_state.h"

#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "kxcore.h"
#include "kxplatform/process.h"
#include "pixmo.h"
#include "plugins/plugin_session.h"
#include "model/scene_model.h"
#include "startup/data_folder.h"

namespace kx::app {
namespace {

struct ProgramToken {
} programToken;

bool holdsTextureSections(const std::string& path) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) return false;
    bool found = false;
    while (char* line = StdGetLine(f))
        if (std::strstr(line, "#begin") && std::strstr(line, "texture_syntax")) {
            found = true;
            break;
        }
    StdCloseFile(f);
    return found;
}

}  // namespace

HWND CoreSession::ownerWindow() { return reinterpret_cast<HWND>(&programToken); }

CoreSession::CoreSession() = default;

CoreSession::~CoreSession() { stop(false); }

void CoreSession::start(const CoreSessionOptions& options) {
    if (started_) return;
    started_ = true;
    pxRegisterApplication(ownerWindow(), "Kalvex");

    // The log level must be known before the core starts, so that its start is logged.
    storePath_ = platform::IniStore::defaultPath();
    std::error_code ec;
    const bool firstStart = !std::filesystem::exists(storePath_, ec);
    store_.load(storePath_);
    settings_ = loadSettings(store_, options.screenWidth, options.screenHeight);
    InitCore(nullptr, "Kalvex");
    EnableLogMessage(settings_.desktop.log > 0 ? settings_.desktop.log : -1);
    if (options.settingsRead) options.settingsRead(settings_);

    dataFolder_ = prepareUserDataFolder(settings_.directories.program, shippedDataFolder());
    startFolder_ = std::filesystem::current_path(ec).string();
    if (options.enterWorkFolder) {
        // Scenes and renders go to the chosen working folder, else the program's own.
        const std::string& work = settings_.directories.defaultDir.empty() ? settings_.directories.program
                                                                           : settings_.directories.defaultDir;
        if (!work.empty() && chdir(work.c_str()) != 0) LogMessage(1, "Unable to change to the folder %s", work.c_str());
    }
    applySettings();
    reloadRenderers();
    if (firstStart) chooseInstalledRenderer();
    if (options.loadPlugins) {
        plugins_ = std::make_unique<plugins::PluginSession>();
        plugins_->start(settings_, store_, dataFolder_);
        reloadRenderers();
    }
    textures_.setFolders(dataFolder_.empty() ? settings_.directories.program : dataFolder_,
                         settings_.directories.textures);
    textures_.load(textureDefinitionFile(), store_);
    InitKalvexEvent();
    InitScene();
}

plugins::PluginManager* CoreSession::pluginManager() { return plugins_ ? plugins_->manager() : nullptr; }

bool CoreSession::pluginScreenPainting() const { return plugins_ && plugins_->screenPainting(); }

void CoreSession::chooseInstalledRenderer() {
    // "Preview Only" renders nothing: a new user whose shipped renderer is
    // installed gets it, so that the first render simply works.
    if (settings_.render.type > 0 || renderers_.entries.size() < 2) return;
    const std::string chosenFolder = settings_.directories.render;
    settings_.render.type = 1;
    reloadRenderers();
    if (!platform::findProgram(settings_.directories.render).empty()) return;
    settings_.render.type = 0;
    settings_.directories.render = chosenFolder;
    reloadRenderers();
}

void CoreSession::reloadRenderers() {
    renderers_ = loadRendererDefinitions(settings_.directories.program, settings_.render.type);
    // Renderers of plug-ins outlive a reload of the definition files.
    if (plugins_) {
        for (const RendererDefinition& r : plugins_->renderers()) {
            if (renderers_.entries.size() >= kMaxRenderers) break;
            renderers_.entries.push_back(r);
        }
    }
    // A renderer definition names where its program lives when the settings do not.
    if (settings_.directories.render.empty()) settings_.directories.render = renderers_.defaultProgramPath;
    if (settings_.directories.include.empty()) settings_.directories.include = renderers_.defaultIncludePath;
}

std::string CoreSession::textureDefinitionFile() const {
    const RendererDefinition* renderer = &renderers_.current(settings_.render.type);
    if (renderer->infoFile[0] == '$' && renderers_.entries.size() > 1) renderer = &renderers_.entries[1];
    std::string name(renderer->infoFile, strnlen(renderer->infoFile, sizeof renderer->infoFile));
    if (name.empty() || name.front() == '$') return name;
    const std::string program = settings_.directories.program;
    if (holdsTextureSections(program + "/" + name)) return name;
    const std::string shipped = shippedDataFolder();
    if (!shipped.empty() && holdsTextureSections(shipped + "/" + name)) return shipped + "/" + name;
    return name;
}

void CoreSession::applySettings() {
    applyToCore(settings_);
    plugins::hostState().growth.limit = settings_.script.maxVertices;
}

bool CoreSession::saveSettings() {
    kx::app::saveSettings(settings_, store_);
    return store_.save(storePath_);
}

bool CoreSession::stop(bool writeSettings) {
    if (!started_) return true;
    started_ = false;
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    if (renderViewport_) {
        pxReleaseViewport(renderViewport_);
        renderViewport_ = nullptr;
    }
    textures_.unload(store_);
    // Each plug-in's piExit, then the plug-in tools library.
    if (plugins_) {
        plugins_->stop();
        plugins_.reset();
    }
    bool saved = true;
    if (writeSettings) {
        saved = saveSettings();
        if (!saved) LogMessage(0, "Unable to save the settings to %s", storePath_.c_str());
    }
    DestroyKalvexEvent();
    ExitCore();
    pxUnRegisterApplication();
    return saved;
}

}  // namespace kx::app

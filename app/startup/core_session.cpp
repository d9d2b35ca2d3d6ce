#include "startup/core_session.h"

#include <unistd.h>

#include "kxcore.h"
#include "pixmo.h"
#include "plugins/plugin_session.h"
#include "startup/data_folder.h"

namespace kx::app {
namespace {

struct ProgramToken {
} programToken;

// The building blocks user textures are read and exported with.
constexpr const char* kTextureDefinitions = "povray3.def";

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
    store_.load(storePath_);
    settings_ = loadSettings(store_, options.screenWidth, options.screenHeight);
    InitCore(nullptr, "Kalvex");
    EnableLogMessage(settings_.desktop.log > 0 ? settings_.desktop.log : -1);
    if (options.settingsRead) options.settingsRead(settings_);

    dataFolder_ = prepareUserDataFolder(settings_.directories.program, shippedDataFolder());
    if (options.enterWorkFolder) {
        // Scenes and renders go to the chosen working folder, else the program's own.
        const std::string& work = settings_.directories.defaultDir.empty() ? settings_.directories.program
                                                                           : settings_.directories.defaultDir;
        if (!work.empty() && chdir(work.c_str()) != 0) LogMessage(1, "Unable to change to the folder %s", work.c_str());
    }
    applyToCore(settings_);
    reloadRenderers();
    if (options.loadPlugins) {
        plugins_ = std::make_unique<plugins::PluginSession>();
        plugins_->start(settings_, store_, dataFolder_);
        reloadRenderers();
    }
    InitTextureBuiler(kTextureDefinitions);
    InitKalvexEvent();
    InitScene();
}

plugins::PluginManager* CoreSession::pluginManager() { return plugins_ ? plugins_->manager() : nullptr; }

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

void CoreSession::applySettings() { applyToCore(settings_); }

bool CoreSession::saveSettings() {
    kx::app::saveSettings(settings_, store_);
    return store_.save(storePath_);
}

bool CoreSession::stop(bool writeSettings) {
    if (!started_) return true;
    started_ = false;
    ClearScene(GetCurrentScene());
    if (TextureInfo* textures = GetTexture(nullptr)) ClearTexture(textures);
    ClearKalvexEvent();
    if (renderViewport_) {
        pxReleaseViewport(renderViewport_);
        renderViewport_ = nullptr;
    }
    ExitTextureBuiler();
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

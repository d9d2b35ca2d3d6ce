// The program's life without its window: one start-up and one exit for every
// road (the window, the command-line jobs, the tests), so that a scene reads
// the same wherever it is opened. Start-up, in the order the libraries need:
// the image library, the settings (the log level first), the core, the data
// folder, the renderer list, the texture definitions, the event table. The
// exit undoes it in the reverse sense. No Qt here: the window adds only what
// is Qt's (screen size, recent files, splash).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "kxplatform/ini_store.h"
#include "pixmo/types.h"
#include "render/renderer_definitions.h"
#include "settings/settings.h"
#include "texbuild/texture_database.h"

namespace kx::plugins {
class PluginSession;
class PluginManager;
}  // namespace kx::plugins

namespace kx::app {

struct CoreSessionOptions {
    int screenWidth = 0;   // 0: no screen, the settings' fixed defaults
    int screenHeight = 0;
    // The window works in the chosen working folder (the log lands there);
    // the command line stays where the user started it.
    bool enterWorkFolder = false;
    // Runs as soon as the settings are known (the window shows its splash there).
    std::function<void(const Settings&)> settingsRead;
    // Loads the plug-in tools library and the plug-ins when "LoadPlugins" is
    // set; the program asks for it unless started with --no-plugins.
    bool loadPlugins = false;
};

class CoreSession {
public:
    CoreSession();
    ~CoreSession();  // stops without writing the settings
    CoreSession(const CoreSession&) = delete;
    CoreSession& operator=(const CoreSession&) = delete;

    void start(const CoreSessionOptions& options);
    // Ends everything start began; the settings are written when asked.
    // Returns false when they could not be written.
    bool stop(bool writeSettings);
    bool started() const { return started_; }

    Settings& settings() { return settings_; }
    RendererList& renderers() { return renderers_; }
    TextureDatabase& textures() { return textures_; }
    platform::IniStore& store() { return store_; }
    const std::string& dataFolder() const { return dataFolder_; }
    // The current folder when the session started, before it entered the
    // working folder: where the user ran the program from.
    const std::string& startFolder() const { return startFolder_; }

    // Reads the renderer definitions again (after the render settings changed).
    void reloadRenderers();
    // The definition file of the texture builder's elements: the current
    // renderer's information file (the first external renderer's while the
    // preview is chosen), else the shipped one of that name when the user's
    // copy predates the texture sections.
    std::string textureDefinitionFile() const;
    // Hands the settings the core consumes to it again.
    void applySettings();
    // Writes every section the program writes; false on failure.
    bool saveSettings();

    // The plug-in manager, or null when plug-ins are not loaded.
    plugins::PluginManager* pluginManager();
    // True when a SCREEN plug-in asked at start to paint into the views.
    bool pluginScreenPainting() const;

    // The viewport the rendered image is saved through; null until first used.
    PxViewport*& renderViewport() { return renderViewport_; }

    // The image library wants an owner window for its surfaces; it never draws
    // into it, so the program stands for itself with a token.
    static HWND ownerWindow();

private:
    // On the first start: the first external renderer, when its program is there.
    void chooseInstalledRenderer();

    platform::IniStore store_;
    std::string storePath_;
    std::string dataFolder_;
    std::string startFolder_;
    Settings settings_;
    RendererList renderers_;
    TextureDatabase textures_;
    PxViewport* renderViewport_ = nullptr;
    std::unique_ptr<plugins::PluginSession> plugins_;
    bool started_ = false;
};

}  // namespace kx::app

// The program's life around its window: start-up in the order the libraries
// need (image library, core and its log, settings, data folder, working
// folder, renderers, events), and the exit in the reverse sense (scene,
// textures, events, render viewport, settings written, core, image library).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "kxplatform/ini_store.h"
#include "pixmo/types.h"
#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

struct SessionOptions {
    bool splash = true;  // the splash window, unless the settings switch it off
};

class AppSession {
public:
    explicit AppSession(SessionOptions options = {});
    ~AppSession();
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    // Start-up up to the point where the window opens its first document.
    // settingsRead runs as soon as the settings are known (the splash window
    // appears there).
    void startup(const std::function<void()>& settingsRead = {});
    // The exit, after the window has closed its document.
    void shutdown();

    Settings& settings() { return settings_; }
    RendererList& renderers() { return renderers_; }
    // Reads the renderer definitions again (after the render settings changed).
    void reloadRenderers();
    // Writes every section the program writes; shows nothing, returns false on failure.
    bool saveSettings();
    // Hands the settings the core consumes to it again.
    void applySettings();

    // The four most recent files, newest first.
    const QStringList& recentFiles() const { return recent_; }
    void addRecentFile(const QString& path);

    // The viewport the rendered image is saved through; null until first used.
    PxViewport*& renderViewport() { return renderViewport_; }
    // What the image library knows the program as.
    static HWND ownerWindow();
    bool splash() const { return options_.splash && !settings_.desktop.disableSplash; }

private:
    void loadRecentFiles();
    void storeRecentFiles();

    SessionOptions options_;
    platform::IniStore store_;
    std::string storePath_;
    Settings settings_;
    RendererList renderers_;
    QStringList recent_;
    PxViewport* renderViewport_ = nullptr;
    bool started_ = false;
};

}  // namespace kx::app

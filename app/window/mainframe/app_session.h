// The program's life around its window: the core session's start-up and exit
// (shared with the command line), plus what only the window has: the screen's
// size for the default layout, the splash window and the recent files.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "startup/core_session.h"

namespace kx::app {

struct SessionOptions {
    bool splash = true;  // the splash window, unless the settings switch it off
    bool plugins = false;  // load the plug-ins ("LoadPlugins" still decides)
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

    CoreSession& core() { return core_; }
    Settings& settings() { return core_.settings(); }
    RendererList& renderers() { return core_.renderers(); }
    // Reads the renderer definitions again (after the render settings changed).
    void reloadRenderers() { core_.reloadRenderers(); }
    // Writes every section the program writes; shows nothing, returns false on failure.
    bool saveSettings();
    // Hands the settings the core consumes to it again.
    void applySettings() { core_.applySettings(); }

    // The four most recent files, newest first.
    const QStringList& recentFiles() const { return recent_; }
    void addRecentFile(const QString& path);

    // The viewport the rendered image is saved through; null until first used.
    PxViewport*& renderViewport() { return core_.renderViewport(); }
    // What the image library knows the program as.
    static HWND ownerWindow() { return CoreSession::ownerWindow(); }
    bool splash() const { return options_.splash && !splashOff_; }

private:
    void loadRecentFiles();
    void storeRecentFiles();

    SessionOptions options_;
    CoreSession core_;
    QStringList recent_;
    bool splashOff_ = false;
};

}  // namespace kx::app

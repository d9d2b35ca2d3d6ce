// The plug-ins' part of the program's start-up and exit: the tools library,
// the handle table, the plug-in files the settings name, and the calls each
// SCREEN item gets at start; at exit every piExit, then the libraries.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kxplatform/ini_store.h"
#include "plugins/plugin_manager.h"
#include "settings/settings.h"

namespace kx::plugins {

class PluginSession {
public:
    PluginSession() = default;
    ~PluginSession() { stop(); }
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // Nothing happens when the settings' LoadPlugins is 0.
    void start(const app::Settings& settings, const platform::IniStore& store, const std::string& dataFolder);
    void stop();
    PluginManager* manager() { return manager_.get(); }
    bool screenPainting() const { return screenPainting_; }
    // The renderers RENDER items registered at start.
    const std::vector<app::RendererDefinition>& renderers() const { return renderers_; }

    // Beside the program: <prefix>/lib/libplugkit.so.1 and <prefix>/lib/kalvex/plugins.
    static std::string programLibraryFolder();
    static std::string shippedPluginFolder();

private:
    std::unique_ptr<PluginManager> manager_;
    bool screenPainting_ = false;
    std::vector<app::RendererDefinition> renderers_;
};

}  // namespace kx::plugins

#include "plugins/plugin_session.h"

#include <unistd.h>

#include <filesystem>

#include "plugins/host_state.h"

namespace kx::plugins {
namespace {

namespace fs = std::filesystem;

fs::path programFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path(".") : exe.parent_path();
}

}  // namespace

std::string PluginSession::programLibraryFolder() {
    // Installed, the libraries lie in a folder of their own (lib/kalvex); in
    // the build tree, in lib.
    std::error_code ec;
    for (const char* folder : {KALVEX_LIBDIR_FROM_PREFIX, "lib"}) {
        const fs::path lib = programFolder().parent_path() / folder;
        if (fs::exists(lib / "libplugkit.so.1", ec)) return lib.string();
    }
    return programFolder().string();
}

std::string PluginSession::shippedPluginFolder() {
    return (programFolder().parent_path() / KALVEX_PLUGINDIR_FROM_PREFIX).string();
}

void PluginSession::start(const app::Settings& settings, const platform::IniStore& store,
                          const std::string& dataFolder) {
    if (settings.desktop.loadPlugins == 0 || manager_) return;
    PluginManagerOptions options;
    options.toolsLibrary = (fs::path(programLibraryFolder()) / "libplugkit.so.1").string();
    options.dataFolder = dataFolder;
    manager_ = std::make_unique<PluginManager>(options);
    attachHandleTable();
    hostState().manager = manager_.get();
    if (!manager_->loadToolsLibrary()) return;
    const std::vector<std::string> folders = {settings.directories.plugin, shippedPluginFolder()};
    manager_->loadFiles(PluginManager::modulePaths(store, settings.desktop.executeAllPlugins != 0, folders));
    // SCREEN items learn of the start; one that answers switches painting on.
    const auto& items = manager_->items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].kindId == KindScreen && items[i].entry) {
            int value = 0;
            if (manager_->call(i, nullptr, 64, nullptr, nullptr, 0, &value)) screenPainting_ = true;
        }
    }
    renderers_ = manager_->registerRenderers();
}

void PluginSession::stop() {
    if (!manager_) return;
    manager_->shutdown();
    renderers_.clear();
    hostState().manager = nullptr;
    detachHandleTable();
    manager_.reset();
}

}  // namespace kx::plugins

// How every harness of the plug-in host starts (benchmarks, fuzz targets):
// the core without message boxes, its events and the host's handle table;
// then, where plug-ins are called, a manager holding the tools library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kxcore.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"

namespace kxtest {

inline void startQuietPluginCore() {
    static const bool ready = [] {
        static KxUiCallbacks quiet{};
        quiet.size = sizeof quiet;
        quiet.messageBox = [](void*, HWND, const char*, const char*, unsigned) { return 1; };
        KxSetUiCallbacks(&quiet);
        InitCore(nullptr, "Kalvex");
        InitKalvexEvent();
        kx::plugins::attachHandleTable();
        return true;
    }();
    (void)ready;
}

// The host's manager with the tools library and the plug-in files given;
// null when the tools library does not load.
inline std::unique_ptr<kx::plugins::PluginManager> startPluginManager(const std::string& toolsLibrary,
                                                                      const std::vector<std::string>& files) {
    startQuietPluginCore();
    kx::plugins::PluginManagerOptions options;
    options.toolsLibrary = toolsLibrary;
    auto manager = std::make_unique<kx::plugins::PluginManager>(options);
    kx::plugins::hostState().manager = manager.get();
    if (!manager->loadToolsLibrary()) return nullptr;
    manager->loadFiles(files);
    return manager;
}

}  // namespace kxtest

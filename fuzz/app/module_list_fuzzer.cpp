// Settings text through the INI store into the paths the plug-in loader
// would load: any text must give at most 16 named modules, each non-empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kxplatform/ini_store.h"
#include "plugins/plugin_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kx::platform::IniStore store;
    store.parse(std::string(reinterpret_cast<const char*>(data), size));
    const auto paths = kx::plugins::PluginManager::modulePaths(store, false, {});
    if (paths.size() > 16) std::abort();
    for (const std::string& p : paths)
        if (p.empty()) std::abort();
    // Writing the list back through the manager keeps it within bounds too.
    kx::plugins::PluginManager manager({});
    manager.saveModuleList(store);
    if (!kx::plugins::PluginManager::modulePaths(store, false, {}).empty()) std::abort();
    return 0;
}

// Any file given to the sample STL plug-in's reader, through the plug-in
// manager and the real host functions: read or refused, never a crash, and
// nothing half-made left in the scene when it is refused.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "../core/fuzz_input_file.h"
#include "kxcore.h"
#include "plugin_host_start.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"

namespace {

struct Host {
    std::unique_ptr<kx::plugins::PluginManager> manager;
    int load = -1;
    std::string file;
};

Host& host() {
    static Host h = [] {
        Host out;
        out.manager = kxtest::startPluginManager(KALVEX_PLUGKIT_PATH, {std::string(KALVEX_SAMPLE_PLUGIN_DIR) + "/stl.pi"});
        if (!out.manager) std::abort();
        out.load = out.manager->findItem("LOAD", "stlLoad");
        if (out.load < 0) std::abort();
        out.file = kxfuzz::scratchFolder() + "/input.stl";
        return out;
    }();
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Host& h = host();
    FILE* f = std::fopen(h.file.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    ClearScene(GetCurrentScene());
    InitScene();
    const unsigned before = GetCadObjectsCount();
    const int ok = h.manager->openWithItem(h.load, h.file);
    const unsigned after = GetCadObjectsCount();
    if (!ok && after != before) std::abort();
    if (ok && after != before + 1) std::abort();
    if (kx::plugins::hostState().handles.inUse() != 0) std::abort();
    return 0;
}

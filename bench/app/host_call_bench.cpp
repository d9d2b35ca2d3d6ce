// Host calls as a plug-in makes them: through the tools library's exports
// (arguments packed into KxVars, a short function id) into the program's
// HostDispatch, after a real plug-in was loaded and the tools library
// resolved its ordinals. Beside them, the same work done by the core
// directly, so that what a call costs on top is plain.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <chrono>
#include <memory>
#include <string>

#include "kxcore.h"
#include "kxplugin.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"
#include "plugin_host_start.h"

namespace {

using SetAutoFreeFunc = int (*)(int);
using GetPropPntFunc = int (*)(int, const char*, float*);

struct Host {
    std::unique_ptr<kx::plugins::PluginManager> manager;
    SetAutoFreeFunc setAutoFree = nullptr;
    GetPropPntFunc getPropPnt = nullptr;
    CadObject* ball = nullptr;
    int handle = -1;
    std::string error;
};

Host& host() {
    static Host h = [] {
        Host out;
        // A real plug-in's piInit resolves the tools library's ordinal table.
        out.manager = kxtest::startPluginManager(KALVEX_PLUGKIT_PATH, {std::string(KALVEX_SAMPLE_PLUGIN_DIR) + "/spring.pi"});
        if (!out.manager) {
            out.error = "the tools library did not load";
            return out;
        }
        if (out.manager->items().empty()) {
            out.error = "the sample plug-in did not load";
            return out;
        }
        void* tools = dlopen(KALVEX_PLUGKIT_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (tools == nullptr) {
            out.error = "the tools library is not loaded";
            return out;
        }
        out.setAutoFree = reinterpret_cast<SetAutoFreeFunc>(dlsym(tools, "piSetAutoFree"));
        out.getPropPnt = reinterpret_cast<GetPropPntFunc>(dlsym(tools, "piGetObjectPropPnt"));
        dlclose(tools);  // the manager keeps its own reference
        out.ball = NewDefaultCadObject("Ball", KX_SPHERE);
        Point3d at{1, 2, 3};
        SetCadObjectProperty(out.ball, KX_PROP_TRANSLATE, &at);
        out.handle = kx::plugins::hostState().handles.take(out.ball);
        if (!out.setAutoFree || !out.getPropPnt || out.handle < 0) out.error = "set-up failed";
        return out;
    }();
    return h;
}

void pluginSetAutoFree(benchmark::State& state) {
    Host& h = host();
    if (!h.error.empty()) {
        state.SkipWithError(h.error.c_str());
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(h.setAutoFree(0));
}

void pluginGetObjectPropPnt(benchmark::State& state) {
    Host& h = host();
    if (!h.error.empty()) {
        state.SkipWithError(h.error.c_str());
        return;
    }
    float p[3] = {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.getPropPnt(h.handle, "Translate", p));
        benchmark::ClobberMemory();
    }
    if (p[0] != 1.0f || p[1] != 2.0f || p[2] != 3.0f) state.SkipWithError("wrong position read");
}

// What the host function does for the plug-in, called by the core directly.
void directGetProperty(benchmark::State& state) {
    Host& h = host();
    if (!h.error.empty()) {
        state.SkipWithError(h.error.c_str());
        return;
    }
    Point3d p{};
    unsigned n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetCadObjectProperty(h.ball, "Translate", &p, &n));
        benchmark::ClobberMemory();
    }
}

// Both reads timed in the same run: what the plug-in path adds, in
// nanoseconds a call, and as a ratio.
void pluginOverDirect(benchmark::State& state) {
    Host& h = host();
    if (!h.error.empty()) {
        state.SkipWithError(h.error.c_str());
        return;
    }
    constexpr int kCalls = 100000;
    using Clock = std::chrono::steady_clock;
    double pluginNs = 0, directNs = 0;
    int rounds = 0;
    for (auto _ : state) {
        float f[3] = {};
        const auto a = Clock::now();
        for (int i = 0; i < kCalls; ++i) benchmark::DoNotOptimize(h.getPropPnt(h.handle, "Translate", f));
        const auto b = Clock::now();
        Point3d p{};
        unsigned n = 0;
        for (int i = 0; i < kCalls; ++i) benchmark::DoNotOptimize(GetCadObjectProperty(h.ball, "Translate", &p, &n));
        const auto c = Clock::now();
        pluginNs += std::chrono::duration<double, std::nano>(b - a).count() / kCalls;
        directNs += std::chrono::duration<double, std::nano>(c - b).count() / kCalls;
        ++rounds;
    }
    if (rounds == 0) return;
    state.counters["plugin_ns"] = pluginNs / rounds;
    state.counters["direct_ns"] = directNs / rounds;
    state.counters["extra_ns"] = (pluginNs - directNs) / rounds;
    state.counters["ratio"] = directNs > 0 ? pluginNs / directNs : 0;
}

}  // namespace

BENCHMARK(pluginSetAutoFree);
BENCHMARK(pluginGetObjectPropPnt);
BENCHMARK(directGetProperty);
BENCHMARK(pluginOverDirect)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

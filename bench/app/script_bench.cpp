// A script's host method calls against the same calls made from C++: 10,000
// spheres, each made, given 100 colours through SetObjectPropertyInt and
// freed, about a million calls. The difference is what a call through Lua
// costs beyond the host function itself.
#include <benchmark/benchmark.h>

#include <string>

#include "kxcore.h"
#include "kxplugin.h"
#include "plugins/host_functions.h"
#include "plugin_host_start.h"
#include "plugins/host_state.h"
#include "script/script_runner.h"

namespace {

constexpr int kSpheres = 10000;
constexpr int kCallsEach = 100;

void startCore() { kxtest::startQuietPluginCore(); }

void freshScene() {
    ClearScene(GetCurrentScene());
    InitScene();
}

const char* const kScript = R"(
function main()
  for i = 1, 10000 do
    local h = Scene:CreateObject("Ball", 13)
    for k = 1, 100 do Scene:SetObjectPropertyInt(h, 105, k) end
    Scene:FreeObject(h)
  end
end
)";

void luaCalls(benchmark::State& state) {
    startCore();
    for (auto _ : state) {
        state.PauseTiming();
        freshScene();
        state.ResumeTiming();
        if (!kx::script::runScript(kScript, {}).ok) state.SkipWithError("the script failed");
    }
    state.counters["calls"] = kSpheres * (kCallsEach + 2);
}

void hostCalls(benchmark::State& state) {
    startCore();
    namespace host = kx::plugins::host;
    for (auto _ : state) {
        state.PauseTiming();
        freshScene();
        state.ResumeTiming();
        for (int i = 0; i < kSpheres; ++i) {
            const int h = host::CreateObject("Ball", 13);
            for (int k = 1; k <= kCallsEach; ++k) {
                // What the script method does: the property's name, then a value.
                KxVar v{};
                v.size = KXVAR_SIZE;
                v.type = KXVAR_INT;
                v.value.i = k;
                benchmark::DoNotOptimize(host::SetObjectProperty(h, GetObjectPropertyTypeName(105), &v));
            }
            host::FreeObject(h);
        }
    }
    state.counters["calls"] = kSpheres * (kCallsEach + 2);
}

}  // namespace

BENCHMARK(luaCalls)->Unit(benchmark::kMillisecond);
BENCHMARK(hostCalls)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

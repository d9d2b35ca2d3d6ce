// What a copy of unsaved work costs the window's thread: starting the
// second process that writes a 1M-triangle scene, beside writing that scene
// on the calling thread as a copy made without the second process would.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "../core/grid_mesh.h"
#include "document/autosave.h"

namespace {

constexpr unsigned kTriangles = 1000000;

std::string benchFolder() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kalvex-autosave-bench";
    std::filesystem::create_directories(folder);
    return folder.string();
}

double secondsOf(auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_AutosaveOfMillionTriangles(benchmark::State& state) {
    ClearScene(GetCurrentScene());
    kxbench::gridMeshScene(kTriangles);
    const std::string folder = benchFolder();
    // The yardstick: the same scene written on this thread, not synced.
    const std::string here = folder + "/written-here.cad";
    const double writeHere = secondsOf([&] {
        StandardFile* f = StdOpenFile(here.c_str(), KX_OPEN_DERIVED);
        f->scene = GetCurrentScene();
        WriteKalvexScene2(f);
        StdCloseFile(f);
    });
    double onCaller = 0, whole = 0;
    {
        kx::app::Autosaver saver(folder + "/autosave");
        for (auto _ : state) {
            const double started = secondsOf([&] { benchmark::DoNotOptimize(saver.save("")); });
            state.PauseTiming();
            whole += started + secondsOf([&] { saver.settle(); });
            onCaller += started;
            state.ResumeTiming();
        }
        saver.remove();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["caller_ms"] = 1000 * onCaller / runs;
    state.counters["copy_in_place_ms"] = 1000 * whole / runs;
    state.counters["write_here_ms"] = 1000 * writeHere;
    state.counters["caller_to_write_here"] = onCaller / runs / writeHere;
    std::filesystem::remove_all(folder);
    ClearScene(GetCurrentScene());
}
BENCHMARK(BM_AutosaveOfMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

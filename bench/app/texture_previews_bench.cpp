// Rendering 32 missing texture previews with POV-Ray through a pool of 1, of
// the core count and of the program's default size. A preview is mostly the
// renderer's start-up, so the pool size decides the wall time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "kxcore.h"
#include "render/renderer_definitions.h"
#include "texbuild/texture_previews.h"

namespace {

namespace fs = std::filesystem;

void renderPreviews(benchmark::State& state) {
    const unsigned pool = state.range(0) == 0 ? std::max(1u, std::thread::hardware_concurrency())
                                              : state.range(0) < 0 ? kx::app::defaultPreviewJobs()
                                                                   : static_cast<unsigned>(state.range(0));
    const fs::path folder = fs::temp_directory_path() / "kalvex-bench-previews";
    kx::app::RendererList renderers = kx::app::loadRendererDefinitions(KALVEX_DATA_DIR, 1);
    kx::app::Settings settings;
    settings.directories.program = folder.string();
    settings.directories.render = renderers.defaultProgramPath;
    settings.directories.include = renderers.defaultIncludePath;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::vector<kx::app::PreviewJob> jobs;
        for (int i = 0; i < 32; ++i) {
            kx::app::PreviewScene scene;
            scene.textureName = i % 2 ? "Red" : "Blue";
            scene.form = kx::app::TextureForm::Pigment;
            char shortName[16];
            std::snprintf(shortName, sizeof shortName, "tex%03d", i);
            scene.shortName = shortName;
            kx::app::PreviewJob job;
            if (!kx::app::preparePreview(folder.string(), renderers.current(1), settings, scene, job)) {
                state.SkipWithError("the preview scenes cannot be written");
                return;
            }
            jobs.push_back(job);
        }
        state.ResumeTiming();
        kx::app::PreviewRenderPool renderPool;
        renderPool.start(std::move(jobs), pool, {});
        renderPool.wait();
    }
    state.counters["pool"] = pool;
    fs::remove_all(folder);
}

}  // namespace

// 0: one per core; -1: the program's default.
BENCHMARK(renderPreviews)->Arg(1)->Arg(0)->Arg(-1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
    InitCore(nullptr, "Kalvex");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    ExitCore();
    return 0;
}

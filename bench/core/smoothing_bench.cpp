// Smoothing grid meshes: every inner corner is shared by six triangles, as in
// imported and generated meshes.
#include <benchmark/benchmark.h>

#include <cmath>

#include "grid_mesh.h"

namespace {

using kxbench::gridMesh;

void BM_Smooth(benchmark::State& state) {
    ListEntry* mesh = gridMesh(static_cast<unsigned>(state.range(0)));
    unsigned n = CountEntry(mesh);
    for (auto _ : state) benchmark::DoNotOptimize(smooth(mesh));
    smooth(nullptr);
    ClearEntry(mesh);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Smooth)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_SmoothObject(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        CadObject* obj = NewDefaultCadObject("mesh", 10);
        obj->points = gridMesh(static_cast<unsigned>(state.range(0)));
        obj->count = CountEntry(obj->points);
        state.ResumeTiming();
        benchmark::DoNotOptimize(SmoothObject(obj));
        state.PauseTiming();
        DeleteAllCadObjects();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SmoothObject)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// Smoothing grid meshes: every inner corner is shared by six triangles, as in
// imported and generated meshes.
#include <benchmark/benchmark.h>

#include <cmath>

#include "kxcore.h"

namespace {

// A grid of side x side quads, two triangles each, on a gentle wave.
ListEntry* gridMesh(unsigned triangles) {
    unsigned side = static_cast<unsigned>(std::sqrt(triangles / 2.0));
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    auto at = [](unsigned i, unsigned j) {
        return MakePoint(i, std::sin(i * 0.1) * std::cos(j * 0.1), j);
    };
    for (unsigned i = 0; i < side; ++i)
        for (unsigned j = 0; j < side; ++j) {
            Point3d a[3] = {at(i, j), at(i + 1, j), at(i, j + 1)};
            Point3d b[3] = {at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            tail = AddEntry(3, tail, a);
            if (!head) head = tail;
            tail = AddEntry(3, tail, b);
        }
    return head;
}

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

// Proxy meshes of an isosurface and a julia fractal at 64 cells a side: the
// size the views ask for while a shape is edited.
#include <benchmark/benchmark.h>

#include "geometry/implicit_function.h"
#include "geometry/julia_field.h"
#include "geometry/marching_cubes.h"

namespace {

using namespace kx::geometry;

constexpr FieldBox kBox = {{-1.5, -1.5, -1.5}, {1.5, 1.5, 1.5}};
constexpr double kNoTimeLimit = 1e9;

void report(benchmark::State& state, const MarchResult& last) {
    state.counters["triangles"] = static_cast<double>(last.triangles.size());
    state.counters["complete"] = last.complete;
    state.SetItemsProcessed(state.iterations() * 65 * 65 * 65);  // samples
}

void BM_MarchingCubesSphere64(benchmark::State& state) {
    const ImplicitFunction sphere = ImplicitFunction::compile("x*x + y*y + z*z - 1");
    const ScalarField field = [&sphere](double x, double y, double z) { return sphere(x, y, z); };
    MarchResult last;
    for (auto _ : state) {
        last = marchingCubes(field, 0, kBox, 64, kNoTimeLimit);
        benchmark::DoNotOptimize(last.triangles.data());
    }
    report(state, last);
}
BENCHMARK(BM_MarchingCubesSphere64)->Unit(benchmark::kMillisecond);

void BM_MarchingCubesJulia64(benchmark::State& state) {
    const PreparedJulia julia = prepareJulia({{-0.083, 0.0, -0.83, -0.025}, 12, {0, 0, 0, 1}, 0});
    const ScalarField field = [&julia](double x, double y, double z) { return juliaField(julia, x, y, z); };
    MarchResult last;
    for (auto _ : state) {
        last = marchingCubes(field, 0, kBox, 64, kNoTimeLimit);
        benchmark::DoNotOptimize(last.triangles.data());
    }
    report(state, last);
}
BENCHMARK(BM_MarchingCubesJulia64)->Unit(benchmark::kMillisecond);

}  // namespace

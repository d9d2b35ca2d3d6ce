// Generating and rebuilding primitive meshes: every parameter edit, every
// object read from a file and every change of the subdivision setting ends
// in a rebuild, so a scene of many primitives must rebuild in linear time.
#include <benchmark/benchmark.h>

#include "kxcore.h"

namespace {

constexpr unsigned kMixedTypes[] = {KX_SPHERE, KX_PLANE,  KX_DISC,        KX_CYLINDER,
                                    KX_CONE,   KX_TORUS,  KX_BOX,         KX_HEIGHTFIELD,
                                    KX_BLOB,   KX_PATCH,  KX_LIGHT,       KX_USERDEFINED};
constexpr unsigned kTypeCount = sizeof kMixedTypes / sizeof kMixedTypes[0];

// n default primitives of the types above in turn, spread along x.
void createMixedScene(unsigned n) {
    InitScene();
    for (unsigned i = 0; i < n; ++i) {
        Point3d at{static_cast<float>(i % 100) * 3, 0, static_cast<float>(i / 100) * 3};
        CreateDefaultObjectEx(nullptr, kMixedTypes[i % kTypeCount], &at);
    }
}

unsigned long countNodes() {
    unsigned long nodes = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) nodes += o->count;
    return nodes;
}

void BM_RebuildMixedPrimitives(benchmark::State& state) {
    SetSubFactor(1.0);
    const unsigned n = static_cast<unsigned>(state.range(0));
    createMixedScene(n);
    for (auto _ : state)
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o))
            benchmark::DoNotOptimize(RebuildObjectEx(o, 1));
    state.counters["objects"] = n;
    state.counters["nodes"] = static_cast<double>(countNodes());
    state.SetItemsProcessed(state.iterations() * n);
    ClearScene(GetCurrentScene());
}
BENCHMARK(BM_RebuildMixedPrimitives)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CreateMixedPrimitives(benchmark::State& state) {
    SetSubFactor(1.0);
    const unsigned n = static_cast<unsigned>(state.range(0));
    for (auto _ : state) createMixedScene(n);
    state.SetItemsProcessed(state.iterations() * n);
    ClearScene(GetCurrentScene());
}
BENCHMARK(BM_CreateMixedPrimitives)->Arg(10000)->Unit(benchmark::kMillisecond);

// The finest sphere the subdivision setting allows (256 steps, 261,120 facets).
void BM_FinestSphere(benchmark::State& state) {
    InitScene();
    SetSubFactor(6.0 / 256);
    CreateDefaultSphere();
    CadObject* sphere = GetLastCadObject();
    for (auto _ : state) benchmark::DoNotOptimize(RebuildObjectEx(sphere, 1));
    state.counters["facets"] = sphere->count;
    state.SetItemsProcessed(state.iterations() * sphere->count);
    ClearScene(GetCurrentScene());
    SetSubFactor(1.0);
}
BENCHMARK(BM_FinestSphere)->Unit(benchmark::kMillisecond);

}  // namespace

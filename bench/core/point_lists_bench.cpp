// Building, converting and freeing large triangle lists: the work every mesh
// import, rebuild and export starts with.
#include <benchmark/benchmark.h>

#include "kxcore.h"
#include "triangle_lists.h"

namespace {

void BM_BuildAndFreeList(benchmark::State& state) {
    unsigned n = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        ListEntry* head = kxtest::triangleRow(n);
        benchmark::DoNotOptimize(head);
        ClearEntry(head);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BuildAndFreeList)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ListToTriangleArray(benchmark::State& state) {
    unsigned n = static_cast<unsigned>(state.range(0));
    ListEntry* head = kxtest::triangleRow(n);
    for (auto _ : state) {
        TriPolygon* polys = CopyListToPolygons(head, n);
        benchmark::DoNotOptimize(polys);
        ReleasePolyons(polys);
    }
    ClearEntry(head);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListToTriangleArray)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CreateAndDeleteObjects(benchmark::State& state) {
    unsigned n = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        for (unsigned i = 0; i < n; ++i) AddDefaultCadAtom("_box", 20);
        DeleteAllCadObjects();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CreateAndDeleteObjects)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

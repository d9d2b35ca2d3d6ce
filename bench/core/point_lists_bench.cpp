// Building, converting and freeing large triangle lists: the work every mesh
// import, rebuild and export starts with.
#include <benchmark/benchmark.h>

#include "kxcore.h"

namespace {

ListEntry* buildTriangles(unsigned n) {
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    for (unsigned i = 0; i < n; ++i) {
        float f = static_cast<float>(i);
        Point3d tri[3] = {{f, 0, 0}, {f + 1, 0, 0}, {f, 1, 0}};
        tail = AddEntry(3, tail, tri);
        if (!head) head = tail;
    }
    return head;
}

void BM_BuildAndFreeList(benchmark::State& state) {
    unsigned n = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        ListEntry* head = buildTriangles(n);
        benchmark::DoNotOptimize(head);
        ClearEntry(head);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BuildAndFreeList)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ListToTriangleArray(benchmark::State& state) {
    unsigned n = static_cast<unsigned>(state.range(0));
    ListEntry* head = buildTriangles(n);
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

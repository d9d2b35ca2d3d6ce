// Exporting a scene with one large mesh for POV-Ray 3, plain and smooth.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "kxcore.h"

namespace {

void meshScene(unsigned triangles, bool smooth) {
    InitScene();
    InitCamera();
    unsigned side = static_cast<unsigned>(std::sqrt(triangles / 2.0));
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    auto at = [](unsigned i, unsigned j) { return MakePoint(i * 0.01, std::sin(i * 0.1) * std::cos(j * 0.1), j * 0.01); };
    for (unsigned i = 0; i < side; ++i)
        for (unsigned j = 0; j < side; ++j) {
            Point3d a[3] = {at(i, j), at(i + 1, j), at(i, j + 1)};
            Point3d b[3] = {at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            tail = AddEntry(3, tail, a);
            if (!head) head = tail;
            tail = AddEntry(3, tail, b);
        }
    CadObject* mesh = AddObject("mesh", head, CountEntry(head), 10);
    if (smooth) SmoothObject(mesh);
    CreateDefaultLight();
}

void BM_ExportMeshPovray3(benchmark::State& state) {
    EnableLogMessage(-1);
    meshScene(static_cast<unsigned>(state.range(0)), state.range(1) != 0);
    char dir[] = "/tmp/kalvex-export-XXXXXX";
    std::string path = std::string(mkdtemp(dir)) + "/mesh.pov";
    for (auto _ : state) benchmark::DoNotOptimize(Write3Dfile(GetCurrentScene(), path.c_str(), 11));
    struct stat st;
    state.counters["MB"] = stat(path.c_str(), &st) == 0 ? st.st_size / 1e6 : 0;
    DeleteAllCadObjects();
    std::remove(path.c_str());
}
BENCHMARK(BM_ExportMeshPovray3)->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

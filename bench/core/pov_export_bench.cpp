// Exporting a scene with one large mesh for POV-Ray 3, plain and smooth, as
// triangles and as mesh2.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "grid_mesh.h"

namespace {

void meshScene(unsigned triangles, bool smooth) {
    CadObject* mesh = kxbench::gridMeshScene(triangles);
    if (smooth) SmoothObject(mesh);
    CreateDefaultLight();
}

void BM_ExportMeshPovray3(benchmark::State& state) {
    EnableLogMessage(-1);
    meshScene(static_cast<unsigned>(state.range(0)), state.range(1) != 0);
    SetExportMesh2(static_cast<int>(state.range(2)));
    char dir[] = "/tmp/kalvex-export-XXXXXX";
    std::string path = std::string(mkdtemp(dir)) + "/mesh.pov";
    for (auto _ : state) benchmark::DoNotOptimize(Write3Dfile(GetCurrentScene(), path.c_str(), KX_FILETYPE_POVRAY3));
    struct stat st;
    state.counters["MB"] = stat(path.c_str(), &st) == 0 ? st.st_size / 1e6 : 0;
    SetExportMesh2(0);
    DeleteAllCadObjects();
    std::remove(path.c_str());
}
// Arguments: triangles, smooth, mesh2.
BENCHMARK(BM_ExportMeshPovray3)
    ->Args({1000000, 0, 0})->Args({1000000, 1, 0})->Args({1000000, 0, 1})->Args({1000000, 1, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

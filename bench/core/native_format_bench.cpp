// Saving and loading a scene that holds one large mesh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "grid_mesh.h"

namespace {

void buildMeshScene(unsigned triangles) { kxbench::gridMeshScene(triangles); }

std::string scratchPath() {
    char dir[] = "/tmp/kalvex-bench-XXXXXX";
    return std::string(mkdtemp(dir)) + "/mesh.cad";
}

long fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

void BM_SaveMeshScene(benchmark::State& state) {
    buildMeshScene(static_cast<unsigned>(state.range(0)));
    std::string path = scratchPath();
    for (auto _ : state) benchmark::DoNotOptimize(SaveScene2(GetCurrentScene(), path.c_str()));
    state.counters["MB"] = fileSize(path) / 1e6;
    DeleteAllCadObjects();
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveMeshScene)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadMeshScene(benchmark::State& state) {
    buildMeshScene(static_cast<unsigned>(state.range(0)));
    std::string path = scratchPath();
    SaveScene2(GetCurrentScene(), path.c_str());
    for (auto _ : state) {
        state.PauseTiming();
        DeleteAllCadObjects();
        state.ResumeTiming();
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
        double version = 0;
        if (f && ReadKalvexVersion(f, &version)) ReadKalvexScene2(f);
    }
    state.counters["objects"] = GetCadObjectsCount();
    DeleteAllCadObjects();
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadMeshScene)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

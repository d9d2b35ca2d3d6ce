// Saving and loading a scene that holds one large mesh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "kxcore.h"

namespace {

void buildMeshScene(unsigned triangles) {
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
    AddObject("mesh", head, CountEntry(head), 10);
}

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

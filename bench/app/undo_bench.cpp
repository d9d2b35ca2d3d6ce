// Undo and redo of moving a 1M-triangle mesh, and what a history of 100 such
// moves holds compared with the mesh itself. The moves are those of a drag in
// the plan view by grid steps: across x and z.
#include <benchmark/benchmark.h>

#include "../core/grid_mesh.h"
#include "document/object_state.h"
#include "document/scene_edits.h"

namespace {

constexpr unsigned kTriangles = 1000000;
const Point3d kStep{0.25f, 0, 0.25f};

struct MovedMesh {
    kx::app::EditHistory history{100};
    CadObject* mesh = nullptr;
    MovedMesh() {
        ClearScene(GetCurrentScene());
        mesh = kxbench::gridMeshScene(kTriangles);
        SetObjectsUnSelected();
        AddSelectedObject(mesh);
    }
    ~MovedMesh() { ClearScene(GetCurrentScene()); }
};

void BM_UndoMoveOfMillionTriangles(benchmark::State& state) {
    MovedMesh scene;
    for (auto _ : state) {
        state.PauseTiming();
        kx::app::moveSelection(scene.history, kStep);
        state.ResumeTiming();
        benchmark::DoNotOptimize(scene.history.undo());
    }
}
BENCHMARK(BM_UndoMoveOfMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_RedoMoveOfMillionTriangles(benchmark::State& state) {
    MovedMesh scene;
    kx::app::moveSelection(scene.history, kStep);
    scene.history.undo();
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.history.redo());
        state.PauseTiming();
        scene.history.undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RedoMoveOfMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(10);

// The history's bytes over the mesh's bytes after 100 moves (the limit is 1.5).
void BM_HistoryOfHundredMoves(benchmark::State& state) {
    MovedMesh scene;
    const double meshBytes = static_cast<double>(kx::app::geometryBytes(*scene.mesh));
    for (auto _ : state) {
        scene.history.clear();
        for (int i = 0; i < 100; ++i) kx::app::moveSelection(scene.history, kStep);
    }
    state.counters["history_to_mesh"] = static_cast<double>(scene.history.heldBytes()) / meshBytes;
    state.counters["steps"] = static_cast<double>(scene.history.size());
}
BENCHMARK(BM_HistoryOfHundredMoves)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

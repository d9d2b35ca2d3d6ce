// Undo and redo of moving a 1M-triangle mesh, and what a history of 100 such
// moves holds compared with the mesh itself. The moves are those of a drag in
// the plan view by grid steps: across x and z. Beside them, a plug-in's run
// that reshapes one small object of a 3M-vertex scene: its step holds that
// object, not the scene.
#include <benchmark/benchmark.h>

#include "../core/grid_mesh.h"
#include "document/object_state.h"
#include "document/scene_edits.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"

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

// Time of the run with its recording, and the step's bytes over the bytes
// of the one object it reshaped (the limit is 1) and of the scene.
void BM_PluginRunOnThreeMillionVertexScene(benchmark::State& state) {
    MovedMesh scene;
    kx::plugins::attachHandleTable();
    Point3d at{4, 0, 4};
    CadObject* ball = CreateDefaultObjectEx("ball", KX_SPHERE, &at);
    float size = 1;
    for (auto _ : state) {
        scene.history.clear();
        size = size > 3 ? 1 : size + 0.5f;
        kx::app::recordOutsideChange(scene.history, "Run Plug-in", [&] {
            namespace host = kx::plugins::host;
            const int handle = host::FindObject("ball");
            float p[3] = {size, size, size};
            host::SetObjectPropPnt(handle, "Size", p);
            host::FreeObject(handle);
            return true;
        });
    }
    const double stepBytes = static_cast<double>(scene.history.heldBytes());
    state.counters["step_to_object"] = stepBytes / static_cast<double>(kx::app::geometryBytes(*ball));
    state.counters["step_to_scene"] = stepBytes / static_cast<double>(kx::app::geometryBytes(*scene.mesh));
    state.counters["steps"] = static_cast<double>(scene.history.size());
    kx::plugins::detachHandleTable();
}
BENCHMARK(BM_PluginRunOnThreeMillionVertexScene)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

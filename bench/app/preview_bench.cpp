// The shaded preview: the rasteriser alone on the 1M-triangle grid filling
// 1280 x 720, one redraw of a scene holding that mesh, from Redraw() to the
// picture handed over, and the user-interface thread's longest wait for the
// scene lock while such frames are drawn. Runs in kalvex_view_bench beside
// the wireframe.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <cstring>
#include <vector>

#include "../core/grid_mesh.h"
#include "naive_half_space.h"
#include "kxcore.h"
#include "kxrender.h"
#include "document/scene_edits.h"
#include "model/scene_model.h"
#include "model/shared_corners.h"
#include "preview/preview_driver.h"

namespace {

struct DiscardTarget : PreviewTarget {
    int frames = 0;
    DiscardTarget() {
        width = 1280;
        height = 720;
    }
    void deliver(const PreviewFrame&) override { ++frames; }
};

// The grid seen from above and in front, filling the picture.
CameraInfo gridCamera() {
    CameraInfo c{};
    c.location = {5, 6, -4};
    c.lookAt = {5, 0, 5};
    c.up = {0, 1, 0};
    c.rightDir = {-1.78f, 0, 1};
    c.width = 1280;
    c.height = 720;
    return c;
}

// The grid drawn with the given number of drawing threads (0: one a core),
// and, when asked, beside a plain scalar rasteriser drawing the same grid.
void rasteriseGrid(benchmark::State& state, int threads, bool timeNaive) {
    if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    setenv("KXRENDER_THREADS", std::to_string(threads).c_str(), 1);
    state.counters["threads"] = threads;
    const unsigned triangles = static_cast<unsigned>(state.range(0));
    ListEntry* list = kxbench::gridMesh(triangles);
    const unsigned n = CountEntry(list);
    TriPolygon* polygons = CopyListToPolygons(list, n);
    CadObject mesh{};
    mesh.type = KX_POLYGON;
    mesh.flags = KX_FLAG_VISIBLE;
    mesh.polygons = polygons;
    mesh.count = mesh.polygonCount = n;
    mesh.rgb = 0x3080E0;
    const CameraInfo camera = gridCamera();
    const Point3d light{-10, 20, -10};
    DiscardTarget target;
    kxbench::NaiveHalfSpace naive(camera, target.width, target.height);
    double naiveSeconds = 0;
    uint64_t naivePixels = 0;
    RenderOpen(&target);
    for (auto _ : state) {
        RenderBeginFrame(&target);
        RenderSetCamera(&camera, KXRENDER_SHADED, 0);
        RenderLight(0, &light, nullptr, 0xFFFFFF);
        RenderObject(&mesh, nullptr);
        RenderEndFrame();
        if (!timeNaive) continue;
        // The yardstick in the same iterations: a shared machine's changes
        // of speed then touch both alike.
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        naivePixels = naive.draw(polygons, n, mesh.rgb, light);
        naiveSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    RenderClose(&target);
    unsetenv("KXRENDER_THREADS");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
    if (timeNaive && naiveSeconds > 0) {
        const double runs = static_cast<double>(state.iterations());
        state.counters["naive_ms"] = naiveSeconds * 1e3 / runs;
        state.counters["naive_triangles_per_second"] = runs * n / naiveSeconds;
        state.counters["naive_pixels"] = static_cast<double>(naivePixels);
    }
    std::free(polygons);
    ClearEntry(list);
}

// The grid's triangles with their corners shared, as the scene's snapshot
// prepares them for the preview.
struct IndexedGrid {
    kx::app::SharedCorners shared;
    PreviewMesh mesh{};
    explicit IndexedGrid(const TriPolygon* triangles, unsigned n) {
        kx::app::shareCorners(triangles, n, shared);
        mesh = {static_cast<uint32_t>(shared.positions.size() / 3), n, shared.positions.data(),
                shared.normals.empty() ? nullptr : shared.normals.data(), shared.corners.data()};
    }
    size_t bytes() const {
        return (shared.positions.size() + shared.normals.size()) * sizeof(float) +
               shared.corners.size() * sizeof(uint32_t);
    }
};

// The indexed grid drawn on the given number of threads (0: one a core).
void rasteriseIndexedGrid(benchmark::State& state, int threads) {
    if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    setenv("KXRENDER_THREADS", std::to_string(threads).c_str(), 1);
    state.counters["threads"] = threads;
    ListEntry* list = kxbench::gridMesh(static_cast<unsigned>(state.range(0)));
    const unsigned n = CountEntry(list);
    TriPolygon* polygons = CopyListToPolygons(list, n);
    const IndexedGrid grid(polygons, n);
    CadObject mesh{};
    mesh.type = KX_POLYGON;
    mesh.flags = KX_FLAG_VISIBLE;
    mesh.rgb = 0x3080E0;
    const CameraInfo camera = gridCamera();
    const Point3d light{-10, 20, -10};
    DiscardTarget target;
    RenderOpen(&target);
    for (auto _ : state) {
        RenderBeginFrame(&target);
        RenderSetCamera(&camera, KXRENDER_SHADED, 0);
        RenderLight(0, &light, nullptr, 0xFFFFFF);
        RenderMesh(&mesh, &grid.mesh, nullptr);
        RenderEndFrame();
    }
    RenderClose(&target);
    unsetenv("KXRENDER_THREADS");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
    state.counters["bytes_per_triangle"] = static_cast<double>(grid.bytes()) / n;
    std::free(polygons);
    ClearEntry(list);
}

void BM_PreviewRasteriseGrid(benchmark::State& state) { rasteriseGrid(state, 1, true); }
void BM_PreviewRasteriseIndexedGrid(benchmark::State& state) { rasteriseIndexedGrid(state, 1); }
void BM_PreviewRasteriseIndexedGridAllCores(benchmark::State& state) { rasteriseIndexedGrid(state, 0); }
void BM_PreviewRasteriseGridAllCores(benchmark::State& state) { rasteriseGrid(state, 0, false); }

// A fresh scene holding the grid mesh, its active camera placed as gridCamera().
void gridSceneInView(unsigned triangles) {
    kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
    ClearScene(GetCurrentScene());
    kxbench::gridMeshScene(triangles);
    CameraInfo* active = GetActiveCamera();
    const CameraInfo wanted = gridCamera();
    active->location = wanted.location;
    active->lookAt = wanted.lookAt;
    active->rightDir = wanted.rightDir;
}

// Whole redraws of the scene as it stands, from Redraw() to the picture
// handed over, on the calling thread; the scene is cleared after.
void redrawEveryIteration(benchmark::State& state) {
    DiscardTarget target;
    kx::app::PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {},
                                  kx::app::PreviewDriver::Threading::CallingThread);
    driver.Start(&target);
    for (auto _ : state) driver.Redraw();
    driver.Stop();
    kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
    ClearScene(GetCurrentScene());
}

void BM_PreviewRedrawScene(benchmark::State& state) {
    gridSceneInView(static_cast<unsigned>(state.range(0)));
    // What the snapshot prepared for the preview, over the mesh's triangles.
    kx::app::sceneModel().addSnapshotUser();
    size_t bytes = 0, triangles = 0;
    for (const auto& object : kx::app::sceneModel().snapshot()->objects)
        if (object->geometry) {
            bytes += object->geometry->bytes();
            triangles += object->geometry->triangleCount();
        }
    kx::app::sceneModel().removeSnapshotUser();
    redrawEveryIteration(state);
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["bytes_per_triangle"] = triangles ? static_cast<double>(bytes) / triangles : 0;
}

// After an edit, the user-interface thread opens a change of the scene every
// half millisecond while the preview thread draws a frame of the 1M-triangle
// scene; the longest wait for the scene is reported. The preview draws a
// snapshot and never holds the scene, so the wait is only the time a change
// takes to begin and commit. An iteration is one frame.
void BM_PreviewLongestLockWait(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    gridSceneInView(static_cast<unsigned>(state.range(0)));
    DiscardTarget target;
    kx::app::PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {});
    driver.Start(&target);
    double longest = 0, total = 0;
    long waits = 0;
    for (auto _ : state) {
        const uint64_t before = driver.framesDrawn();
        const auto start = Clock::now();
        {
            // An edit that names no object: every object is copied into the next snapshot.
            kx::app::SceneModel::Transaction edit;
        }
        driver.Redraw();
        while (driver.framesDrawn() == before) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            const auto asked = Clock::now();
            {
                kx::app::SceneModel::Transaction look(kx::app::SceneDelta::Selection);
                const double waited = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
                longest = std::max(longest, waited);
                total += waited;
                ++waits;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    driver.Stop();
    state.counters["longest_wait_ms"] = longest;
    state.counters["mean_wait_ms"] = waits ? total / static_cast<double>(waits) : 0;
    kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
    ClearScene(GetCurrentScene());
}

// A recorded move of the 1M-triangle mesh: the edit, its undo step and,
// while the preview draws snapshots (second argument 1), the snapshot with
// the mesh's new triangles. The run without the preview is the yardstick of
// what the snapshot adds.
void BM_CommitMoveOfMillionTriangles(benchmark::State& state) {
    gridSceneInView(static_cast<unsigned>(state.range(0)));
    DiscardTarget target;
    kx::app::PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {},
                                  kx::app::PreviewDriver::Threading::CallingThread);
    if (state.range(1)) driver.Start(&target);
    kx::app::EditHistory history(100);
    {
        kx::app::SceneModel::Transaction select(kx::app::SceneDelta::Selection);
        SetObjectsUnSelected();
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
            if (o->type == KX_POLYGON) AddSelectedObject(o);
    }
    const Point3d step{0.25f, 0, 0.25f};
    for (auto _ : state) benchmark::DoNotOptimize(kx::app::moveSelection(history, step));
    driver.Stop();
    kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
    ClearScene(GetCurrentScene());
}

// A change that reshapes nothing in the 1M-triangle scene: its snapshot
// shares every triangle with the one before (shared_geometry is 1 when it did).
void BM_CommitUnchangedScene(benchmark::State& state) {
    gridSceneInView(static_cast<unsigned>(state.range(0)));
    DiscardTarget target;
    kx::app::PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {},
                                  kx::app::PreviewDriver::Threading::CallingThread);
    driver.Start(&target);
    kx::app::SceneModel& model = kx::app::sceneModel();
    bool shared = true;
    for (auto _ : state) {
        const auto before = model.snapshot();
        { kx::app::SceneModel::Transaction select(kx::app::SceneDelta::Selection); }
        const auto after = model.snapshot();
        for (size_t i = 0; i < before->objects.size() && i < after->objects.size(); ++i)
            shared = shared && before->objects[i]->geometry == after->objects[i]->geometry;
    }
    state.counters["shared_geometry"] = shared ? 1 : 0;
    driver.Stop();
    kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
    ClearScene(GetCurrentScene());
}

// A scene of 1,000 primitives of every kind drawn from their fields, spread
// on a 10 x 10 x 10 lattice in front of the camera, redrawn whole.
void BM_PreviewRedrawMixedPrimitives(benchmark::State& state) {
    {
        kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
        ClearScene(GetCurrentScene());
        InitScene();
        InitCamera();
        CreateDefaultScene();
        const unsigned kinds[] = {KX_SPHERE, KX_CYLINDER, KX_CONE, KX_DISC, KX_TORUS, KX_BOX, KX_ELLIPSOID};
        const int side = 10;
        for (int i = 0; i < side * side * side; ++i) {
            Point3d at{static_cast<float>(3 * (i % side) - 15), static_cast<float>(3 * (i / side % side) - 15),
                       static_cast<float>(3 * (i / (side * side)))};
            CreateDefaultObjectEx(nullptr, kinds[i % std::size(kinds)], &at);
        }
        CameraInfo* active = GetActiveCamera();
        active->location = {0, 0, -40};
        active->lookAt = {0, 0, 0};
        active->rightDir = {-1.78f, 0, 1};
    }
    redrawEveryIteration(state);
    state.counters["objects"] = 1000;
}

// One thread: the calling thread's time is all of it.
BENCHMARK(BM_PreviewRasteriseGrid)->Arg(1000000)->Unit(benchmark::kMillisecond);
// Several threads: only the time on the clock tells.
BENCHMARK(BM_PreviewRasteriseIndexedGrid)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRasteriseIndexedGridAllCores)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewRasteriseGridAllCores)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewRedrawScene)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewRedrawMixedPrimitives)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewLongestLockWait)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_CommitMoveOfMillionTriangles)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_CommitUnchangedScene)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

// Redrawing a view of a large scene: opening a scene that holds a
// 1M-triangle mesh and drawing one view of it, and redrawing a view of 100k
// and 1M triangles, with the projected lines cached (a repaint) and after a
// change of the scene (projection and paint).
#include <benchmark/benchmark.h>

#include "kxplatform/large_pages.h"

#include <QApplication>
#include <QImage>
#include <chrono>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>

#include "../core/resident_memory.h"
#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "triangle_lists.h"
#include "settings/settings.h"
#include "views/kalvex_view.h"

namespace {

// A wavy sheet of `triangles` triangles, 20 units across, in the front view's plane.
void addMesh(unsigned triangles) {
    const unsigned side = static_cast<unsigned>(std::ceil(std::sqrt(triangles / 2.0)));
    CadObject* obj = NewCadObject("_mesh");
    obj->type = KX_POLYGON;
    const float step = 20.0f / static_cast<float>(side);
    auto at = [step](unsigned i, unsigned j) {
        const float x = -10 + i * step, y = -10 + j * step;
        return Point3d{x, y, std::sin(x) * std::cos(y)};
    };
    const kxtest::TriangleList mesh = kxtest::triangleGrid(side, at, triangles);
    obj->points = mesh.head();
    obj->count = mesh.count();
}

struct Window {
    kx::app::Settings settings;
    kx::app::ViewEnvironment environment;
    std::unique_ptr<CKalvexDoc> doc;
    std::unique_ptr<CKalvexView> view;
    QImage target{800, 600, QImage::Format_RGB32};

    Window() {
        environment.settings = &settings;
        doc = std::make_unique<CKalvexDoc>(settings);
        view = std::make_unique<CKalvexView>(doc.get(), kx::app::kFront, &environment);
        view->resize(800, 600);
    }
    void redraw() { view->render(&target); }
};

void scene(unsigned triangles) {
    ClearScene(GetCurrentScene());
    InitScene();
    CreateDefaultScene();
    addMesh(triangles);
    SetObjectsUnSelected();
}

void BM_RedrawCached(benchmark::State& state) {
    Window w;
    scene(static_cast<unsigned>(state.range(0)));
    w.doc->geometryChanged();
    w.redraw();
    for (auto _ : state) w.redraw();
    state.counters["triangles"] = static_cast<double>(state.range(0));
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Times the road by hand so that its anchor runs in the same iteration;
// reports the anchor's time and the ratio of the two as counters.
template <class Road, class Anchor, class Setup>
void timeSideBySide(benchmark::State& state, Road road, Anchor anchor, Setup setUp) {
    double roadTotal = 0, anchorTotal = 0;
    for (auto _ : state) {
        setUp();
        auto start = Clock::now();
        road();
        const double r = secondsSince(start);
        start = Clock::now();
        anchor();
        anchorTotal += secondsSince(start);
        roadTotal += r;
        state.SetIterationTime(r);
    }
    state.counters["anchor_ms"] = anchorTotal * 1e3 / static_cast<double>(state.iterations());
    state.counters["ratio"] = anchorTotal > 0 ? roadTotal / anchorTotal : 0;
}

template <class Road, class Anchor>
void timeSideBySide(benchmark::State& state, Road road, Anchor anchor) {
    timeSideBySide(state, road, anchor, [] {});
}

// An edit the document reports without saying which objects changed: a light
// is moved there and back, and the view redrawn. The anchor is a repaint from
// the cache.
void BM_RedrawAfterChange(benchmark::State& state) {
    Window w;
    scene(static_cast<unsigned>(state.range(0)));
    CadObject* light = GetCadObject(nullptr);
    while (light && light->type != KX_LIGHT) light = light->next;
    w.doc->geometryChanged();
    w.redraw();
    float step = 1;
    timeSideBySide(
        state,
        [&] {
            SetObjectsUnSelected();
            AddSelectedObject(light);
            Point3d move{step, 0, 0};
            step = -step;
            TranslateObjectsEx(&move);
            w.doc->geometryChanged();
            w.redraw();
        },
        [&] { w.redraw(); });
    // What the kept lines draw must be what projecting everything draws.
    Point3d move{step, 0, 0};
    TranslateObjectsEx(&move);
    w.doc->geometryChanged();
    w.redraw();
    const QImage kept = w.target.copy();
    w.doc->viewOptionsChanged();
    w.redraw();
    if (kept != w.target) state.SkipWithError("the redrawn picture differs from a full projection");
    state.counters["triangles"] = static_cast<double>(state.range(0));
}

// Opening the scene in a window that shows an empty scene and drawing one
// view, against reading the same file into the core alone. (Replacing a large
// scene costs more: the document first keeps the old one in a file.)
void BM_OpenMillionTriangleSceneAndDraw(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "kalvex-redraw-bench.cad").string();
    scene(1000000);
    SaveScene2(GetCurrentScene(), path.c_str());
    Window w;
    timeSideBySide(
        state,
        [&] {
            w.doc->open(QString::fromStdString(path));
            w.redraw();
        },
        [&] {
            ClearScene(GetCurrentScene());
            InitScene();
            LoadScene(GetCurrentScene(), path.c_str());
        },
        [&] { w.doc->newScene(false); });
    // The open and draw on their own: what their peak adds to the resident
    // memory before them (freed memory given back first), against the bytes
    // of the triangles' corners (three points of three floats each).
    w.doc->newScene(false);
    w.redraw();  // the view lets go of the last open's lines
    malloc_trim(0);
    const double before = kxbench::residentMB();
    kxbench::resetPeak();
    w.doc->open(QString::fromStdString(path));
    w.redraw();
    const double added = kxbench::peakResidentMB() - before;
    double triangles = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) triangles += o->polygonCount;
    const double triangleMB = triangles * 3 * sizeof(Point3d) / 1e6;
    state.counters["open_peak_MB"] = added;
    state.counters["open_peak_over_triangles"] = triangleMB > 0 ? added / triangleMB : 0;
    w.doc->newScene(false);
    // The window's document is opened again next time; nothing holds the anchor's scene.
    std::filesystem::remove(path);
}

BENCHMARK(BM_RedrawCached)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAfterChange)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMillionTriangleSceneAndDraw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    // As the window does, with the heap on large pages.
    kx::platform::restartWithLargePages(argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InitCore(nullptr, "Kalvex");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClearScene(GetCurrentScene());
    return 0;
}

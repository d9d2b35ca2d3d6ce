// Redrawing a view of a large scene: opening a scene that holds a
// 1M-triangle mesh and drawing one view of it, and redrawing a view of 100k
// and 1M triangles, with the projected lines cached (a repaint) and after a
// change of the scene (projection and paint).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "settings/settings.h"
#include "views/kalvex_view.h"

namespace {

// A wavy sheet of `triangles` triangles, 20 units across, in the front view's plane.
void addMesh(unsigned triangles) {
    const unsigned side = static_cast<unsigned>(std::ceil(std::sqrt(triangles / 2.0)));
    CadObject* obj = NewCadObject("_mesh");
    obj->type = KX_POLYGON;
    ListEntry* tail = nullptr;
    unsigned made = 0;
    const float step = 20.0f / static_cast<float>(side);
    for (unsigned i = 0; i < side && made < triangles; ++i)
        for (unsigned j = 0; j < side && made < triangles; ++j) {
            const float x = -10 + i * step, y = -10 + j * step;
            auto z = [](float a, float b) { return std::sin(a) * std::cos(b); };
            const Point3d a{x, y, z(x, y)}, b{x + step, y, z(x + step, y)}, c{x, y + step, z(x, y + step)},
                d{x + step, y + step, z(x + step, y + step)};
            const Point3d t1[3] = {a, b, c}, t2[3] = {b, d, c};
            for (const Point3d* t : {t1, t2}) {
                if (made == triangles) break;
                tail = AddEntry(3, tail, t);
                if (!obj->points) obj->points = tail;
                ++made;
            }
        }
    obj->count = made;
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

void BM_RedrawAfterChange(benchmark::State& state) {
    Window w;
    scene(static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        w.doc->geometryChanged();
        w.redraw();
    }
    state.counters["triangles"] = static_cast<double>(state.range(0));
}

void BM_OpenMillionTriangleSceneAndDraw(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "kalvex-redraw-bench.cad").string();
    scene(1000000);
    SaveScene2(GetCurrentScene(), path.c_str());
    Window w;
    for (auto _ : state) {
        w.doc->open(QString::fromStdString(path));
        w.redraw();
    }
    std::filesystem::remove(path);
}

BENCHMARK(BM_RedrawCached)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAfterChange)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMillionTriangleSceneAndDraw)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
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

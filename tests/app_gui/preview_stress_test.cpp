// The preview thread draws with the real rasteriser while this thread edits
// the scene through the program's own commands as fast as it can. Any edit
// that frees what the preview is drawing shows up under the sanitizers.
#include <QApplication>
#include <atomic>
#include <cstring>
#include <random>

#include "kxcore.h"
#include "mainframe/edit_commands.h"
#include "preview/preview_driver.h"
#include "model/scene_model.h"
#include "window_fixture.h"

namespace {

struct CountingTarget : PreviewTarget {
    std::atomic<int> frames{0};
    std::atomic<long> covered{0};
    void deliver(const PreviewFrame& frame) override {
        long n = 0;
        for (int i = 0; i < frame.width * frame.height; ++i) n += frame.pixels[i] != KXRENDER_BACKGROUND;
        covered = n;
        ++frames;
    }
};

class PreviewStressTest : public kxtest::WindowTest {};

TEST_F(PreviewStressTest, EditsWhileThePreviewDraws) {
    doc()->newScene(true);
    addObject(KX_SPHERE, {0, 0, 0});
    const std::string saved = dir->file("stress.cad");
    ASSERT_TRUE(doc()->save(QString::fromStdString(saved)));

    CountingTarget target;
    target.width = 24;
    target.height = 18;
    std::vector<std::string> reports;
    kx::app::PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {});
    driver.setPreviewRender(2);
    ASSERT_EQ(driver.Start(&target), 1);

    EditCommands* edit = frame->editCommands();
    std::mt19937 random(20261209);
    const unsigned types[] = {KX_SPHERE, KX_BOX, KX_CYLINDER, KX_CONE, KX_DISC, KX_TORUS, KX_PLANE, KX_LIGHT};
    auto someObject = [&]() -> CadObject* {
        const unsigned n = GetCadObjectsCount();
        if (n == 0) return nullptr;
        CadObject* o = GetCadObject(nullptr);
        for (unsigned k = random() % n; k > 0 && o->next; --k) o = o->next;
        return o;
    };
    for (int i = 0; i < 2000; ++i) {
        switch (random() % 13) {
            case 0: {
                kx::app::SceneModel::Transaction change;
                addObject(types[random() % std::size(types)],
                          {static_cast<float>(random() % 9) - 4, 0, static_cast<float>(random() % 9) - 4});
                break;
            }
            case 1:
                if (CadObject* o = someObject()) AddSelectedObject(o);
                edit->deleteSelection();
                break;
            case 2:
                if (CadObject* o = someObject()) AddSelectedObject(o);
                edit->duplicate();
                break;
            case 3:
                edit->selectAll();
                if (random() % 2) edit->group();
                else edit->ungroup();
                break;
            case 4:
                edit->selectAll();
                edit->centre();
                edit->selectNone();
                break;
            case 5:
                if (random() % 8 == 0) doc()->newScene(random() % 2);
                break;
            case 6:
                if (random() % 8 == 0) doc()->open(QString::fromStdString(saved));
                break;
            case 7: {
                // The texture list changes: a record is added or the list freed.
                kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Textures | kx::app::SceneDelta::Objects);
                if (random() % 4 == 0) {
                    ClearTexture(GetTexture(nullptr));
                } else {
                    TextureInfo* last = GetTexture(nullptr);
                    while (last && GetTexture(last)) last = GetTexture(last);
                    TextureInfo* t = AddTexture(last);
                    if (t && !last) SetFirstTexture(t);
                    if (t) {
                        std::snprintf(t->name, sizeof t->name, "Stress%d", i);
                        std::snprintf(t->shortText2, sizeof t->shortText2, "absent%d.tga", i % 3);
                    }
                }
                if (CadObject* o = someObject()) SetObjectMaterial(o, "Stress1", 2);
                break;
            }
            case 8: {
                kx::app::SceneModel::Transaction change;
                Point3d from{static_cast<float>(random() % 20) - 10, 5, -15}, at{0, 0, 0};
                SetCameraPositionEx(nullptr, &from, &at, 1);
                break;
            }
            case 10: doc()->undo(); break;
            case 11: doc()->redo(); break;
            case 9: {
                kx::app::SceneModel::Transaction change;
                if (CadObject* o = someObject()) {
                    Point3d s{2, 2, 2};
                    if (o->type != KX_CAMERA && o->type != KX_GROUP) SetCadObjectProperty(o, KX_PROP_SIZE, &s);
                    RebuildObjectEx(o, 1);
                }
                break;
            }
            default: {
                kx::app::SceneModel::Transaction change;
                Point3d d{0.5f, 0, 0};
                if (CadObject* o = someObject()) {
                    SetObjectsUnSelected();
                    AddSelectedObject(o);
                    TranslateObjectsEx(&d);
                }
                break;
            }
        }
        driver.Redraw();
        if (i % 100 == 0) QApplication::processEvents();
    }
    // Left alone, the preview finishes a picture of the final scene.
    const int before = target.frames;
    driver.Redraw();
    for (int k = 0; k < 400 && target.frames == before; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    driver.Stop();
    EXPECT_GT(target.frames.load(), before);
}

}  // namespace

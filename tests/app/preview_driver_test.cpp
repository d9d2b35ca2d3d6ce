#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core_fixture.h"
#include "grey_jpeg.h"
#include "host_calls.h"
#include "kxcore.h"
#include "document/scene_edits.h"
#include "model/scene_model.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "preview/preview_settings.h"
#include "script/script_runner.h"

namespace {

using namespace std::chrono_literals;
using kx::app::PreviewDriver;
using kx::app::SceneDelta;
using kx::app::SceneModel;

// What the stand-in library was asked, in order.
struct Recorder {
    std::mutex m;
    std::vector<std::string> calls;
    // Copies: a material lives only for the call.
    std::vector<std::optional<TextureInfo>> materials;
    std::vector<uint32_t> triangleCounts;
    std::vector<const void*> triangleArrays;
    std::function<void(const CadObject*)> onObject;
    int openResult = 1;

    void add(std::string s) {
        std::lock_guard lock(m);
        calls.push_back(std::move(s));
    }
    std::vector<std::string> snapshot() {
        std::lock_guard lock(m);
        return calls;
    }
};
Recorder* rec = nullptr;

kx::app::RenderBackend fakeBackend() {
    kx::app::RenderBackend b{};
    b.open = [](PreviewTarget*) noexcept {
        rec->add("open");
        return rec->openResult;
    };
    b.close = [](PreviewTarget*) noexcept {
        rec->add("close");
        return 1;
    };
    b.beginFrame = [](PreviewTarget*) noexcept {
        rec->add("begin");
        return 1;
    };
    b.setCamera = [](const CameraInfo*, int mode, int) noexcept {
        rec->add("camera " + std::to_string(mode));
        return 1;
    };
    b.light = [](int index, const Point3d* at, const Point3d* target, uint32_t) noexcept {
        rec->add("light " + std::to_string(index) + (target ? " spot" : " point") + " x" +
                 std::to_string(static_cast<int>(at->x)));
        return 1;
    };
    // Both roads of an object: its record's triangles, or its shared corners.
    static auto drawn = [](const char* road, const CadObject* o, const TextureInfo* material, uint32_t triangles,
                           const void* array) {
        rec->add(std::string(road) + " " + o->name);
        {
            std::lock_guard lock(rec->m);
            rec->materials.push_back(material ? std::optional<TextureInfo>(*material) : std::nullopt);
            rec->triangleCounts.push_back(triangles);
            rec->triangleArrays.push_back(array);
        }
        if (rec->onObject) rec->onObject(o);
        return 1;
    };
    b.object = [](const CadObject* o, const TextureInfo* material) noexcept {
        return drawn("object", o, material, o->polygons ? o->polygonCount : 0, o->polygons);
    };
    b.mesh = [](const CadObject* o, const PreviewMesh* mesh, const TextureInfo* material) noexcept {
        return drawn("mesh", o, material, mesh->triangleCount, mesh->corners);
    };
    b.endFrame = []() noexcept {
        rec->add("end");
        return 1;
    };
    b.capabilities = [](PreviewCaps* c) noexcept {
        c->mode = 0;
        return 0;
    };
    return b;
}

struct NullTarget : PreviewTarget {
    void deliver(const PreviewFrame&) override {}
};

class PreviewDriverTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        kx::app::sceneModel().resetForTests();
        rec = &recorder;
    }
    void TearDown() override {
        rec = nullptr;
        CoreTest::TearDown();
    }
    CadObject* light(const char* name, float x, const double* kind) {
        CadObject* o = NewCadObject(name);
        o->type = KX_LIGHT;
        o->flags |= KX_FLAG_VISIBLE;
        o->translate = {x, 0, 0};
        o->extraPoint = {0, 0, 0};
        if (kind) SetObjectExtraValues(o, 116, 1, const_cast<double*>(kind));
        return o;
    }
    CadObject* mesh(const char* name, bool visible = true) {
        CadObject* o = makeMesh(name, 2);
        if (visible) o->flags |= KX_FLAG_VISIBLE;
        else o->flags &= ~KX_FLAG_VISIBLE;
        return o;
    }
    // Waits until the stand-in has seen n end-of-frame calls.
    bool waitForFrames(size_t n) {
        for (int i = 0; i < 400; ++i) {
            size_t ends = 0;
            for (const auto& c : recorder.snapshot()) ends += c == "end";
            if (ends >= n) return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    std::vector<std::string> reports;
    PreviewDriver::Report report() {
        return [this](const std::string& s) { reports.push_back(s); };
    }

    Recorder recorder;
    NullTarget target;
};

TEST_F(PreviewDriverTest, OneFrameInOrderOnTheCallingThread) {
    const double spot = 1, area = 2, point = 0, other = 5;
    light("plain", 1, nullptr);
    mesh("a");
    light("spot", 2, &spot);
    light("odd", 3, &other);
    mesh("hidden", false);
    light("area", 4, &area);
    light("falloff", 5, &point);
    mesh("b");
    PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
    ASSERT_EQ(driver.Start(&target), 1);
    EXPECT_EQ(driver.Start(&target), 0);  // already running
    driver.Redraw();
    driver.Stop();
    // Lights reach the library as objects too; it decides how to show them.
    const std::vector<std::string> expected = {
        "open",           "begin",           "camera 1",         "light 0 point x1", "light 1 spot x2",
        "light 2 point x4", "light 3 point x5", "object plain",   "mesh a",         "object spot",
        "object odd",     "object area",     "object falloff",   "mesh b",         "end",
        "close"};
    EXPECT_EQ(recorder.snapshot(), expected);
    EXPECT_FALSE(driver.running());
}

TEST_F(PreviewDriverTest, ThreadDrawsTheFirstPictureAndEachRequestedOne) {
    mesh("a");
    PreviewDriver driver(fakeBackend(), report());
    ASSERT_EQ(driver.Start(&target), 1);
    EXPECT_TRUE(driver.threaded());
    ASSERT_TRUE(waitForFrames(1));
    driver.Redraw();
    ASSERT_TRUE(waitForFrames(2));
    driver.Stop();
    const auto calls = recorder.snapshot();
    EXPECT_EQ(calls.front(), "open");
    EXPECT_EQ(calls.back(), "close");
}

TEST_F(PreviewDriverTest, InterruptionsAbandonThePictureAtTheNextObject) {
    struct Case {
        const char* name;
        std::function<void(PreviewDriver&)> interrupt;
    };
    const std::vector<Case> cases = {
        {"a newer picture is asked for", [](PreviewDriver& d) { d.Redraw(); }},
        {"the scene changed", [](PreviewDriver&) { SceneModel::Transaction change; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.calls.clear();
        kx::resetCoreForTests();
        kx::app::sceneModel().resetForTests();
        mesh("a");
        mesh("b");
        mesh("c");
        PreviewDriver driver(fakeBackend(), report());
        bool once = true;
        recorder.onObject = [&](const CadObject* o) {
            if (once && std::strcmp(o->name, "b") == 0) {
                once = false;
                c.interrupt(driver);
            }
        };
        ASSERT_EQ(driver.Start(&target), 1);
        ASSERT_TRUE(waitForFrames(1));
        driver.Stop();
        recorder.onObject = nullptr;
        const std::vector<std::string> expected = {"open",     "begin",    "camera 1", "mesh a", "mesh b",
                                                   "begin",    "camera 1", "mesh a", "mesh b", "mesh c",
                                                   "end",      "close"};
        EXPECT_EQ(recorder.snapshot(), expected);
    }
}

TEST_F(PreviewDriverTest, StopMidPictureEndsAtTheNextObject) {
    mesh("a");
    mesh("b");
    PreviewDriver driver(fakeBackend(), report());
    std::mutex m;
    std::condition_variable cv;
    bool inside = false;
    recorder.onObject = [&](const CadObject*) {
        {
            std::lock_guard lock(m);
            inside = true;
        }
        cv.notify_all();
        std::this_thread::sleep_for(50ms);
    };
    ASSERT_EQ(driver.Start(&target), 1);
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 2s, [&] { return inside; }));
    }
    driver.Stop();
    recorder.onObject = nullptr;
    const std::vector<std::string> expected = {"open", "begin", "camera 1", "mesh a", "close"};
    EXPECT_EQ(recorder.snapshot(), expected);
}

TEST_F(PreviewDriverTest, FailedOpenTurnsThePreviewSwitchOff) {
    for (auto threading : {PreviewDriver::Threading::Thread, PreviewDriver::Threading::CallingThread}) {
        SCOPED_TRACE(threading == PreviewDriver::Threading::Thread ? "thread" : "calling thread");
        recorder.openResult = 0;
        kx::app::Settings settings;
        settings.desktop.enableGL = 1;
        PreviewDriver driver(fakeBackend(), report(), threading);
        EXPECT_EQ(kx::app::startPreview(driver, &target, settings), 0);
        EXPECT_EQ(settings.desktop.enableGL, 0);
        EXPECT_FALSE(driver.running());
        driver.Redraw();  // nothing to draw with
        recorder.openResult = 1;
        settings.desktop.enableGL = 1;
        EXPECT_EQ(kx::app::startPreview(driver, &target, settings), 1);
        EXPECT_EQ(settings.desktop.enableGL, 1);
        driver.Stop();
    }
}

TEST_F(PreviewDriverTest, CapabilitiesDecideTheOffer) {
    struct Case {
        uint32_t mode, textured;
        bool enabled, offered;
        std::string label;
    };
    const std::vector<Case> cases = {
        {0, 1, false, false, "Enable &OpenGL"},
        {1, 0, true, false, "Enable &OpenGL"},
        {2, 1, true, true, "Enable &Intel-3DR"},
        {3, 1, true, true, "Enable &Shaded Preview"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        PreviewCaps caps{};
        caps.mode = c.mode;
        caps.textured = c.textured;
        std::strcpy(caps.label, "Enable &Shaded Preview");
        const kx::app::PreviewChoices choices = kx::app::previewChoices(caps);
        EXPECT_EQ(choices.switchEnabled, c.enabled);
        EXPECT_EQ(choices.textured, c.offered);
        EXPECT_EQ(choices.switchLabel, c.label);
        kx::app::Settings settings;
        settings.desktop.enableGL = 1;
        kx::app::applyPreviewCapabilities(caps, settings);
        EXPECT_EQ(settings.desktop.enableGL, c.enabled ? 1 : 0);
    }
    // Our own library answers with its own preview.
    PreviewCaps caps{};
    EXPECT_EQ(kx::app::queryPreviewCapabilities(kx::app::libraryBackend(), caps), KXRENDER_MODE_SOFTWARE);
    EXPECT_EQ(caps.textured, 1u);
    EXPECT_EQ(kx::app::queryPreviewCapabilities(fakeBackend(), caps), 0u);
}

TEST_F(PreviewDriverTest, PointListsBecomeSharedCornersAndThinNodesInTheDriversOwnCache) {
    CadObject* whole = mesh("whole");
    CadObject* mixed = mesh("mixed");
    // A facet followed by a single point: its faces go as shared corners,
    // the point as the record's own point list, drawn thin.
    ListEntry* last = mixed->points;
    while (last->next) last = last->next;
    Point3d p{9, 9, 9};
    AddEntry(1, last, &p);
    mixed->count = 3;
    std::vector<std::string> thin;
    recorder.onObject = [&](const CadObject* o) {
        for (const ListEntry* n = o->points; n; n = n->next)
            thin.push_back(std::string(o->name) + " " + std::to_string(n->count) + " x" +
                           std::to_string(static_cast<int>(n->points[0].x)));
    };
    PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
    ASSERT_EQ(driver.Start(&target), 1);
    driver.Redraw();
    driver.Redraw();
    {
        SceneModel::Transaction change;  // a change that names no object: every one is copied again
    }
    driver.Redraw();
    driver.Stop();
    recorder.onObject = nullptr;
    std::vector<std::string> expected = {"open"};
    for (int frame = 0; frame < 3; ++frame)
        expected.insert(expected.end(), {"begin", "camera 1", "mesh whole", "mesh mixed", "object mixed", "end"});
    expected.push_back("close");
    EXPECT_EQ(recorder.snapshot(), expected);
    // The record both roads are handed holds as its point list only the lone point.
    EXPECT_EQ(thin, std::vector<std::string>(6, "mixed 1 x9"));
    ASSERT_EQ(recorder.triangleCounts.size(), 9u);
    EXPECT_EQ(recorder.triangleCounts[0], 2u);
    EXPECT_EQ(recorder.triangleCounts[1], 2u);
    EXPECT_EQ(recorder.triangleArrays[0], recorder.triangleArrays[3]);  // kept while nothing changed
    EXPECT_NE(recorder.triangleArrays[3], recorder.triangleArrays[6]);
    // The scene's objects were only read.
    EXPECT_EQ(whole->polygons, nullptr);
    EXPECT_EQ(mixed->polygons, nullptr);
    // Materials carry the colour where the library reads it.
    ASSERT_TRUE(recorder.materials[0].has_value());
}

TEST_F(PreviewDriverTest, MaterialsCarryTheColourAndMissingImageMapsAreReportedOnce) {
    CadObject* a = mesh("a");
    a->rgb = 0x00336699;
    CadObject* b = mesh("b");
    TextureInfo* first = AddTexture(nullptr);
    SetFirstTexture(first);
    std::strcpy(first->name, "Marble");
    std::strcpy(first->shortText2, "missing.tga");
    TextureInfo* none = AddTexture(first);
    std::strcpy(none->name, "Plain");
    std::strcpy(none->shortText2, "NULL");
    SetObjectMaterial(b, "marble", 2);
    CadObject* c = mesh("c");
    SetObjectMaterial(c, "Plain", 2);

    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        recorder.materials.clear();
        reports.clear();
        PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
        driver.setPreviewRender(mode);
        ASSERT_EQ(driver.Start(&target), 1);
        driver.Redraw();
        driver.Redraw();
        driver.Stop();
        ASSERT_EQ(recorder.materials.size(), 6u);
        ASSERT_TRUE(recorder.materials[0] && recorder.materials[1] && recorder.materials[2]);
        // The first object: a colour record.
        EXPECT_EQ(recorder.materials[0]->colour[0], 0x99);
        EXPECT_EQ(recorder.materials[0]->colour[2], 0x33);
        const TextureInfo& seenB = *recorder.materials[1];
        if (mode == 2) {
            EXPECT_STREQ(seenB.name, "Marble");
            EXPECT_STREQ(recorder.materials[2]->name, "Plain");
            EXPECT_EQ(seenB.text, nullptr);  // the map could not be read
            EXPECT_EQ(reports, std::vector<std::string>{"Unable to Open Targa File (Error 2) \n"});
        } else {
            EXPECT_STREQ(seenB.name, "");
            EXPECT_TRUE(reports.empty());
        }
    }
    // A changed texture list tries the map again.
    {
        SceneModel::Transaction change(SceneDelta::Textures);
    }
    reports.clear();
    PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
    driver.setPreviewRender(2);
    ASSERT_EQ(driver.Start(&target), 1);
    driver.Redraw();
    driver.Stop();
    EXPECT_EQ(reports.size(), 1u);
}

// An imported mesh painted with a Targa, PNG or JPEG picture is drawn by its own
// uvs with the picture's pixels; without uvs, or with a picture the preview
// does not decode, it keeps its shared corners and its colour.
TEST_F(PreviewDriverTest, PaintedMeshesAreDrawnByTheirUvsWithTheirPicture) {
    std::string targa = std::string("\0\0\x02", 3) + std::string(9, '\0') + std::string("\x02\0\x01\0\x18\x20", 6);
    targa += std::string("\x10\x20\x30\x40\x50\x60", 6);
    std::ofstream(dir.file("two.tga"), std::ios::binary) << targa;
    // The same two pixels as a PNG file.
    {
        const unsigned char rgb[6] = {0x30, 0x20, 0x10, 0x60, 0x50, 0x40};
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = 2;
        image.height = 1;
        image.format = PNG_FORMAT_RGB;
        ASSERT_NE(png_image_write_to_file(&image, dir.file("two.png").c_str(), 0, rgb, 0, nullptr), 0);
    }
    // A JPEG of the first pixel's red, as grey.
    {
        const std::vector<unsigned char> jpeg = kxtest::greyJpeg(2, 1, 0x30);
        std::ofstream(dir.file("two.jpg"), std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
    }
    std::ofstream(dir.file("two.bmp"), std::ios::binary) << "BM";
    struct Case {
        const char* picture;
        bool uvs;
        const char* road;
        bool pixels;
    } cases[] = {
        {"two.tga", true, "object", true},
        {"two.TGA", true, "object", true},
        {"two.png", true, "object", true},
        {"two.jpg", true, "object", true},
        {"two.bmp", true, "mesh", false},  // a kind the preview does not decode
        {"two.tga", false, "mesh", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + (c.uvs ? " with uvs" : " without"));
        ClearScene(GetCurrentScene());
        kx::app::sceneModel().resetForTests();
        CadObject* painted = mesh("painted");
        if (c.uvs) AllocCadObjectUV(painted, painted->count * 3);
        SetCadObjectProperty(painted, "ImageMap", dir.file(c.picture).c_str());
        recorder.calls.clear();
        recorder.materials.clear();
        recorder.triangleCounts.clear();
        PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
        driver.setPreviewRender(2);
        ASSERT_EQ(driver.Start(&target), 1);
        driver.Redraw();
        driver.Stop();
        const std::vector<std::string> calls = recorder.snapshot();
        EXPECT_NE(std::find(calls.begin(), calls.end(), std::string(c.road) + " painted"), calls.end());
        ASSERT_EQ(recorder.materials.size(), 1u);
        ASSERT_TRUE(recorder.materials[0]);
        EXPECT_EQ(recorder.triangleCounts[0], 2u);
        const TextureInfo& seen = *recorder.materials[0];
        ASSERT_EQ(seen.text != nullptr, c.pixels) << (reports.empty() ? "" : reports[0]);
        if (c.pixels) {
            EXPECT_EQ(seen.reserved1, 2u);
            EXPECT_EQ(seen.reserved2, 1u);
            EXPECT_EQ(static_cast<unsigned char>(seen.text[0]), 0x30);  // the blue-green-red bytes turned round
        }
        EXPECT_TRUE(reports.empty());
    }
}

TEST_F(PreviewDriverTest, ColourMaterialHoldsTheObjectsColour) {
    CadObject o{};
    o.rgb = 0x00112233;
    const TextureInfo m = kx::app::colourMaterial(o);
    EXPECT_EQ(m.colour[0], 0x33);
    EXPECT_EQ(m.colour[1], 0x22);
    EXPECT_EQ(m.colour[2], 0x11);
    EXPECT_EQ(m.text, nullptr);
    EXPECT_EQ(m.kind, 0);
}

}  // namespace

namespace {

// Without a window: the real drawing library on the preview thread while this
// thread changes the scene through the model, as every command does. Run
// under ThreadSanitizer by the "tsan" preset.
class PreviewLockStressTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        kx::app::sceneModel().resetForTests();
        host.emplace();
    }
    void TearDown() override {
        host.reset();
        CoreTest::TearDown();
    }
    std::optional<kxtest::HostCalls> host;
};

struct SmallTarget : PreviewTarget {
    std::atomic<int> frames{0};
    SmallTarget() {
        width = 16;
        height = 12;
    }
    void deliver(const PreviewFrame&) override { ++frames; }
};

bool waitForFrame(const SmallTarget& target, int after) {
    for (int k = 0; k < 400 && target.frames <= after; ++k) std::this_thread::sleep_for(5ms);
    return target.frames > after;
}

std::vector<CadObject*> selection() {
    std::vector<CadObject*> out;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) out.push_back(o);
    return out;
}

void selectOne(std::mt19937& random) {
    std::vector<CadObject*> all;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type != KX_CAMERA) all.push_back(o);
    SetObjectsUnSelected();
    if (!all.empty()) AddSelectedObject(all[random() % all.size()]);
}

TEST_F(PreviewLockStressTest, TransactionsWhileThePreviewDraws) {
    SceneModel& model = kx::app::sceneModel();
    {
        SceneModel::Transaction change(SceneDelta::Replaced);
        InitScene();
        CreateDefaultScene();
    }
    SmallTarget target;
    PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {});
    ASSERT_EQ(driver.Start(&target), 1);
    kx::app::EditHistory& history = model.history();
    std::mt19937 random(7);
    const unsigned types[] = {KX_SPHERE, KX_BOX, KX_CYLINDER, KX_CONE, KX_DISC, KX_TORUS, KX_LIGHT};
    for (int i = 0; i < 1500; ++i) {
        selectOne(random);
        const Point3d at{static_cast<float>(random() % 7) - 3, 0, 0};
        switch (random() % 14) {
            case 0:
            case 1: kx::app::createObject(history, types[random() % std::size(types)], at); break;
            case 2: kx::app::deleteSelection(history); break;
            case 3: kx::app::setVectorProperty(history, selection(), KX_PROP_SIZE, -1, {1.5f, 1.5f, 1.5f}); break;
            case 4: kx::app::moveSelection(history, at); break;
            case 5: {
                CameraInfo camera = *GetActiveCamera();
                camera.location = {static_cast<float>(random() % 20) - 10, 4, -12};
                kx::app::changeCamera(history, camera, "Orbit");
                break;
            }
            case 6: kx::app::groupSelection(history); break;
            case 7: kx::app::setObjectColour(history, selection(), random() % 256, 40, 90); break;
            case 8: model.undo(); break;
            case 9: model.redo(); break;
            case 10: {
                SceneModel::Transaction change(SceneDelta::Textures);
                TextureInfo* last = GetTexture(nullptr);
                while (last && last->next) last = last->next;
                TextureInfo* t = AddTexture(last);
                if (t && !last) SetFirstTexture(t);
                if (t) std::snprintf(t->name, sizeof t->name, "T%d", i);
                break;
            }
            case 11:
                // A plug-in's run, recorded by its journal.
                kx::app::recordOutsideChange(history, "Run Plug-in", [] {
                    kx::plugins::host::MoveF(0.25, 0, 0);
                    float size[3] = {1.2f, 0.8f, 1};
                    kx::plugins::host::Size(kx::plugins::host::CreateDefaultObject(KX_SPHERE), size);
                    return true;
                });
                break;
            case 12:
                kx::app::recordOutsideChange(history, "Run Macro", [] {
                    kx::script::runScript("Scene:Scale(1.1, 1, 1) Scene:Rotate(0, 15, 0)", kx::script::RunOptions{});
                    return true;
                });
                break;
            default:
                if (random() % 10 == 0) {
                    SceneModel::Transaction change(SceneDelta::Replaced);
                    ClearScene(GetCurrentScene());
                    InitScene();
                    CreateDefaultScene();
                }
                break;
        }
        driver.Redraw();
    }
    // The preview draws while an edit holds the scene for as long as it likes.
    {
        SceneModel::Transaction held;
        const int before = target.frames;
        driver.Redraw();
        EXPECT_TRUE(waitForFrame(target, before));
    }
    const int before = target.frames;
    driver.Redraw();
    EXPECT_TRUE(waitForFrame(target, before));
    driver.Stop();
}

}  // namespace

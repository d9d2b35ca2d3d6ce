#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core_fixture.h"
#include "kxcore.h"
#include "preview/preview_objects.h"
#include "preview/preview_settings.h"
#include "preview/scene_lock.h"

namespace {

using namespace std::chrono_literals;
using kx::app::PreviewDriver;

// What the stand-in library was asked, in order.
struct Recorder {
    std::mutex m;
    std::vector<std::string> calls;
    std::vector<const TextureInfo*> materials;
    std::vector<uint32_t> triangleCounts;
    std::vector<const TriPolygon*> triangleArrays;
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
    b.object = [](const CadObject* o, const TextureInfo* material) noexcept {
        rec->add(std::string("object ") + o->name);
        {
            std::lock_guard lock(rec->m);
            rec->materials.push_back(material);
            rec->triangleCounts.push_back(o->polygons ? o->polygonCount : 0);
            rec->triangleArrays.push_back(o->polygons);
        }
        if (rec->onObject) rec->onObject(o);
        return 1;
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
        "light 2 point x4", "light 3 point x5", "object plain",   "object a",         "object spot",
        "object odd",     "object area",     "object falloff",   "object b",         "end",
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
        {"the scene changed", [](PreviewDriver&) { kx::app::SceneChange change; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.calls.clear();
        kx::resetCoreForTests();
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
        const std::vector<std::string> expected = {"open",     "begin",    "camera 1", "object a", "object b",
                                                   "begin",    "camera 1", "object a", "object b", "object c",
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
    const std::vector<std::string> expected = {"open", "begin", "camera 1", "object a", "close"};
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

TEST_F(PreviewDriverTest, PointListsBecomeTrianglesInTheDriversOwnCache) {
    CadObject* whole = mesh("whole");
    CadObject* mixed = mesh("mixed");
    // A facet followed by a single point: not triangles all the way.
    ListEntry* last = mixed->points;
    while (last->next) last = last->next;
    Point3d p{9, 9, 9};
    AddEntry(1, last, &p);
    mixed->count = 3;
    PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
    ASSERT_EQ(driver.Start(&target), 1);
    driver.Redraw();
    driver.Redraw();
    {
        kx::app::SceneChange change;  // any change: conversions are made again
    }
    driver.Redraw();
    driver.Stop();
    const std::vector<std::string> expected = {"open", "begin", "camera 1", "object whole", "end",
                                               "begin", "camera 1", "object whole", "end",
                                               "begin", "camera 1", "object whole", "end", "close"};
    EXPECT_EQ(recorder.snapshot(), expected);
    ASSERT_EQ(recorder.triangleCounts.size(), 3u);
    EXPECT_EQ(recorder.triangleCounts[0], 2u);
    EXPECT_EQ(recorder.triangleArrays[0], recorder.triangleArrays[1]);  // kept while nothing changed
    // The scene's objects were only read.
    EXPECT_EQ(whole->polygons, nullptr);
    EXPECT_EQ(mixed->polygons, nullptr);
    // Materials carry the colour where the library reads it.
    ASSERT_NE(recorder.materials[0], nullptr);
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
        // The first object: a colour record; its copy lives only for the call.
        const TextureInfo* seenB = recorder.materials[1];
        if (mode == 2) {
            EXPECT_EQ(seenB, first);
            EXPECT_EQ(recorder.materials[2], none);
            EXPECT_EQ(reports, std::vector<std::string>{"Unable to Open Targa File (Error 2) \n"});
        } else {
            EXPECT_NE(seenB, first);
            EXPECT_TRUE(reports.empty());
        }
    }
    // A changed texture list tries the map again.
    {
        kx::app::SceneChange change;
        kx::app::SceneLock::countTextureChange();
    }
    reports.clear();
    PreviewDriver driver(fakeBackend(), report(), PreviewDriver::Threading::CallingThread);
    driver.setPreviewRender(2);
    ASSERT_EQ(driver.Start(&target), 1);
    driver.Redraw();
    driver.Stop();
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(PreviewDriverTest, LongMeshesAreDrawnInSlicesBetweenLockHolds) {
    CadObject* big = makeMesh("big", 5);
    big->flags |= KX_FLAG_VISIBLE;
    TriPolygon* tris = CopyListToPolygons(big->points, 5);
    ASSERT_NE(tris, nullptr);
    big->polygons = tris;
    big->polygonCount = 5;
    for (bool interrupted : {false, true}) {
        SCOPED_TRACE(interrupted ? "the scene changes between slices" : "undisturbed");
        recorder.calls.clear();
        recorder.triangleCounts.clear();
        recorder.triangleArrays.clear();
        PreviewDriver driver(fakeBackend(), report());
        driver.setSliceSize(2);
        bool once = interrupted;
        recorder.onObject = [&](const CadObject*) {
            if (once) {
                once = false;
                // Stands for an edit made while the lock was free between slices.
                kx::app::SceneLock::countChange();
            }
        };
        ASSERT_EQ(driver.Start(&target), 1);
        ASSERT_TRUE(waitForFrames(1));
        driver.Stop();
        recorder.onObject = nullptr;
        std::vector<uint32_t> expected = {2, 2, 1};
        if (interrupted) expected.insert(expected.begin(), 2u);  // given up after the first slice
        EXPECT_EQ(recorder.triangleCounts, expected);
        EXPECT_EQ(recorder.triangleArrays.back(), tris + 4);
    }
}

TEST_F(PreviewDriverTest, LongPointListsAreConvertedInRunsBetweenPauses) {
    CadObject* big = makeMesh("big", 5);
    TriPolygon* expected = CopyListToPolygons(big->points, 5);
    ASSERT_NE(expected, nullptr);
    kx::app::PreparedObjects prepared;
    prepared.setNodesBetweenPauses(2);
    int pauses = 0;
    const CadObject* whole = prepared.prepare(*big, [&] { return ++pauses > 0; });
    ASSERT_NE(whole, nullptr);
    EXPECT_FALSE(prepared.abandoned());
    EXPECT_EQ(pauses, 4);  // after the second and the fourth node of each walk, not after the last
    ASSERT_EQ(whole->polygonCount, 5u);
    EXPECT_EQ(std::memcmp(whole->polygons, expected, 5 * sizeof(TriPolygon)), 0);
    std::free(expected);

    // The scene changed at the second pause: nothing is kept, and the next
    // picture converts the list again, whole.
    kx::app::PreparedObjects interrupted;
    interrupted.setNodesBetweenPauses(2);
    pauses = 0;
    EXPECT_EQ(interrupted.prepare(*big, [&] { return ++pauses < 2; }), nullptr);
    EXPECT_TRUE(interrupted.abandoned());
    EXPECT_EQ(interrupted.cachedCount(), 0u);
    const CadObject* again = interrupted.prepare(*big, [] { return true; });
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(interrupted.abandoned());
    EXPECT_EQ(again->polygonCount, 5u);
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

class SceneLockTest : public kxtest::CoreTest {};

TEST_F(SceneLockTest, EveryChangeMovesTheCountAndRebuildsNeedAnObject) {
    const uint64_t before = kx::app::SceneLock::changeCount();
    {
        kx::app::SceneChange outer;
        ASSERT_TRUE(outer.owns());
        kx::app::SceneChange inner;  // a change made of changes, on one thread
        EXPECT_TRUE(inner.owns());
    }
    EXPECT_EQ(kx::app::SceneLock::changeCount(), before + 2);
    // Another thread waits while a change is made.
    std::atomic<bool> tookIt{false};
    std::thread other;
    {
        kx::app::SceneChange change;
        other = std::thread([&] {
            std::lock_guard lock(kx::app::SceneLock::mutex());
            tookIt = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(tookIt.load());
    }
    other.join();
    EXPECT_TRUE(tookIt.load());

    EXPECT_EQ(kx::app::RebuildSceneObject(nullptr), 0);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.lastMessage().rfind("Invalid CAD Object, ", 0), 0u) << ui.lastMessage();
    EXPECT_NE(ui.lastMessage().find(" line "), std::string::npos);
    CadObject* s = CreateDefaultObjectEx(nullptr, KX_SPHERE, nullptr);
    ASSERT_NE(s, nullptr);
    const uint64_t beforeRebuild = kx::app::SceneLock::changeCount();
    EXPECT_EQ(kx::app::RebuildSceneObject(s), 1);
    EXPECT_EQ(kx::app::SceneLock::changeCount(), beforeRebuild + 1);
}

// A thread that lets waiting edits in first, while it already holds the lock
// further out, must not wait for an edit that waits for it.
TEST_F(SceneLockTest, LettingWaitersInEndsWhenTheWaiterNeedsOurLock) {
    std::atomic<bool> waiting{false}, tookIt{false};
    std::thread edit;
    {
        std::lock_guard held(kx::app::SceneLock::mutex());
        edit = std::thread([&] {
            waiting = true;
            kx::app::SceneLock::lockAhead();
            tookIt = true;
            kx::app::SceneLock::mutex().unlock();
        });
        while (!waiting) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kx::app::SceneLock::letWaitersIn();  // returns although the edit still waits
        EXPECT_FALSE(tookIt.load());
    }
    edit.join();
    EXPECT_TRUE(tookIt.load());
}

}  // namespace

namespace {

// Without a window: the real drawing library on the preview thread while this
// thread changes the scene through the core under the lock, as every command
// does. Run under ThreadSanitizer by the "tsan" preset.
class PreviewLockStressTest : public kxtest::CoreTest {};

struct SmallTarget : PreviewTarget {
    std::atomic<int> frames{0};
    SmallTarget() {
        width = 16;
        height = 12;
    }
    void deliver(const PreviewFrame&) override { ++frames; }
};

TEST_F(PreviewLockStressTest, CoreEditsWhileThePreviewDraws) {
    InitScene();
    CreateDefaultScene();
    SmallTarget target;
    PreviewDriver driver(kx::app::libraryBackend(), [](const std::string&) {});
    ASSERT_EQ(driver.Start(&target), 1);
    std::mt19937 random(7);
    const unsigned types[] = {KX_SPHERE, KX_BOX, KX_CYLINDER, KX_CONE, KX_DISC, KX_TORUS, KX_LIGHT};
    for (int i = 0; i < 1500; ++i) {
        {
            kx::app::SceneChange change;
            ASSERT_TRUE(change.owns());
            CadObject* last = GetLastCadObject();
            switch (random() % 6) {
                case 0:
                case 1: {
                    Point3d at{static_cast<float>(random() % 7) - 3, 0, 0};
                    CreateDefaultObjectEx(nullptr, types[random() % std::size(types)], &at);
                    break;
                }
                case 2:
                    if (last && last->type != KX_CAMERA) DeleteCadObject(last);
                    break;
                case 3:
                    if (last) {
                        Point3d s{1.5f, 1.5f, 1.5f};
                        if (last->type != KX_CAMERA) SetCadObjectProperty(last, KX_PROP_SIZE, &s);
                        RebuildObjectEx(last, 1);
                    }
                    break;
                case 4: {
                    Point3d from{static_cast<float>(random() % 20) - 10, 4, -12}, at{0, 0, 0};
                    SetCameraPositionEx(nullptr, &from, &at, 1);
                    break;
                }
                default:
                    if (random() % 10 == 0) {
                        ClearScene(GetCurrentScene());
                        InitScene();
                        CreateDefaultScene();
                    }
                    break;
            }
        }
        driver.Redraw();
    }
    const int before = target.frames;
    driver.Redraw();
    for (int k = 0; k < 400 && target.frames == before; ++k) std::this_thread::sleep_for(5ms);
    driver.Stop();
    EXPECT_GT(target.frames.load(), before);
}

}  // namespace

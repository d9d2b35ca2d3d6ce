// The shaded preview: a worker thread that draws the scene through the
// drawing library whenever asked. The thread reads the scene only under the
// scene lock, one object at a time, and gives up a picture as soon as the
// scene changed or a newer picture was asked for. Without a thread, the
// calling thread draws each picture whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "kxplatform/event.h"
#include "preview/image_map.h"
#include "preview/preview_objects.h"
#include "preview/render_backend.h"

namespace kx::app {

class PreviewDriver {
public:
    // Texts for the user. From the preview thread they must reach the
    // user-interface thread before anything shows them.
    using Report = std::function<void(const std::string& text)>;
    enum class Threading { Thread, CallingThread };

    PreviewDriver(RenderBackend backend, Report report, Threading threading = Threading::Thread);
    ~PreviewDriver();
    PreviewDriver(const PreviewDriver&) = delete;
    PreviewDriver& operator=(const PreviewDriver&) = delete;

    // 1 when the preview draws into target from now on; 0 when it already
    // runs or the library could not open the target.
    int Start(PreviewTarget* target);
    // Asks for a new picture; on the calling thread it is drawn at once.
    void Redraw();
    // Ends the thread and closes the library. Never call it holding the scene
    // lock: the thread may be waiting for it.
    void Stop();

    bool running() const { return target_ != nullptr; }
    bool threaded() const { return thread_.joinable(); }
    // The PreviewRender setting (1 shaded, 2 textured) and the view value.
    void setPreviewRender(int mode) { previewRender_ = mode; }
    void setViewValue(int value) { viewValue_ = value; }
    // Meshes longer than this many triangles are drawn in slices, the scene
    // lock given back between them, so that an edit never waits for a whole mesh.
    void setSliceSize(size_t triangles) { sliceSize_ = triangles ? triangles : 1; }
    // Pictures finished so far (delivered by the library).
    uint64_t framesDrawn() const { return framesDrawn_; }

private:
    enum class Outcome { Finished, Abandoned, Stopped, Failed };
    using Lock = std::unique_lock<std::recursive_mutex>;
    void run(PreviewTarget* target, std::promise<int>* opened);
    Outcome drawFrame(PreviewTarget* target, bool synchronous);
    bool lock(Lock& held);
    void passLights();
    // Draws one object under the held lock; false when the scene changed
    // while the lock was left to read an image map.
    bool drawOne(CadObject& object, Lock& held, uint64_t frameCount);
    bool drawSlices(const CadObject& prepared, const TextureInfo* material, Lock& held, uint64_t frameCount);
    // The texture of a textured object, its image map loaded when it can be.
    bool textureFor(CadObject& object, TextureInfo*& texture, Lock& held, uint64_t frameCount);

    RenderBackend backend_;
    Report report_;
    Threading threading_;
    PreviewTarget* target_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    kx::platform::Event redraw_{kx::platform::Event::Reset::Automatic};
    std::atomic<int> previewRender_{1};
    std::atomic<int> viewValue_{0};
    std::atomic<uint64_t> framesDrawn_{0};
    size_t sliceSize_ = 65536;

    // Owned by whichever thread draws.
    PreparedObjects prepared_;
    uint64_t preparedFor_ = ~uint64_t{0};
    std::set<std::string> failedMaps_;   // reported once until the texture list changes
    uint64_t failedFor_ = 0;
};

}  // namespace kx::app

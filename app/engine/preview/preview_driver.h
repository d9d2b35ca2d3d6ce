// The shaded preview: a worker thread that draws the scene through the
// drawing library whenever asked. It draws the scene model's snapshots, which
// point into nothing the user edits, so it never takes the scene lock and an
// edit never waits for it; a picture is given up as soon as a newer snapshot
// or a newer picture was asked for. Without a thread, the calling thread
// draws each picture whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "model/scene_snapshot.h"
#include "kxplatform/event.h"
#include "preview/image_map.h"
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
    // Ends the thread and closes the library.
    void Stop();

    bool running() const { return target_ != nullptr; }
    bool threaded() const { return thread_.joinable(); }
    // The PreviewRender setting (1 shaded, 2 textured) and the view value.
    void setPreviewRender(int mode) { previewRender_ = mode; }
    void setViewValue(int value) { viewValue_ = value; }
    // The size of the picture the renderer makes: the preview keeps its
    // shape, as the render will have it (0 by 0: the camera's own size).
    void setPictureSize(int width, int height) {
        pictureWidth_ = width > 0 && height > 0 ? width : 0;
        pictureHeight_ = width > 0 && height > 0 ? height : 0;
    }
    // Pictures finished so far (delivered by the library).
    uint64_t framesDrawn() const { return framesDrawn_; }

private:
    enum class Outcome { Finished, Abandoned, Stopped };
    void run(PreviewTarget* target, std::promise<int>* opened);
    Outcome drawFrame(PreviewTarget* target, bool synchronous);
    // The material an object is drawn with; scratch holds a textured one.
    const TextureInfo* materialFor(const SnapshotObject& object, TextureInfo& scratch);
    const ImageMapPixels* imageMap(const std::string& file);

    RenderBackend backend_;
    Report report_;
    Threading threading_;
    PreviewTarget* target_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    kx::platform::Event redraw_{kx::platform::Event::Reset::Automatic};
    std::atomic<int> previewRender_{1};
    std::atomic<int> viewValue_{0};
    std::atomic<int> pictureWidth_{0};
    std::atomic<int> pictureHeight_{0};
    std::atomic<uint64_t> framesDrawn_{0};

    // Owned by whichever thread draws: decoded image maps, and the files
    // that could not be read (reported once until the texture list changes).
    std::map<std::string, std::unique_ptr<ImageMapPixels>> maps_;
    std::set<std::string> failedMaps_;
    uint64_t mapsFor_ = ~uint64_t{0};
};

}  // namespace kx::app

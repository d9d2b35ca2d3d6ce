// Render Animation: every frame of a range, one after the other, each moved
// to (SetObjectsToFrame), exported as <folder>/<stem><f><ext>, rendered with
// its frame number in the renderer's "$C" and read back from
// <folder>/<stem><f>.tga. The caller drives it: startNext() starts a frame,
// the renderer's end arrives through `frameEnded` on the runner thread, and
// finishFrame() on the caller's thread reads the image back.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "animation/frame_output.h"
#include "render/render_job.h"

namespace kx::app {

struct AnimationRenderRequest {
    std::string scene;    // the scene file the frames are named after
    unsigned first = 0;   // frames, from 0
    unsigned last = 0;
    bool insideOut = false;
    bool resume = false;       // frames whose image reads back whole are not rendered again
    bool goOnAfterFailedStart = false;  // a renderer that cannot start fails its frame only
};

class AnimationRender {
public:
    struct Callbacks {
        std::function<void(const std::string&)> output;  // renderer output, runner thread
        std::function<void()> frameEnded;                // runner thread
    };

    AnimationRender(Settings settings, RendererList renderers);
    ~AnimationRender();

    // Checks the request (an animation, a range inside it, a renderer, a
    // frame folder); false with `error` set when it cannot run.
    bool prepare(const AnimationRenderRequest& request, std::string& error);

    // Moves the scene to the next frame and starts its render. False when no
    // frame is left, when cancelled, or when a renderer could not be started:
    // that frame is then failed and, unless the request says to go on, the
    // render ends (the next would fail alike).
    bool startNext(const Callbacks& callbacks);
    // After frameEnded: waits for the run and reads its image back. The
    // image's path, or empty when the frame failed.
    std::string finishFrame();
    void cancel();
    bool cancelled() const { return cancelled_; }
    bool running() const { return job_ != nullptr; }

    // "Frame k of n" for the frame started last (k from 1).
    std::string progressText() const;
    size_t frameCount() const { return order_.size(); }
    unsigned currentFrame() const { return current_; }
    const std::vector<unsigned>& failedFrames() const { return failed_; }
    const std::vector<std::string>& images() const { return images_; }
    const FrameTarget& target() const { return target_; }
    const BuiltCommand* command() const { return job_ ? &job_->command() : nullptr; }
    // How the run finishFrame waited for ended.
    const RenderOutcome& lastOutcome() const { return lastOutcome_; }

    // The frame list <folder>/<stem>.LST naming the frames 0..last.
    bool writeFrameList() const;

private:
    Settings settings_;
    RendererList renderers_;
    size_t rendererIndex_ = 0;
    AnimationRenderRequest request_;
    FrameTarget target_;
    std::vector<unsigned> order_;
    size_t next_ = 0;
    unsigned current_ = 0;
    std::unique_ptr<RenderJob> job_;
    RenderOutcome lastOutcome_;
    std::vector<unsigned> failed_;
    std::vector<std::string> images_;
    bool cancelled_ = false;
};

}  // namespace kx::app

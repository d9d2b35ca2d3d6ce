#include "animation/animation_render.h"

#include "animation/frame_output.h"
#include "kxcore.h"

namespace kx::app {

AnimationRender::AnimationRender(Settings settings, RendererList renderers)
    : settings_(std::move(settings)), renderers_(std::move(renderers)) {}

AnimationRender::~AnimationRender() {
    if (job_) {
        job_->cancel();
        job_->wait();
    }
}

bool AnimationRender::prepare(const AnimationRenderRequest& request, std::string& error) {
    if (!IsAni() || GetMaxFrame() == 0) {
        error = "No frames in animation";
        return false;
    }
    if (request.first > request.last || request.last >= GetMaxFrame()) {
        error = "Frames " + std::to_string(request.first + 1) + " to " + std::to_string(request.last + 1) +
                " are outside the animation's 1 to " + std::to_string(GetMaxFrame());
        return false;
    }
    const RendererDefinition& renderer = renderers_.current(settings_.render.type);
    if (&renderer == &renderers_.entries.front()) {
        error = "Preview only: choose a renderer in Render Settings to render";
        return false;
    }
    rendererIndex_ = static_cast<size_t>(&renderer - renderers_.entries.data());
    if (!animationFrameTarget(request.scene, target_)) {
        error = "The frame folder " + target_.folder + " cannot be made";
        return false;
    }
    request_ = request;
    order_ = frameOrder(request.first, request.last, request.insideOut);
    next_ = 0;
    failed_.clear();
    images_.clear();
    cancelled_ = false;
    return true;
}

bool AnimationRender::startNext(const Callbacks& callbacks) {
    if (cancelled_ || job_) return false;
    do {
        if (next_ >= order_.size()) return false;
        current_ = order_[next_++];
    } while (request_.resume && frameImageReadsWhole(framePath(target_, current_, ".tga")));
    SetObjectsToFrame(current_);
    renderers_.entries[rendererIndex_].frame = static_cast<int32_t>(current_);
    job_ = std::make_unique<RenderJob>(settings_, renderers_);
    job_->setMeshCacheName(target_.stem);
    RenderJob::Callbacks cb;
    cb.output = callbacks.output;
    cb.finished = [ended = callbacks.frameEnded](const RenderOutcome&) {
        if (ended) ended();
    };
    if (!job_->start(framePath(target_, current_, ".cad"), cb)) {
        job_.reset();
        failed_.push_back(current_);
        if (!request_.goOnAfterFailedStart) next_ = order_.size();
        return false;
    }
    return true;
}

std::string AnimationRender::finishFrame() {
    if (!job_) return {};
    lastOutcome_ = job_->wait();
    const RenderOutcome& outcome = lastOutcome_;
    job_.reset();
    if (outcome.cancelled) {
        cancelled_ = true;
        return {};
    }
    // The frame counts only when its image reads back whole.
    if (outcome.ok && frameImageReadsWhole(outcome.imagePath)) {
        images_.push_back(outcome.imagePath);
        return outcome.imagePath;
    }
    failed_.push_back(current_);
    return {};
}

void AnimationRender::cancel() {
    cancelled_ = true;
    if (job_) job_->cancel();
}

std::string AnimationRender::progressText() const {
    return "Frame " + std::to_string(next_) + " of " + std::to_string(order_.size());
}

bool AnimationRender::writeFrameList() const {
    FolderScope here(target_.folder);
    if (!here.ok()) return false;
    return CreateFrameList(target_.stem.c_str(), ".tga", static_cast<int>(request_.last + 1)) != 0;
}

}  // namespace kx::app

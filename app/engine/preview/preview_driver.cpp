#include "preview/preview_driver.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "model/scene_model.h"

namespace kx::app {

PreviewDriver::PreviewDriver(RenderBackend backend, Report report, Threading threading)
    : backend_(backend), report_(std::move(report)), threading_(threading) {}

PreviewDriver::~PreviewDriver() { Stop(); }

int PreviewDriver::Start(PreviewTarget* target) {
    if (!target || target_) return 0;
    stop_ = false;
    redraw_.reset();
    target_ = target;
    // From here on every change makes a snapshot, starting with the scene as it stands.
    sceneModel().addSnapshotUser();
    if (threading_ == Threading::Thread) {
        std::promise<int> opened;
        std::future<int> result = opened.get_future();
        try {
            thread_ = std::thread(&PreviewDriver::run, this, target, &opened);
        } catch (const std::system_error&) {
            // No thread: the pictures are drawn on the calling thread.
        }
        if (thread_.joinable()) {
            if (result.get()) {
                redraw_.set();  // the first picture
                return 1;
            }
            thread_.join();
            target_ = nullptr;
            sceneModel().removeSnapshotUser();
            return 0;
        }
    }
    if (!backend_.open(target)) {
        target_ = nullptr;
        sceneModel().removeSnapshotUser();
        return 0;
    }
    return 1;
}

void PreviewDriver::Redraw() {
    if (!target_) return;
    if (thread_.joinable()) redraw_.set();
    else drawFrame(target_, true);
}

void PreviewDriver::Stop() {
    if (!target_) return;
    stop_ = true;
    redraw_.set();
    if (thread_.joinable()) thread_.join();
    else backend_.close(target_);
    target_ = nullptr;
    stop_ = false;
    sceneModel().removeSnapshotUser();
}

void PreviewDriver::run(PreviewTarget* target, std::promise<int>* opened) {
    const int ok = backend_.open(target);
    opened->set_value(ok);  // Start's promise is gone after this
    if (!ok) return;
    bool again = false;
    while (!stop_) {
        // After a picture was given up the next starts at once.
        if (again) redraw_.tryConsume();
        else redraw_.wait();
        if (stop_) break;
        const Outcome outcome = drawFrame(target, false);
        if (outcome == Outcome::Stopped) break;
        again = outcome == Outcome::Abandoned;
    }
    backend_.close(target);
}

PreviewDriver::Outcome PreviewDriver::drawFrame(PreviewTarget* target, bool synchronous) {
    SceneModel& model = sceneModel();
    const std::shared_ptr<const SceneSnapshot> snap = model.snapshot();
    if (snap->textureGeneration != mapsFor_) {
        // The list changed: its textures may name other files, or the same
        // files written anew.
        maps_.clear();
        failedMaps_.clear();
        mapsFor_ = snap->textureGeneration;
    }
    backend_.beginFrame(target);
    if (snap->hasCamera) {
        CameraInfo camera = snap->camera;
        if (const int w = pictureWidth_, h = pictureHeight_; w > 0 && h > 0) {
            camera.width = static_cast<decltype(camera.width)>(w);
            camera.height = static_cast<decltype(camera.height)>(h);
        }
        backend_.setCamera(&camera, previewRender_, viewValue_);
    }
    int index = 0;
    for (const SnapshotLight& light : snap->lights)
        backend_.light(index++, &light.position, light.spot ? &light.pointAt : nullptr, light.colour);
    for (const auto& object : snap->objects) {
        if (!synchronous) {
            if (stop_) return Outcome::Stopped;
            if (redraw_.isSet() || model.generation() != snap->generation) return Outcome::Abandoned;
        }
        if (object->id == snap->viewingCamera) continue;  // the eye's own marker
        TextureInfo scratch;
        const TextureInfo* material = materialFor(*object, scratch);
        const SnapshotGeometry* g = object->geometry.get();
        if (object->clip.clipped && backend_.clipped) {
            const CsgClip& c = object->clip;
            const PreviewMesh mesh = g && g->indexed() ? g->previewMesh() : PreviewMesh{};
            // Within one of several: drawn within each choice in turn, where
            // the same surface drawn again at the same depth changes nothing.
            std::vector<CadObject> within = c.within;
            const size_t choices = c.choices();
            for (size_t k = 0; k < choices; ++k) {
                within.resize(c.within.size());
                // The k-th choice, counted with the first union's member fastest.
                for (size_t rest = k, u = 0; u < c.withinAny.size(); rest /= c.withinAny[u].size(), ++u)
                    within.push_back(c.withinAny[u][rest % c.withinAny[u].size()]);
                const PreviewClip clip{within.data(), static_cast<uint32_t>(within.size()), c.without.data(),
                                       static_cast<uint32_t>(c.without.size())};
                backend_.clipped(&object->record, g && g->indexed() ? &mesh : nullptr, material, &clip);
            }
        } else if (g && g->indexed() && backend_.mesh) {
            const PreviewMesh mesh = g->previewMesh();
            backend_.mesh(&object->record, &mesh, material);
            // Its lone points and segments.
            if (object->record.points) backend_.object(&object->record, material);
        } else {
            backend_.object(&object->record, material);
        }
    }
    backend_.endFrame();
    ++framesDrawn_;
    return Outcome::Finished;
}

const TextureInfo* PreviewDriver::materialFor(const SnapshotObject& object, TextureInfo& scratch) {
    if (previewRender_ <= 1 || !object.hasTexture) return &object.colour;
    scratch = object.texture;
    if (const ImageMapPixels* pixels = object.imageFile.empty() ? nullptr : imageMap(object.imageFile)) {
        // The library reads the pixels only during the call.
        scratch.text = reinterpret_cast<char*>(const_cast<unsigned char*>(pixels->rgb.data()));
        scratch.reserved1 = pixels->width;
        scratch.reserved2 = pixels->height;
    }
    return &scratch;
}

const ImageMapPixels* PreviewDriver::imageMap(const std::string& file) {
    if (auto found = maps_.find(file); found != maps_.end()) return found->second.get();
    if (failedMaps_.count(file)) return nullptr;
    auto pixels = std::make_unique<ImageMapPixels>();
    std::string error;
    if (!readImageMap(file, *pixels, error)) {
        failedMaps_.insert(file);
        if (report_) report_(error);
        return nullptr;
    }
    return maps_.emplace(file, std::move(pixels)).first->second.get();
}

}  // namespace kx::app

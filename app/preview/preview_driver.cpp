#include "preview/preview_driver.h"

#include <algorithm>
#include <system_error>

#include "preview/scene_lock.h"

namespace kx::app {

PreviewDriver::PreviewDriver(RenderBackend backend, Report report, Threading threading)
    : backend_(backend), report_(std::move(report)), threading_(threading) {}

PreviewDriver::~PreviewDriver() { Stop(); }

int PreviewDriver::Start(PreviewTarget* target) {
    if (!target || target_) return 0;
    stop_ = false;
    redraw_.reset();
    target_ = target;
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
            return 0;
        }
    }
    if (!backend_.open(target)) {
        target_ = nullptr;
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

bool PreviewDriver::lock(Lock& held) {
    try {
        // An edit waiting for the lock goes first.
        SceneLock::letWaitersIn();
        held.lock();
        return true;
    } catch (const std::system_error&) {
        if (report_) report_("WaitForSingleObject failed in Draw");
        return false;
    }
}

PreviewDriver::Outcome PreviewDriver::drawFrame(PreviewTarget* target, bool synchronous) {
    backend_.beginFrame(target);
    Lock held(SceneLock::mutex(), std::defer_lock);
    if (!lock(held)) return Outcome::Failed;
    const uint64_t count = SceneLock::changeCount();
    // The old conversions are freed once the lock is given back.
    PreparedObjects::Conversions outdated;
    if (count != preparedFor_) {
        outdated = prepared_.takeAll();
        preparedFor_ = count;
    }
    if (CameraInfo* active = GetActiveCamera()) {
        const CameraInfo camera = *active;
        backend_.setCamera(&camera, previewRender_, viewValue_);
    }
    passLights();
    CadObject* next = GetCadObject(nullptr);
    held.unlock();
    outdated.clear();

    while (next) {
        if (!synchronous) {
            if (stop_) return Outcome::Stopped;
            if (redraw_.isSet()) return Outcome::Abandoned;
        }
        if (!lock(held)) return Outcome::Failed;
        // Whatever was remembered from before may be gone.
        if (SceneLock::changeCount() != count) return Outcome::Abandoned;
        CadObject* object = next;
        if ((object->flags & KX_FLAG_VISIBLE) && !drawOne(*object, held, count)) return Outcome::Abandoned;
        next = object->next;
        held.unlock();
    }
    backend_.endFrame();
    ++framesDrawn_;
    return Outcome::Finished;
}

void PreviewDriver::passLights() {
    int index = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (o->type != KX_LIGHT) continue;
        switch (lightKind(*o)) {
            case LightKind::Spot: backend_.light(index++, &o->translate, &o->extraPoint, o->rgb); break;
            case LightKind::Point: backend_.light(index++, &o->translate, nullptr, o->rgb); break;
            case LightKind::Omitted: break;
        }
    }
}

bool PreviewDriver::drawOne(CadObject& object, Lock& held, uint64_t frameCount) {
    TextureInfo* texture = nullptr;
    if (previewRender_ > 1 && !textureFor(object, texture, held, frameCount)) return false;
    // A long point list is converted in runs, the lock given back between them.
    const CadObject* prepared = prepared_.prepare(object, [&] {
        held.unlock();
        return lock(held) && SceneLock::changeCount() == frameCount;
    });
    if (prepared_.abandoned()) return false;
    if (!prepared) return true;
    const TextureInfo colour = colourMaterial(object);
    return drawSlices(*prepared, texture ? texture : &colour, held, frameCount);
}

bool PreviewDriver::drawSlices(const CadObject& prepared, const TextureInfo* material, Lock& held,
                               uint64_t frameCount) {
    const size_t n = prepared.polygonCount ? prepared.polygonCount : prepared.count;
    // Planar image coordinates span the whole mesh: such a mesh is drawn whole.
    const bool planarMap = material != nullptr && material->text && !(prepared.uv && prepared.uvCount >= 3 * n);
    if (!prepared.polygons || n <= sliceSize_ || prepared.type == KX_SPHERE || planarMap) {
        backend_.object(&prepared, material);
        return true;
    }
    // The object, the cache and the material stay valid while the count stands.
    CadObject slice = prepared;
    for (size_t first = 0; first < n; first += sliceSize_) {
        const size_t count = std::min(sliceSize_, n - first);
        slice.polygons = prepared.polygons + first;
        slice.polygonCount = slice.count = static_cast<uint32_t>(count);
        if (prepared.uv && prepared.uvCount >= 3 * n) {
            slice.uv = prepared.uv + 3 * first;
            slice.uvCount = static_cast<uint32_t>(3 * count);
        } else {
            slice.uv = nullptr;
            slice.uvCount = 0;
        }
        backend_.object(&slice, material);
        if (first + count >= n) break;
        held.unlock();
        if (!lock(held)) return false;
        if (SceneLock::changeCount() != frameCount) return false;
    }
    return true;
}

bool PreviewDriver::textureFor(CadObject& object, TextureInfo*& texture, Lock& held, uint64_t frameCount) {
    texture = findListTexture(object.material);
    if (!texture || holdsImageMap(*texture)) return true;
    const std::string file = imageMapFile(*texture);
    if (file.empty()) return true;
    if (SceneLock::textureChangeCount() != failedFor_) {
        failedMaps_.clear();
        failedFor_ = SceneLock::textureChangeCount();
    }
    const std::string key = file + '\n' + std::to_string(reinterpret_cast<uintptr_t>(texture));
    if (failedMaps_.count(key)) return true;

    // The file is read without holding up the user's edits.
    held.unlock();
    ImageMapPixels pixels;
    std::string error;
    const bool read = readImageMap(file, pixels, error);
    if (!lock(held)) return false;
    if (SceneLock::changeCount() != frameCount) return false;  // the record may be gone
    if (!read) {
        failedMaps_.insert(key);
        if (report_) report_(error);
        return true;
    }
    if (!installImageMap(*texture, pixels)) failedMaps_.insert(key);
    return true;
}

}  // namespace kx::app

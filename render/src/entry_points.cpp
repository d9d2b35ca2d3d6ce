// The eight calls, over one drawing state per opened target.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "camera_projection.h"
#include "kxrender.h"
#include "object_mesh.h"
#include "rasteriser.h"

namespace {

struct State {
    PreviewTarget* target = nullptr;
    kxr::Rasteriser raster;
    std::vector<kxr::Light> lights;
    int previewMode = KXRENDER_SHADED;
};

// One drawing state per opened target, so that two previews on two threads
// never share a picture. The calls between RenderBeginFrame and
// RenderEndFrame name no target: they work on the frame this thread began.
std::mutex statesMutex;
std::map<PreviewTarget*, std::unique_ptr<State>> states;
thread_local State* drawing = nullptr;

State* stateOf(PreviewTarget* target) {
    std::lock_guard lock(statesMutex);
    auto it = states.find(target);
    return it == states.end() ? nullptr : it->second.get();
}

constexpr char kLabel[] = "Enable &Shaded Preview";
static_assert(sizeof(kLabel) <= sizeof(PreviewCaps::label));
constexpr uint32_t kMaxImageSide = 4096;

// Long meshes are shared among one thread a core (at most four: each more
// copies and merges the whole picture once a mesh); KXRENDER_THREADS=n asks
// for n, and 1 keeps the drawing on the calling thread.
int drawingThreads() {
    if (const char* chosen = std::getenv("KXRENDER_THREADS")) {
        const int n = std::atoi(chosen);
        if (n >= 1) return std::min(n, 64);
    }
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

kxr::Vec3 colourOf(uint32_t bgr) {
    return {(bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0, ((bgr >> 16) & 0xFF) / 255.0};
}

}  // namespace

int RenderOpen(PreviewTarget* target) noexcept {
    if (!target) return 0;
    try {
        auto made = std::make_unique<State>();
        made->target = target;
        made->raster.setThreads(drawingThreads());
        std::lock_guard lock(statesMutex);
        states[target] = std::move(made);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int RenderClose(PreviewTarget* target) noexcept {
    std::lock_guard lock(statesMutex);
    auto it = states.find(target);
    if (it == states.end()) return 0;
    if (drawing == it->second.get()) drawing = nullptr;
    states.erase(it);
    return 1;
}

int RenderBeginFrame(PreviewTarget* target) noexcept {
    State* s = target ? stateOf(target) : nullptr;
    if (!s) return 0;
    try {
        s->raster.begin(target->width.load(), target->height.load());
    } catch (const std::bad_alloc&) {
        s->raster.begin(0, 0);
    }
    s->raster.setCamera({});
    s->lights.clear();
    drawing = s;
    return 1;
}

int RenderSetCamera(const CameraInfo* camera, int previewMode, int /*viewValue*/) noexcept {
    State* s = drawing;
    if (!s || !camera) return 0;
    s->raster.setCamera(kxr::makeCameraSpace(*camera));
    s->previewMode = previewMode;
    return 1;
}

int RenderLight(int index, const Point3d* position, const Point3d* pointAt, uint32_t colour) noexcept {
    State* s = drawing;
    if (!s || !position || index < 0) return 0;
    kxr::Light light;
    light.position = {position->x, position->y, position->z};
    if (!kxr::finite(light.position)) return 0;
    light.colour = colourOf(colour);
    if (pointAt) {
        light.direction = kxr::normalised(kxr::Vec3{pointAt->x, pointAt->y, pointAt->z} - light.position);
        light.spot = kxr::length(light.direction) > 0;
    }
    try {
        s->lights.push_back(light);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

namespace {

kxr::Surface surfaceOf(const State& s, const CadObject* object, const TextureInfo* material) {
    kxr::Surface surface;
    surface.colour = colourOf(object->rgb);
    if (material) {
        surface.colour = {material->colour[0] / 255.0, material->colour[1] / 255.0, material->colour[2] / 255.0};
        const uint32_t w = material->reserved1, h = material->reserved2;
        if (s.previewMode >= KXRENDER_TEXTURED && material->text && w > 0 && h > 0 && w <= kMaxImageSide &&
            h <= kMaxImageSide)
            surface.image = {reinterpret_cast<const unsigned char*>(material->text), static_cast<int>(w),
                             static_cast<int>(h)};
    }
    return surface;
}

}  // namespace

int RenderObject(const CadObject* object, const TextureInfo* material) noexcept {
    State* s = drawing;
    if (!s || !object) return 0;
    if (!(object->flags & KX_FLAG_VISIBLE)) return 1;
    const kxr::Surface surface = surfaceOf(*s, object, material);
    s->raster.setLights(s->lights);
    kxr::drawObject(s->raster, *object, surface);
    return 1;
}

int RenderMesh(const CadObject* object, const PreviewMesh* mesh, const TextureInfo* material) noexcept {
    State* s = drawing;
    if (!s || !object || !mesh) return 0;
    if (!(object->flags & KX_FLAG_VISIBLE)) return 1;
    if (mesh->triangleCount && (!mesh->positions || !mesh->corners)) return 0;
    // A corner number past the corners would read outside them.
    uint32_t highest = 0;
    const size_t numbers = 3 * size_t{mesh->triangleCount};
    for (size_t i = 0; i < numbers; ++i) highest = std::max(highest, mesh->corners[i]);
    if (numbers && highest >= mesh->cornerCount) return 0;
    const kxr::Surface surface = surfaceOf(*s, object, material);
    s->raster.setLights(s->lights);
    const kxr::IndexedMesh indexed{mesh->positions, mesh->normals, mesh->corners, mesh->cornerCount,
                                   mesh->triangleCount};
    try {
        kxr::drawIndexedObject(s->raster, indexed, surface);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int RenderClippedObject(const CadObject* object, const PreviewMesh* mesh, const TextureInfo* material,
                        const PreviewClip* clip) noexcept {
    State* s = drawing;
    if (!s || !object || !clip) return 0;
    if ((clip->withinCount && !clip->within) || (clip->withoutCount && !clip->without)) return 0;
    if (mesh && mesh->triangleCount && (!mesh->positions || !mesh->corners)) return 0;
    if (mesh) {
        const size_t numbers = 3 * size_t{mesh->triangleCount};
        for (size_t i = 0; i < numbers; ++i)
            if (mesh->corners[i] >= mesh->cornerCount) return 0;
    }
    try {
        std::vector<kxr::ClipSolid> solids;
        for (uint32_t i = 0; i < clip->withinCount; ++i)
            if (auto solid = kxr::ClipSolid::make(clip->within[i], false)) solids.push_back(*solid);
        for (uint32_t i = 0; i < clip->withoutCount; ++i)
            if (auto solid = kxr::ClipSolid::make(clip->without[i], true)) solids.push_back(*solid);
        const kxr::Surface surface = surfaceOf(*s, object, material);
        s->raster.setLights(s->lights);
        const kxr::IndexedMesh indexed{mesh ? mesh->positions : nullptr, mesh ? mesh->normals : nullptr,
                                       mesh ? mesh->corners : nullptr, mesh ? mesh->cornerCount : 0u,
                                       mesh ? mesh->triangleCount : 0u};
        kxr::drawClippedObject(s->raster, *object, mesh ? &indexed : nullptr, surface, solids);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int RenderEndFrame() noexcept {
    State* s = drawing;
    if (!s) return 0;
    drawing = nullptr;
    s->raster.finish();
    s->raster.drawMarkers();
    const PreviewFrame frame{s->raster.width(), s->raster.height(), s->raster.pixels().data()};
    s->target->deliver(frame);
    return 1;
}

int RenderCapabilities(PreviewCaps* caps) noexcept {
    if (!caps || caps->size < sizeof(PreviewCaps)) return 0;
    caps->mode = KXRENDER_MODE_SOFTWARE;
    caps->textured = 1;
    std::memset(caps->label, 0, sizeof caps->label);
    std::memcpy(caps->label, kLabel, sizeof kLabel);
    return 1;
}

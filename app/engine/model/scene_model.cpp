#include "model/scene_model.h"

#include <cstring>
#include <system_error>

#include "preview/image_map.h"

namespace kx::app {

namespace {

// Transactions this thread has open: only the thread holding the lock has any.
thread_local int openHere = 0;

bool sameBits(const Point3d& a, const Point3d& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The fields the preview draws, and the geometry they lead to.
bool sameDrawnFields(const CadObject& a, const CadObject& b) {
    return a.type == b.type && a.flags == b.flags && std::memcmp(a.name, b.name, sizeof a.name) == 0 &&
           std::memcmp(a.material, b.material, sizeof a.material) == 0 && a.materialType == b.materialType &&
           sameBits(a.size, b.size) && sameBits(a.extraPoint, b.extraPoint) && sameBits(a.scale, b.scale) &&
           sameBits(a.rotate, b.rotate) && sameBits(a.translate, b.translate) && a.rgb == b.rgb;
}

bool sameGeometrySource(const CadObject& a, const CadObject& b) {
    return a.points == b.points && a.count == b.count && a.polygons == b.polygons &&
           a.polygonCount == b.polygonCount && a.uv == b.uv && a.uvCount == b.uvCount && a.type == b.type;
}

// The members that bound a member of an intersection or a difference are
// the same, with the same fields.
bool sameClip(const CsgClip& a, const CsgClip& b) {
    auto sameList = [](const std::vector<CadObject>& x, const std::vector<CadObject>& y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end(), sameDrawnFields);
    };
    return a.clipped == b.clipped && a.takenAway == b.takenAway && sameList(a.within, b.within) &&
           sameList(a.without, b.without) &&
           std::equal(a.withinAny.begin(), a.withinAny.end(), b.withinAny.begin(), b.withinAny.end(), sameList);
}

// The record as the drawing library sees it: nothing of it points into the
// scene. A wire is handed over as the segments and outlines it is.
CadObject drawnRecord(const CadObject& object, const SnapshotGeometry* geometry, bool wire) {
    CadObject r = fieldsOf(object);
    if (wire) r.type = KX_LINESEG;
    // Shared corners are handed to the library beside the record, and what
    // is drawn thin as its point list.
    if (geometry && geometry->indexed()) r.count = static_cast<uint32_t>(geometry->triangleCount());
    if (geometry && !geometry->wire.empty()) r.points = const_cast<ListEntry*>(geometry->wire.data());
    if (geometry && !geometry->triangles.empty()) {
        // The vector is never changed again: its data stays where it is.
        r.polygons = const_cast<TriPolygon*>(geometry->triangles.data());
        r.polygonCount = r.count = static_cast<uint32_t>(geometry->triangles.size());
        if (!geometry->uv.empty()) {
            r.uv = const_cast<Point3d*>(geometry->uv.data());
            r.uvCount = static_cast<uint32_t>(geometry->uv.size());
        }
    }
    return r;
}

}  // namespace

SceneModel& sceneModel() {
    static SceneModel model;
    return model;
}

void emptyScene() {
    ClearScene(GetCurrentScene());
    // The old scene's event scripts must not run again for the next one.
    ClearKalvexEvent();
    InitScene();
}

SceneModel::SceneModel() : published_(std::make_shared<SceneSnapshot>()) {}

SceneModel::~SceneModel() = default;

SceneModel::Transaction::Transaction(uint32_t what) { owns_ = sceneModel().begin(what); }

SceneModel::Transaction::~Transaction() {
    if (owns_) sceneModel().end();
}

void SceneModel::Transaction::touches(uint32_t what) {
    if (owns_) sceneModel().open_.delta.what |= what;
}

void SceneModel::Transaction::movesOnly() {
    if (owns_) sceneModel().open_.movesOnly = true;
}

SceneModel::Reading::Reading() { sceneModel().lock_.lock(); }

SceneModel::Reading::~Reading() { sceneModel().lock_.unlock(); }

bool SceneModel::Reading::midChange() const { return sceneModel().open_.depth > 0; }

bool SceneModel::begin(uint32_t what) {
    try {
        lock_.lock();
    } catch (const std::system_error&) {
        ErrorMessage("Error WaitForSingleObject failed");
        return false;
    }
    if (open_.depth++ == 0) {
        open_.delta = SceneDelta{};
        // Freed objects leave the ids: a new object at the same address is another.
        open_.previousHook = SetObjectReleaseHook(&SceneModel::forgetFreed);
    }
    open_.delta.what |= what;
    ++openHere;
    return true;
}

void SceneModel::end() {
    --openHere;
    if (--open_.depth > 0) {
        lock_.unlock();
        return;
    }
    SetObjectReleaseHook(open_.previousHook);
    SceneDelta delta;
    try {
        publish(open_);
        delta = std::move(open_.delta);
        delta.reshaped.assign(open_.reshaped.begin(), open_.reshaped.end());
        delta.movesOnly = delta.step && open_.movesOnly && !(delta.what & SceneDelta::Camera);
    } catch (const std::bad_alloc&) {
        // The preview keeps the picture before; the next change tries again.
        delta.what = open_.delta.what;
        delta.everyObject = true;
    }
    open_ = Open{};
    lock_.unlock();

    std::vector<Listener> listeners;
    {
        std::lock_guard held(listeners_lock_);
        for (const auto& [id, listener] : listeners_) listeners.push_back(listener);
    }
    for (const Listener& listener : listeners) listener(delta);
}

void SceneModel::forgetFreed(CadObject* object, int whole) {
    SceneModel& m = sceneModel();
    if (whole == 1) {
        m.cache_.erase(object);
        m.open_.reshaped.erase(object);
    }
    if (m.open_.previousHook) m.open_.previousHook(object, whole);
}

void SceneModel::noteReshaped(const CadObject* object) {
    if (openHere > 0 && object) sceneModel().open_.reshaped.insert(object);
}

void SceneModel::noteRecorded() {
    if (openHere > 0) sceneModel().open_.recorded = true;
}

void SceneModel::noteUnaccounted() {
    if (openHere > 0) sceneModel().open_.recorded = false;
}

void SceneModel::noteStep(const std::string& name) {
    if (openHere <= 0) return;
    SceneDelta& d = sceneModel().open_.delta;
    d.step = true;
    d.what |= SceneDelta::History;
    d.name = name;
}

void SceneModel::noteTouches(uint32_t what) {
    if (openHere > 0) sceneModel().open_.delta.what |= what;
}

std::shared_ptr<const SnapshotObject> SceneModel::snapshotObject(CadObject& object, Cached& cached, bool reshaped,
                                                                 bool texturesChanged) {
    CsgClip clip = csgClipOf(object);
    const bool wire = !clip.clipped && cutAwayInCsg(object);
    // A picture is kept among the object's extras, which its fields do not
    // show changing; painted or not, its triangles are prepared another way.
    std::string picture = paintedPicture(object);
    const bool geometryStale = reshaped || !cached.object || !sameGeometrySource(object, cached.drawn) ||
                               wire != cached.wire || picture.empty() != cached.picture.empty();
    if (!geometryStale && !texturesChanged && sameDrawnFields(object, cached.drawn) &&
        sameClip(clip, cached.object->clip) && picture == cached.picture)
        return cached.object;
    if (geometryStale) {
        // A reshape that kept the list's faces (a move above all) reuses
        // the corners' sharing worked out before.
        std::shared_ptr<const SnapshotGeometry> refreshed;
        if (reshaped && cached.object && cached.geometry && !wire && !cached.wire && picture.empty() &&
            cached.picture.empty() && sameGeometrySource(object, cached.drawn))
            refreshed = refreshedGeometry(object, *cached.geometry);
        cached.geometry = refreshed ? std::move(refreshed) : snapshotGeometry(object, wire);
    }
    cached.drawn = object;
    cached.wire = wire;
    cached.picture = std::move(picture);
    auto made = std::make_shared<SnapshotObject>();
    made->id = cached.id;
    made->record = drawnRecord(object, cached.geometry.get(), wire);
    made->geometry = cached.geometry;
    made->colour = colourMaterial(object);
    if (const TextureInfo* t = findListTexture(object.material)) {
        made->hasTexture = true;
        made->texture = *t;
        made->texture.next = nullptr;
        made->texture.text = nullptr;  // the preview decodes the image itself
        made->texture.reserved1 = made->texture.reserved2 = 0;
        made->imageFile = imageMapFile(*t);
    }
    // A picture the object is painted with through its uvs takes the place
    // of its material's own. The preview decodes Targa, PNG and JPEG
    // pictures; others are left to the renderer, and the preview shows the colour.
    if (const std::string& picture = cached.picture; !picture.empty() && made->geometry && !made->geometry->uv.empty()) {
        if (!made->hasTexture) made->texture = made->colour;
        made->hasTexture = true;
        made->imageFile = picture;
    }
    made->clip = std::move(clip);
    cached.object = made;
    return made;
}

void SceneModel::publish(const Open& open) {
    const uint32_t what = open.delta.what;
    // A change that did not go through an edit's recorder cannot say what it reshaped.
    const bool every = open.delta.everyObject ||
                       (!open.recorded && (what & (SceneDelta::Objects | SceneDelta::Replaced | SceneDelta::History)));
    const bool texturesChanged = (what & (SceneDelta::Textures | SceneDelta::Replaced)) != 0;
    if (texturesChanged) ++textureGeneration_;

    if (snapshotUsers_ == 0) {
        // Only the ids are kept.
        std::unordered_map<const CadObject*, Cached> kept;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
            auto found = cache_.find(o);
            kept[o].id = found != cache_.end() && found->second.id ? found->second.id : nextId_++;
        }
        cache_ = std::move(kept);
        publishEmpty();
        return;
    }
    auto snap = std::make_shared<SceneSnapshot>();
    snap->textureGeneration = textureGeneration_;
    const CadObject* viewing = nullptr;
    if (const CameraInfo* camera = GetActiveCamera()) {
        snap->hasCamera = true;
        snap->camera = *camera;
        snap->camera.object = nullptr;
        viewing = camera->object;
    }
    std::unordered_map<const CadObject*, Cached> kept;
    kept.reserve(cache_.size());
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        Cached cached;
        if (auto found = cache_.find(o); found != cache_.end()) cached = std::move(found->second);
        if (!cached.id) cached.id = nextId_++;
        if (o == viewing) snap->viewingCamera = cached.id;
        if (o->type == KX_LIGHT) {
            switch (previewLightOf(*o)) {
                case PreviewLight::Spot: snap->lights.push_back({o->translate, o->extraPoint, true, o->rgb}); break;
                case PreviewLight::Point: snap->lights.push_back({o->translate, {}, false, o->rgb}); break;
                case PreviewLight::Omitted: break;
            }
        }
        auto object = snapshotObject(*o, cached, every || open.reshaped.count(o) != 0, texturesChanged);
        if (previewDraws(*o, object->geometry.get()))
            snap->objects.push_back(object);
        kept.emplace(o, std::move(cached));
    }
    // Ids handed out for objects made and freed before this commit are gone with them.
    cache_ = std::move(kept);
    snap->generation = generation_.load(std::memory_order_relaxed) + 1;
    {
        std::lock_guard held(published_lock_);
        published_ = std::move(snap);
    }
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

std::shared_ptr<const SceneSnapshot> SceneModel::snapshot() const {
    std::lock_guard held(published_lock_);
    return published_;
}

bool SceneModel::undo() {
    Transaction tx(SceneDelta::Objects | SceneDelta::Camera | SceneDelta::Selection | SceneDelta::History);
    return tx.owns() && history_.undo();
}

bool SceneModel::redo() {
    Transaction tx(SceneDelta::Objects | SceneDelta::Camera | SceneDelta::Selection | SceneDelta::History);
    return tx.owns() && history_.redo();
}

int SceneModel::subscribe(Listener listener) {
    std::lock_guard held(listeners_lock_);
    const int id = nextListener_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void SceneModel::unsubscribe(int id) {
    std::lock_guard held(listeners_lock_);
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

uint64_t SceneModel::idOf(const CadObject* object) {
    if (!object) return 0;
    std::lock_guard held(lock_);
    Cached& cached = cache_[object];
    if (!cached.id) cached.id = nextId_++;
    return cached.id;
}

CadObject* SceneModel::objectById(uint64_t id) {
    if (!id) return nullptr;
    std::lock_guard held(lock_);
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        auto found = cache_.find(o);
        if (found != cache_.end() && found->second.id == id) return o;
    }
    return nullptr;
}

void SceneModel::publishEmpty() {
    auto empty = std::make_shared<SceneSnapshot>();
    empty->generation = generation_.load(std::memory_order_relaxed) + 1;
    empty->textureGeneration = textureGeneration_;
    {
        std::lock_guard pub(published_lock_);
        published_ = std::move(empty);
    }
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

void SceneModel::addSnapshotUser() {
    Transaction tx(0);
    if (tx.owns()) ++snapshotUsers_;  // the commit makes the first snapshot
}

void SceneModel::removeSnapshotUser() {
    std::lock_guard held(lock_);
    if (snapshotUsers_ > 0 && --snapshotUsers_ == 0) {
        for (auto& [object, cached] : cache_) {
            cached.geometry.reset();
            cached.object.reset();
        }
        publishEmpty();
    }
}

void SceneModel::resetForTests() {
    std::lock_guard held(lock_);
    cache_.clear();
    history_.clear();
    history_.markSaved();
    textureGeneration_ = 0;
    publishEmpty();
}

}  // namespace kx::app

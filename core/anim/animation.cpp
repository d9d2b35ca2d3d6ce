// The animation engine: the frame records of every animated object, storing
// and showing frames, hiding, and filling in-between frames.
#include <algorithm>
#include <new>

#include "anim/anim_internal.h"
#include "model/memory.h"
#include "model/model_internal.h"
#include "model/text.h"
#include "view/view_internal.h"

using kx::anim::state;

namespace {

AniSettings& settings() { return state().settings; }

bool validFrame(unsigned f) { return settings().active && state().hasTable && f < settings().maxFrames; }

// Operations on a frame need a valid frame and at least one entry.
bool usableFrame(unsigned f) { return validFrame(f) && settings().objectCount > 0; }

bool isLiveEntry(const AnimObject& e) { return e.object && e.frames; }

// Used entries: the first objectCount of the table.
size_t usedCount() {
    const kx::AnimState& st = state();
    return std::min<size_t>(st.settings.objectCount, st.table.size());
}

template <class Fn>
void forEachLive(Fn&& fn) {
    kx::AnimState& st = state();
    for (size_t i = 0; i < usedCount(); ++i)
        if (isLiveEntry(st.table[i])) fn(st.table[i]);
}

void objectToFrame(AnimFrame& fr, const CadObject* o) {
    fr.size = o->size;
    fr.extraPoint = o->extraPoint;
    fr.scale = o->scale;
    fr.rotate = o->rotate;
    fr.move = o->translate;
}

void frameToObject(CadObject* o, const AnimFrame& fr) {
    o->size = fr.size;
    o->extraPoint = fr.extraPoint;
    o->scale = fr.scale;
    o->rotate = fr.rotate;
    o->translate = fr.move;
}

int findEntry(const CadObject* obj) {
    kx::AnimState& st = state();
    for (size_t i = 0; i < usedCount(); ++i)
        if (st.table[i].object == obj) return static_cast<int>(i);
    return -1;
}

// Frees an entry; its object, if still in the scene, is shown again under its
// own type, and rebuilt when asked (it is not when it is about to be freed).
void emptyEntry(AnimObject& e, size_t index, bool rebuild) {
    CadObject* obj = e.object;
    if (obj && kx::model::isLive(obj) && obj->type == KX_NULL && e.type != KX_NULL) {
        obj->type = e.type;
        if (rebuild) RebuildObjectEx(obj, 1);
    }
    state().frames[index].reset();
    e.object = nullptr;
    e.frames = nullptr;
}

// Frees the whole table; objects still animated get their type back and lose
// their Animated flag.
void releaseTable() {
    kx::AnimState& st = state();
    for (size_t i = 0; i < st.table.size(); ++i) {
        AnimObject& e = st.table[i];
        if (e.object && kx::model::isLive(e.object)) e.object->flags &= ~KX_FLAG_ANIMATED;
        emptyEntry(e, i, true);
    }
    st.table.clear();
    st.table.shrink_to_fit();
    st.frames.clear();
    st.frames.shrink_to_fit();
    st.hasTable = false;
}

// The table grows by one entry; false when it cannot.
bool growTable() {
    kx::AnimState& st = state();
    AniSettings& s = st.settings;
    LogMessage(2, "AddObjectToAni: extending object set %d", static_cast<int>(s.capacity));
    const uint32_t wanted = s.capacity + 1;
    bool grown = wanted <= KX_ANIM_MAX_ENTRIES && !kx::mem::injectFailure();
    if (grown) {
        try {
            st.table.resize(wanted, AnimObject{nullptr, nullptr, 0});
            st.frames.resize(wanted);
        } catch (const std::bad_alloc&) {
            grown = false;
        }
    }
    if (!grown) {
        ErrorMessage("Error Unable to Aninate Object, Too Many Objects: %d", static_cast<int>(wanted));
        return false;
    }
    s.capacity = wanted;
    return true;
}

// Takes the next entry of the table (growing it when full), without frames.
AnimObject* takeEntry() {
    kx::AnimState& st = state();
    AniSettings& s = st.settings;
    if (s.objectCount >= s.capacity && !growTable()) return nullptr;
    AnimObject* e = &st.table[s.objectCount];
    *e = AnimObject{nullptr, nullptr, 0};
    ++s.objectCount;
    return e;
}

// The frame records of every entry together stay within a bound that a
// damaged file cannot push past.
bool withinFrameBudget() {
    uint64_t live = 0;
    forEachLive([&live](AnimObject&) { ++live; });
    return (live + 1) * settings().maxFrames <= KX_ANIM_MAX_FRAME_RECORDS;
}

// Sets the frames of an entry from its object: all of a new entry, only the
// non-key frames of an old one.
void fillFromObject(AnimObject& e, bool fresh) {
    const AniSettings& s = settings();
    for (uint32_t f = 0; f < s.maxFrames; ++f) {
        AnimFrame& fr = e.frames[f];
        if (!fresh && fr.key) continue;
        fr.key = f == 0 ? 1 : 0;
        fr.hide = f < s.currentFrame ? 1 : 0;
        objectToFrame(fr, e.object);
    }
}

// The entry a motion path moves: the first selected animated object, else the
// last live entry.
AnimObject* pathTarget() {
    AnimObject* last = nullptr;
    AnimObject* chosen = nullptr;
    forEachLive([&](AnimObject& e) {
        if (!chosen && e.object->selected) chosen = &e;
        last = &e;
    });
    return chosen ? chosen : last;
}

int layMotionPath(CadObject* path) {
    AniSettings& s = settings();
    if (!path->points || s.objectCount == 0) return 0;
    AnimObject* target = pathTarget();
    if (!target) return 0;
    if (!validFrame(s.currentFrame)) {
        s.frameChange = 0;
        SetObjectsToFrame(s.currentFrame);
        return 1;
    }
    // A camera path moves the look-at point unless the camera tracks the path.
    const bool intoLookAt = target->type == KX_CAMERA && !GetCameraTrack(GetActiveCamera());
    const ListEntry* node = path->points;
    for (uint32_t f = s.currentFrame; f < s.maxFrames && node; ++f, node = node->next) {
        if (!node->points || node->count == 0) continue;
        AnimFrame& fr = target->frames[f];
        (intoLookAt ? fr.size : fr.move) = node->points[0];
        fr.key = 1;
    }
    s.frameChange = 0;
    SetObjectsToFrame(s.currentFrame);
    return 1;
}

// The camera object was rebuilt from a frame: the camera follows all of it,
// not only its location.
void aimCameraFrom(CadObject* obj) {
    if (!kx::isCameraObject(obj)) return;
    CameraInfo* cam = GetActiveCamera();
    cam->up = obj->rotate;
    cam->rightDir = obj->extraPoint;
    Point3d location = obj->translate;
    Point3d lookAt = obj->size;
    SetCameraPositionEx(nullptr, &location, &lookAt, 1);
}

void midpoints(AnimFrame* frames, uint32_t f1, uint32_t f2) {
    if (f2 <= f1 + 1) return;
    const uint32_t m = f1 + (f2 - f1) / 2;
    auto mid = [](const Point3d& a, const Point3d& b) {
        return MakePoint(a.x + (static_cast<double>(b.x) - a.x) * 0.5, a.y + (static_cast<double>(b.y) - a.y) * 0.5,
                         a.z + (static_cast<double>(b.z) - a.z) * 0.5);
    };
    const AnimFrame& a = frames[f1];
    const AnimFrame& b = frames[f2];
    AnimFrame& out = frames[m];
    out.size = mid(a.size, b.size);
    out.extraPoint = mid(a.extraPoint, b.extraPoint);
    out.scale = mid(a.scale, b.scale);
    out.rotate = mid(a.rotate, b.rotate);
    out.move = mid(a.move, b.move);
    out.key = 1;
    midpoints(frames, f1, m);
    midpoints(frames, m, f2);
}

}  // namespace

namespace kx::anim {

AnimObject* entryOf(const CadObject* obj) {
    if (!obj) return nullptr;
    int i = findEntry(obj);
    return i < 0 ? nullptr : &state().table[static_cast<size_t>(i)];
}

unsigned savedType(const CadObject* obj) {
    if (!obj) return KX_NULL;
    if (obj->type != KX_NULL) return obj->type;
    const AnimObject* e = entryOf(obj);
    return e ? e->type : KX_NULL;
}

void forgetObject(CadObject* obj) {
    int i = obj ? findEntry(obj) : -1;
    if (i < 0) return;
    emptyEntry(state().table[static_cast<size_t>(i)], static_cast<size_t>(i), false);
    ++settings().deletedCount;
    obj->flags &= ~KX_FLAG_ANIMATED;
}

void reset() {
    releaseTable();
    state() = AnimState{};
    InitAni();
}

AnimObject* addEntry(CadObject* obj) {
    if (!withinFrameBudget()) {
        ErrorMessage("Error allocating animation object");
        return nullptr;
    }
    const size_t index = settings().objectCount;
    FrameArray frames(kx::mem::allocZeroed<AnimFrame>(settings().maxFrames));
    if (!frames) {
        ErrorMessage("Error allocating animation object");
        return nullptr;
    }
    AnimObject* e = takeEntry();
    if (!e) return nullptr;
    e->object = obj;
    e->frames = frames.get();
    e->type = obj->type;
    state().frames[index] = std::move(frames);
    obj->flags |= KX_FLAG_ANIMATED;
    fillFromObject(*e, true);
    return e;
}

bool addEmptyEntry() {
    if (!takeEntry()) return false;
    ++settings().deletedCount;
    return true;
}

bool canTakeEntry(const CadObject* obj) {
    const unsigned type = savedType(obj);
    if (type == KX_POINTS) return false;
    return type >= KX_LIGHT || obj->polygons != nullptr;
}

}  // namespace kx::anim

int InitAni() noexcept {
    kx::AnimState& st = state();
    if (st.hasTable) releaseTable();
    st.settings = AniSettings{};
    st.settings.options[0] = st.settings.options[1] = st.settings.options[2] = 1;
    st.settings.copyForward = 1;
    st.settings.active = 0;
    st.updateControl = 1;
    return 1;
}

int DestroyAni() noexcept {
    if (!state().hasTable) return 1;
    return InitAni();
}

int CreateFrames(unsigned maxFrames, unsigned capacity) noexcept {
    DestroyAni();
    kx::AnimState& st = state();
    AniSettings& s = st.settings;
    bool ok = maxFrames <= KX_ANIM_MAX_FRAMES && capacity <= KX_ANIM_MAX_ENTRIES && !kx::mem::injectFailure();
    if (ok) {
        try {
            st.table.assign(capacity, AnimObject{nullptr, nullptr, 0});
            st.frames.clear();
            st.frames.resize(capacity);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (!ok) {
        releaseTable();
        ErrorMessage("Error Out of Memory Allocating Frame Storage");
        s.maxFrames = s.deletedCount = s.frameChange = s.currentFrame = s.objectCount = 0;
        s.capacity = 0;
        s.active = 0;
        return 0;
    }
    st.hasTable = true;
    s.maxFrames = maxFrames;
    s.capacity = capacity;
    s.currentFrame = s.objectCount = s.deletedCount = 0;
    s.active = 1;
    return 1;
}

int CreateAnimation(const char* name, unsigned maxFrames) noexcept {
    if (!name) return 0;
    DestroyAni();
    kx::text::copyField(settings().name, name);
    return CreateFrames(maxFrames, 48);
}

AniSettings* GetAniSettings(CadScene*) noexcept { return &settings(); }

int IsAni() noexcept { return static_cast<int>(settings().active); }

unsigned GetMaxFrame() noexcept { return settings().maxFrames; }

unsigned GetCurrentFrame() noexcept { return settings().currentFrame; }

int SetCurrentFrame(unsigned f) noexcept {
    settings().currentFrame = f;
    return 1;
}

int GetAniObjectCount() noexcept {
    const AniSettings& s = settings();
    if (!s.active) return -1;
    return static_cast<int>(s.objectCount - s.deletedCount);
}

AnimObject* GetAniObject(unsigned i) noexcept {
    if (!settings().active || !state().hasTable || i >= usedCount()) return nullptr;
    return &state().table[i];
}

void SetFrameChange(int changed) noexcept { settings().frameChange = static_cast<uint32_t>(changed); }

int IsUpdateAnimateCtrl() noexcept {
    int flag = state().updateControl;
    state().updateControl = 0;
    return flag;
}

int AddObjectToAni(CadObject* obj, unsigned) noexcept {
    if (!obj) {
        ErrorMessage("Invalid CAD Object, %s line %d", "anim.cpp", 414);
        return 0;
    }
    if (!settings().active || !state().hasTable) return 0;
    const unsigned type = kx::anim::savedType(obj);
    if (type == KX_POINTS) return layMotionPath(obj);
    if (type < KX_LIGHT && !obj->polygons) {
        ErrorMessage("Error Unable to Animate RAW Mesh Object");
        return 0;
    }
    if (AnimObject* e = kx::anim::entryOf(obj)) {
        fillFromObject(*e, false);
        return 1;
    }
    return kx::anim::addEntry(obj) ? 1 : 0;
}

int DeleteObjectFromAni(CadObject* obj, unsigned) noexcept {
    if (!obj) {
        ErrorMessage("Invalid CAD Object, %s line %d", "anim.cpp", 553);
        return 0;
    }
    if (!obj->selected || !(obj->flags & KX_FLAG_ANIMATED)) return 1;
    obj->flags &= ~KX_FLAG_ANIMATED;
    int i = findEntry(obj);
    if (i >= 0) {
        emptyEntry(state().table[static_cast<size_t>(i)], static_cast<size_t>(i), true);
        ++settings().deletedCount;
    }
    return 1;
}

int UpdateAniObject(CadObject* obj) noexcept {
    if (!obj) {
        ErrorMessage("Invalid CAD Object, %s line %d", "anim.cpp", 291);
        return 0;
    }
    AnimObject* e = kx::anim::entryOf(obj);
    if (!e || !e->frames) {
        ErrorMessage("Error Unable to Update Aniated Object");
        return 1;
    }
    if (!validFrame(settings().currentFrame)) return 0;
    objectToFrame(e->frames[settings().currentFrame], obj);
    return 1;
}

int UpdateObjectsFromFrame(unsigned f) noexcept {
    if (!usableFrame(f)) return 0;
    const AniSettings& s = settings();
    forEachLive([&](AnimObject& e) {
        AnimFrame& fr = e.frames[f];
        fr.key = 1;
        objectToFrame(fr, e.object);
        if (!s.copyForward) return;
        for (uint32_t g = f + 1; g < s.maxFrames && !e.frames[g].key; ++g) objectToFrame(e.frames[g], e.object);
    });
    return 1;
}

void UpdateObjectFromCurrent() noexcept { UpdateObjectsFromFrame(settings().currentFrame); }

int SetObjectsToFrame(unsigned f) noexcept {
    if (!usableFrame(f)) return 0;
    AniSettings& s = settings();
    // Edits made in the frame being left are kept; once stored they are no
    // longer pending, or every frame passed on the way would become a key.
    if (s.frameChange) {
        UpdateObjectsFromFrame(s.currentFrame);
        s.frameChange = 0;
    }
    forEachLive([f](AnimObject& e) {
        const AnimFrame& fr = e.frames[f];
        CadObject* obj = e.object;
        frameToObject(obj, fr);
        if (fr.hide) {
            obj->type = KX_NULL;
            return;
        }
        obj->type = e.type;
        RebuildObjectEx(obj, 1);
        aimCameraFrom(obj);
    });
    s.currentFrame = f;
    return 1;
}

int SetObjectFrameAttrib(unsigned f, unsigned attr, int value) noexcept {
    if (!usableFrame(f)) return 0;
    const uint32_t flag = value ? 1 : 0;
    forEachLive([&](AnimObject& e) {
        if (!e.object->selected) return;
        if (attr == 0) e.frames[f].key = flag;
        else if (attr == 1) e.frames[f].hide = flag;
    });
    return 1;
}

int InterpFrames(unsigned entry, unsigned f1, unsigned f2) noexcept {
    if (!validFrame(f1) || !validFrame(f2) || f1 > f2 || entry >= usedCount()) return 0;
    AnimObject& e = state().table[entry];
    if (!isLiveEntry(e)) return 0;
    midpoints(e.frames, f1, f2);
    return 1;
}

#include "animation/animation_edit.h"

#include <algorithm>
#include <cstring>

#include "kxcore.h"
#include "model/scene_model.h"

namespace kx::app {
namespace {

void copyText(char (&field)[260], const std::string& text) {
    const size_t n = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

bool validFrame(unsigned f) { return IsAni() && f < GetMaxFrame(); }

// Runs change as one undo step called name. The animation is copied first,
// and so is every object it may move, reshape or hide: the animated ones and
// the selected ones.
template <typename Change>
void animationEdit(const std::string& name, Change&& change, const std::string& mergeKey = {}) {
    sceneModel().edit(
        name,
        [&](EditRecorder& rec) {
            rec.animating();
            for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
                if ((o->flags & KX_FLAG_ANIMATED) || o->selected) rec.reshaping(o);
            SceneModel::noteTouches(SceneDelta::Animation);
            change();
        },
        mergeKey);
}

// Moves every animated object to frame f; false outside the animation.
bool moveToFrame(unsigned f) {
    if (!validFrame(f)) return false;
    // With no objects yet the core refuses to move; the frame is still the one shown.
    if (!SetObjectsToFrame(f)) SetCurrentFrame(f);
    return true;
}

}  // namespace

AnimationSetup currentAnimationSetup() {
    AnimationSetup setup;
    setup.name = kDefaultAnimationName;
    if (!IsAni()) return setup;
    const AniSettings* s = GetAniSettings(nullptr);
    setup.name = std::string(s->name, strnlen(s->name, sizeof s->name));
    setup.dir = std::string(s->dir, strnlen(s->dir, sizeof s->dir));
    setup.frames = s->maxFrames;
    setup.copyForward = s->copyForward != 0;
    return setup;
}

std::string checkAnimationSetup(const AnimationSetup& setup) {
    if (setup.frames == 0) return "No frames in animation";
    if (setup.name.find_first_not_of(" \t") == std::string::npos) return "Untitled animation";
    return {};
}

bool setupDiscardsFrames(const AnimationSetup& setup) {
    return IsAni() && GetAniObjectCount() > 0 && setup.frames != GetMaxFrame();
}

bool applyAnimationSetup(const AnimationSetup& setup) {
    if (!checkAnimationSetup(setup).empty()) return false;
    bool applied = false;
    animationEdit("Animation Setup", [&] {
        if (!IsAni() || setup.frames != GetMaxFrame()) {
            // Making the frames again clears the whole record: what the user
            // set stays.
            const int made =
                IsAni() ? CreateFrames(setup.frames, 48) : CreateAnimation(setup.name.c_str(), setup.frames);
            if (!made) return;
        }
        AniSettings* s = GetAniSettings(nullptr);
        copyText(s->name, setup.name);
        copyText(s->dir, setup.dir);
        s->copyForward = setup.copyForward ? 1 : 0;
        applied = true;
    });
    return applied;
}

bool showAnimationFrame(unsigned f) {
    if (!validFrame(f)) return false;
    SceneModel::Transaction change(SceneDelta::Animation | SceneDelta::Objects);
    return change.owns() && moveToFrame(f);
}

bool goToAnimationFrame(unsigned f) {
    if (!validFrame(f)) return false;
    bool shown = false;
    // Frame after frame (a drag of the slider, Play) is one step.
    animationEdit("Show Frame", [&] { shown = moveToFrame(f); }, "animation frame");
    return shown;
}

int addSelectedToAnimation() {
    if (!IsAni()) return 0;
    int added = 0;
    animationEdit("Add to Animation", [&] {
        for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj))
            added += AddObjectToAni(obj, 0) != 0 ? 1 : 0;
    });
    return added;
}

int removeSelectedFromAnimation() {
    if (!IsAni()) return 0;
    int removed = 0;
    animationEdit("Remove from Animation", [&] {
        for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj)) {
            const bool was = (obj->flags & KX_FLAG_ANIMATED) != 0;
            if (DeleteObjectFromAni(obj, 0) && was) ++removed;
        }
    });
    return removed;
}

bool storeAnimationFrame() {
    if (!validFrame(GetCurrentFrame())) return false;
    int stored = 0;
    animationEdit("Store Frame", [&] {
        stored = UpdateObjectsFromFrame(GetCurrentFrame());
        SetFrameChange(0);
    });
    return stored != 0;
}

bool setAnimationKey(bool key) {
    if (!validFrame(GetCurrentFrame())) return false;
    bool set = false;
    animationEdit(key ? "Set Key Frame" : "Clear Key Frame",
                  [&] { set = SetObjectFrameAttrib(GetCurrentFrame(), 0, key ? 1 : 0) != 0; });
    return set;
}

bool setAnimationHidden(bool hidden) {
    if (!validFrame(GetCurrentFrame())) return false;
    bool shown = false;
    animationEdit(hidden ? "Hide in Frame" : "Show in Frame", [&] {
        if (!SetObjectFrameAttrib(GetCurrentFrame(), 1, hidden ? 1 : 0)) return;
        // The type follows the flag only when the frame is shown again; the
        // objects must not be stored over it first.
        SetFrameChange(0);
        shown = moveToFrame(GetCurrentFrame());
    });
    return shown;
}

namespace {

// The frames strictly between f1 and f2 on the straight line between them,
// each a key frame; a frame's hide flag stays. (The core's own in-betweens
// halve the span again and again, which is even only over powers of two.)
void tweenLinearly(AnimFrame* frames, unsigned f1, unsigned f2) {
    const AnimFrame a = frames[f1];
    const AnimFrame b = frames[f2];
    auto along = [](const Point3d& p, const Point3d& q, double t) {
        return MakePoint(p.x + (static_cast<double>(q.x) - p.x) * t, p.y + (static_cast<double>(q.y) - p.y) * t,
                         p.z + (static_cast<double>(q.z) - p.z) * t);
    };
    for (unsigned k = f1 + 1; k < f2; ++k) {
        const double t = static_cast<double>(k - f1) / static_cast<double>(f2 - f1);
        AnimFrame& out = frames[k];
        out.size = along(a.size, b.size, t);
        out.extraPoint = along(a.extraPoint, b.extraPoint, t);
        out.scale = along(a.scale, b.scale, t);
        out.rotate = along(a.rotate, b.rotate, t);
        out.move = along(a.move, b.move, t);
        out.key = 1;
    }
}

}  // namespace

int tweenAnimation(unsigned from, unsigned to, bool allObjects) {
    if (!IsAni() || from == 0 || from >= to || to > GetMaxFrame()) return 0;
    int filled = 0;
    animationEdit("Tween", [&] {
        UpdateObjectFromCurrent();
        SetFrameChange(0);
        const AniSettings* s = GetAniSettings(nullptr);
        for (unsigned i = 0; i < s->objectCount; ++i) {
            const AnimObject* entry = GetAniObject(i);
            if (!entry || !entry->object) continue;  // an emptied entry has nothing to fill
            if (!allObjects && !IsSelected(entry->object)) continue;
            if (!entry->frames) continue;
            tweenLinearly(entry->frames, from - 1, to - 1);
            ++filled;
        }
        moveToFrame(GetCurrentFrame());
    });
    return filled;
}

unsigned nextPlayFrame(unsigned frame, unsigned maxFrames) {
    if (maxFrames == 0) return 0;
    return frame + 1 >= maxFrames ? 0 : frame + 1;
}

int clampPlayRate(int rate) { return std::clamp(rate, kMinPlayRate, kMaxPlayRate); }

bool selectionIsAnimated() {
    if (!IsAni()) return false;
    for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj))
        if (obj->flags & KX_FLAG_ANIMATED) return true;
    return false;
}

}  // namespace kx::app

#include "document/edit_history.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "document/animation_copy.h"
#include "document/packed_geometry.h"
#include "document/scene_settings_edits.h"
#include "document/texture_list_copy.h"
#include "model/scene_model.h"

namespace kx::app {

namespace {

// One object whose geometry the step changed in place.
struct GeometryChange {
    int uid = 0;
    bool translation = false;
    bool sealed = false;
    bool lost = false;
    double offset[3] = {0, 0, 0};
    DetachedObject copy;  // the other state of a reshape; the original of an unsealed translation
    PackedGeometry packed;  // the original of an unsealed translation, when not kept in `copy`
    TranslationRecord record;

    // The geometry before the change as records of its own, where the
    // change kept it packed; false when memory ran out.
    bool originalAsRecords() {
        if (!packed.holds()) return true;
        const bool made = packed.unpack(copy);
        packed = PackedGeometry{};
        return made;
    }
};

std::vector<CadObject*> listedObjects() {
    std::vector<CadObject*> out;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) out.push_back(o);
    return out;
}

bool matches(const std::vector<CadObject*>& live, const SceneLayout& layout) {
    if (live.size() != layout.entries.size()) return false;
    for (size_t i = 0; i < live.size(); ++i) {
        const CadObject& want = layout.entries[i].plain->record();
        if (live[i]->type != want.type || std::strncmp(live[i]->name, want.name, sizeof want.name) != 0) return false;
    }
    return true;
}

bool samePlain(const CadObject& a, const CadObject& b) {
    const bool extraSame = (!a.extra && !b.extra) ||
        (a.extra && b.extra && a.extra->count == b.extra->count &&
         std::memcmp(ExtraBlockFields(a.extra), ExtraBlockFields(b.extra), sizeof(ExtraField) * a.extra->count) == 0);
    auto same = [](const Point3d& p, const Point3d& q) { return std::memcmp(&p, &q, sizeof p) == 0; };
    return extraSame && a.type == b.type && a.flags == b.flags && std::memcmp(a.name, b.name, sizeof a.name) == 0 &&
           std::memcmp(a.material, b.material, sizeof a.material) == 0 && a.materialType == b.materialType &&
           same(a.size, b.size) && same(a.extraPoint, b.extraPoint) && same(a.scale, b.scale) &&
           same(a.rotate, b.rotate) && same(a.translate, b.translate) && a.rgb == b.rgb && a.groupId == b.groupId;
}

using SharedPlain = std::shared_ptr<const DetachedObject>;

// Steps share the small fields of objects that did not change: a scene of
// many objects costs each step a few links per object, not a copy of each.
// earlier(place, uid) names what an earlier layout holds for the object, or null.
template <typename UidOf, typename Earlier>
SceneLayout captureLayout(UidOf&& uidOf, Earlier&& earlier) {
    SceneLayout layout;
    const std::vector<CadObject*> live = listedObjects();
    std::unordered_map<const CadObject*, int> place;
    for (size_t i = 0; i < live.size(); ++i) place.emplace(live[i], static_cast<int>(i));
    auto at = [&](const CadObject* o) {
        auto it = o ? place.find(o) : place.end();
        return it == place.end() ? -1 : it->second;
    };
    layout.entries.resize(live.size());
    for (size_t i = 0; i < live.size(); ++i) {
        SceneLayout::Entry& e = layout.entries[i];
        CadObject* o = live[i];
        e.uid = uidOf(o);
        e.parent = at(o->parent);
        e.firstChild = at(o->firstChild);
        e.nextSibling = at(o->nextSibling);
        e.selected = o->selected;
        if (const SharedPlain* known = earlier(i, e.uid);
            known && *known && samePlain((*known)->record(), *o) && (*known)->record().userData == o->userData) {
            e.plain = *known;
            continue;
        }
        auto own = std::make_shared<DetachedObject>();
        copyPlainFields(*o, own->record());
        e.plain = std::move(own);
    }
    for (unsigned i = 0, n = GetObjectsSelectedCount(); i < n; ++i)
        if (int p = at(GetSelectedObject(i)); p >= 0) layout.selection.push_back(p);
    if (const CameraInfo* camera = GetActiveCamera()) {
        layout.camera = *camera;
        layout.cameraPlace = at(camera->object);
        layout.camera.object = nullptr;
    }
    return layout;
}

bool sameLayout(const SceneLayout& a, const SceneLayout& b) {
    if (a.entries.size() != b.entries.size() || a.selection != b.selection || a.cameraPlace != b.cameraPlace ||
        std::memcmp(&a.camera, &b.camera, sizeof a.camera) != 0)
        return false;
    for (size_t i = 0; i < a.entries.size(); ++i) {
        const SceneLayout::Entry& x = a.entries[i];
        const SceneLayout::Entry& y = b.entries[i];
        if (x.uid != y.uid || x.parent != y.parent || x.firstChild != y.firstChild || x.nextSibling != y.nextSibling ||
            x.selected != y.selected || !samePlain(x.plain->record(), y.plain->record()))
            return false;
    }
    return true;
}

// The animation, its objects named by the uids a layout gives the live list.
AnimationCopy animationIn(const SceneLayout& layout, const std::vector<CadObject*>& live) {
    std::unordered_map<const CadObject*, int> uid;
    for (size_t i = 0; i < live.size() && i < layout.entries.size(); ++i) uid.emplace(live[i], layout.entries[i].uid);
    return copyAnimation([&uid](const CadObject* o) {
        auto it = uid.find(o);
        return it == uid.end() ? -1 : it->second;
    });
}

// Puts an animation back onto the objects of the scene arranged as layout.
void restoreAnimationIn(const AnimationCopy& copy, const SceneLayout& layout) {
    const std::vector<CadObject*> live = listedObjects();
    std::unordered_map<int, CadObject*> byUid;
    for (size_t i = 0; i < live.size() && i < layout.entries.size(); ++i) byUid.emplace(layout.entries[i].uid, live[i]);
    restoreAnimation(copy, [&byUid](int uid) {
        auto it = byUid.find(uid);
        return it == byUid.end() ? nullptr : it->second;
    });
}

}  // namespace

struct EditStepData {
    std::string name;
    std::string mergeKey;
    bool open = true;
    SceneLayout before;
    SceneLayout after;
    // The data of objects that are not in the scene at the history's position.
    std::unordered_map<int, DetachedObject> stored;
    std::vector<GeometryChange> changes;
    std::unordered_map<const CadObject*, int> uids;  // while recording
    int nextUid = 0;
    // The animation before and after, for steps that changed it.
    std::optional<AnimationCopy> animBefore;
    std::optional<AnimationCopy> animAfter;
    // The scene settings' texts before and after, for steps that changed them.
    std::optional<std::vector<std::string>> settingsBefore;
    std::optional<std::vector<std::string>> settingsAfter;
    // The texture list before and after, for steps that changed it.
    std::optional<TextureListCopy> texturesBefore;
    std::optional<TextureListCopy> texturesAfter;

    AnimationCopy copyAnimationNow() const {
        return copyAnimation([this](const CadObject* o) {
            auto it = uids.find(o);
            return it == uids.end() ? -1 : it->second;
        });
    }

    // A journalled step (see EditRecorder::keepJournal): the fingerprint of
    // each object's geometry before, by uid; a copy that could not be made
    // breaks it.
    bool journal = false;
    bool journalBroken = false;
    std::vector<uint64_t> printsBefore;
    std::unordered_set<int> changedUids;  // the uids of changes, while recording

    GeometryChange* changeOf(int uid) {
        if (!changedUids.count(uid)) return nullptr;
        for (GeometryChange& c : changes)
            if (c.uid == uid) return &c;
        return nullptr;
    }

    void addChange(GeometryChange change) {
        changedUids.insert(change.uid);
        changes.push_back(std::move(change));
    }

    // Copies an object's geometry as it is now, when the step knew the
    // object before it began and has kept nothing of it yet.
    void keepOriginal(CadObject* obj) {
        auto it = uids.find(obj);
        if (it == uids.end() || changeOf(it->second) || stored.count(it->second)) return;
        GeometryChange change;
        change.uid = it->second;
        if (!copyGeometry(*obj, change.copy)) {
            journalBroken = true;
            return;
        }
        addChange(std::move(change));
    }

    // Shared small fields count once, in the first step met that holds them.
    size_t heldBytes(std::unordered_set<const void*>& counted) const {
        size_t bytes = sizeof *this;
        for (const SceneLayout* l : {&before, &after}) {
            bytes += l->entries.capacity() * sizeof(SceneLayout::Entry) + l->selection.capacity() * sizeof(int);
            for (const SceneLayout::Entry& e : l->entries)
                if (e.plain && counted.insert(e.plain.get()).second)
                    bytes += sizeof(DetachedObject) + e.plain->heldBytes();
        }
        for (const auto& [uid, data] : stored) bytes += sizeof(DetachedObject) + data.heldBytes();
        for (const GeometryChange& c : changes)
            bytes += sizeof c + c.copy.heldBytes() + c.packed.heldBytes() + c.record.heldBytes();
        for (const auto* a : {&animBefore, &animAfter})
            if (*a) bytes += (*a)->heldBytes();
        for (const auto* settings : {&settingsBefore, &settingsAfter})
            if (*settings)
                for (const std::string& text : **settings) bytes += sizeof text + text.capacity();
        for (const auto* textures : {&texturesBefore, &texturesAfter})
            if (*textures) bytes += (*textures)->heldBytes();
        return bytes;
    }

    // Puts the scene, known to be `current` and listed as `live`, into the state `target`.
    bool arrange(const SceneLayout& target, const SceneLayout& current, std::vector<CadObject*> live) {
        std::unordered_set<int> wanted;
        for (const SceneLayout::Entry& e : target.entries) wanted.insert(e.uid);
        auto park = [this](int uid, CadObject* obj) {
            DetachedObject holder;
            swapData(*obj, holder.record());
            stored.insert_or_assign(uid, std::move(holder));
            DeleteCadObject(obj);
        };
        std::vector<std::pair<int, CadObject*>> remain;
        for (size_t i = 0; i < live.size(); ++i) {
            if (wanted.count(current.entries[i].uid)) remain.emplace_back(current.entries[i].uid, live[i]);
            else park(current.entries[i].uid, live[i]);
        }
        // The core appends new objects only: whatever must stand after the
        // first difference in order is given a new record, its data moved across.
        size_t same = 0;
        while (same < remain.size() && same < target.entries.size() && remain[same].first == target.entries[same].uid)
            ++same;
        for (size_t i = same; i < remain.size(); ++i) park(remain[i].first, remain[i].second);
        std::vector<CadObject*> placed(target.entries.size(), nullptr);
        for (size_t i = 0; i < same; ++i) placed[i] = remain[i].second;
        for (size_t i = same; i < target.entries.size(); ++i) {
            const SceneLayout::Entry& e = target.entries[i];
            CadObject* obj = NewCadObject(e.plain->record().name);
            if (!obj) return false;
            if (auto it = stored.find(e.uid); it != stored.end()) {
                swapData(*obj, it->second.record());
                stored.erase(it);
            }
            placed[i] = obj;
        }
        auto at = [&](int p) { return p >= 0 && static_cast<size_t>(p) < placed.size() ? placed[p] : nullptr; };
        for (size_t i = 0; i < placed.size(); ++i) {
            const SceneLayout::Entry& e = target.entries[i];
            CadObject* obj = placed[i];
            const bool renamed = std::strncmp(obj->name, e.plain->record().name, sizeof obj->name) != 0;
            copyPlainFields(e.plain->record(), *obj);
            // Through the property so that the scene tree shows the name too.
            if (renamed) SetCadObjectProperty(obj, KX_PROP_NAME, e.plain->record().name);
            obj->parent = at(e.parent);
            obj->firstChild = at(e.firstChild);
            obj->nextSibling = at(e.nextSibling);
        }
        SetObjectsUnSelected();
        for (int p : target.selection) AddSelectedObject(at(p));
        // A selection is set through the core, which keeps account of the
        // flagged objects; clearing needs no account.
        for (size_t i = 0; i < placed.size(); ++i) {
            if (target.entries[i].selected) SetCadObjectProperty(placed[i], "Select", 1u);
            else placed[i]->selected = 0;
        }
        if (CameraInfo* camera = GetActiveCamera()) {
            *camera = target.camera;
            camera->object = at(target.cameraPlace);
        }
        return true;
    }

    std::vector<CadObject*> byUid(const SceneLayout& layout, const std::vector<CadObject*>& live, int uid) const {
        for (size_t i = 0; i < layout.entries.size(); ++i)
            if (layout.entries[i].uid == uid) return {live[i]};
        return {};
    }

    void applyChanges(const SceneLayout& layout, bool forward) {
        const std::vector<CadObject*> live = listedObjects();
        for (GeometryChange& c : changes) {
            const std::vector<CadObject*> found = byUid(layout, live, c.uid);
            if (found.empty()) continue;
            if (c.translation) applyTranslation(*found[0], c.record, forward);
            else swapGeometry(*found[0], c.copy.record());
        }
    }

    // Turns the originals kept during a merge into offsets and fixes.
    void seal() {
        if (!open) return;
        open = false;
        const std::vector<CadObject*> live = listedObjects();
        bool lost = false;
        for (GeometryChange& c : changes) {
            if (!c.translation || c.sealed) continue;
            c.sealed = true;
            const std::vector<CadObject*> found = byUid(after, live, c.uid);
            if (!found.empty()) {
                const bool moved = c.packed.holds()
                                       ? c.packed.translationRecord(*found[0], c.offset, c.record)
                                       : makeTranslationRecord(c.copy.record(), *found[0], c.offset, c.record);
                if (moved) {
                    c.copy = DetachedObject{};
                    c.packed = PackedGeometry{};
                    continue;
                }
            }
            // Not a plain translation after all: the kept original is the undo state.
            c.translation = false;
            // An original that cannot be made records again is not given
            // back, as one that could not be copied at first.
            if (!c.originalAsRecords()) c.lost = true, lost = true;
        }
        if (lost) std::erase_if(changes, [](const GeometryChange& c) { return c.lost; });
    }
};

namespace {

thread_local EditStepData* recording = nullptr;
thread_local KxObjectReleaseHook chainedHook = nullptr;
thread_local std::vector<EditStepData*> outerRecordings;

// Every journalled step open on this thread keeps the object's geometry
// before it changes: an edit recorded inside a plug-in's run changes what the
// run's own step must be able to give back too.
void keepInJournals(CadObject* obj) {
    bool journalled = false;
    for (EditStepData* step : outerRecordings)
        if (step && step->journal) {
            step->keepOriginal(obj);
            journalled = true;
        }
    if (recording && recording->journal) {
        recording->keepOriginal(obj);
        journalled = true;
    }
    if (journalled) SceneModel::noteReshaped(obj);
}

// Freed objects leave the recording's map (and those of recorders still open
// around it), so that a new object given the same address is not taken for them.
void forgetFreed(CadObject* obj, int whole) {
    // The core empties an animated object's entry right after this: the
    // step keeps the animation as it was, so that undo brings it back.
    if (whole == 1 && recording && !recording->animBefore && (obj->flags & KX_FLAG_ANIMATED))
        recording->animBefore = recording->copyAnimationNow();
    // A journal learns here of objects and point lists the core lets go.
    keepInJournals(obj);
    if (whole == 1) {
        if (recording) recording->uids.erase(obj);
        for (EditStepData* outer : outerRecordings)
            if (outer) outer->uids.erase(obj);
    }
    if (chainedHook) chainedHook(obj, whole);
}

}  // namespace

std::string countedName(const char* verb, size_t count) {
    if (count == 1) return std::string(verb) + " Object";
    return std::string(verb) + " " + std::to_string(count) + " Objects";
}

EditHistory::EditHistory(size_t depth) : depth_(std::max<size_t>(depth, 1)) {}

EditHistory::~EditHistory() = default;

void EditHistory::setDepth(size_t depth) {
    depth_ = std::max<size_t>(depth, 1);
    while (steps_.size() > depth_) {
        steps_.erase(steps_.begin());
        if (position_ > 0) --position_;
        if (savedPosition_) savedPosition_ = *savedPosition_ > 0 ? std::optional<size_t>(*savedPosition_ - 1) : std::nullopt;
    }
}

std::string EditHistory::undoName() const { return canUndo() ? steps_[position_ - 1]->name : std::string(); }

std::string EditHistory::redoName() const { return canRedo() ? steps_[position_]->name : std::string(); }

namespace {

void putTexturesBack(const TextureListCopy& copy) {
    restoreTextureList(copy);
    SceneModel::noteTouches(SceneDelta::Textures);
}

}  // namespace

bool EditHistory::undo() {
    if (!canUndo()) return false;
    EditStepData& step = *steps_[position_ - 1];
    step.seal();
    const std::vector<CadObject*> live = listedObjects();
    // A list changed since (a texture database loaded) would be lost by
    // putting the step's back.
    if (!matches(live, step.after) || (step.texturesAfter && !sameTextureList(*step.texturesAfter, copyTextureList()))) {
        clear();
        return false;
    }
    // Objects given new records on the way lose their animation entries in
    // the core: the animation is put back afterwards, the step's own when it
    // changed it.
    const AnimationCopy kept = step.animBefore ? AnimationCopy{} : animationIn(step.after, live);
    step.applyChanges(step.after, false);
    if (!step.arrange(step.before, step.after, live)) {
        clear();
        return false;
    }
    restoreAnimationIn(step.animBefore ? *step.animBefore : kept, step.before);
    if (step.settingsBefore) restoreSceneSettings(*step.settingsBefore);
    if (step.texturesBefore) putTexturesBack(*step.texturesBefore);
    --position_;
    return true;
}

bool EditHistory::redo() {
    if (!canRedo()) return false;
    EditStepData& step = *steps_[position_];
    const std::vector<CadObject*> live = listedObjects();
    if (!matches(live, step.before) || (step.texturesBefore && !sameTextureList(*step.texturesBefore, copyTextureList()))) {
        clear();
        return false;
    }
    const AnimationCopy kept = step.animAfter ? AnimationCopy{} : animationIn(step.before, live);
    if (!step.arrange(step.after, step.before, live)) {
        clear();
        return false;
    }
    step.applyChanges(step.after, true);
    restoreAnimationIn(step.animAfter ? *step.animAfter : kept, step.after);
    if (step.settingsAfter) restoreSceneSettings(*step.settingsAfter);
    if (step.texturesAfter) putTexturesBack(*step.texturesAfter);
    ++position_;
    return true;
}

void EditHistory::clear() {
    const bool changed = differsFromSaved();
    steps_.clear();
    position_ = 0;
    savedPosition_ = changed ? std::nullopt : std::optional<size_t>(0);
}

void EditHistory::seal() { sealTop(); }

void EditHistory::sealKeysStarting(const std::string& prefix) {
    if (!steps_.empty() && steps_.back()->mergeKey.compare(0, prefix.size(), prefix) == 0) sealTop();
}

void EditHistory::sealTop() {
    if (!steps_.empty()) steps_.back()->seal();
}

void EditHistory::markSaved() { savedPosition_ = position_; }

size_t EditHistory::heldBytes() const {
    size_t bytes = 0;
    std::unordered_set<const void*> counted;
    for (const auto& s : steps_) bytes += s->heldBytes(counted);
    return bytes;
}

EditStepData* EditHistory::openTop(const std::string& mergeKey) {
    if (!mergeKey.empty() && position_ == steps_.size() && !steps_.empty() && steps_.back()->open &&
        steps_.back()->mergeKey == mergeKey)
        return steps_.back().get();
    sealTop();
    return nullptr;
}

void EditHistory::push(std::unique_ptr<EditStepData> step) {
    if (savedPosition_ && *savedPosition_ > position_) savedPosition_ = std::nullopt;
    steps_.resize(position_);
    steps_.push_back(std::move(step));
    ++position_;
    setDepth(depth_);
}

EditRecorder::EditRecorder(EditHistory& history, std::string name, std::string mergeKey) : history_(history) {
    // What the edit reshapes it says here, since undo needs it too: the
    // snapshot made at the end copies only that.
    SceneModel::noteRecorded();
    step_ = history.openTop(mergeKey);
    if (step_) {
        const std::vector<CadObject*> live = listedObjects();
        if (matches(live, step_->after)) {
            step_->uids.clear();
            for (size_t i = 0; i < live.size(); ++i) step_->uids.emplace(live[i], step_->after.entries[i].uid);
        } else {
            history.clear();
            step_ = nullptr;
        }
    }
    if (!step_) {
        fresh_ = std::make_unique<EditStepData>();
        step_ = fresh_.get();
        step_->name = std::move(name);
        step_->mergeKey = std::move(mergeKey);
        // The state before is, object by object, the state after the step before.
        const SceneLayout* previous = history.position_ > 0 ? &history.steps_[history.position_ - 1]->after : nullptr;
        step_->before = captureLayout(
            [this](CadObject* o) {
                const int uid = step_->nextUid++;
                step_->uids.emplace(o, uid);
                return uid;
            },
            [previous](size_t place, int) -> const SharedPlain* {
                return previous && place < previous->entries.size() ? &previous->entries[place].plain : nullptr;
            });
    }
    outerStep_ = recording;
    if (recording) {
        // Nested: the outer recorder's hook stays installed and forgets for both.
        outerRecordings.push_back(recording);
    } else {
        chainedHook = SetObjectReleaseHook(forgetFreed);
    }
    recording = step_;
}

EditRecorder::~EditRecorder() {
    recording = outerStep_;
    if (outerStep_) {
        outerRecordings.pop_back();
    } else {
        SetObjectReleaseHook(chainedHook);
        chainedHook = nullptr;
    }
    if (step_) step_->uids.clear();
}

int EditRecorder::uidOf(CadObject* obj) {
    auto it = step_->uids.find(obj);
    return it == step_->uids.end() ? -1 : it->second;
}

void EditRecorder::reshaping(CadObject* obj) {
    keepInJournals(obj);
    SceneModel::noteReshaped(obj);
    const int uid = uidOf(obj);
    // Objects made by this step need nothing: undo removes them whole.
    if (uid < 0 || step_->changeOf(uid)) return;
    GeometryChange change;
    change.uid = uid;
    if (!copyGeometry(*obj, change.copy)) return;
    step_->addChange(std::move(change));
}

void EditRecorder::translating(CadObject* obj, const Point3d& offset) {
    keepInJournals(obj);
    SceneModel::noteReshaped(obj);
    const int uid = uidOf(obj);
    if (uid < 0) return;
    if (GeometryChange* c = step_->changeOf(uid)) {
        if (c->translation && !c->sealed) {
            c->offset[0] += offset.x;
            c->offset[1] += offset.y;
            c->offset[2] += offset.z;
        }
        return;
    }
    GeometryChange change;
    change.uid = uid;
    change.translation = true;
    change.offset[0] = offset.x;
    change.offset[1] = offset.y;
    change.offset[2] = offset.z;
    // A journal compares its originals as records; a move alone keeps its
    // original packed, which costs no allocation per node of a large mesh.
    if ((step_->journal || !change.packed.pack(*obj)) && !copyGeometry(*obj, change.copy)) return;
    step_->addChange(std::move(change));
}

void EditRecorder::animating() {
    if (!step_->animBefore) step_->animBefore = step_->copyAnimationNow();
}

void EditRecorder::changingSceneSettings() {
    if (!step_->settingsBefore) step_->settingsBefore = sceneSettingsNow();
}

void EditRecorder::changingTextureList() {
    if (!step_->texturesBefore) step_->texturesBefore = copyTextureList();
}

void EditRecorder::deleteObject(CadObject* obj) {
    if (!obj) return;
    keepInJournals(obj);
    if (obj->flags & KX_FLAG_ANIMATED) animating();
    const int uid = uidOf(obj);
    if (uid >= 0) {
        DetachedObject holder;
        swapData(*obj, holder.record());
        step_->stored.insert_or_assign(uid, std::move(holder));
        step_->uids.erase(obj);
    }
    DeleteCadObject(obj);
}

void EditRecorder::rename(std::string name) { step_->name = std::move(name); }

void EditRecorder::keepJournal() {
    step_->journal = true;
    step_->printsBefore.assign(static_cast<size_t>(step_->nextUid), 0);
    for (const auto& [obj, uid] : step_->uids)
        if (uid >= 0 && static_cast<size_t>(uid) < step_->printsBefore.size())
            step_->printsBefore[static_cast<size_t>(uid)] = GetGeometryDigest(obj);
}

bool EditRecorder::journalHolds() const {
    const EditStepData& s = *step_;
    if (!s.journal) return true;
    if (s.journalBroken) return false;
    // What each object was: its copy when the journal kept one, else the
    // live object, which must then be unchanged.
    std::unordered_map<int, const CadObject*> original;
    for (const GeometryChange& c : s.changes) original.emplace(c.uid, &c.copy.record());
    for (const auto& [uid, data] : s.stored) original.emplace(uid, &data.record());
    for (const auto& [obj, uid] : s.uids) original.emplace(uid, obj);
    for (size_t uid = 0; uid < s.printsBefore.size(); ++uid) {
        auto it = original.find(static_cast<int>(uid));
        if (it == original.end() || GetGeometryDigest(it->second) != s.printsBefore[uid]) return false;
    }
    return true;
}

void journalReshaping(CadObject* obj) {
    if (!recording) return;
    auto each = [](auto&& self, CadObject* o, int depth) -> void {
        if (!o || depth > 64) return;
        keepInJournals(o);
        for (CadObject* c = o->firstChild; c; c = c->nextSibling) self(self, c, depth + 1);
    };
    each(each, obj, 0);
}

void journalSelection() {
    if (!recording) return;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) journalReshaping(o);
}

bool EditRecorder::commit() {
    if (committed_) return false;
    committed_ = true;
    std::unordered_map<int, size_t> placeBefore;
    for (size_t i = 0; i < step_->before.entries.size(); ++i) placeBefore.emplace(step_->before.entries[i].uid, i);
    step_->after = captureLayout(
        [this](CadObject* o) {
            auto it = step_->uids.find(o);
            if (it != step_->uids.end()) return it->second;
            const int uid = step_->nextUid++;
            step_->uids.emplace(o, uid);
            return uid;
        },
        [&](size_t, int uid) -> const SharedPlain* {
            auto it = placeBefore.find(uid);
            return it == placeBefore.end() ? nullptr : &step_->before.entries[it->second].plain;
        });
    if (step_->animBefore) step_->animAfter = step_->copyAnimationNow();
    if (step_->settingsBefore) step_->settingsAfter = sceneSettingsNow();
    if (step_->texturesBefore) step_->texturesAfter = copyTextureList();
    if (!fresh_) {
        // A merged edit: the open step now ends here.
        SceneModel::noteStep(step_->name);
        return true;
    }
    // Reshapes that left an object as it was are no change.
    const std::vector<CadObject*> live = listedObjects();
    std::erase_if(step_->changes, [&](GeometryChange& c) {
        const std::vector<CadObject*> found = step_->byUid(step_->after, live, c.uid);
        if (found.empty()) {
            // Deleted by the edit without deleteObject: the copy made before
            // is its geometry, the layout before holds the rest.
            if (!step_->stored.count(c.uid) && c.originalAsRecords()) step_->stored.emplace(c.uid, std::move(c.copy));
            return true;
        }
        if (c.translation) return c.offset[0] == 0 && c.offset[1] == 0 && c.offset[2] == 0;
        return sameGeometry(c.copy.record(), *found[0]);
    });
    const bool animationSame =
        !step_->animBefore || !step_->animAfter || sameAnimation(*step_->animBefore, *step_->animAfter);
    const bool settingsSame = !step_->settingsBefore || *step_->settingsBefore == *step_->settingsAfter;
    const bool texturesSame = !step_->texturesBefore || sameTextureList(*step_->texturesBefore, *step_->texturesAfter);
    if (texturesSame) step_->texturesBefore.reset(), step_->texturesAfter.reset();
    if (step_->changes.empty() && sameLayout(step_->before, step_->after) && animationSame && settingsSame &&
        texturesSame)
        return false;
    if (step_->mergeKey.empty()) step_->seal();
    SceneModel::noteStep(step_->name);
    history_.push(std::move(fresh_));
    return true;
}

}  // namespace kx::app

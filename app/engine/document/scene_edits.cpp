#include "document/scene_edits.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "document/csg_edits.h"
#include "document/placed_object.h"
#include "document/profile_edits.h"
#include "model/scene_model.h"

namespace kx::app {

namespace {

std::vector<CadObject*> selected() {
    std::vector<CadObject*> out;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) out.push_back(o);
    return out;
}

// The objects and every member of groups among them, each once.
std::vector<CadObject*> withMembers(const std::vector<CadObject*>& objects) {
    std::vector<CadObject*> out;
    auto add = [&](auto&& self, CadObject* o, int depth) -> void {
        if (!o || depth > 64 || std::find(out.begin(), out.end(), o) != out.end()) return;
        out.push_back(o);
        for (CadObject* c = o->firstChild; c; c = c->nextSibling) self(self, c, depth + 1);
    };
    for (CadObject* o : objects) add(add, o, 0);
    return out;
}

// The objects given, without nulls: a caller's lookup may have found nothing.
std::vector<CadObject*> present(const std::vector<CadObject*>& objects) {
    std::vector<CadObject*> out;
    for (CadObject* o : objects)
        if (o) out.push_back(o);
    return out;
}

const char* vectorName(int id) {
    switch (id) {
        case KX_PROP_SIZE: return "Change Size";
        case KX_PROP_EXTRA: return "Change Extra";
        case KX_PROP_SCALE: return "Change Scale";
        case KX_PROP_ROTATE: return "Change Rotation";
        default: return "Change Position";
    }
}

bool sameBits(const Point3d& a, const Point3d& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Objects whose mesh the core builds again from their parameters.
bool rebuildable(const CadObject* obj) {
    return (obj->type >= KX_LIGHT && obj->type <= KX_TEXT) || KxIsRendererShape(obj->type);
}

// The text of a text object's TextString field, and what follows it (the font).
std::pair<std::string, std::string> textParts(CadObject* obj) {
    char field[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!GetObjectExtraString(obj, KX_PROP_TEXTSTRING, field)) return {};
    std::string text = GetTextObject(field, nullptr);
    std::string all = field;
    return {text, all.size() >= text.size() ? all.substr(text.size()) : std::string()};
}

void setCameraVector(EditRecorder& rec, CadObject* obj, int id, const Point3d& v) {
    CameraInfo* camera = GetActiveCamera();
    if (!camera) return;
    Point3d CadObject::*member = nullptr;
    switch (id) {
        case KX_PROP_SIZE: member = &CadObject::size; break;
        case KX_PROP_EXTRA: member = &CadObject::extraPoint; break;
        case KX_PROP_ROTATE: member = &CadObject::rotate; break;
        case KX_PROP_TRANSLATE: member = &CadObject::translate; break;
        default: return;
    }
    // The camera object shows the camera's vectors in the fields the table names.
    for (const KxCameraField& f : KX_CAMERA_FIELDS)
        if (f.object == member) camera->*f.camera = v;
    camera->isDefault = 0;
    rec.reshaping(obj);
    SceneModel::noteTouches(SceneDelta::Camera);
    RebuildCameraObject(camera);
}

// One object's vector property, by the rules of its kind.
void setVector(EditRecorder& rec, CadObject* obj, int id, const Point3d& v) {
    const Point3d old = *vectorField(obj, id);
    if (sameBits(old, v)) return;
    if (obj->type == KX_CAMERA) return setCameraVector(rec, obj, id, v);
    if (rebuildable(obj)) {
        rec.reshaping(obj);
        SetCadObjectProperty(obj, id, const_cast<Point3d*>(&v));
        RebuildObjectEx(obj, 1);
        return;
    }
    // A mesh or a group is transformed by the difference, so that its
    // geometry and its parameters stay together.
    const bool group = obj->type == KX_GROUP;
    for (CadObject* o : withMembers({obj})) rec.reshaping(o);
    Point3d centre{};
    CentreInfo info{};
    if (GetSingleObjectCenterPoint(obj, &info, 1)) GetObjectPointInfo(&info, 0, &centre);
    Point3d delta{v.x - old.x, v.y - old.y, v.z - old.z};
    switch (id) {
        case KX_PROP_SCALE: {
            Point3d f{old.x ? v.x / old.x : 1, old.y ? v.y / old.y : 1, old.z ? v.z / old.z : 1};
            if (group) SetCadObjectProperty(obj, KX_PROP_SCALE, &f);
            else TransformObject(obj, KX_TRANSFORM_SCALE, &f, nullptr, nullptr, &centre, 0);
            break;
        }
        case KX_PROP_ROTATE:
            if (group) SetCadObjectProperty(obj, KX_PROP_ROTATE, &delta);
            else TransformObject(obj, KX_TRANSFORM_ROTATE, nullptr, &delta, nullptr, &centre, 0);
            break;
        case KX_PROP_TRANSLATE:
            if (group) SetCadObjectProperty(obj, KX_PROP_TRANSLATE, &delta);
            else TransformObject(obj, KX_TRANSFORM_MOVE, nullptr, nullptr, &delta, nullptr, 0);
            break;
        default:
            SetCadObjectProperty(obj, id, const_cast<Point3d*>(&v));
            break;
    }
}

// A digest of what a scene file holds besides its objects, camera, scene
// settings and texture list (which steps keep), and of the animation, which
// refers to objects by address: an outside change that alters any of it
// cannot be taken back by a step.
class Digest {
public:
    void add(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) value_ = (value_ ^ p[i]) * 1099511628211ull;
    }
    template <typename T>
    void add(const T& v) {
        add(&v, sizeof v);
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 1469598103934665603ull;
};

uint64_t outsideState() {
    Digest d;
    if (const CadScene* scene = GetCurrentScene()) d.add(*scene);
    d.add(GetDistance(1));
    d.add(GetDistance(2));
    d.add(GetGridInterval());
    d.add(GetGridExtent());
    d.add(IsAni());
    if (const AniSettings* s = IsAni() ? GetAniSettings(nullptr) : nullptr) {
        // Not the flag that says the shown frame was edited: views set it
        // when they hear of any change, the run's own included.
        d.add(s->name);
        d.add(s->dir);
        for (uint32_t v : {s->maxFrames, s->capacity, s->objectCount, s->currentFrame, s->deletedCount, s->copyForward,
                           s->active})
            d.add(v);
        for (unsigned i = 0; const AnimObject* e = GetAniObject(i); ++i) {
            d.add(e->object);
            d.add(e->type);
            if (e->frames) d.add(e->frames, sizeof(AnimFrame) * s->maxFrames);
        }
    }
    return d.value();
}

// Runs one change of every selected object (and group member) whose geometry it may reshape.
template <typename F>
bool reshapeSelection(EditHistory& history, const char* name, F&& change) {
    if (!GetNextSelectedObject(nullptr)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, name);
    for (CadObject* o : withMembers(selected())) rec.reshaping(o);
    change();
    return rec.commit();
}

}  // namespace

Point3d* vectorField(CadObject* obj, int propertyId) {
    switch (propertyId) {
        case KX_PROP_SIZE: return &obj->size;
        case KX_PROP_EXTRA: return &obj->extraPoint;
        case KX_PROP_SCALE: return &obj->scale;
        case KX_PROP_ROTATE: return &obj->rotate;
        case KX_PROP_TRANSLATE: return &obj->translate;
        default: return nullptr;
    }
}

bool setVectorProperty(EditHistory& history, const std::vector<CadObject*>& given, int propertyId, int axis,
                       const Point3d& value, const std::string& mergeKey) {
    const std::vector<CadObject*> objects = present(given);
    if (objects.empty() || !vectorField(objects.front(), propertyId) || axis < -1 || axis > 2) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, vectorName(propertyId), mergeKey);
    for (CadObject* obj : objects) {
        Point3d v = value;
        if (axis >= 0) {
            // Only the edited axis changes; each object keeps its other two.
            v = *vectorField(obj, propertyId);
            float* axes[3] = {&v.x, &v.y, &v.z};
            *axes[axis] = value.x;
        }
        setVector(rec, obj, propertyId, v);
    }
    return rec.commit();
}

bool renameObject(EditHistory& history, CadObject* object, const std::string& name) {
    const std::string cut = name.substr(0, 31);
    if (!object || cut.empty() || cut == object->name) return false;
    // A name is no geometry: the views and panels show it without drawing anew.
    SceneModel::Transaction lock(SceneDelta::Selection);
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Rename");
    SetCadObjectProperty(object, KX_PROP_NAME, cut.c_str());
    return rec.commit();
}

bool setObjectFlag(EditHistory& history, const std::vector<CadObject*>& given, uint32_t flag, bool on) {
    const std::vector<CadObject*> objects = present(given);
    const KxObjectFlag* entry = nullptr;
    for (const KxObjectFlag& f : KX_OBJECT_FLAGS)
        if (f.flag == flag) entry = &f;
    if (!entry || objects.empty()) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, std::string(on ? "Set " : "Clear ") + entry->name);
    for (CadObject* obj : objects) SetCadObjectProperty(obj, entry->name, on ? 1u : 0u);
    return rec.commit();
}

bool setObjectTexture(EditHistory& history, const std::vector<CadObject*>& given, const std::string& name, int kind,
                      const std::string& stepName) {
    const std::vector<CadObject*> objects = present(given);
    if (objects.empty()) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, stepName);
    for (CadObject* obj : objects) {
        if (kind == 0) SetObjectTextureEx(obj, 0, "None");
        else SetCadObjectProperty(obj, (kind & KX_TEXTURE_TEXTURE) ? KX_PROP_TEXTURE : KX_PROP_COLOR, name.c_str());
    }
    return rec.commit();
}

bool setObjectColour(EditHistory& history, const std::vector<CadObject*>& given, unsigned red, unsigned green,
                     unsigned blue) {
    const std::vector<CadObject*> objects = present(given);
    if (objects.empty()) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Change Colour");
    // The colour becomes the object's material, in place of a texture it
    // had: the views, the file and the render then agree on it.
    for (CadObject* obj : objects) SetEncodedRgb(obj, red, green, blue);
    return rec.commit();
}

bool setHeightFieldImage(EditHistory& history, CadObject* object, const std::string& file) {
    if (!object || object->type != KX_HEIGHTFIELD || file.size() > KX_EXTRA_TEXT_MAX) return false;
    char current[KX_EXTRA_TEXT_MAX + 1] = {};
    GetObjectExtraString(object, KX_PROP_HEIGHTFIELDFILE, current);
    if (file == current) return false;
    SceneModel::Transaction lock(SceneDelta::Selection);
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Change Image");
    SetCadObjectProperty(object, KX_PROP_HEIGHTFIELDFILE, file.c_str());
    return rec.commit();
}

bool setObjectText(EditHistory& history, const std::vector<CadObject*>& given, const std::string& text) {
    const std::vector<CadObject*> objects = present(given);
    if (text.empty()) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Change Text");
    for (CadObject* obj : objects) {
        if (obj->type != KX_TEXT) continue;
        auto [old, font] = textParts(obj);
        if (old == text) continue;
        rec.reshaping(obj);
        SetCadObjectProperty(obj, KX_PROP_TEXTSTRING, (text + font).c_str());
        RebuildObjectEx(obj, 1);
    }
    return rec.commit();
}

bool moveSelection(EditHistory& history, const Point3d& offset, const std::string& mergeKey) {
    if (!GetNextSelectedObject(nullptr) || (offset.x == 0 && offset.y == 0 && offset.z == 0)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Move", mergeKey);
    bool camera = false;
    for (CadObject* o : withMembers(selected())) {
        rec.translating(o, offset);
        camera = camera || o->type == KX_CAMERA;
    }
    if (camera) lock.touches(SceneDelta::Camera);
    else lock.movesOnly();
    Point3d d = offset;
    TranslateObjectsEx(&d);
    return rec.commit();
}

bool scaleSelection(EditHistory& history, const Point3d& factors) {
    Point3d f = factors;
    return reshapeSelection(history, "Scale", [&] { return ScaleObjectsEx(&f) != 0; });
}

bool rotateSelection(EditHistory& history, const Point3d& angles) {
    Point3d a = angles;
    return reshapeSelection(history, "Rotate", [&] { return RotateObjectsEx(&a) != 0; });
}

bool alignSelection(EditHistory& history, int axis) {
    // The core's modes: 0 keeps x, 1 keeps y, 5 keeps z of the reference.
    static const unsigned modes[3] = {0, 1, 5};
    const unsigned mode = modes[std::clamp(axis, 0, 2)];
    return reshapeSelection(history, "Align", [&] { return AlignObjectsEx(mode, nullptr) != 0; });
}

bool centreSelection(EditHistory& history) {
    return reshapeSelection(history, "Centre", [] { return CentreObjects() != 0; });
}

bool smoothSelection(EditHistory& history, bool smooth) {
    return reshapeSelection(history, smooth ? "Smooth" : "Unsmooth", [smooth] {
        if (smooth) return SmoothObjectsEx() != 0;
        for (CadObject* obj : selected())
            if (obj->type == KX_POLYGON) UnSmoothObject(obj);
        return true;
    });
}

bool latheSelection(EditHistory& history, unsigned steps, double angle, bool facets) {
    return reshapeSelection(history, "Lathe", [&] {
        bool any = false;
        for (CadObject* obj : selected())
            if (LatheObject(obj, steps, angle, facets ? 1 : 0)) any = true;
        return any;
    });
}

bool createObject(EditHistory& history, unsigned type, const Point3d& at, const std::string& image) {
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    const char* label = GetObjectTypeName(static_cast<int>(type));
    EditRecorder rec(history, std::string("Create ") + (label ? label : "Object"));
    Point3d where = at;
    finishPlacedObject(CreateDefaultObjectEx(nullptr, type, &where), image);
    return rec.commit();
}

bool placePoint(EditHistory& history, const Point3d& at) {
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Add Point");
    CadObject* obj = GetNextSelectedObject(nullptr);
    if (!obj || obj->type != KX_POINTS) obj = NewPointObject("_points");
    else rec.reshaping(obj);
    appendPoint(obj, at);
    return rec.commit();
}

bool deleteSelection(EditHistory& history, const char* verb) {
    const std::vector<CadObject*> doomed = selected();
    if (doomed.empty()) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, countedName(verb, doomed.size()));
    for (CadObject* obj : doomed) rec.deleteObject(obj);
    SetObjectsUnSelected();
    return rec.commit();
}

bool duplicateSelection(EditHistory& history) {
    if (!GetNextSelectedObject(nullptr)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Duplicate");
    std::vector<CadObject*> copies;
    for (CadObject* src : selected()) {
        // There is one camera, and a group is only a name for its members.
        if (src->type == KX_CAMERA || src->type == KX_GROUP) continue;
        char base[32] = {};
        std::snprintf(base, sizeof base, "%s", src->name);
        const std::string name = GetNextObjectName(StripObjectName(base), src->type);
        CadObject* copy = NewCadObject(name.c_str());
        if (!copy) break;
        CopyCadObject(src, copy);
        SetCadObjectProperty(copy, KX_PROP_NAME, name.c_str());
        copy->flags = src->flags;
        copy->groupId = 0;
        copies.push_back(copy);
    }
    SetObjectsUnSelected();
    for (CadObject* copy : copies) AddSelectedObject(copy);
    // A copy on top of its original could not be told apart from it.
    const float step = static_cast<float>(GetGridInterval() > 0 ? GetGridInterval() : 1.0);
    Point3d offset{step, step, 0};
    if (!copies.empty()) TranslateObjectsEx(&offset);
    rec.rename(countedName("Duplicate", copies.size()));
    return rec.commit();
}

bool groupSelection(EditHistory& history) {
    if (!GetNextSelectedObject(nullptr)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Group");
    for (CadObject* o : withMembers(selected())) rec.reshaping(o);
    groupSelected(CsgOperation::Union);
    return rec.commit();
}

bool ungroupSelection(EditHistory& history) {
    if (!GetNextSelectedObject(nullptr)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Ungroup");
    for (CadObject* o : withMembers(selected())) rec.reshaping(o);
    for (CadObject* obj : selected())
        if (obj->type == KX_GROUP) SelectCadGroup(obj, obj->groupId, 1);
    int deleted = 0;
    SetObjectsGroupEx(nullptr, 0, &deleted);
    return rec.commit();
}

bool changeCamera(EditHistory& history, const CameraInfo& camera, const std::string& name, const std::string& mergeKey) {
    CameraInfo* active = GetActiveCamera();
    if (!active) return false;
    SceneModel::Transaction lock(SceneDelta::Camera);
    if (!lock.owns()) return false;
    EditRecorder rec(history, name, mergeKey);
    if (active->object) rec.reshaping(active->object);
    active->up = camera.up;
    active->rightDir = camera.rightDir;
    Point3d location = camera.location, lookAt = camera.lookAt;
    SetCameraPositionEx(nullptr, &location, &lookAt, 1);
    // The camera object shows the record; RebuildCameraObject refuses a camera without one.
    if (active->object) RebuildCameraObject(active);
    return rec.commit();
}

OutsideChange recordOutsideChange(EditHistory& history, const std::string& name, const std::function<bool()>& change) {
    // The whole run is one change: the preview sees its end, not its steps.
    // It may have moved the camera too.
    SceneModel::Transaction lock(SceneDelta::Objects | SceneDelta::Camera);
    if (!lock.owns()) return OutsideChange::Unchanged;
    const uint64_t before = outsideState();
    EditRecorder rec(history, name);
    rec.keepJournal();
    // Scripts and plug-ins set scene settings through the scene properties;
    // imports add their materials to the texture list.
    rec.changingSceneSettings();
    rec.changingTextureList();
    const bool keep = change();
    if (!keep || outsideState() != before || !rec.journalHolds()) {
        // Nobody can say what changed: the preview prepares every object again.
        SceneModel::noteUnaccounted();
        history.clear();
        return OutsideChange::Unrecorded;
    }
    return rec.commit() ? OutsideChange::Recorded : OutsideChange::Unchanged;
}

}  // namespace kx::app

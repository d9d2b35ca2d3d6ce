#include "document/csg_edits.h"

#include <algorithm>

#include "document/object_state.h"
#include "model/scene_model.h"

namespace kx::app {

namespace {

// Deeper nesting than this is a broken chain, not a scene someone built.
constexpr int kMaxNesting = 64;

bool groupable(const CadObject* obj) { return obj->type != KX_LIGHT && obj->type != KX_CAMERA; }

bool insideSelected(const CadObject* obj) {
    int depth = 0;
    for (const CadObject* up = obj->parent; up && depth < kMaxNesting; up = up->parent, ++depth)
        if (up->selected) return true;
    return false;
}

std::vector<CadObject*> selectedInListOrder() {
    std::vector<CadObject*> out;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) out.push_back(o);
    return out;
}

// The object given a new record at the end of the list, its data moved
// across; the old record is deleted. The core appends only, so this is how an
// object comes to stand after another.
CadObject* moveToListEnd(CadObject* obj) {
    CadObject* fresh = NewCadObject(obj->name);
    if (!fresh) return nullptr;
    const bool wasSelected = obj->selected != 0;
    swapData(*obj, *fresh);
    DeleteCadObject(obj);
    // Through the property, so that the scene tree shows the name.
    char name[sizeof fresh->name];
    std::copy(std::begin(fresh->name), std::end(fresh->name), name);
    SetCadObjectProperty(fresh, KX_PROP_NAME, name);
    if (wasSelected) AddSelectedObject(fresh);
    return fresh;
}

// Members standing before the base in the list move behind it, so that the
// base is written first. Objects with members of their own, or with an
// animation that names them, keep their place: a new record would lose both.
void putBaseFirst(CadObject* base) {
    std::vector<CadObject*> before;
    for (CadObject* o = GetCadObject(nullptr); o && o != base; o = o->next) {
        if (!o->selected || !groupable(o) || insideSelected(o)) continue;
        if (o->type == KX_GROUP || o->firstChild || (o->flags & KX_FLAG_ANIMATED)) continue;
        before.push_back(o);
    }
    for (CadObject* o : before) moveToListEnd(o);
}

}  // namespace

CsgOperation csgOperationOf(const CadObject* group) {
    if (!group || group->type != KX_GROUP) return CsgOperation::Union;
    const float v = group->extraPoint.x;
    for (const CsgOperationName& n : kCsgOperations)
        if (v == static_cast<float>(n.operation)) return n.operation;
    return CsgOperation::Union;
}

const CsgOperationName& csgOperationName(CsgOperation operation) {
    for (const CsgOperationName& n : kCsgOperations)
        if (n.operation == operation) return n;
    return kCsgOperations[0];
}

bool setGroupOperation(EditHistory& history, const std::vector<CadObject*>& groups, CsgOperation operation) {
    const float wanted = static_cast<float>(operation);
    auto changes = [wanted](const CadObject* g) { return g && g->type == KX_GROUP && g->extraPoint.x != wanted; };
    if (std::none_of(groups.begin(), groups.end(), changes)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Set CSG Operation");
    for (CadObject* g : groups)
        if (changes(g)) g->extraPoint.x = wanted;
    return rec.commit();
}

bool groupSelectionAs(EditHistory& history, CsgOperation operation) {
    CadObject* base = GetSelectedObject(0);
    if (!base) return false;
    for (CadObject* up = base->parent; up; up = up->parent)
        if (up->selected) base = up;
    const std::vector<CadObject*> chosen = selectedInListOrder();
    if (std::none_of(chosen.begin(), chosen.end(), groupable)) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, csgOperationName(operation).label);
    for (CadObject* o : chosen) rec.reshaping(o);
    if (groupable(base)) putBaseFirst(base);
    groupSelected(operation);
    return rec.commit();
}

CadObject* groupSelected(CsgOperation operation) {
    const std::vector<CadObject*> members = selectedInListOrder();
    CadObjectInfo* info = CreateDefaultInfo();
    info->extraPoint.x = static_cast<float>(operation);
    CadObject* group = CreateGroup(info);
    if (!group) return nullptr;
    // Making the group selected it alone; its members join it from the selection.
    for (CadObject* obj : members) AddSelectedObject(obj);
    int deleted = 0;
    SetObjectsGroupEx(group, group->groupId, &deleted);
    SetObjectsUnSelected();
    SelectCadGroup(group, group->groupId, 1);
    return group;
}

std::vector<CadObject*> outermostSelected() {
    std::vector<CadObject*> out;
    for (CadObject* o : selectedInListOrder())
        if (!insideSelected(o)) out.push_back(o);
    return out;
}

CadObject* outermostGroupOf(CadObject* obj) {
    CadObject* top = obj;
    int depth = 0;
    for (CadObject* up = obj ? obj->parent : nullptr; up && depth < kMaxNesting; up = up->parent, ++depth)
        if (up->type == KX_GROUP) top = up;
    return top;
}

void selectWhole(CadObject* obj) {
    auto add = [](auto&& self, CadObject* o, int depth) -> void {
        if (!o || depth > kMaxNesting) return;
        AddSelectedObject(o);
        for (CadObject* c = o->firstChild; c; c = c->nextSibling) self(self, c, depth + 1);
    };
    add(add, obj, 0);
}

}  // namespace kx::app

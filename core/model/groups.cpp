// Groups: parent/child links, group ids, grouping and ungrouping the selection.
#include "model/model_internal.h"

using kx::model::objects;

namespace kx::model {

void unlinkFromParent(CadObject* obj) {
    CadObject* parent = obj->parent;
    if (parent) {
        if (parent->firstChild == obj) {
            parent->firstChild = obj->nextSibling;
        } else {
            for (CadObject* c = parent->firstChild; c; c = c->nextSibling)
                if (c->nextSibling == obj) {
                    c->nextSibling = obj->nextSibling;
                    break;
                }
        }
    }
    obj->parent = nullptr;
    obj->nextSibling = nullptr;
}

void detachChildren(CadObject* obj) {
    for (CadObject* c = obj->firstChild; c;) {
        CadObject* next = c->nextSibling;
        c->parent = nullptr;
        c->nextSibling = nullptr;
        c = next;
    }
    obj->firstChild = nullptr;
}

bool isSelfOrAncestor(const CadObject* candidate, const CadObject* obj) {
    // Bounded by the number of objects, so a damaged chain cannot loop for ever.
    unsigned steps = objects().liveCount + 1;
    for (const CadObject* o = obj; o && steps > 0; o = o->parent, --steps)
        if (o == candidate) return true;
    return false;
}

void linkToGroups(CadObject* first) {
    for (CadObject* o = first; o; o = o->next) {
        if (!o->groupId || o->parent || o->type == KX_GROUP) continue;
        CadObject* group = FindParentObject(o->groupId);
        if (group && group != o) AddChildObject(group, o);
    }
}

void raiseGroupCounter(unsigned id) {
    unsigned& counter = objects().counters[KX_GROUP];
    if (counter < id) counter = id;
}

}  // namespace kx::model

namespace {

bool groupIdInUse(unsigned id) {
    for (CadObject* o = objects().head; o; o = o->next)
        if (o->groupId == id) return true;
    return false;
}

// A group id that no live object carries.
unsigned drawFreeGroupId() {
    unsigned id = GetNextObjectNo(KX_GROUP, 0);
    while (id == 0 || groupIdInUse(id)) id = GetNextObjectNo(KX_GROUP, 0);
    return id;
}

bool inChildChain(const CadObject* parent, const CadObject* child) {
    for (const CadObject* c = parent->firstChild; c; c = c->nextSibling)
        if (c == child) return true;
    return false;
}

}  // namespace

int AddChildObject(CadObject* parent, CadObject* child) {
    if (!parent || !child) return 0;
    // A group inside itself, or inside one of its own members, would make a cycle.
    if (kx::model::isSelfOrAncestor(child, parent)) return 0;
    if (!parent->groupId) parent->groupId = drawFreeGroupId();
    kx::model::raiseGroupCounter(parent->groupId);
    if (inChildChain(parent, child)) return 1;
    kx::model::unlinkFromParent(child);
    if (!parent->firstChild) {
        parent->firstChild = child;
        child->groupId = parent->groupId;
    } else {
        CadObject* last = parent->firstChild;
        while (last->nextSibling) last = last->nextSibling;
        last->nextSibling = child;
    }
    child->parent = parent;
    return 1;
}

CadObject* GetNextChildObject(CadObject* obj, int first) {
    if (!obj) return nullptr;
    return first ? obj->firstChild : obj->nextSibling;
}

CadObject* FindParentObject(unsigned groupId) {
    for (CadObject* o = objects().head; o; o = o->next)
        if (o->type == KX_GROUP && o->groupId == groupId) return o;
    return nullptr;
}

int SetObjectsGroupEx(CadObject* group, unsigned groupId, int* deleted) {
    int dummy = 0;
    int& wasDeleted = deleted ? *deleted : dummy;
    wasDeleted = 0;
    bool grouping = group && groupId != 0;
    if (grouping) kx::model::raiseGroupCounter(groupId);
    int changed = 0;
    CadObject* lastChild = nullptr;
    if (grouping)
        for (CadObject* c = group->firstChild; c; c = c->nextSibling) lastChild = c;

    for (CadObject* o = objects().head; o;) {
        CadObject* next = o->next;
        if (!o->selected || o->type == KX_LIGHT || o->type == KX_CAMERA) {
            o = next;
            continue;
        }
        // A group cannot become a member of itself or of one of its members.
        if (grouping && o != group && kx::model::isSelfOrAncestor(o, group)) {
            LogMessage(1, "Group %s not put inside its own member", o->name);
            o = next;
            continue;
        }
        changed = 1;
        o->groupId = groupId;
        if (o->type == KX_GROUP && groupId == 0) {
            DeleteCadObject(o);
            wasDeleted = 1;
            o = next;
            continue;
        }
        if (!grouping || o == group) {
            kx::model::unlinkFromParent(o);
        } else if (o->parent != group) {
            kx::model::unlinkFromParent(o);
            o->parent = group;
            if (lastChild) lastChild->nextSibling = o;
            else group->firstChild = o;
            lastChild = o;
        }
        o = next;
    }
    return changed;
}

int SelectCadGroup(CadObject* group, unsigned groupId, int select) {
    if (group && group->firstChild) {
        auto apply = [select](CadObject* o) {
            if (select) AddSelectedObject(o);
            else RemoveSelectedObject(o);
        };
        apply(group);
        for (CadObject* c = group->firstChild; c; c = c->nextSibling) apply(c);
        return 1;
    }
    if (!objects().head) return 0;
    for (CadObject* o = objects().head; o; o = o->next)
        if (o->groupId == groupId) AddSelectedObject(o);
    return 1;
}

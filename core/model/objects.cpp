// Creation, copy and deletion of scene objects, and walking the object list.
#include <cstring>
#include <malloc.h>
#include <memory>
#include <unordered_set>
#include <vector>

#include "model/release_hook.h"
#include "kxplatform/ui_callbacks.h"
#include "model/events_internal.h"
#include "model/flag_tracking.h"
#include "model/memory.h"
#include "model/model_internal.h"
#include "model/text.h"

using kx::model::objects;

namespace kx::model {

bool isLive(const CadObject* obj) { return obj && objects().live.contains(obj); }

CadObject* lastAtom() { return objects().lastAtom; }

void renameTreeItem(CadObject* obj) {
    kx::ObjectManager& m = objects();
    const KxUiCallbacks& ui = kx::platform::ui();
    if (m.selectorTree && obj->treeItem && ui.renameTreeItem)
        ui.renameTreeItem(ui.context, m.selectorTree, obj->treeItem, obj->name);
}

}  // namespace kx::model

namespace {

void insertTreeItem(CadObject* obj) {
    kx::ObjectManager& m = objects();
    const KxUiCallbacks& ui = kx::platform::ui();
    if (m.selectorTree && ui.insertTreeItem)
        obj->treeItem = ui.insertTreeItem(ui.context, m.selectorTree, m.selectorParent, obj->name, obj);
}

void deleteTreeItem(CadObject* obj) {
    kx::ObjectManager& m = objects();
    const KxUiCallbacks& ui = kx::platform::ui();
    if (m.selectorTree && obj->treeItem && ui.deleteTreeItem)
        ui.deleteTreeItem(ui.context, m.selectorTree, obj->treeItem);
    obj->treeItem = nullptr;
}

// Frees what an object owns: triangles, points, extra block and uv array.
void freeObjectData(CadObject* obj) {
    kx::model::notifyPointsReleased(obj);
    DeleteObjectPolygons(obj);
    ClearEntry(obj->points);
    obj->points = nullptr;
    FreeObjectExtra(obj);
    kx::mem::release(obj->uv);
    obj->uv = nullptr;
    obj->uvCount = 0;
}

}  // namespace

CadObject* NewCadObject(const char* name) {
    auto obj = std::make_unique<CadObject>();  // all fields zero
    obj->flags = KX_FLAG_VISIBLE;
    obj->scale = Point3d{1, 1, 1};
    obj->rgb = 0xFFFFFF;
    kx::text::copyField(obj->name, name ? name : "Unknown");
    kx::text::copyField(obj->material, "None");
    kx::ObjectManager& m = objects();
    try {
        m.live.insert(obj.get());
    } catch (const std::bad_alloc&) {
        ErrorMessage("Error Allocating Cad Object Element");
        return nullptr;
    }
    CadObject* raw = obj.release();
    if (m.head) {
        m.tail->next = raw;
        raw->prev = m.tail;
    } else {
        m.head = raw;
    }
    m.tail = raw;
    insertTreeItem(raw);
    ++m.liveCount;
    kx::model::noteFlagged(raw);
    return raw;
}

CadObject* NewDefaultCadObjectEx(const char* name, unsigned type, int deselectOthers) {
    if (deselectOthers == 1) SetObjectsUnSelected();
    CadObject* obj = NewCadObject(name);
    if (!obj) return nullptr;
    obj->type = type;
    AddSelectedObject(obj);
    return obj;
}

CadObject* NewDefaultCadObject(const char* name, unsigned type) {
    return NewDefaultCadObjectEx(name, type, 1);
}

CadObject* AddDefaultCadAtom(const char* base, unsigned type) {
    return NewDefaultCadObject(GetNextObjectName(base, type), type);
}

CadObject* NewPointObject(const char* base) {
    return NewDefaultCadObject(GetNextObjectName(base, KX_POINTS), KX_POINTS);
}

CadObject* AddCadAtom(CadObjectInfo* info, const char* base, unsigned type) {
    SetObjectsUnSelected();
    // The base is cut in a copy: the caller's text may be a constant.
    char cut[32];
    kx::text::copyField(cut, base);
    CadObject* obj = NewCadObject(GetNextObjectName(base ? cut : nullptr, type));
    if (!obj) return nullptr;
    obj->type = type;
    obj->selected = 1;
    if (info) {
        obj->extra = info->extra;
        info->extra = nullptr;
        obj->flags = info->flags;
        obj->size = info->size;
        obj->extraPoint = info->extraPoint;
    }
    objects().lastAtom = obj;
    return obj;
}

CadObject* AddObject(const char* path, ListEntry* list, unsigned count, unsigned type) {
    CadObject* obj = NewDefaultCadObject(NormalizeObjectName(path), type);
    if (!obj) {
        ErrorMessage("Error Adding New Object");
        return nullptr;
    }
    if (!obj->points) {
        obj->points = list;
        // The node count must match the list, whatever the caller counted.
        unsigned actual = CountEntry(list);
        if (actual != count) LogMessage(1, "AddObject: %u nodes given as %u", actual, count);
        obj->count = actual;
    }
    return obj;
}

CadObject* DeleteCadObject(CadObject* obj) {
    if (!obj) return nullptr;
    if (!kx::model::isLive(obj)) {
        ErrorMessage("Error deleting invalid object");
        return nullptr;
    }
    kx::ObjectManager& m = objects();
    CadObject* following = obj->next;
    if (m.head == obj) m.head = obj->next;
    if (obj->prev) obj->prev->next = obj->next;
    if (m.tail == obj) m.tail = obj->prev;
    if (obj->next) obj->next->prev = obj->prev;

    // No group, child or selection link may keep pointing at the freed record.
    kx::model::unlinkFromParent(obj);
    kx::model::detachChildren(obj);
    kx::model::forgetSelected(obj);
    // Handlers bound to it must never receive the freed pointer.
    kx::model::forgetEventObject(obj);
    kx::objectAboutToBeFreed(obj);
    if (m.lastAtom == obj) m.lastAtom = nullptr;

    freeObjectData(obj);
    deleteTreeItem(obj);
    m.live.erase(obj);
    std::unique_ptr<CadObject> owned(obj);
    --m.liveCount;
    return following;
}

int DeleteObjects() {
    kx::ObjectManager& m = objects();
    std::unordered_set<const CadObject*> doomed;
    for (CadObject* o = m.head; o; o = o->next)
        if (o->selected) doomed.insert(o);
    // Forget them in the selection array in one pass rather than one search each.
    std::erase_if(m.selection, [&](CadObject* o) { return doomed.count(o) != 0; });
    for (CadObject* o = m.head; o;) o = o->selected ? DeleteCadObject(o) : o->next;
    if (!m.head) return 0;
    m.head->selected = 1;
    kx::model::noteFlagged(m.head);
    return 1;
}

int DeleteAllCadObjects() {
    kx::ObjectManager& m = objects();
    if (!m.head) return 0;
    m.selection.clear();
    for (CadObject* o = m.head; o;) o = DeleteCadObject(o);
    if (m.liveCount != 0) ErrorMessage("Error deleting objects: %d", m.liveCount);
    InitCadObjects();
    malloc_trim(0);
    return 1;
}

void DeleteObjectPolygons(CadObject* obj) {
    if (!obj) return;
    ReleasePolyons(obj->polygons);
    obj->polygons = nullptr;
    obj->polygonCount = 0;
}

int CopyCadObject(const CadObject* src, CadObject* dst) {
    if (!src) {
        ErrorMessage("Invalid CAD Object, %s line %d", "cadmgr", 2010);
        return 0;
    }
    if (!dst || src == dst) return dst ? 1 : 0;
    if (!CopyObjectExtra(dst, src)) return 0;
    unsigned nodes = src->count;
    ListEntry* list = src->points ? CopyList(src->points, &nodes) : nullptr;
    if (src->points && !list) return 0;
    TriPolygon* polys = CopyPolygons(src->polygons, kx::model::triangleCount(src));
    if (kx::model::hasTriangles(src) && !polys) {
        ClearEntry(list);
        return 0;
    }
    kx::model::unlinkFromParent(dst);
    kx::model::detachChildren(dst);

    dst->type = src->type;
    std::memcpy(dst->name, src->name, sizeof dst->name);
    dst->name[sizeof dst->name - 1] = '\0';
    std::memcpy(dst->material, src->material, sizeof dst->material);
    dst->material[sizeof dst->material - 1] = '\0';
    dst->materialType = src->materialType;
    dst->size = src->size;
    dst->extraPoint = src->extraPoint;
    dst->rotate = src->rotate;
    dst->translate = src->translate;
    dst->scale = src->scale;
    kx::model::notifyPointsReleased(dst);
    ClearEntry(dst->points);
    dst->points = list;
    dst->count = nodes;
    DeleteObjectPolygons(dst);
    dst->polygons = polys;
    dst->polygonCount = polys ? kx::model::triangleCount(src) : 0;
    dst->rgb = src->rgb;
    dst->groupId = src->groupId;
    dst->selected = 0;
    dst->rect = RECT{0, 0, 0, 0};
    dst->boundValid = 0;  // the copied geometry is not what the old bounds describe
    kx::model::renameTreeItem(dst);
    return 1;
}

int InitCadObjects() {
    kx::ObjectManager& m = objects();
    m.head = m.tail = nullptr;
    m.liveCount = 0;
    m.live.clear();
    m.lastAtom = nullptr;
    m.selection.clear();
    m.selection.shrink_to_fit();
    kx::model::forgetFlagged();
    m.counters.fill(0);
    return 1;
}

CadObject* GetCadObject(CadObject* obj) { return obj ? obj->next : objects().head; }

CadObject* GetLastCadObject() { return objects().tail; }

CadObject* GetCadObjectByName(const char* name) {
    if (!name) return nullptr;
    for (CadObject* o = objects().head; o; o = o->next)
        if (std::strcmp(o->name, name) == 0)
            return o;
    return nullptr;
}

CadObject* GetCadObjectByIndex(int index) {
    if (index < 0) return nullptr;
    CadObject* o = objects().head;
    for (; o && index > 0; --index) o = o->next;
    return o;
}

unsigned GetCadObjectsCount() { return objects().liveCount; }

unsigned CountAllCadObjects() {
    unsigned n = 0;
    for (CadObject* o = objects().head; o; o = o->next) ++n;
    return n;
}

int EnumAllCadObjects(int (*callback)(CadObject*, long), long arg) {
    CadObject* o = objects().head;
    if (!o) return 0;
    while (o) {
        CadObject* next = o->next;  // the callback may delete the object
        if (callback) callback(o, arg);
        o = next;
    }
    return 1;
}

int EnumCadObjects(int (*callback)(CadObject*, unsigned), unsigned arg) {
    std::vector<CadObject*> snapshot = objects().selection;
    for (CadObject* o : snapshot)
        if (kx::model::isLive(o) && o->points && callback) callback(o, arg);
    return 1;
}

CadObject* GetNextSelectedObject(CadObject* obj) {
    for (CadObject* o = obj ? obj->next : objects().head; o; o = o->next)
        if (o->selected) return o;
    return nullptr;
}

unsigned GetCadObjectType(CadObject* obj) { return obj ? obj->type : 0; }

unsigned GetCadObjectType() {
    CadObject* firstPointList = nullptr;
    bool any = false;
    for (CadObject* o = objects().head; o; o = o->next) {
        if (!o->selected) continue;
        any = true;
        if (o->type != KX_NULL && o->type != KX_POINTS && o->type != KX_LINESEG &&
            o->type != KX_POLYGON)
            return 3;
        if (!firstPointList && o->type != KX_NULL) firstPointList = o;
    }
    if (!any || !firstPointList) return 0;
    return firstPointList->type == KX_POLYGON ? 2 : 1;
}

int IsSelected(CadObject* obj) { return obj ? obj->selected : 0; }

unsigned GetObjectSize(CadObject* obj) {
    return (obj && obj->points) ? obj->points->count : 0;
}

// The event table: registrations of callbacks and scripts for scene and
// object events, firing them, and the event names.
#include <cstring>

#include "core_state.h"
#include "model/events_internal.h"
#include "model/memory.h"

namespace {

constexpr LookUp kEventNames[] = {
    {KX_EVENT_SCENE_CREATE, "SceneCreate"},
    {KX_EVENT_SCENE_DELETE, "SceneDelete"},
    {KX_EVENT_SCENE_UPDATE, "SceneUpdate"},
    {KX_EVENT_SCENE_FRAME, "SceneFrame"},
    {KX_EVENT_SCENE_RENDER, "SceneRender"},
    {KX_EVENT_SCENE_EXPORT, "SceneExport"},
    {KX_EVENT_SCENE_IMPORT, "SceneImport"},
    {KX_EVENT_OBJECT_CREATE, "ObjectCreate"},
    {KX_EVENT_OBJECT_DELETE, "ObjectDelete"},
    {KX_EVENT_OBJECT_UPDATE, "ObjectUpdate"},
    {KX_EVENT_OBJECT_FRAME, "ObjectFrame"},
    {KX_EVENT_OBJECT_RENDER, "ObjectRender"},
    {KX_EVENT_OBJECT_IMPORT, "ObjectImport"},
    {KX_EVENT_OBJECT_EXPORT, "ObjectExport"},
    {KX_EVENT_OBJECT_SELECT, "ObjectSelect"},
    {KX_EVENT_OBJECT_TRANSFORM, "ObjectTransform"},
    {KX_EVENT_OBJECT_TEXTURE, "ObjectTexture"},
    {KX_LOOKUP_END, nullptr},
};

kx::EventState& events() { return kx::core().events; }

char* copyScript(const char* script) {
    size_t n = std::strlen(script);
    char* copy = kx::mem::allocZeroed<char>(n + 1);
    if (copy) std::memcpy(copy, script, n);
    return copy;
}

}  // namespace

namespace kx::model {

void forgetEventObject(const CadObject* obj) {
    if (!obj) return;
    EventState& e = events();
    for (unsigned i = 0; i < e.count; ++i)
        if (e.table[i].object == obj) e.table[i].dead = true;
}

}  // namespace kx::model

// The table is always in a valid state here, so emptying it frees the
// scripts too; otherwise each new scene would leak the last one's.
int InitKalvexEvent() { return ClearKalvexEvent(); }

int ClearKalvexEvent() {
    kx::EventState& e = events();
    for (unsigned i = 0; i < e.count; ++i) kx::mem::release(e.table[i].script);
    e.table = {};
    e.count = 0;
    ++e.generation;
    return 1;
}

int DestroyKalvexEvent() { return ClearKalvexEvent(); }

int RegisterKalvexScriptEvent(int type, CadObject* obj, const char* script,
                              KalvexEventProc callback) {
    kx::EventState& e = events();
    if (e.count >= KX_MAX_EVENTS) return 0;
    char* copy = nullptr;
    if (script) {
        copy = copyScript(script);
        if (!copy) return 0;
    }
    e.table[e.count++] = kx::EventRegistration{callback, type, obj, copy, false};
    return 1;
}

int RegisterKalvexEvent(int type, CadObject* obj, KalvexEventProc callback) {
    return RegisterKalvexScriptEvent(type, obj, nullptr, callback);
}

int FireKalvexEvent(int type, CadObject* obj) {
    kx::EventState& e = events();
    const unsigned long generation = e.generation;
    // A callback may register more, delete objects or clear the table: only
    // the registrations present when the event fired are called, each read
    // afresh, and a cleared table ends the round.
    const unsigned end = e.count;
    for (unsigned i = 0; i < end && i < e.count && e.generation == generation; ++i) {
        const kx::EventRegistration r = e.table[i];
        if (r.dead || !r.callback || r.type != type) continue;
        if (obj && r.object != obj) continue;
        r.callback(type, r.object);
    }
    return 1;
}

int FireKalvexEventAll(int type) { return FireKalvexEvent(type, nullptr); }

unsigned GetEventType(const char* name) { return GetLookUpId(name, kEventNames); }

char* GetEventScript(int type, unsigned* index) {
    if (!index) return nullptr;
    kx::EventState& e = events();
    for (unsigned i = *index; i < e.count; ++i) {
        const kx::EventRegistration& r = e.table[i];
        if (r.dead || r.type != type) continue;
        *index = i;
        return r.script;
    }
    return nullptr;
}

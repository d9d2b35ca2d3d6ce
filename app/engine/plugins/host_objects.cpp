// Host functions on objects, handles, selection, binding and events.
#include <cstring>
#include <string>

#include "kxcore.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"

namespace kx::plugins::host {
namespace {

HandleTable& handles() { return hostState().handles; }

// A new handle for obj, or -1 with "Error getting object handle" logged.
int newHandleFor(CadObject* obj) {
    if (obj == nullptr) return -1;
    const int h = handles().take(obj);
    if (h < 0) LogMessage(1, "Error getting object handle\n");
    return h;
}

// The host's object-event handler: the function bound to the object hears of it.
int boundEventHandler(int, CadObject* obj) {
    PluginManager* m = hostState().manager;
    return m != nullptr && obj != nullptr ? m->callBound(obj, 8192, nullptr) : 0;
}

}  // namespace

int Bind(int handle, const char* description) {
    HandleEntry* e = handles().entry(handle);
    if (e == nullptr) return 0;
    if (description == nullptr) return logFailure(0, "Bind: description missing\n");
    if (e->object == nullptr) return logFailure(0, "Bind: invalid object\n");
    const size_t n = strnlen(description, KX_EXTRA_TEXT_MAX);
    const std::string text(description, n);
    return SetObjectExtra(e->object, 1, KX_PROP_PLUGIN, static_cast<unsigned>(n + 1), text.c_str()) ? 1
                                                                                                      : 0;
}

int SetAutoFree(int on) {
    const int previous = hostState().autoFree ? 1 : 0;
    hostState().autoFree = on != 0;
    return previous;
}

int RegisterEvent(int handle, int event, void*) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    return RegisterKalvexEvent(event, obj, boundEventHandler);
}

int FireEvent(int handle, int event) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    return FireKalvexEvent(event, obj);
}

int CreateObject(const char* name, int type) {
    if (name == nullptr || std::strlen(name) > 32) {
        handles().lastError = "invalid object name";
        return -1;
    }
    if (!takeFromGrowthBudget(kObjectVertices)) {
        handles().lastError = "scene growth limit reached";
        return -1;
    }
    const int h = handles().take(nullptr);
    if (h < 0) return -1;
    // The object name holds 31 characters and its terminator.
    const std::string kept(name, std::min<size_t>(std::strlen(name), 31));
    CadObject* obj = NewDefaultCadObject(kept.c_str(), static_cast<unsigned>(type));
    if (obj == nullptr) {
        handles().release(h);
        return -1;
    }
    handles().entry(h)->object = obj;
    return h;
}

int GetObject(int handle, int flags) {
    HandleTable& t = handles();
    const bool fresh = (flags & 1) != 0 || handle == -1;
    if (!fresh && t.object(handle) == nullptr) return -1;
    int h = handle;
    CadObject* from = nullptr;
    if (fresh) {
        h = t.take(nullptr);
        if (h < 0) {
            LogMessage(1, "Error getting object handle\n");
            return -1;
        }
    } else {
        from = t.entry(h)->object;
    }
    CadObject* found = nullptr;
    if ((flags & 8) != 0) {
        found = GetLastCadObject();
        if (found && (flags & 4) != 0 && !found->selected) found = nullptr;
    } else if ((flags & 4) != 0) {
        found = GetNextSelectedObject(from);
    } else {
        found = GetCadObject(from);
    }
    if (found == nullptr) {
        t.release(h);
        return -1;
    }
    *t.entry(h) = {found, nullptr};
    return h;
}

int GetObjectByName(const char* name, int) {
    if (name == nullptr) return -1;
    CadObject* obj = GetCadObjectByName(name);
    return obj ? newHandleFor(obj) : -1;
}

int GetObjectByType(int, int) { return -1; }

int CreateDefaultObject(int type) {
    if (type == KX_GROUP) {
        std::vector<CadObject*> members;
        for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o)) members.push_back(o);
        CadObject* group = CreateGroup(CreateDefaultInfo());
        if (group == nullptr) return -1;
        for (CadObject* o : members) AddSelectedObject(o);
        int deleted = 0;
        SetObjectsGroupEx(group, group->groupId, &deleted);
        SetObjectsUnSelected();
        SelectCadGroup(group, group->groupId, 1);
        return static_cast<int>(group->groupId);
    }
    HandleTable& t = handles();
    if (!takeFromGrowthBudget(kObjectVertices)) {
        t.lastError = "scene growth limit reached";
        return -1;
    }
    int h = HandleTable::kAutoFree;
    if (!hostState().autoFree) {
        h = t.take(nullptr);
        if (h < 0) return -1;
    }
    SetObjectsUnSelected();
    Point3d at = hostState().cursor;
    CadObject* obj = CreateDefaultObjectEx(nullptr, static_cast<unsigned>(type), &at);
    if (obj == nullptr) {
        t.release(h);
        return -1;
    }
    *t.entry(h) = {obj, nullptr};
    return h;
}

int FindObject(const char* name) { return GetObjectByName(name, 0); }

int GetNextChildObject(int handle, int first) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return -1;
    CadObject* child = ::GetNextChildObject(obj, first);
    return child ? newHandleFor(child) : -1;
}

int DeleteObject(int handle) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    // The release hook empties every entry naming it, this one included.
    DeleteCadObject(obj);
    return 1;
}

int AddChildObject(int parent, int child) {
    CadObject* p = handles().object(parent);
    CadObject* c = handles().object(child);
    if (p == nullptr || c == nullptr) return 0;
    return ::AddChildObject(p, c);
}

int RemoveChildObject(int, int) { return 0; }

int FreeObject(int handle) {
    if (!handles().inRange(handle)) return 0;
    handles().release(handle);
    return 1;
}

int GetObjectCount(int flags) {
    if ((flags & 4) != 0) return static_cast<int>(GetObjectsSelectedCount());
    return static_cast<int>(GetCadObjectsCount());
}

int SelectObject(int handle, int on) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    // Through the core, which keeps track of flagged objects for deselecting.
    SetCadObjectProperty(obj, "Select", static_cast<unsigned>(on));
    return 1;
}

int ClearSelection() {
    SetObjectsUnSelected();
    return 1;
}

int GetObjectName(int handle, char* name) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || name == nullptr) return 0;
    std::memcpy(name, obj->name, sizeof obj->name);
    name[sizeof obj->name - 1] = '\0';
    return 1;
}

int SetObjectName(int handle, const char* name) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || name == nullptr) return 0;
    const size_t n = strnlen(name, sizeof obj->name - 1);
    std::memcpy(obj->name, name, n);
    obj->name[n] = '\0';
    return 1;
}

int SetObjectColor(int handle, const char* colour) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || colour == nullptr) return 0;
    return SetObjectTextureEx(obj, 1, colour);
}

int SetObjectTexture(int handle, const char* texture) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || texture == nullptr) return 0;
    return SetObjectTextureEx(obj, 2, texture);
}

int GetObjectTexture(int handle, char* texture) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || texture == nullptr) return 0;
    std::memcpy(texture, obj->material, sizeof obj->material);
    texture[sizeof obj->material - 1] = '\0';
    return 1;
}

int SetObjectData(int handle, int data) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    obj->userData = static_cast<uint32_t>(data);
    RegisterKalvexEvent(2, obj, boundEventHandler);
    return 1;
}

int GetObjectData(int handle, void* data) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || data == nullptr) return 0;
    const int value = static_cast<int>(obj->userData);
    std::memcpy(data, &value, sizeof value);
    return 1;
}

int GetObjectType(int handle) { return GetObjectPropInt(handle, "Type"); }

int GetObjectGroup(int handle) { return GetObjectPropInt(handle, "GroupId"); }

}  // namespace kx::plugins::host

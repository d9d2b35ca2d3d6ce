// The selection list: object pointers in the order they were selected.
#include <algorithm>
#include <new>

#include "model/model_internal.h"
#include "model/text.h"

using kx::model::objects;

namespace kx::model {

void forgetSelected(const CadObject* obj) {
    auto& sel = objects().selection;
    auto it = std::find(sel.begin(), sel.end(), obj);
    if (it != sel.end()) sel.erase(it);
}

}  // namespace kx::model

void InitSelectList() {
    objects().selection.clear();
    objects().selection.shrink_to_fit();
}

void ReleaseSelectList() { InitSelectList(); }
void ClearSelectedObject() { InitSelectList(); }

int AddSelectedObject(CadObject* obj) {
    if (!obj) return 0;
    obj->selected = 1;
    auto& sel = objects().selection;
    if (std::find(sel.begin(), sel.end(), obj) != sel.end()) return 1;
    try {
        sel.push_back(obj);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Error adding object to selection list\n");
    }
    return 0;
}

int RemoveSelectedObject(CadObject* obj) {
    if (!obj) return 0;
    obj->selected = 0;
    auto& sel = objects().selection;
    auto it = std::find(sel.begin(), sel.end(), obj);
    if (it == sel.end()) return 0;
    sel.erase(it);
    return 1;
}

unsigned GetObjectsSelectedCount() { return static_cast<unsigned>(objects().selection.size()); }

CadObject* GetSelectedObject(unsigned index) {
    const auto& sel = objects().selection;
    return index < sel.size() ? sel[index] : nullptr;
}

int SetObjectsUnSelected() {
    InitSelectList();
    if (!objects().head) return 0;
    for (CadObject* o = objects().head; o; o = o->next) o->selected = 0;
    return 1;
}

int SelectCadObjectByName(const char* name, int add) {
    if (!name) return 0;
    int found = 0;
    if (!add) InitSelectList();
    for (CadObject* o = objects().head; o; o = o->next) {
        bool match = kx::text::equalNoCase(o->name, name);
        if (match) {
            found = 1;
            AddSelectedObject(o);
            if (add && o->type == KX_GROUP && o->groupId) SelectCadGroup(o, o->groupId, 1);
        } else if (!add) {
            o->selected = 0;
        }
    }
    return found;
}

// The selection list: object pointers in the order they were selected.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "model/flag_tracking.h"
#include "model/model_internal.h"
#include "model/text.h"

using kx::model::objects;

namespace {

// A scene of up to this many objects is walked whole at every deselect-all,
// so a flag written straight into any record is always cleared there.
constexpr size_t kAlwaysWalked = 64;
// Object visits each deselect-all of a larger scene earns towards a full
// pass: the scene is walked whole once per (objects / this) deselects, which
// keeps creating n objects linear (each visit of a large scene is a cache
// miss) while a stray flag cannot outlive that many creations.
constexpr size_t kVisitsPerDeselect = 8;

// Objects whose selected flag may be set: every object the core flagged and
// every object created since the last deselect-all (its creator holds the
// fresh pointer). May hold duplicates and freed addresses; deselecting checks
// each against the live set. Like the object list, used from one thread.
struct FlagTracking {
    std::vector<CadObject*> candidates;
    // Object visits earned towards the next full pass over the list, which
    // catches flags written straight into records the core never handed out
    // fresh.
    size_t passCredit = 0;
};

FlagTracking& tracking() {
    static FlagTracking t;
    return t;
}

}  // namespace

namespace kx::model {

void noteFlagged(CadObject* obj) {
    FlagTracking& t = tracking();
    // Flagging the same objects again and again without a deselect between
    // would grow the list without bound: past twice the scene, the next
    // deselect walks the whole list instead.
    if (t.candidates.size() > 2 * static_cast<size_t>(objects().liveCount) + 64) {
        t.candidates.clear();
        t.passCredit = SIZE_MAX / 2;
        return;
    }
    try {
        t.candidates.push_back(obj);
    } catch (const std::bad_alloc&) {
        t.passCredit = SIZE_MAX / 2;  // no record of it: walk everything next time
    }
}

void forgetFlagged() {
    FlagTracking& t = tracking();
    t.candidates.clear();
    t.candidates.shrink_to_fit();
    t.passCredit = 0;
}

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
    kx::model::noteFlagged(obj);
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
    kx::ObjectManager& m = objects();
    FlagTracking& t = tracking();
    if (!m.head) {
        t.candidates.clear();
        t.passCredit = 0;
        return 0;
    }
    t.passCredit = std::min(t.passCredit + kVisitsPerDeselect, SIZE_MAX / 2);
    if (m.liveCount <= kAlwaysWalked || t.passCredit >= m.liveCount) {
        // Through the flat live set rather than the list: no record waits
        // for the one before it to arrive, and clean records stay clean.
        m.live.clearSelectedFlags();
        t.passCredit = 0;
    } else {
        // A freed address may since hold a new object; clearing its flag is
        // still what deselecting everything asks for.
        for (CadObject* o : t.candidates)
            if (kx::model::isLive(o)) o->selected = 0;
    }
    t.candidates.clear();
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

// Helpers the animation shares with the rest of the core; not exported.
#pragma once

#include "core_state.h"

namespace kx::anim {

inline AnimState& state() { return core().anim; }

// The live entry of obj, or null.
AnimObject* entryOf(const CadObject* obj);

// The type obj is saved under: its entry's type while the animation hides it
// (type 0), else its own.
unsigned savedType(const CadObject* obj);

// obj is leaving the scene: its entry is emptied whether or not it is
// selected (type restored, frames freed, deletedCount + 1).
void forgetObject(CadObject* obj);

// A new entry for obj with frames from its vectors; null (reported) when
// the table or the frames cannot be had.
AnimObject* addEntry(CadObject* obj);
// An entry without object, so that later entry numbers stay where a file
// put them; counted as emptied.
bool addEmptyEntry();
// True for an object that can take an entry: no Points object (that lays a
// path), no group, segment or mesh without triangles.
bool canTakeEntry(const CadObject* obj);

// Back to the state of a freshly loaded library: frees the table and resets
// the templates.
void reset();

// While alive, a hidden animated object carries its own type again, so the
// scene writers save it under that type.
class SavedTypeScope {
public:
    explicit SavedTypeScope(CadObject* obj) : obj_(obj), type_(obj ? obj->type : 0) {
        if (obj_) obj_->type = savedType(obj_);
    }
    ~SavedTypeScope() {
        if (obj_) obj_->type = type_;
    }
    SavedTypeScope(const SavedTypeScope&) = delete;
    SavedTypeScope& operator=(const SavedTypeScope&) = delete;

private:
    CadObject* obj_;
    unsigned type_;
};

}  // namespace kx::anim

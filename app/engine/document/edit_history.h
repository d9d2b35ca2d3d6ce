// Undo and redo of scene edits. A step keeps the scene's object list as it was
// before and after the edit (order, group chains, selection, camera and each
// object's small fields, one copy shared by every layout in which they are the
// same), the scene settings when the edit said it changes them, plus only the
// geometry the edit changed: a deleted
// object's data moves into the step and back, a translation is kept as its
// offset, and other reshapes keep one copy. Steps refer to objects by their
// place in the list, so the history is only valid while every change of the
// scene goes through it; a scene found different from what a step expects
// drops the history rather than guessing.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/object_state.h"

namespace kx::app {

// The scene's object list at one moment.
struct SceneLayout {
    struct Entry {
        int uid = 0;          // the object within its step
        int parent = -1;      // list places, -1 for none
        int firstChild = -1;
        int nextSibling = -1;
        int selected = 0;
        // Everything but links and geometry; shared between layouts (and
        // steps) for as long as the object's fields stay the same.
        std::shared_ptr<const DetachedObject> plain;
    };
    std::vector<Entry> entries;
    std::vector<int> selection;  // list places in selection order
    CameraInfo camera{};
    int cameraPlace = -1;
};

struct EditStepData;

class EditHistory {
public:
    explicit EditHistory(size_t depth = 100);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // The number of steps kept; the oldest go first. At least 1.
    void setDepth(size_t depth);
    size_t depth() const { return depth_; }

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < steps_.size(); }
    // The name of the step Undo or Redo would take ("Move", "Delete 3 Objects"); empty when none.
    std::string undoName() const;
    std::string redoName() const;
    // False when there is nothing to take back, or when the scene is not what
    // the step expects (the history is then dropped).
    bool undo();
    bool redo();
    // Forgets every step (a new scene, or a change made outside the history).
    void clear();
    // Ends merging: the next edit is a step of its own even with the same key.
    void seal();
    // The same, only when the open step's merge key begins with prefix: a
    // panel ends its own typing without cutting a drawing in two.
    void sealKeysStarting(const std::string& prefix);

    // The scene was saved: the position now counts as unchanged.
    void markSaved();
    // True when the scene differs from its saved state by the steps in between.
    bool differsFromSaved() const { return !savedPosition_ || *savedPosition_ != position_; }

    size_t size() const { return steps_.size(); }
    size_t position() const { return position_; }
    // Bytes the steps hold besides the scene (for the limits users care about).
    size_t heldBytes() const;

private:
    friend class EditRecorder;
    void push(std::unique_ptr<EditStepData> step);
    EditStepData* openTop(const std::string& mergeKey);
    void sealTop();

    size_t depth_;
    std::vector<std::unique_ptr<EditStepData>> steps_;
    size_t position_ = 0;
    std::optional<size_t> savedPosition_ = 0;
};

// Records one edit: made before the scene is changed, committed after. The
// edit function tells it which objects' geometry it is about to change and
// which objects it deletes; everything else is found by comparing the list.
class EditRecorder {
public:
    // Edits with the same non-empty merge key, one after another with nothing
    // sealed in between, become one step (a drag, typing in one field).
    EditRecorder(EditHistory& history, std::string name, std::string mergeKey = {});
    ~EditRecorder();
    EditRecorder(const EditRecorder&) = delete;
    EditRecorder& operator=(const EditRecorder&) = delete;

    // Before reshaping an object in any way: its geometry is copied once. An
    // object reshaped and then deleted by the edit (even by the core's own
    // DeleteCadObject) comes back whole on undo from that copy.
    void reshaping(CadObject* obj);
    // Before translating an object by offset: only the offset is kept, with
    // the coordinates it cannot give back exactly.
    void translating(CadObject* obj, const Point3d& offset);
    // Before changing the animation in any way (its settings, its table, the
    // frame shown): the animation is copied once, and undo puts it back.
    void animating();
    // Before changing the renderer's scene settings: their texts are kept
    // once, and undo puts them back.
    void changingSceneSettings();
    // Before changing the texture list: it is copied once, and undo puts it
    // back (a list changed by anything else since drops the history instead).
    void changingTextureList();
    // Deletes an object, its data moving into the step instead of being freed.
    void deleteObject(CadObject* obj);
    // Records the edit by its journal, for code that may change anything
    // (a plug-in's or a script's run): nothing is copied now. What the code
    // reshapes in place it announces through journalReshaping; objects and
    // point lists the core frees or replaces are copied as that happens.
    // Each object's geometry is fingerprinted here, so that journalHolds can
    // tell a change the journal missed.
    void keepJournal();
    // After a journalled edit, before commit: false when an object's geometry
    // changed (or went) without the journal keeping what it was, so that the
    // step could not take the edit back.
    bool journalHolds() const;
    // The step's name can depend on what the edit found ("Delete 3 Objects").
    void rename(std::string name);
    // Records the step; without it nothing is recorded. False when the scene
    // is as it was before (no step).
    bool commit();

private:
    int uidOf(CadObject* obj);

    EditHistory& history_;
    std::unique_ptr<EditStepData> fresh_;
    EditStepData* step_ = nullptr;  // fresh_ or the open step it continues
    bool committed_ = false;
    // A recorder already working when this one began: a host function called
    // from a plug-in's run may record an edit of its own.
    EditStepData* outerStep_ = nullptr;
};

// Told by code that reshapes objects in place while a journalled edit runs
// (see EditRecorder::keepJournal): the geometry of the object, and of a
// group's members, is copied before it changes. Does nothing when no such
// edit is being recorded, or when the object is new or already copied.
void journalReshaping(CadObject* obj);
// The same for every selected object.
void journalSelection();

// "Delete Object" or "Delete 3 Objects".
std::string countedName(const char* verb, size_t count);

}  // namespace kx::app

// The one owner of the scene. The core keeps a single scene for the process;
// every change to it (objects, geometry, camera, texture list, animation,
// scene block) is a transaction of this model: it holds the scene lock, runs
// the change, records the undo step of a named edit, publishes a snapshot
// for the shaded preview and tells its listeners what changed. Nobody else
// takes the lock or reports a change.
//
// Threads: transactions may be opened on any thread and nest on one; the
// lock is held from the outermost one's start to its end. Snapshots are read
// on any thread without the lock. Listeners are called on the thread that
// made the change, after the lock was given back.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/edit_history.h"
#include "model/scene_snapshot.h"
#include "kxcore.h"

namespace kx::app {

// What one transaction changed.
struct SceneDelta {
    enum : uint32_t {
        Objects = 1u << 0,     // objects made, deleted, reshaped, regrouped or restyled
        Camera = 1u << 1,
        Selection = 1u << 2,
        Textures = 1u << 3,    // the texture list
        Animation = 1u << 4,
        SceneBlock = 1u << 5,  // the scene's name, image, include texts, background
        Replaced = 1u << 6,    // the whole scene went (New, Open, Close)
        History = 1u << 7,     // steps were added, taken back or dropped
    };
    uint32_t what = 0;
    // The name of the edit, empty for changes that are no step.
    std::string name;
    // Objects whose geometry the change reshaped, as far as it said so;
    // everyObject when it could not say (any object may have changed).
    std::vector<const CadObject*> reshaped;
    bool everyObject = false;
    // A named edit was recorded as an undo step (or merged into the last).
    bool step = false;
    // The edit only moved the selected objects, none of them the camera.
    bool movesOnly = false;
    uint64_t generation = 0;
};

class SceneModel {
public:
    // One change of the scene under the lock, committed when it ends. A
    // change that is not a named edit says what it touches; one without an
    // edit's recorder, which names what it reshapes, counts as reshaping
    // every object.
    class Transaction {
    public:
        explicit Transaction(uint32_t what = SceneDelta::Objects);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        // False when the lock could not be taken ("Error WaitForSingleObject
        // failed" was reported): the change must not be made.
        bool owns() const { return owns_; }
        void touches(uint32_t what);
        // The change only moves the selected objects (the views move them alone).
        void movesOnly();

    private:
        bool owns_ = false;
    };

    // The scene held still for reading (a copy written out): no change is
    // made under it, so nothing is published when it ends.
    class Reading {
    public:
        Reading();
        ~Reading();
        Reading(const Reading&) = delete;
        Reading& operator=(const Reading&) = delete;
        // This thread holds the scene in the middle of a change of its own
        // (a dialog's event loop inside an edit): what it reads is half done.
        bool midChange() const;
    };

    SceneModel();
    ~SceneModel();
    SceneModel(const SceneModel&) = delete;
    SceneModel& operator=(const SceneModel&) = delete;

    // Runs change(EditRecorder&) as the edit called name, one undo step
    // (edits with one non-empty merge key, one after another, are one step).
    // change may return false to give up; the edit is then recorded as far
    // as it went. True when the scene changed.
    template <typename Change>
    bool edit(const std::string& name, Change&& change, const std::string& mergeKey = {}) {
        Transaction tx(SceneDelta::Objects | SceneDelta::History);
        if (!tx.owns()) return false;
        EditRecorder rec(history_, name, mergeKey);
        if constexpr (std::is_void_v<std::invoke_result_t<Change, EditRecorder&>>) change(rec);
        else static_cast<void>(change(rec));
        return rec.commit();
    }

    EditHistory& history() { return history_; }
    // Takes the last step back, or the next one again, as one change. False
    // when there is none, or when the scene is not what the step expects
    // (the history is then dropped).
    bool undo();
    bool redo();

    // Snapshots cost a copy of the drawn geometry, so they are made only
    // while someone draws them: the first user gets one of the scene as it
    // stands, and the last one's leaving frees them.
    void addSnapshotUser();
    void removeSnapshotUser();

    // The scene as last committed (empty while nobody draws snapshots).
    // Never takes the scene lock.
    std::shared_ptr<const SceneSnapshot> snapshot() const;
    // The generation of the newest snapshot, cheaper than taking it.
    uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

    using Listener = std::function<void(const SceneDelta&)>;
    // The listener hears every commit until unsubscribe(id).
    int subscribe(Listener listener);
    void unsubscribe(int id);

    // The stable id of a scene object (0 for none), kept while the object lives.
    uint64_t idOf(const CadObject* object);
    // The live object an id names; null when it is gone.
    CadObject* objectById(uint64_t id);

    // The core's own flag that a change wants every view drawn again: read
    // and cleared, or set.
    static bool takeRedrawRequest() { return GetSceneChanged() != 0; }
    static void setRedrawRequest(bool on) { SetSceneChanged(on ? 1 : 0); }

    // Recorders of edits tell the open transaction what they reshape.
    static void noteReshaped(const CadObject* object);
    static void noteRecorded();
    // The open change did more than its recorder could say: every object
    // counts as reshaped.
    static void noteUnaccounted();
    // An edit's step was recorded under this name.
    static void noteStep(const std::string& name);
    // What the open transaction touches besides what it said at its start.
    static void noteTouches(uint32_t what);

    // Forgets the snapshot, the ids and the history (the core was reset).
    void resetForTests();

private:
    struct Cached {
        uint64_t id = 0;
        CadObject drawn{};   // the fields the snapshot object was made from
        std::string textureKey;
        std::shared_ptr<const SnapshotGeometry> geometry;
        std::shared_ptr<const SnapshotObject> object;
        bool wire = false;  // drawn as wire: a member a difference takes away
        std::string picture;  // the picture it is painted with through its uvs
    };
    struct Open {
        int depth = 0;
        SceneDelta delta;
        std::unordered_set<const CadObject*> reshaped;
        bool recorded = false;  // an edit's recorder spoke for the objects
        bool movesOnly = false;
        KxObjectReleaseHook previousHook = nullptr;
    };
    friend class Transaction;
    friend class Reading;
    bool begin(uint32_t what);
    void end();
    void publish(const Open& open);
    void publishEmpty();
    std::shared_ptr<const SnapshotObject> snapshotObject(CadObject& object, Cached& cached, bool reshaped,
                                                         bool texturesChanged);
    static void forgetFreed(CadObject* object, int whole);

    std::recursive_mutex lock_;
    // Guarded by lock_.
    Open open_;
    std::unordered_map<const CadObject*, Cached> cache_;
    uint64_t nextId_ = 1;
    uint64_t textureGeneration_ = 0;
    int snapshotUsers_ = 0;
    EditHistory history_;

    mutable std::mutex published_lock_;
    std::shared_ptr<const SceneSnapshot> published_;
    std::atomic<uint64_t> generation_{0};

    std::mutex listeners_lock_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 1;
};

// The process's scene model.
SceneModel& sceneModel();

// Inside a change that replaces the scene: the objects and the scene's
// event scripts go, and a fresh, empty scene stands.
void emptyScene();

}  // namespace kx::app

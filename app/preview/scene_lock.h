// The one lock between the user-interface thread, which changes the scene,
// and the preview thread, which reads it. Every change to the object list,
// geometry, camera or texture list happens inside a SceneChange; each one
// moves the change counter, so the preview thread can tell after taking the
// lock whether anything it remembered from before may be gone.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

struct CadObject;

namespace kx::app {

class SceneLock {
public:
    // Recursive: one change may be made of others on the same thread.
    static std::recursive_mutex& mutex();
    // Moved by every SceneChange, read by the preview under the lock.
    static uint64_t changeCount();
    static void countChange();
    // Moved, inside a SceneChange, by every change of the texture list.
    static uint64_t textureChangeCount();
    static void countTextureChange();
    // Takes the lock ahead of the preview thread: a mutex lets the thread
    // that gives it back take it again at once, so the preview, which gives
    // it back between objects and slices of a mesh, first lets in whoever
    // waits this way. Throws as std::recursive_mutex::lock does.
    static void lockAhead();
    // Returns once no thread waits in lockAhead(), or after a few
    // milliseconds at most: a caller that already holds the lock further out
    // would otherwise wait for a waiter that waits for it.
    static void letWaitersIn();
};

// Holds the scene lock for one change on the user-interface thread. When the
// lock cannot be taken it reports "Error WaitForSingleObject failed" and
// owns() is false: the change must not be made.
class SceneChange {
public:
    SceneChange();
    ~SceneChange();
    SceneChange(const SceneChange&) = delete;
    SceneChange& operator=(const SceneChange&) = delete;
    bool owns() const { return owns_; }

private:
    bool owns_ = false;
};

// Rebuilds an object after its parameters changed, under the scene lock.
// No object is reported as "Invalid CAD Object, %s line %d". Returns the
// rebuild's result, 0 when nothing was rebuilt.
int RebuildSceneObject(CadObject* object);

}  // namespace kx::app

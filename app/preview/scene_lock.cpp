#include "preview/scene_lock.h"

#include <system_error>

#include "kxcore.h"

namespace kx::app {

namespace {
std::atomic<uint64_t> changes{0};
std::atomic<uint64_t> textureChanges{0};
}  // namespace

std::recursive_mutex& SceneLock::mutex() {
    static std::recursive_mutex m;
    return m;
}

uint64_t SceneLock::changeCount() { return changes.load(std::memory_order_acquire); }

void SceneLock::countChange() { changes.fetch_add(1, std::memory_order_acq_rel); }

uint64_t SceneLock::textureChangeCount() { return textureChanges.load(std::memory_order_acquire); }

void SceneLock::countTextureChange() { textureChanges.fetch_add(1, std::memory_order_acq_rel); }

SceneChange::SceneChange() {
    try {
        SceneLock::mutex().lock();
        owns_ = true;
        // Counted before the change, so that a reader that took the lock
        // after it sees the count moved.
        SceneLock::countChange();
    } catch (const std::system_error&) {
        ErrorMessage("Error WaitForSingleObject failed");
    }
}

SceneChange::~SceneChange() {
    if (owns_) SceneLock::mutex().unlock();
}

int RebuildSceneObject(CadObject* object) {
    if (!object) {
        ErrorMessage("Invalid CAD Object, %s line %d", __FILE__, __LINE__);
        return 0;
    }
    SceneChange change;
    if (!change.owns()) return 0;
    return RebuildObjectEx(object, 1);
}

}  // namespace kx::app

#include "preview/scene_lock.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "kxcore.h"

namespace kx::app {

namespace {
std::atomic<uint64_t> changes{0};
std::atomic<uint64_t> textureChanges{0};
std::atomic<int> waitingAhead{0};
}  // namespace

std::recursive_mutex& SceneLock::mutex() {
    static std::recursive_mutex m;
    return m;
}

uint64_t SceneLock::changeCount() { return changes.load(std::memory_order_acquire); }

void SceneLock::countChange() { changes.fetch_add(1, std::memory_order_acq_rel); }

uint64_t SceneLock::textureChangeCount() { return textureChanges.load(std::memory_order_acquire); }

void SceneLock::countTextureChange() { textureChanges.fetch_add(1, std::memory_order_acq_rel); }

void SceneLock::lockAhead() {
    waitingAhead.fetch_add(1, std::memory_order_acq_rel);
    struct Arrived {
        ~Arrived() { waitingAhead.fetch_sub(1, std::memory_order_acq_rel); }
    } arrived;
    mutex().lock();
}

void SceneLock::letWaitersIn() {
    constexpr auto kLongest = std::chrono::milliseconds(20);
    const auto start = std::chrono::steady_clock::now();
    while (waitingAhead.load(std::memory_order_acquire) > 0 && std::chrono::steady_clock::now() - start < kLongest)
        std::this_thread::yield();
}

SceneChange::SceneChange() {
    try {
        SceneLock::lockAhead();
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

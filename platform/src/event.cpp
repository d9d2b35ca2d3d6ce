#include "kxplatform/event.h"

namespace kx::platform {

void Event::set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    // One waiter is enough for an auto-reset event: it takes the signal.
    if (mode_ == Reset::Automatic) changed_.notify_one();
    else changed_.notify_all();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

void Event::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return set_; });
    if (mode_ == Reset::Automatic) set_ = false;
}

bool Event::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return set_; })) return false;
    if (mode_ == Reset::Automatic) set_ = false;
    return true;
}

bool Event::tryConsume() {
    std::lock_guard lock(mutex_);
    if (!set_) return false;
    if (mode_ == Reset::Automatic) set_ = false;
    return true;
}

bool Event::isSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

}  // namespace kx::platform

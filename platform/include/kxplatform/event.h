// A signal one thread raises and another waits for. An auto-reset event lets
// exactly one wait through per set() and clears itself; a manual-reset event
// stays set until reset().
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kx::platform {

class Event {
public:
    enum class Reset { Automatic, Manual };

    explicit Event(Reset mode, bool initiallySet = false) : mode_(mode), set_(initiallySet) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    // Waits until the event is set; an auto-reset event is consumed.
    void wait();
    // As wait(), giving up after timeout: false when it ran out.
    bool waitFor(std::chrono::milliseconds timeout);
    // Without waiting: true when set (and, auto-reset, consumes it).
    bool tryConsume();
    // Whether the event is set, consuming nothing.
    bool isSet() const;

private:
    const Reset mode_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;
};

}  // namespace kx::platform

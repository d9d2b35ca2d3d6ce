// Work shared among threads that start together: the calling thread is part
// 0, each helper the next part; when a helper cannot be had, the parts there
// are share the work.
#pragma once

#include <latch>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace kxr {

// Helper threads kept from one frame to the next. Starting threads for each
// frame cost their stacks' first touches and the start itself, a twentieth
// of a small scene's redraw. One run at a time holds them; a run that finds
// them held (another picture drawn on another thread) starts its own.
class KeptHelpers {
public:
    using Job = void (*)(void* context, int part);

    // Takes the kept helpers for one run, at most `wanted` of them, growing
    // their number as needed. Empty (helpers() < 0) when another run holds them.
    class Lease {
    public:
        explicit Lease(int wanted);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        int helpers() const { return helpers_; }
        // Starts job(context, part) on parts 1..helpers() and returns at once.
        void start(Job job, void* context);
        // Returns when every started part has.
        void wait();

    private:
        int helpers_ = -1;
        bool started_ = false;
    };
};

// Runs work(part) on up to `parts` threads. told(participants) learns how
// many there are before any part starts.
template <class Told, class Work>
void runAsTeam(int parts, Told told, Work work) {
    if (parts > 1) {
        KeptHelpers::Lease lease(parts - 1);
        if (lease.helpers() >= 0) {
            told(lease.helpers() + 1);
            lease.start([](void* context, int part) { (*static_cast<Work*>(context))(part); }, &work);
            work(0);
            lease.wait();
            return;
        }
    }
    std::latch ready(1);
    auto helper = [&](int part) {
        ready.wait();
        work(part);
    };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(parts > 1 ? parts - 1 : 0);
        for (int part = 1; part < parts; ++part) helpers.emplace_back(helper, part);
    } catch (const std::system_error&) {
        // Fewer threads.
    } catch (const std::bad_alloc&) {
    }
    told(static_cast<int>(helpers.size()) + 1);
    ready.count_down();
    work(0);
    for (std::thread& t : helpers) t.join();
}

}  // namespace kxr

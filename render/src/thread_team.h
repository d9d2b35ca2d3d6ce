// Work shared among threads that start together: the calling thread is part
// 0, each helper the next part; when a helper cannot be made the parts there
// are share the work.
#pragma once

#include <latch>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace kxr {

// Runs work(part) on up to `parts` threads. told(participants) learns how
// many there are before any part starts.
template <class Told, class Work>
void runAsTeam(int parts, Told told, Work work) {
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

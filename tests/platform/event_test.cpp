#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kxplatform/event.h"

using kx::platform::Event;
using namespace std::chrono_literals;

TEST(Event, ResetModesDifferInWhatAWaitLeavesBehind) {
    struct Case {
        Event::Reset mode;
        bool setAfterConsume;
    };
    for (const Case& c : {Case{Event::Reset::Automatic, false}, Case{Event::Reset::Manual, true}}) {
        SCOPED_TRACE(c.mode == Event::Reset::Automatic ? "automatic" : "manual");
        Event e(c.mode);
        EXPECT_FALSE(e.tryConsume());
        EXPECT_FALSE(e.waitFor(1ms));
        e.set();
        e.set();  // setting twice is one signal
        EXPECT_TRUE(e.tryConsume());
        EXPECT_EQ(e.isSet(), c.setAfterConsume);
        EXPECT_EQ(e.waitFor(1ms), c.setAfterConsume);
        e.reset();
        EXPECT_FALSE(e.isSet());
        Event initially(c.mode, true);
        initially.wait();
        EXPECT_EQ(initially.isSet(), c.setAfterConsume);
    }
}

TEST(Event, AutomaticLetsOneWaiterThroughPerSignal) {
    Event e(Event::Reset::Automatic);
    std::atomic<int> through{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (e.waitFor(2s)) ++through;
        });
    e.set();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(through.load(), 1);
    e.set();
    e.set();
    for (auto& t : waiters) t.join();
    EXPECT_GE(through.load(), 2);
    EXPECT_LE(through.load(), 3);
}

TEST(Event, ManualReleasesEveryWaiter) {
    Event e(Event::Reset::Manual);
    std::atomic<int> through{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            e.wait();
            ++through;
        });
    e.set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(through.load(), 3);
}

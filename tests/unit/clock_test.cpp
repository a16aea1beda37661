#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tmx7;
using namespace std::chrono_literals;

TEST(VirtualClock, SingleSleeperAdvancesAtOnce) {
    VirtualClock clock;
    const auto start = clock.now();
    const auto realStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(clock.sleepFor(7000ms));
    EXPECT_EQ(clock.now() - start, 7000ms);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, 1s);
    EXPECT_EQ(clock.totalSlept(), 7000ms);
}

TEST(VirtualClock, WaitsForAllParticipantsBeforeMoving) {
    VirtualClock clock(2);
    const auto start = clock.now();
    std::atomic<bool> firstDone{false};
    std::thread first([&] {
        clock.sleepFor(100ms);
        firstDone = true;
        clock.leave();
    });
    while (clock.sleepers() < 1)
        std::this_thread::yield();
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(firstDone.load()) << "time moved with only one of two participants asleep";
    EXPECT_EQ(clock.now(), start);
    clock.sleepFor(300ms); // second participant: earliest deadline (100) first, then 300
    first.join();
    EXPECT_TRUE(firstDone.load());
    EXPECT_EQ(clock.now() - start, 300ms);
}

TEST(VirtualClock, ManualAdvanceWithoutAuto) {
    VirtualClock clock;
    clock.setAutoAdvance(false);
    std::atomic<bool> woke{false};
    std::thread t([&] {
        clock.sleepFor(50ms);
        woke = true;
    });
    while (clock.sleepers() < 1)
        std::this_thread::yield();
    clock.advance(49ms);
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(woke.load());
    clock.advance(1ms);
    t.join();
    EXPECT_TRUE(woke.load());
}

TEST(Clock, StopInterruptsSleepOnBothClocks) {
    VirtualClock vclock;
    vclock.setAutoAdvance(false);
    for (Clock* clock : {static_cast<Clock*>(&vclock), &RealClock()}) {
        StopSignal stop;
        std::thread t([&] { stop.request(); });
        const auto realStart = std::chrono::steady_clock::now();
        EXPECT_FALSE(clock->sleepFor(10s, &stop));
        t.join();
        EXPECT_LT(std::chrono::steady_clock::now() - realStart, 2s);
        EXPECT_FALSE(clock->sleepFor(1ms, &stop)) << "a requested stop ends later sleeps at once";
    }
}

TEST(RealClock, SleepsAtLeastTheTimeAsked) {
    const auto start = RealClock().now();
    EXPECT_TRUE(RealClock().sleepFor(15ms));
    EXPECT_GE(RealClock().now() - start, 15ms);
}

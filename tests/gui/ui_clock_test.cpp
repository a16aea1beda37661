#include "gui/UiClock.h"

#include "QtTestApp.h"

#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <thread>

using namespace tmx7;
using namespace std::chrono_literals;

TEST(UiClock, WaitKeepsTimersRunningAndHoldsInput) {
    QWidget window;
    window.show();
    gui::InputGate gate(&window);
    gui::UiClock clock(&gate);
    int ticks = 0;
    bool heldDuringTick = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        heldDuringTick = heldDuringTick || gate.IsHeld();
    });
    timer.start(10);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(clock.sleepFor(200ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_GE(ticks, 5) << "timers must fire while a sequence waits";
    EXPECT_TRUE(heldDuringTick);
    EXPECT_FALSE(gate.IsHeld()) << "input flows again after the wait";
}

TEST(UiClock, VirtualBaseRunsLongWaitsInstantly) {
    VirtualClock base;
    gui::UiClock clock(nullptr, base);
    const auto start = std::chrono::steady_clock::now();
    const auto vstart = clock.now();
    EXPECT_TRUE(clock.sleepFor(33s));
    EXPECT_EQ(clock.now() - vstart, 33s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(UiClock, StopEndsTheWaitAndOtherThreadsWaitPlainly) {
    gui::UiClock clock;
    StopSignal stop;
    QTimer::singleShot(20, [&] { stop.request(); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(clock.sleepFor(10s, &stop));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    bool slept = false;
    std::thread other([&] { slept = clock.sleepFor(15ms); });
    other.join();
    EXPECT_TRUE(slept);
}

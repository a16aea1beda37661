#pragma once
// Time source for every wait in link/, protocol/ and settings/.
// Production code uses RealClock(); tests use VirtualClock so that a
// 7-second wait on the wire costs microseconds of test time.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tmx7 {

using Millis = std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

// A stop request that interrupts waits. Set once, never cleared.
class StopSignal {
public:
    void request();
    bool requested() const { return m_stopped.load(std::memory_order_acquire); }
    // Blocks in real time until the stop is requested or `d` has passed.
    // Returns true when stopped.
    bool waitFor(std::chrono::microseconds d);

private:
    std::atomic<bool> m_stopped{false};
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    // Sleeps for `d`. With a stop signal the sleep ends early once a stop is
    // requested; the result is false in that case, true when the full time passed.
    virtual bool sleepFor(Millis d, StopSignal* stop = nullptr) = 0;

    // Milliseconds since an arbitrary fixed origin; handy for logs and records.
    long long nowMs() const;
};

// The process-wide steady clock.
Clock& RealClock();

// Real time running `factor` times faster: every sleep takes 1/factor of
// its length and now() advances `factor` times as fast. Sequences keep their
// order and proportions against a peer that answers in real time, which is
// what tests of whole programs need when a VirtualClock cannot reach into them.
class ScaledClock : public Clock {
public:
    explicit ScaledClock(int factor);
    TimePoint now() const override;
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override;
    int factor() const { return m_factor; }

private:
    int m_factor;
    TimePoint m_start;
};

// A clock for tests of sequences: every sleep returns at once and moves the
// clock on by its length, so a wait of minutes takes no time and the order
// of what was written and waited is kept exactly.
class VirtualClock : public Clock {
public:
    TimePoint now() const override;
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override;
    // Total time slept so far.
    Millis totalSlept() const;

private:
    mutable std::mutex m_mutex;
    TimePoint m_now = TimePoint{} + std::chrono::hours(1);
    Millis m_totalSlept{0};
};

} // namespace tmx7

#pragma once
// Time source for every wait in link/, protocol/ and settings/.
// Production code uses RealClock(); tests use VirtualClock so that a
// 7-second wait on the wire costs microseconds of test time.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

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

// A clock that moves only when told to. With auto-advance on, time jumps to
// the earliest pending deadline as soon as `participants` threads are all
// asleep on it (a single-threaded sequence therefore runs without waiting).
class VirtualClock : public Clock {
public:
    explicit VirtualClock(int participants = 1);
    TimePoint now() const override;
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override;

    void advance(Millis d);
    void setAutoAdvance(bool on);
    void setParticipants(int n);
    // A participating thread that will not sleep on this clock again.
    void leave();
    int sleepers() const;
    // Total virtual time slept so far by all sleepers together.
    Millis totalSlept() const;

private:
    void advanceToLocked(TimePoint t);
    void maybeAutoAdvanceLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    TimePoint m_now;
    std::vector<TimePoint> m_deadlines;
    int m_participants;
    bool m_autoAdvance = true;
    Millis m_totalSlept{0};
};

} // namespace tmx7

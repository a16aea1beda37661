#include "platform/Clock.h"

#include <algorithm>
#include <thread>

namespace tmx7 {

void StopSignal::request() {
    {
        std::lock_guard lock(m_mutex);
        m_stopped.store(true, std::memory_order_release);
    }
    m_cv.notify_all();
}

bool StopSignal::waitFor(std::chrono::microseconds d) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, d, [this] { return m_stopped.load(std::memory_order_acquire); });
}

long long Clock::nowMs() const {
    return std::chrono::duration_cast<Millis>(now().time_since_epoch()).count();
}

namespace {

class SteadyClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    bool sleepFor(Millis d, StopSignal* stop) override {
        if (d.count() <= 0)
            return !(stop && stop->requested());
        if (stop)
            return !stop->waitFor(d);
        std::this_thread::sleep_for(d);
        return true;
    }
};

} // namespace

Clock& RealClock() {
    static SteadyClock clock;
    return clock;
}

ScaledClock::ScaledClock(int factor)
    : m_factor(std::max(factor, 1)), m_start(std::chrono::steady_clock::now()) {}

TimePoint ScaledClock::now() const {
    return m_start + (std::chrono::steady_clock::now() - m_start) * m_factor;
}

bool ScaledClock::sleepFor(Millis d, StopSignal* stop) {
    if (d.count() <= 0)
        return !(stop && stop->requested());
    const auto real = std::chrono::duration_cast<std::chrono::microseconds>(d) / m_factor;
    if (stop)
        return !stop->waitFor(real);
    std::this_thread::sleep_for(real);
    return true;
}

VirtualClock::VirtualClock(int participants)
    : m_now(TimePoint{} + std::chrono::hours(1)), m_participants(participants) {}

TimePoint VirtualClock::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

bool VirtualClock::sleepFor(Millis d, StopSignal* stop) {
    std::unique_lock lock(m_mutex);
    if (stop && stop->requested())
        return false;
    if (d.count() <= 0)
        return true;
    const TimePoint deadline = m_now + d;
    m_deadlines.push_back(deadline);
    maybeAutoAdvanceLocked();
    bool stopped = false;
    while (m_now < deadline) {
        if (stop && stop->requested()) {
            stopped = true;
            break;
        }
        // A stop request does not know about this clock, so look at it now and
        // then; time itself only moves through advance() or auto-advance.
        m_cv.wait_for(lock, std::chrono::milliseconds(2));
    }
    m_deadlines.erase(std::find(m_deadlines.begin(), m_deadlines.end(), deadline));
    maybeAutoAdvanceLocked();
    if (!stopped)
        m_totalSlept += d;
    return !stopped;
}

void VirtualClock::advance(Millis d) {
    std::lock_guard lock(m_mutex);
    advanceToLocked(m_now + d);
}

void VirtualClock::setAutoAdvance(bool on) {
    std::lock_guard lock(m_mutex);
    m_autoAdvance = on;
    maybeAutoAdvanceLocked();
}

void VirtualClock::setParticipants(int n) {
    std::lock_guard lock(m_mutex);
    m_participants = n;
    maybeAutoAdvanceLocked();
}

void VirtualClock::leave() {
    std::lock_guard lock(m_mutex);
    --m_participants;
    maybeAutoAdvanceLocked();
}

int VirtualClock::sleepers() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_deadlines.size());
}

Millis VirtualClock::totalSlept() const {
    std::lock_guard lock(m_mutex);
    return m_totalSlept;
}

void VirtualClock::advanceToLocked(TimePoint t) {
    if (t > m_now)
        m_now = t;
    m_cv.notify_all();
}

void VirtualClock::maybeAutoAdvanceLocked() {
    if (!m_autoAdvance || m_deadlines.empty())
        return;
    if (static_cast<int>(m_deadlines.size()) < m_participants)
        return;
    advanceToLocked(*std::min_element(m_deadlines.begin(), m_deadlines.end()));
}

} // namespace tmx7

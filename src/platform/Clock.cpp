#include "platform/Clock.h"

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

TimePoint VirtualClock::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

bool VirtualClock::sleepFor(Millis d, StopSignal* stop) {
    if (stop && stop->requested())
        return false;
    std::lock_guard lock(m_mutex);
    if (d.count() > 0) {
        m_now += d;
        m_totalSlept += d;
    }
    return true;
}

Millis VirtualClock::totalSlept() const {
    std::lock_guard lock(m_mutex);
    return m_totalSlept;
}

} // namespace tmx7

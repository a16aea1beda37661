#include "gui/UiClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <optional>

namespace tmx7::gui {

UiClock::UiClock(InputGate* gate, Clock& base)
    : m_gate(gate), m_base(base), m_uiThread(std::this_thread::get_id()) {}

bool UiClock::sleepFor(Millis d, StopSignal* stop) {
    if (std::this_thread::get_id() != m_uiThread || !QCoreApplication::instance())
        return m_base.sleepFor(d, stop);
    std::optional<InputHold> hold;
    if (m_gate)
        hold.emplace(*m_gate);
    const TimePoint deadline = m_base.now() + d;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (stop && stop->requested())
            return false;
        const TimePoint now = m_base.now();
        if (now >= deadline)
            return true;
        const auto left = std::chrono::duration_cast<Millis>(deadline - now);
        if (!m_base.sleepFor(std::min(left, kSlice), stop))
            return false;
    }
}

} // namespace tmx7::gui

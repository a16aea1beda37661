#include "cli/Console.h"

#include <cstdio>
#include <cstring>

namespace tmx7::cli {

void Console::Out(const std::string& text) {
    std::lock_guard lock(m_mutex);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void Console::Err(const std::string& unit, const std::string& text) {
    const std::string line = (unit.empty() ? "" : unit + ": ") + text + "\n";
    std::lock_guard lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

namespace {

std::string WhyLost(const SerialResult& why) {
    switch (why.error) {
    case SerialError::Lost:
        return "the port hung up (adapter unplugged?)";
    case SerialError::NotFound:
        return "the device is gone";
    default:
        return why.sysErrno ? std::string("the port failed: ") + std::strerror(why.sysErrno)
                            : std::string("the port failed");
    }
}

} // namespace

UnitSink::UnitSink(Console& console, std::string unit)
    : m_console(console), m_unit(std::move(unit)) {}

void UnitSink::Expect(std::vector<Bar> bars) {
    std::lock_guard lock(m_mutex);
    m_bars = std::move(bars);
    m_next = 0;
    m_open = nullptr;
}

void UnitSink::Show(int percent, const std::string& what) {
    // A refresh steps its bar back from 180 to 170 and the phases of a unit
    // overlap at their ends: only a larger figure is news. Every tenth is
    // enough for a line per port.
    if (percent <= m_printed || (percent < 100 && percent < m_printed + 10 && m_printed >= 0))
        return;
    m_printed = percent;
    m_console.Err(m_unit, what + " " + std::to_string(percent) + "%");
}

void UnitSink::Post(std::vector<Event> events) {
    std::lock_guard lock(m_mutex);
    for (const Event& event : events) {
        if (const auto* shown = std::get_if<ProgressShown>(&event)) {
            if (shown->shown && m_next < m_bars.size()) {
                m_open = &m_bars[m_next++];
                Show(m_open->from, m_open->what);
            } else if (!shown->shown) {
                m_open = nullptr; // the bar's last steps run hidden
            }
        } else if (const auto* p = std::get_if<Progress>(&event); p && m_open && p->total > 0) {
            Show(m_open->from + (m_open->to - m_open->from) * p->done / p->total, m_open->what);
        } else if (const auto* finished = std::get_if<SequenceFinished>(&event)) {
            if (finished->outcome.ok() && !m_bars.empty())
                Show(m_bars.back().to, m_bars.back().what);
        } else if (const auto* notice = std::get_if<Notice>(&event)) {
            m_lastNotice = notice->text;
            m_console.Err(m_unit, notice->text);
        } else if (const auto* step = std::get_if<DetectStep>(&event)) {
            m_console.Err(m_unit, step->caption);
        } else if (const auto* lost = std::get_if<tmx7::PortLost>(&event)) {
            m_lost = true;
            m_lostReason = WhyLost(lost->why);
            m_console.Err(m_unit, m_lostReason);
        } else if (const auto* failed = std::get_if<WriteFailed>(&event)) {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", Byte(failed->code));
            m_console.Err(m_unit,
                          std::string("a ") + code + " frame was not sent (" +
                              (failed->status == WriteStatus::Refused ? "line busy" : "no port") +
                              ")");
        }
    }
}

std::string UnitSink::LastNotice() const {
    std::lock_guard lock(m_mutex);
    return m_lastNotice;
}

bool UnitSink::PortLost() const {
    std::lock_guard lock(m_mutex);
    return m_lost;
}

std::string UnitSink::LostReason() const {
    std::lock_guard lock(m_mutex);
    return m_lostReason;
}

} // namespace tmx7::cli

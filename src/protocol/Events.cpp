#include "protocol/Events.h"

#include <sstream>

namespace tmx7 {

void EventLog::Post(std::vector<Event> events) {
    std::lock_guard lock(m_mutex);
    for (auto& e : events)
        m_events.push_back(std::move(e));
}

std::vector<Event> EventLog::Events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

void EventLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_events.clear();
}

ShownValues::ShownValues() {
    m_values.fill(kUnknownValue);
}

void ShownValues::Post(std::vector<Event> events) {
    std::lock_guard lock(m_mutex);
    for (const auto& event : events) {
        std::visit(
            [this](const auto& e) {
                using T = std::decay_t<decltype(e)>;
                if constexpr (std::is_same_v<T, ValueShown>) {
                    m_values[static_cast<std::size_t>(e.field)] = e.text;
                } else if constexpr (std::is_same_v<T, PageShown>) {
                    if (e.page != Page::General)
                        m_pages[static_cast<std::size_t>(e.page)] = e.shown;
                } else if constexpr (std::is_same_v<T, Status>) {
                    m_status[static_cast<std::size_t>(e.slot)] = e.text;
                } else if constexpr (std::is_same_v<T, Received>) {
                    if (e.epoch < m_epoch)
                        return;
                    m_received.emplace_back(e.epoch, e.text);
                    m_receivedBytes += e.text.size();
                    while (m_receivedBytes > kReceivedLimit && m_received.size() > 1) {
                        m_receivedBytes -= m_received.front().second.size();
                        m_received.pop_front();
                    }
                } else if constexpr (std::is_same_v<T, ReceiveCleared>) {
                    m_epoch = std::max(m_epoch, e.epoch);
                    std::erase_if(m_received, [this](const auto& chunk) {
                        if (chunk.first >= m_epoch)
                            return false;
                        m_receivedBytes -= chunk.second.size();
                        return true;
                    });
                } else if constexpr (std::is_same_v<T, SequenceFinished>) {
                    m_finished.push_back(e);
                }
            },
            event);
    }
}

std::string ShownValues::Value(Field field) const {
    std::lock_guard lock(m_mutex);
    return m_values[static_cast<std::size_t>(field)];
}

std::array<std::string, kFieldCount> ShownValues::Values() const {
    std::lock_guard lock(m_mutex);
    return m_values;
}

bool ShownValues::PageThere(Page page) const {
    std::lock_guard lock(m_mutex);
    return m_pages[static_cast<std::size_t>(page)];
}

std::string ShownValues::StatusText(StatusSlot slot) const {
    std::lock_guard lock(m_mutex);
    return m_status[static_cast<std::size_t>(slot)];
}

std::string ShownValues::ReceivedText() const {
    std::lock_guard lock(m_mutex);
    std::string out;
    out.reserve(m_receivedBytes);
    for (const auto& chunk : m_received)
        out += chunk.second;
    return out;
}

std::optional<Outcome> ShownValues::LastOutcome(SequenceKind kind) const {
    std::lock_guard lock(m_mutex);
    for (auto it = m_finished.rbegin(); it != m_finished.rend(); ++it)
        if (it->kind == kind)
            return it->outcome;
    return std::nullopt;
}

void FanOut::Post(std::vector<Event> events) {
    for (std::size_t i = 0; i + 1 < m_sinks.size(); ++i)
        m_sinks[i]->Post(events);
    if (!m_sinks.empty())
        m_sinks.back()->Post(std::move(events));
}

std::string_view KeyOf(Field field) {
    return InfoOf(field).key;
}

namespace {

constexpr std::string_view kOutcomeNames[] = {"completed", "answers missing", "port lost",
                                              "stopped",   "write refused",   "failed"};
constexpr std::string_view kSequenceNames[] = {"connect",  "open port", "refresh", "set",
                                               "download", "read",      "export",  "probe",
                                               "detect",   "reconnect"};

} // namespace

std::string ToString(const Outcome& outcome) {
    std::string out(kOutcomeNames[static_cast<std::size_t>(outcome.kind)]);
    for (std::size_t i = 0; i < outcome.missing.size(); ++i)
        out += (i == 0 ? ": " : ", ") + std::string(KeyOf(outcome.missing[i]));
    if (!outcome.detail.empty())
        out += " (" + outcome.detail + ")";
    return out;
}

std::string ToString(const Event& event) {
    std::ostringstream os;
    std::visit(
        [&os](const auto& e) {
            using T = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<T, ValueShown>)
                os << "ValueShown{" << KeyOf(e.field) << ", \"" << e.text << "\"}";
            else if constexpr (std::is_same_v<T, CommandEnabled>)
                os << "CommandEnabled{" << static_cast<int>(e.command) << ", " << e.on << "}";
            else if constexpr (std::is_same_v<T, PageShown>)
                os << "PageShown{" << PageOf(e.page).caption << ", " << e.shown << "}";
            else if constexpr (std::is_same_v<T, PageSelected>)
                os << "PageSelected{" << PageOf(e.page).caption << "}";
            else if constexpr (std::is_same_v<T, ProgressShown>)
                os << "ProgressShown{" << e.shown << "}";
            else if constexpr (std::is_same_v<T, Progress>)
                os << "Progress{" << e.done << "/" << e.total << "}";
            else if constexpr (std::is_same_v<T, Status>)
                os << "Status{" << static_cast<int>(e.slot) << ", \"" << e.text << "\"}";
            else if constexpr (std::is_same_v<T, Received>)
                os << "Received{\"" << e.text << "\", " << e.epoch << "}";
            else if constexpr (std::is_same_v<T, ReceiveCleared>)
                os << "ReceiveCleared{" << e.epoch << "}";
            else if constexpr (std::is_same_v<T, Notice>)
                os << "Notice{\"" << e.text << "\"}";
            else if constexpr (std::is_same_v<T, PortLost>)
                os << "PortLost{COM" << e.port << "}";
            else if constexpr (std::is_same_v<T, WriteFailed>)
                os << "WriteFailed{COM" << e.port << ", " << static_cast<int>(e.status) << "}";
            else if constexpr (std::is_same_v<T, Connected>)
                os << "Connected{COM" << e.port << ", " << e.baud << ", " << e.lineFormat << "}";
            else if constexpr (std::is_same_v<T, DetectStep>)
                os << "DetectStep{" << e.baud << "}";
            else if constexpr (std::is_same_v<T, Reconnected>)
                os << "Reconnected{COM" << e.port << ", " << e.baud << ", " << e.lineFormat << ", "
                   << e.path << "}";
            else if constexpr (std::is_same_v<T, PortsChanged>)
                os << "PortsChanged{}";
            else if constexpr (std::is_same_v<T, Traffic>)
                os << "Traffic{COM" << e.port << ", "
                   << (e.direction == Direction::Sent ? "sent" : "received") << ", "
                   << e.bytes.size() << " bytes}";
            else if constexpr (std::is_same_v<T, SequenceFinished>)
                os << "SequenceFinished{" << kSequenceNames[static_cast<std::size_t>(e.kind)]
                   << ", " << ToString(e.outcome) << "}";
        },
        event);
    return os.str();
}

} // namespace tmx7

#include "protocol/DisplayRecord.h"

#include <algorithm>
#include <type_traits>

namespace tmx7 {

void DisplayRecord::Apply(std::vector<ViewUpdate> updates) {
    std::lock_guard lock(m_mutex);
    for (auto& update : updates) {
        ++m_updates;
        std::visit(
            [this](auto& u) {
                using T = std::decay_t<decltype(u)>;
                if constexpr (std::is_same_v<T, SetText>) {
                    m_texts[u.controlId] = u.text;
                } else if constexpr (std::is_same_v<T, EnableControl>) {
                    m_enabled[u.controlId] = u.enabled;
                } else if constexpr (std::is_same_v<T, EnableMenu>) {
                    m_menus[u.commandId] = u.enabled;
                } else if constexpr (std::is_same_v<T, InsertTab>) {
                    if (std::find(m_tabs.begin(), m_tabs.end(), u.caption) == m_tabs.end()) {
                        const auto pos = std::min<std::size_t>(u.position, m_tabs.size());
                        m_tabs.insert(m_tabs.begin() + static_cast<std::ptrdiff_t>(pos), u.caption);
                    }
                } else if constexpr (std::is_same_v<T, DeleteTab>) {
                    if (u.position > 0 && static_cast<std::size_t>(u.position) < m_tabs.size())
                        m_tabs.erase(m_tabs.begin() + u.position);
                } else if constexpr (std::is_same_v<T, SelectTab>) {
                } else if constexpr (std::is_same_v<T, AppendReceived>) {
                    if (u.epoch >= m_receiveEpoch)
                        m_received += u.text;
                } else if constexpr (std::is_same_v<T, ClearReceived>) {
                    m_receiveEpoch = std::max(m_receiveEpoch, u.epoch);
                    m_received.clear();
                } else if constexpr (std::is_same_v<T, ShowControl>) {
                    m_shown[u.controlId] = u.shown;
                } else if constexpr (std::is_same_v<T, SetProgress>) {
                    m_progress = u.position;
                } else if constexpr (std::is_same_v<T, SetPane>) {
                    m_panes[u.index] = u.text;
                }
            },
            update);
    }
}

std::string DisplayRecord::Text(int controlId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_texts.find(controlId);
    return it == m_texts.end() ? std::string() : it->second;
}

std::vector<std::string> DisplayRecord::Tabs() const {
    std::lock_guard lock(m_mutex);
    return m_tabs;
}

std::string DisplayRecord::Pane(int index) const {
    std::lock_guard lock(m_mutex);
    auto it = m_panes.find(index);
    return it == m_panes.end() ? std::string() : it->second;
}

std::string DisplayRecord::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

int DisplayRecord::Progress() const {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

bool DisplayRecord::IsShown(int controlId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_shown.find(controlId);
    return it == m_shown.end() || it->second;
}

bool DisplayRecord::IsEnabled(int controlId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_enabled.find(controlId);
    return it == m_enabled.end() || it->second;
}

bool DisplayRecord::IsMenuEnabled(int commandId) const {
    std::lock_guard lock(m_mutex);
    auto it = m_menus.find(commandId);
    return it == m_menus.end() || it->second;
}

std::size_t DisplayRecord::UpdateCount() const {
    std::lock_guard lock(m_mutex);
    return m_updates;
}

} // namespace tmx7

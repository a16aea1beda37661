#include "protocol/DecoderShared.h"

#include <algorithm>

namespace tmx7 {

void DecoderShared::Await(CommandCode code) {
    std::lock_guard lock(m_mutex);
    if (std::find(m_awaited.begin(), m_awaited.end(), code) == m_awaited.end())
        m_awaited.push_back(code);
}

void DecoderShared::ClearAwaited() {
    std::lock_guard lock(m_mutex);
    m_awaited.clear();
}

void DecoderShared::NoteReceived(const std::uint8_t* bytes, std::size_t n, TimePoint at) {
    std::lock_guard lock(m_mutex);
    m_lastActivity = at;
    std::erase_if(m_awaited, [&](CommandCode code) {
        const auto header = AnswerHeader(code);
        return std::search(bytes, bytes + n, header.begin(), header.end()) != bytes + n;
    });
}

std::size_t DecoderShared::AwaitedCount() const {
    std::lock_guard lock(m_mutex);
    return m_awaited.size();
}

std::vector<CommandCode> DecoderShared::Awaited() const {
    std::lock_guard lock(m_mutex);
    return m_awaited;
}

TimePoint DecoderShared::LastActivity() const {
    std::lock_guard lock(m_mutex);
    return m_lastActivity;
}

} // namespace tmx7

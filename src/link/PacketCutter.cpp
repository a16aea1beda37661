#include "link/PacketCutter.h"

#include <algorithm>

namespace tmx7 {

PacketCutter::PacketCutter(std::chrono::microseconds gap, Post post)
    : m_gap(gap), m_post(std::move(post)) {}

void PacketCutter::Feed(std::span<const std::uint8_t> bytes, Time at) {
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), m_buffer.size() - m_length);
        std::copy_n(bytes.begin(), n, m_buffer.begin() + static_cast<std::ptrdiff_t>(m_length));
        m_length += n;
        bytes = bytes.subspan(n);
        if (m_length == m_buffer.size())
            Flush();
    }
    // The silence is counted from the last arrival, not from the first.
    if (m_length > 0)
        m_last = at;
}

std::optional<PacketCutter::Time> PacketCutter::Deadline() const {
    if (m_length == 0)
        return std::nullopt;
    return m_last + m_gap;
}

void PacketCutter::Expire(Time now) {
    if (m_length > 0 && now >= m_last + m_gap)
        Flush();
}

void PacketCutter::Flush() {
    const std::size_t n = m_length;
    m_length = 0;
    m_post(std::span<const std::uint8_t>(m_buffer.data(), n));
}

} // namespace tmx7

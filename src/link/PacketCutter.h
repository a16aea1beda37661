#pragma once
// Cuts a byte stream into packets, as the module's answers arrive: a packet
// ends when, after at least one byte, the line has been silent for the gap
// (the port's poll interval), or when it has reached 524 bytes, in which
// case collection goes on in the next packet at once. Pure: the caller says
// when bytes arrived and what time it is, so tests can trickle bytes in at
// line pace without a line.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace tmx7 {

inline constexpr int kPacketBytes = 524;

class PacketCutter {
public:
    using Time = std::chrono::steady_clock::time_point;
    using Post = std::function<void(std::span<const std::uint8_t>)>;

    PacketCutter(std::chrono::microseconds gap, Post post);

    // Bytes that came off the line at `at`. Every packet that reaches 524
    // bytes is posted before this returns.
    void Feed(std::span<const std::uint8_t> bytes, Time at);
    // When the packet being collected ends if nothing more arrives; nothing
    // while no byte is waiting.
    std::optional<Time> Deadline() const;
    // Posts the packet being collected when its silence has lasted by `now`.
    void Expire(Time now);
    // Ends the collection: posts what was collected, empty or not.
    void Flush();
    std::size_t Collected() const { return m_length; }

private:
    std::chrono::microseconds m_gap;
    Post m_post;
    std::array<std::uint8_t, kPacketBytes> m_buffer{};
    std::size_t m_length = 0;
    Time m_last{};
};

} // namespace tmx7

#include "protocol/TrafficText.h"

namespace tmx7 {

std::string TrafficLine(Direction direction, WallClock::time_point wall,
                        std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(24 + bytes.size() * 3);
    line += '[';
    line += LocalTimeOfDay(wall);
    line += "] ";
    line += direction == Direction::Sent ? "发→" : "收←";
    for (std::uint8_t b : bytes) {
        line += ' ';
        line += kDigits[b >> 4];
        line += kDigits[b & 0x0F];
    }
    return line;
}

std::string TrafficLine(const Traffic& traffic) {
    return TrafficLine(traffic.direction, WallTimeOf(traffic.time), traffic.bytes);
}

} // namespace tmx7

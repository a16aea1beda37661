#pragma once
// One line per packet for the timestamped receive display, tmx7ctl monitor
// and the traffic log: "[hh:mm:ss.mmm] 收← 1F 2F" for a packet received,
// "[hh:mm:ss.mmm] 发→ 1F 2F" for a frame sent, local time to the millisecond.

#include "platform/WallTime.h"
#include "protocol/Events.h"

#include <span>
#include <string>

namespace tmx7 {

std::string TrafficLine(Direction direction, WallClock::time_point wall,
                        std::span<const std::uint8_t> bytes);
// With the stamp's local time.
std::string TrafficLine(const Traffic& traffic);

} // namespace tmx7

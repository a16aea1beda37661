#pragma once
// Monotonic stamps shown as the time of day. Stamps are taken on the steady
// clock, so a wall clock set back or forward never reorders what happened;
// only their display goes through the wall clock.

#include "platform/Clock.h"

#include <chrono>
#include <string>

namespace tmx7 {

using WallClock = std::chrono::system_clock;

// The wall-clock time of a steady stamp: now on the wall clock, less how long
// ago the stamp was taken.
WallClock::time_point WallTimeOf(TimePoint stamp);

// "hh:mm:ss.mmm" in the local time zone.
std::string LocalTimeOfDay(WallClock::time_point wall);

} // namespace tmx7

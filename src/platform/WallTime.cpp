#include "platform/WallTime.h"

#include <cstdio>
#include <ctime>

namespace tmx7 {

WallClock::time_point WallTimeOf(TimePoint stamp) {
    const auto ago = std::chrono::steady_clock::now() - stamp;
    return WallClock::now() - std::chrono::duration_cast<WallClock::duration>(ago);
}

std::string LocalTimeOfDay(WallClock::time_point wall) {
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(wall.time_since_epoch());
    const auto secs = std::chrono::floor<std::chrono::seconds>(ms);
    const std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr)
        return "--:--:--.---";
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>((ms - secs).count()));
    return text;
}

} // namespace tmx7

#pragma once
// The module's parameters as the display strings the window shows.
// "********" marks a value that no answer has filled since the last refresh.

#include <string>

namespace tmx7 {

inline constexpr const char* kUnknownValue = "********";

struct ParamSet {
    std::string powerMode;
    std::string serialMode;
    std::string serialFormat;
    std::string serialBaud;
    std::string frequency;
    std::string airRate;
    std::string group;
    std::string passiveAddr;
    std::string saveAddr;
    std::string sleepPeriod;
    std::string wakeDelay;
    std::string portName;
    std::string power;
    std::string version;
    std::string addrStart;
    std::string addrLength;
    std::string groupMax;
    std::string addrType;
    int powerLevel = 0;

    bool operator==(const ParamSet&) const = default;
};

} // namespace tmx7

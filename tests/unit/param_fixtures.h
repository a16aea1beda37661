#pragma once
// Values the settings and parameter-file tests share.

#include "protocol/ParamSet.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tmx7::testing {

// A set frame: the command preamble followed by `tail` (code, 01, values).
inline std::vector<std::uint8_t> SetFrame(std::initializer_list<std::uint8_t> tail) {
    std::vector<std::uint8_t> b = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F};
    b.reserve(b.size() + tail.size());
    b.insert(b.end(), tail);
    return b;
}

// What an import of a missing parameter file gives.
inline ParamSet ImportDefaults() {
    ParamSet p;
    p.group = "00";
    p.powerMode = "普通模式";
    p.serialMode = "主动模式";
    p.frequency = "431.000MHz";
    p.airRate = "9600bps";
    p.powerLevel = 7;
    p.power = "7";
    p.passiveAddr = "30 30";
    p.saveAddr = "00 00";
    p.sleepPeriod = "2";
    p.wakeDelay = "0.3";
    return p;
}

} // namespace tmx7::testing

#pragma once
// A simulated module on a pty, registered under a COM number in a private
// port directory, with a port table to reach it.

#include "link/PortTable.h"
#include "platform/PortDirectory.h"
#include "sim/Simulator.h"

#include <memory>
#include <string>
#include <vector>

namespace tmx7::testing {

inline PortDirectory::Options IsolatedDirectory() {
    return {"/nonexistent", "/nonexistent",
            [](const std::string&) { return std::optional<std::string>(); }};
}

struct SimHarness {
    static constexpr int kPort = 5;
    sim::Simulator simulator;
    PortDirectory dir{IsolatedDirectory()};
    CPortTable table{dir};
    std::vector<std::string> messages;

    explicit SimHarness(sim::SimulatorOptions options = {}) : simulator(std::move(options)) {
        simulator.Start();
        dir.Map(kPort, simulator.SlavePath());
        table.SetMessageHandler([this](const std::string& m) { messages.push_back(m); });
    }

    static sim::SimulatorOptions Module(int baudCode, int formatCode = 0, int serialMode = 0,
                                        int powerMode = 0) {
        sim::SimulatorOptions o;
        o.state.serialBaud = static_cast<std::uint8_t>(baudCode);
        o.state.serialFormat = static_cast<std::uint8_t>(formatCode);
        o.state.serialMode = static_cast<std::uint8_t>(serialMode);
        o.state.powerMode = static_cast<std::uint8_t>(powerMode);
        return o;
    }
};

} // namespace tmx7::testing

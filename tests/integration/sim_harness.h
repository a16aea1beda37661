#pragma once
// A simulated module on a pty, registered under a COM number in a private
// port directory, with a port table to reach it.

#include "link/PortTable.h"
#include "platform/PortDirectory.h"
#include "sim/Simulator.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tmx7::testing {

inline PortDirectory::Options IsolatedDirectory() {
    return {"/nonexistent", "/nonexistent",
            [](const std::string&) { return std::optional<std::string>(); }};
}

// A pty drops the parity enable, so the simulated module learns the host's
// parity from the port table that drives the line, as a real UART would
// feel it.
inline void TellParity(sim::Simulator& simulator, const CPortTable& table, int port) {
    simulator.SetHostParitySource([&table, port]() -> std::optional<sim::Parity> {
        const auto format = table.FormatOf(port);
        if (!format)
            return std::nullopt;
        switch (format->parity) {
        case Parity::Odd:
            return sim::Parity::Odd;
        case Parity::Even:
            return sim::Parity::Even;
        default:
            return sim::Parity::None;
        }
    });
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
        TellParity(simulator, table, kPort);
    }
    ~SimHarness() { simulator.SetHostParitySource({}); }

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

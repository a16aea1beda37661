#pragma once
// The data test bench against a simulated module on a pty: the port table
// opened at the module's line settings, and the receive path as the window
// runs it (packets taken and decoded).

#include "link/PortTable.h"
#include "protocol/Decoder.h"
#include "sim/Simulator.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tmx7::testing {

inline sim::ModuleState ModuleAt(int baud, int serialMode) {
    sim::ModuleState s;
    s.serialBaud = *sim::RateCodeForBaud(baud);
    s.serialMode = static_cast<std::uint8_t>(serialMode);
    return s;
}

class DataRig {
public:
    DataRig(const sim::ModuleState& state, int port) : m_port(port), m_sim(Options(state)) {
        m_baud = sim::ModuleLine(state).baud;
    }
    ~DataRig() {
        m_table.Stop(m_port);
        m_sim.Stop();
        PortDirectory::System().Unmap(m_port);
    }

    // Starts the module and opens its line in the table.
    bool Start() {
        if (!m_sim.Start())
            return false;
        PortDirectory::System().Map(m_port, m_sim.SlavePath());
        return m_table.Open(m_port, m_baud, "n,8,1") == 1;
    }

    // Takes every packet queued now: raw bytes kept in order, the display
    // text built as the window builds it.
    void Drain() {
        while (auto p = m_table.TakeOldest(m_port)) {
            ++packets;
            received.insert(received.end(), p->begin(), p->end());
            std::vector<Event> events;
            std::vector<CommandCode> followUps;
            DecodePacketInto(p->data(), p->size(), decoder, events, followUps);
            for (const auto& e : events)
                if (const auto* a = std::get_if<Received>(&e)) {
                    shownChars += a->text.size();
                }
        }
    }

    // Drains until `bytes` have arrived or `limit` passed.
    bool WaitReceived(std::size_t bytes, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            Drain();
            if (received.size() >= bytes)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    CPortTable& Table() { return m_table; }
    sim::Simulator& Sim() { return m_sim; }
    int Port() const { return m_port; }
    int Baud() const { return m_baud; }

    DecoderState decoder;
    std::vector<std::uint8_t> received;
    std::size_t shownChars = 0; // everything ever decoded for the receive area
    std::size_t packets = 0;

private:
    static sim::SimulatorOptions Options(const sim::ModuleState& state) {
        sim::SimulatorOptions o;
        o.state = state;
        return o;
    }

    int m_port;
    int m_baud = 9600;
    sim::Simulator m_sim;
    CPortTable m_table;
};

} // namespace tmx7::testing

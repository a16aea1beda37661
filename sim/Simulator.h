#pragma once
// A simulated TMX7 module on a pseudo-terminal. The master side is the
// module; the tool opens SlavePath() as it would open a serial device.
// One thread reads what the host sends, runs the ProtocolEngine and writes
// the answers back, paced at the line's byte time.

#include "sim/ProtocolEngine.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tmx7::sim {

struct SimulatorOptions {
    ModuleState state;
    FaultConfig faults;
    // A pty delivers instantly; a real line needs 10 to 12 bit times per byte.
    bool pace = true;
    Millis minGap{15}; // shortest silence that ends a burst of input
    // How often to look again while no one holds the slave open. The master
    // reports POLLHUP continuously in that state, so polling it would spin.
    Millis closedBackoff{50};
};

class Simulator {
public:
    explicit Simulator(SimulatorOptions options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pty and starts the thread. False when the pty could not be
    // made; LastError() then holds the errno.
    bool Start();
    // Ends the thread (joined) and closes the pty. Safe to call twice.
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    std::string SlavePath() const { return m_slavePath; }
    int LastError() const { return m_error; }

    ModuleState State() const;
    void SetState(const ModuleState& state);
    FaultConfig Faults() const;
    // Takes effect for the next packet; packets already queued keep their form.
    void SetFaults(const FaultConfig& faults);
    void SetPacing(bool on);
    // The parity the host really uses, when the caller knows it (the pty
    // cannot tell "n" from "e"); nullopt gates on "odd or not" only.
    void SetHostParity(std::optional<Parity> parity);
    // Asked for the host's parity whenever bytes arrive, for a host in this
    // process whose tries change the parity (n, e, o) faster than a test
    // could say so. Called on the simulator's thread; takes precedence over
    // SetHostParity. An empty function detaches.
    void SetHostParitySource(std::function<std::optional<Parity>()> source);
    // Closes the master side: the host sees a hang-up, as when a USB adapter
    // is pulled. Returns once the master is closed; the simulator then stays
    // idle until Stop().
    void HangUp();
    bool HungUp() const { return m_hungUp.load(); }
    // Whether the host held the slave open when last looked at.
    bool SlaveOpen() const { return m_slaveOpen.load(); }

    std::vector<AuditedFrame> Frames() const;
    std::vector<ReceivedChunk> ReceivedChunks() const;
    std::size_t FrameCount() const;
    std::size_t MalformedCount() const;
    std::size_t BytesSent() const { return m_bytesSent.load(); }
    void ClearAudit();
    // Blocks until at least `count` frames have been audited (since the last
    // ClearAudit) or the timeout passed; true when they were.
    bool WaitForFrames(std::size_t count, Millis timeout) const;

private:
    struct Sending {
        OutPacket packet;
        TimePoint start;
        std::size_t offset = 0;
    };

    void Run();
    void Wake();
    HostLine ReadHostLine() const;
    void ReadInput(TimePoint now);
    // Writes what is due; returns when the next byte is due, if any.
    std::optional<TimePoint> WriteDue(TimePoint now);
    void DoHangUp();

    SimulatorOptions m_options;
    mutable std::mutex m_mutex; // guards m_engine, m_hostParity, m_pace
    mutable std::condition_variable m_framesCv;
    ProtocolEngine m_engine;
    std::optional<Parity> m_hostParity;
    mutable std::mutex m_sourceMutex; // held while the source is asked
    std::function<std::optional<Parity>()> m_paritySource;
    bool m_pace;

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_hangUpRequested{false};
    std::atomic<bool> m_hungUp{false};
    std::atomic<bool> m_slaveOpen{false};
    std::atomic<std::size_t> m_bytesSent{0};
    int m_master = -1;
    int m_wake = -1; // eventfd that interrupts the thread's poll
    int m_error = 0;
    std::string m_slavePath;

    // Thread-only.
    std::vector<Sending> m_sending;
    TimePoint m_lineFreeAt{};
};

} // namespace tmx7::sim

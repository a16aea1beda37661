#pragma once
// One module on one serial port and everything that talks to it: the port
// table, the answer decoder and a worker that runs one sequence at a time
// (connection, refresh, set, download, read, export, probe, detection). The
// window and tmx7ctl drive the same object; neither ever waits on the line.
//
// Every sequence waits through the Clock (tests pass a VirtualClock), tells
// what it does through the EventSink and ends with SequenceFinished carrying
// its Outcome. A sequence is never cut short by the program itself: a window
// that closes meanwhile waits for the end, so a module is never left
// half-configured. Only a lost port or the Session's destruction ends one
// early.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "platform/PortDirectory.h"
#include "protocol/DecoderShared.h"
#include "protocol/DecoderThread.h"
#include "protocol/Events.h"
#include "protocol/ParamFile.h"
#include "protocol/Settle.h"
#include "settings/SetCommands.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

namespace tmx7 {

// The port, baud rate and line format the sequences and the data sends use.
struct LinkChoice {
    int port = 1;
    int baud = 9600;
    std::string lineFormat = "n,8,1";
    bool operator==(const LinkChoice&) const = default;
};

class Session : private PortEvents {
public:
    explicit Session(EventSink& sink, Clock& clock = RealClock(),
                     PortDirectory& ports = PortDirectory::System());
    // Ends a running sequence early (Stopped), stops the decoder, closes the
    // ports and joins every thread.
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- the connection ---------------------------------------------------------
    void SetLink(const LinkChoice& link);
    LinkChoice Link() const;
    CPortTable& Ports() { return m_table; }
    bool PortOpen() const;

    // ---- what the engine knows of the module --------------------------------------
    DecoderState State() const;
    ParamSet Params() const;
    // Replaces the parameter set a download writes (an import).
    void SetParams(const ParamSet& params);
    // What the display shows: the last text of each field, pages, panes.
    const ShownValues& Shown() const { return m_shown; }

    // ---- sequences ------------------------------------------------------------------
    // Each starts on the worker and returns at once; false, with nothing
    // started, while another sequence runs.

    // The start-up connection: the connection text in the first pane, the
    // decoder when the port is really open, 100 ms, then the refresh.
    bool Connect();
    // "打开串口": opens the link's port again, starts the decoder, refreshes.
    bool OpenPort();
    bool Refresh();
    // Writes the plan's frame, waits, refreshes when the plan asks for it.
    bool Set(SetPlan plan);
    // Writes every value of `snapshot` with its pauses, then refreshes. With
    // `readBack` the closing refresh is a Read: it waits for the answers to
    // settle and ends AnswersMissing when some did not come, so a caller that
    // checks the module's values afterwards has them all (or knows it has not).
    bool Download(const ParamSet& snapshot, std::optional<SettleRule> readBack = std::nullopt);
    // Refreshes, then waits until every answer is in or the line has gone
    // quiet (`rule`). Ends AnswersMissing, naming the fields, when not all came.
    bool Read(SettleRule rule = {});
    // Reads, then writes the parameter file from what the display shows. A
    // read that lost its port or missed an answer writes nothing.
    bool Export(std::string path, SettleRule rule = {});
    // The settings dialog's OK: probes `port` at `baud` with n,8,1, then
    // e,8,1 ... On success the link is set and Connected is posted.
    bool Probe(int port, int baud);
    // Automatic detection over every baud rate; DetectStep for each failure.
    bool Detect(int port);

    bool Busy() const;
    // Blocks until no sequence runs (or `limit` passes); the outcome of the
    // last one. For callers without an event loop: tmx7ctl and tests.
    std::optional<Outcome> WaitIdle(Millis limit = Millis::max());

    // ---- immediate operations (the caller's thread, never waiting) --------------------
    // "关闭串口".
    void ClosePort();
    // One frame to the link's port; anything but Queued is also posted as
    // WriteFailed, so the user hears of it.
    WriteStatus Send(std::span<const std::uint8_t> frame, CommandCode code);
    // A data-test frame (no command code); the caller reports the result.
    [[nodiscard]] WriteStatus SendData(std::span<const std::uint8_t> frame);
    // The exit command: stop-0101 written and given up to 500 ms to leave
    // the line (closing the port discards unsent output).
    void SendExitCommand();
    // Empties the receive area: text decoded before this is not shown.
    void ClearReceived();
    // Called on a port's thread for every packet posted to the link's port,
    // for a caller that takes packets itself (no decoder running); it must
    // not block. An empty function detaches.
    void SetPacketObserver(std::function<void()> observer);

private:
    using Body = std::function<Outcome(StopSignal&)>;
    bool Start(SequenceKind kind, Body body);
    void WorkerLoop();
    void StartDecoder();
    Outcome RefreshNow(StopSignal& stop);
    Outcome ReadNow(StopSignal& stop, const SettleRule& rule);
    void Post(std::vector<Event> events) { m_out.Post(std::move(events)); }

    // PortEvents, on a port's thread.
    void PacketPosted(int port) override;
    void PortLost(int port, SerialResult why) override;

    Clock& m_clock;
    ShownValues m_shown;
    FanOut m_out;
    DecoderShared m_shared;
    LinkSettings m_link;
    mutable std::mutex m_linkMutex;
    std::string m_lineFormat = "n,8,1";
    std::unique_ptr<DecoderThread> m_decoder;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_quit = false;
    bool m_busy = false;
    bool m_finishing = false; // SequenceFinished is being posted
    SequenceKind m_kind = SequenceKind::Refresh;
    Body m_body;
    std::shared_ptr<StopSignal> m_stop;
    bool m_portLost = false;
    std::optional<Outcome> m_lastOutcome;
    std::mutex m_observerMutex;
    std::function<void()> m_packetObserver;
    std::thread m_worker;
    // Last, so it goes first: its port threads, which call back into this
    // object, are joined while everything they touch still exists.
    CPortTable m_table;
};

} // namespace tmx7

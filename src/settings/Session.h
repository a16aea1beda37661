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
#include "platform/DeviceWatch.h"
#include "platform/LinkMemory.h"
#include "platform/PortDirectory.h"
#include "protocol/DecoderShared.h"
#include "protocol/DecoderThread.h"
#include "protocol/Events.h"
#include "protocol/ParamFile.h"
#include "protocol/Settle.h"
#include "settings/SetCommands.h"
#include "settings/TrafficLog.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

namespace tmx7 {

struct SetupResult;

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
    // The settings dialog's OK: probes `port` at `baud` with n,8,1, e,8,1,
    // then o,8,1. On success the link is set (and kept, see RememberLinks)
    // and Connected is posted.
    bool Probe(int port, int baud);
    // Automatic detection over every baud rate and the three formats, the
    // pair kept for the port's adapter first; DetectStep for each failure.
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

    // ---- adapters that come and go -------------------------------------------------------
    // Keeps, per adapter, the baud and format that Probe or Detect connected
    // with, and has Detect try that pair first. nullptr (the default) keeps
    // nothing, so tests and scripts touch no user file; the window and
    // tmx7ctl pass a LinkMemory on LinkMemory::DefaultFile(). Not owned.
    void RememberLinks(LinkMemory* memory);
    // A lost link port is always said at once: PortLost and a connection-
    // pane Status ("端口COM<n>已断开", with it on "...，等待重新连接......").
    // With it on, the adapter is then watched for (udev and the path's
    // folder; nothing wakes while the port is healthy). When the same device
    // (DeviceIdentity) is back, at the same path or wherever udev announces
    // it, the port is reopened with the link's baud and format and
    // refreshed: a Reconnect sequence posting Reconnected and a connection-
    // pane Status. A reopen that fails is said in that pane and tried again
    // at every change and after 1, 3, 10, then every 20 s. "关闭串口",
    // "打开串口", Probe, Detect or another link end the watch.
    void SetAutoReconnect(bool on);
    // With it on, PortsChanged is posted whenever a serial device comes or goes.
    void SetWatchPorts(bool on);

    // ---- traffic ------------------------------------------------------------------------
    // Every packet and frame of the session's ports is posted as a Traffic
    // event. Besides, until StopTrafficLog, each is appended to `path` as a
    // TrafficLine, rotated as `options` say; the disk never holds up the
    // line. A write failure is said once in the activity pane.
    FileResult StartTrafficLog(const std::string& path, TrafficLog::Options options = {});
    void StopTrafficLog();
    bool TrafficLogging() const;

private:
    using Body = std::function<Outcome(StopSignal&)>;
    // A lost link port whose adapter is awaited.
    struct Awaited {
        int port = 0;
        int baud = 0;
        std::string lineFormat;
        PortDevice device;
        std::uint64_t arming = 0; // which loss
        int failures = 0;         // reopens that failed since the loss
    };
    void WatchLoop();
    void EnsureWatcher();
    void Disarm();
    // Starts the Reconnect when the awaited device is at one of `candidates`;
    // true when it did.
    bool TryReturn(const Awaited& awaited, const std::vector<std::string>& candidates);
    Outcome ReconnectNow(StopSignal& stop, const Awaited& awaited, const std::string& path);
    // A probe's or a detection's result: the link taken and said, or the failure.
    Outcome Adopt(const SetupResult& r);
    void Remember(int port);
    bool Start(SequenceKind kind, Body body);
    void WorkerLoop();
    void StartDecoder();
    Outcome RefreshNow(StopSignal& stop);
    Outcome ReadNow(StopSignal& stop, const SettleRule& rule);
    void Post(std::vector<Event> events) { m_out.Post(std::move(events)); }

    // PortEvents, on a port's thread.
    void PacketPosted(int port) override;
    void PortLost(int port, SerialResult why) override;
    void Traffic(int port, Direction direction, TimePoint at,
                 std::span<const std::uint8_t> bytes) override;

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
    mutable std::mutex m_logMutex;
    std::unique_ptr<TrafficLog> m_log;
    PortDirectory& m_directory;
    std::atomic<LinkMemory*> m_memory{nullptr};

    // The watch for adapters: one thread, started when first asked for.
    std::mutex m_watchMutex;
    bool m_autoReconnect = false;
    bool m_watchPorts = false;
    bool m_watchQuit = false;
    std::optional<Awaited> m_awaited;
    std::uint64_t m_armings = 0;
    WakeSignal m_watchWake;
    std::thread m_watcher;
    std::thread m_worker;
    // Last, so it goes first: its port threads, which call back into this
    // object, are joined while everything they touch still exists.
    CPortTable m_table;
};

} // namespace tmx7

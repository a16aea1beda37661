#pragma once
// What the engine tells whoever shows it: the window maps these to widgets,
// tmx7ctl to JSON keys and progress lines, tests record them. The decoder and
// the sequences (refresh, set, download, read, export, probe) post them in
// batches that take effect in order. Nobody learns an outcome by comparing a
// display string: a sequence ends with SequenceFinished and its Outcome.

#include "link/PortTable.h"
#include "protocol/Fields.h"

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace tmx7 {

// The status bar's three panes.
enum class StatusSlot : std::uint8_t { Connection, Activity, Motto };

enum class SequenceKind : std::uint8_t {
    Connect,  // start-up connection: status, decoder, refresh
    OpenPort, // "打开串口": reopen, decoder, refresh
    Refresh,
    Set,       // one set command, its wait and its refresh
    Download,  // the whole parameter set, then the refresh
    Read,      // refresh, then wait until the answers settle
    Export,    // read, then the parameter file
    Probe,     // the settings dialog's OK: the format probe at one baud rate
    Detect,    // automatic baud-rate detection
    Reconnect, // a lost port's adapter came back: reopen, decoder, refresh
};

enum class OutcomeKind : std::uint8_t {
    Completed,
    AnswersMissing, // the module did not answer every query it was asked
    PortLost,       // the port hung up (adapter unplugged) during the sequence
    Stopped,        // the program asked it to end early
    WriteRefused,   // a frame could not be handed to the port; nothing of it was sent
    Failed,         // anything else; `detail` says what
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::Completed;
    std::vector<Field> missing; // AnswersMissing: the fields still unknown
    std::string detail;         // a text for the user where there is one
    int stepsDone = 0;          // frames written of `stepsTotal` (a download)
    int stepsTotal = 0;

    bool ok() const { return kind == OutcomeKind::Completed; }
    bool operator==(const Outcome&) const = default;
};

// ---- the events ----------------------------------------------------------------

struct ValueShown {
    Field field;
    std::string text;
    bool operator==(const ValueShown&) const = default;
};

struct CommandEnabled {
    Command command;
    bool on = true;
    bool operator==(const CommandEnabled&) const = default;
};

// A parameter page comes (when absent) or goes.
struct PageShown {
    Page page;
    bool shown = true;
    bool operator==(const PageShown&) const = default;
};

struct PageSelected {
    Page page;
    bool operator==(const PageSelected&) const = default;
};

struct ProgressShown {
    bool shown = true;
    bool operator==(const ProgressShown&) const = default;
};

// The progress bar's position, 0..total (the refresh and the download both
// count to 230).
struct Progress {
    int done = 0;
    int total = 230;
    bool operator==(const Progress&) const = default;
};

struct Status {
    StatusSlot slot = StatusSlot::Activity;
    std::string text;
    bool operator==(const Status&) const = default;
};

// Text for the receive area. `epoch` lets the window drop text decoded before
// the area was last cleared.
struct Received {
    std::string text;
    std::uint64_t epoch = 0;
    bool operator==(const Received&) const = default;
};

struct ReceiveCleared {
    std::uint64_t epoch = 0;
    bool operator==(const ReceiveCleared&) const = default;
};

// A message box: an open failure, a refused setting, the end of a detection.
struct Notice {
    std::string text;
    std::string caption; // empty: the program's own
    bool operator==(const Notice&) const = default;
};

// The open port hung up or failed.
struct PortLost {
    int port = 0;
    SerialResult why;
    bool operator==(const PortLost& o) const {
        return port == o.port && why.error == o.why.error && why.sysErrno == o.why.sysErrno;
    }
};

// The adapter of a lost port came back (the same device, by identity) and
// the port is open again with the link's baud and format; the refresh of the
// Reconnect sequence follows. `path` is where it came back.
struct Reconnected {
    int port = 0;
    int baud = 0;
    std::string lineFormat;
    std::string path;
    bool operator==(const Reconnected&) const = default;
};

// A serial device came or went: a port list shown should be read again.
struct PortsChanged {
    bool operator==(const PortsChanged&) const = default;
};

// A frame the engine meant to send did not go out.
struct WriteFailed {
    int port = 0;
    WriteStatus status = WriteStatus::Refused;
    CommandCode code = CommandCode::Version; // the frame's command
    bool operator==(const WriteFailed&) const = default;
};

// A detection or probe found the module: the port is open with its format.
struct Connected {
    int port = 0;
    int baud = 0;
    std::string lineFormat;
    int connectDelayMs = 0; // when the start-up connection should run
    bool operator==(const Connected&) const = default;
};

// One baud rate of the automatic detection gave no answer ("%d波特率检测失败").
struct DetectStep {
    int baud = 0;
    std::string caption;
    bool operator==(const DetectStep&) const = default;
};

// One packet received or one frame sent on a port, as the port's thread saw
// it: every packet, whoever takes it afterwards (decoder, probe, refresh),
// and every frame, whoever wrote it (sequences, decoder follow-ups, data
// sends). `time` is monotonic: when the packet's first byte arrived, or when
// the frame's last byte went to the driver. Not touched by clearing the
// receive area.
struct Traffic {
    int port = 0;
    Direction direction = Direction::Received;
    TimePoint time{};
    std::vector<std::uint8_t> bytes;
    bool operator==(const Traffic&) const = default;
};

struct SequenceFinished {
    SequenceKind kind = SequenceKind::Refresh;
    Outcome outcome;
    bool operator==(const SequenceFinished&) const = default;
};

using Event =
    std::variant<ValueShown, CommandEnabled, PageShown, PageSelected, ProgressShown, Progress,
                 Status, Received, ReceiveCleared, Notice, PortLost, WriteFailed, Connected,
                 DetectStep, Traffic, Reconnected, PortsChanged, SequenceFinished>;

class EventSink {
public:
    virtual ~EventSink() = default;
    // Events take effect in the order given; called from any engine thread.
    virtual void Post(std::vector<Event> events) = 0;
};

// Keeps every event it is given; safe to feed from several threads.
class EventLog : public EventSink {
public:
    void Post(std::vector<Event> events) override;
    std::vector<Event> Events() const;
    // The events of one type, in order.
    template <class T> std::vector<T> All() const {
        std::vector<T> out;
        std::lock_guard lock(m_mutex);
        for (const auto& e : m_events)
            if (const T* t = std::get_if<T>(&e))
                out.push_back(*t);
        return out;
    }
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};

// What the display shows, kept from the events: the value of every field, the
// pages present, the panes and the receive text. tmx7ctl prints from it, the
// export writes from it, tests assert on it.
class ShownValues : public EventSink {
public:
    ShownValues();
    void Post(std::vector<Event> events) override;

    std::string Value(Field field) const; // "" when never shown
    std::array<std::string, kFieldCount> Values() const;
    bool PageThere(Page page) const;
    std::string StatusText(StatusSlot slot) const;
    // The newest received text (at most kReceivedLimit bytes, cut between
    // packets) decoded since the last clear.
    std::string ReceivedText() const;
    std::optional<Outcome> LastOutcome(SequenceKind kind) const;

    static constexpr std::size_t kReceivedLimit = 256 * 1024;

private:
    mutable std::mutex m_mutex;
    std::array<std::string, kFieldCount> m_values;
    std::array<bool, 3> m_pages{true, false, false};
    std::array<std::string, 3> m_status;
    // Text by the epoch it was decoded in: a clear posted just after text of
    // the new epoch (the decoder and the clearing thread race) keeps that text.
    std::deque<std::pair<std::uint64_t, std::string>> m_received;
    std::size_t m_receivedBytes = 0;
    std::uint64_t m_epoch = 0;
    std::vector<SequenceFinished> m_finished;
};

// Passes every batch on to several sinks in turn.
class FanOut : public EventSink {
public:
    explicit FanOut(std::vector<EventSink*> sinks) : m_sinks(std::move(sinks)) {}
    void Post(std::vector<Event> events) override;

private:
    std::vector<EventSink*> m_sinks;
};

// Readable forms for test failure messages and logs.
std::string ToString(const Event& event);
std::string ToString(const Outcome& outcome);
std::string_view KeyOf(Field field);
// For test failure messages.
inline void PrintTo(const Event& event, std::ostream* os) {
    *os << ToString(event);
}

} // namespace tmx7

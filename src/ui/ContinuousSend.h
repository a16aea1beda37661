#pragma once
// Continuous send without a window: the choices of the "连续发送数据" dialog,
// the four send timers (4-7) of the main window as a state machine, the
// "发送次数显示" count display, and a send path that never makes the window
// thread wait for the line.
//
// The window owns the real timer: it starts the one Start() names, hands its
// ticks to PlanContinuousTick() and writes what that built, stops the timer
// when told, and calls Leave() whenever the count display goes away,
// whichever way it goes.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "ui/DataSend.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tmx7 {

// ---- dialog 142 "连续发送数据" ----------------------------------------------

inline constexpr int kIdcCount = 1000;        // edit, sends of a counted run
inline constexpr int kIdcInterval = 1072;     // edit, milliseconds
inline constexpr int kIdcOk = 1021;           // "确定"
inline constexpr int kIdcCancel = 1023;       // "取消"
inline constexpr int kIdcUserData = 1033;     // "用户数据"
inline constexpr int kIdcStandardForm = 1034; // "标准形式"
inline constexpr int kIdcUntilStopped = 1035; // "直到被用户中断"
inline constexpr int kIdcCounted = 1036;      // "发射次数"

inline constexpr unsigned kCountMin = 1, kCountMax = 999;
inline constexpr unsigned kIntervalMin = 100, kIntervalMax = 999999;

struct ContinuousSendChoice {
    int dataForm = 0;  // 0 user data, 1 standard data
    int countMode = 0; // 0 until stopped, 1 counted
    unsigned count = 10;
    unsigned intervalMs = 100;
};

// The four radio buttons and the two number fields of the dialog.
enum class SendRadio { UserData, StandardForm, UntilStopped, Counted };
enum class SendField { None, Count, Interval };

// Outcome of OK: either the validated choice, or the field to give the
// focus back to with the range message to show.
struct FormCheck {
    std::optional<ContinuousSendChoice> choice;
    SendField field = SendField::None;
    int focusControl = 0; // the same field as a control id
    std::string message;
};

class ContinuousSendForm {
public:
    // Before initialisation: no radio chosen, count 10, interval 100.
    int DataForm() const { return m_dataForm; }
    int CountMode() const { return m_countMode; }
    unsigned Count() const { return m_count; }
    unsigned IntervalMs() const { return m_intervalMs; }
    bool CountEditEnabled() const { return m_countMode == 1; }
    // The radio buttons checked after initialisation / a click.
    int CheckedFormRadio() const;
    int CheckedCountRadio() const;

    // User data, until stopped; the count edit disabled.
    void Initialise();
    void Click(SendRadio radio);
    // A click on radio 1033..1036 by control id; other ids are ignored.
    void ClickRadio(int controlId);
    // OK with the texts of edits 1000 and 1072. Both are checked, the count
    // first, even while its edit is disabled (it still holds a value).
    FormCheck Ok(std::string_view countText, std::string_view intervalText);

    // Characters the two number edits take: digits, backspace, full stop
    // (a full stop can be typed and makes the value invalid at OK).
    static bool AcceptsChar(char32_t c);

private:
    int m_dataForm = -1;
    int m_countMode = -1;
    unsigned m_count = 10;
    unsigned m_intervalMs = 100;
};

// ---- the four send timers --------------------------------------------------------

// One timer per data form and count mode. The window runs a QTimer for the
// one a run uses and hands its ticks to OnTimer().
enum class SendTimer : std::uint8_t { UserUntilStopped, StdUntilStopped, UserCounted, StdCounted };

// The same four as the old window's timer ids 4-7 (used only by that window).
inline constexpr int kTimerUserUntilStopped = 4;
inline constexpr int kTimerStdUntilStopped = 5;
inline constexpr int kTimerUserCounted = 6;
inline constexpr int kTimerStdCounted = 7;

enum class Payload { UserData, StandardData };

struct TimerStart {
    int timerId = 0; // 4-7, for the old window
    unsigned intervalMs = 0;
    SendTimer timer = SendTimer::UserUntilStopped;
};

struct TimerTick {
    bool ours = false; // one of 4-7
    bool send = false; // do a data send of `payload`
    Payload payload = Payload::UserData;
    bool stopTimer = false; // kill this timer now
};

class ContinuousSendTimers {
public:
    static SendTimer TimerOf(const ContinuousSendChoice& choice);
    // The timer for a data form and count mode: 4, 5, 6 or 7.
    static int TimerFor(int dataForm, int countMode);
    static bool IsSendTimer(int timerId) { return timerId >= 4 && timerId <= 7; }

    // Marks the timer running; a counted run sets the sends left.
    TimerStart Start(const ContinuousSendChoice& choice);
    // One tick. Every tick of a running timer counts, also when the send
    // writes nothing; a counted run stops once its sends left reach 0 or
    // less. A tick of a timer no longer running asks for it to be killed.
    TimerTick OnTimer(SendTimer timer);
    TimerTick OnTimer(int timerId);
    // The timer stops where it is (the port went away): the count stays
    // on show until the count display goes.
    void Halt(SendTimer timer);
    // The count display went away (OK, Escape or the close of its window):
    // every send timer stops and the count starts again from 0. Returns the
    // old window's timer ids to kill.
    std::array<int, 4> Leave();

    unsigned SendCount() const { return m_sendCount; }
    int SendsLeft() const { return m_sendsLeft; }
    bool IsRunning(SendTimer timer) const;
    bool IsRunning(int timerId) const;
    bool AnyRunning() const;

private:
    std::array<bool, 4> m_running{};
    int m_sendsLeft = 0;
    unsigned m_sendCount = 0;
};

// ---- dialog 148 "发送次数显示" ------------------------------------------------

class SendCountModel {
public:
    static constexpr int kRefreshTimerId = 1;
    static constexpr int kRefreshMs = 20;
    static constexpr int kIdcCountText = 1000;
    static constexpr int kIdcOk = 1021;

    // Copies the window's count (at initialisation and every 20 ms).
    void Refresh(unsigned sendCount) { m_count = sendCount; }
    unsigned Count() const { return m_count; }
    std::string Text() const { return std::to_string(m_count); }
    // The title bar offers no close; leaving is by "确定" (or Escape).
    static constexpr bool kCloseGreyed = true;

private:
    unsigned m_count = 0;
};

// ---- a send path that never waits -----------------------------------------------

// Where a data send's bytes go.
class DataSink {
public:
    virtual ~DataSink() = default;
    // Bytes the driver holds that are not yet on the line; nothing if unknown.
    virtual std::optional<std::size_t> Backlog() const = 0;
    // False when there is no port to write to.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};

class PortSink : public DataSink {
public:
    PortSink(CPortTable& table, int port) : m_table(table), m_port(port) {}
    std::optional<std::size_t> Backlog() const override { return m_table.Backlog(m_port); }
    bool Write(std::span<const std::uint8_t> bytes) override;

private:
    CPortTable& m_table;
    int m_port;
};

enum class SendOutcome {
    Written, // the whole frame was handed to the port
    Skipped, // the line's backlog could not take the whole frame: nothing written
    NoPort,  // no port entry to write to
};

// Writes whole frames only, and only while the line's backlog stays under a
// few KiB. The backlog is the larger of what the driver reports and what the
// line cannot yet have sent at its byte time (a pty reports nothing, a USB
// adapter reports late), so a timer faster than the line skips ticks instead
// of piling bytes up or blocking in write().
class BoundedSender {
public:
    static constexpr std::size_t kBacklogLimit = 2048;

    // `bitsPerByte`: start, 8 data, parity, stop bits (10 to 12).
    BoundedSender(Clock& clock, int baud, int bitsPerByte = 10, std::size_t limit = kBacklogLimit);

    std::size_t Backlog(const DataSink& sink) const;
    SendOutcome Send(DataSink& sink, std::span<const std::uint8_t> frame);
    // Status-bar text for a skipped tick.
    static std::string SkipStatus();

private:
    std::size_t Estimated() const;

    Clock& m_clock;
    std::chrono::nanoseconds m_byteTime;
    std::size_t m_limit;
    TimePoint m_lineFreeAt{};
};

// Bits per byte of a line format string ("n,8,1" 10, "e,8,2" 12); 10 when unknown.
int BitsPerByte(std::string_view lineFormat);

// What a tick needs from the window, read at the tick (a change of the
// standard data length during a run applies from the next tick on).
struct SendContext {
    std::string_view userData;
    std::string_view stdData;
    int serialMode = kModeUnknown;
    std::string_view passiveAddr;
};

struct TickOutcome {
    bool ours = false;
    bool stopTimer = false;
    bool written = false;
    std::string status; // for the status bar; empty when there is nothing to say
};

// One tick of timers 4-7: counts, builds the data send (buffer 400 for user
// data, 200 for standard data) and hands it to the sender.
TickOutcome RunContinuousTick(ContinuousSendTimers& timers, int timerId, const SendContext& context,
                              BoundedSender& sender, DataSink& sink);

// What one tick asks of the window.
struct TickPlan {
    bool stopTimer = false; // stop the timer now
    bool send = false;      // `data` was built: write its bytes, or show its status
    SendResult data;
};

// One tick of `timer`: counts it and builds the data send of its payload
// (buffer 400 for user data, 200 for standard data). Writes nothing.
TickPlan PlanContinuousTick(ContinuousSendTimers& timers, SendTimer timer,
                            const SendContext& context);

} // namespace tmx7

#pragma once
// Continuous send without a window: the choices of the "连续发送数据" dialog
// and the four send timers as a state machine.
//
// The window owns the real timer: it starts the one Start() names, hands its
// ticks to PlanContinuousTick() and writes what that built, stops the timer
// when told, and calls Leave() whenever the count display goes away,
// whichever way it goes.

#include "ui/DataSend.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tmx7 {

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

    // User data, until stopped; the count edit disabled.
    void Initialise();
    void Click(SendRadio radio);
    // OK with the texts of the count and interval edits. Both are checked, the count
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

enum class Payload { UserData, StandardData };

struct TimerStart {
    unsigned intervalMs = 0;
    SendTimer timer = SendTimer::UserUntilStopped;
};

struct TimerTick {
    bool send = false; // do a data send of `payload`
    Payload payload = Payload::UserData;
    bool stopTimer = false; // kill this timer now
};

class ContinuousSendTimers {
public:
    static SendTimer TimerOf(const ContinuousSendChoice& choice);

    // Marks the timer running; a counted run sets the sends left.
    TimerStart Start(const ContinuousSendChoice& choice);
    // One tick. Every tick of a running timer counts, also when the send
    // writes nothing; a counted run stops once its sends left reach 0 or
    // less. A tick of a timer no longer running asks for it to be killed.
    TimerTick OnTimer(SendTimer timer);
    // The timer stops where it is (the port went away): the count stays
    // on show until the count display goes.
    void Halt(SendTimer timer);
    // The count display went away (OK, Escape or the close of its window):
    // every send timer stops and the count starts again from 0.
    void Leave();

    unsigned SendCount() const { return m_sendCount; }
    int SendsLeft() const { return m_sendsLeft; }
    bool IsRunning(SendTimer timer) const;

private:
    std::array<bool, 4> m_running{};
    int m_sendsLeft = 0;
    unsigned m_sendCount = 0;
};

// What a tick needs from the window, read at the tick (a change of the
// standard data length during a run applies from the next tick on).
struct SendContext {
    std::string_view userData;
    std::string_view stdData;
    int serialMode = kModeUnknown;
    std::string_view passiveAddr;
};

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

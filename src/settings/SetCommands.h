#pragma once
// The set commands of the "参数设置" menu as plans: which frame goes out,
// what pane 1 says meanwhile, how long the module is given before it is read
// back, and what follows. Building a plan is pure; RunSetPlan carries one out
// on a port. The window runs the dialog, asks for the plan, runs it, and then
// runs the refresh or the restart advice the result asks for.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/Events.h"
#include "protocol/Frames.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

inline constexpr std::string_view kWaitText = "请等待模块响应......";
inline constexpr std::string_view kRestartAdviceText =
    "您已经改变串口的格式，按确定后手动重启该软件";
inline constexpr std::string_view kRestartAdviceCaption = "操作提示";

struct SetPlan {
    std::optional<Frame> frame;            // nothing to write when empty
    std::optional<std::string> statusText; // pane 1, set right after the write
    std::vector<Millis> waits;             // slept one after another
    bool refreshAfter = false;
    bool restartAdvice = false; // show the advice, then close the window

    // Nothing to do at all: the dialog was cancelled or gave no usable value.
    bool Cancelled() const { return !frame && !restartAdvice; }
    bool operator==(const SetPlan&) const = default;
};

// ---- the plans, one per menu operation --------------------------------------

// Serial mode by the choice of the serial-mode dialog: 1 active, 2 passive,
// 3 MODBUS ("主动模式" / "被动模式" / "MODBUS" in the menu give 1 / 2 / 3).
// Any other choice is a cancellation.
SetPlan PlanSerialMode(int choice);
// Power mode by the choice of the power-mode dialog: 1 normal, 2 power saving.
SetPlan PlanPowerMode(int choice);
// The five mode entries of the menu; a cancelled plan for other commands.
SetPlan PlanModeCommand(Command command);

// Frequency channel 1..17 from the frequency dialog.
SetPlan PlanSetFrequency(int channel);

// The serial-format dialog's outcome: result 2 = data-format button with a
// format row, 3 = baud button with a rate row. The restart advice follows a
// write only; a confirm without a selected row never reaches here as
// anything but a cancellation.
SetPlan PlanSetSerialFormat(int result, int index);

// Sleep period from the dialog: choice 1 with an even period 2..500.
SetPlan PlanSetSleepPeriod(int choice, int period);

// Power-saving address: the dialog's checked text of four hex digits.
SetPlan PlanSetSaveAddress(std::optional<std::string> fourDigits);

// Wake-up delay as its step count 1..65535 (steps of 0.3 s); nullopt = cancelled.
SetPlan PlanSetWakeDelay(std::optional<int> count);

// Passive address: the dialog's text of two hex digits; the module receives
// the two character codes ("1A" sends 31 41).
SetPlan PlanSetPassiveAddress(std::optional<std::string> twoDigits);

// Group number: the dialog's checked text of one or two hex digits.
SetPlan PlanSetGroup(std::optional<std::string> hexDigits);

// Wireless dialog: choice 2 = transmit power (level 0..7), 3 = air rate
// (list index 0..6, code index + 3).
SetPlan PlanSetWireless(int choice, int txPowerIndex, int airRateIndex);

// ---- running a plan ---------------------------------------------------------

// Writes the frame to `port`, shows the plan's status text and sleeps its
// waits on `clock`. Completed when the frame went out and every wait passed;
// WriteRefused or PortLost (nothing waited) when the port did not take the
// frame; Stopped when `stop` cut a wait short. The caller refreshes after a
// completed plan that asks for it, or shows the restart advice.
Outcome RunSetPlan(const SetPlan& plan, CPortTable& table, int port, Clock& clock, EventSink& sink,
                   StopSignal* stop = nullptr);

} // namespace tmx7

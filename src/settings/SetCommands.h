#pragma once
// The set commands of the "参数设置" menu as plans: which frame goes out,
// what pane 1 says meanwhile, how long the module is given before it is read
// back, and what follows. Building a plan is pure; RunSetPlan carries one out
// on a port. The window runs the dialog, asks for the plan, runs it, and then
// runs the refresh or the restart advice the result asks for.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/Frames.h"
#include "protocol/ViewUpdate.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

// Menu command ids of the parameter menus and of "文件".
enum class MenuCommand : int {
    ActiveMode = 32777,
    PassiveMode = 32778,
    ModbusMode = 32779,
    NormalMode = 32780,
    PowerSavingMode = 32781,
    SetFrequency = 32782,
    SetSerialFormat = 32783,
    SetSleepPeriod = 32784,
    SetSaveAddress = 32785,
    SetWakeDelay = 32786,
    SetPassiveAddress = 32787,
    SetGroup = 32788,
    SetWireless = 32789,
    ProductionMode = 32790,
    ImportParams = 32804,
    ExportParams = 32805,
    DownloadParams = 32808,
};

constexpr int Id(MenuCommand c) {
    return static_cast<int>(c);
}

inline constexpr int kWaitPane = 1;
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
SetPlan PlanModeCommand(MenuCommand command);

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

struct SetRunResult {
    bool written = false;  // a frame was handed to the port table and it knew the port
    bool completed = true; // false when the stop signal cut a wait short
    bool refresh = false;  // the caller runs the refresh now
    bool restartAdvice = false;
};

// Writes the frame to `port`, sets pane 1 through `sink` when the plan has a
// status text, sleeps the waits on `clock` (a window passes a clock whose
// waits keep it painting) and says what follows. A stop cuts the waits short;
// no refresh is asked for then.
SetRunResult RunSetPlan(const SetPlan& plan, CPortTable& table, int port, Clock& clock,
                        ViewSink& sink, StopSignal* stop = nullptr);

} // namespace tmx7

#include "settings/SetCommands.h"

#include "protocol/Catalogue.h"

#include <array>

namespace tmx7 {

namespace {

// The module needs a moment to retune or to change its output stage before
// it answers sensibly again; the passive address is quick.
constexpr Millis kFrequencyWait{7000};
constexpr Millis kPassiveAddrWait{1000};
constexpr Millis kWirelessWaitStep{1000};
constexpr int kWirelessWaitSteps = 8;

SetPlan Refreshing(std::optional<Frame> frame) {
    SetPlan p;
    if (!frame)
        return p;
    p.frame = std::move(frame);
    p.refreshAfter = true;
    return p;
}

SetPlan Waiting(std::optional<Frame> frame, std::vector<Millis> waits) {
    SetPlan p = Refreshing(std::move(frame));
    if (p.frame) {
        p.statusText = std::string(kWaitText);
        p.waits = std::move(waits);
    }
    return p;
}

struct ModeRow {
    Command command;
    CommandCode code;
    int value;
};

// clang-format off
constexpr std::array<ModeRow, 5> kModeRows = {{
    {Command::ActiveMode,      CmdSerialMode, 0},
    {Command::PassiveMode,     CmdSerialMode, 1},
    {Command::ModbusMode,      CmdSerialMode, 2},
    {Command::NormalMode,      CmdPowerMode,  0},
    {Command::PowerSavingMode, CmdPowerMode,  1},
}};
// clang-format on

SetPlan ModePlan(CommandCode code, int value) {
    return Refreshing(code == CmdSerialMode ? MakeSerialModeSet(value) : MakePowerModeSet(value));
}

} // namespace

SetPlan PlanSerialMode(int choice) {
    if (choice < 1 || choice > 3)
        return {};
    return ModePlan(CmdSerialMode, choice - 1);
}

SetPlan PlanPowerMode(int choice) {
    if (choice < 1 || choice > 2)
        return {};
    return ModePlan(CmdPowerMode, choice - 1);
}

SetPlan PlanModeCommand(Command command) {
    for (const auto& row : kModeRows)
        if (row.command == command)
            return ModePlan(row.code, row.value);
    return {};
}

SetPlan PlanSetFrequency(int channel) {
    if (channel < 1 || channel > static_cast<int>(kFrequencyTexts.size()))
        return {};
    return Waiting(MakeFrequencySet(kFrequencyTexts[static_cast<std::size_t>(channel - 1)].code),
                   {kFrequencyWait});
}

SetPlan PlanSetSerialFormat(int result, int index) {
    std::optional<Frame> frame;
    if (result == 2 && index >= 0 && index < static_cast<int>(kSerialFormatTexts.size()))
        frame = MakeSerialFormatSet(kSerialFormatTexts[static_cast<std::size_t>(index)].code);
    else if (result == 3 && index >= 0 && index < static_cast<int>(kSerialBaudTexts.size()))
        frame = MakeSerialBaudSet(kSerialBaudTexts[static_cast<std::size_t>(index)].code);
    SetPlan p;
    if (!frame)
        return p;
    // The module switches its line after acknowledging; this end keeps the
    // old settings, so the only way on is a fresh start that detects them.
    p.frame = std::move(frame);
    p.restartAdvice = true;
    return p;
}

SetPlan PlanSetSleepPeriod(int choice, int period) {
    if (choice != 1 || period < 2 || period > 500 || period % 2 != 0)
        return {};
    return Refreshing(MakeSleepPeriodSet(period));
}

SetPlan PlanSetSaveAddress(std::optional<std::string> fourDigits) {
    if (!fourDigits)
        return {};
    return Refreshing(MakeSaveAddrSetFromDigits(*fourDigits));
}

SetPlan PlanSetWakeDelay(std::optional<int> count) {
    if (!count || *count < 1 || *count > 0xFFFF)
        return {};
    const std::uint8_t value[2] = {static_cast<std::uint8_t>(*count / 256),
                                   static_cast<std::uint8_t>(*count % 256)};
    return Refreshing(MakeSetFrame(CmdWakeDelay, value));
}

SetPlan PlanSetPassiveAddress(std::optional<std::string> twoDigits) {
    if (!twoDigits)
        return {};
    return Waiting(MakePassiveAddrSetFromChars(*twoDigits), {kPassiveAddrWait});
}

SetPlan PlanSetGroup(std::optional<std::string> hexDigits) {
    if (!hexDigits)
        return {};
    return Refreshing(MakeGroupSet(*hexDigits));
}

SetPlan PlanSetWireless(int choice, int txPowerIndex, int airRateIndex) {
    std::optional<Frame> frame;
    if (choice == 2)
        frame = MakeTxPowerSet(txPowerIndex);
    else if (choice == 3 && airRateIndex >= 0 && airRateIndex < 7)
        frame = MakeAirRateSet(airRateIndex + 3);
    // Eight one-second steps rather than one long wait: each step is a point
    // where a stop request is honoured and the window repaints.
    return Waiting(std::move(frame), std::vector<Millis>(kWirelessWaitSteps, kWirelessWaitStep));
}

Outcome RunSetPlan(const SetPlan& plan, CPortTable& table, int port, Clock& clock, EventSink& sink,
                   StopSignal* stop) {
    Outcome outcome;
    if (plan.frame) {
        const WriteStatus status = table.Write(port, *plan.frame);
        if (status != WriteStatus::Queued) {
            const auto code = static_cast<CommandCode>((*plan.frame)[kPreamble.size()]);
            sink.Post({WriteFailed{port, status, code}});
            outcome.kind =
                status == WriteStatus::Refused ? OutcomeKind::WriteRefused : OutcomeKind::PortLost;
            return outcome;
        }
    }
    if (plan.statusText)
        sink.Post({Status{StatusSlot::Activity, *plan.statusText}});
    for (const Millis w : plan.waits) {
        if (!clock.sleepFor(w, stop)) {
            outcome.kind = OutcomeKind::Stopped;
            break;
        }
    }
    return outcome;
}

} // namespace tmx7

// Set-command plans byte for byte, and running them on a virtual clock.

#include "protocol/Catalogue.h"
#include "settings/SetCommands.h"

#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Set(std::initializer_list<std::uint8_t> tail) {
    return tmx7::testing::SetFrame(tail);
}

struct ModeCase {
    Command command;
    Bytes frame;
};

TEST(SetCommands, ModeEntriesWriteTheirFrameAndRefreshWithoutWaiting) {
    const ModeCase cases[] = {
        {Command::ActiveMode, Set({0xF8, 0x01, 0x00})},
        {Command::PassiveMode, Set({0xF8, 0x01, 0x01})},
        {Command::ModbusMode, Set({0xF8, 0x01, 0x02})},
        {Command::NormalMode, Set({0xA5, 0x01, 0x00})},
        {Command::PowerSavingMode, Set({0xA5, 0x01, 0x01})},
    };
    for (const auto& c : cases) {
        const SetPlan p = PlanModeCommand(c.command);
        ASSERT_TRUE(p.frame) << static_cast<int>(c.command);
        EXPECT_EQ(*p.frame, c.frame) << static_cast<int>(c.command);
        EXPECT_TRUE(p.refreshAfter);
        EXPECT_TRUE(p.waits.empty());
        EXPECT_FALSE(p.statusText);
        EXPECT_FALSE(p.restartAdvice);
    }
    EXPECT_TRUE(PlanModeCommand(Command::SetGroup).Cancelled());
    // The dialog choices map onto the same frames; 0 and strays cancel.
    EXPECT_EQ(PlanSerialMode(1), PlanModeCommand(Command::ActiveMode));
    EXPECT_EQ(PlanSerialMode(3), PlanModeCommand(Command::ModbusMode));
    EXPECT_EQ(PlanPowerMode(2), PlanModeCommand(Command::PowerSavingMode));
    for (int bad : {0, -1, 4})
        EXPECT_TRUE(PlanSerialMode(bad).Cancelled()) << bad;
    for (int bad : {0, 3})
        EXPECT_TRUE(PlanPowerMode(bad).Cancelled()) << bad;
}

TEST(SetCommands, EveryFrequencyChannel) {
    for (int ch = 1; ch <= 17; ++ch) {
        const SetPlan p = PlanSetFrequency(ch);
        ASSERT_TRUE(p.frame);
        EXPECT_EQ(*p.frame, Set({0xFF, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(ch - 1), 0x00,
                                 0x00, 0x00}));
        EXPECT_EQ(p.statusText, std::string("请等待模块响应......"));
        EXPECT_EQ(p.waits, std::vector<Millis>{7000ms});
        EXPECT_TRUE(p.refreshAfter);
    }
    EXPECT_EQ(PlanSetFrequency(17).frame->size(), 16u);
    for (int bad : {0, 18, -3})
        EXPECT_TRUE(PlanSetFrequency(bad).Cancelled());
}

TEST(SetCommands, SerialFormatAndBaudRowsAndRestartAdvice) {
    const std::uint8_t formatCodes[] = {0x00, 0x02, 0x03, 0x04, 0x05, 0x06};
    for (int i = 0; i < 6; ++i) {
        const SetPlan p = PlanSetSerialFormat(2, i);
        ASSERT_TRUE(p.frame);
        EXPECT_EQ(*p.frame, Set({0xAB, 0x01, formatCodes[i]}));
        EXPECT_TRUE(p.restartAdvice);
        EXPECT_FALSE(p.refreshAfter);
    }
    for (int i = 0; i < 7; ++i) {
        const SetPlan p = PlanSetSerialFormat(3, i);
        ASSERT_TRUE(p.frame);
        EXPECT_EQ(*p.frame, Set({0xF2, 0x01, static_cast<std::uint8_t>(i + 3)}));
        EXPECT_TRUE(p.restartAdvice);
    }
    // No row, a row past the list, or a cancel: nothing, and no advice.
    for (auto [result, index] : {std::pair{2, -1}, {3, -1}, {2, 6}, {3, 7}, {0, 0}, {1, 0}}) {
        const SetPlan p = PlanSetSerialFormat(result, index);
        EXPECT_TRUE(p.Cancelled()) << result << "/" << index;
        EXPECT_FALSE(p.restartAdvice);
    }
}

TEST(SetCommands, ValueDialogEncodings) {
    EXPECT_EQ(*PlanSetSleepPeriod(1, 2).frame, Set({0xA4, 0x01, 0x01}));
    EXPECT_EQ(*PlanSetSleepPeriod(1, 500).frame, Set({0xA4, 0x01, 0xFA}));
    EXPECT_TRUE(PlanSetSleepPeriod(1, 502).Cancelled()); // shown on the bar, refused on OK
    EXPECT_TRUE(PlanSetSleepPeriod(2, 100).Cancelled()); // "取消"
    EXPECT_TRUE(PlanSetSleepPeriod(0, 100).Cancelled()); // Escape

    EXPECT_EQ(*PlanSetSaveAddress("1234").frame, Set({0xA3, 0x01, 0x12, 0x34}));
    EXPECT_EQ(*PlanSetSaveAddress("0005").frame, Set({0xA3, 0x01, 0x00, 0x05}));
    EXPECT_TRUE(PlanSetSaveAddress("5").Cancelled()); // the dialog pads before this
    EXPECT_TRUE(PlanSetSaveAddress(std::nullopt).Cancelled());

    EXPECT_EQ(*PlanSetWakeDelay(1).frame, Set({0xA1, 0x01, 0x00, 0x01}));
    EXPECT_EQ(*PlanSetWakeDelay(256).frame, Set({0xA1, 0x01, 0x01, 0x00}));
    EXPECT_EQ(*PlanSetWakeDelay(65535).frame, Set({0xA1, 0x01, 0xFF, 0xFF}));
    EXPECT_TRUE(PlanSetWakeDelay(0).Cancelled());
    EXPECT_TRUE(PlanSetWakeDelay(65536).Cancelled());

    const SetPlan passive = PlanSetPassiveAddress("1A");
    EXPECT_EQ(*passive.frame, Set({0xE2, 0x01, 0x31, 0x41}));
    EXPECT_EQ(passive.waits, std::vector<Millis>{1000ms});
    EXPECT_TRUE(passive.statusText);
    EXPECT_EQ(*PlanSetPassiveAddress("00").frame, Set({0xE2, 0x01, 0x30, 0x30}));

    EXPECT_EQ(*PlanSetGroup("FF").frame, Set({0xE7, 0x01, 0xFF}));
    EXPECT_EQ(*PlanSetGroup("7").frame, Set({0xE7, 0x01, 0x07}));
    EXPECT_TRUE(PlanSetGroup("G").Cancelled());
    EXPECT_TRUE(PlanSetGroup("1.").Cancelled());
}

TEST(SetCommands, WirelessEveryPowerAndRate) {
    for (int level = 0; level < 8; ++level) {
        const SetPlan p = PlanSetWireless(2, level, 5);
        ASSERT_TRUE(p.frame);
        EXPECT_EQ(*p.frame, Set({0xFB, 0x01, static_cast<std::uint8_t>(level)}));
        EXPECT_EQ(p.waits, std::vector<Millis>(8, 1000ms));
        EXPECT_TRUE(p.statusText);
    }
    for (int rate = 0; rate < 7; ++rate)
        EXPECT_EQ(*PlanSetWireless(3, 7, rate).frame,
                  Set({0xFC, 0x01, static_cast<std::uint8_t>(rate + 3)}));
    EXPECT_TRUE(PlanSetWireless(0, 3, 3).Cancelled());
    EXPECT_TRUE(PlanSetWireless(2, 8, 0).Cancelled());
    EXPECT_TRUE(PlanSetWireless(3, 0, 7).Cancelled());
}

TEST(RunSetPlan, AFrameThePortDidNotTakeEndsThePlanAtOnce) {
    CPortTable table;
    VirtualClock clock;
    EventLog log;
    const Outcome out = RunSetPlan(PlanSetWireless(2, 3, 0), table, 5, clock, log);
    EXPECT_EQ(out.kind, OutcomeKind::PortLost);
    EXPECT_EQ(clock.totalSlept(), 0ms) << "no wait for a module that was told nothing";
    const std::vector<Event> failed = {WriteFailed{5, WriteStatus::NoPort, CmdTxPower}};
    EXPECT_EQ(log.Events(), failed);

    log.Clear();
    EXPECT_TRUE(RunSetPlan(PlanSetFrequency(0), table, 5, clock, log).ok()) << "cancelled";
    EXPECT_TRUE(log.Events().empty());
}

} // namespace

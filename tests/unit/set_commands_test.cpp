// Set-command plans byte for byte with the waits, texts and refresh each one
// asks for, the dialog answers that send nothing, and a plan whose frame the
// port refused.

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

TEST(SetCommands, EachChoiceWritesItsFrameWithItsWaitsTextsAndRefresh) {
    // (The entries the window tests drive are left to them.)
    const std::vector<Millis> none, power(8, 1000ms), channel{7000ms}, passive{1000ms};
    enum : unsigned { Status = 1, Refresh = 2, Restart = 4 };
    const struct {
        const char* what;
        SetPlan plan;
        Bytes frame;
        std::vector<Millis> waits;
        unsigned flags;
    } cases[] = {
        {"modbus", PlanModeCommand(Command::ModbusMode), Set({0xF8, 0x01, 0x02}), none, Refresh},
        {"normal", PlanModeCommand(Command::NormalMode), Set({0xA5, 0x01, 0x00}), none, Refresh},
        {"modbus by dialog", PlanSerialMode(3), Set({0xF8, 0x01, 0x02}), none, Refresh},
        {"saving by dialog", PlanPowerMode(2), Set({0xA5, 0x01, 0x01}), none, Refresh},
        {"channel 1", PlanSetFrequency(1), Set({0xFF, 0x01, 0, 0, 0, 0, 0, 0}), channel,
         Status | Refresh},
        {"format row 0", PlanSetSerialFormat(2, 0), Set({0xAB, 0x01, 0x00}), none, Restart},
        {"format row 1", PlanSetSerialFormat(2, 1), Set({0xAB, 0x01, 0x02}), none, Restart},
        {"format row 5", PlanSetSerialFormat(2, 5), Set({0xAB, 0x01, 0x06}), none, Restart},
        {"baud row 0", PlanSetSerialFormat(3, 0), Set({0xF2, 0x01, 0x03}), none, Restart},
        {"baud row 6", PlanSetSerialFormat(3, 6), Set({0xF2, 0x01, 0x09}), none, Restart},
        {"power 0", PlanSetWireless(2, 0, 5), Set({0xFB, 0x01, 0x00}), power, Status | Refresh},
        {"power 7", PlanSetWireless(2, 7, 5), Set({0xFB, 0x01, 0x07}), power, Status | Refresh},
        {"air rate row 6", PlanSetWireless(3, 7, 6), Set({0xFC, 0x01, 0x09}), power,
         Status | Refresh},
        {"sleep 500", PlanSetSleepPeriod(1, 500), Set({0xA4, 0x01, 0xFA}), none, Refresh},
        {"save 0005", PlanSetSaveAddress("0005"), Set({0xA3, 0x01, 0x00, 0x05}), none, Refresh},
        {"wake 1", PlanSetWakeDelay(1), Set({0xA1, 0x01, 0x00, 0x01}), none, Refresh},
        {"wake 256", PlanSetWakeDelay(256), Set({0xA1, 0x01, 0x01, 0x00}), none, Refresh},
        {"wake 65535", PlanSetWakeDelay(65535), Set({0xA1, 0x01, 0xFF, 0xFF}), none, Refresh},
        {"passive 00", PlanSetPassiveAddress("00"), Set({0xE2, 0x01, 0x30, 0x30}), passive,
         Status | Refresh},
        {"group FF", PlanSetGroup("FF"), Set({0xE7, 0x01, 0xFF}), none, Refresh},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.plan.frame) << c.what;
        EXPECT_EQ(*c.plan.frame, c.frame) << c.what;
        EXPECT_EQ(c.plan.waits, c.waits) << c.what;
        EXPECT_EQ(c.plan.statusText.has_value(), (c.flags & Status) != 0) << c.what;
        EXPECT_EQ(c.plan.refreshAfter, (c.flags & Refresh) != 0) << c.what;
        EXPECT_EQ(c.plan.restartAdvice, (c.flags & Restart) != 0) << c.what;
    }
    EXPECT_EQ(PlanSetFrequency(1).statusText, std::string("请等待模块响应......"));
}

TEST(SetCommands, CancelsAndRowsOutsideTheListsSendNothing) {
    const std::pair<const char*, SetPlan> cases[] = {
        {"mode entry of another kind", PlanModeCommand(Command::SetGroup)},
        {"serial mode 0", PlanSerialMode(0)},
        {"serial mode 4", PlanSerialMode(4)},
        {"power mode 3", PlanPowerMode(3)},
        {"channel 0", PlanSetFrequency(0)},
        {"channel 18", PlanSetFrequency(18)},
        {"format without a row", PlanSetSerialFormat(2, -1)},
        {"format row 6", PlanSetSerialFormat(2, 6)},
        {"baud row 7", PlanSetSerialFormat(3, 7)},
        {"format cancelled", PlanSetSerialFormat(0, 0)},
        // Shown on the bar, refused on OK.
        {"sleep 502", PlanSetSleepPeriod(1, 502)},
        {"sleep cancelled", PlanSetSleepPeriod(2, 100)},
        {"sleep escaped", PlanSetSleepPeriod(0, 100)},
        {"save address not padded", PlanSetSaveAddress("5")},
        {"save address cancelled", PlanSetSaveAddress(std::nullopt)},
        {"wake 0", PlanSetWakeDelay(0)},
        {"wake 65536", PlanSetWakeDelay(65536)},
        {"group G", PlanSetGroup("G")},
        {"group 1.", PlanSetGroup("1.")},
        {"wireless cancelled", PlanSetWireless(0, 3, 3)},
        {"power 8", PlanSetWireless(2, 8, 0)},
        {"air rate row 7", PlanSetWireless(3, 0, 7)},
    };
    for (const auto& [what, plan] : cases) {
        EXPECT_TRUE(plan.Cancelled()) << what;
        EXPECT_FALSE(plan.restartAdvice) << what;
    }
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

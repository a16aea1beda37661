// A whole read of a simulated module: decoder thread, refresh and the wait
// for late answers, for every serial mode and power mode.

#include "protocol/DecoderThread.h"
#include "protocol/DisplayRecord.h"
#include "protocol/Refresh.h"
#include "protocol/Settle.h"
#include "sim_harness.h"

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;
using tmx7::testing::SimHarness;

namespace {

struct ReadCase {
    const char* name;
    int serialMode;
    int powerMode;
    std::vector<std::string> tabs;
};

// The refresh runs on virtual time (its queries go out back to back), the
// decoder and the wait for answers on real time, as the module answers.
void ReadOnce(SimHarness& h, DisplayRecord& record, DecoderShared& shared, int baud) {
    LinkSettings link;
    link.comPort = SimHarness::kPort;
    link.baud = baud;
    DecoderThread decoder(h.table, shared, link, record);
    ASSERT_TRUE(decoder.Start());
    VirtualClock sequenceClock;
    ASSERT_TRUE(
        RefreshParameters({h.table, shared, record, sequenceClock, SimHarness::kPort, baud}));
    bool complete = false;
    SettleRule rule;
    rule.minimum = 0ms;
    WaitForAnswersToSettle(RealClock(), shared, baud, nullptr, rule, &complete);
    decoder.Stop();
    EXPECT_TRUE(complete) << "every awaited answer arrived";
}

} // namespace

class ReadModule : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadModule, ShowsEveryValueOfTheModule) {
    const auto& c = GetParam();
    SimHarness h(SimHarness::Module(6, 0, c.serialMode, c.powerMode));
    ASSERT_EQ(h.table.Open(SimHarness::kPort, 9600, "n,8,1"), 1);
    DisplayRecord record;
    DecoderShared shared;
    ReadOnce(h, record, shared, 9600);

    EXPECT_EQ(record.Tabs(), c.tabs);
    EXPECT_EQ(record.Text(1038), "433.000MHz");
    EXPECT_EQ(record.Text(1050), "433.000MHz");
    EXPECT_EQ(record.Text(1049), "9600bps");
    EXPECT_EQ(record.Text(1039), "9600,n.8.1");
    EXPECT_EQ(record.Text(1051), "TMX7V1");
    EXPECT_EQ(record.Text(1058), "7");
    EXPECT_EQ(record.Text(1080), "00");
    EXPECT_EQ(record.Text(1043), c.serialMode == 0   ? "主动模式"
                                 : c.serialMode == 1 ? "被动模式"
                                                     : "MODBUS");
    EXPECT_EQ(record.Text(1044), c.powerMode ? "省电模式" : "普通模式");
    const auto params = shared.Params();
    EXPECT_EQ(params.frequency, "433.000MHz");
    EXPECT_EQ(params.portName, "COM5");
    if (c.powerMode) {
        EXPECT_EQ(record.Text(1045), "2");
        EXPECT_EQ(record.Text(1053), "00 00");
        EXPECT_EQ(record.Text(1046), "0.3");
        EXPECT_EQ(record.Text(1047), "01");
        EXPECT_EQ(record.Text(1056), "02");
        EXPECT_EQ(record.Text(1048), "10");
        EXPECT_EQ(record.Text(1057), "ASC");
        EXPECT_TRUE(record.IsMenuEnabled(32784));
    } else {
        EXPECT_EQ(record.Text(1045), kUnknownValue);
        EXPECT_FALSE(record.IsMenuEnabled(32784));
    }
    if (c.serialMode == 1) {
        EXPECT_EQ(record.Text(1052), "30 30");
        EXPECT_EQ(shared.Snapshot().passiveAddr, "30 30");
        EXPECT_TRUE(record.IsEnabled(1024));
    } else {
        EXPECT_EQ(record.Text(1052), kUnknownValue);
    }
    EXPECT_EQ(shared.Snapshot().serialMode, c.serialMode);
    EXPECT_EQ(h.simulator.MalformedCount(), 0u);
    // Recognised answers show in colon form in the receive area.
    EXPECT_NE(record.Received().find("1F:2F:3F:4F:5F:6F:7F:8F:EC\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReadModule,
    ::testing::Values(ReadCase{"active_normal", 0, 0, {"一般参数"}},
                      ReadCase{"passive_normal", 1, 0, {"一般参数", "被动参数"}},
                      ReadCase{"modbus_normal", 2, 0, {"一般参数"}},
                      ReadCase{"active_saving", 0, 1, {"一般参数", "省电参数"}},
                      ReadCase{"passive_saving", 1, 1, {"一般参数", "省电参数", "被动参数"}},
                      ReadCase{"modbus_saving", 2, 1, {"一般参数", "省电参数"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecoderThreadSim, StopIsPromptAndNothingIsWrittenAfterIt) {
    SimHarness h(SimHarness::Module(3, 0, 1, 1)); // 1200 baud: 800 ms pauses
    ASSERT_EQ(h.table.Open(SimHarness::kPort, 1200, "n,8,1"), 1);
    DecoderShared shared;
    LinkSettings link;
    link.comPort = SimHarness::kPort;
    link.baud = 1200;
    RecordingSink sink;
    DecoderThread decoder(h.table, shared, link, sink);
    ASSERT_TRUE(decoder.Start());
    // The power-mode answer makes the decoder write four follow-ups with
    // 800 ms pauses; stop in the middle of them.
    const auto q = MakeQueryFrame(CmdPowerMode);
    ASSERT_EQ(h.table.Write(SimHarness::kPort, q), WriteStatus::Queued);
    ASSERT_TRUE(h.simulator.WaitForFrames(2, 3s)) << "the first follow-up went out";
    const auto start = std::chrono::steady_clock::now();
    decoder.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    const auto frames = h.simulator.FrameCount();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(h.simulator.FrameCount(), frames) << "a follow-up was written after the stop";
}

TEST(DecoderThreadSim, EchoedTestDataShowsInOrderAndChangesNothing) {
    SimHarness h(SimHarness::Module(9)); // 57600, active: echoes data
    ASSERT_EQ(h.table.Open(SimHarness::kPort, 57600, "n,8,1"), 1);
    DecoderShared shared;
    LinkSettings link;
    link.comPort = SimHarness::kPort;
    link.baud = 57600;
    DisplayRecord record;
    DecoderThread decoder(h.table, shared, link, record);
    ASSERT_TRUE(decoder.Start());
    // Looks like a group answer, but lacks the preamble.
    const std::vector<std::uint8_t> data = {0x8F, 0xE7, 0x03, 0x42, 0x01, 0x02};
    std::string expected;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(h.table.Write(SimHarness::kPort, data), WriteStatus::Queued);
        expected += BytesToHexText(data.data(), data.size());
        std::this_thread::sleep_for(150ms);
    }
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (record.Received().size() < expected.size() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    decoder.Stop();
    EXPECT_EQ(record.Received(), expected);
    EXPECT_EQ(record.Text(1080), "");
    EXPECT_TRUE(shared.Params().group.empty());
}

// The refresh sequence on a virtual clock: exact frames, order, pauses,
// progress positions and the display it leaves.

#include "integration/pty_pair.h"
#include "link/PortTable.h"
#include "platform/PortDirectory.h"
#include "protocol/DisplayRecord.h"
#include "protocol/Frames.h"
#include "protocol/Refresh.h"

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;

namespace {

// Records every wait it is asked for; time still jumps at once.
class RecordingClock : public VirtualClock {
public:
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override {
        sleeps.push_back(d.count());
        return VirtualClock::sleepFor(d, stop);
    }
    std::vector<long long> sleeps;
};

struct RefreshFixture {
    tmx7::testing::PtyPair pty;
    PortDirectory dir{
        PortDirectory::Options{"/nonexistent", "/nonexistent",
                               [](const std::string&) { return std::optional<std::string>(); }}};
    std::unique_ptr<CPortTable> table;
    static constexpr int kPort = 3;

    RefreshFixture() {
        dir.Map(kPort, pty.slavePath());
        table = std::make_unique<CPortTable>(dir);
        table->SetMessageHandler([](const std::string&) {});
    }
};

std::vector<long long> ExpectedSleeps(int baud) {
    std::vector<long long> pause;
    const auto plan = PauseAfterQuerySteps(baud);
    for (int i = 0; i < plan.count; ++i)
        pause.push_back(plan.steps[static_cast<std::size_t>(i)].count());
    std::vector<long long> out{1000, 1000};
    for (int i = 0; i < 8; ++i)
        out.insert(out.end(), pause.begin(), pause.end());
    out.push_back(500);
    out.insert(out.end(), pause.begin(), pause.end());
    out.insert(out.end(), {200, 200, 200});
    return out;
}

} // namespace

class RefreshAtBaud : public ::testing::TestWithParam<int> {};

TEST_P(RefreshAtBaud, WritesNineQueriesWithTheirPausesAndProgress) {
    const int baud = GetParam();
    RefreshFixture fx;
    ASSERT_TRUE(fx.pty.ok());
    ASSERT_EQ(fx.table->Open(RefreshFixture::kPort, baud, "n,8,1"), 1);

    RecordingClock clock;
    DecoderShared shared;
    RecordingSink sink;
    ASSERT_TRUE(RefreshParameters({*fx.table, shared, sink, clock, RefreshFixture::kPort, baud}));

    EXPECT_EQ(clock.sleeps, ExpectedSleeps(baud));
    EXPECT_EQ(clock.totalSlept(), RefreshDuration(baud));

    // Exactly nine 10-byte query frames, in order, nothing else.
    const auto wire = fx.pty.receive(90, 2s);
    ASSERT_EQ(wire.size(), 90u);
    const CommandCode order[] = {CmdVersion,      CmdAirRate,    CmdSerialBaud,
                                 CmdSerialFormat, CmdTxPower,    CmdFrequency,
                                 CmdGroup,        CmdSerialMode, CmdPowerMode};
    for (int i = 0; i < 9; ++i) {
        const auto q = MakeQueryFrame(order[i]);
        EXPECT_TRUE(std::equal(q.begin(), q.end(), wire.begin() + i * 10)) << "query " << i;
    }
    EXPECT_TRUE(fx.pty.receive(1, 50ms).empty());

    std::vector<int> progress;
    std::vector<std::string> panes;
    for (const auto& u : sink.Updates()) {
        if (auto* p = std::get_if<SetProgress>(&u))
            progress.push_back(p->position);
        if (auto* p = std::get_if<SetPane>(&u))
            panes.push_back(p->text);
    }
    EXPECT_EQ(progress,
              (std::vector<int>{1, 25, 50, 75, 85, 100, 125, 135, 145, 180, 170, 190, 210, 230}));
    EXPECT_EQ(panes, (std::vector<std::string>{"准备", "刷新参数完成."}));
    EXPECT_EQ(std::get<SelectTab>(sink.Updates().back()).position, 0);
    EXPECT_EQ(shared.Params().portName, "COM3");
    EXPECT_EQ(shared.AwaitedCount(), 9u) << "no module answered, all nine answers are awaited";
}

INSTANTIATE_TEST_SUITE_P(Bauds, RefreshAtBaud, ::testing::Values(1200, 2400, 9600, 57600));

TEST(Refresh, WithoutAModuleBlanksEverythingAndLeavesOnlyTheGeneralPage) {
    RefreshFixture fx;
    VirtualClock clock;
    DecoderShared shared;
    shared.With([](DecoderState& s) {
        s.saveTab = s.passiveTab = true;
        s.baudText = "9600,";
        s.formatText = "n.8.1";
        return 0;
    });
    DisplayRecord record;
    record.Apply({InsertTab{"省电参数", 1}, InsertTab{"被动参数", 2}, SetText{1049, "9600bps"},
                  AppendReceived{"AA BB ", 0}});
    // No port was opened: the writes go nowhere, every step still runs.
    ASSERT_TRUE(RefreshParameters({*fx.table, shared, record, clock, RefreshFixture::kPort, 9600}));

    for (const auto& row : {1038, 1039, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1080, 1050, 1051,
                            1052, 1053, 1056, 1057, 1058})
        EXPECT_EQ(record.Text(row), kUnknownValue) << row;
    EXPECT_EQ(record.Tabs(), std::vector<std::string>{"一般参数"});
    EXPECT_EQ(record.Received(), "");
    EXPECT_EQ(record.Pane(1), "刷新参数完成.");
    EXPECT_FALSE(record.IsShown(1099));
    const auto s = shared.Snapshot();
    EXPECT_FALSE(s.saveTab);
    EXPECT_FALSE(s.passiveTab);
    EXPECT_EQ(s.baudText, "****") << "stale serial settings must not survive a refresh";
    EXPECT_EQ(s.formatText, "****");
}

TEST(Refresh, StopEndsTheSequenceWithoutFurtherWrites) {
    RefreshFixture fx;
    ASSERT_EQ(fx.table->Open(RefreshFixture::kPort, 9600, "n,8,1"), 1);
    VirtualClock clock;
    DecoderShared shared;
    RecordingSink sink;
    StopSignal stop;
    stop.request();
    EXPECT_FALSE(
        RefreshParameters({*fx.table, shared, sink, clock, RefreshFixture::kPort, 9600, &stop}));
    EXPECT_TRUE(fx.pty.receive(1, 100ms).empty());
}

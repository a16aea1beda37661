// The refresh sequence on a virtual clock: exact frames, order, pauses,
// progress positions, what it blanks, and how it ends early.

#include "integration/pty_pair.h"
#include "link/PortTable.h"
#include "platform/PortDirectory.h"
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

struct BaudCase {
    int baud;
    std::vector<long long> sleeps;
};

void PrintTo(const BaudCase& c, std::ostream* out) {
    *out << c.baud;
}

} // namespace

class RefreshAtBaud : public ::testing::TestWithParam<BaudCase> {};

TEST_P(RefreshAtBaud, WritesNineQueriesWithTheirPausesAndProgress) {
    const BaudCase& c = GetParam();
    RefreshFixture fx;
    ASSERT_EQ(fx.table->Open(RefreshFixture::kPort, c.baud, "n,8,1"), 1);

    RecordingClock clock;
    DecoderShared shared;
    EventLog log;
    EXPECT_TRUE(
        RefreshParameters({*fx.table, shared, log, clock, RefreshFixture::kPort, c.baud}).ok());
    EXPECT_EQ(clock.sleeps, c.sleeps);

    const auto wire = fx.pty.receive(90, 2s);
    const std::vector<std::uint8_t> queries = {
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xEC, 0x03, // version
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFC, 0x03, // air rate
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xF2, 0x03, // serial baud
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xAB, 0x03, // serial format
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFB, 0x03, // power
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFF, 0x03, // frequency
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xE7, 0x03, // group
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xF8, 0x03, // serial mode
        0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xA5, 0x03, // power mode
    };
    EXPECT_EQ(wire, queries);
    EXPECT_TRUE(fx.pty.receive(1, 50ms).empty());

    std::vector<int> progress;
    for (const auto& p : log.All<Progress>())
        progress.push_back(p.done);
    EXPECT_EQ(progress,
              (std::vector<int>{1, 25, 50, 75, 85, 100, 125, 135, 145, 180, 170, 190, 210, 230}));
    std::vector<std::string> panes;
    for (const auto& s : log.All<Status>())
        panes.push_back(s.text);
    EXPECT_EQ(panes, (std::vector<std::string>{"准备", "刷新参数完成."}));
    EXPECT_EQ(std::get<PageSelected>(log.Events().back()).page, Page::General);
    EXPECT_EQ(shared.Params().portName, "COM3");
    EXPECT_EQ(shared.AwaitedCount(), 9u) << "no module answered, all nine answers are awaited";
}

INSTANTIATE_TEST_SUITE_P(
    Bauds, RefreshAtBaud,
    ::testing::Values(
        BaudCase{1200, {1000, 1000, 600, 200, 600, 200, 600, 200, 600, 200, 600, 200,
                        600,  200,  600, 200, 600, 200, 500, 600, 200, 200, 200, 200}},
        BaudCase{2400, {1000, 1000, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200,
                        200,  200,  200, 200, 200, 200, 500, 200, 200, 200, 200, 200}},
        BaudCase{9600,
                 {1000, 1000, 200, 200, 200, 200, 200, 200, 200, 200, 500, 200, 200, 200, 200}}),
    [](const auto& info) { return "At" + std::to_string(info.param.baud); });

TEST(Refresh, BlanksEverythingAndLeavesOnlyTheGeneralPage) {
    RefreshFixture fx;
    ASSERT_EQ(fx.table->Open(RefreshFixture::kPort, 9600, "n,8,1"), 1);
    VirtualClock clock;
    DecoderShared shared;
    shared.With([](DecoderState& s) {
        s.saveTab = s.passiveTab = true;
        s.baudText = "9600,";
        s.formatText = "n.8.1";
        return 0;
    });
    ShownValues shown;
    shown.Post({PageShown{Page::PowerSaving, true}, PageShown{Page::Passive, true},
                ValueShown{Field::AirRate, "9600bps"}, Received{"AA BB ", 0}});
    ASSERT_TRUE(
        RefreshParameters({*fx.table, shared, shown, clock, RefreshFixture::kPort, 9600}).ok());

    for (const auto& text : shown.Values())
        EXPECT_EQ(text, "********");
    EXPECT_FALSE(shown.PageThere(Page::PowerSaving));
    EXPECT_FALSE(shown.PageThere(Page::Passive));
    EXPECT_EQ(shown.ReceivedText(), "");
    EXPECT_EQ(shown.StatusText(StatusSlot::Activity), "刷新参数完成.");
    const auto s = shared.Snapshot();
    EXPECT_FALSE(s.saveTab);
    EXPECT_FALSE(s.passiveTab);
    EXPECT_EQ(s.baudText, "****") << "stale serial settings must not survive a refresh";
    EXPECT_EQ(s.formatText, "****");
}

TEST(Refresh, EndsEarlyWithoutFurtherWrites) {
    RefreshFixture fx;
    VirtualClock clock;
    DecoderShared shared;
    EventLog log;

    // No port open: the first query finds nothing to write to.
    EXPECT_EQ(RefreshParameters({*fx.table, shared, log, clock, RefreshFixture::kPort, 9600}).kind,
              OutcomeKind::PortLost);
    ASSERT_EQ(log.All<WriteFailed>().size(), 1u);
    EXPECT_EQ(log.All<WriteFailed>()[0].code, CmdVersion);
    EXPECT_TRUE(log.All<Status>().size() == 1u) << "no completion text after a lost port";

    ASSERT_EQ(fx.table->Open(RefreshFixture::kPort, 9600, "n,8,1"), 1);
    StopSignal stop;
    stop.request();
    EXPECT_EQ(
        RefreshParameters({*fx.table, shared, log, clock, RefreshFixture::kPort, 9600, &stop}).kind,
        OutcomeKind::Stopped);
    EXPECT_TRUE(fx.pty.receive(1, 100ms).empty());
}

// Continuous send without a window: the dialog's checks, timers 4-7, the
// count display and the send path that skips ticks instead of waiting.

#include "platform/Clock.h"
#include "ui/ContinuousSend.h"
#include "ui/TestData.h"

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;

namespace {

TEST(ContinuousSendForm, InitialisationChoosesUserDataUntilStopped) {
    ContinuousSendForm f;
    EXPECT_EQ(f.CheckedFormRadio(), 0);
    EXPECT_EQ(f.CheckedCountRadio(), 0);
    EXPECT_EQ(f.Count(), 10u);
    EXPECT_EQ(f.IntervalMs(), 100u);
    f.Initialise();
    EXPECT_EQ(f.CheckedFormRadio(), kIdcUserData);
    EXPECT_EQ(f.CheckedCountRadio(), kIdcUntilStopped);
    EXPECT_FALSE(f.CountEditEnabled());
    f.Click(SendRadio::Counted);
    EXPECT_TRUE(f.CountEditEnabled());
    f.Click(SendRadio::StandardForm);
    EXPECT_EQ(f.DataForm(), 1);
    f.Click(SendRadio::UntilStopped);
    EXPECT_FALSE(f.CountEditEnabled());
    EXPECT_EQ(f.DataForm(), 1);
    EXPECT_EQ(f.CountMode(), 0);
}

TEST(ContinuousSendForm, OkValidatesBothRanges) {
    struct Row {
        const char* count;
        const char* interval;
        SendField focus; // None: accepted
    };
    const Row rows[] = {
        {"1", "100", SendField::None},
        {"999", "999999", SendField::None},
        {"3", "250", SendField::None},
        {"0", "100", SendField::Count},
        {"1000", "100", SendField::Count},
        {"", "100", SendField::Count},
        {"1.", "100", SendField::Count},
        {"-1", "100", SendField::Count},
        {"10", "99", SendField::Interval},
        {"10", "1000000", SendField::Interval},
        {"10", "1.5", SendField::Interval},
        {"10", "", SendField::Interval},
        {"10", "99999999999999999999", SendField::Interval},
    };
    for (const Row& row : rows) {
        ContinuousSendForm f;
        f.Initialise();
        f.Click(SendRadio::Counted);
        const FormCheck c = f.Ok(row.count, row.interval);
        EXPECT_EQ(c.field, row.focus) << row.count << " / " << row.interval;
        EXPECT_EQ(c.choice.has_value(), row.focus == SendField::None);
        if (row.focus == SendField::Count) {
            EXPECT_EQ(c.message, "请输入一个介于 1 和 999 之间的整数。");
        }
        if (row.focus == SendField::Interval) {
            EXPECT_EQ(c.message, "请输入一个介于 100 和 999999 之间的整数。");
        }
    }
    ContinuousSendForm f;
    f.Initialise();
    f.Click(SendRadio::StandardForm);
    f.Click(SendRadio::Counted);
    const FormCheck c = f.Ok("3", "250");
    ASSERT_TRUE(c.choice.has_value());
    EXPECT_EQ(c.choice->dataForm, 1);
    EXPECT_EQ(c.choice->countMode, 1);
    EXPECT_EQ(c.choice->count, 3u);
    EXPECT_EQ(c.choice->intervalMs, 250u);
}

TEST(ContinuousSendForm, NumberEditsTakeDigitsBackspaceAndFullStopOnly) {
    for (char32_t c : {U'0', U'5', U'9', U'\b', U'.'})
        EXPECT_TRUE(ContinuousSendForm::AcceptsChar(c));
    for (char32_t c : {U'a', U'A', U'-', U' ', U'+', U'\r', U'０'})
        EXPECT_FALSE(ContinuousSendForm::AcceptsChar(c));
}

TEST(ContinuousSendTimers, EachChoiceHasItsTimer) {
    EXPECT_EQ(ContinuousSendTimers::TimerFor(0, 0), 4);
    EXPECT_EQ(ContinuousSendTimers::TimerFor(1, 0), 5);
    EXPECT_EQ(ContinuousSendTimers::TimerFor(0, 1), 6);
    EXPECT_EQ(ContinuousSendTimers::TimerFor(1, 1), 7);
    ContinuousSendTimers t;
    const TimerStart s = t.Start({1, 0, 10, 250});
    EXPECT_EQ(s.timerId, 5);
    EXPECT_EQ(s.intervalMs, 250u);
    const TimerTick tick = t.OnTimer(5);
    EXPECT_TRUE(tick.send);
    EXPECT_EQ(tick.payload, Payload::StandardData);
    EXPECT_FALSE(tick.stopTimer);
    EXPECT_FALSE(t.OnTimer(8).ours) << "export timer is not ours";
    EXPECT_FALSE(t.OnTimer(3).ours);
}

TEST(ContinuousSendTimers, CountedRunOfThreeStopsItselfAndKeepsTheCount) {
    ContinuousSendTimers t;
    t.Start({0, 1, 3, 100});
    int sends = 0;
    bool stopped = false;
    for (int i = 0; i < 3; ++i) {
        const TimerTick tick = t.OnTimer(6);
        sends += tick.send;
        EXPECT_EQ(tick.payload, Payload::UserData);
        stopped = tick.stopTimer;
        EXPECT_EQ(stopped, i == 2);
    }
    EXPECT_EQ(sends, 3);
    EXPECT_FALSE(t.IsRunning(6));
    EXPECT_EQ(t.SendCount(), 3u);
    // A tick already queued when the timer was killed sends nothing.
    const TimerTick late = t.OnTimer(6);
    EXPECT_FALSE(late.send);
    EXPECT_TRUE(late.stopTimer);
    EXPECT_EQ(t.SendCount(), 3u);

    const auto killed = t.Leave();
    EXPECT_EQ(killed, (std::array<int, 4>{4, 5, 6, 7}));
    EXPECT_EQ(t.SendCount(), 0u);
    t.Start({0, 1, 1, 100});
    EXPECT_EQ(t.SendCount(), 0u) << "a new run's display starts from 0";
    EXPECT_TRUE(t.OnTimer(6).stopTimer);
    EXPECT_EQ(t.SendCount(), 1u);
}

TEST(ContinuousSendTimers, LeavingStopsAnUnlimitedRun) {
    // OK, Escape and the window manager's close all end here.
    ContinuousSendTimers t;
    t.Start({0, 0, 10, 100});
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(t.OnTimer(4).send);
    EXPECT_EQ(t.SendCount(), 50u);
    EXPECT_TRUE(t.AnyRunning());
    t.Leave();
    EXPECT_FALSE(t.AnyRunning());
    EXPECT_FALSE(t.OnTimer(4).send);
    EXPECT_EQ(t.SendCount(), 0u);
}

TEST(ContinuousSendTimers, CountedRunWithoutSendsLeftEndsAtOnce) {
    ContinuousSendTimers t;
    t.Start({1, 1, 0, 100}); // cannot come from the dialog; must still end
    const TimerTick tick = t.OnTimer(7);
    EXPECT_FALSE(tick.send);
    EXPECT_TRUE(tick.stopTimer);
    EXPECT_FALSE(t.AnyRunning());
}

TEST(SendCountModel, ShowsTheWindowCount) {
    SendCountModel m;
    EXPECT_EQ(m.Text(), "0");
    m.Refresh(3);
    EXPECT_EQ(m.Count(), 3u);
    EXPECT_EQ(m.Text(), "3");
    m.Refresh(4294967295u);
    EXPECT_EQ(m.Text(), "4294967295");
    EXPECT_EQ(SendCountModel::kRefreshMs, 20);
}

// A sink that records frames and reports a chosen driver backlog.
class FakeSink : public DataSink {
public:
    std::optional<std::size_t> Backlog() const override { return driverBacklog; }
    bool Write(std::span<const std::uint8_t> bytes) override {
        if (!portThere)
            return false;
        frames.emplace_back(bytes.begin(), bytes.end());
        return true;
    }
    std::optional<std::size_t> driverBacklog = 0;
    bool portThere = true;
    std::vector<std::vector<std::uint8_t>> frames;
};

TEST(BoundedSender, SkipsTicksTheLineCannotCarryAndKeepsWholeFrames) {
    VirtualClock clock;
    clock.setAutoAdvance(false);
    FakeSink sink;
    // 1200 baud, 10 bits: 120 bytes a second. 200-byte frames every 100 ms.
    BoundedSender sender(clock, 1200, 10, 2048);
    const std::vector<std::uint8_t> frame(200, 0xAA);
    int written = 0, skipped = 0;
    std::size_t maxBacklog = 0;
    for (int tick = 0; tick < 600; ++tick) { // one minute
        const SendOutcome o = sender.Send(sink, frame);
        written += o == SendOutcome::Written;
        skipped += o == SendOutcome::Skipped;
        maxBacklog = std::max(maxBacklog, sender.Backlog(sink));
        clock.advance(100ms);
    }
    EXPECT_LE(maxBacklog, 2048u);
    // The line carries 7200 bytes a minute; 2048 more may wait.
    EXPECT_GE(written * 200, 7200 - 200);
    EXPECT_LE(written * 200, 7200 + 2048);
    EXPECT_GT(skipped, 500);
    for (const auto& f : sink.frames)
        EXPECT_EQ(f.size(), 200u);
}

TEST(BoundedSender, FastLineNeverSkipsAndDriverBacklogCounts) {
    VirtualClock clock;
    clock.setAutoAdvance(false);
    FakeSink sink;
    BoundedSender sender(clock, 57600, 10);
    const std::vector<std::uint8_t> frame(192, 0x11);
    for (int tick = 0; tick < 100; ++tick) {
        EXPECT_EQ(sender.Send(sink, frame), SendOutcome::Written);
        clock.advance(100ms);
    }
    sink.driverBacklog = 1900; // a USB adapter that holds data back
    EXPECT_EQ(sender.Send(sink, frame), SendOutcome::Skipped);
    sink.driverBacklog = std::nullopt;
    EXPECT_EQ(sender.Send(sink, frame), SendOutcome::Written);
    sink.portThere = false;
    clock.advance(1s);
    EXPECT_EQ(sender.Send(sink, frame), SendOutcome::NoPort);
}

TEST(BitsPerByte, FromLineFormat) {
    EXPECT_EQ(BitsPerByte("n,8,1"), 10);
    EXPECT_EQ(BitsPerByte("N,8,2"), 11);
    EXPECT_EQ(BitsPerByte("e,8,1"), 11);
    EXPECT_EQ(BitsPerByte("O,8,2"), 12);
    EXPECT_EQ(BitsPerByte("garbage"), 10);
}

TEST(PlanContinuousTick, BuildsThePayloadOfTheTickAndCountsWithoutAMode) {
    ContinuousSendTimers timers;
    TestDataModel data("/nonexistent/yonghushuju.mak");
    SendContext ctx{"41 42", data.StdData(), kModeUnknown, ""};

    EXPECT_EQ(timers.Start({1, 1, 3, 100}).timer, SendTimer::StdCounted);
    TickPlan p = PlanContinuousTick(timers, SendTimer::StdCounted, ctx);
    EXPECT_TRUE(p.send);
    EXPECT_FALSE(p.data.ok());
    EXPECT_TRUE(p.data.status.empty()) << "unknown mode is silent";
    EXPECT_EQ(timers.SendCount(), 1u) << "counts although nothing is written";

    ctx.serialMode = kModeActive;
    p = PlanContinuousTick(timers, SendTimer::StdCounted, ctx);
    ASSERT_TRUE(p.data.ok());
    EXPECT_EQ(p.data.bytes.size(), 20u);

    // A length change during the run applies at the next tick.
    ASSERT_TRUE(data.ChooseStdLength(Command::StdLength192));
    ctx.stdData = data.StdData();
    ctx.serialMode = kModePassive;
    ctx.passiveAddr = "30 30";
    p = PlanContinuousTick(timers, SendTimer::StdCounted, ctx);
    EXPECT_TRUE(p.stopTimer);
    ASSERT_EQ(p.data.bytes.size(), 199u);
    EXPECT_EQ(p.data.bytes[4], 0x00);
    EXPECT_EQ(p.data.bytes[5], 0xC0);
    EXPECT_EQ(timers.SendCount(), 3u);

    // Passive without an address: counted, refused with a status.
    timers.Leave();
    EXPECT_EQ(timers.Start({0, 0, 1, 100}).timer, SendTimer::UserUntilStopped);
    ctx.passiveAddr = "";
    p = PlanContinuousTick(timers, SendTimer::UserUntilStopped, ctx);
    EXPECT_FALSE(p.data.ok());
    EXPECT_EQ(p.data.status, "未读到被动地址，数据未发送");
    EXPECT_EQ(timers.SendCount(), 1u);

    // A halted run (the port went away) sends no more but keeps its count.
    timers.Halt(SendTimer::UserUntilStopped);
    p = PlanContinuousTick(timers, SendTimer::UserUntilStopped, ctx);
    EXPECT_FALSE(p.send);
    EXPECT_TRUE(p.stopTimer);
    EXPECT_FALSE(timers.AnyRunning());
    EXPECT_EQ(timers.SendCount(), 1u);
}

TEST(RunContinuousTick, SkippedTickWarns) {
    VirtualClock clock;
    clock.setAutoAdvance(false);
    FakeSink sink;
    sink.driverBacklog = 4000;
    BoundedSender sender(clock, 9600);
    ContinuousSendTimers timers;
    timers.Start({0, 0, 1, 100});
    const TickOutcome o =
        RunContinuousTick(timers, 4, {"00 01", "", kModeActive, ""}, sender, sink);
    EXPECT_FALSE(o.written);
    EXPECT_EQ(o.status, BoundedSender::SkipStatus());
    EXPECT_TRUE(sink.frames.empty());
}

} // namespace

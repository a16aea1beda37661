// Continuous send without a window: the dialog's checks and the four send
// timers.

#include "ui/ContinuousSend.h"
#include "ui/TestData.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

TEST(ContinuousSendForm, InitialisationChoosesUserDataUntilStopped) {
    ContinuousSendForm f;
    EXPECT_EQ(f.DataForm(), -1);
    EXPECT_EQ(f.CountMode(), -1);
    EXPECT_EQ(f.Count(), 10u);
    EXPECT_EQ(f.IntervalMs(), 100u);
    f.Initialise();
    EXPECT_EQ(f.DataForm(), 0);
    EXPECT_EQ(f.CountMode(), 0);
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
    ContinuousSendTimers t;
    EXPECT_EQ(t.Start({0, 0, 10, 100}).timer, SendTimer::UserUntilStopped);
    EXPECT_EQ(t.Start({0, 1, 10, 100}).timer, SendTimer::UserCounted);
    EXPECT_EQ(t.Start({1, 1, 10, 100}).timer, SendTimer::StdCounted);
    const TimerStart s = t.Start({1, 0, 10, 250});
    EXPECT_EQ(s.timer, SendTimer::StdUntilStopped);
    EXPECT_EQ(s.intervalMs, 250u);
    const TimerTick tick = t.OnTimer(SendTimer::StdUntilStopped);
    EXPECT_TRUE(tick.send);
    EXPECT_EQ(tick.payload, Payload::StandardData);
    EXPECT_FALSE(tick.stopTimer);
}

TEST(ContinuousSendTimers, CountedRunOfThreeStopsItselfAndKeepsTheCount) {
    ContinuousSendTimers t;
    t.Start({0, 1, 3, 100});
    int sends = 0;
    for (int i = 0; i < 3; ++i) {
        const TimerTick tick = t.OnTimer(SendTimer::UserCounted);
        sends += tick.send;
        EXPECT_EQ(tick.payload, Payload::UserData);
        EXPECT_EQ(tick.stopTimer, i == 2);
    }
    EXPECT_EQ(sends, 3);
    EXPECT_FALSE(t.IsRunning(SendTimer::UserCounted));
    EXPECT_EQ(t.SendCount(), 3u);
    // A tick already queued when the timer was stopped sends nothing.
    const TimerTick late = t.OnTimer(SendTimer::UserCounted);
    EXPECT_FALSE(late.send);
    EXPECT_TRUE(late.stopTimer);
    EXPECT_EQ(t.SendCount(), 3u);

    t.Leave();
    EXPECT_EQ(t.SendCount(), 0u);
    t.Start({0, 1, 1, 100});
    EXPECT_EQ(t.SendCount(), 0u) << "a new run's display starts from 0";
    EXPECT_TRUE(t.OnTimer(SendTimer::UserCounted).stopTimer);
    EXPECT_EQ(t.SendCount(), 1u);
}

TEST(ContinuousSendTimers, LeavingStopsAnUnlimitedRun) {
    // OK, Escape and the window manager's close all end here.
    ContinuousSendTimers t;
    t.Start({0, 0, 10, 100});
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(t.OnTimer(SendTimer::UserUntilStopped).send);
    EXPECT_EQ(t.SendCount(), 50u);
    t.Leave();
    EXPECT_FALSE(t.IsRunning(SendTimer::UserUntilStopped));
    EXPECT_FALSE(t.OnTimer(SendTimer::UserUntilStopped).send);
    EXPECT_EQ(t.SendCount(), 0u);
}

TEST(ContinuousSendTimers, CountedRunWithoutSendsLeftEndsAtOnce) {
    ContinuousSendTimers t;
    t.Start({1, 1, 0, 100}); // cannot come from the dialog; must still end
    const TimerTick tick = t.OnTimer(SendTimer::StdCounted);
    EXPECT_FALSE(tick.send);
    EXPECT_TRUE(tick.stopTimer);
    EXPECT_FALSE(t.IsRunning(SendTimer::StdCounted));
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
    EXPECT_FALSE(timers.IsRunning(SendTimer::UserUntilStopped));
    EXPECT_EQ(timers.SendCount(), 1u);
}

} // namespace

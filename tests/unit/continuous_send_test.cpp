// The continuous send's timers and ticks without a window: what the window
// tests cannot reach (a tick queued after its timer stopped, a run the
// dialog would never start, a mode not yet known).

#include "ui/ContinuousSend.h"
#include "ui/TestData.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

TEST(ContinuousSendTimers, ATickAfterTheEndSendsNothing) {
    ContinuousSendTimers t;
    t.Start({0, 1, 1, 100});
    EXPECT_TRUE(t.OnTimer(SendTimer::UserCounted).stopTimer);
    // A tick already queued when the timer was stopped.
    const TimerTick late = t.OnTimer(SendTimer::UserCounted);
    EXPECT_FALSE(late.send);
    EXPECT_TRUE(late.stopTimer);
    EXPECT_EQ(t.SendCount(), 1u);
    // A counted run with nothing left cannot come from the dialog; it must still end.
    t.Start({1, 1, 0, 100});
    EXPECT_FALSE(t.OnTimer(SendTimer::StdCounted).send);
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
}

} // namespace

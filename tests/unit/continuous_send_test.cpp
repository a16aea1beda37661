// The continuous send's timers and ticks without a window: what the window
// tests cannot reach (a tick queued after its timer stopped, a run the
// dialog would never start, a mode not yet known).

#include "ui/ContinuousSend.h"

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

} // namespace

// The GUI tests' wait must fail loudly when its condition never holds.

#include "QtTestApp.h"

#include <QTimer>

using tmx7::test::WaitUntil;
using namespace std::chrono_literals;

TEST(WaitUntil, FailsWhenTheConditionNeverHolds) {
    const auto result = WaitUntil([] { return false; }, 30ms);
    EXPECT_FALSE(result);
    EXPECT_STREQ(result.message(), "not reached within 30 ms");
}

TEST(WaitUntil, RunsTheEventLoopUntilTheConditionHolds) {
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    EXPECT_TRUE(WaitUntil([&] { return fired; }, 2s));
}

// The wake-delay dialog's count and text at every position of its bar. (The
// dialogs' keys, buttons and prompts are tested on the windows themselves.)

#include "settings/DialogModels.h"
#include "settings/Download.h"
#include "settings/SetCommands.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace tmx7;

namespace {

TEST(WakeDelayDialog, EveryPositionSendsAndShowsItsExactCount) {
    WakeDelayModel m;
    EXPECT_EQ(m.Text(), "0.3");
    m.Scroll().Apply(ScrollRequest::LineDown);
    EXPECT_EQ(m.Text(), "0.3") << "the bottom holds";
    m.Scroll().position = 10;
    EXPECT_EQ(m.Text(), "3");

    // The float route (position * 0.3 * 3.3333333333333335, truncated) comes
    // out one low for thousands of positions. At every position the count
    // sent, and the count a download reads back from the shown text, must be
    // the position itself.
    int floatLow = 0;
    for (int pos = 1; pos <= 65535; ++pos) {
        floatLow += static_cast<long long>(pos * 0.3 * 3.3333333333333335) != pos;
        m.Scroll().position = pos;
        const int tenths = pos * 3;
        const std::string text =
            std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "");
        ASSERT_EQ(m.Text(), text) << pos;
        const auto plan = PlanSetWakeDelay(m.Count());
        ASSERT_TRUE(plan.frame) << pos;
        ASSERT_EQ((*plan.frame)[10], pos >> 8) << pos;
        ASSERT_EQ((*plan.frame)[11], pos & 0xFF) << pos;
        ASSERT_EQ(WakeDelayCountFromText(m.Text()), pos) << pos;
    }
    EXPECT_GT(floatLow, 1000);
    EXPECT_EQ(m.Text(), "19660.5");

    // A decimal comma locale must not change the text.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        m.Scroll().position = 1;
        EXPECT_EQ(m.Text(), "0.3");
        std::setlocale(LC_NUMERIC, "C");
    }
}

} // namespace

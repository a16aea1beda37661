// A night's data test compressed to ten minutes: the 192-byte pattern every
// 100 ms at 57600 baud against an echoing module, through the port table, the
// decoder and the bounded receive text. Nothing may be lost or reordered,
// memory must stay flat and no tick may hold the window thread for 50 ms.
// TMX7_SOAK_SECONDS shortens the run for a quick look.

#include "integration/datatest_rig.h"
#include "integration/soak_probe.h"
#include "protocol/Frames.h"
#include "ui/ContinuousSend.h"
#include "ui/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace tmx7;
using namespace tmx7::testing;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

namespace {

std::chrono::seconds SoakLength() {
    if (const char* s = std::getenv("TMX7_SOAK_SECONDS"))
        if (const long v = std::strtol(s, nullptr, 10); v > 0)
            return std::chrono::seconds(v);
    return 600s;
}

TEST(DataSoak, StandardPatternEvery100msFor10Minutes) {
    DataRig rig(ModuleAt(57600, 0), 911);
    ASSERT_TRUE(rig.Start());
    TestDataModel data("/nonexistent/yonghushuju.mak");
    ASSERT_TRUE(data.ChooseStdLength(Command::StdLength192));
    const auto pattern = HexTextToBytes(ColonsToBlanks(data.StdData()));
    ASSERT_EQ(pattern.size(), 192u);

    ContinuousSendTimers timers;
    const TimerStart start = timers.Start({1, 0, 10, 100});
    const SendContext ctx{"", data.StdData(), kModeActive, ""};

    const auto length = SoakLength();
    const auto begin = SteadyClock::now();
    const auto baselineAt = begin + length / 5; // receive text full by then
    std::size_t baselineKiB = 0, peakKiB = 0;
    std::size_t written = 0, checked = 0, mismatches = 0;
    std::size_t dropped = 0; // bytes compared and let go
    auto longestTick = SteadyClock::duration::zero();
    auto next = begin;
    while (SteadyClock::now() - begin < length) {
        next += std::chrono::milliseconds(start.intervalMs);
        std::this_thread::sleep_until(next);
        // What the window thread does on a timer 5 tick and a decoder cycle.
        const auto t0 = SteadyClock::now();
        const TickPlan tick = PlanContinuousTick(timers, start.timer, ctx);
        const bool sent =
            tick.data.ok() && rig.Table().Write(rig.Port(), tick.data.bytes) == WriteStatus::Queued;
        rig.Drain();
        longestTick = std::max(longestTick, SteadyClock::now() - t0);
        written += sent;
        EXPECT_TRUE(sent) << tick.data.status;
        // Compare and forget, so the check itself keeps memory flat.
        for (; checked < rig.received.size(); ++checked)
            mismatches += rig.received[checked] != pattern[checked % pattern.size()];
        if (checked > 1 << 16) {
            // Drop whole patterns only, so the index stays aligned.
            const std::size_t drop = checked - checked % pattern.size();
            rig.received.erase(rig.received.begin(),
                               rig.received.begin() + static_cast<std::ptrdiff_t>(drop));
            checked -= drop;
            dropped += drop;
        }
        if (baselineKiB == 0 && SteadyClock::now() >= baselineAt)
            baselineKiB = ResidentKiB();
        peakKiB = std::max(peakKiB, ResidentKiB());
    }
    timers.Leave();
    const std::size_t expected = written * pattern.size();
    // The last frames are still on their way back.
    EXPECT_TRUE(rig.WaitReceived(expected - dropped, 2s));
    for (; checked < rig.received.size(); ++checked)
        mismatches += rig.received[checked] != pattern[checked % pattern.size()];
    EXPECT_EQ(dropped + rig.received.size(), expected) << "bytes received vs sent";

    const std::size_t ticks = static_cast<std::size_t>(length / 100ms);
    EXPECT_GE(written, ticks - ticks / 50) << "ticks skipped on a line that is fast enough";
    // Two ticks that fire back to back after a scheduling delay reach the
    // module as one burst, so the audit may count a frame less; the bytes
    // must all be there.
    EXPECT_LE(rig.Sim().FrameCount(), written);
    EXPECT_GE(rig.Sim().FrameCount(), written - written / 50);
    EXPECT_EQ(rig.Sim().MalformedCount(), 0u);
    EXPECT_EQ(rig.Sim().BytesSent(), expected) << "echoed";
    EXPECT_EQ(mismatches, 0u) << "lost or reordered bytes";
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(longestTick).count(), 50);
    EXPECT_LT(peakKiB, baselineKiB + 2048) << "resident memory grew from " << baselineKiB;
    RecordProperty("frames", static_cast<int>(written));
    RecordProperty("rss_baseline_kib", static_cast<int>(baselineKiB));
    RecordProperty("rss_peak_kib", static_cast<int>(peakKiB));
}

} // namespace

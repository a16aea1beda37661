// A night's data test in a few minutes: the 192-byte standard pattern every
// 100 ms at 57600 baud against an echoing simulated module, through the port
// table and the decoder.
//
//   datatest_soak [seconds]     (default 60; 600 for the ten-minute run)
//
// Prints frames sent per second against those asked, bytes echoed, received
// and shown against those sent, the longest tick and the resident memory at
// start and end.

#include "bench/datatest_rig.h"
#include "bench/proc_probe.h"
#include "protocol/Frames.h"
#include "ui/ContinuousSend.h"
#include "ui/TestData.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace tmx7;
using namespace tmx7::testing;
using SteadyClock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::max(1L, std::strtol(argv[1], nullptr, 10)) : 60;
    DataRig rig(ModuleAt(57600, 0), 921);
    if (!rig.Start()) {
        std::fprintf(stderr, "could not start the simulated module\n");
        return 1;
    }
    TestDataModel data("/nonexistent/yonghushuju.mak");
    data.ChooseStdLength(Command::StdLength192);
    const auto pattern = HexTextToBytes(ColonsToBlanks(data.StdData()));
    ContinuousSendTimers timers;
    const TimerStart start = timers.Start({1, 0, 10, 100});
    const SendContext ctx{"", data.StdData(), kModeActive, ""};

    const std::size_t rssStart = ResidentKiB();
    std::size_t asked = 0, written = 0, skipped = 0, received = 0, mismatches = 0;
    auto longest = SteadyClock::duration::zero();
    const auto begin = SteadyClock::now();
    auto next = begin;
    while (SteadyClock::now() - begin < std::chrono::seconds(seconds)) {
        next += std::chrono::milliseconds(start.intervalMs);
        std::this_thread::sleep_until(next);
        const auto t0 = SteadyClock::now();
        const TickPlan tick = PlanContinuousTick(timers, start.timer, ctx);
        const bool sent =
            tick.data.ok() && rig.Table().Write(rig.Port(), tick.data.bytes) == WriteStatus::Queued;
        rig.Drain();
        longest = std::max(longest, SteadyClock::now() - t0);
        ++asked;
        written += sent;
        skipped += !sent;
        for (std::uint8_t b : rig.received)
            mismatches += b != pattern[received++ % pattern.size()];
        rig.received.clear();
    }
    const double elapsed = std::chrono::duration<double>(SteadyClock::now() - begin).count();
    timers.Leave();
    rig.WaitReceived(written * pattern.size() - received, std::chrono::seconds(2));
    for (std::uint8_t b : rig.received)
        mismatches += b != pattern[received++ % pattern.size()];
    const std::size_t rssEnd = ResidentKiB();

    const std::size_t sent = written * pattern.size();
    std::printf("duration            %.1f s\n", elapsed);
    std::printf("frames asked        %zu (%.2f/s)\n", asked, static_cast<double>(asked) / elapsed);
    std::printf("frames sent         %zu (%.2f/s), skipped %zu\n", written,
                static_cast<double>(written) / elapsed, skipped);
    std::printf("frames on the line  %zu, malformed %zu\n", rig.Sim().FrameCount(),
                rig.Sim().MalformedCount());
    std::printf("bytes sent          %zu\n", sent);
    std::printf("bytes echoed        %zu\n", rig.Sim().BytesSent());
    std::printf("bytes received      %zu, out of order %zu\n", received, mismatches);
    std::printf("bytes shown         %zu (%zu chars)\n", rig.shownChars / 3, rig.shownChars);
    std::printf("packets             %zu\n", rig.packets);
    std::printf("longest tick        %.2f ms\n",
                std::chrono::duration<double, std::milli>(longest).count());
    std::printf("RSS start / end     %zu KiB / %zu KiB\n", rssStart, rssEnd);
    return (received == sent && mismatches == 0) ? 0 : 2;
}

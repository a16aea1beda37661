// Wake-ups of the engine on a silent line: one open port at 9600 baud and
// the answer decoder running, nothing on the line for argv[1] seconds
// (default 30). Counts the voluntary context switches of every thread of
// the process (/proc/self/task/*/status), the sleeping main thread included.
// Target: below 1 per second.

#include "bench/proc_probe.h"
#include "bench_pty.h"
#include "link/PortTable.h"
#include "protocol/DecoderShared.h"
#include "protocol/DecoderThread.h"
#include "protocol/Events.h"

#include <cstdlib>
#include <string>
#include <thread>

using namespace tmx7;

namespace {

class NoView : public EventSink {
public:
    void Post(std::vector<Event>) override {}
};

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    bench::Pty pty;
    if (!pty.open(1))
        return 1;
    CPortTable table;
    if (table.Open(1, 9600, "n,8,1") != 1) {
        std::fprintf(stderr, "idle_wakeups: cannot open the pty\n");
        return 1;
    }
    DecoderShared shared;
    LinkSettings link;
    link.comPort = 1;
    link.baud = 9600;
    NoView view;
    DecoderThread decoder(table, shared, link, view);
    decoder.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // settle after start-up

    const testing::Switches s0 = testing::CountSwitches();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const testing::Switches s1 = testing::CountSwitches();
    decoder.Stop();
    table.Stop(1);

    const double perSecond = static_cast<double>(s1.voluntary - s0.voluntary) / wall;
    const bool pass = perSecond < 1.0;
    std::printf("idle_wakeups threads=%d wall=%.1fs voluntary-switches=%lld per-second=%.3f "
                "(target < 1) %s\n",
                s1.threads, wall, s1.voluntary - s0.voluntary, perSecond, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

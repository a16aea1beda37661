// Timed driver: a whole module read and an auto-detection at 9600 baud
// against the simulated module, each against the time its waits add up to.
//
//   read_timing [runs]
//
// The read's reference is the refresh's own waits (4.9 s at 9600); what
// comes on top is the time the module's last answers take to arrive and be
// taken as settled. The detection's reference is three failed tries and one
// successful try with their pauses: 6.0 s.

#include "link/PortTable.h"
#include "platform/PortDirectory.h"
#include "protocol/DecoderThread.h"
#include "protocol/Refresh.h"
#include "protocol/SerialSetup.h"
#include "protocol/Settle.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <cstdlib>

using namespace tmx7;
using Clock_ = std::chrono::steady_clock;

namespace {

double Seconds(Clock_::duration d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    constexpr int kPort = 9;
    constexpr int kBaud = 9600;

    sim::SimulatorOptions options;
    options.state.serialBaud = 0x06;
    sim::Simulator module(options);
    if (!module.Start()) {
        std::fprintf(stderr, "simulated module did not start\n");
        return 1;
    }
    PortDirectory::System().Map(kPort, module.SlavePath());
    CPortTable table;
    table.SetMessageHandler([](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });

    const double detectReference = 6.0;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock_::now();
        SerialSetup setup(table);
        const auto r = setup.AutoDetect(kPort);
        const double took = Seconds(Clock_::now() - start);
        std::printf("auto-detect at 9600: %s in %.3f s, %.3f of the 6.0 s the waits add up to\n",
                    r.connected ? "found" : "NOT FOUND", took, took / detectReference);
        if (i + 1 < runs)
            table.Stop(kPort);
    }

    // 2 s of preparation, nine 200 ms pauses, 500 ms and three 200 ms steps.
    const double refreshReference = 4.9;
    for (int i = 0; i < runs; ++i) {
        DecoderShared shared;
        LinkSettings link;
        link.comPort = kPort;
        link.baud = kBaud;
        EventLog record;
        DecoderThread decoder(table, shared, link, record);
        decoder.Start();
        const auto start = Clock_::now();
        RefreshParameters({table, shared, record, RealClock(), kPort, kBaud});
        const double refreshTook = Seconds(Clock_::now() - start);
        bool complete = false;
        SettleRule rule;
        rule.minimum = Millis(0);
        WaitForAnswersToSettle(RealClock(), shared, kBaud, nullptr, rule, &complete);
        const double total = Seconds(Clock_::now() - start);
        decoder.Stop();
        std::printf("read at 9600: refresh %.3f s (%.4f of its %.1f s of waits), settled after "
                    "%.3f s more, all answers %s\n",
                    refreshTook, refreshTook / refreshReference, refreshReference,
                    total - refreshTook, complete ? "in" : "MISSING");
    }
    return 0;
}

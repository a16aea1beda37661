// A module whose line stalls while set commands keep coming. The simulated
// module stops reading its pty (the stall fault); the line is first filled
// with test data until the port refuses a frame, then argv[1] set commands
// (default 1000, of 11, 12 and 16 bytes) are written, the stall lifted for a
// moment every 200 of them. Afterwards the module reads everything and its
// audit counts the frames it found. Target: 0 malformed frames, every queued
// set arrives, no write waits.

#include "link/PortTable.h"
#include "platform/PortDirectory.h"
#include "protocol/Frames.h"
#include "sim/Simulator.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

using namespace tmx7;
using Steady = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int sets = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    constexpr int kPort = 7;
    sim::SimulatorOptions options;
    options.pace = false;
    options.faults.stall = true;
    sim::Simulator module(options);
    if (!module.Start()) {
        std::fprintf(stderr, "stalled_line: simulated module did not start\n");
        return 1;
    }
    PortDirectory::System().Map(kPort, module.SlavePath());
    CPortTable table;
    if (table.Open(kPort, 9600, "n,8,1") != 1)
        return 1;

    auto slowest = Steady::duration::zero();
    auto write = [&](std::span<const std::uint8_t> frame) {
        const auto t0 = Steady::now();
        const WriteStatus w = table.Write(kPort, frame);
        slowest = std::max(slowest, Steady::now() - t0);
        return w;
    };
    auto stall = [&](bool on) {
        auto f = module.Faults();
        f.stall = on;
        module.SetFaults(f);
    };

    const std::vector<std::uint8_t> data(190, 0x55);
    int dataQueued = 0;
    while (dataQueued < 1000 && write(data) == WriteStatus::Queued) {
        ++dataQueued;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    int queued = 0;
    int refused = 0;
    int other = 0;
    for (int i = 0; i < sets; ++i) {
        const auto frame = i % 3 == 0   ? MakeTxPowerSet(i % 8)
                           : i % 3 == 1 ? MakeWakeDelaySet(1)
                                        : MakeFrequencySet(i % 17);
        switch (write(*frame)) {
        case WriteStatus::Queued:
            ++queued;
            break;
        case WriteStatus::Refused:
            ++refused;
            break;
        default:
            ++other;
        }
        if (i % 200 == 199) {
            stall(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            stall(true);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    stall(false);
    const bool drained = table.Drain(kPort, std::chrono::seconds(10));
    const auto end = Steady::now() + std::chrono::seconds(10);
    auto setsSeen = [&] {
        int n = 0;
        for (const auto& f : module.Frames())
            n += f.kind == sim::FrameKind::Set && f.defect == sim::Defect::None;
        return n;
    };
    while (setsSeen() < queued && Steady::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int seen = setsSeen();
    const std::size_t malformed = module.MalformedCount();
    const double slowestMs = std::chrono::duration<double, std::milli>(slowest).count();
    const bool pass = drained && malformed == 0 && seen == queued && other == 0 && slowestMs < 10;
    std::printf("stalled_line data-frames-first=%d sets=%d queued=%d refused=%d other=%d "
                "sets-received-whole=%d malformed=%zu slowest-write=%.3fms %s\n",
                dataQueued, sets, queued, refused, other, seen, malformed, slowestMs,
                pass ? "PASS" : "FAIL");
    table.Stop(kPort);
    return pass ? 0 : 1;
}

// Nanoseconds per call of the port table's hot operations.

#include "bench_pty.h"
#include "link/PortTable.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

using namespace tmx7;

namespace {

// TakeOldest scans all 100 slots for the oldest packet; measured on a store
// that starts every round with 100 full slots of 524 bytes. The refill is
// outside the timing.
void BM_TakeOldest_100FullSlots(benchmark::State& state) {
    PacketStore store;
    std::uint8_t data[kPacketBytes] = {};
    int left = 0;
    for (auto _ : state) {
        if (left == 0) {
            state.PauseTiming();
            for (int i = 0; i < kPacketSlots; ++i)
                store.Post(data, kPacketBytes);
            left = kPacketSlots;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(store.TakeOldest());
        --left;
    }
}
BENCHMARK(BM_TakeOldest_100FullSlots);

// The table's part on top: lock, lookup by number, scan of an empty store.
void BM_TableTakeOldest_Empty(benchmark::State& state) {
    PortDirectory::Options o;
    o.sysfsTtyRoot = "/nonexistent";
    o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    PortDirectory dir(o);
    CPortTable table(dir);
    table.SetMessageHandler([](const std::string&) {});
    table.Open(5, 9600, "n,8,1"); // fails (no device) but records the number
    for (auto _ : state)
        benchmark::DoNotOptimize(table.TakeOldest(5));
}
BENCHMARK(BM_TableTakeOldest_Empty);

// Write of 16 bytes to an open pty whose peer drains everything. A write
// only queues the frame for the port's thread; when the queue is full the
// benchmark waits (untimed) for room, so the figure is that of queued
// writes, and "refused" tells how often the queue was full.
void BM_Write16(benchmark::State& state) {
    bench::Pty pty;
    if (!pty.open(2)) {
        state.SkipWithError("openpty failed");
        return;
    }
    CPortTable table;
    if (table.Open(2, 57600, "n,8,1") != 1) {
        state.SkipWithError("open failed");
        return;
    }
    std::atomic<bool> done{false};
    std::thread drain([&] {
        std::uint8_t buf[65536];
        while (!done) {
            pollfd p{pty.master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) [[maybe_unused]]
                auto n = ::read(pty.master, buf, sizeof buf);
        }
    });
    const std::uint8_t frame[16] = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F,
                                    0xFF, 0x01, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};
    std::int64_t refused = 0;
    for (auto _ : state) {
        if (table.Write(2, std::span<const std::uint8_t>(frame, 16)) != WriteStatus::Queued) {
            state.PauseTiming();
            ++refused;
            while (table.Backlog(2).value_or(0) > CCommPort::kOutboundBytes / 2)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            state.ResumeTiming();
        }
    }
    state.counters["refused"] = static_cast<double>(refused);
    done = true;
    drain.join();
}
BENCHMARK(BM_Write16);

} // namespace

BENCHMARK_MAIN();

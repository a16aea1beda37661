// Packet latency at 9600 baud: from the peer's last byte written to the
// packet being takeable. Target: at most one poll interval (18 ms) + 2 ms,
// median and maximum over 200 packets (argv[1] overrides the count).

#include "bench_pty.h"
#include "link/PortTable.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace tmx7;
using Steady = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    const int baud = 9600;
    bench::Pty pty;
    if (!pty.open(1))
        return 1;
    CPortTable table;
    if (table.Open(1, baud, "n,8,1") != 1)
        return 1;
    const double limitMs = PollIntervalMs(baud) + 2.0;
    std::vector<double> latencies;
    const std::uint8_t frame[] = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFC, 0x03};
    for (int i = 0; i < count; ++i) {
        if (!pty.send(frame, sizeof frame))
            return 1;
        const auto written = Steady::now();
        std::optional<std::vector<std::uint8_t>> p;
        while (!(p = table.TakeOldest(1))) {
            if (Steady::now() - written > std::chrono::seconds(2)) {
                std::fprintf(stderr, "packet_latency: packet %d never arrived\n", i);
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Steady::now() - written).count());
        if (p->size() != sizeof frame) {
            std::fprintf(stderr, "packet_latency: packet %d has %zu bytes\n", i, p->size());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    const double max = latencies.back();
    const double p90 = latencies[latencies.size() * 9 / 10];
    const double p99 = latencies[latencies.size() * 99 / 100];
    const auto over =
        std::count_if(latencies.begin(), latencies.end(), [&](double v) { return v > limitMs; });
    const bool pass = max <= limitMs;
    std::printf("packet_latency baud=%d packets=%d interval=%dms median=%.2fms p90=%.2fms "
                "p99=%.2fms max=%.2fms limit=%.0fms over-limit=%ld %s\n",
                baud, count, PollIntervalMs(baud), median, p90, p99, max, limitMs,
                static_cast<long>(over), pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

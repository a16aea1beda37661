// Idle cost of one open port: no traffic for N seconds (default 10) at 9600
// and at 57600 baud; process CPU time from getrusage. Target: below 0.1 %
// of one core, i.e. the workers sleep in poll() and never wake up.

#include "bench_pty.h"
#include "link/PortTable.h"

#include <cstdlib>
#include <thread>

using namespace tmx7;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    bool ok = true;
    for (int baud : {9600, 57600}) {
        bench::Pty pty;
        if (!pty.open(1))
            return 1;
        CPortTable table;
        if (table.Open(1, baud, "n,8,1") != 1) {
            std::fprintf(stderr, "idle_cost: cannot open the pty\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // settle after start-up
        const double cpu0 = bench::cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = bench::cpuSeconds() - cpu0;
        const double percent = 100.0 * cpu / wall;
        const bool pass = percent < 0.1;
        ok = ok && pass;
        std::printf("idle_cost baud=%d wall=%.2fs cpu=%.6fs cpu%%=%.4f%% (target < 0.1%%) %s\n",
                    baud, wall, cpu, percent, pass ? "PASS" : "FAIL");
        table.Stop(1);
    }
    return ok ? 0 : 1;
}
